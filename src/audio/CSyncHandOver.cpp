#include "audio/CSyncHandOver.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

CSyncHandOver &CSyncHandOver::Instance()
{
    // Never destroyed: a runtime thread that is still leaving a callback at
    // process exit must not find its mutex and condition torn down.
    static CSyncHandOver *const handOver = new CSyncHandOver;
    return *handOver;
}

void CSyncHandOver::Open()
{
    const int wakeFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    auto notifier = std::make_unique<QSocketNotifier>(wakeFd, QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, notifier.get(), [this] { AnswerWaiting(); });
    std::lock_guard lock(m_mutex);
    m_wakeFd = wakeFd;
    m_pWakeNotifier = std::move(notifier);
    m_interfaceThread = std::this_thread::get_id();
    m_bOpen = true;
}

void CSyncHandOver::Close()
{
    std::unique_ptr<QSocketNotifier> notifier;
    int wakeFd = -1;
    {
        std::unique_lock lock(m_mutex);
        m_bOpen = false;
        m_hChannel = 0;
        CancelLocked();
        m_cv.wait(lock, [this] { return m_nActive == 0; });
        notifier = std::move(m_pWakeNotifier);
        wakeFd = std::exchange(m_wakeFd, -1);
        m_handler = nullptr;
    }
    notifier.reset();
    if (wakeFd >= 0)
        close(wakeFd);
}

void CSyncHandOver::SetHandler(std::function<int()> handler)
{
    std::lock_guard lock(m_mutex);
    m_handler = std::move(handler);
}

bool CSyncHandOver::BeginCallback()
{
    std::lock_guard lock(m_mutex);
    if (!m_bOpen)
        return false;
    ++m_nActive;
    return true;
}

void CSyncHandOver::EndCallback()
{
    // Notified under the lock, so Close cannot return while this thread still
    // touches the condition.
    std::lock_guard lock(m_mutex);
    --m_nActive;
    m_cv.notify_all();
}

int CSyncHandOver::Deliver(DWORD channel)
{
    auto notice = std::make_shared<SNotice>(channel);
    std::unique_lock lock(m_mutex);
    if (!m_bOpen || m_wakeFd < 0 || channel != m_hChannel)
        return 0;
    if (std::this_thread::get_id() == m_interfaceThread) {
        // Already on the user-interface thread (a runtime that signals inline):
        // waiting for ourselves would never end.
        lock.unlock();
        return RunHandler();
    }
    m_pending.push_back(notice);
    const uint64_t one = 1;
    if (write(m_wakeFd, &one, sizeof one) != sizeof one)
        notice->bAnswered = true; // cannot wake the interface thread: leave the channel as it is
    m_cv.wait(lock, [&notice] { return notice->bAnswered; });
    m_pending.remove(notice);
    return notice->result;
}

void CSyncHandOver::SetChannel(DWORD channel)
{
    std::lock_guard lock(m_mutex);
    m_hChannel = channel;
    CancelLocked();
}

void CSyncHandOver::CancelLocked()
{
    for (const auto &notice : m_pending) {
        if (!notice->bStarted && !notice->bAnswered && notice->channel != m_hChannel) {
            notice->bAnswered = true;
            notice->result = 0;
        }
    }
    m_cv.notify_all();
}

std::shared_ptr<CSyncHandOver::SNotice> CSyncHandOver::TakeWaiting()
{
    std::lock_guard lock(m_mutex);
    uint64_t count = 0;
    if (m_wakeFd >= 0 && read(m_wakeFd, &count, sizeof count) < 0)
        count = 0; // nothing to read: the notices below are still looked at
    for (const auto &notice : m_pending) {
        if (!notice->bStarted && !notice->bAnswered) {
            notice->bStarted = true;
            return notice;
        }
    }
    return nullptr;
}

void CSyncHandOver::AnswerWaiting()
{
    // One at a time: the handler may switch channels, which answers the rest.
    while (std::shared_ptr<SNotice> notice = TakeWaiting()) {
        const int result = RunHandler();
        {
            std::lock_guard lock(m_mutex);
            notice->result = result;
            notice->bAnswered = true;
        }
        m_cv.notify_all();
    }
}

int CSyncHandOver::RunHandler()
{
    std::function<int()> handler;
    {
        std::lock_guard lock(m_mutex);
        handler = m_handler;
    }
    return handler ? handler() : 0;
}

int CSyncHandOver::Pending()
{
    std::lock_guard lock(m_mutex);
    int waiting = 0;
    for (const auto &notice : m_pending)
        waiting += notice->bStarted || notice->bAnswered ? 0 : 1;
    return waiting;
}
