#include "frame/CTerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{

// The pipe's ends: the handler writes, the event loop reads.
int g_readEnd = -1;
int g_writeEnd = -1;

} // namespace

CTerminationSignals::CTerminationSignals(std::function<void(int)> onSignal) : m_onSignal(std::move(onSignal))
{
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default effect
    g_readEnd = ends[0];
    g_writeEnd = ends[1];
    m_pNotifier = new QSocketNotifier(g_readEnd, QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, [this] { OnReadable(); });
    struct sigaction action = {};
    action.sa_handler = &CTerminationSignals::Handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &action, &m_previous[i]);
}

CTerminationSignals::~CTerminationSignals()
{
    if (g_readEnd < 0)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
    close(std::exchange(g_writeEnd, -1));
    close(std::exchange(g_readEnd, -1));
}

// Runs on whichever thread the signal interrupted: only async-signal-safe calls.
void CTerminationSignals::Handle(int signal)
{
    const int savedErrno = errno;
    const char number = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = write(g_writeEnd, &number, 1);
    errno = savedErrno;
}

void CTerminationSignals::OnReadable()
{
    char number = 0;
    while (read(g_readEnd, &number, 1) == 1) {
        if (m_onSignal)
            m_onSignal(number);
    }
}
