// The playback session's decisions on simulated time: commands raised as a key
// press would, a player whose position runs on a clock the test moves, and the
// lesson's real document. Nothing here waits in real time.
#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "support/CSimulatedTime.h"
#include "support/TestSupport.h"

#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace
{

class PlaybackSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        QObject::connect(&m_sim.session, &CPlaybackSession::PaneTextChanged,
                         [this](int pane, const QString &text) { m_panes[pane] = text; });
        QObject::connect(&m_sim.session, &CPlaybackSession::RangeChanged,
                         [this](const SAbRange &range) { m_shown = range; });
        QObject::connect(&m_sim.session, &CPlaybackSession::StretchesListed,
                         [this](const std::vector<CSelectionSpan> &rows) { m_rows = rows; });
        m_sim.session.InitDialog();
    }
    void TearDown() override { EXPECT_EQ(m_prompt.m_messages, QStringList()); }

    // Items of these lengths in milliseconds; the remembered one listed and playing.
    void StartPlaylist(const std::vector<std::uint32_t> &lengths, int remembered = 0)
    {
        for (std::uint32_t length : lengths) {
            m_paths.append(m_folder.filePath(QStringLiteral("item%1.wav").arg(m_paths.size())));
            m_sim.player.m_lengths[m_paths.back()] = length;
        }
        m_settings.PlaylistIndex = remembered;
        ASSERT_TRUE(m_sim.session.PlaylistReady(&m_paths));
    }
    bool Raise(unsigned id) { return m_sim.session.ExecuteIfEnabled(id); }
    bool Enabled(unsigned id) { return m_sim.session.QueryState(id).m_bEnabled; }
    // The lowest and highest position in the next milliseconds, looked at every 10.
    std::pair<std::uint32_t, std::uint32_t> PositionsDuring(int ms)
    {
        std::uint32_t lowest = UINT32_MAX, highest = 0;
        for (int t = 0; t < ms; t += 10) {
            m_sim.clock.Advance(10);
            lowest = std::min(lowest, m_sim.player.GetPosition());
            highest = std::max(highest, m_sim.player.GetPosition());
        }
        return {lowest, highest};
    }
    void TypeText(const QString &text)
    {
        m_sim.document.GetTextDocument().setPlainText(text);
        m_sim.document.SetModifiedFlag(true);
    }

    CRecordingPrompt m_prompt;
    QTemporaryDir m_folder;
    CAppSettings m_settings;
    SSimulatedSession m_sim{m_settings};
    QStringList m_paths;
    std::map<int, QString> m_panes;
    SAbRange m_shown;
    std::vector<CSelectionSpan> m_rows;
};

TEST_F(PlaybackSessionTest, WithNoItemOnlyMuteAndVolumeAreEnabled)
{
    for (unsigned id :
         {IDC_PLAY_BUTTON, ID_PLAY_PAUSE, IDC_PAUSE_BUTTON, IDC_STOP, IDC_PREV_ITEM, IDC_NEXT_ITEM, IDC_START_LEFT,
          IDC_SET_START, IDC_SET_END, IDC_END_RIGHT, IDC_CLEAR_SELECTION, IDC_SAVE_SELECTION, IDC_PREV_SELECTION})
        EXPECT_FALSE(Enabled(id)) << id;
    for (unsigned id : {ID_MUTE, IDC_MUTE_BUTTON, ID_VOLUME_UP, ID_VOLUME_DOWN})
        EXPECT_TRUE(Enabled(id)) << id;
}

TEST_F(PlaybackSessionTest, SetStartAndEndLoopTheSelection)
{
    StartPlaylist({20000});
    m_sim.session.OnPositionScroll(5000);
    ASSERT_TRUE(Raise(IDC_SET_START));
    m_sim.session.OnPositionScroll(9050);
    ASSERT_TRUE(Raise(IDC_SET_END));
    EXPECT_EQ(m_shown, (SAbRange{5000, 9050, true}));
    EXPECT_EQ(m_sim.player.GetPosition(), 5000u); // heard from its start at once
    EXPECT_EQ(m_panes[PANE_SEL_START], QStringLiteral("00:05"));

    m_sim.session.OnPositionScroll(8500);
    const auto [lowest, highest] = PositionsDuring(2500);
    EXPECT_GE(lowest, 5000u);
    EXPECT_LT(highest, 9050u);

    ASSERT_TRUE(Raise(IDC_CLEAR_SELECTION));
    EXPECT_EQ(m_panes[PANE_SEL_START], QStringLiteral("选择起点"));
    EXPECT_FALSE(m_shown.bActive);
}

