#include "EngineTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

CTestPrompt::CTestPrompt() : m_pPrevious(SetPrompt(this)) {}

CTestPrompt::~CTestPrompt()
{
    SetPrompt(m_pPrevious);
}

int CTestPrompt::MessageBox(const QString &text, unsigned flags, const QString &caption)
{
    m_messages.push_back({text, flags, caption});
    return IDOK;
}

void CTestPrompt::ExitProcess(int exitCode)
{
    throw SExitCalled{exitCode};
}

void EnsureCoreApplication()
{
    // No sound card in a test: SDL's real-time dummy output unless the run
    // names another driver.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    static int argc = 1;
    static char name[] = "audio_tests";
    static char *argv[] = {name, nullptr};
    // Never destroyed: at exit Qt's own globals are gone before any static of ours.
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

bool PumpUntil(const std::function<bool()> &condition)
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
