#include "CReverb.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

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
// Four floats handled as one by the compiler's vector extension.
constexpr int kLanes = 4;
using Lanes = float __attribute__((vector_size(kLanes * sizeof(float))));

Lanes LoadLanes(const float *from)
{
    Lanes lanes;
    std::memcpy(&lanes, from, sizeof lanes);
    return lanes;
}

void StoreLanes(float *to, Lanes lanes)
{
    std::memcpy(to, &lanes, sizeof lanes);
}

// Four stereo frames as their left samples and their right samples.
std::pair<Lanes, Lanes> LoadFrames(const float *frames)
{
    const Lanes first = LoadLanes(frames);
    const Lanes second = LoadLanes(frames + kLanes);
    return {__builtin_shufflevector(first, second, 0, 2, 4, 6), __builtin_shufflevector(first, second, 1, 3, 5, 7)};
}

void StoreFrames(float *frames, Lanes left, Lanes right)
{
    StoreLanes(frames, __builtin_shufflevector(left, right, 0, 4, 1, 5));
    StoreLanes(frames + kLanes, __builtin_shufflevector(left, right, 2, 6, 3, 7));
}

// Rows become columns: four samples of four lines become four frames of them.
using Quad = std::array<Lanes, kLanes>;
Quad Transpose(const Quad &rows)
{
    const Lanes low01 = __builtin_shufflevector(rows[0], rows[1], 0, 4, 1, 5);
    const Lanes high01 = __builtin_shufflevector(rows[0], rows[1], 2, 6, 3, 7);
    const Lanes low23 = __builtin_shufflevector(rows[2], rows[3], 0, 4, 1, 5);
    const Lanes high23 = __builtin_shufflevector(rows[2], rows[3], 2, 6, 3, 7);
    return {__builtin_shufflevector(low01, low23, 0, 1, 4, 5), __builtin_shufflevector(low01, low23, 2, 3, 6, 7),
            __builtin_shufflevector(high01, high23, 0, 1, 4, 5), __builtin_shufflevector(high01, high23, 2, 3, 6, 7)};
}
} // namespace

struct CReverb::SStretch {
    static_assert(kCombs % kLanes == 0);
    static constexpr int kCombGroups = kCombs / kLanes;
    std::array<float *, kCombs> combs;
    std::array<float *, kAllPasses> allPasses;
    std::array<Lanes, kCombGroups> feedback, damp, keep, store; // four combs to a vector
};

