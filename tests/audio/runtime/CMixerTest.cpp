#include "CMixer.h"
#include "CFfmpegSource.h"
#include "CSoundTouchStretch.h"
#include "CTestMedia.h"
#include "DecodedMedia.h"
#include "LoopMeasure.h"
#include "RuntimeError.h"
#include "SignalMeasure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <future>
#include <limits>
#include <thread>
#include <vector>
#if defined(__SSE__)
#include <pmmintrin.h>
#endif

namespace
{
constexpr int kRate = 44100;
constexpr int kBlock = 1024;
constexpr int64_t kMaxFade = kRate / 200; // a jump's fade lasts no more than 5 ms

class CMixerTest : public testing::Test
{
protected:
    // The call failed and left that error code.
    static bool FailsWith(bool succeeded, int error) { return !succeeded && RuntimeError() == error; }
    static void CountEnd(HSYNC, DWORD, DWORD, void *user) { ++*static_cast<int *>(user); }

    DWORD Open(const std::string &name, DWORD flags = 0)
    {
        int error = 0;
        std::unique_ptr<CSource> source = CFfmpegSource::Open(CTestMedia::Path(name), error);
        EXPECT_NE(source, nullptr) << name;
        return Add(std::move(source), flags | BASS_SAMPLE_FX);
    }
    DWORD Add(std::unique_ptr<CSource> source, DWORD flags)
    {
        return m_mixer.AddChannel(std::make_unique<CChannel>(std::move(source), CChannel::EKind::Stream, flags, kRate));
    }

