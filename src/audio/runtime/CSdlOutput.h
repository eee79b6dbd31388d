// The output device: an SDL audio device in callback mode (float stereo) whose callback
// renders the mixer and hands the ends it met to the sync dispatcher. Once SDL reports
// the device gone (its sound server died, its card was pulled), the callback renders
// nothing more: the mixer's channels stay where the learner last heard them.
#pragma once

#include "CMixer.h"
#include "CSyncDispatcher.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CSdlOutput
{
public:
    // Opens and starts the default device at rate Hz; null and error set on failure.
    static std::unique_ptr<CSdlOutput> Open(CMixer &mixer, CSyncDispatcher &syncs, int rate, int &error);
    // Pauses, then closes the device: no callback runs once this returns.
    ~CSdlOutput();

    int BufferFrames() const { return m_bufferFrames; }
    // Rendering to a file (SDL's disk driver), which is written anew at every open.
    bool IsOffline() const { return m_offline; }
    // True once SDL has stopped the device for good; only closing and opening anew helps.
    bool IsLost() const;
    // Share of real time the last callback spent rendering, in percent.
    float Load() const { return m_load.load(); }

private:
    CSdlOutput(CMixer &mixer, CSyncDispatcher &syncs);
    static void Callback(void *self, uint8_t *stream, int length);

    CMixer &m_mixer;
    CSyncDispatcher &m_syncs;
    uint32_t m_device = 0;
    int m_bufferFrames = 0;
    int m_rate = 0;
    bool m_offline = false; // rendering to a file, not to the ear
    std::atomic<float> m_load{0.0f};
};
