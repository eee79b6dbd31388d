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

// The folder that keeps the program's own files (the profile with its recent
// files, the playlist), with a trailing "/": the program's folder when the
// user may write to it (a build run where it was built), otherwise
// "quillmere/" in xdgConfigHome, or in homeDirectory's ".config" when
// xdgConfigHome is empty (an installed program, one with its runtime libraries
// in ../lib/quillmere, goes there whoever runs it). Only the folder's
// permission bits count, so a folder made read-only keeps out root as well.
QString ConfigFolderFor(const QString &programDirectory, const QString &xdgConfigHome, const QString &homeDirectory);

// The path of the file fileName in the configuration folder of the program in
// programDirectory. When that folder is not the program's it is made, and a
// file of that name left beside the program (by a run before it was
// installed) is copied into it once, while it has none of its own.
QString ConfigFilePathFor(const QString &fileName, const QString &programDirectory, const QString &xdgConfigHome,
                          const QString &homeDirectory);

// ConfigFilePathFor for the running program and the learner's environment.
QString ConfigFilePath(const QString &fileName);
