// The playback engine through the real runtime libraries: what the learner
// hears (SDL's disk driver writes every sample played into a file), and the
// end of the channel handed to this thread while items switch and the engine
// closes.
#include "CTestMedia.h"
#include "EngineTestSupport.h"
#include "SignalMeasure.h"
#include "audio/CPlaybackEngine.h"
#include "audio/CSyncHandOver.h"

#include <QTemporaryDir>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <thread>

namespace
{

const auto Media = [](const char *name) { return QString::fromStdString(CTestMedia::Path(name)); };

class EngineRuntimeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureCoreApplication();
        m_pEngine = std::make_unique<CPlaybackEngine>();
        m_pEngine->SetEndHandler([this] {
            // A notice is only ever about the current item, and it has played to its end.
            m_nStaleNotices += m_pEngine->IsStopped() && m_pEngine->GetPosition() >= m_pEngine->GetLength() ? 0 : 1;
            ++m_ends[m_pEngine->Channel()];
            return m_answer(++m_nNotices);
        });
    }

    void TearDown() override { EXPECT_TRUE(m_prompt.m_messages.empty()); }

    // The short item, 100 ms before its end.
    bool PlayShortItem()
    {
        return m_pEngine->Open(Media("short.wav")) && m_pEngine->SetPosition(200) && m_pEngine->Play(false);
    }

    CTestPrompt m_prompt;
    std::unique_ptr<CPlaybackEngine> m_pEngine;
    int m_nNotices = 0;
    int m_nStaleNotices = 0;
    std::map<uint32_t, int> m_ends; // notices by channel
    std::function<int(int)> m_answer = [](int) { return 1; };
};

TEST_F(EngineRuntimeTest, ItemsSwitchWhileChannelsEnd)
{
    // Every other notice opens the next item from the handler, the way the
    // playlist wraps round; meanwhile this thread switches items, some before
    // the end, some after it, and some while it was busy as the end came.
    m_answer = [this](int notice) { return notice % 2 == 0 ? int(PlayShortItem()) : 1; };
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(PlayShortItem());
        PumpFor(round * 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_GT(m_nNotices, 0);

    // Then the item opened last is the one heard; paused and resumed, its end gives
    // one notice, answered 1: the engine stops the channel and rewinds it.
    m_answer = [](int) { return 1; };
    ASSERT_TRUE(m_pEngine->Open(Media("tone.wav")));
    ASSERT_TRUE(m_pEngine->Play(false));
    const uint32_t last = m_pEngine->Channel();
    PumpFor(300);
    EXPECT_EQ(m_pEngine->Channel(), last);
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_GE(m_pEngine->GetPosition(), 150u);
    ASSERT_TRUE(m_pEngine->SetPosition(2900));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_pEngine->Pause());
        ASSERT_TRUE(m_pEngine->Play(false));
    }
    ASSERT_TRUE(PumpUntil([&] { return m_ends[last] > 0; }));
    PumpFor(300);
    EXPECT_EQ(m_ends[last], 1);
    EXPECT_TRUE(m_pEngine->IsStopped());
    EXPECT_EQ(m_pEngine->GetPosition(), 0u);
    EXPECT_EQ(m_nStaleNotices, 0);
    for (const auto &[channel, notices] : m_ends)
        EXPECT_LE(notices, 1) << "channel " << channel;
}

