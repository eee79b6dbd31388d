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
    const double b0 = (1.0 + alpha * a) / a0;
    const double b1 = -2.0 * std::cos(w0) / a0;
    const double b2 = (1.0 - alpha * a) / a0;
    const double a2 = (1.0 - alpha / a) / a0;
    m_filter.b0 = Pair{b0, b0};
    m_filter.b1 = Pair{b1, b1};
    m_filter.b2 = Pair{b2, b2};
    m_filter.a1 = m_filter.b1;
    m_filter.a2 = Pair{a2, a2};
}

CPeakingEq::Pair CPeakingEq::SBiquad::Step(Pair x)
{
    const Pair y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
}

void CPeakingEq::Process(float *frames, int count)
{
    if (m_flat) {
        Reset();
        return;
    }
    SBiquad filter = m_filter; // a local copy keeps the history in registers
    for (int i = 0; i < count; ++i) {
        const Pair y = filter.Step(Pair{frames[i * 2], frames[i * 2 + 1]});
        frames[i * 2] = static_cast<float>(y[0]);
        frames[i * 2 + 1] = static_cast<float>(y[1]);
    }
    m_filter = filter;
}

void CPeakingEq::Reset()
{
    m_filter.x1 = m_filter.x2 = m_filter.y1 = m_filter.y2 = Pair{};
}
