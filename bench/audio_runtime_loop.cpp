// The A-B loop, 2.000 s to 3.000 s, held two ways side by side: by the channel itself
// (exact) and by a 100 ms timer that seeks back once the position is past the end (the
// control bar's way without it). Counters: frames heard from outside the loop over eleven
// passes (overshoot_frames, and overshoot_ms per pass), and the largest step between two
// output samples of a 440.5 Hz tone against the tone's own (click_ratio; above 1 is a
// click). The time is the rendering of the eleven passes.
// BM_JumpClick measures the same click_ratio on the tone at the other jumps: a seek, the
// playing item freed and another started (at once, or a block later as a slow open
// would), and a tempo or rate change while playing. A lower rate lowers the tone's own
// steps too: there a ratio below 1 is no click.
#include "CMixer.h"
#include "CSoundTouchStretch.h"
#include "LoopMeasure.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace
{
constexpr int kRate = 44100;
constexpr int kBlock = 1024;
constexpr int64_t kA = 2 * kRate;
constexpr int64_t kB = 3 * kRate;
constexpr int64_t kLength = 5 * kRate;
constexpr int kTimerFrames = kRate / 10;
constexpr int kPasses = 11;

// Five seconds of 16-bit mono in memory.
class CMemorySource : public CSource
{
public:
    explicit CMemorySource(std::vector<float> frames) : m_frames(std::move(frames)) {}
    int Read(float *out, int frames) override
    {
        const int count = static_cast<int>(std::min<int64_t>(frames, LengthFrames() - m_next));
        std::copy_n(m_frames.begin() + m_next * 2, count * 2, out);
        m_next += count;
        return count;
    }
    bool Seek(int64_t frame) override
    {
        if (frame > LengthFrames())
            return false;
        m_next = frame;
        return true;
    }
    int64_t LengthFrames() const override { return static_cast<int64_t>(m_frames.size() / 2); }
    int Rate() const override { return kRate; }
    int FileChannels() const override { return 1; }

private:
    std::vector<float> m_frames;
    int64_t m_next = 0;
};

float Quantised(double value)
{
    return static_cast<float>(std::lround(value * 32767.0) / 32768.0);
}

// Noise that is 2.2 times as loud outside the loop, so sound from there shows.
const std::vector<float> &Noise()
{
    static const std::vector<float> frames = [] {
        std::mt19937 random(7);
        std::uniform_real_distribution<double> uniform(-0.4, 0.4);
        std::vector<float> all(static_cast<size_t>(kLength) * 2);
        for (int64_t frame = 0; frame < kLength; ++frame) {
            const double gain = frame >= kA && frame < kB ? 1.0 : 2.2;
            all[frame * 2] = all[frame * 2 + 1] = Quantised(uniform(random) * gain);
        }
        return all;
    }();
    return frames;
}

// Half a cycle more in every second: at the seam the tone meets itself in opposite phase.
const std::vector<float> &Tone()
{
    static const std::vector<float> frames = [] {
        std::vector<float> all(static_cast<size_t>(kLength) * 2);
        for (int64_t frame = 0; frame < kLength; ++frame)
            all[frame * 2] = all[frame * 2 + 1] =
                Quantised(0.5 * std::sin(2.0 * M_PI * 440.5 * static_cast<double>(frame) / kRate));
        return all;
    }();
    return frames;
}

std::vector<float> PlayLoop(const std::vector<float> &source, bool exact, float tempo)
{
    CMixer mixer(kRate);
    const DWORD decoding = mixer.AddChannel(std::make_unique<CChannel>(
        std::make_unique<CMemorySource>(source), CChannel::EKind::Stream, BASS_STREAM_DECODE, kRate));
    const DWORD channel = mixer.WrapWithStretch(decoding, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
    mixer.SetTempo(channel, tempo, 0.0f, 0.0f);
    mixer.SetPosition(channel, static_cast<QWORD>(kA) * 2);
    if (exact)
        mixer.SetLoop(channel, static_cast<QWORD>(kA) * 2, static_cast<QWORD>(kB) * 2, 0);
    mixer.Play(channel, false);
    const int frames = static_cast<int>(kPasses * kRate / (1.0 + tempo / 100.0)) / kBlock * kBlock;
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    CMixer::SEndEvent ends[4];
    for (int done = 0; done < frames; done += kBlock) {
        if (!exact && done / kTimerFrames != (done + kBlock) / kTimerFrames &&
            mixer.GetPosition(channel) / 2 > static_cast<QWORD>(kB))
            mixer.SetPosition(channel, static_cast<QWORD>(kA) * 2);
        mixer.DecodeAll();
        mixer.Process(out.data() + static_cast<size_t>(done) * 2, kBlock, 0, ends, 4);
    }
    return out;
}

void BM_LoopSeam(benchmark::State &state, bool exact, float tempo)
{
    static const CLoopTracer tracer(Noise());
    SLoopTrace trace;
    for (auto _ : state)
        trace = tracer.Trace(PlayLoop(Noise(), exact, tempo), kA, kB);
    const double toneStep = LargestStep(Tone());
    const double heardStep = LargestStep(PlayLoop(Tone(), exact, tempo));
    state.counters["passes"] = trace.passes;
    state.counters["overshoot_frames"] = static_cast<double>(trace.outside);
    state.counters["overshoot_ms"] =
        trace.passes > 0 ? 1000.0 * static_cast<double>(trace.outside) / trace.passes / kRate : 0.0;
    state.counters["click_ratio"] = heardStep / toneStep;
}
enum class EJump { Seek, ItemChange, SlowItemChange, Tempo, Rate, RateWhileStretched };

// The tone in a tempo channel, as the engine opens every file.
DWORD OpenTone(CMixer &mixer)
{
    const DWORD decoding = mixer.AddChannel(std::make_unique<CChannel>(
        std::make_unique<CMemorySource>(Tone()), CChannel::EKind::Stream, BASS_STREAM_DECODE, kRate));
    return mixer.WrapWithStretch(decoding, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
}

void RenderBlocks(CMixer &mixer, std::vector<float> &out, int blocks)
{
    CMixer::SEndEvent ends[4];
    for (int i = 0; i < blocks; ++i) {
        const size_t done = out.size();
        out.resize(done + kBlock * 2);
        mixer.DecodeAll();
        mixer.Process(out.data() + done, kBlock, 0, ends, 4);
    }
}

// Plays the tone from 0.5 s, jumps after eight blocks and plays sixteen more. Seeks and
// new items land one second on, where the tone has the opposite phase.
std::vector<float> PlayJump(EJump jump)
{
    CMixer mixer(kRate);
    DWORD channel = OpenTone(mixer);
    if (jump == EJump::Tempo)
        mixer.SetTempo(channel, -30.0f, 0.0f, 0.0f);
    if (jump == EJump::Rate || jump == EJump::RateWhileStretched)
        mixer.SetTempo(channel, jump == EJump::Rate ? 0.0f : -30.0f, kRate * 0.7f, 0.0f);
    mixer.SetPosition(channel, static_cast<QWORD>(kRate / 2) * 2);
    mixer.Play(channel, false);
    std::vector<float> out;
    RenderBlocks(mixer, out, 8);
    const QWORD target = mixer.GetPosition(channel) + static_cast<QWORD>(kRate) * 2;
    switch (jump) {
    case EJump::Seek: mixer.SetPosition(channel, target); break;
    case EJump::ItemChange:
    case EJump::SlowItemChange:
        mixer.Free(channel, CChannel::EKind::Stream);
        if (jump == EJump::SlowItemChange)
            RenderBlocks(mixer, out, 1);
        channel = OpenTone(mixer);
        mixer.SetPosition(channel, target);
        mixer.Play(channel, false);
        break;
    case EJump::Tempo: mixer.SetTempo(channel, -10.0f, 0.0f, 0.0f); break;
    case EJump::Rate: mixer.SetTempo(channel, 0.0f, kRate * 0.9f, 0.0f); break;
    case EJump::RateWhileStretched: mixer.SetTempo(channel, -30.0f, kRate * 0.9f, 0.0f); break;
    }
    RenderBlocks(mixer, out, 16);
    return out;
}

void BM_JumpClick(benchmark::State &state, EJump jump)
{
    std::vector<float> heard;
    for (auto _ : state)
        heard = PlayJump(jump);
    state.counters["click_ratio"] = LargestStep(heard) / LargestStep(Tone());
}
BENCHMARK_CAPTURE(BM_JumpClick, seek, EJump::Seek)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_JumpClick, item_change, EJump::ItemChange)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_JumpClick, item_change_slow_open, EJump::SlowItemChange)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_JumpClick, tempo_minus30_to_minus10, EJump::Tempo)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_JumpClick, rate_0_7_to_0_9, EJump::Rate)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_JumpClick, rate_0_7_to_0_9_tempo_minus30, EJump::RateWhileStretched)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_CAPTURE(BM_LoopSeam, timer, false, 0.0f)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LoopSeam, exact, true, 0.0f)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LoopSeam, timer_tempo_minus30, false, -30.0f)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_LoopSeam, exact_tempo_minus30, true, -30.0f)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace
