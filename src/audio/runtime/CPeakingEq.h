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
    void ComputeCoefficients();

    int m_rate;
    BASS_FXPARAMEQ m_parameters{};
    bool m_flat = true;
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_x1[2]{}, m_x2[2]{}, m_y1[2]{}, m_y2[2]{};
};
