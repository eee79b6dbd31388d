// The level of a recording over time: for each fixed window (10 ms unless
// told otherwise) the peak and the RMS of its samples, all channels together.
// Samples come in blocks of any size, interleaved, so an analysis pass can
// feed the envelope while it decodes; Finish takes in the last, partial
// window. Each window keeps two floats (linear, full scale 1.0): 8 bytes, so
// an hour at 10 ms windows takes under 3 MB.
#pragma once

#include <cstddef>
#include <vector>

class CLevelEnvelope
{
public:
    static constexpr int kDefaultWindowMs = 10;

    CLevelEnvelope(int sampleRate, int channels, int windowMs = kDefaultWindowMs);
    // An envelope measured before (as kept in a cache): its windows as they were.
    CLevelEnvelope(int windowMs, std::vector<float> peaks, std::vector<float> rms);

    // frames × channels interleaved samples.
    void Feed(const float *samples, size_t frames);
    // Closes a window left partly filled; further samples start a new one.
    void Finish();

    int WindowCount() const { return static_cast<int>(m_peaks.size()); }
    int WindowMs() const { return m_nWindowMs; }
    float PeakAt(int window) const { return m_peaks.at(static_cast<size_t>(window)); }
    float RmsAt(int window) const { return m_rms.at(static_cast<size_t>(window)); }
    const std::vector<float> &Peaks() const { return m_peaks; }
    const std::vector<float> &Rms() const { return m_rms; }

private:
    void CloseWindow();

    int m_nChannels;
    int m_nWindowMs;
    size_t m_nSamplesPerWindow; // samples of all channels together
    size_t m_nSamplesInWindow = 0;
    float m_fPeak = 0.0F;
    double m_dSquares = 0.0;
    std::vector<float> m_peaks;
    std::vector<float> m_rms;
};
