#include "base/ModulePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

QString ModuleFilePath()
{
    const QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/exe"));
    return QFileInfo(path).isAbsolute() ? path : QString();
}

QString DirectoryOfProgram(const QString &programPath)
{
    return programPath.left(programPath.lastIndexOf(QLatin1Char('/')) + 1);
}

bool GetModuleDirectory(QString &directory)
{
    directory.clear();
    const QString program = ModuleFilePath();
    if (program.isEmpty())
        return false;
    directory = DirectoryOfProgram(program);
    return true;
}

QString ProfilePathForProgram(const QString &programPath)
{
    const QString exe = QStringLiteral(".exe");
    if (!programPath.contains(exe))
        return programPath + QStringLiteral(".ini");
    QString profile = programPath;
    return profile.replace(exe, QStringLiteral(".ini"));
}

namespace
{

// Write permission as the folder's mode grants it to this user: the owner's
// bit for the owner, Qt's access check for anyone else.
bool ModeLetsUserWrite(const QString &folder)
{
    const QFileInfo info(folder);
    if (!info.isDir())
        return false;
    if (info.ownerId() == ::getuid())
        return info.permission(QFile::WriteOwner);
    return info.isWritable();
}

// Installed, the runtime libraries lie in the prefix's lib/quillmere rather
// than beside the program: such a program never writes into its prefix, even
// when run by someone who could (root in /usr/bin).
bool IsInstalledLayout(const QString &programDirectory)
{
    return QFileInfo(programDirectory + QStringLiteral("../lib/quillmere")).isDir();
}

} // namespace

QString ConfigFolderFor(const QString &programDirectory, const QString &xdgConfigHome, const QString &homeDirectory)
{
    if (!programDirectory.isEmpty() && !IsInstalledLayout(programDirectory) && ModeLetsUserWrite(programDirectory))
        return programDirectory;
    const QString configHome = xdgConfigHome.isEmpty() ? homeDirectory + QStringLiteral("/.config") : xdgConfigHome;
    return configHome + QStringLiteral("/quillmere/");
}

QString ConfigFilePathFor(const QString &fileName, const QString &programDirectory, const QString &xdgConfigHome,
                          const QString &homeDirectory)
{
    const QString folder = ConfigFolderFor(programDirectory, xdgConfigHome, homeDirectory);
    const QString path = folder + fileName;
    if (folder == programDirectory)
        return path;
    QDir().mkpath(folder);
    const QString besideProgram = programDirectory + fileName;
    if (!QFileInfo::exists(path) && QFileInfo(besideProgram).isFile())
        QFile::copy(besideProgram, path);
    return path;
}

QString ConfigFilePath(const QString &fileName)
{
    QString programDirectory;
    GetModuleDirectory(programDirectory);
    return ConfigFilePathFor(fileName, programDirectory, qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::homePath());
}
