// The control bar's decisions on the real engine (SDL's dummy output, media
// made by the runtime tests): commands raised as a key press would, timers
// run by the event loop, and a view that records what the learner would see.
#include "CPulseServer.h"
#include "CTestMedia.h"
#include "app/CAppSettings.h"
#include "audio/CPlaybackEngine.h"
#include "support/FakeTransportView.h"
#include "support/TestSupport.h"
#include "transport/CTransportControl.h"

#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace
{

class TransportControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pControl = std::make_unique<CTransportControl>(m_settings, m_view);
        m_pControl->InitDialog();
    }
    void TearDown() override { EXPECT_EQ(m_prompt.m_messages, QStringList()); }

    // Lists the playlist and plays the remembered item, as at start-up.
    void StartPlaylist(const std::vector<const char *> &names, int remembered = 0)
    {
        for (const char *name : names)
            m_paths.append(QString::fromStdString(CTestMedia::Path(name)));
        m_view.m_nRows = static_cast<int>(m_paths.size());
        m_settings.PlaylistIndex = remembered;
        ASSERT_TRUE(m_pControl->PlaylistReady(&m_paths));
    }
    bool Raise(unsigned id) { return m_pControl->ExecuteIfEnabled(id); }
    bool Enabled(unsigned id) { return m_pControl->QueryState(id).m_bEnabled; }
    CPlaybackEngine &Engine() { return m_pControl->Engine(); }
    QString Pane(int pane) { return m_view.m_panes[pane]; }
    // The lowest and highest position heard in the next milliseconds.
    std::pair<std::uint32_t, std::uint32_t> PositionsDuring(int ms)
    {
        std::uint32_t lowest = UINT32_MAX, highest = 0;
        (void)QTest::qWaitFor(
            [&] {
                lowest = std::min(lowest, Engine().GetPosition());
                highest = std::max(highest, Engine().GetPosition());
                return false;
            },
            ms);
        return {lowest, highest};
    }

    CRecordingPrompt m_prompt;
    CAppSettings m_settings;
    CFakeTransportView m_view;
    QStringList m_paths;
    std::unique_ptr<CTransportControl> m_pControl;
};

