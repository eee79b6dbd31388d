// Measurements on interleaved stereo float frames used by the sound tests.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

// Root mean square of one side (0 left, 1 right) over frames [first, last).
inline double Rms(const std::vector<float> &frames, size_t first, size_t last, int side = 0)
{
    double sum = 0;
    for (size_t i = first; i < last; ++i)
        sum += static_cast<double>(frames[i * 2 + side]) * frames[i * 2 + side];
    return last > first ? std::sqrt(sum / static_cast<double>(last - first)) : 0.0;
}

inline double Decibels(double ratio)
{
    return 20.0 * std::log10(ratio);
}

// Frequency of one side over frames [first, last) from upward zero crossings.
inline double Frequency(const std::vector<float> &frames, size_t first, size_t last, int rate)
{
    size_t firstCross = 0, lastCross = 0;
    int crossings = 0;
    for (size_t i = first + 1; i < last; ++i) {
        if (frames[(i - 1) * 2] < 0.0f && frames[i * 2] >= 0.0f) {
            if (crossings == 0)
                firstCross = i;
            lastCross = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) * static_cast<double>(rate) / static_cast<double>(lastCross - firstCross);
}
