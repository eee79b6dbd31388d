// One band of the parametric equaliser: a peaking biquad on stereo float frames,
// set by centre frequency (Hz), bandwidth (semitones) and gain (dB).
#pragma once

#include "AudioApi.h"

class CPeakingEq
{
public:
    explicit CPeakingEq(int rate);

    // Out-of-range values are clamped; false only when a value is not a number.
    bool SetParameters(const BASS_FXPARAMEQ &parameters);
    BASS_FXPARAMEQ Parameters() const { return m_parameters; }
    void Process(float *frames, int count);
    void Reset();

private:
    // Both sides at once in the compiler's vector extension: left in lane 0, right in 1.
    using Pair = double __attribute__((vector_size(2 * sizeof(double))));
    // The filter: coefficients (the same in both lanes) and the last two inputs and outputs.
    struct SBiquad {
        Pair b0{}, b1{}, b2{}, a1{}, a2{};
        Pair x1{}, x2{}, y1{}, y2{};

        Pair Step(Pair x);
    };

    void ComputeCoefficients();

    int m_rate;
    BASS_FXPARAMEQ m_parameters{};
    bool m_flat = true;
    SBiquad m_filter;
};
