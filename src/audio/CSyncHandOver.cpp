#include "audio/CSyncHandOver.h"

#include <QMetaObject>
#include <QThread>

CSyncHandOver &CSyncHandOver::Instance()
{
    static CSyncHandOver handOver;
    return handOver;
}

void CSyncHandOver::Open()
{
    auto receiver = std::make_unique<QObject>();
    std::lock_guard lock(m_mutex);
    m_pReceiver = std::move(receiver);
    m_bOpen = true;
}

void CSyncHandOver::Close()
{
    std::unique_ptr<QObject> receiver;
    {
        std::unique_lock lock(m_mutex);
        m_bOpen = false;
        m_hChannel = 0;
        CancelLocked();
        m_cv.wait(lock, [this] { return m_nActive == 0; });
        receiver = std::move(m_pReceiver);
        m_handler = nullptr;
    }
    // Destroying the receiver drops the queued calls that were not run; their
    // notices are answered already.
    receiver.reset();
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
    {
        std::lock_guard lock(m_mutex);
        --m_nActive;
    }
    m_cv.notify_all();
}

int CSyncHandOver::Deliver(DWORD channel)
{
    auto notice = std::make_shared<SNotice>(channel);
    std::unique_lock lock(m_mutex);
    if (!m_bOpen || !m_pReceiver || channel != m_hChannel)
        return 0;
    if (m_pReceiver->thread() == QThread::currentThread()) {
        // Already on the user-interface thread (a runtime that signals inline):
        // waiting for ourselves would never end.
        lock.unlock();
        return RunHandler();
    }
    m_pending.push_back(notice);
    QMetaObject::invokeMethod(
        m_pReceiver.get(), [this, notice] { Answer(notice); }, Qt::QueuedConnection);
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

void CSyncHandOver::Answer(const std::shared_ptr<SNotice> &notice)
{
    {
        std::lock_guard lock(m_mutex);
        if (notice->bAnswered)
            return;
        notice->bStarted = true;
    }
    const int result = RunHandler();
    {
        std::lock_guard lock(m_mutex);
        notice->result = result;
        notice->bAnswered = true;
    }
    m_cv.notify_all();
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