    DWORD OpenTempo(const std::string &name)
    {
        const DWORD source = Open(name, BASS_STREAM_DECODE);
        return m_mixer.WrapWithStretch(source, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
    }

    // Renders blocks until frames are out or the channel given has stopped; end events are kept.
    std::vector<float> Render(int frames, DWORD untilStopped = 0)
    {
        std::vector<float> out;
        std::vector<float> block(kBlock * 2);
        const auto playing = [&] { return !untilStopped || m_mixer.IsActive(untilStopped) == BASS_ACTIVE_PLAYING; };
        for (int done = 0; done < frames && playing(); done += kBlock) {
            CMixer::SEndEvent events[4];
            m_mixer.DecodeAll(); // what the decoding thread does ahead of the device
            const int count = m_mixer.Process(block.data(), kBlock, 0, events, 4);
            m_ends.insert(m_ends.end(), events, events + count);
            out.insert(out.end(), block.begin(), block.end());
        }
        return out;
    }

    // Seconds of sound, the silence after the end in the last block left out.
    static double SoundSeconds(std::vector<float> out)
    {
        while (out.size() >= 2 && out[out.size() - 1] == 0.0f && out[out.size() - 2] == 0.0f)
            out.resize(out.size() - 2);
        return static_cast<double>(out.size() / 2) / kRate;
    }

    // True when played is expected followed by silence only.
    static bool SameThenSilent(const std::vector<float> &played, const std::vector<float> &expected)
    {
        if (played.size() < expected.size())
            return false;
        const auto [left, right] = std::mismatch(expected.begin(), expected.end(), played.begin());
        if (left != expected.end()) {
            ADD_FAILURE() << "differs at sample " << (left - expected.begin()) << ": " << *left << " vs " << *right;
            return false;
        }
        return std::all_of(played.begin() + static_cast<std::ptrdiff_t>(expected.size()), played.end(),
                           [](float sample) { return sample == 0.0f; });
    }

    std::vector<float> RenderToEnd(DWORD channel) { return Render(60 * kRate, channel); }

    // Positions of the mono test files: two bytes a frame.
    static QWORD Bytes(int64_t frames) { return static_cast<QWORD>(frames) * 2; }
    // The frame within a cycle of the 440.5 Hz tone from near where it peaks upwards
    // (sign 1) or downwards (-1): a cut from one to the other is the loudest click.
    static int64_t PeakNear(const std::vector<float> &tone, int64_t near, float sign)
    {
        int64_t peak = near;
        for (int64_t frame = near; frame < near + kRate / 440; ++frame)
            if (sign * tone[static_cast<size_t>(frame) * 2] > sign * tone[static_cast<size_t>(peak) * 2])
                peak = frame;
        return peak;
    }
    // Plays the tone so that the next frame after blocks is an upward peak.
    DWORD PlayToneUpToAPeak(DWORD channel, const std::vector<float> &tone, int blocks, std::vector<float> &heard)
    {
        const int64_t peak = PeakNear(tone, kRate / 2 + blocks * kBlock, 1.0f);
        EXPECT_TRUE(m_mixer.SetPosition(channel, Bytes(peak - blocks * kBlock)));
        m_mixer.Play(channel, false);
        heard = Render(blocks * kBlock);
        return channel;
    }
    static void Append(std::vector<float> &to, const std::vector<float> &frames)
    {
        to.insert(to.end(), frames.begin(), frames.end());
    }
    // The frames after the fade are the tone's own from target on.
    static bool TargetAfterFade(const std::vector<float> &played, const std::vector<float> &tone, int64_t target)
    {
        return std::equal(played.begin() + kMaxFade * 2, played.end(), tone.begin() + (target + kMaxFade) * 2);
    }

    CMixer m_mixer{kRate};
    std::vector<CMixer::SEndEvent> m_ends;
};
} // namespace

// Paused and resumed block by block, a channel plays its file unchanged, keeps one end
// registration, gives one end, plays again from its start, and the end it gave is
// dropped once the channel has moved or gone.
TEST_F(CMixerTest, PlaysTheFileUnchangedThroughPausesEndsOnceAndStartsOver)
{
    const DWORD channel = Open("short.wav");
    int calls = 0;
    HSYNC first = 0;
    std::vector<float> played;
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            ASSERT_TRUE(m_mixer.Pause(channel));
        }
        ASSERT_TRUE(m_mixer.Play(channel, false));
        const HSYNC sync = m_mixer.SetSync(channel, BASS_SYNC_END, 0, CountEnd, &calls);
        first = first ? first : sync;
        EXPECT_EQ(sync, first) << "the same request again keeps one registration";
        const std::vector<float> block = Render(kBlock);
        played.insert(played.end(), block.begin(), block.end());
    }
    const std::vector<float> rest = RenderToEnd(channel);
    played.insert(played.end(), rest.begin(), rest.end());
    const std::vector<float> file = DecodeWhole("short.wav");
    EXPECT_TRUE(SameThenSilent(played, file));
    ASSERT_EQ(m_ends.size(), 1u);
    EXPECT_EQ(m_ends[0].channel, channel);
    EXPECT_EQ(m_mixer.IsActive(channel), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_EQ(m_mixer.GetPosition(channel), m_mixer.GetLength(channel));
    for (const CMixer::SSyncCall &call : m_mixer.SyncsFor(m_ends[0]))
        call.proc(call.handle, call.channel, 0, call.user);
    EXPECT_EQ(calls, 1) << "one registration";

    ASSERT_TRUE(m_mixer.Play(channel, false));
    EXPECT_TRUE(m_mixer.SyncsFor(m_ends[0]).empty());
    EXPECT_EQ(m_mixer.GetPosition(channel), 0u);
    const std::vector<float> again = Render(kBlock);
    EXPECT_TRUE(std::equal(again.begin(), again.end(), file.begin()));
    ASSERT_TRUE(m_mixer.Free(channel, CChannel::EKind::Stream));
    EXPECT_TRUE(m_mixer.SyncsFor(m_ends[0]).empty());
}

TEST_F(CMixerTest, StatesAndTheirErrors)
{
    const DWORD channel = Open("tone.wav");
    const auto state = [&] { return m_mixer.IsActive(channel); };
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(FailsWith(m_mixer.Pause(channel), BASS_ERROR_NOPLAY));
    ASSERT_TRUE(m_mixer.Play(channel, false));
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(m_mixer.Pause(channel));
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    EXPECT_TRUE(FailsWith(m_mixer.Pause(channel), BASS_ERROR_ALREADY));
    ASSERT_TRUE(m_mixer.Stop(channel));
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_STOPPED));

    EXPECT_TRUE(FailsWith(m_mixer.Play(Open("tone.wav", BASS_STREAM_DECODE), false), BASS_ERROR_DECODE));
    EXPECT_TRUE(FailsWith(m_mixer.Play(12345, false), BASS_ERROR_HANDLE));
    EXPECT_EQ(m_mixer.IsActive(0), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_FALSE(m_mixer.Free(channel, CChannel::EKind::Music)) << "a stream is not freed as a module";
    EXPECT_TRUE(m_mixer.Free(channel, CChannel::EKind::Stream));
    EXPECT_FALSE(m_mixer.Free(channel, CChannel::EKind::Stream));
}

