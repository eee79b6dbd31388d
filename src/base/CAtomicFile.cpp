#include "base/CAtomicFile.h"

#include "base/CFileError.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CAtomicFile::CAtomicFile(const QString &path) : m_strPath(path) {}

CAtomicFile::~CAtomicFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
    if (!m_bCommitted && !m_tempPath.isEmpty())
        ::unlink(m_tempPath.constData());
}

CResult CAtomicFile::Fail()
{
    if (m_nError == 0)
        m_nError = errno != 0 ? errno : EIO;
    return CFileError::FromErrno(m_nError, m_strPath).ToResult();
}

CResult CAtomicFile::Open()
{
    const QByteArray target = QFile::encodeName(m_strPath);
    m_tempPath = target + ".XXXXXX";
    m_fd = ::mkstemp(m_tempPath.data());
    if (m_fd < 0) {
        m_tempPath.clear();
        return Fail();
    }
    // The new file keeps the permissions of the one it replaces.
    struct stat existing {
    };
    const mode_t mode = ::stat(target.constData(), &existing) == 0 ? existing.st_mode & 07777 : 0644;
    ::fchmod(m_fd, mode);
    return {};
}

CResult CAtomicFile::Write(QByteArrayView bytes)
{
    if (m_fd < 0 || m_nError != 0)
        return Fail();
    const char *data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return Fail();
        data += written;
        left -= written;
    }
    return {};
}

CResult CAtomicFile::Commit()
{
    if (m_fd < 0 || m_nError != 0)
        return Fail();
    const int fd = m_fd;
    m_fd = -1;
    if (::fsync(fd) != 0) {
        ::close(fd);
        return Fail();
    }
    if (::close(fd) != 0)
        return Fail();
    if (::rename(m_tempPath.constData(), QFile::encodeName(m_strPath).constData()) != 0)
        return Fail();
    m_bCommitted = true;
    return {};
}
