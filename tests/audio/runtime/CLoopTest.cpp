// The A-B loop held by the channel, measured on the sound the mixing core renders: no
// frame from outside the loop, pass after pass, at any tempo; no click at the seam; loop
// changes heard from the next block; and the control bar's 100 ms timer, which seeks
// back once it sees the position past the end, for comparison.
#include "CFfmpegSource.h"
#include "CMixer.h"
#include "CSoundTouchStretch.h"
#include "CTestMedia.h"
#include "DecodedMedia.h"
#include "LoopMeasure.h"
#include "RuntimeError.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace
{
constexpr int kRate = 44100;
constexpr int kBlock = 1024;
constexpr int64_t kA = 2 * kRate;         // 2.000 s
constexpr int64_t kB = 3 * kRate;         // 3.000 s
constexpr int64_t kMaxSeam = kRate / 200; // 5 ms
constexpr int kTimerFrames = kRate / 10;

class CLoopTest : public testing::Test
{
protected:
    // Positions of the mono test files: two bytes a frame.
    static QWORD Bytes(int64_t frames) { return static_cast<QWORD>(frames) * 2; }
    // The file in a tempo channel, as the engine opens every file.
    DWORD Open(const std::string &name, float tempo)
    {
        int error = 0;
        const DWORD source = m_mixer.AddChannel(
            std::make_unique<CChannel>(CFfmpegSource::Open(CTestMedia::Path(name), error), CChannel::EKind::Stream,
                                       BASS_STREAM_DECODE | BASS_SAMPLE_FX, kRate));
        const DWORD channel =
            m_mixer.WrapWithStretch(source, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
        EXPECT_TRUE(m_mixer.SetTempo(channel, tempo, 0.0f, 0.0f));
        return channel;
    }

    // Renders frames as the device would. With the timer, every 100 ms a position
    // outside [A, B) is sent back to A, which is how the control bar's timer holds it.
    std::vector<float> Render(DWORD channel, int frames, bool timer = false)
    {
        std::vector<float> out;
        std::vector<float> block(kBlock * 2);
        for (int done = 0; done < frames; done += kBlock) {
            if (timer && done / kTimerFrames != (done + kBlock) / kTimerFrames) {
                const auto position = static_cast<int64_t>(m_mixer.GetPosition(channel) / 2);
                if (position > kB || position < kA)
                    m_mixer.SetPosition(channel, Bytes(kA));
            }
            CMixer::SEndEvent events[4];
            m_mixer.DecodeAll();
            m_ends += m_mixer.Process(block.data(), kBlock, 0, events, 4);
            out.insert(out.end(), block.begin(), block.end());
        }
        return out;
    }

    // Plays from A with the loop held by the channel, or by the timer.
    std::vector<float> PlayLoop(const std::string &name, float tempo, bool timer, int frames)
    {
        m_mixer.FreeAll();
        const DWORD channel = Open(name, tempo);
        EXPECT_TRUE(m_mixer.SetPosition(channel, Bytes(kA)));
        if (!timer) {
            EXPECT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kB), 0));
        }
        m_mixer.Play(channel, false);
        return Render(channel, frames, timer);
    }

    CMixer m_mixer{kRate};
    int m_ends = 0;
};
} // namespace

TEST_F(CLoopTest, RunsFromAToBAndBackWithoutOvershootAtAnyTempo)
{
    const CLoopTracer tracer(DecodeWhole("noise.wav"));
    const struct {
        float tempo;
        bool timer;
    } cases[] = {{0, false}, {-30, false}, {0, true}, {-30, true}};
    for (const auto &test : cases) {
        SCOPED_TRACE(testing::Message() << "tempo " << test.tempo << (test.timer ? " timer" : " exact"));
        // Eleven passes of the loop at the tempo.
        const int frames = static_cast<int>(11 * kRate / (1.0 + test.tempo / 100.0));
        const SLoopTrace trace = tracer.Trace(PlayLoop("noise.wav", test.tempo, test.timer, frames), kA, kB);
        EXPECT_GE(trace.passes, 10);
        EXPECT_GT(trace.traced, frames / 2);
        EXPECT_LT(trace.lowest, kA + kMaxSeam + 8);
        if (test.timer) {
            EXPECT_GT(trace.outside, kRate / 100) << "the timer overshoots by a part of its period";
            continue;
        }
        EXPECT_EQ(trace.outside, 0);
        EXPECT_GT(trace.highest, kB - kMaxSeam - kRate / 50);
        if (test.tempo == 0) {
            // Each pass is the loop less the crossfade, which lasts no more than 5 ms.
            for (size_t i = 1; i < trace.passStarts.size(); ++i) {
                const int64_t period = trace.passStarts[i] - trace.passStarts[i - 1];
                EXPECT_LE(period, kB - kA);
                EXPECT_GE(period, kB - kA - kMaxSeam);
            }
        }
    }
}

TEST_F(CLoopTest, TheSeamMakesNoClick)
{
    // Whole seconds apart, the 440.5 Hz tone has opposite phases: the worst seam.
    const double ownStep = LargestStep(DecodeWhole("halftone.wav"));
    const double exact = LargestStep(PlayLoop("halftone.wav", 0, false, 6 * kRate));
    const double timer = LargestStep(PlayLoop("halftone.wav", 0, true, 6 * kRate));
    // A crossfade between opposite phases bends the wave within a few per cent of its own
    // steepest step; a cut would be several times it. The timer's seeks back are
    // crossfaded too.
    EXPECT_LE(exact, ownStep * 1.05);
    EXPECT_LE(timer, ownStep * 1.1);
}

