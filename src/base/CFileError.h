// A file that could not be opened, read or written: which file, and why, told
// to the learner in the interface's language.
#pragma once

#include "base/CResult.h"

#include <QString>

class CFileError
{
public:
    enum Cause { generic, fileNotFound, badPath, accessDenied, diskFull, endOfFile };

    CFileError(Cause cause, const QString &fileName, int osError = 0);

    // Maps an errno value from a failed open, read or write to a cause.
    static CFileError FromErrno(int osError, const QString &fileName);

    Cause m_cause;
    QString m_strFileName;
    int m_lOsError; // errno of the failed call, 0 when there was none

    // The message naming the file and the cause.
    QString GetErrorMessage() const;

    // The failed result that carries the message.
    CResult ToResult() const { return CResult::Failure(GetErrorMessage()); }
};
