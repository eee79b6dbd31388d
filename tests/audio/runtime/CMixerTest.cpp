// The mixing core driven block by block as the device would, measured on the samples
// it renders: plain and tempo channels, their positions, jumps and item changes, and
// the A-B loop the channel holds (no frame from outside it, pass after pass, at any tempo).
#include "CMixer.h"
#include "CFfmpegSource.h"
#include "CSoundTouchStretch.h"
#include "CTestMedia.h"
#include "DecodedMedia.h"
#include "LoopMeasure.h"
#include "RuntimeError.h"
#include "SignalMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <future>
#include <thread>
#include <vector>

namespace
{
constexpr int kRate = 44100;
constexpr int kBlock = 1024;
constexpr int64_t kMaxFade = kRate / 200; // a jump's fade, or a loop's seam, lasts no more than 5 ms
constexpr int64_t kA = 2 * kRate;         // the loop: noise.wav's quiet second
constexpr int64_t kB = 3 * kRate;

// Ten seconds of a stereo ramp, Ramp(frame) on both sides; each read calls hold first.
class CRampSource : public CSource
{
public:
    static float Ramp(int64_t frame) { return static_cast<float>(frame + 1) / (10 * kRate); }
    int Read(float *out, int frames) override
    {
        m_hold(m_next);
        const int count = static_cast<int>(std::min<int64_t>(frames, LengthFrames() - m_next));
        for (int i = 0; i < count; ++i)
            out[i * 2] = out[i * 2 + 1] = Ramp(m_next + i);
        m_next += count;
        return count;
    }
    bool Seek(int64_t frame) override { return m_next = frame, true; }
    int64_t LengthFrames() const override { return 10 * kRate; }
    int Rate() const override { return kRate; }
    int FileChannels() const override { return 2; }

    std::function<void(int64_t)> m_hold = [](int64_t) {};

private:
    int64_t m_next = 0;
};

class CMixerTest : public testing::Test
{
protected:
    // The call failed and left that error code.
    static bool FailsWith(bool succeeded, int error) { return !succeeded && RuntimeError() == error; }
    // Positions of the mono test files: two bytes a frame.
    static QWORD Bytes(int64_t frames) { return static_cast<QWORD>(frames) * 2; }

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
    // The file in a tempo channel, as the engine opens every file.
    DWORD OpenTempo(const std::string &name, float tempo = 0)
    {
        const DWORD source = Open(name, BASS_STREAM_DECODE);
        const DWORD channel =
            m_mixer.WrapWithStretch(source, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
        EXPECT_TRUE(tempo == 0 || m_mixer.SetTempo(channel, tempo, 0.0f, 0.0f));
        return channel;
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
    std::vector<float> RenderToEnd(DWORD channel) { return Render(60 * kRate, channel); }

    // The silence after the end in the last block left out.
    static std::vector<float> WithoutSilentEnd(std::vector<float> out)
    {
        while (out.size() >= 2 && out[out.size() - 1] == 0.0f && out[out.size() - 2] == 0.0f)
            out.resize(out.size() - 2);
        return out;
    }

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
    // Plays noise.wav from A with the loop [A, B) held by the channel.
    std::vector<float> PlayLoop(const std::string &name, float tempo, int frames)
    {
        m_mixer.FreeAll();
        const DWORD channel = OpenTempo(name, tempo);
        EXPECT_TRUE(m_mixer.SetPosition(channel, Bytes(kA)));
        EXPECT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kB), 0));
        m_mixer.Play(channel, false);
        return Render(frames);
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
    const auto count = [](HSYNC, DWORD, DWORD, void *user) { ++*static_cast<int *>(user); };
    std::vector<float> played;
    for (int i = 0; i < 6; ++i) {
        if (i > 0) {
            ASSERT_TRUE(m_mixer.Pause(channel));
        }
        ASSERT_TRUE(m_mixer.Play(channel, false));
        m_mixer.SetSync(channel, BASS_SYNC_END, 0, count, &calls); // the same request again is one
        const std::vector<float> block = Render(kBlock);
        played.insert(played.end(), block.begin(), block.end());
    }
    const std::vector<float> rest = RenderToEnd(channel);
    played.insert(played.end(), rest.begin(), rest.end());
    const std::vector<float> file = DecodeWhole("short.wav");
    ASSERT_GE(played.size(), file.size());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), played.begin()));
    EXPECT_TRUE(std::all_of(played.begin() + std::ssize(file), played.end(), [](float sample) {
        return sample == 0.0f;
    })) << "then silence";
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