TEST_F(TransportControlTest, WithNoItemOnlyMuteAndVolumeAreEnabled)
{
    for (unsigned id :
         {IDC_PLAY_BUTTON, ID_PLAY_PAUSE, IDC_PAUSE_BUTTON, IDC_STOP, IDC_PREV_ITEM, IDC_NEXT_ITEM, IDC_START_LEFT,
          IDC_SET_START, IDC_SET_END, IDC_END_RIGHT, IDC_CLEAR_SELECTION, IDC_SAVE_SELECTION, IDC_PREV_SELECTION})
        EXPECT_FALSE(Enabled(id)) << id;
    for (unsigned id : {ID_MUTE, IDC_MUTE_BUTTON, ID_VOLUME_UP, ID_VOLUME_DOWN})
        EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(TransportControlTest, SetStartAndEndLoopTheSelection)
{
    StartPlaylist({"long.wav"});
    m_pControl->OnPositionScroll(5000);
    ASSERT_TRUE(Raise(IDC_SET_START));
    m_pControl->OnPositionScroll(9050);
    ASSERT_TRUE(Raise(IDC_SET_END));
    EXPECT_TRUE(m_view.m_bSelectionShown);
    EXPECT_LT(Engine().GetPosition(), 5100u); // heard from its start at once

    // Played through its end: the position goes back to its start, past the end
    // by a tick and the seek at most, and never reaches the item's end.
    m_pControl->OnPositionScroll(8500);
    const auto [lowest, highest] = PositionsDuring(2500);
    EXPECT_GE(lowest, 5000u);
    EXPECT_LT(lowest, 5300u);
    EXPECT_LT(highest, 9800u);

    // Clearing removes the selection from the panes and the slider (stopping: the player bar's test).
    ASSERT_TRUE(Raise(IDC_CLEAR_SELECTION));
    EXPECT_EQ(Pane(PANE_SEL_START), QStringLiteral("选择起点"));
    EXPECT_EQ(Pane(PANE_SEL_END), QStringLiteral("选择终点"));
    EXPECT_FALSE(m_view.m_bSelectionShown);
}

TEST_F(TransportControlTest, NudgesStopAtZeroAndAtTheLength)
{
    StartPlaylist({"tone.wav"});
    const std::uint32_t length = Engine().GetLength();
    struct SCase {
        int step;
        std::uint32_t start, endShort, nudgedStart, nudgedEndShort;
        bool enabledAfter;
    };
    for (const SCase &c : {SCase{1000, 500, 1000, 0, 0, false}, SCase{100, 500, 1000, 400, 900, true}}) {
        m_settings.MoveStep = c.step;
        m_pControl->PlaySelection(c.start, length - c.endShort);
        ASSERT_TRUE(Raise(IDC_START_LEFT));
        ASSERT_TRUE(Raise(IDC_END_RIGHT));
        EXPECT_EQ(m_view.m_selection, (CSelectionSpan{c.nudgedStart, length - c.nudgedEndShort})) << c.step;
        EXPECT_EQ(Enabled(IDC_START_LEFT), c.enabledAfter);
        EXPECT_EQ(Enabled(IDC_END_RIGHT), c.enabledAfter);
    }
}

// A saved row from 0 keeps the previous start only when it lies before the
// row's end; a start set past the end (before the next tick brings the
// position back) runs to the item's end. A selection of one millisecond plays
// on inside it.
TEST_F(TransportControlTest, AStartPastTheEndNeverLoopsATickAndAMillisecondKeepsPlaying)
{
    StartPlaylist({"tone.wav"});
    // {previous start, start after playing the row}
    for (const CSelectionSpan &c : {CSelectionSpan{1000, 1000}, CSelectionSpan{2500, 0}}) {
        m_pControl->PlaySelection(c.m_dwStart, 2800);
        m_pControl->PlaySelection(0, 2000);
        EXPECT_EQ(m_view.m_selection, (CSelectionSpan{c.m_dwEnd, 2000})) << c.m_dwStart;
    }
    ASSERT_TRUE(Engine().SetPosition(2500));
    ASSERT_TRUE(Raise(IDC_SET_START));
    EXPECT_GT(m_view.m_selection.m_dwStart, 2000u);
    EXPECT_EQ(m_view.m_selection.m_dwEnd, Engine().GetLength());

    m_pControl->PlaySelection(1000, 1001);
    const auto [lowest, highest] = PositionsDuring(500);
    EXPECT_EQ(lowest, 1000u);
    EXPECT_LE(highest, 1001u);
    EXPECT_TRUE(Engine().IsPlaying());
}

TEST_F(TransportControlTest, EndOfItemFollowsThePlayOrder)
{
    struct SCase {
        int order, item;
        bool acceptDocument;
        int expectedItem;
        bool playing;
        std::vector<int> documents;
    };
    const SCase cases[] = {
        {ORDER_IN_TURN, 0, true, 1, true, {1}},     {ORDER_IN_TURN, 2, true, 2, false, {}},
        {ORDER_REPEAT_ONE, 2, true, 2, true, {}},   {ORDER_REPEAT_LIST, 0, true, 1, true, {1}},
        {ORDER_REPEAT_LIST, 2, true, 0, true, {0}}, {ORDER_REPEAT_LIST, 2, false, 2, false, {0}},
    };
    StartPlaylist({"short.wav", "tone.wav", "short.wav"});
    for (const SCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "order " << c.order << " item " << c.item);
        m_settings.Order = c.order;
        m_view.m_bAcceptDocument = c.acceptDocument;
        m_pControl->PlayItem(c.item);
        m_view.m_nPlayReleases = 0;
        m_view.m_documents.clear();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_view.m_nPlayReleases > 0; }, 3000));
        QTest::qWait(50); // the command posted at the end
        EXPECT_EQ(m_pControl->CurrentIndex(), c.expectedItem);
        EXPECT_EQ(Engine().IsPlaying(), c.playing);
        EXPECT_EQ(m_view.m_documents, c.documents);
        EXPECT_TRUE(c.playing || Engine().GetPosition() == 0u) << Engine().GetPosition();
    }
}

TEST_F(TransportControlTest, EndOfItemWithASelectionReplaysItInEveryOrder)
{
    StartPlaylist({"short.wav", "tone.wav"});
    m_pControl->PlaySelection(100, 0);
    m_view.m_nPlayReleases = 0;
    for (int order : {ORDER_IN_TURN, ORDER_REPEAT_ONE, ORDER_REPEAT_LIST}) {
        m_settings.Order = order;
        QTest::qWait(700); // two ends at least
        EXPECT_EQ(m_view.m_nPlayReleases, 0);
        EXPECT_EQ(m_pControl->CurrentIndex(), 0);
        // Between an end and the play command the channel rests for a moment.
        EXPECT_TRUE(QTest::qWaitFor([&] { return Engine().IsPlaying(); }, 300));
        EXPECT_TRUE(m_view.m_bSelectionShown);
    }
}

