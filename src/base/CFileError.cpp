#include "base/CFileError.h"

#include <QDir>
#include <cerrno>
#include <cstring>

CFileError::CFileError(Cause cause, const QString &fileName, int osError)
    : m_cause(cause), m_strFileName(fileName), m_lOsError(osError)
{
}

CFileError CFileError::FromErrno(int osError, const QString &fileName)
{
    switch (osError) {
    case ENOENT: return CFileError(fileNotFound, fileName, osError);
    case ENOTDIR:
    case ENAMETOOLONG:
    case EISDIR: return CFileError(badPath, fileName, osError);
    case EACCES:
    case EPERM:
    case EROFS: return CFileError(accessDenied, fileName, osError);
    case ENOSPC:
    case EDQUOT: return CFileError(diskFull, fileName, osError);
    default: return CFileError(generic, fileName, osError);
    }
}

QString CFileError::GetErrorMessage() const
{
    const QString name = QDir::toNativeSeparators(m_strFileName);
    QString message;
    switch (m_cause) {
    case fileNotFound: message = QStringLiteral("找不到文件“%1”。"); break;
    case badPath: message = QStringLiteral("文件“%1”的路径无效。"); break;
    case accessDenied: message = QStringLiteral("没有访问文件“%1”的权限。"); break;
    case diskFull: message = QStringLiteral("磁盘已满，无法写入文件“%1”。"); break;
    case endOfFile: message = QStringLiteral("读取文件“%1”时意外到达文件末尾。"); break;
    case generic: message = QStringLiteral("访问文件“%1”时出错。"); break;
    }
    message = message.arg(name);
    if (m_lOsError != 0)
        message += QStringLiteral("\n(%1)").arg(QString::fromLocal8Bit(std::strerror(m_lOsError)));
    return message;
}
