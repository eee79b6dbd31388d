// Helpers of the audio engine tests: a prompt that records what it was asked
// and turns the process exit into an exception, and an event loop to pump.
#pragma once

#include "app/CPrompt.h"

#include <QString>
#include <functional>
#include <vector>

// Thrown instead of ending the process.
struct SExitCalled {
    int exitCode;
};

class CTestPrompt final : public CPrompt
{
public:
    CTestPrompt();
    ~CTestPrompt() override;

    int MessageBox(const QString &text, unsigned flags, const QString &caption) override;
    [[noreturn]] void ExitProcess(int exitCode) override;

    struct SMessage {
        QString text;
        unsigned flags;
        QString caption;
    };
    std::vector<SMessage> m_messages;

private:
    CPrompt *m_pPrevious;
};

// The application object the queued hand-over needs; made once per process.
void EnsureCoreApplication();

// Runs the event loop until the condition holds; false if it still does not
// after a long safety limit (the test then fails rather than hangs).
bool PumpUntil(const std::function<bool()> &condition);