TEST_F(PlaybackSessionTest, NudgesStopAtZeroAndAtTheLength)
{
    StartPlaylist({3000});
    for (const auto &[step, start, end, enabledAfter] :
         {std::tuple{1000, 0u, 3000u, false}, {100, 400u, 2100u, true}}) {
        m_settings.MoveStep = step;
        m_sim.session.PlaySelection(500, 2000);
        ASSERT_TRUE(Raise(IDC_START_LEFT));
        ASSERT_TRUE(Raise(IDC_END_RIGHT));
        EXPECT_EQ(m_shown, (SAbRange{start, end, true})) << step;
        EXPECT_EQ(Enabled(IDC_START_LEFT), enabledAfter);
        EXPECT_EQ(Enabled(IDC_END_RIGHT), enabledAfter);
    }
}

// A row from 0 keeps the previous start only when it lies before the row's end; a
// start set past the end runs to the item's end; one millisecond loops in itself.
TEST_F(PlaybackSessionTest, AStartPastTheEndNeverLoopsATickAndAMillisecondKeepsPlaying)
{
    StartPlaylist({3000});
    for (const CSelectionSpan &c : {CSelectionSpan{1000, 1000}, CSelectionSpan{2500, 0}}) {
        m_sim.session.PlaySelection(c.m_dwStart, 2800);
        m_sim.session.PlaySelection(0, 2000);
        EXPECT_EQ(m_shown, (SAbRange{c.m_dwEnd, 2000, true})) << c.m_dwStart;
    }
    m_sim.player.SetPosition(2500);
    ASSERT_TRUE(Raise(IDC_SET_START));
    EXPECT_EQ(m_shown, (SAbRange{2500, 3000, true}));

    m_sim.session.PlaySelection(1000, 1001);
    const auto [lowest, highest] = PositionsDuring(500);
    EXPECT_EQ(lowest, 1000u);
    EXPECT_LE(highest, 1001u);
    EXPECT_TRUE(m_sim.player.IsPlaying());
}

// Rows made for a longer recording, or with a time tagged twice, play only what
// the item has, and never a tick again and again.
TEST_F(PlaybackSessionTest, RowsPastTheEndOrWithoutLengthPlayOnlyWhatTheItemHas)
{
    StartPlaylist({3000});
    const std::pair<CSelectionSpan, SAbRange> cases[] = {
        {{1000, 1000}, {1000, 3000, true}}, // no length: runs to the end
        {{2000, 5000}, {2000, 3000, true}}, // its end cut at the item's end
        {{5000, 7000}, {2000, 3000, true}}, // nothing of it in the item: refused
        {{1000, 2000}, {1000, 2000, true}},
    };
    for (const auto &[row, range] : cases) {
        SCOPED_TRACE(testing::Message() << row.m_dwStart << "-" << row.m_dwEnd);
        m_sim.session.PlaySelection(row.m_dwStart, row.m_dwEnd);
        EXPECT_EQ(m_shown, range);
        const auto [lowest, highest] = PositionsDuring(1200);
        EXPECT_GE(lowest, range.dwStart);
        EXPECT_LE(highest, range.dwEnd);
        EXPECT_GT(highest, std::min(range.dwStart + 300, range.dwEnd - 1));
    }
}