TEST_F(CMixerTest, PositionsCountBytesOfTheFileAndSeekExactly)
{
    const DWORD mono = Open("tone.wav");
    EXPECT_EQ(m_mixer.GetLength(mono), 3u * kRate * 2);
    EXPECT_FLOAT_EQ(m_mixer.BytesToSeconds(mono, 3u * kRate * 2), 3.0f);
    EXPECT_EQ(m_mixer.SecondsToBytes(mono, 1.5f), 66150u * 2);
    const DWORD stereo = Open("stereo.wav");
    EXPECT_EQ(m_mixer.GetLength(stereo), 2u * kRate * 4);
    EXPECT_EQ(m_mixer.SecondsToBytes(stereo, 0.001f), 44u * 4);

    const std::vector<float> file = DecodeWhole("tone.wav");
    ASSERT_TRUE(m_mixer.SetPosition(mono, 12345 * 2));
    EXPECT_EQ(m_mixer.GetPosition(mono), 12345u * 2);
    m_mixer.Play(mono, false);
    const std::vector<float> played = Render(kBlock);
    EXPECT_TRUE(std::equal(played.begin(), played.end(), file.begin() + 12345 * 2));
    EXPECT_EQ(m_mixer.GetPosition(mono), (12345u + kBlock) * 2);
    EXPECT_TRUE(FailsWith(m_mixer.SetPosition(mono, 4u * kRate * 2), BASS_ERROR_POSITION));
}

// Volume 50 is heard through the engine's sound tests; pan and mute only here.
TEST_F(CMixerTest, PanAndMuteScaleTheSamples)
{
    const DWORD channel = Open("stereo.wav");
    m_mixer.Play(channel, false);
    ASSERT_TRUE(m_mixer.SetAttributes(channel, -1, 100, 100));
    const std::vector<float> right = Render(4 * kBlock);
    EXPECT_EQ(Rms(right, 0, 4 * kBlock, 0), 0.0);
    EXPECT_GT(Rms(right, 0, 4 * kBlock, 1), 0.1);
    ASSERT_TRUE(m_mixer.SetAttributes(channel, -1, 0, -101));
    const std::vector<float> muted = Render(4 * kBlock);
    EXPECT_EQ(Rms(muted, 0, 4 * kBlock, 0) + Rms(muted, 0, 4 * kBlock, 1), 0.0);
    EXPECT_TRUE(FailsWith(m_mixer.SetAttributes(channel, -1, 101, -101), BASS_ERROR_ILLPARAM));
    EXPECT_FALSE(m_mixer.SetAttributes(channel, 50, -1, -101));
}

// How long the sound lasts and its pitch: a file at half the device rate keeps its
// speed, pitch and level; a lower rate slows and lowers; tempo and pitch part.
TEST_F(CMixerTest, RateTempoAndPitchAsHeard)
{
    const struct {
        const char *name;
        bool tempo;
        float value; // the rate, or tempo percent and semitones
        float semitones;
        double seconds, hz;
    } cases[] = {
        {"tone22k.wav", false, -1, 0, 3.0, 440},
        {"tone.wav", false, kRate * 0.7f, 0, 3.0 / 0.7, 440 * 0.7},
        {"long.wav", true, 50, 0, 10.0 / 1.5, 440},
        {"long.wav", true, 0, 12, 10.0, 880},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.name + std::to_string(test.value));
        m_ends.clear();
        const DWORD channel = test.tempo ? OpenTempo(test.name) : Open(test.name);
        ASSERT_TRUE(test.tempo ? m_mixer.SetTempo(channel, test.value, 0.0f, test.semitones)
                               : m_mixer.SetAttributes(channel, static_cast<int>(test.value), -1, -101));
        m_mixer.Play(channel, false);
        const std::vector<float> played = RenderToEnd(channel);
        EXPECT_NEAR(SoundSeconds(played), test.seconds, test.tempo ? test.seconds * 0.01 : 0.002);
        EXPECT_NEAR(Frequency(played, 20000, 120000, kRate), test.hz, test.hz * (test.tempo ? 0.01 : 0.005));
        if (!test.tempo) {
            EXPECT_NEAR(Rms(played, 20000, 120000), 0.5 / std::sqrt(2.0), 0.002);
        }
    }
}

