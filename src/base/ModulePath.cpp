#include "base/ModulePath.h"

#include <QFile>
#include <QFileInfo>

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