TEST_F(PlaybackSessionTest, EndOfItemFollowsThePlayOrder)
{
    struct SCase {
        int order, item, expectedItem;
        bool leaveText, playing;
    };
    const SCase cases[] = {
        {ORDER_IN_TURN, 0, 1, true, true},     {ORDER_IN_TURN, 2, 2, true, false},
        {ORDER_REPEAT_ONE, 2, 2, true, true},  {ORDER_REPEAT_LIST, 0, 1, true, true},
        {ORDER_REPEAT_LIST, 2, 0, true, true}, {ORDER_REPEAT_LIST, 2, 2, false, false},
    };
    StartPlaylist({500, 3000, 500});
    for (const SCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "order " << c.order << " item " << c.item);
        m_settings.Order = c.order;
        m_sim.session.PlayItem(c.item);
        if (!c.leaveText) {
            TypeText(QStringLiteral("kept"));
            m_prompt.m_queuedAnswers = {CPrompt::IDCANCEL};
        }
        m_sim.clock.Advance(520); // just past the end of the item
        EXPECT_EQ(m_sim.session.CurrentIndex(), c.expectedItem);
        EXPECT_EQ(m_sim.player.IsPlaying(), c.playing);
        EXPECT_EQ(m_sim.lesson.RecordingPath(), m_paths[c.expectedItem]);
        EXPECT_TRUE(c.playing || m_sim.player.GetPosition() == 0u) << m_sim.player.GetPosition();
        EXPECT_EQ(m_prompt.m_messages.size(), c.leaveText ? 0 : 1);
        m_prompt.m_messages.clear();
    }
}

TEST_F(PlaybackSessionTest, EndOfItemWithASelectionReplaysItInEveryOrder)
{
    StartPlaylist({500, 3000});
    m_sim.session.PlaySelection(100, 0);
    for (int order : {ORDER_IN_TURN, ORDER_REPEAT_ONE, ORDER_REPEAT_LIST}) {
        m_settings.Order = order;
        m_sim.clock.Advance(1000); // two ends at least
        EXPECT_EQ(m_sim.session.CurrentIndex(), 0);
        EXPECT_TRUE(m_sim.player.IsPlaying());
        EXPECT_TRUE(m_shown.bActive);
    }
}

TEST_F(PlaybackSessionTest, VolumeEndsMutingAndStaysInRange)
{
    StartPlaylist({3000});
    ASSERT_TRUE(Raise(ID_MUTE));
    EXPECT_TRUE(m_sim.player.m_bMuted && m_settings.Mute);
    EXPECT_EQ(m_sim.session.QueryState(IDC_MUTE_BUTTON).m_nCheck, 1);
    ASSERT_TRUE(Raise(ID_VOLUME_UP));
    EXPECT_FALSE(m_sim.player.m_bMuted || m_settings.Mute);
    EXPECT_EQ(m_settings.Volume, 55);
    m_sim.session.OnVolumeScroll(98);
    ASSERT_TRUE(Raise(ID_VOLUME_UP));
    EXPECT_EQ(m_sim.player.m_nVolume, 100);
}

TEST_F(PlaybackSessionTest, CurrentItemIsAlwaysInTheListAndRemembered)
{
    StartPlaylist({3000, 500}, 7);
    EXPECT_EQ(m_sim.session.CurrentIndex(), 0);
    m_sim.session.PlayItem(5);
    EXPECT_EQ(m_sim.session.CurrentIndex(), 0);
    m_sim.session.PlayItem(1);
    EXPECT_EQ(m_sim.session.GetCurrentPath(), m_paths[1]);
    m_sim.session.RememberCurrentItem();
    EXPECT_EQ(m_settings.PlaylistIndex, 1);
    m_sim.session.SetCurrentIndex(-1);
    m_sim.session.RememberCurrentItem();
    EXPECT_EQ(m_settings.PlaylistIndex, 0);
}