// Set, nudge and clear while the frames around the end have been decoded already: the
// next block heard follows the change. 1500 frames before B, one block later the end
// lies inside the next block.
TEST_F(CLoopTest, ChangesAreHeardFromTheNextBlockAtAnyTempo)
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
            const DWORD channel = Open("noise.wav", tempo);
            if (test.loopBefore) {
                ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kB), 0));
            }
            ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(kB - 1500)));
            m_mixer.Play(channel, false);
            Render(channel, kBlock);
            test.change(m_mixer, channel);
            const std::vector<float> next = Render(channel, kBlock);
            const std::vector<float> rest = Render(channel, 3 * kRate);
            const SLoopTrace nextTrace = tracer.Trace(next, test.loopStart, test.loopEnd);
            EXPECT_EQ(nextTrace.outside, 0);
            EXPECT_EQ(nextTrace.passes, test.loopEnd == kB && test.passes ? 1 : 0);
            const SLoopTrace trace = tracer.Trace(rest, test.loopStart, test.loopEnd);
            EXPECT_EQ(trace.outside, 0);
            EXPECT_EQ(trace.passes > 0, test.passes);
            m_mixer.Free(channel, CChannel::EKind::Stream);
        }
    }
}

// No loop, a loop of one frame, a loop that runs past the media and one that starts
// beyond it: none hangs the decoding, none plays outside the media.
TEST_F(CLoopTest, DegenerateLoopsNeitherHangNorLeaveTheMedia)
{
    const std::vector<float> file = DecodeWhole("noise.wav");
    const int64_t length = static_cast<int64_t>(file.size() / 2);
    const DWORD channel = Open("noise.wav", 0);
    m_mixer.Play(channel, false);

    ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kA + 1), 0));
    ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(kA)));
    const std::vector<float> one = Render(channel, kRate);
    EXPECT_TRUE(std::all_of(one.begin() + kMaxSeam * 2, one.end(), [&](float sample) {
        return sample == file[kA * 2];
    })) << "after the seek's crossfade";

    ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(length - kRate / 2), Bytes(length + 10 * kRate), 0));
    ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(length - kRate / 2)));
    const SLoopTrace end = CLoopTracer(file).Trace(Render(channel, 3 * kRate), length - kRate / 2, length);
    EXPECT_EQ(end.outside, 0);
    EXPECT_GE(end.passes, 5);
    EXPECT_EQ(m_mixer.IsActive(channel), static_cast<DWORD>(BASS_ACTIVE_PLAYING));

    EXPECT_FALSE(m_mixer.SetLoop(channel, Bytes(length), Bytes(length + 100), 0));
    EXPECT_EQ(RuntimeError(), BASS_ERROR_POSITION);
    ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kA), 0));
    ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(length - kRate / 2)));
    Render(channel, kRate);
    EXPECT_EQ(m_mixer.IsActive(channel), static_cast<DWORD>(BASS_ACTIVE_STOPPED))
        << "without a loop the channel runs to its end";
}

// Played once, the stretch fades out before its end, the channel ends there with one
// end event and rests there; without the loop it plays on from there.
TEST_F(CLoopTest, APassPlayedOnceEndsAtItsEndAndRestsThere)
{
    const std::vector<float> file = DecodeWhole("noise.wav");
    for (float tempo : {0.0f, -30.0f}) {
        SCOPED_TRACE(tempo);
        m_mixer.FreeAll();
        const DWORD channel = Open("noise.wav", tempo);
        m_ends = 0;
        m_mixer.SetSync(
            channel, BASS_SYNC_END, 0, [](HSYNC, DWORD, DWORD, void *) {}, nullptr);
        ASSERT_TRUE(m_mixer.SetLoop(channel, Bytes(kA), Bytes(kB), BASS_LOOP_ONCE));
        ASSERT_TRUE(m_mixer.SetPosition(channel, Bytes(kA)));
        m_mixer.Play(channel, false);
        std::vector<float> heard = Render(channel, 3 * kRate);
        EXPECT_EQ(m_ends, 1);
        EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(kB));
        while (heard.size() >= 2 && heard.back() == 0.0f)
            heard.resize(heard.size() - 2);
        EXPECT_NEAR(static_cast<double>(heard.size() / 2), (kB - kA) / (1.0 + tempo / 100.0), kRate * 0.02);
        const SLoopTrace trace = CLoopTracer(file).Trace(heard, kA, kB);
        EXPECT_EQ(trace.outside, 0);
        EXPECT_EQ(trace.passes, 0);
        EXPECT_LT(std::fabs(heard[heard.size() - 2]), 0.01f) << "faded out";

        ASSERT_TRUE(m_mixer.SetLoop(channel, 0, 0, 0));
        EXPECT_EQ(m_mixer.GetPosition(channel), Bytes(kB));
        m_mixer.Play(channel, false);
        const SLoopTrace after = CLoopTracer(file).Trace(Render(channel, kBlock * 4), kB, 5 * kRate);
        EXPECT_EQ(after.outside, 0);
        EXPECT_GT(after.traced, 0);
    }
}
