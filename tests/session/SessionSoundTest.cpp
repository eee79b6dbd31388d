// The playback session on the real engine, for what only real sound shows: the
// drill's passes and silences as heard, the runtime starting on its own thread
// while the first command arrives, and a sound server that goes and comes back.
#include "CPulseServer.h"
#include "CTestMedia.h"
#include "SignalMeasure.h"
#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "editor/CQuillmereDoc.h"
#include "session/CLesson.h"
#include "session/CPlaybackSession.h"
#include "session/CQtClock.h"
#include "session/CRecordingAnalysis.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace
{

// A session on a real engine and Qt's timers, with the status panes it tells of.
struct SRealSession {
    explicit SRealSession(CAppSettings &settings) : session(settings, engine, clock, lesson)
    {
        QObject::connect(&session, &CPlaybackSession::PaneTextChanged,
                         [this](int pane, const QString &text) { panes[pane] = text; });
        QObject::connect(&session, &CPlaybackSession::RangeChanged, [this](const SAbRange &range) { shown = range; });
        session.InitDialog();
    }

    CPlaybackEngine engine;
    CQtClock clock;
    CQuillmereDoc document;
    CLesson lesson{document};
    CPlaybackSession session;
    std::map<int, QString> panes;
    SAbRange shown;
};

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
    m_settings.DrillPasses = 2;
    m_settings.DrillGap = 1;
    m_settings.Volume = 0; // nothing heard of the item before the drill
    {
        SRealSession real(m_settings);
        CPlaybackSession &control = real.session;
        ASSERT_TRUE(control.PlaylistReady(&paths));
        ASSERT_TRUE(control.ExecuteIfEnabled(IDC_STOP));
        control.OnVolumeScroll(100);
        ASSERT_TRUE(control.StartDrill({{200, 500}, {1200, 1500}, {2200, 2500}}, 0));
        EXPECT_TRUE(m_settings.DrillOn);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !control.IsDrillRunning(); }, 15000));
        QTest::qWait(500);
        EXPECT_FALSE(m_settings.DrillOn);
        EXPECT_EQ(real.panes[PANE_DRILL], QString());
        EXPECT_TRUE(real.engine.IsStopped());
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

// The runtime starts on a thread of its own while the window is built: the
// remembered item listed at once, and F1 raised straight after, are heard.
// The runtime starts on a thread of its own while the window is built: the
// remembered item listed at once, and F1 raised straight after, are heard.
TEST(SessionSoundTest, F1RaisedStraightAfterTheStartPlays)
{
    CRecordingPrompt prompt;
    CAppSettings settings;
    SRealSession real(settings);
    QStringList paths{QString::fromStdString(CTestMedia::Path("long.wav"))};
    ASSERT_TRUE(real.session.PlaylistReady(&paths));
    ASSERT_TRUE(real.session.ExecuteIfEnabled(IDC_STOP)); // loaded stopped, as the program starts
    ASSERT_TRUE(real.session.ExecuteIfEnabled(ID_PLAY_PAUSE));
    EXPECT_TRUE(real.engine.IsPlaying());
    EXPECT_TRUE(QTest::qWaitFor([&] { return real.engine.GetPosition() >= 300; }, 3000));
    EXPECT_EQ(prompt.m_messages, QStringList());
}

