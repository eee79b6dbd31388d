// Measures an A-B loop on the sound itself: each output frame that is an unchanged copy
// of a source frame (three neighbouring noise samples are unique) is traced back to its
// place in the source; frames from outside [A, B) are overshoot, and a trace that jumps
// back starts a new pass. Shared by the loop tests and the loop benchmark.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

struct SLoopTrace {
    int64_t traced = 0;  // output frames traced back to the source
    int64_t outside = 0; // of them, frames from outside [A, B)
    int passes = 0;      // jumps back to the loop's start
    int64_t lowest = -1; // lowest and highest source frame heard
    int64_t highest = -1;
    std::vector<int64_t> passStarts; // output frame of each jump back
};

class CLoopTracer
{
public:
    // source: interleaved stereo frames of the file as decoded; the left side is traced.
    explicit CLoopTracer(const std::vector<float> &source) : m_source(source)
    {
        for (size_t frame = 2; frame < source.size() / 2; ++frame)
            m_places.emplace(Key(source[(frame - 1) * 2], source[frame * 2]), static_cast<int64_t>(frame));
    }

    // Frames that cannot be traced (crossfades) still count as outside when they are
    // louder than anything inside the loop: sound from a louder part is mixed in.
    SLoopTrace Trace(const std::vector<float> &output, int64_t loopStart, int64_t loopEnd) const
    {
        SLoopTrace trace;
        const float loudest = Loudest(loopStart, loopEnd);
        int64_t previous = -1;
        for (size_t frame = 2; frame < output.size() / 2; ++frame) {
            const int64_t place = Place(output, frame);
            if (place < 0) {
                trace.outside += std::fabs(output[frame * 2]) > loudest;
                continue;
            }
            ++trace.traced;
            trace.outside += place < loopStart || place >= loopEnd;
            trace.lowest = trace.lowest < 0 ? place : std::min(trace.lowest, place);
            trace.highest = std::max(trace.highest, place);
            // A jump back by more than a stretcher's reach is a new pass, unless it follows
            // the last one closely: a stretcher may replay a few milliseconds about a seam.
            const int64_t half = (loopEnd - loopStart) / 2;
            const bool soonAfterPass =
                !trace.passStarts.empty() && static_cast<int64_t>(frame) - trace.passStarts.back() < half;
            if (previous >= 0 && place < previous - half && !soonAfterPass) {
                ++trace.passes;
                trace.passStarts.push_back(static_cast<int64_t>(frame));
            }
            previous = place;
        }
        return trace;
    }

private:
    float Loudest(int64_t first, int64_t last) const
    {
        float loudest = 0;
        for (int64_t frame = std::max<int64_t>(first, 0); frame < last && frame * 2 < std::ssize(m_source); ++frame)
            loudest = std::max(loudest, std::fabs(m_source[static_cast<size_t>(frame) * 2]));
        return loudest;
    }

    // Where three neighbouring frames ending at frame come from, or -1.
    int64_t Place(const std::vector<float> &output, size_t frame) const
    {
        const auto [first, last] = m_places.equal_range(Key(output[(frame - 1) * 2], output[frame * 2]));
        for (auto candidate = first; candidate != last; ++candidate)
            if (m_source[static_cast<size_t>(candidate->second - 2) * 2] == output[(frame - 2) * 2])
                return candidate->second;
        return -1;
    }

    static uint64_t Key(float first, float second)
    {
        uint32_t a = 0, b = 0;
        std::memcpy(&a, &first, sizeof a);
        std::memcpy(&b, &second, sizeof b);
        return (static_cast<uint64_t>(a) << 32) | b;
    }

    std::vector<float> m_source;
    std::unordered_multimap<uint64_t, int64_t> m_places;
};

// The largest step between neighbouring left samples of interleaved stereo frames.
inline double LargestStep(const std::vector<float> &frames)
{
    double largest = 0;
    for (size_t i = 1; i < frames.size() / 2; ++i)
        largest = std::max(largest, std::fabs(static_cast<double>(frames[i * 2]) - frames[(i - 1) * 2]));
    return largest;
}
