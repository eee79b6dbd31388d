// Where the running program lives, and the files kept beside it.
#pragma once

#include <QString>

// The folder of the running program with a trailing "/". Returns false and
// leaves the string empty when the program's own path cannot be read.
bool GetModuleDirectory(QString &directory);

// The folder part of a program path with a trailing "/" ("/opt/q/quillmere"
// gives "/opt/q/").
QString DirectoryOfProgram(const QString &programPath);

// The profile of a program: every ".exe" in the path replaced by ".ini"; a
// path without ".exe" (the usual case here) gets ".ini" appended, so the
// profile never equals the program itself.
QString ProfilePathForProgram(const QString &programPath);

// The running program's own full path, empty when it cannot be read.
QString ModuleFilePath();
