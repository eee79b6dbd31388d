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
    struct SComb {
        std::vector<float> buffer;
        size_t index = 0;
        float feedback = 0;
        float damp = 0;
        float store = 0;
    };
    struct SAllPass {
        std::vector<float> buffer;
        size_t index = 0;
    };
    static constexpr int kCombs = 8;
    static constexpr int kAllPasses = 4;

    void UpdateGains();
    float Run(int side, float input);

    int m_rate;
    BASS_FXREVERB m_parameters{};
    float m_inGain = 1, m_wet = 1, m_dry = 0;
    bool m_bypass = false;
    bool m_silent = true; // every delay line holds zeros
    std::array<std::array<SComb, kCombs>, 2> m_combs;
    std::array<std::array<SAllPass, kAllPasses>, 2> m_allPasses;
};
