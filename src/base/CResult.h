// The outcome of an operation that can fail in a way the learner must hear of:
// success, or the message that says what failed and why, in the interface's
// language. Nothing below the window shows a message itself: the caller
// decides whether and how to tell the learner.
#pragma once

#include <QString>

class [[nodiscard]] CResult
{
public:
    // Success.
    CResult() = default;
    // A failure; an empty message still counts as a failure.
    static CResult Failure(const QString &message);

    bool Succeeded() const { return !m_bFailed; }
    explicit operator bool() const { return !m_bFailed; }
    // What failed; empty on success.
    const QString &Message() const { return m_strMessage; }

private:
    QString m_strMessage;
    bool m_bFailed = false;
};

inline CResult CResult::Failure(const QString &message)
{
    CResult result;
    result.m_strMessage = message;
    result.m_bFailed = true;
    return result;
}
