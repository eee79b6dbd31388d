#include "lists/CLevelEnvelope.h"

#include <algorithm>
#include <cmath>

CLevelEnvelope::CLevelEnvelope(int sampleRate, int channels, int windowMs)
    : m_nChannels(std::max(channels, 1)), m_nWindowMs(std::max(windowMs, 1)),
      m_nSamplesPerWindow(
          std::max<size_t>(static_cast<size_t>(static_cast<long long>(sampleRate) * m_nWindowMs / 1000) *
                               static_cast<size_t>(m_nChannels),
                           static_cast<size_t>(m_nChannels)))
{
}

CLevelEnvelope::CLevelEnvelope(int windowMs, std::vector<float> peaks, std::vector<float> rms)
    : m_nChannels(1), m_nWindowMs(std::max(windowMs, 1)), m_nSamplesPerWindow(1), m_peaks(std::move(peaks)),
      m_rms(std::move(rms))
{
    m_rms.resize(m_peaks.size());
}

void CLevelEnvelope::Feed(const float *samples, size_t frames)
{
    const size_t count = frames * static_cast<size_t>(m_nChannels);
    for (size_t i = 0; i < count; ++i) {
        const float sample = samples[i];
        m_fPeak = std::max(m_fPeak, std::fabs(sample));
        m_dSquares += static_cast<double>(sample) * sample;
        if (++m_nSamplesInWindow == m_nSamplesPerWindow)
            CloseWindow();
    }
}

void CLevelEnvelope::Finish()
{
    if (m_nSamplesInWindow > 0)
        CloseWindow();
}

void CLevelEnvelope::CloseWindow()
{
    m_peaks.push_back(m_fPeak);
    m_rms.push_back(static_cast<float>(std::sqrt(m_dSquares / static_cast<double>(m_nSamplesInWindow))));
    m_fPeak = 0.0F;
    m_dSquares = 0.0;
    m_nSamplesInWindow = 0;
}
