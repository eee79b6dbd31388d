#include "lists/CTextFile.h"

#include "base/CFileError.h"

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

void CTextFile::Fail(const CResult &failure)
{
    if (m_status)
        m_status = failure;
    m_pReadFile.reset();
    m_pWriteFile.reset();
    m_pending.clear();
}

void CTextFile::FailForDevice(const QFileDevice &device)
{
    Fail(CFileError::FromErrno(ErrnoOf(device), m_strPath).ToResult());
}

void CTextFile::OpenForReading(std::uint32_t openFlags)
{
    if (m_strPath.isEmpty())
        return Fail(CFileError(CFileError::badPath, m_strPath).ToResult());
    if ((openFlags & modeCreate) && !QFileInfo::exists(m_strPath)) {
        // Create the missing file empty; an existing one is never truncated
        // when reading.
        QFile create(m_strPath);
        errno = 0;
        if (!create.open(QIODevice::WriteOnly))
            return FailForDevice(create);
    }
    if (QFileInfo(m_strPath).isDir())
        return Fail(CFileError(CFileError::badPath, m_strPath, EISDIR).ToResult());
    m_pReadFile = std::make_unique<QFile>(m_strPath);
    errno = 0;
    if (!m_pReadFile->open(QIODevice::ReadOnly))
        FailForDevice(*m_pReadFile);
}

void CTextFile::OpenForWriting(std::uint32_t openFlags)
{
    if (m_strPath.isEmpty() || QFileInfo(m_strPath).isDir())
        return Fail(CFileError(CFileError::badPath, m_strPath, EISDIR).ToResult());
    m_pWriteFile = std::make_unique<CAtomicFile>(m_strPath);
    if (CResult opened = m_pWriteFile->Open(); !opened)
        return Fail(opened);
    if ((openFlags & modeNoTruncate) && QFileInfo::exists(m_strPath)) {
        // Keep what the file holds and write after it.
        QFile old(m_strPath);
        if (!old.open(QIODevice::ReadOnly))
            return FailForDevice(old);
        m_pending = old.readAll();
    }
}

void CTextFile::WritePending()
{
    if (CResult written = m_pWriteFile->Write(m_pending); !written)
        return Fail(written);
    m_pending.clear();
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
    if (!m_pWriteFile) {
        // Writing to a file opened for reading is a fault of its own; after an
        // earlier failure the first one stands.
        Fail(CFileError(CFileError::accessDenied, m_strPath).ToResult());
        return;
    }
    m_pending += ToTextModeLineEnds(EncodeCodePage(text, m_nCodePage));
    if (m_pending.size() >= kWriteChunk)
        WritePending();
}

CResult CTextFile::Close()
{
    if (m_pReadFile) {
        if (m_pReadFile->error() != QFileDevice::NoError)
            FailForDevice(*m_pReadFile);
        m_pReadFile.reset();
    }
    if (m_pWriteFile) {
        WritePending();
        if (m_pWriteFile) {
            if (CResult committed = m_pWriteFile->Commit(); !committed)
                Fail(committed);
            m_pWriteFile.reset();
        }
    }
    return m_status;
}
