// A file that could not be opened, read or written: which file, and why. The
// caller catches it and tells the learner with ReportError, then carries on.
#pragma once

#include <QString>
#include <exception>

class CFileException : public std::exception
{
public:
    enum Cause { generic, fileNotFound, badPath, accessDenied, diskFull, endOfFile };

    CFileException(Cause cause, const QString &fileName, int osError = 0);

    // Maps an errno value from a failed open, read or write to a cause.
    static CFileException FromErrno(int osError, const QString &fileName);

    Cause m_cause;
    QString m_strFileName;
    int m_lOsError; // errno of the failed call, 0 when there was none

    // The message in the interface's language, naming the file and the cause.
    QString GetErrorMessage() const;

    // Shows GetErrorMessage in a modal box through the program's prompt.
    void ReportError() const;

    const char *what() const noexcept override;

private:
    QByteArray m_what;
};
