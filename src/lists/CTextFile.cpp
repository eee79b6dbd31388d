#include "lists/CTextFile.h"

#include "lists/CFileException.h"

#include <QFileInfo>
#include <cerrno>

namespace
{

int ErrnoOf(const QFileDevice &device)
{
    switch (device.error()) {
    case QFileDevice::OpenError: return QFileInfo::exists(device.fileName()) ? EACCES : ENOENT;
    case QFileDevice::PermissionsError: return EACCES;
    case QFileDevice::ResourceError: return ENOSPC;
    default: return errno != 0 ? errno : EIO;
    }
}

constexpr qsizetype kWriteChunk = qsizetype{64} * 1024;

QByteArray ToTextModeLineEnds(QByteArray bytes)
{
    return bytes.replace('\n', QByteArrayLiteral("\r\n"));
}

} // namespace

CTextFile::CTextFile(const QString &path, std::uint32_t openFlags) : m_strPath(path)
{
    if (openFlags & modeWrite)
        OpenForWriting(openFlags);
    else
        OpenForReading(openFlags);
}

CTextFile::~CTextFile() = default;

void CTextFile::OpenForReading(std::uint32_t openFlags)
{
    if (m_strPath.isEmpty())
        throw CFileException(CFileException::badPath, m_strPath);
    if ((openFlags & modeCreate) && !QFileInfo::exists(m_strPath)) {
        // Create the missing file empty; an existing one is never truncated
        // when reading.
        QFile create(m_strPath);
        errno = 0;
        if (!create.open(QIODevice::WriteOnly))
            ThrowForDevice(create);
    }
    m_pReadFile = std::make_unique<QFile>(m_strPath);
    errno = 0;
    if (QFileInfo(m_strPath).isDir())
        throw CFileException(CFileException::badPath, m_strPath, EISDIR);
    if (!m_pReadFile->open(QIODevice::ReadOnly))
        ThrowForDevice(*m_pReadFile);
}

void CTextFile::OpenForWriting(std::uint32_t openFlags)
{
    if (m_strPath.isEmpty() || QFileInfo(m_strPath).isDir())
        throw CFileException(CFileException::badPath, m_strPath, EISDIR);
    m_pWriteFile = std::make_unique<CAtomicFile>(m_strPath);
    if (!m_pWriteFile->Open())
        ThrowForWriteError();
    if ((openFlags & modeNoTruncate) && QFileInfo::exists(m_strPath)) {
        // Keep what the file holds and write after it.
        QFile old(m_strPath);
        if (!old.open(QIODevice::ReadOnly))
            ThrowForDevice(old);
        m_pending = old.readAll();
    }
}

void CTextFile::ThrowForWriteError() const
{
    throw CFileException::FromErrno(m_pWriteFile->Error(), m_strPath);
}

void CTextFile::WritePending()
{
    if (!m_pWriteFile->Write(m_pending))
        ThrowForWriteError();
    m_pending.clear();
}

void CTextFile::ThrowForDevice(const QFileDevice &device) const
{
    throw CFileException::FromErrno(ErrnoOf(device), m_strPath);
}

int CTextFile::ReadLineBytes(char *buffer)
{
    // Text mode: a CR LF pair arrives as one LF; a line ends after its LF or
    // when kMaxLineBytes bytes have been taken.
    int count = 0;
    char c = 0;
    while (count < kMaxLineBytes && m_pReadFile->getChar(&c)) {
        if (c == '\r') {
            char next = 0;
            if (m_pReadFile->peek(&next, 1) == 1 && next == '\n') {
                m_pReadFile->getChar(&next);
                c = '\n';
            }
        }
        buffer[count++] = c;
        if (c == '\n')
            break;
    }
    return count;
}

bool CTextFile::ReadString(QString &line)
{
    if (!m_pReadFile)
        return false;
    char bytes[kMaxLineBytes + 1];
    const int count = ReadLineBytes(bytes);
    if (count == 0)
        return false;
    // Bytes that are not valid in the code page decode as U+FFFD, so every
    // line read yields text.
    QString text = DecodeCodePage(QByteArrayView(bytes, count), m_nCodePage);
    if (text.endsWith(QStringLiteral("\r\n")))
        text.chop(2);
    else if (text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    line = text;
    return true;
}

void CTextFile::WriteString(const QString &text)
{
    if (!m_pWriteFile)
        throw CFileException(CFileException::accessDenied, m_strPath);
    m_pending += ToTextModeLineEnds(EncodeCodePage(text, m_nCodePage));
    if (m_pending.size() >= kWriteChunk)
        WritePending();
}

void CTextFile::Close()
{
    if (m_pReadFile) {
        m_pReadFile->close();
        m_pReadFile.reset();
    }
    if (m_pWriteFile) {
        WritePending();
        if (!m_pWriteFile->Commit())
            ThrowForWriteError();
        m_pWriteFile.reset();
    }
}