// States and their errors, the program's mute (volume 0), positions in bytes of the
// file, and the tempo channel that takes its source along.
TEST_F(CMixerTest, StatesMuteTempoWrappersAndTheirErrors)
{
    const DWORD channel = Open("stereo.wav");
    EXPECT_EQ(m_mixer.GetLength(channel), 2u * kRate * 4) << "four bytes a frame";
    EXPECT_EQ(m_mixer.SecondsToBytes(channel, 0.001f), 44u * 4) << "whole frames";
    EXPECT_FLOAT_EQ(m_mixer.BytesToSeconds(channel, 2u * kRate * 4), 2.0f);
    EXPECT_TRUE(FailsWith(m_mixer.SetPosition(channel, 3u * kRate * 4), BASS_ERROR_POSITION));
    const auto state = [&] { return m_mixer.IsActive(channel); };
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(FailsWith(m_mixer.Pause(channel), BASS_ERROR_NOPLAY));
    ASSERT_TRUE(m_mixer.Play(channel, false));
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    ASSERT_TRUE(m_mixer.SetAttributes(channel, -1, 0, -101));
    const std::vector<float> muted = Render(4 * kBlock);
    EXPECT_EQ(Rms(muted, 0, 4 * kBlock, 0) + Rms(muted, 0, 4 * kBlock, 1), 0.0);
    ASSERT_TRUE(m_mixer.Pause(channel));
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_PAUSED));
    EXPECT_TRUE(FailsWith(m_mixer.Pause(channel), BASS_ERROR_ALREADY));
    ASSERT_TRUE(m_mixer.Stop(channel));
    EXPECT_EQ(state(), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    EXPECT_TRUE(FailsWith(m_mixer.Play(12345, false), BASS_ERROR_HANDLE));
    EXPECT_FALSE(m_mixer.Free(channel, CChannel::EKind::Music)) << "a stream is not freed as a module";
    EXPECT_TRUE(m_mixer.Free(channel, CChannel::EKind::Stream));

    const DWORD source = Open("tone.wav", BASS_STREAM_DECODE);
    const DWORD tempo = m_mixer.WrapWithStretch(source, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
    ASSERT_TRUE(m_mixer.Free(tempo, CChannel::EKind::Stream));
    EXPECT_FALSE(m_mixer.Free(source, CChannel::EKind::Stream)) << "gone with the tempo channel";
}

// How long the sound lasts and its pitch: a file at half the device rate keeps its
// speed, pitch and level; a lower rate slows and lowers; tempo and pitch part (at rest
// the stretcher passes the samples through untouched: in the jumps' test).
TEST_F(CMixerTest, RateTempoAndPitchAsHeard)
{
    const struct {
        const char *name;
        float tempo, rate, semitones;
        double seconds, hz;
    } cases[] = {
        {"tone22k.wav", 0, 0, 0, 3.0, 440},
        {"tone.wav", 0, kRate * 0.7f, 0, 3.0 / 0.7, 440 * 0.7},
        {"long.wav", 50, 0, 0, 10.0 / 1.5, 440},
        {"long.wav", 0, 0, 12, 10.0, 880},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(testing::Message() << test.name << " " << test.tempo << " " << test.rate << " " << test.semitones);
        const DWORD channel = OpenTempo(test.name);
        ASSERT_TRUE(m_mixer.SetTempo(channel, test.tempo, test.rate, test.semitones));
        m_mixer.Play(channel, false);
        const std::vector<float> played = RenderToEnd(channel);
        const bool stretched = test.tempo != 0 || test.semitones != 0;
        EXPECT_NEAR(WithoutSilentEnd(played).size() / 2.0 / kRate, test.seconds,
                    stretched ? test.seconds * 0.01 : 0.002);
        EXPECT_NEAR(Frequency(played, 20000, 120000, kRate), test.hz, test.hz * (stretched ? 0.01 : 0.005));
        if (!stretched) {
            EXPECT_NEAR(Rms(played, 20000, 120000), 0.5 / std::sqrt(2.0), 0.002);
        }
    }
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

    const DWORD tempo = OpenTempo("long.wav", -30.0f);
    m_mixer.Play(tempo, false);
    renderBlocks(40);
    now = 39 * kBlockNs;
    // 38 blocks have been heard at 0.7 source frames per output frame.
    EXPECT_NEAR(static_cast<double>(m_mixer.GetPosition(tempo) / 2), 38.0 * kBlock * 0.7, 0.015 * kRate);
}

// The output only copies what was decoded ahead: while a read hangs (a slow disk), it
// plays the decoded frames and then silence, and seeking still answers at once and is exact.
TEST_F(CMixerTest, AHangingReadStallsNeitherTheOutputNorTheCallers)
{
    const auto ramp = &CRampSource::Ramp;
    auto source = std::make_unique<CRampSource>();
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

// Jumps from an upward peak of the 440.5 Hz tone to a downward one, where a cut steps some
// thirty times the tone's own steepest step: the fades keep every step within a tenth of
// it. A seek (also followed by a second seek or a loop before anything was decoded, at
// rest) then plays the target's samples exactly; a seek while stretching, and a tempo or
// rate change, go on from there at the speed (source frames per output frame).
TEST_F(CMixerTest, JumpsWhilePlayingAreCrossfaded)
{
    const std::vector<float> tone = DecodeWhole("halftone.wav");
    const double ownStep = LargestStep(tone);
    const int64_t target = PeakNear(tone, 2 * kRate, -1.0f);
    std::vector<float> heard;
    const auto seek = [&](const char *next) {
        return [&, then = std::string(next)](DWORD channel) {
            if (then == "seek") {
                EXPECT_TRUE(m_mixer.SetPosition(channel, Bytes(target + kRate / 3)));
            }
            EXPECT_TRUE(m_mixer.SetPosition(channel, Bytes(target)));
            if (then == "loop") {
                EXPECT_TRUE(m_mixer.SetLoop(channel, Bytes(target), Bytes(target + kRate), 0));
            }
            EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(target));
            return channel;
        };
    };
    const auto tempo = [&](float change, float rate) {
        return [=, this](DWORD channel) {
            const QWORD before = m_mixer.GetPosition(channel);
            EXPECT_TRUE(m_mixer.SetTempo(channel, change, rate, 0.0f));
            EXPECT_EQ(m_mixer.GetPosition(channel), before) << "goes on from where the sound is";
            return channel;
        };
    };
    const struct {
        const char *name;
        bool tempoChannel;
        float tempo;
        std::function<DWORD(DWORD)> jump;
        double speed; // 0: the target's frames exactly
    } cases[] = {
        {"seek", false, 0, seek(""), 0},
        {"seek, seek", false, 0, seek("seek"), 0},
        {"seek, loop", false, 0, seek("loop"), 0},
        {"tempo channel seek", true, 0, seek(""), 0},
        {"tempo channel seek, seek", true, 0, seek("seek"), 0},
        {"tempo channel seek, loop", true, 0, seek("loop"), 0},
        {"seek at tempo -30", true, -30, seek(""), 0.7},
        {"tempo -30 to -10", true, -30, tempo(-10.0f, 0.0f), 0.9},
        {"rate to 0.9", true, -30, tempo(-30.0f, kRate * 0.9f), 0.7 * 0.9},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.name);
        const DWORD first = test.tempoChannel ? OpenTempo("halftone.wav", test.tempo) : Open("halftone.wav");
        // Played so that the next frame is an upward peak.
        EXPECT_TRUE(m_mixer.SetPosition(first, Bytes(PeakNear(tone, kRate / 2 + 8 * kBlock, 1.0f) - 8 * kBlock)));
        m_mixer.Play(first, false);
        heard = Render(8 * kBlock);
        const DWORD channel = test.jump(first);
        const QWORD from = m_mixer.GetPosition(channel);
        const std::vector<float> after = Render(16 * kBlock);
        heard.insert(heard.end(), after.begin(), after.end());
        EXPECT_LE(LargestStep(heard), ownStep * 1.1);
        if (test.speed == 0) {
            EXPECT_TRUE(std::equal(after.begin() + kMaxFade * 2, after.end(), tone.begin() + (target + kMaxFade) * 2));
            EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(target + 16 * kBlock));
        } else {
            const double moved = static_cast<double>(m_mixer.GetPosition(channel) - from) / 2;
            EXPECT_NEAR(moved, 16.0 * kBlock * test.speed, 0.015 * kRate);
        }
        m_mixer.FreeAll();
    }
}

