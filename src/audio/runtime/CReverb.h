// The reverb effect: a damped comb/all-pass network on stereo float frames, set by
// input gain (dB), reverb mix (dB), reverb time (ms) and high-frequency time ratio.
#pragma once

#include "AudioApi.h"

#include <array>
#include <cstddef>
#include <vector>

class CReverb
{
public:
    explicit CReverb(int rate);

    bool SetParameters(const BASS_FXREVERB &parameters);
    BASS_FXREVERB Parameters() const { return m_parameters; }
    void Process(float *frames, int count);
    void Reset();

private:
    static constexpr int kCombs = 8;
    static constexpr int kAllPasses = 4;
    static constexpr int kBlockFrames = 256; // frames per pass through the network

    // A delay line and its slot read and rewritten next.
    struct SLine {
        std::vector<float> buffer;
        size_t index = 0;
    };
    // One side's network: the delay lines and, comb by comb, the damped feedback in them.
    struct SSide {
        std::array<SLine, kCombs> combs;
        std::array<SLine, kAllPasses> allPasses;
        std::array<float, kCombs> feedback{}, damp{}, keep{}, store{}; // keep = 1 - damp
    };
    // A side's network as the frames see it until one of its lines wraps.
    struct SStretch;

    void UpdateGains();
    void ProcessBlock(float *frames, int count);
    // One side's reverberation of input into wet.
    static void RunSide(SSide &side, const float *input, float *wet, int count);
    // Frames until the first of a side's lines wraps, at most count.
    static int FramesBeforeWrap(const SSide &side, int count);
    static SStretch StretchOf(SSide &side);
    // Keeps the comb filters' state and moves every line on by frames.
    static void Advance(SSide &side, const SStretch &stretch, int frames);
    // Frames at..at+3, each comb's samples taken as a vector over time.
    static void RunFourFrames(SStretch &stretch, int at, const float *input, float *wet);
    // Frame at alone, for the last frames before a wrap.
    static void RunOneFrame(SStretch &stretch, int at, float input, float &wet);

    int m_rate;
    BASS_FXREVERB m_parameters{};
    float m_inGain = 1, m_wet = 1, m_dry = 0;
    bool m_bypass = false;
    bool m_silent = true; // every delay line holds zeros
    std::array<SSide, 2> m_sides;
};
