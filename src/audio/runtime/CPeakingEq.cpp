#include "CPeakingEq.h"

#include <algorithm>
#include <cmath>
#include <numbers>

CPeakingEq::CPeakingEq(int rate) : m_rate(rate)
{
    SetParameters(BASS_FXPARAMEQ{100.0f, 18.0f, 0.0f});
}

bool CPeakingEq::SetParameters(const BASS_FXPARAMEQ &parameters)
{
    if (std::isnan(parameters.fCenter) || std::isnan(parameters.fBandwidth) || std::isnan(parameters.fGain))
        return false;
    // Above a third of the rate the bilinear warp squeezes the band into Nyquist.
    const float highest = static_cast<float>(m_rate) / 3.0f - 1.0f;
    m_parameters.fCenter = std::clamp(parameters.fCenter, 80.0f, std::min(16000.0f, highest));
    m_parameters.fBandwidth = std::clamp(parameters.fBandwidth, 1.0f, 36.0f);
    m_parameters.fGain = std::clamp(parameters.fGain, -15.0f, 15.0f);
    ComputeCoefficients();
    return true;
}

void CPeakingEq::ComputeCoefficients()
{
    m_flat = m_parameters.fGain == 0.0f;
    const double a = std::pow(10.0, m_parameters.fGain / 40.0);
    const double w0 = 2.0 * std::numbers::pi * m_parameters.fCenter / m_rate;
    const double octaves = m_parameters.fBandwidth / 12.0;
    const double alpha = std::sin(w0) * std::sinh(std::numbers::ln2 / 2.0 * octaves * w0 / std::sin(w0));
    const double a0 = 1.0 + alpha / a;
    m_b0 = (1.0 + alpha * a) / a0;
    m_b1 = -2.0 * std::cos(w0) / a0;
    m_b2 = (1.0 - alpha * a) / a0;
    m_a1 = m_b1;
    m_a2 = (1.0 - alpha / a) / a0;
}

void CPeakingEq::Process(float *frames, int count)
{
    if (m_flat) {
        Reset();
        return;
    }
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < 2; ++c) {
            const double x = frames[i * 2 + c];
            const double y = m_b0 * x + m_b1 * m_x1[c] + m_b2 * m_x2[c] - m_a1 * m_y1[c] - m_a2 * m_y2[c];
            m_x2[c] = m_x1[c];
            m_x1[c] = x;
            m_y2[c] = m_y1[c];
            m_y1[c] = y;
            frames[i * 2 + c] = static_cast<float>(y);
        }
    }
}

void CPeakingEq::Reset()
{
    for (int c = 0; c < 2; ++c)
        m_x1[c] = m_x2[c] = m_y1[c] = m_y2[c] = 0.0;
}
