// The playback engine on the real runtime libraries: a start without a sound device, the
// end of the channel handed to this thread while items switch and the engine closes
// (with a notice pending: in the whole-program tests), and what the learner hears (SDL's
// disk driver writes every sample played into a file).
#include "CTestMedia.h"
#include "SignalMeasure.h"
#include "audio/CPlaybackEngine.h"
#include "audio/CSyncHandOver.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <chrono>
#include <cstring>
#include <functional>
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
        m_pEngine->SetEndHandler([this] {
            // A notice is only ever about the current item, which has played to its end,
            // and it is taken on this thread.
            const bool ended = m_pEngine->IsStopped() && m_pEngine->GetPosition() >= m_pEngine->GetLength();
            m_nStaleNotices += ended && QThread::currentThread() == qApp->thread() ? 0 : 1;
            ++m_ends[m_pEngine->Channel()];
            return m_answer(++m_nNotices);
        });
    }

    void TearDown() override { EXPECT_EQ(m_prompt.m_messages, QStringList()); }

    // The short item, 100 ms before its end.
    bool PlayShortItem()
    {
        return m_pEngine->Open(Media("short.wav")) && m_pEngine->SetPosition(200) && m_pEngine->Play(false);
    }

    CRecordingPrompt m_prompt;
    std::unique_ptr<CPlaybackEngine> m_pEngine = std::make_unique<CPlaybackEngine>();
    int m_nNotices = 0;
    int m_nStaleNotices = 0;
    std::map<uint32_t, int> m_ends; // notices by channel
    std::function<int(int)> m_answer = [](int) { return 1; };
};

} // namespace

// Without a sound device the program says so and ends, at the first call that needs the
// runtime.
TEST(EngineStart, WithoutADeviceTheProgramSaysSoAndEnds)
{
    CRecordingPrompt prompt;
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string exit;
    try {
        CPlaybackEngine engine;
        engine.Open(Media("tone.wav"));
    } catch (const std::runtime_error &error) {
        exit = error.what();
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_EQ(exit, "exit -1");
    EXPECT_EQ(prompt.m_messages, QStringList{QStringLiteral("Can't initialize device")});
}

TEST_F(EngineRuntimeTest, ItemsSwitchWhileChannelsEnd)
{
    // Every other notice opens the next item from the handler, the way the playlist wraps
    // round; meanwhile this thread switches items (many more in the whole-program tests).
    m_answer = [this](int notice) { return notice % 2 == 0 ? int(PlayShortItem()) : 1; };
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(PlayShortItem());
        QTest::qWait(round * 40);
    }
    // Then the item opened last is the one heard. Paused and resumed, its end gives one
    // notice; answered 0, the channel stays at its end and a play starts it over;
    // answered 1, the engine stops the channel and rewinds it.
    m_answer = [](int) { return 0; };
    ASSERT_TRUE(m_pEngine->Open(Media("tone.wav")));
    ASSERT_TRUE(m_pEngine->Play(false));
    const uint32_t last = m_pEngine->Channel();
    QTest::qWait(300);
    EXPECT_EQ(m_pEngine->Channel(), last);
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_GE(m_pEngine->GetPosition(), 150u);
    ASSERT_TRUE(m_pEngine->SetPosition(2900));
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_pEngine->Pause());
        ASSERT_TRUE(m_pEngine->Play(false));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_ends[last] > 0; }, 60000));
    QTest::qWait(300);
    EXPECT_EQ(m_ends[last], 1);
    EXPECT_TRUE(m_pEngine->IsStopped());
    EXPECT_EQ(m_pEngine->GetPosition(), m_pEngine->GetLength());
    ASSERT_TRUE(m_pEngine->Play(false));
    EXPECT_LT(m_pEngine->GetPosition(), 100u);
    m_answer = [](int) { return 1; };
    ASSERT_TRUE(m_pEngine->SetPosition(2900));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_ends[last] > 1; }, 60000));
    QTest::qWait(300);
    EXPECT_EQ(m_ends[last], 2);
    EXPECT_TRUE(m_pEngine->IsStopped());
    EXPECT_EQ(m_pEngine->GetPosition(), 0u);
    EXPECT_EQ(m_nStaleNotices, 0);
    for (const auto &[channel, notices] : m_ends)
        EXPECT_LE(notices, channel == last ? 2 : 1) << "channel " << channel;
}

// An end notice still waiting when another item opens is dropped: it would end the new item.
TEST_F(EngineRuntimeTest, SwitchingDropsAPendingNotice)
{
    ASSERT_TRUE(PlayShortItem());
    for (int i = 0; i < 6000 && CSyncHandOver::Instance().Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(CSyncHandOver::Instance().Pending(), 1);
    ASSERT_TRUE(m_pEngine->Open(Media("tone.wav")));
    EXPECT_EQ(CSyncHandOver::Instance().Pending(), 0);
    EXPECT_TRUE(m_pEngine->IsStopped());
    QTest::qWait(300);
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
        QTest::qWait(round * 15);
        EXPECT_GE(m_pEngine->GetPosition(), 100u);
        EXPECT_LE(m_pEngine->GetPosition(), 200u + round);
    }
    QTest::qWait(400);
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_EQ(m_nNotices, 0);
    m_pEngine->ClearLoop();
    ASSERT_TRUE(m_pEngine->SetPosition(250));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_nNotices == 1; }, 60000));
    ASSERT_TRUE(m_pEngine->Play(false));
    ASSERT_TRUE(m_pEngine->SetLoop(100, 200));
    QTest::qWait(50);
    m_pEngine.reset();
}

