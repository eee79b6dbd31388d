// The playback session on the real engine, for what only real sound shows: the
// drill's passes ending where their stretches do, the runtime starting on its
// own thread while the first command arrives, and a sound server that goes and
// comes back.
#include "CPulseServer.h"
#include "CTestMedia.h"
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
#include <cstdlib>
#include <gtest/gtest.h>

namespace
{

// A session on a real engine and Qt's timers, with the status panes it tells of.
struct SRealSession {
    explicit SRealSession(CAppSettings &settings) : session(settings, engine, clock, lesson)
    {
        QObject::connect(&session, &CPlaybackSession::PaneTextChanged,
                         [this](int pane, const QString &text) { panes[pane] = text; });
        session.InitDialog();
    }

    CPlaybackEngine engine;
    CQtClock clock;
    CQuillmereDoc document;
    CLesson lesson{document};
    CPlaybackSession session;
    std::map<int, QString> panes;
};

} // namespace

// Two stretches of a recording, two passes each with a second of silence after
// every pass: on the real engine each pass ends where its stretch does (a loop
// played once) and the drill goes through every pass and silence to its end.
TEST(DrillSoundTest, PassesAndSilencesInOrderThenTheEnd)
{
    CRecordingPrompt prompt;
    CAppSettings settings;
    settings.DrillPasses = 2;
    settings.DrillGap = 1;
    SRealSession real(settings);
    QStringList steps, expected;
    QObject::connect(&real.session, &CPlaybackSession::PaneTextChanged, [&](int pane, const QString &text) {
        if (pane == PANE_DRILL && (steps.isEmpty() || steps.back() != text))
            steps << text;
    });
    for (int row = 1; row <= 2; ++row)
        for (int pass = 1; pass <= 2; ++pass) {
            const QString step = QStringLiteral("第 %1/2 段 · 第 %2/2 遍").arg(row).arg(pass);
            expected << step << step + QStringLiteral(" · 书写");
        }
    expected << QString();
    QStringList paths{QString::fromStdString(CTestMedia::Path("sweep.wav"))};
    ASSERT_TRUE(real.session.PlaylistReady(&paths));
    ASSERT_TRUE(real.session.StartDrill({{200, 500}, {1200, 1500}}, 0));
    EXPECT_TRUE(settings.DrillOn);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !real.session.IsDrillRunning(); }, 15000)) << qPrintable(steps.join(u'|'));
    EXPECT_EQ(steps, expected);
    EXPECT_FALSE(settings.DrillOn);
    EXPECT_TRUE(real.engine.IsStopped());
    EXPECT_EQ(prompt.m_messages, QStringList());
}

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
            EXPECT_TRUE(silent ? peaks[window] < 0.01f : !sounding || peaks[window] > 0.4f) << window;
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
