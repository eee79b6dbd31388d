// The dictation drill: its order, holds and ends with a player that records what it
// is asked to play, then as heard through the control bar.
#include "CTestMedia.h"
#include "SignalMeasure.h"
#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "audio/CPlaybackEngine.h"
#include "support/FakeTransportView.h"
#include "support/TestSupport.h"
#include "transport/CDictationDrill.h"
#include "transport/CTransportControl.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace
{

class CRecordingPlayer final : public IDrillPlayer
{
public:
    void PlayPass(std::uint32_t start, std::uint32_t) override { m_events.push_back("play " + std::to_string(start)); }
    void PausePass() override { m_events.push_back("pause"); }
    void ResumePass() override { m_events.push_back("resume"); }
    void ShowDrillStatus(const QString &text) override { m_status = text; }
    void DrillFinished() override { m_events.push_back("finished"); }

    std::vector<std::string> m_events;
    QString m_status;
};

class DictationDrillTest : public ::testing::Test
{
protected:
    // Ends the pass now playing and lets the silence after it run out.
    void EndPass()
    {
        m_drill.PassEnded();
        QTest::qWait(m_settings.DrillGap * 1000 + 30);
    }

    CAppSettings m_settings;
    CRecordingPlayer m_player;
    CDictationDrill m_drill{m_settings, m_player};
    const std::vector<CSelectionSpan> m_rows{{1000, 2000}, {2000, 3000}, {3000, 4000}};
};

TEST_F(DictationDrillTest, EachRowItsPassesThenTheNextToTheEnd)
{
    m_settings.DrillPasses = 2;
    m_settings.DrillGap = 0;
    ASSERT_TRUE(m_drill.Start(m_rows, 1));
    EXPECT_EQ(m_player.m_status, QStringLiteral("第 2/3 段 · 第 1/2 遍"));
    EndPass();
    EXPECT_EQ(m_player.m_status, QStringLiteral("第 2/3 段 · 第 2/2 遍"));
    m_settings.DrillPasses = 1; // heard from the next step on
    EndPass();
    EndPass();
    EXPECT_EQ(m_player.m_events, (std::vector<std::string>{"play 2000", "play 2000", "play 3000", "finished"}));
    EXPECT_FALSE(m_drill.IsRunning());
    EXPECT_EQ(m_player.m_status, QString());
    EXPECT_FALSE(m_drill.Start({}, 0));
}

// F1 holds a pass or the silence after it; the silence then runs only for what is left.
TEST_F(DictationDrillTest, PausingHoldsThePassAndTheSilence)
{
    m_settings.DrillPasses = 1;
    m_settings.DrillGap = 1;
    ASSERT_TRUE(m_drill.Start(m_rows, 0));
    m_drill.PauseOrResume();
    EXPECT_TRUE(m_player.m_status.endsWith(QStringLiteral("已暂停")));
    m_drill.PauseOrResume();
    m_drill.PassEnded();
    EXPECT_TRUE(m_player.m_status.endsWith(QStringLiteral("书写")));
    QTest::qWait(600);
    m_drill.PauseOrResume();
    QTest::qWait(800);
    EXPECT_EQ(m_player.m_events.size(), 3u) << "the silence is held";
    m_drill.PauseOrResume();
    QTest::qWait(200);
    EXPECT_EQ(m_player.m_events.size(), 3u);
    QTest::qWait(400);
    EXPECT_EQ(m_player.m_events, (std::vector<std::string>{"play 1000", "pause", "resume", "play 2000"}));
    m_drill.Stop();
    QTest::qWait(1100);
    EXPECT_EQ(m_player.m_events.size(), 4u) << "nothing after a stop";
}

// The drill as heard through the control bar: SDL's disk driver, paced near real
// time so that the silences, timed by the event loop, can be measured in samples.
class DrillSoundTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", m_output.constData(), 1);
        setenv("SDL_DISKAUDIODELAY", "23", 1); // a 1024-frame buffer lasts 23.2 ms
    }
    void TearDown() override
    {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_DISKAUDIODELAY");
        EXPECT_EQ(m_prompt.m_messages, QStringList());
    }

    std::vector<float> Heard() const
    {
        const QByteArray bytes = ReadAllBytes(QString::fromLocal8Bit(m_output));
        std::vector<float> samples(static_cast<size_t>(bytes.size()) / sizeof(float));
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
        return samples;
    }

    CRecordingPrompt m_prompt;
    CAppSettings m_settings;
    CFakeTransportView m_view;
    QTemporaryDir m_folder;
    const QByteArray m_output = QFile::encodeName(m_folder.filePath(QStringLiteral("heard.raw")));
};

// A stretch of sound: where it starts and how long it lasts in frames, its pitch.
struct SRun {
    size_t start = 0, frames = 0;
    double hz = 0;
};