namespace
{

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
        ASSERT_TRUE(m_folder.isValid());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_output.constData(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }
    void TearDown() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        EXPECT_EQ(m_prompt.m_messages, QStringList());
    }

    SHeard Play(const QString &path, const Setting &beforeOpening, const Setting &afterOpening = none)
    {
        SHeard heard;
        {
            CPlaybackEngine engine; // a device of its own: the file starts empty
            int ends = 0;
            engine.SetEndHandler([&ends] { return ++ends, 0; });
            beforeOpening(engine);
            heard.bOpened = engine.Open(path);
            afterOpening(engine);
            if (!heard.bOpened || !engine.Play(false) || !QTest::qWaitFor([&ends] { return ends > 0; }, 60000))
                return heard;
        }
        const QByteArray bytes = ReadAllBytes(QFile::decodeName(m_output));
        std::vector<float> samples(static_cast<size_t>(bytes.size()) / sizeof(float));
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
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

    CRecordingPrompt m_prompt;
    QTemporaryDir m_folder;
    const QByteArray m_output = QFile::encodeName(m_folder.filePath(QStringLiteral("heard.raw")));
};

const auto Effect = [](unsigned kind, int value) -> Setting {
    return [kind, value](CPlaybackEngine &engine) { engine.SetEffect(kind, value); };
};

// Volume 50, muted, volume 80, and unmuted if asked.
const auto MutedAt80 = [](bool unmuted) -> Setting {
    return [unmuted](CPlaybackEngine &engine) {
        engine.SetAttributes(CPlaybackEngine::kUnchangedRate, 50, CPlaybackEngine::kUnchangedPan);
        engine.SetMute(true);
        engine.SetAttributes(CPlaybackEngine::kUnchangedRate, 80, CPlaybackEngine::kUnchangedPan);
        if (unmuted)
            engine.SetMute(false);
    };
};

} // namespace

TEST_F(EngineSoundTest, EffectsVolumeAndTempoAsHeard)
{
    const struct {
        const char *name;
        Setting beforeOpening, afterOpening;
        double minDecibels, maxDecibels, seconds;
    } cases[] = {
        {"as recorded", none, none, -0.1, 0.1, 3.0},
        // Values set with no file open hold for the next one.
        {"1 kHz band at 0", Effect(CPlaybackEngine::EFFECT_EQ_1K, 0), none, 2.0, 4.0, 3.0},
        {"1 kHz band at 20", Effect(CPlaybackEngine::EFFECT_EQ_1K, 20), none, -4.0, -2.0, 3.0},
        {"125 Hz band at 0", Effect(CPlaybackEngine::EFFECT_EQ_125, 0), none, 0.5, 2.0, 3.0},
        {"8 kHz band at 0", Effect(CPlaybackEngine::EFFECT_EQ_8K, 0), none, -0.2, 0.2, 3.0},
        {"reverb at 0", Effect(CPlaybackEngine::EFFECT_REVERB, 0), none, -6.0, -1.0, 3.0},
        // A volume set while muted is heard at once; unmuting brings back the one before.
        {"muted, then volume 80", none, MutedAt80(false), -2.1, -1.8, 3.0},
        {"unmuted: volume 50", none, MutedAt80(true), -6.2, -5.8, 3.0},
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

// A module plays beside streams, without tempo control. A file that is no media, opened
// after one that played: nothing of the one before is still reported.
TEST_F(EngineSoundTest, WhatOpensAndPlays)
{
    bool tempo = true, tempoControl = true;
    const SHeard module = Play(Media("song.mod"), none, [&](CPlaybackEngine &engine) {
        tempo = engine.SetTempo(10.0f, 0.0f, 0.0f);
        tempoControl = engine.HasTempoControl();
    });
    EXPECT_TRUE(module.bOpened);
    EXPECT_GT(module.seconds, 0.5);
    EXPECT_FALSE(tempo || tempoControl) << "a module has no tempo control, and says so";

    std::vector<uint32_t> reported;
    const auto openTone = [](CPlaybackEngine &engine) { ASSERT_TRUE(engine.Open(Media("tone.wav"))); };
    EXPECT_FALSE(
        Play(Media("text.mp3"), openTone, [&](CPlaybackEngine &engine) {
            reported = {engine.SampleRate(), engine.GetLength(), engine.GetPosition(), engine.HasTempoControl()};
        }).bOpened);
    EXPECT_EQ(reported, (std::vector<uint32_t>{0, 0, 0, 0}));
    EXPECT_EQ(std::exchange(m_prompt.m_messages, {}), QStringList{QStringLiteral("载入文件失败！")});
}