CReverb::CReverb(int rate) : m_rate(rate)
{
    const double scale = rate / 44100.0;
    for (int s = 0; s < 2; ++s) {
        SSide &side = m_sides[s];
        for (int i = 0; i < kCombs; ++i)
            side.combs[i].buffer.assign(static_cast<size_t>((kCombLengths[i] + s * kStereoSpread) * scale) + 1, 0.0f);
        for (int i = 0; i < kAllPasses; ++i)
            side.allPasses[i].buffer.assign(static_cast<size_t>((kAllPassLengths[i] + s * kStereoSpread) * scale) + 1,
                                            0.0f);
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
    for (SSide &side : m_sides) {
        for (int c = 0; c < kCombs; ++c) {
            const double length = static_cast<double>(side.combs[c].buffer.size());
            // Loop gain for a 60 dB decay over the reverb time, and over time x ratio at the top.
            const double low = std::pow(10.0, -3.0 * length / (m_rate * seconds));
            const double high = std::pow(10.0, -3.0 * length / (m_rate * seconds * m_parameters.fHighFreqRTRatio));
            const double ratio = high / low;
            side.feedback[c] = static_cast<float>(low);
            side.damp[c] = static_cast<float>((1.0 - ratio) / (1.0 + ratio));
            side.keep[c] = 1.0f - side.damp[c];
        }
    }
}

int CReverb::FramesBeforeWrap(const SSide &side, int count)
{
    for (const SLine &line : side.combs)
        count = std::min(count, static_cast<int>(line.buffer.size() - line.index));
    for (const SLine &line : side.allPasses)
        count = std::min(count, static_cast<int>(line.buffer.size() - line.index));
    return count;
}

CReverb::SStretch CReverb::StretchOf(SSide &side)
{
    SStretch stretch{};
    for (int c = 0; c < kCombs; ++c)
        stretch.combs[c] = side.combs[c].buffer.data() + side.combs[c].index;
    for (int p = 0; p < kAllPasses; ++p)
        stretch.allPasses[p] = side.allPasses[p].buffer.data() + side.allPasses[p].index;
    for (int g = 0; g < SStretch::kCombGroups; ++g) {
        stretch.feedback[g] = LoadLanes(&side.feedback[g * kLanes]);
        stretch.damp[g] = LoadLanes(&side.damp[g * kLanes]);
        stretch.keep[g] = LoadLanes(&side.keep[g * kLanes]);
        stretch.store[g] = LoadLanes(&side.store[g * kLanes]);
    }
    return stretch;
}

void CReverb::Advance(SSide &side, const SStretch &stretch, int frames)
{
    for (int g = 0; g < SStretch::kCombGroups; ++g)
        StoreLanes(&side.store[g * kLanes], stretch.store[g]);
    const auto advance = [frames](SLine &line) {
        line.index += static_cast<size_t>(frames);
        if (line.index == line.buffer.size())
            line.index = 0;
    };
    std::for_each(side.combs.begin(), side.combs.end(), advance);
    std::for_each(side.allPasses.begin(), side.allPasses.end(), advance);
}

void CReverb::RunFourFrames(SStretch &stretch, int at, const float *input, float *wet)
{
    // Every comb puts out its oldest sample, so the sum over combs, in their order, needs
    // none of this step's filtering.
    Lanes out{};
#pragma GCC unroll 2
    for (int g = 0; g < SStretch::kCombGroups; ++g) {
        float *const *comb = &stretch.combs[static_cast<size_t>(g) * kLanes];
        Quad rows{};
#pragma GCC unroll 4
        for (int l = 0; l < kLanes; ++l) {
            rows[l] = LoadLanes(comb[l] + at);
            out += rows[l];
        }
        const Quad delayed = Transpose(rows); // frame by frame, a comb to a lane
        const Lanes keep = stretch.keep[g];
        const Lanes damp = stretch.damp[g];
        const Lanes feedback = stretch.feedback[g];
        Lanes store = stretch.store[g];
        Quad written{};
#pragma GCC unroll 4
        for (int f = 0; f < kLanes; ++f) {
            store = delayed[f] * keep + store * damp;
            written[f] = input[f] + store * feedback;
        }
        stretch.store[g] = store;
        rows = Transpose(written);
#pragma GCC unroll 4
        for (int l = 0; l < kLanes; ++l)
            StoreLanes(comb[l] + at, rows[l]);
    }
    for (float *line : stretch.allPasses) {
        const Lanes passed = LoadLanes(line + at);
        StoreLanes(line + at, out + passed * kAllPassFeedback);
        out = passed - out;
    }
    StoreLanes(wet, out);
}

void CReverb::RunOneFrame(SStretch &stretch, int at, float input, float &wet)
{
    float out = 0.0f;
    for (int g = 0; g < SStretch::kCombGroups; ++g) {
        float *const *comb = &stretch.combs[static_cast<size_t>(g) * kLanes];
        const Lanes delayed = {comb[0][at], comb[1][at], comb[2][at], comb[3][at]};
        stretch.store[g] = delayed * stretch.keep[g] + stretch.store[g] * stretch.damp[g];
        const Lanes written = input + stretch.store[g] * stretch.feedback[g];
        for (int l = 0; l < kLanes; ++l) {
            comb[l][at] = written[l];
            out += delayed[l];
        }
    }
    for (float *line : stretch.allPasses) {
        const float passed = line[at];
        line[at] = out + passed * kAllPassFeedback;
        out = passed - out;
    }
    wet = out;
}

void CReverb::RunSide(SSide &side, const float *input, float *wet, int count)
{
    // Every line reads and rewrites the same slot once per frame, so between wraps the
    // lines are plain arrays and several frames can go through a stage at once.
    for (int done = 0; done < count;) {
        const int frames = FramesBeforeWrap(side, count - done);
        SStretch stretch = StretchOf(side);
        int at = 0;
        for (; at + kLanes <= frames; at += kLanes)
            RunFourFrames(stretch, at, input + done + at, wet + done + at);
        for (; at < frames; ++at)
            RunOneFrame(stretch, at, input[done + at], wet[done + at]);
        Advance(side, stretch, frames);
        done += frames;
    }
}

void CReverb::ProcessBlock(float *frames, int count)
{
    std::array<float, kBlockFrames> input;
    std::array<float, kBlockFrames> left;
    std::array<float, kBlockFrames> right;
    int i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        const auto [dryLeft, dryRight] = LoadFrames(frames + i * 2);
        StoreLanes(&input[i], (dryLeft + dryRight) * m_inGain * kCombInputScale);
    }
    for (; i < count; ++i)
        input[i] = (frames[i * 2] + frames[i * 2 + 1]) * m_inGain * kCombInputScale;
    RunSide(m_sides[0], input.data(), left.data(), count);
    RunSide(m_sides[1], input.data(), right.data(), count);
    for (i = 0; i + kLanes <= count; i += kLanes) {
        const auto [dryLeft, dryRight] = LoadFrames(frames + i * 2);
        StoreFrames(frames + i * 2, dryLeft * m_dry + LoadLanes(&left[i]) * m_wet * kWetScale,
                    dryRight * m_dry + LoadLanes(&right[i]) * m_wet * kWetScale);
    }
    for (; i < count; ++i) {
        frames[i * 2] = frames[i * 2] * m_dry + left[i] * m_wet * kWetScale;
        frames[i * 2 + 1] = frames[i * 2 + 1] * m_dry + right[i] * m_wet * kWetScale;
    }
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
    for (int done = 0; done < count; done += kBlockFrames)
        ProcessBlock(frames + static_cast<size_t>(done) * 2, std::min(kBlockFrames, count - done));
}

void CReverb::Reset()
{
    m_silent = true;
    for (SSide &side : m_sides) {
        for (SLine &line : side.combs)
            std::fill(line.buffer.begin(), line.buffer.end(), 0.0f);
        for (SLine &line : side.allPasses)
            std::fill(line.buffer.begin(), line.buffer.end(), 0.0f);
        side.store.fill(0.0f);
    }
}