// Eleven passes of the loop, exact or stretched: every frame heard comes from inside it,
// from its start to its end, each pass lasts the loop less a seam of at most 5 ms, and
// the seam between the tone's opposite phases a second apart makes no click.
TEST_F(CMixerTest, TheLoopRunsFromAToBWithoutOvershootOrClickAtAnyTempo)
{
    const CLoopTracer tracer(DecodeWhole("noise.wav"));
    for (const float tempo : {0.0f, -30.0f}) {
        SCOPED_TRACE(tempo);
        const int frames = static_cast<int>(11 * kRate / (1.0 + tempo / 100.0));
        const SLoopTrace trace = tracer.Trace(PlayLoop("noise.wav", tempo, frames), kA, kB);
        EXPECT_GE(trace.passes, 10);
        EXPECT_GT(trace.traced, frames / 2);
        EXPECT_LT(trace.lowest, kA + kMaxFade + 8);
        EXPECT_EQ(trace.outside, 0);
        EXPECT_GT(trace.highest, kB - kMaxFade - kRate / 50);
        for (size_t i = 1; i < trace.passStarts.size() && tempo == 0; ++i) {
            const int64_t period = trace.passStarts[i] - trace.passStarts[i - 1];
            EXPECT_LE(period, kB - kA);
            EXPECT_GE(period, kB - kA - kMaxFade);
        }
    }
    // A crossfade between opposite phases bends the wave within a few per cent of its own
    // steepest step; a cut would be several times it.
    EXPECT_LE(LargestStep(PlayLoop("halftone.wav", 0, 6 * kRate)), LargestStep(DecodeWhole("halftone.wav")) * 1.05);
}