TEST_F(CMixerTest, TempoRateAndPitchAtRestPassTheSoundThroughUntouched)
{
    const DWORD channel = OpenTempo("tone.wav");
    ASSERT_TRUE(m_mixer.SetTempo(channel, 30.0f, 0.0f, 2.0f));
    ASSERT_TRUE(m_mixer.SetTempo(channel, 0.0f, static_cast<float>(kRate), 0.0f));
    m_mixer.Play(channel, false);
    const std::vector<float> played = RenderToEnd(channel);
    EXPECT_TRUE(SameThenSilent(played, DecodeWhole("tone.wav")));
}

TEST_F(CMixerTest, SeekingATempoChannelRestartsTheStretcherAtTheTarget)
{
    const DWORD channel = OpenTempo("long.wav");
    ASSERT_TRUE(m_mixer.SetTempo(channel, -30.0f, 0.0f, 0.0f));
    m_mixer.Play(channel, false);
    Render(20 * kBlock);
    ASSERT_TRUE(m_mixer.SetPosition(channel, 5u * kRate * 2));
    EXPECT_EQ(m_mixer.GetPosition(channel), 5u * kRate * 2);
    Render(10 * kBlock);
    const double seconds = m_mixer.BytesToSeconds(channel, m_mixer.GetPosition(channel));
    EXPECT_NEAR(seconds, 5.0 + 10.0 * kBlock / kRate * 0.7, 0.02) << "position follows the tempo";
    EXPECT_TRUE(FailsWith(m_mixer.SetTempo(Open("tone.wav"), 10.0f, 0.0f, 0.0f), BASS_ERROR_HANDLE))
        << "no stretcher on a plain stream";
}

