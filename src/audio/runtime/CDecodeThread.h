// The runtime's decoding thread: keeps every channel's ring of processed frames filled
// ahead of the output callback, so the callback only copies.
#pragma once

#include "CMixer.h"

#include <atomic>
#include <thread>

class CDecodeThread
{
public:
    explicit CDecodeThread(CMixer &mixer);
    // Stops and joins the thread.
    ~CDecodeThread();

    CDecodeThread(const CDecodeThread &) = delete;
    CDecodeThread &operator=(const CDecodeThread &) = delete;

private:
    void Run();

    CMixer &m_mixer;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
