// Helpers of the audio engine tests: a prompt that records what it was asked
// and turns the process exit into an exception, and event loops to pump.
#pragma once

#include "base/CPrompt.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

// Thrown instead of ending the process.
struct SExitCalled {
    int exitCode;
};

class CTestPrompt final : public CPrompt
{
public:
    CTestPrompt() : m_pPrevious(SetPrompt(this)) {}
    ~CTestPrompt() override { SetPrompt(m_pPrevious); }

    int MessageBox(const QString &text, unsigned flags, const QString &caption) override
    {
        m_messages.push_back({text, flags, caption});
        return IDOK;
    }
    [[noreturn]] void ExitProcess(int exitCode) override { throw SExitCalled{exitCode}; }

    // Exactly one error box was shown, with this text and caption; it is forgotten.
    void ExpectOneError(const std::string &text, const QString &caption = QString())
    {
        ASSERT_EQ(m_messages.size(), 1u);
        EXPECT_EQ(m_messages[0].text.toStdString(), text);
        EXPECT_EQ(m_messages[0].flags, unsigned(MB_OK | MB_ICONERROR));
        EXPECT_EQ(m_messages[0].caption, caption);
        m_messages.clear();
    }

    struct SMessage {
        QString text;
        unsigned flags;
        QString caption;
    };
    std::vector<SMessage> m_messages;

private:
    CPrompt *m_pPrevious;
};

// The application object the hand-over needs; made once per process and never
// destroyed: at exit Qt's own globals are gone before any static of ours.
inline void EnsureCoreApplication()
{
    setenv("SDL_AUDIODRIVER", "dummy", 0); // no sound card in a test
    static int argc = 1;
    static char name[] = "audio_tests";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// Runs the event loop until the condition holds; false if it still does not
// after a long safety limit (the test then fails rather than hangs).
inline bool PumpUntil(const std::function<bool()> &condition)
{
    QDeadlineTimer safety(60000);
    while (!condition()) {
        if (safety.hasExpired())
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Runs the event loop for the whole interval, so a notice that is on its way
// reaches its handler before the test looks.
inline void PumpFor(int milliseconds)
{
    const QDeadlineTimer until(milliseconds);
    PumpUntil([&until] { return until.hasExpired(); });
}
