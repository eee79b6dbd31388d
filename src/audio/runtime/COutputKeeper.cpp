#include "COutputKeeper.h"

#include "AudioApi.h"
#include "ThreadName.h"

#include <SDL.h>
#include <chrono>

namespace
{
// How often an open device is looked at: only the reopening waits for it, the callback
// stops rendering and IsLost reports the loss the moment the device knows of it.
constexpr std::chrono::milliseconds kWatchPeriod{500};
// How long after a failed attempt the next one is made.
constexpr std::chrono::milliseconds kRetryPeriod{1000};
// Long enough that a learner writing down a sentence hears the next one without the
// device opening first; a longer rest costs that opening, tens of milliseconds.
constexpr std::chrono::milliseconds kRestAfter{10000};
} // namespace

COutputKeeper::COutputKeeper(CMixer &mixer, CSyncDispatcher &syncs, int rate, std::unique_ptr<COutput> output)
    : m_mixer(mixer), m_syncs(syncs), m_rate(rate), m_output(std::move(output)), m_restAfter(kRestAfter),
      m_bufferFrames(m_output->BufferFrames())
{
    m_thread = std::thread([this] { Run(); });
}

std::unique_ptr<COutputKeeper> COutputKeeper::Open(CMixer &mixer, CSyncDispatcher &syncs, int rate, int &error)
{
    std::unique_ptr<COutput> output = COutput::Open(mixer, syncs, rate, error);
    if (output == nullptr)
        return nullptr;
    return std::unique_ptr<COutputKeeper>(new COutputKeeper(mixer, syncs, rate, std::move(output)));
}

COutputKeeper::~COutputKeeper()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_wake.notify_all();
    }
    m_thread.join();
    m_output.reset();
}

bool COutputKeeper::IsLost() const
{
    std::lock_guard lock(m_mutex);
    return m_output == nullptr ? !m_bResting : m_output->IsLost();
}

bool COutputKeeper::IsResting() const
{
    std::lock_guard lock(m_mutex);
    return m_bResting;
}

void COutputKeeper::SetRestAfter(std::chrono::milliseconds rest)
{
    std::lock_guard lock(m_mutex);
    m_restAfter = rest;
}

// Opens under the lock, so the watch neither reopens nor rests meanwhile; the lock is
// never taken by the callback.
void COutputKeeper::Wake()
{
    std::lock_guard lock(m_mutex);
    m_lastAudible = std::chrono::steady_clock::now();
    if (!m_bResting)
        return;
    m_bResting = false;
    int error = BASS_OK;
    m_output = COutput::Open(m_mixer, m_syncs, m_rate, error);
    if (m_output != nullptr)
        m_bufferFrames = m_output->BufferFrames();
    m_wake.notify_all(); // the watch goes on, or reopens at once what failed to open
}

float COutputKeeper::Load() const
{
    std::lock_guard lock(m_mutex);
    return m_output != nullptr ? m_output->Load() : 0.0f;
}

void COutputKeeper::Run()
{
    NameThisThread("QuillmereKeeper");
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_output == nullptr || m_output->IsLost())
            Reopen(lock);
        else
            RestIfQuiet();
        if (m_bResting) {
            // Nothing to watch: the program at rest is not woken at all.
            m_wake.wait(lock, [this] { return m_stopping || !m_bResting; });
            continue;
        }
        const auto period = m_output != nullptr ? kWatchPeriod : kRetryPeriod;
        m_wake.wait_for(lock, period, [this] { return m_stopping; });
    }
    // SDL keeps per-thread data (its error text) that only its own threads
    // free when they end.
    SDL_TLSCleanup();
}

void COutputKeeper::Reopen(std::unique_lock<std::mutex> &lock)
{
    std::unique_ptr<COutput> lost = std::move(m_output);
    lock.unlock();
    // Closing lets the connection to the sound server go too (SDL's audio subsystem with
    // it), so the next open connects afresh instead of reusing one that died.
    lost.reset();
    int error = BASS_OK;
    std::unique_ptr<COutput> output = COutput::Open(m_mixer, m_syncs, m_rate, error);
    lock.lock();
    m_output = std::move(output);
    if (m_output != nullptr)
        m_bufferFrames = m_output->BufferFrames();
}

// Closed under the lock, so that Wake never opens a device while this one closes.
void COutputKeeper::RestIfQuiet()
{
    const auto now = std::chrono::steady_clock::now();
    if (m_mixer.IsAudible() || m_output->IsOffline()) {
        m_lastAudible = now;
        return;
    }
    if (now - m_lastAudible < m_restAfter)
        return;
    m_output.reset(); // its threads go too
    m_bResting = true;
}