// The sound server dies while the item plays and comes back: the status bar says so
// both times, and the item plays on from where it was heard last.
TEST(SessionSoundTest, ALostSoundOutputAndItsReturnAreShown)
{
    CRecordingPrompt prompt;
    CPulseServer server;
    if (!server.Start())
        GTEST_SKIP() << "no PulseAudio server could be started here: " << server.Error();
    // Through the server the whole time: reopening on SDL's dummy driver would
    // bring the sound "back" without the server.
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    const struct SDummyAgain {
        ~SDummyAgain() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    } dummyAgain;
    CAppSettings settings;
    auto real = std::make_unique<SRealSession>(settings);
    QStringList paths{QString::fromStdString(CTestMedia::Path("long.wav"))};
    ASSERT_TRUE(real->session.PlaylistReady(&paths));
    QTest::qWait(300);
    EXPECT_EQ(real->panes[PANE_MESSAGE], QString());

    server.Kill();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return real->panes[PANE_MESSAGE] == QStringLiteral("声音输出中断，正在重新连接…"); }, 3000));
    // Nothing is heard, so the item keeps its place.
    const std::uint32_t held = real->engine.GetPosition();
    QTest::qWait(1000);
    EXPECT_LT(real->engine.GetPosition() - held, 200u);
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(QTest::qWaitFor([&] { return real->panes[PANE_MESSAGE] == QStringLiteral("声音输出已恢复"); }, 5000));
    EXPECT_TRUE(real->engine.IsPlaying());
    // It goes on from that place (a busy machine may take a while to show it).
    const std::uint32_t resumed = real->engine.GetPosition();
    EXPECT_GE(resumed, held);
    EXPECT_LT(resumed - held, 3000u);
    real.reset(); // the device goes before its server
    EXPECT_EQ(prompt.m_messages, QStringList());
}

// A recording of a tone, a second of silence and a tone again: its envelope, measured
// on the runtime's thread, has the silence where it is, and a session with nothing
// listed for it cuts it into the two tones.
TEST(SessionSoundTest, TheEnvelopeHasItsSilenceWhereItIsAndTheTonesBecomeStretches)
{
    CRecordingPrompt prompt;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gap.wav"));
    const QString tone = QStringLiteral("synth 1 sine 440 vol 0.5");
    ASSERT_EQ(
        std::system(qPrintable(
            QStringLiteral("sox -D -n -r 44100 -c 1 -b 16 '%1' %2 : synth 1 sine 440 vol 0 : %2").arg(path, tone))),
        0);
    CAppSettings settings;
    settings.ShortestStretchMs = 500;
    SRealSession real(settings);
    const CEnvelopeCache cache(dir.filePath(QStringLiteral("cache")));
    const auto measure = [&] {
        CRecordingAnalysis analysis(real.engine, path, cache);
        bool finished = false;
        QObject::connect(&analysis, &CRecordingAnalysis::Finished, [&](bool whole) { finished = whole; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));
        return analysis.PeaksFrom(0);
    };
    {
        const std::vector<float> peaks = measure();
        ASSERT_NEAR(double(peaks.size()), 300, 1); // 10 ms windows
        for (size_t window = 0; window < peaks.size(); ++window) {
            const bool silent = window >= 102 && window < 198, sounding = window < 98 || window >= 202;
            if (silent) {
                EXPECT_LT(peaks[window], 0.01f) << window;
            } else if (sounding) {
                EXPECT_GT(peaks[window], 0.4f) << window;
            }
        }
        // Kept: the next opening reads the same envelope; a damaged entry is measured again.
        ASSERT_TRUE(QFile::exists(cache.FileFor(path)));
        EXPECT_EQ(measure(), peaks);
        QFile entry(cache.FileFor(path));
        ASSERT_TRUE(entry.resize(entry.size() - 4));
        EXPECT_EQ(cache.Load(path), nullptr);
        EXPECT_EQ(measure(), peaks);
    }
    std::vector<CSelectionSpan> found;
    QObject::connect(&real.session, &CPlaybackSession::StretchesFound,
                     [&](const std::vector<CSelectionSpan> &rows) { found = rows; });
    QStringList paths{path};
    ASSERT_TRUE(real.session.PlaylistReady(&paths));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !found.empty(); }, 10000));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_LT(found[0].m_dwStart, 100u);
    EXPECT_GT(found[0].m_dwEnd, 1000u);
    EXPECT_LT(found[0].m_dwEnd, 1400u);
    EXPECT_GT(found[1].m_dwStart, 1600u);
    EXPECT_LE(found[1].m_dwStart, 2000u);
    EXPECT_EQ(real.lesson.Stretches(), found);
    EXPECT_EQ(prompt.m_messages, QStringList());
}