// Closing with notices pending is in the engine call tests (forty of them).
TEST_F(EngineRuntimeTest, SwitchingDropsAPendingNotice)
{
    ASSERT_TRUE(PlayShortItem());
    // Without running the event loop, until the end notice waits for us.
    for (int i = 0; i < 6000 && CSyncHandOver::Instance().Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(CSyncHandOver::Instance().Pending(), 1);
    ASSERT_TRUE(m_pEngine->Open(Media("tone.wav")));
    EXPECT_EQ(CSyncHandOver::Instance().Pending(), 0);
    EXPECT_TRUE(m_pEngine->IsStopped());
    PumpFor(300);
    EXPECT_EQ(m_nNotices, 0);
}

// While the runtime loops, items switch under it and the engine closes, with nobody
// waiting on anybody; a looping item never ends, so no notice comes, not even from the
// short item opened last, which would have ended twice over.
TEST_F(EngineRuntimeTest, ItemsSwitchAndTheEngineClosesWhileLooping)
{
    for (int round = 0; round < 12; ++round) {
        ASSERT_TRUE(m_pEngine->Open(Media(round % 2 == 0 ? "tone.wav" : "short.wav")));
        ASSERT_TRUE(m_pEngine->SetLoop(100, 200 + round));
        ASSERT_TRUE(m_pEngine->SetPosition(150));
        ASSERT_TRUE(m_pEngine->Play(false));
        PumpFor(round * 15);
        EXPECT_GE(m_pEngine->GetPosition(), 100u);
        EXPECT_LE(m_pEngine->GetPosition(), 200u + round);
    }
    PumpFor(400);
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_EQ(m_nNotices, 0);
    m_pEngine->ClearLoop();
    ASSERT_TRUE(m_pEngine->SetPosition(250));
    ASSERT_TRUE(PumpUntil([&] { return m_nNotices == 1; }));
    ASSERT_TRUE(m_pEngine->Play(false));
    ASSERT_TRUE(m_pEngine->SetLoop(100, 200));
    PumpFor(50);
    m_pEngine.reset();
}

// What one item sounds like, played to its end after the settings.
struct SHeard {
    bool bOpened = false;
    double seconds = 0;   // from the first sound to the last
    double decibels = 0;  // the middle half's level against the file's own (a sine at half scale)
    double frequency = 0; // over the middle half
};

using Setting = std::function<void(CPlaybackEngine &)>;
const Setting none = [](CPlaybackEngine &) {};

// SDL's disk driver writes every sample played into a file, as fast as it can.
class EngineSoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureCoreApplication();
        ASSERT_TRUE(m_folder.isValid());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_output.constData(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    void TearDown() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        EXPECT_TRUE(m_prompt.m_messages.empty());
    }

    SHeard Play(const QString &path, const Setting &beforeOpening, const Setting &afterOpening = {})
    {
        SHeard heard;
        {
            CPlaybackEngine engine; // a device of its own: the file starts empty
            int ends = 0;
            engine.SetEndHandler([&ends] { return ++ends, 0; });
            beforeOpening(engine);
            heard.bOpened = engine.Open(path);
            if (afterOpening)
                afterOpening(engine);
            if (!heard.bOpened || !engine.Play(false) || !PumpUntil([&ends] { return ends > 0; }))
                return heard;
        }
        const std::vector<float> samples = Heard();
        size_t first = 0, last = samples.size() / 2;
        while (first < last && samples[first * 2] == 0.0f)
            ++first;
        while (last > first && samples[(last - 1) * 2] == 0.0f)
            --last;
        const size_t quarter = (last - first) / 4;
        heard.seconds = static_cast<double>(last - first) / 44100;
        heard.decibels = Decibels(Rms(samples, first + quarter, last - quarter) / (0.5 / std::sqrt(2.0)));
        heard.frequency = Frequency(samples, first + quarter, last - quarter, 44100);
        return heard;
    }

    // What the disk driver has written so far: stereo float frames.
    std::vector<float> Heard() const
    {
        std::ifstream file(m_output.constData(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::vector<float> samples(bytes.size() / sizeof(float));
        std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
        return samples;
    }

    CTestPrompt m_prompt;
    QTemporaryDir m_folder;
    const QByteArray m_output = QFile::encodeName(m_folder.filePath(QStringLiteral("heard.raw")));
};

const auto Effect = [](unsigned kind, int value) -> Setting {
    return [kind, value](CPlaybackEngine &engine) { engine.SetEffect(kind, value); };
};

TEST_F(EngineSoundTest, EffectsVolumeAndTempoAsHeard)
{
    const struct {
        const char *name;
        Setting beforeOpening, afterOpening;
        double minDecibels, maxDecibels, seconds;
    } cases[] = {
        {"as recorded", none, {}, -0.1, 0.1, 3.0},
        // Values set with no file open hold for the next one.
        {"1 kHz band at 0", Effect(CPlaybackEngine::EFFECT_EQ_1K, 0), {}, 2.0, 4.0, 3.0},
        {"1 kHz band at 20", Effect(CPlaybackEngine::EFFECT_EQ_1K, 20), {}, -4.0, -2.0, 3.0},
        {"125 Hz band at 0", Effect(CPlaybackEngine::EFFECT_EQ_125, 0), {}, 0.5, 2.0, 3.0},
        {"8 kHz band at 0", Effect(CPlaybackEngine::EFFECT_EQ_8K, 0), {}, -0.2, 0.2, 3.0},
        {"reverb at 0", Effect(CPlaybackEngine::EFFECT_REVERB, 0), {}, -6.0, -1.0, 3.0},
        {"volume 50", none, [](CPlaybackEngine &engine) { engine.SetAttributes(-1, 50, -101); }, -6.2, -5.8, 3.0},
        {"tempo -30 %", none, [](CPlaybackEngine &engine) { engine.SetTempo(-30.0f, 0.0f, 0.0f); }, -1.0, 1.0,
         3.0 / 0.7},
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.name);
        const SHeard heard = Play(Media("tone.wav"), test.beforeOpening, test.afterOpening);
        ASSERT_TRUE(heard.bOpened);
        EXPECT_NEAR(heard.seconds, test.seconds, 0.05);
        EXPECT_GE(heard.decibels, test.minDecibels);
        EXPECT_LE(heard.decibels, test.maxDecibels);
        EXPECT_NEAR(heard.frequency, 440.0, 4.0);
    }
}

// Paths in any script, modules beside streams, and a file that is no media.
TEST_F(EngineSoundTest, WhatOpensAndPlays)
{
    const std::filesystem::path chinese = std::filesystem::path(CTestMedia::Folder()) / "听写练习.wav";
    std::filesystem::copy_file(CTestMedia::Path("tone.wav"), chinese,
                               std::filesystem::copy_options::overwrite_existing);
    EXPECT_NEAR(Play(QString::fromStdString(chinese.string()), none).seconds, 3.0, 0.01);

    bool bTempo = true;
    bool bTempoControl = true;
    const SHeard module = Play(Media("song.mod"), none, [&](CPlaybackEngine &engine) {
        bTempo = engine.SetTempo(10.0f, 0.0f, 0.0f);
        bTempoControl = engine.HasTempoControl();
    });
    EXPECT_TRUE(module.bOpened);
    EXPECT_GT(module.seconds, 0.5);
    EXPECT_FALSE(bTempo) << "a module has no tempo control";
    EXPECT_FALSE(bTempoControl) << "and says so";

    // A file that is no media, opened after one that played: nothing of the
    // one before is still reported.
    std::uint32_t rateAfterFailure = 1, lengthAfterFailure = 1, positionAfterFailure = 1;
    bTempoControl = true;
    EXPECT_FALSE(Play(
                     Media("text.mp3"), [](CPlaybackEngine &engine) { ASSERT_TRUE(engine.Open(Media("tone.wav"))); },
                     [&](CPlaybackEngine &engine) {
                         rateAfterFailure = engine.SampleRate();
                         lengthAfterFailure = engine.GetLength();
                         positionAfterFailure = engine.GetPosition();
                         bTempoControl = engine.HasTempoControl();
                     })
                     .bOpened);
    EXPECT_EQ(rateAfterFailure, 0u);
    EXPECT_EQ(lengthAfterFailure, 0u);
    EXPECT_EQ(positionAfterFailure, 0u);
    EXPECT_FALSE(bTempoControl);
    m_prompt.ExpectOneError("载入文件失败！");
}

} // namespace