std::vector<SRun> SoundRuns(const std::vector<float> &samples)
{
    constexpr size_t kWindow = 441; // 10 ms
    std::vector<SRun> runs;
    bool sounding = false;
    for (size_t window = 0; window + kWindow <= samples.size() / 2; window += kWindow) {
        const bool loud = Rms(samples, window, window + kWindow) > 0.05;
        if (loud && !sounding)
            runs.push_back({window, 0, 0});
        if (loud)
            runs.back().frames = window + kWindow - runs.back().start;
        sounding = loud;
    }
    for (SRun &run : runs)
        run.hz = Frequency(samples, run.start, run.start + run.frames, 44100);
    return runs;
}

} // namespace

// Three stretches of a sweep, two passes each, one second of silence after every
// pass: six stretches of sound in order, each followed by its silence, then the end.
TEST_F(DrillSoundTest, PassesAndSilencesInOrderThenTheEnd)
{
    QStringList paths{QString::fromStdString(CTestMedia::Path("sweep.wav"))};
    m_view.m_nRows = 1;
    m_settings.DrillPasses = 2;
    m_settings.DrillGap = 1;
    m_settings.Volume = 0; // nothing heard of the item before the drill
    {
        CTransportControl control(m_settings, m_view);
        control.InitDialog();
        ASSERT_TRUE(control.PlaylistReady(&paths));
        ASSERT_TRUE(control.ExecuteIfEnabled(IDC_STOP));
        control.OnVolumeScroll(100);
        ASSERT_TRUE(control.StartDrill({{200, 500}, {1200, 1500}, {2200, 2500}}, 0));
        EXPECT_TRUE(m_settings.DrillOn);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !control.IsDrillRunning(); }, 15000));
        QTest::qWait(500);
        EXPECT_FALSE(m_settings.DrillOn);
        EXPECT_EQ(m_view.m_panes[PANE_DRILL], QString());
        EXPECT_TRUE(control.Engine().IsStopped());
    }
    const std::vector<float> heard = Heard();
    const std::vector<SRun> runs = SoundRuns(heard);
    ASSERT_EQ(runs.size(), 6u);
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(runs[i].frames / 44100.0, 0.3, 0.03);
        // The sweep rises from 100 Hz forty-fold in 3 s: the middles of the stretches.
        const double pitch = 100.0 * std::pow(40.0, (0.35 + static_cast<double>(i / 2)) / 3.0);
        EXPECT_NEAR(runs[i].hz, pitch, pitch * 0.1);
        const size_t next = i + 1 < runs.size() ? runs[i + 1].start : heard.size() / 2;
        const double silence = static_cast<double>(next - runs[i].start - runs[i].frames) / 44100.0;
        if (i + 1 < runs.size()) {
            EXPECT_NEAR(silence, 1.0, 0.3); // timed by the event loop, heard by a paced device
        } else {
            EXPECT_GT(silence, 0.9) << "nothing after the last silence";
        }
    }
}

// F1 holds and resumes a drill on the control bar; every transport or selection
// command ends it, as offered by the frame's routing, and leaves the stretch it was
// playing as the selection; volume does not.
TEST(DrillCommandTest, F1HoldsItOtherTransportAndSelectionCommandsEndIt)
{
    CRecordingPrompt prompt;
    CAppSettings settings;
    CFakeTransportView view;
    view.m_nRows = 1;
    QStringList paths{QString::fromStdString(CTestMedia::Path("long.wav"))};
    CTransportControl control(settings, view);
    control.InitDialog();
    ASSERT_TRUE(control.PlaylistReady(&paths));
    const std::vector<CSelectionSpan> rows{{4000, 6000}, {6000, 8000}};
    for (unsigned id : {IDC_SET_START, IDC_STOP, IDC_NEXT_SELECTION, ID_SELECTION_REMOVE_ALL, IDC_PAUSE_BUTTON}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(control.StartDrill(rows, 0));
        ASSERT_TRUE(control.ExecuteIfEnabled(ID_PLAY_PAUSE));
        EXPECT_TRUE(control.Engine().IsPaused());
        EXPECT_TRUE(view.m_panes[PANE_DRILL].endsWith(QStringLiteral("已暂停")));
        ASSERT_TRUE(control.ExecuteIfEnabled(ID_PLAY_PAUSE));
        EXPECT_TRUE(control.Engine().IsPlaying());
        ASSERT_TRUE(control.ExecuteIfEnabled(ID_VOLUME_DOWN));
        EXPECT_TRUE(control.IsDrillRunning());
        control.OnCmdMsg(id, nullptr);
        EXPECT_FALSE(control.IsDrillRunning());
        EXPECT_FALSE(settings.DrillOn);
        EXPECT_EQ(view.m_panes[PANE_DRILL], QString());
        control.ExecuteIfEnabled(IDC_PLAY_BUTTON);
    }
    // Left as the selection, the stretch repeats.
    ASSERT_TRUE(control.StartDrill(rows, 1));
    control.OnCmdMsg(IDC_NEXT_SELECTION, nullptr);
    EXPECT_EQ(view.m_selection, (CSelectionSpan{6000, 8000}));
    control.Engine().SetPosition(7900);
    QTest::qWait(400);
    EXPECT_GE(control.Engine().GetPosition(), 6000u);
    EXPECT_LT(control.Engine().GetPosition(), 6500u);
}
