#include "CSyncDispatcher.h"

#include "ThreadName.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct CSyncDispatcher::SState {
    explicit SState(CMixer &owner) : mixer(owner) {}

    CMixer &mixer;
    std::mutex mutex;
    std::condition_variable wake;
    std::array<CMixer::SEndEvent, 64> ring{};
    size_t head = 0;
    size_t size = 0;
    bool stopping = false;
    bool delivering = false;
    std::thread thread;
};

CSyncDispatcher::CSyncDispatcher(CMixer &mixer) : m_state(std::make_shared<SState>(mixer))
{
    m_state->thread = std::thread([state = m_state] { Run(state); });
}

CSyncDispatcher::~CSyncDispatcher()
{
    std::unique_lock lock(m_state->mutex);
    m_state->stopping = true;
    m_state->wake.notify_all();
    // From inside a sync procedure, or while one waits on the caller's thread, joining
    // would never return: the thread owns a share of the state and ends by itself.
    const bool mustDetach = m_state->delivering || std::this_thread::get_id() == m_state->thread.get_id();
    lock.unlock();
    if (mustDetach)
        m_state->thread.detach();
    else
        m_state->thread.join();
}

void CSyncDispatcher::Post(const CMixer::SEndEvent &event)
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->size == m_state->ring.size())
        return; // sixty-four ends within one hearing delay: the oldest are enough
    m_state->ring[(m_state->head + m_state->size) % m_state->ring.size()] = event;
    ++m_state->size;
    m_state->wake.notify_one();
}

void CSyncDispatcher::Run(const std::shared_ptr<SState> &state)
{
    NameThisThread("QuillmereSyncs");
    std::unique_lock lock(state->mutex);
    while (!state->stopping) {
        if (state->size == 0) {
            state->wake.wait(lock);
            continue;
        }
        const CMixer::SEndEvent event = state->ring[state->head];
        const auto due = std::chrono::steady_clock::time_point(std::chrono::nanoseconds(event.dueNs));
        if (std::chrono::steady_clock::now() < due) {
            state->wake.wait_until(lock, due);
            continue;
        }
        state->head = (state->head + 1) % state->ring.size();
        --state->size;
        state->delivering = true;
        lock.unlock();
        for (const CMixer::SSyncCall &call : state->mixer.SyncsFor(event))
            call.proc(call.handle, call.channel, 0, call.user);
        lock.lock();
        state->delivering = false;
    }
}