// Set, nudge and clear while the frames around the end have been decoded already: the
// next block heard follows the change. 1500 frames before B, one block later the end
// lies inside the next block.
TEST_F(CMixerTest, LoopChangesAreHeardFromTheNextBlockAtAnyTempo)
{
    const CLoopTracer tracer(DecodeWhole("noise.wav"));
    const int64_t later = kB + kRate / 2;
    const struct {
        const char *name;
        bool loopBefore;
        std::function<void(CMixer &, DWORD)> change;
        int64_t loopStart, loopEnd; // where the sound must stay afterwards
        bool passes;
    } cases[] = {
        {"set", false, [](CMixer &m, DWORD c) { m.SetLoop(c, Bytes(kA), Bytes(kB), 0); }, kA, kB, true},
        {"cleared", true, [](CMixer &m, DWORD c) { m.SetLoop(c, 0, 0, 0); }, kA, 5 * kRate, false},
        {"end moved on", true, [&](CMixer &m, DWORD c) { m.SetLoop(c, Bytes(kA), Bytes(later), 0); }, kA, later, true},
        {"start moved back", true, [](CMixer &m, DWORD c) { m.SetLoop(c, Bytes(kA - kRate), Bytes(kB), 0); },
         kA - kRate, kB, true},
        {"tempo changed", true, [](CMixer &m, DWORD c) { m.SetTempo(c, -10.0f, 0.0f, 0.0f); }, kA, kB, true},
    };
    for (float tempo : {0.0f, -30.0f}) {
        for (const auto &test : cases) {
            SCOPED_TRACE(testing::Message() << test.name << " at tempo " << tempo);
            const DWORD channel = OpenTempo("noise.wav", tempo);
            if (test.loopBefore) {
                ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kB), 0));
            }
            ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(kB - 1500)));
            m_mixer.Play(channel, false);
            Render(kBlock);
            test.change(m_mixer, channel);
            const SLoopTrace next = tracer.Trace(Render(kBlock), test.loopStart, test.loopEnd);
            EXPECT_EQ(next.outside, 0);
            EXPECT_EQ(next.passes, test.loopEnd == kB && test.passes ? 1 : 0);
            const SLoopTrace rest = tracer.Trace(Render(3 * kRate), test.loopStart, test.loopEnd);
            EXPECT_EQ(rest.outside, 0);
            EXPECT_EQ(rest.passes > 0, test.passes);
            m_mixer.Free(channel, CChannel::EKind::Stream);
        }
    }
}

