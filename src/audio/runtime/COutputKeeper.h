// Keeps the runtime's output device open while it is needed: a thread of its own looks at
// the device a few times a second and, once it is lost (the sound server restarted or
// died, the card went away), closes what is left of it and opens the default output
// again, at once and then every second, until it opens. The mixer knows nothing of this:
// its channels wait where they were and play on when the device is back.
//
// A device with nothing to play still wakes many times a second to write silence, so
// after a rest with nothing audible the device is closed, and Wake opens it again before
// a channel plays.
#pragma once

#include "COutput.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

class COutputKeeper
{
public:
    // Opens the default device at rate Hz and starts watching it; null and error set
    // when the first open fails.
    static std::unique_ptr<COutputKeeper> Open(CMixer &mixer, CSyncDispatcher &syncs, int rate, int &error);
    // Stops the watch (an open attempt under way finishes first) and closes the device.
    ~COutputKeeper();

    COutputKeeper(const COutputKeeper &) = delete;
    COutputKeeper &operator=(const COutputKeeper &) = delete;

    // True from the moment the device is reported gone until a new one is open; a
    // device closed for a rest is not lost.
    bool IsLost() const;
    bool IsResting() const;
    // Opens the device again if it was closed for a rest; a failure to open it counts as
    // a lost device, which the watch then reopens. Call before a channel plays.
    void Wake();
    // How long nothing may be audible before the device is closed.
    void SetRestAfter(std::chrono::milliseconds rest);
    // Of the device opened last.
    int BufferFrames() const { return m_bufferFrames.load(); }
    float Load() const;

private:
    COutputKeeper(CMixer &mixer, CSyncDispatcher &syncs, int rate, std::unique_ptr<COutput> output);
    void Run();
    // Closes the lost device and tries once to open a new one, both outside the lock.
    void Reopen(std::unique_lock<std::mutex> &lock);
    // Closes an open device that has had nothing audible for the rest period.
    void RestIfQuiet();

    CMixer &m_mixer;
    CSyncDispatcher &m_syncs;
    const int m_rate;
    mutable std::mutex m_mutex; // guards m_output and m_stopping, never held across the device's own calls
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::unique_ptr<COutput> m_output; // null between closing a lost device and opening its successor,
                                       // and while resting
    bool m_bResting = false;
    std::chrono::milliseconds m_restAfter;
    std::chrono::steady_clock::time_point m_lastAudible = std::chrono::steady_clock::now();
    std::atomic<int> m_bufferFrames{0};
    std::thread m_thread;
};