// Leaving an item leaves its text only through the save question: Cancel keeps
// item and text, Yes saves the text beside the item it was typed for.
TEST_F(PlaybackSessionTest, SwitchingItemsAsksBeforeTheTextIsReplaced)
{
    StartPlaylist({3000, 3000});
    TypeText(QStringLiteral("my careful transcript"));
    m_prompt.m_queuedAnswers = {CPrompt::IDCANCEL};
    ASSERT_TRUE(Raise(IDC_NEXT_ITEM));
    EXPECT_EQ(m_sim.session.CurrentIndex(), 0);
    EXPECT_EQ(m_sim.lesson.RecordingPath(), m_paths[0]);
    EXPECT_TRUE(m_sim.document.IsModified());

    m_prompt.m_queuedAnswers = {CPrompt::IDYES};
    ASSERT_TRUE(Raise(IDC_NEXT_ITEM));
    EXPECT_EQ(m_sim.session.CurrentIndex(), 1);
    EXPECT_EQ(m_sim.lesson.RecordingPath(), m_paths[1]);
    EXPECT_FALSE(m_sim.document.IsModified());
    EXPECT_TRUE(m_sim.document.GetTextDocument().isEmpty());
    EXPECT_TRUE(ReadAllBytes(m_folder.filePath(QStringLiteral("item0.rtf"))).contains("my careful transcript"));
    ASSERT_EQ(m_prompt.m_messages.size(), 2);
    EXPECT_TRUE(m_prompt.m_messages[0].startsWith(QStringLiteral("是否保存对")));
    m_prompt.m_messages.clear();

    // Back again, the saved text is read from beside its item.
    ASSERT_TRUE(Raise(IDC_PREV_ITEM));
    EXPECT_TRUE(m_sim.document.GetTextDocument().toPlainText().contains(QStringLiteral("my careful transcript")));
}

// A lost output is told once when it goes and once when it comes back.
TEST_F(PlaybackSessionTest, ALostSoundOutputAndItsReturnAreToldOnce)
{
    StartPlaylist({20000});
    m_sim.clock.Advance(300);
    EXPECT_EQ(m_panes[PANE_MESSAGE], QString());
    m_sim.player.m_bOutputLost = true;
    m_sim.clock.Advance(300);
    EXPECT_EQ(m_panes[PANE_MESSAGE], QStringLiteral("声音输出中断，正在重新连接…"));
    m_panes[PANE_MESSAGE].clear();
    m_sim.clock.Advance(300);
    EXPECT_EQ(m_panes[PANE_MESSAGE], QString());
    m_sim.player.m_bOutputLost = false;
    m_sim.clock.Advance(300);
    EXPECT_EQ(m_panes[PANE_MESSAGE], QStringLiteral("声音输出已恢复"));
}

TEST_F(PlaybackSessionTest, TheDrillPlaysEachRowItsPassesWithSilencesThenEnds)
{
    StartPlaylist({10000});
    m_settings.DrillPasses = 2;
    m_settings.DrillGap = 1;
    std::vector<SAbRange> passes;
    QObject::connect(&m_sim.session, &CPlaybackSession::RangeChanged, [&](const SAbRange &range) {
        if (range.bActive &&
            (passes.empty() || m_sim.player.IsStopped() || m_sim.player.GetPosition() == range.dwStart))
            passes.push_back(range);
    });
    ASSERT_TRUE(m_sim.session.StartDrill({{1000, 1300}, {2000, 2300}, {3000, 3300}}, 1));
    EXPECT_EQ(m_panes[PANE_DRILL], QStringLiteral("第 2/3 段 · 第 1/2 遍"));
    m_sim.clock.Advance(300);
    EXPECT_EQ(m_panes[PANE_DRILL], QStringLiteral("第 2/3 段 · 第 1/2 遍 · 书写"));
    m_sim.clock.Advance(1000);
    EXPECT_EQ(m_panes[PANE_DRILL], QStringLiteral("第 2/3 段 · 第 2/2 遍"));
    m_settings.DrillPasses = 1; // heard from the next step on
    m_sim.clock.Advance(2600);
    EXPECT_FALSE(m_sim.session.IsDrillRunning());
    EXPECT_FALSE(m_settings.DrillOn);
    EXPECT_EQ(m_panes[PANE_DRILL], QString());
    EXPECT_FALSE(m_sim.player.IsPlaying());
    EXPECT_EQ(passes, (std::vector<SAbRange>{{2000, 2300, true}, {2000, 2300, true}, {3000, 3300, true}}));
    EXPECT_FALSE(m_sim.session.StartDrill({}, 0));
}