// No loop, a loop of one frame, a loop that runs past the media and one that starts
// beyond it: none hangs the decoding, none plays outside the media.
TEST_F(CMixerTest, DegenerateLoopsNeitherHangNorLeaveTheMedia)
{
    const std::vector<float> file = DecodeWhole("noise.wav");
    const int64_t length = static_cast<int64_t>(file.size() / 2);
    const DWORD channel = OpenTempo("noise.wav");
    m_mixer.Play(channel, false);

    ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kA + 1), 0));
    ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(kA)));
    const std::vector<float> one = Render(kRate);
    EXPECT_TRUE(std::all_of(one.begin() + kMaxFade * 2, one.end(), [&](float sample) {
        return sample == file[kA * 2];
    })) << "after the seek's crossfade";

    ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(length - kRate / 2), Bytes(length + 10 * kRate), 0));
    ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(length - kRate / 2)));
    const SLoopTrace end = CLoopTracer(file).Trace(Render(3 * kRate), length - kRate / 2, length);
    EXPECT_EQ(end.outside, 0);
    EXPECT_GE(end.passes, 5);
    EXPECT_EQ(m_mixer.IsActive(channel), static_cast<DWORD>(BASS_ACTIVE_PLAYING));

    EXPECT_TRUE(FailsWith(m_mixer.SetLoop(channel, Bytes(length), Bytes(length + 100), 0), BASS_ERROR_POSITION));
    ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kA), 0));
    ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(length - kRate / 2)));
    Render(kRate);
    EXPECT_EQ(m_mixer.IsActive(channel), static_cast<DWORD>(BASS_ACTIVE_STOPPED))
        << "without a loop the channel runs to its end";
}

// Played once, the stretch fades out before its end, the channel ends there with one
// end event and rests there; without the loop it plays on from there.
TEST_F(CMixerTest, ALoopPassPlayedOnceEndsAtItsEndAndRestsThere)
{
    const CLoopTracer tracer(DecodeWhole("noise.wav"));
    for (float tempo : {0.0f, -30.0f}) {
        SCOPED_TRACE(tempo);
        m_mixer.FreeAll();
        m_ends.clear();
        const DWORD channel = OpenTempo("noise.wav", tempo);
        m_mixer.SetSync(
            channel, BASS_SYNC_END, 0, [](HSYNC, DWORD, DWORD, void *) {}, nullptr);
        ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kB), BASS_LOOP_ONCE));
        ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(kA)));
        m_mixer.Play(channel, false);
        const std::vector<float> heard = WithoutSilentEnd(Render(3 * kRate));
        EXPECT_EQ(m_ends.size(), 1u);
        EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(kB));
        EXPECT_NEAR(static_cast<double>(heard.size() / 2), (kB - kA) / (1.0 + tempo / 100.0), kRate * 0.02);
        const SLoopTrace trace = tracer.Trace(heard, kA, kB);
        EXPECT_EQ(trace.outside, 0);
        EXPECT_EQ(trace.passes, 0);
        EXPECT_LT(std::fabs(heard[heard.size() - 2]), 0.01f) << "faded out";

        ASSERT_TRUE(m_mixer.SetLoop(channel, 0, 0, 0));
        EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(kB));
        m_mixer.Play(channel, false);
        const SLoopTrace after = tracer.Trace(Render(kBlock * 4), kB, 5 * kRate);
        EXPECT_EQ(after.outside, 0);
        EXPECT_GT(after.traced, 0);
    }
}
