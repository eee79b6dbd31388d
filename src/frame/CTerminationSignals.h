// Turns SIGINT, SIGTERM and SIGHUP (Ctrl+C in a terminal, kill, the end of a
// desktop session) into a call on the interface thread, so the program can
// keep the learner's text and its own files before it ends. The handler only
// writes the signal's number to a pipe that the event loop watches.
#pragma once

#include <QObject>
#include <csignal>
#include <functional>

class QSocketNotifier;

class CTerminationSignals final : public QObject
{
public:
    // One at a time: the handlers are the process's.
    explicit CTerminationSignals(std::function<void(int)> onSignal);
    // Puts back the handlers that were there before.
    ~CTerminationSignals() override;

    CTerminationSignals(const CTerminationSignals &) = delete;
    CTerminationSignals &operator=(const CTerminationSignals &) = delete;

private:
    static void Handle(int signal);
    void OnReadable();

    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    std::function<void(int)> m_onSignal;
    struct sigaction m_previous[std::size(kSignals)] = {};
    QSocketNotifier *m_pNotifier = nullptr;
};
