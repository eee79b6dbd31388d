#include "CReverb.h"

#include <algorithm>
#include <cmath>

namespace
{
// Comb and all-pass lengths in samples at 44.1 kHz; the right side is spread a little.
constexpr int kCombLengths[] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllPassLengths[] = {556, 441, 341, 225};
constexpr int kStereoSpread = 23;
constexpr float kAllPassFeedback = 0.5f;
constexpr float kCombInputScale = 0.015f; // keeps eight summed combs near unity
constexpr float kWetScale = 3.0f;
constexpr float kSilentDb = -96.0f;
} // namespace

CReverb::CReverb(int rate) : m_rate(rate)
{
    const double scale = rate / 44100.0;
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < kCombs; ++i)
            m_combs[side][i].buffer.assign(static_cast<size_t>((kCombLengths[i] + side * kStereoSpread) * scale) + 1,
                                           0.0f);
        for (int i = 0; i < kAllPasses; ++i)
            m_allPasses[side][i].buffer.assign(
                static_cast<size_t>((kAllPassLengths[i] + side * kStereoSpread) * scale) + 1, 0.0f);
    }
    SetParameters(BASS_FXREVERB{0.0f, 0.0f, 1000.0f, 0.001f});
}

bool CReverb::SetParameters(const BASS_FXREVERB &parameters)
{
    if (std::isnan(parameters.fInGain) || std::isnan(parameters.fReverbMix) || std::isnan(parameters.fReverbTime) ||
        std::isnan(parameters.fHighFreqRTRatio))
        return false;
    m_parameters.fInGain = std::clamp(parameters.fInGain, kSilentDb, 0.0f);
    m_parameters.fReverbMix = std::clamp(parameters.fReverbMix, kSilentDb, 0.0f);
    m_parameters.fReverbTime = std::clamp(parameters.fReverbTime, 0.001f, 3000.0f);
    m_parameters.fHighFreqRTRatio = std::clamp(parameters.fHighFreqRTRatio, 0.001f, 0.999f);
    UpdateGains();
    return true;
}

void CReverb::UpdateGains()
{
    m_inGain = std::pow(10.0f, m_parameters.fInGain / 20.0f);
    // The mix is the wet level; the dry level keeps the power of the sum.
    m_bypass = m_parameters.fReverbMix <= kSilentDb;
    m_wet = std::pow(10.0f, m_parameters.fReverbMix / 20.0f);
    m_dry = std::sqrt(std::max(0.0f, 1.0f - m_wet * m_wet));
    const double seconds = m_parameters.fReverbTime / 1000.0;
    for (auto &side : m_combs) {
        for (SComb &comb : side) {
            const double length = static_cast<double>(comb.buffer.size());
            // Loop gain for a 60 dB decay over the reverb time, and over time x ratio at the top.
            const double low = std::pow(10.0, -3.0 * length / (m_rate * seconds));
            const double high = std::pow(10.0, -3.0 * length / (m_rate * seconds * m_parameters.fHighFreqRTRatio));
            const double ratio = high / low;
            comb.feedback = static_cast<float>(low);
            comb.damp = static_cast<float>((1.0 - ratio) / (1.0 + ratio));
        }
    }
}

float CReverb::Run(int side, float input)
{
    float out = 0.0f;
    for (SComb &comb : m_combs[side]) {
        const float delayed = comb.buffer[comb.index];
        comb.store = delayed * (1.0f - comb.damp) + comb.store * comb.damp;
        comb.buffer[comb.index] = input + comb.store * comb.feedback;
        comb.index = (comb.index + 1) % comb.buffer.size();
        out += delayed;
    }
    for (SAllPass &pass : m_allPasses[side]) {
        const float delayed = pass.buffer[pass.index];
        pass.buffer[pass.index] = out + delayed * kAllPassFeedback;
        pass.index = (pass.index + 1) % pass.buffer.size();
        out = delayed - out;
    }
    return out;
}

void CReverb::Process(float *frames, int count)
{
    if (m_bypass) {
        // Fully dry: the network is silent and costs nothing until the mix comes up.
        if (!m_silent)
            Reset();
        return;
    }
    m_silent = false;
    for (int i = 0; i < count; ++i) {
        const float left = frames[i * 2];
        const float right = frames[i * 2 + 1];
        const float input = (left + right) * m_inGain * kCombInputScale;
        frames[i * 2] = left * m_dry + Run(0, input) * m_wet * kWetScale;
        frames[i * 2 + 1] = right * m_dry + Run(1, input) * m_wet * kWetScale;
    }
}

void CReverb::Reset()
{
    m_silent = true;
    for (auto &side : m_combs)
        for (SComb &comb : side) {
            std::fill(comb.buffer.begin(), comb.buffer.end(), 0.0f);
            comb.store = 0.0f;
        }
    for (auto &side : m_allPasses)
        for (SAllPass &pass : side)
            std::fill(pass.buffer.begin(), pass.buffer.end(), 0.0f);
}