// F1 holds the pass or the silence after it; the silence then runs only for what is left.
TEST_F(PlaybackSessionTest, F1HoldsThePassAndTheSilence)
{
    StartPlaylist({10000});
    m_settings.DrillPasses = 1;
    m_settings.DrillGap = 1;
    ASSERT_TRUE(m_sim.session.StartDrill({{1000, 1300}, {2000, 2300}}, 0));
    ASSERT_TRUE(Raise(ID_PLAY_PAUSE));
    EXPECT_TRUE(m_sim.player.IsPaused());
    EXPECT_TRUE(m_panes[PANE_DRILL].endsWith(QStringLiteral("已暂停")));
    m_sim.clock.Advance(5000);
    EXPECT_EQ(m_sim.player.GetPosition(), 1000u) << "the pass is held";
    ASSERT_TRUE(Raise(ID_PLAY_PAUSE));
    m_sim.clock.Advance(300 + 600);
    ASSERT_TRUE(Raise(ID_PLAY_PAUSE)); // in the silence, 400 ms of it left
    m_sim.clock.Advance(5000);
    EXPECT_TRUE(m_panes[PANE_DRILL].startsWith(QStringLiteral("第 1/2 段")));
    ASSERT_TRUE(Raise(ID_PLAY_PAUSE));
    m_sim.clock.Advance(399);
    EXPECT_TRUE(m_panes[PANE_DRILL].startsWith(QStringLiteral("第 1/2 段")));
    m_sim.clock.Advance(1);
    EXPECT_EQ(m_panes[PANE_DRILL], QStringLiteral("第 2/2 段 · 第 1/1 遍"));
    EXPECT_EQ(m_sim.player.GetPosition(), 2000u);
}

// Once a stretch is written, the drill's pane tells its score while the next is drilled.
TEST_F(PlaybackSessionTest, TheDrillTellsTheScoreOfTheStretchJustWritten)
{
    WriteAllBytes(m_folder.filePath(QStringLiteral("item0.lrc")), "[00:01.00]One two three.\n[00:02.00]Four five.\n");
    StartPlaylist({3000});
    m_settings.DrillPasses = 1;
    m_settings.DrillGap = 0;
    ASSERT_EQ(m_rows.size(), 2u);
    ASSERT_TRUE(m_sim.session.StartDrill(m_rows, 0));
    m_sim.document.GetTextDocument().setPlainText(QStringLiteral("One too three. Four"));
    m_sim.clock.Advance(1000);
    EXPECT_EQ(m_panes[PANE_DRILL], QStringLiteral("第 2/2 段 · 第 1/1 遍 · 上一段 67%"));
}

// Every transport or selection command ends a running drill and leaves the
// stretch it was playing as the selection; volume does not end it.
TEST_F(PlaybackSessionTest, OtherTransportAndSelectionCommandsEndTheDrill)
{
    StartPlaylist({10000});
    const std::vector<CSelectionSpan> rows{{4000, 6000}, {6000, 8000}};
    for (unsigned id : {IDC_SET_START, IDC_STOP, IDC_NEXT_SELECTION, ID_SELECTION_REMOVE_ALL, IDC_PAUSE_BUTTON}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(m_sim.session.StartDrill(rows, 0));
        ASSERT_TRUE(Raise(ID_VOLUME_DOWN));
        EXPECT_TRUE(m_sim.session.IsDrillRunning());
        m_sim.session.OnCmdMsg(id, nullptr);
        EXPECT_FALSE(m_sim.session.IsDrillRunning());
        EXPECT_FALSE(m_settings.DrillOn);
        EXPECT_EQ(m_panes[PANE_DRILL], QString());
        Raise(IDC_PLAY_BUTTON);
    }
    ASSERT_TRUE(m_sim.session.StartDrill(rows, 1));
    m_sim.session.OnCmdMsg(IDC_NEXT_SELECTION, nullptr);
    EXPECT_EQ(m_shown, (SAbRange{6000, 8000, true}));
    const auto [lowest, highest] = PositionsDuring(4000);
    EXPECT_GE(lowest, 6000u);
    EXPECT_LT(highest, 8000u);
}

} // namespace
