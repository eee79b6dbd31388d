#include "lists/CPauseFinder.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr double kNoisePercentile = 0.10;
constexpr double kSpeechPercentile = 0.90;
constexpr float kThresholdShare = 0.30F;
constexpr float kLeastSpreadDb = 6.0F;
constexpr float kSilenceDb = -120.0F;
constexpr int kDeepestSpanMs = 100;

// Windows [m_nBegin, m_nEnd) of speech.
struct CRun {
    int m_nBegin;
    int m_nEnd;
    int Length() const { return m_nEnd - m_nBegin; }
};

// The settings counted in windows.
struct CWindowSettings {
    int m_nMinPause;
    int m_nShortest;
    int m_nLongest;
    int m_nLeadIn;
    int m_nTail;
    int m_nDeepestSpan;
};

int Windows(int ms, int windowMs)
{
    return std::max(0, (ms + windowMs / 2) / windowMs);
}

CWindowSettings InWindows(const CPauseSettings &settings, int windowMs)
{
    return {std::max(1, Windows(settings.m_nMinPauseMs, windowMs)),
            Windows(settings.m_nShortestStretchMs, windowMs),
            std::max(1, Windows(settings.m_nLongestStretchMs, windowMs)),
            Windows(settings.m_nLeadInMs, windowMs),
            Windows(settings.m_nTailMs, windowMs),
            std::max(1, Windows(kDeepestSpanMs, windowMs))};
}

std::vector<float> LevelsDb(const CLevelEnvelope &envelope)
{
    std::vector<float> levels(static_cast<size_t>(envelope.WindowCount()));
    for (int i = 0; i < envelope.WindowCount(); ++i) {
        const float rms = envelope.RmsAt(i);
        levels[static_cast<size_t>(i)] = rms > 0.0F ? std::max(kSilenceDb, 20.0F * std::log10(rms)) : kSilenceDb;
    }
    return levels;
}

float Percentile(std::vector<float> levels, double share)
{
    const auto at = levels.begin() + static_cast<std::ptrdiff_t>(share * static_cast<double>(levels.size() - 1));
    std::nth_element(levels.begin(), at, levels.end());
    return *at;
}

// The level below which a window is low; none when the recording has no
// clear difference between its quiet and its loud parts.
bool LowThreshold(const std::vector<float> &levels, float &threshold)
{
    const float noise = Percentile(levels, kNoisePercentile);
    const float speech = Percentile(levels, kSpeechPercentile);
    threshold = noise + kThresholdShare * (speech - noise);
    return speech - noise >= kLeastSpreadDb;
}

// The runs between pauses: low runs at least minPause long.
std::vector<CRun> SpeechRuns(const std::vector<float> &levels, float threshold, int minPause)
{
    std::vector<CRun> runs;
    const int count = static_cast<int>(levels.size());
    int speechBegin = 0;
    int i = 0;
    while (i < count) {
        if (levels[static_cast<size_t>(i)] >= threshold) {
            ++i;
            continue;
        }
        const int lowBegin = i;
        while (i < count && levels[static_cast<size_t>(i)] < threshold)
            ++i;
        if (i - lowBegin < minPause)
            continue;
        if (lowBegin > speechBegin)
            runs.push_back({speechBegin, lowBegin});
        speechBegin = i;
    }
    if (count > speechBegin)
        runs.push_back({speechBegin, count});
    return runs;
}

size_t ShortestShortRun(const std::vector<CRun> &runs, int shortest)
{
    size_t found = runs.size();
    for (size_t i = 0; i < runs.size(); ++i)
        if (runs[i].Length() < shortest && (found == runs.size() || runs[i].Length() < runs[found].Length()))
            found = i;
    return found;
}

void JoinShortRuns(std::vector<CRun> &runs, int shortest)
{
    while (runs.size() > 1) {
        const size_t i = ShortestShortRun(runs, shortest);
        if (i == runs.size())
            return;
        const auto pauseBefore = [&](size_t k) { return runs[k].m_nBegin - runs[k - 1].m_nEnd; };
        const bool joinEarlier = i + 1 == runs.size() || (i > 0 && pauseBefore(i) <= pauseBefore(i + 1));
        const size_t first = joinEarlier ? i - 1 : i;
        runs[first].m_nEnd = runs[first + 1].m_nEnd;
        runs.erase(runs.begin() + static_cast<std::ptrdiff_t>(first) + 1);
    }
}

