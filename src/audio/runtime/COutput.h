// The output device: it renders the mixer block by block on a thread of its own and
// hands the ends it met to the sync dispatcher. Once the device is lost (its sound
// server died, its card was pulled) nothing more is rendered: the mixer's channels stay
// where the learner last heard them.
#pragma once

#include "CMixer.h"
#include "CSyncDispatcher.h"

#include <atomic>
#include <cstddef>
#include <memory>

class COutput
{
public:
    // Frames asked for at a time: about 23 ms at 44.1 kHz.
    static constexpr int kBufferFrames = 1024;
    // Stereo float.
    static constexpr size_t kFrameBytes = 2 * sizeof(float);

    // Opens the default output at rate Hz: the PulseAudio server itself when one answers
    // and SDL is not told to use a driver other than its PulseAudio one, else SDL's
    // default device. Null and error set on failure.
    static std::unique_ptr<COutput> Open(CMixer &mixer, CSyncDispatcher &syncs, int rate, int &error);
    // Closes the device: nothing is rendered once this returns.
    virtual ~COutput() = default;

    COutput(const COutput &) = delete;
    COutput &operator=(const COutput &) = delete;

    // Frames rendered at a time.
    int BufferFrames() const { return m_bufferFrames; }
    // Rendering to a file (SDL's disk driver), which is written anew at every open.
    bool IsOffline() const { return m_offline; }
    // True once the device is gone for good; only closing and opening anew helps.
    virtual bool IsLost() const = 0;
    // Share of real time the last block spent rendering, in percent.
    float Load() const { return m_load.load(); }

protected:
    COutput(CMixer &mixer, CSyncDispatcher &syncs, int rate);
    // On the device's thread: fills out with the next frames (stereo float) and posts the
    // ends met in them.
    void Render(float *out, int frames);

    CMixer &m_mixer;
    int m_bufferFrames = 0;
    bool m_offline = false; // rendering to a file, not to the ear

private:
    CSyncDispatcher &m_syncs;
    const int m_rate;
    std::atomic<float> m_load{0.0f};
};