TEST_F(TransportControlTest, VolumeEndsMutingAndStaysInRange)
{
    StartPlaylist({"tone.wav"});
    ASSERT_TRUE(Raise(ID_MUTE));
    EXPECT_TRUE(Engine().IsMuted() && m_settings.Mute && m_view.m_bMuteImage);
    EXPECT_EQ(m_pControl->QueryState(IDC_MUTE_BUTTON).m_nCheck, 1);
    ASSERT_TRUE(Raise(ID_VOLUME_UP));
    EXPECT_FALSE(Engine().IsMuted() || m_settings.Mute || m_view.m_bMuteImage);
    EXPECT_EQ(m_settings.Volume, 55);
    m_pControl->OnVolumeScroll(98);
    ASSERT_TRUE(Raise(ID_VOLUME_UP));
    EXPECT_EQ(m_view.m_nVolume, 100);
    EXPECT_EQ(Engine().RememberedVolume(), 100);
}

TEST_F(TransportControlTest, CurrentItemIsAlwaysInTheListAndRemembered)
{
    StartPlaylist({"tone.wav", "short.wav"}, 7);
    EXPECT_EQ(m_pControl->CurrentIndex(), 0);
    m_pControl->PlayItem(5);
    EXPECT_EQ(m_pControl->CurrentIndex(), 0);
    m_pControl->PlayItem(1);
    EXPECT_EQ(m_pControl->GetCurrentPath(), m_paths[1]);
    m_pControl->RememberCurrentItem();
    EXPECT_EQ(m_settings.PlaylistIndex, 1);

    m_pControl.reset(); // one engine at a time
    m_pControl = std::make_unique<CTransportControl>(m_settings, m_view);
    m_pControl->RememberCurrentItem();
    EXPECT_EQ(m_settings.PlaylistIndex, 0);
}

// The sound server dies while the item plays and comes back: the status bar says so
// both times, and the item plays on from where it was heard last.
// The runtime starts on a thread of its own while the window is built: the
// remembered item listed at once, and F1 raised straight after, are heard.
TEST_F(TransportControlTest, F1RaisedStraightAfterTheStartPlays)
{
    m_pControl.reset(); // one device at a time
    m_pControl = std::make_unique<CTransportControl>(m_settings, m_view);
    m_pControl->InitDialog();
    StartPlaylist({"long.wav"});
    ASSERT_TRUE(Raise(IDC_STOP)); // loaded stopped, as the program starts
    ASSERT_TRUE(Raise(ID_PLAY_PAUSE));
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Engine().GetPosition() >= 300; }, 3000));
}

TEST_F(TransportControlTest, ALostSoundOutputAndItsReturnAreShown)
{
    m_pControl.reset();
    CPulseServer server;
    if (!server.Start())
        GTEST_SKIP() << "no PulseAudio server could be started here: " << server.Error();
    // Through the server the whole time: reopening on SDL's dummy driver would
    // bring the sound "back" without the server.
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    const struct SDummyAgain {
        ~SDummyAgain() { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    } dummyAgain;
    m_pControl = std::make_unique<CTransportControl>(m_settings, m_view);
    m_pControl->InitDialog();
    StartPlaylist({"long.wav"});
    QTest::qWait(300);
    EXPECT_EQ(Pane(PANE_MESSAGE), QString());

    server.Kill();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return Pane(PANE_MESSAGE) == QStringLiteral("声音输出中断，正在重新连接…"); }, 3000));
    // Nothing is heard, so the item keeps its place.
    const std::uint32_t held = Engine().GetPosition();
    QTest::qWait(1000);
    EXPECT_LT(Engine().GetPosition() - held, 200u);
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(QTest::qWaitFor([&] { return Pane(PANE_MESSAGE) == QStringLiteral("声音输出已恢复"); }, 5000));
    EXPECT_TRUE(Engine().IsPlaying());
    // It goes on from that place (a busy machine may take a while to show it).
    const std::uint32_t resumed = Engine().GetPosition();
    EXPECT_GE(resumed, held);
    EXPECT_LT(resumed - held, 3000u);
    m_pControl.reset(); // the device goes before its server
}

} // namespace