TEST_F(CMixerTest, FreeingATempoChannelFreesItsSource)
{
    const DWORD source = Open("tone.wav", BASS_STREAM_DECODE);
    const DWORD tempo = m_mixer.WrapWithStretch(source, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
    ASSERT_NE(tempo, 0u);
    EXPECT_EQ(m_mixer.WrapWithStretch(source, 0, std::make_unique<CSoundTouchStretch>()), 0u) << "already wrapped";
    EXPECT_TRUE(FailsWith(m_mixer.WrapWithStretch(Open("tone.wav"), 0, std::make_unique<CSoundTouchStretch>()) != 0,
                          BASS_ERROR_DECODE));
    ASSERT_TRUE(m_mixer.Free(tempo, CChannel::EKind::Stream));
    EXPECT_FALSE(m_mixer.Free(source, CChannel::EKind::Stream)) << "gone with the tempo channel";
}

// The position reported while playing is the frame being heard: blocks still queued in
// the device are not counted, between blocks time moves the position on, and it follows
// the tempo.
TEST_F(CMixerTest, PositionIsWhatTheDeviceIsPlayingNow)
{
    constexpr int64_t kBlockNs = 1000000000LL * kBlock / kRate;
    m_mixer.SetLatencyFrames(kBlock);
    static int64_t now = 0;
    m_mixer.SetClock([] { return now; });
    const auto renderBlocks = [&](int count) {
        std::vector<float> block(kBlock * 2);
        CMixer::SEndEvent ends[4];
        for (int i = 0; i < count; ++i) {
            m_mixer.DecodeAll();
            m_mixer.Process(block.data(), kBlock, i * kBlockNs, ends, 4);
        }
    };
    const DWORD channel = Open("tone.wav");
    m_mixer.Play(channel, false);
    renderBlocks(3);
    // Block 2 was just rendered; the device is playing block 1, 10 ms into it.
    now = 2 * kBlockNs + 10000000;
    EXPECT_NEAR(static_cast<double>(m_mixer.GetPosition(channel) / 2), kBlock + 441, 2);
    // Pausing keeps what was heard: the unheard block plays again on resume.
    ASSERT_TRUE(m_mixer.Pause(channel));
    EXPECT_NEAR(static_cast<double>(m_mixer.GetPosition(channel) / 2), kBlock + 441, 2);

    const DWORD tempo = OpenTempo("long.wav");
    m_mixer.SetTempo(tempo, -30.0f, 0.0f, 0.0f);
    m_mixer.Play(tempo, false);
    renderBlocks(40);
    now = 39 * kBlockNs;
    // 38 blocks have been heard at 0.7 source frames per output frame.
    EXPECT_NEAR(static_cast<double>(m_mixer.GetPosition(tempo) / 2), 38.0 * kBlock * 0.7, 0.015 * kRate);
}

namespace
{
// A stereo source of sample(frame) on both sides; each read calls hold first.
class CMadeSource : public CSource
{
public:
    CMadeSource(int64_t length, std::function<float(int64_t)> sample) : m_length(length), m_sample(std::move(sample)) {}
    int Read(float *out, int frames) override
    {
        m_hold(m_next);
        const int count = static_cast<int>(std::min<int64_t>(frames, m_length - m_next));
        for (int i = 0; i < count; ++i)
            out[i * 2] = out[i * 2 + 1] = m_sample(m_next + i);
        m_next += count;
        return count;
    }
    bool Seek(int64_t frame) override { return m_next = frame, true; }
    int64_t LengthFrames() const override { return m_length; }
    int Rate() const override { return kRate; }
    int FileChannels() const override { return 2; }

    std::function<void(int64_t)> m_hold = [](int64_t) {};

private:
    int64_t m_length, m_next = 0;
    std::function<float(int64_t)> m_sample;
};
} // namespace

// The output only copies what was decoded ahead: while a read hangs (a slow disk), it
// plays the decoded frames and then silence, and seeking still answers at once and is exact.
TEST_F(CMixerTest, AHangingReadStallsNeitherTheOutputNorTheCallers)
{
    const auto ramp = [](int64_t frame) { return static_cast<float>(frame + 1) / (10 * kRate); };
    auto source = std::make_unique<CMadeSource>(10 * kRate, ramp);
    std::promise<void> stalled, release;
    source->m_hold = [&, once = true](int64_t next) mutable {
        if (next >= 4096 && std::exchange(once, false)) {
            stalled.set_value();
            release.get_future().wait();
        }
    };
    const DWORD channel = Add(std::move(source), 0);
    ASSERT_TRUE(m_mixer.Play(channel, false));
    std::thread decoder([this] { m_mixer.DecodeAll(); });
    stalled.get_future().wait();
    std::vector<float> block(kBlock * 2);
    CMixer::SEndEvent ends[4];
    for (int i = 0; i < 8; ++i) {
        ASSERT_EQ(m_mixer.Process(block.data(), kBlock, 0, ends, 4), 0);
        if (i == 0) {
            EXPECT_EQ(block[0], ramp(0));
            EXPECT_EQ(block[kBlock * 2 - 1], ramp(kBlock - 1));
        }
    }
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](float sample) { return sample == 0.0f; }));
    EXPECT_EQ(m_mixer.IsActive(channel), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(m_mixer.SetPosition(channel, 8000 * 4));
    release.set_value();
    decoder.join(); // what it decoded for the old position is dropped
    const std::vector<float> played = Render(kBlock);
    // The sound had run dry: it fades in, then the frames are the target's.
    EXPECT_LT(played[0], ramp(8000));
    EXPECT_EQ(played[2 * 300], ramp(8300));
    EXPECT_EQ(played[2 * 400], ramp(8400));
}

#if defined(__SSE__)
// The longest reverb fades out over the silence without passing through denormal
// samples (slow on many processors), even on a thread that keeps them otherwise.
TEST_F(CMixerTest, ALongTailFadesOutWithoutDenormals)
{
    const unsigned mode = _mm_getcsr();
    _mm_setcsr(mode & ~(_MM_FLUSH_ZERO_ON | _MM_DENORMALS_ZERO_ON)); // loading SoundTouch may have set them
    // Half a second of a loud tone, then silence to a minute.
    const DWORD channel =
        Add(std::make_unique<CMadeSource>(
                60 * kRate, [](int64_t frame) { return frame < kRate / 2 ? 0.5f * std::sin(0.06f * frame) : 0.0f; }),
            BASS_SAMPLE_FX);
    const BASS_FXREVERB longest{0.0f, 0.0f, 3000.0f, 0.999f};
    EXPECT_TRUE(m_mixer.SetEffectParameters(m_mixer.SetEffect(channel, BASS_FX_REVERB, 0), &longest));
    m_mixer.Play(channel, false);
    const std::vector<float> played = RenderToEnd(channel);
    EXPECT_TRUE(std::none_of(played.begin(), played.end(),
                             [](float sample) { return std::fpclassify(sample) == FP_SUBNORMAL; }));
    volatile float smallest = std::numeric_limits<float>::min();
    EXPECT_GT(smallest / 2.0f, 0.0f) << "the thread's own mode is back";
    _mm_setcsr(mode);
}
#endif