// Where the deepest span of a run may start: leaving both parts at least the
// shortest stretch when the run is long enough, else anywhere inside it.
std::pair<int, int> CutRange(const CRun &run, int span, int shortest)
{
    const int first = run.m_nBegin + shortest;
    const int last = run.m_nEnd - shortest - span;
    if (first <= last)
        return {first, last};
    return {run.m_nBegin + 1, std::max(run.m_nBegin + 1, run.m_nEnd - span - 1)};
}

CRun DeepestRun(const CRun &run, const std::vector<float> &levels, int span, int shortest)
{
    const auto level = [&](int i) { return levels[static_cast<size_t>(i)]; };
    const auto [first, last] = CutRange(run, span, shortest);
    int deepest = first;
    double lowestSum = 0.0;
    for (int begin = first; begin <= last; ++begin) {
        double sum = 0.0;
        for (int i = begin; i < begin + span; ++i)
            sum += level(i);
        if (begin == first || sum < lowestSum) {
            lowestSum = sum;
            deepest = begin;
        }
    }
    const float loudest = *std::max_element(levels.begin() + deepest, levels.begin() + deepest + span);
    CRun cut{deepest, deepest + span};
    while (cut.m_nBegin > first && level(cut.m_nBegin - 1) <= loudest)
        --cut.m_nBegin;
    while (cut.m_nEnd < last + span && level(cut.m_nEnd) <= loudest)
        ++cut.m_nEnd;
    return cut;
}

void CutLongRun(const CRun &run, const std::vector<float> &levels, const CWindowSettings &settings,
                std::vector<CRun> &out)
{
    if (run.Length() <= settings.m_nLongest || run.Length() < settings.m_nDeepestSpan + 2) {
        out.push_back(run);
        return;
    }
    const CRun cut = DeepestRun(run, levels, settings.m_nDeepestSpan, settings.m_nShortest);
    CutLongRun({run.m_nBegin, cut.m_nBegin}, levels, settings, out);
    CutLongRun({cut.m_nEnd, run.m_nEnd}, levels, settings, out);
}

std::vector<CFoundStretch> StretchesOf(const std::vector<CRun> &runs, int windowCount, const CWindowSettings &settings,
                                       int windowMs)
{
    std::vector<CFoundStretch> stretches;
    stretches.reserve(runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        const int earliest = i == 0 ? 0 : runs[i - 1].m_nEnd;
        const int begin = std::max(earliest, runs[i].m_nBegin - settings.m_nLeadIn);
        const int latest =
            i + 1 == runs.size() ? windowCount : std::max(runs[i].m_nEnd, runs[i + 1].m_nBegin - settings.m_nLeadIn);
        const int end = std::min(latest, runs[i].m_nEnd + settings.m_nTail);
        stretches.push_back({begin * windowMs, end * windowMs});
    }
    return stretches;
}

} // namespace

CPauseFinder::CPauseFinder(const CPauseSettings &settings) : m_settings(settings) {}

std::vector<CFoundStretch> CPauseFinder::Find(const CLevelEnvelope &envelope) const
{
    if (envelope.WindowCount() == 0)
        return {};
    const CWindowSettings settings = InWindows(m_settings, envelope.WindowMs());
    const std::vector<float> levels = LevelsDb(envelope);
    float threshold = 0.0F;
    std::vector<CRun> runs = LowThreshold(levels, threshold) ? SpeechRuns(levels, threshold, settings.m_nMinPause)
                                                             : std::vector<CRun>{{0, envelope.WindowCount()}};
    JoinShortRuns(runs, settings.m_nShortest);
    std::vector<CRun> cut;
    for (const CRun &run : runs)
        CutLongRun(run, levels, settings, cut);
    return StretchesOf(cut, envelope.WindowCount(), settings, envelope.WindowMs());
}