// Jumps while the 440.5 Hz tone plays, from an upward peak to a downward one: a cut
// there steps by twice the tone's height, some thirty times its own steepest step. The
// fades keep every step within a tenth of the tone's own.

// A seek crossfades what was coming into the target, also when a second seek or a loop
// from the target follows before anything was decoded; after the fade the samples and
// positions are the target's exactly, in a plain channel and in a tempo channel at rest.
TEST_F(CMixerTest, ASeekWhilePlayingIsCrossfadedAndLandsExactly)
{
    const std::vector<float> tone = DecodeWhole("halftone.wav");
    const double ownStep = LargestStep(tone);
    for (const bool tempo : {false, true}) {
        for (const char *then : {"", "seek", "loop"}) {
            SCOPED_TRACE(testing::Message() << (tempo ? "tempo channel, " : "plain channel, ") << "then " << then);
            std::vector<float> heard;
            const DWORD channel =
                PlayToneUpToAPeak(tempo ? OpenTempo("halftone.wav") : Open("halftone.wav"), tone, 8, heard);
            const int64_t target = PeakNear(tone, 2 * kRate, -1.0f);
            if (then == std::string("seek")) {
                ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(target + kRate / 3)));
            }
            ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(target)));
            if (then == std::string("loop")) {
                ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(target), Bytes(target + kRate), 0));
            }
            EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(target));
            const std::vector<float> after = Render(8 * kBlock);
            Append(heard, after);
            EXPECT_LE(LargestStep(heard), ownStep * 1.1);
            EXPECT_TRUE(TargetAfterFade(after, tone, target));
            EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(target + 8 * kBlock));
            m_mixer.FreeAll();
        }
    }
}

// The playing item freed and another started in its place, at once or a block later
// (a slow open): the freed one fades out, the new one fades in, then plays exactly from
// where it was set.
TEST_F(CMixerTest, AnItemChangeWhilePlayingFadesOutAndIn)
{
    const std::vector<float> tone = DecodeWhole("halftone.wav");
    const double ownStep = LargestStep(tone);
    for (const int openBlocks : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "opened after " << openBlocks << " blocks");
        std::vector<float> heard;
        const DWORD first = PlayToneUpToAPeak(OpenTempo("halftone.wav"), tone, 8, heard);
        ASSERT_TRUE(m_mixer.Free(first, CChannel::EKind::Stream));
        Append(heard, Render(openBlocks * kBlock));
        const DWORD next = OpenTempo("halftone.wav");
        const int64_t target = PeakNear(tone, 2 * kRate, -1.0f);
        ASSERT_TRUE(m_mixer.SetPosition(next, Bytes(target)));
        ASSERT_TRUE(m_mixer.Play(next, false));
        const std::vector<float> after = Render(8 * kBlock);
        Append(heard, after);
        EXPECT_LE(LargestStep(heard), ownStep * 1.1);
        EXPECT_TRUE(TargetAfterFade(after, tone, target));
        m_mixer.FreeAll();
    }
}

// A tempo or rate change restarts the stretcher where the sound is: what it made
// before is crossfaded into what it makes now, and the position goes on from there at
// the new speed (source frames per output frame).
TEST_F(CMixerTest, ATempoOrRateChangeWhilePlayingIsCrossfaded)
{
    const double ownStep = LargestStep(DecodeWhole("halftone.wav"));
    const struct {
        const char *name;
        float tempo, rate;
        double speed;
    } cases[] = {{"tempo", -10.0f, 0.0f, 0.9}, {"rate", -30.0f, kRate * 0.9f, 0.7 * 0.9}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.name);
        const DWORD channel = OpenTempo("halftone.wav");
        ASSERT_TRUE(m_mixer.SetTempo(channel, -30.0f, 0.0f, 0.0f));
        m_mixer.Play(channel, false);
        std::vector<float> heard = Render(8 * kBlock);
        const QWORD before = m_mixer.GetPosition(channel);
        ASSERT_TRUE(m_mixer.SetTempo(channel, test.tempo, test.rate, 0.0f));
        Append(heard, Render(16 * kBlock));
        EXPECT_LE(LargestStep(heard), ownStep * 1.1);
        const double moved = static_cast<double>(m_mixer.GetPosition(channel) - before) / 2;
        EXPECT_NEAR(moved, 16.0 * kBlock * test.speed, 0.015 * kRate);
        m_mixer.FreeAll();
    }
}
