// The selection list pane on a playback session: commands raised as the
// frame would raise them, and the stretch the session was asked to play.
#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "lists/CLrcFile.h"
#include "support/CSimulatedTime.h"
#include "support/TestSupport.h"
#include "views/CSelectionView.h"

#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace
{

class SelectionViewTest : public ::testing::Test
{
protected:
    SelectionViewTest() : m_pane(m_settings, m_control)
    {
        m_pane.show();
        for (std::uint32_t start : {61000U, 65500U, 70000U, 80000U})
            m_pane.AddSelection(start, start + 4500);
    }

    bool Raise(unsigned id) { return m_pane.ExecuteIfEnabled(id); }
    QTreeWidget &List() { return *m_pane.ListCtrl(); }
    QString Cell(int row, int column) { return List().topLevelItem(row)->text(column); }
    bool Selected(int row) { return List().selectedItems() == QList{List().topLevelItem(row)}; }
    void Remove(int row)
    {
        List().setCurrentItem(List().topLevelItem(row));
        ASSERT_TRUE(Raise(ID_SELECTION_REMOVE));
    }
    void ExpectSteps(bool prev, bool next)
    {
        EXPECT_EQ(m_pane.QueryState(IDC_PREV_SELECTION).m_bEnabled, prev);
        EXPECT_EQ(m_pane.QueryState(IDC_NEXT_SELECTION).m_bEnabled, next);
    }

    CSelectionSpan Selection() const { return {m_control.Range().dwStart, m_control.Range().dwEnd}; }

    CAppSettings m_settings;
    SSimulatedSession m_sim{m_settings};
    CPlaybackSession &m_control = m_sim.session;
    CSelectionView m_pane;
};

} // namespace

// Rows show whole seconds and step from the current one; removing keeps it or the one after it.
TEST_F(SelectionViewTest, RowsShowWholeSecondsStepFromTheCurrentOneAndRemovingKeepsItOrTheNext)
{
    EXPECT_EQ(Cell(0, 0) + Cell(0, 1), QStringLiteral("01:0101:05"));
    EXPECT_TRUE(Selected(0));
    ExpectSteps(false, true);
    ASSERT_TRUE(Raise(IDC_NEXT_SELECTION));
    EXPECT_EQ(Selection(), (CSelectionSpan{65500, 70000}));
    EXPECT_TRUE(Selected(1));
    ExpectSteps(true, true);
    // A saved selection goes last, selects row 0 and leaves the current row.
    m_pane.AddSelection(90000, 91000);
    EXPECT_EQ(Cell(4, 0), QStringLiteral("01:30"));
    EXPECT_TRUE(Selected(0));
    EXPECT_EQ(m_pane.CurrentIndex(), 1);

    Raise(IDC_NEXT_SELECTION); // 70 s
    Remove(0);
    EXPECT_EQ(Cell(m_pane.CurrentIndex(), 0), QStringLiteral("01:10"));
    Remove(1); // the current row: 80 s follows it
    EXPECT_EQ(Cell(m_pane.CurrentIndex(), 0), QStringLiteral("01:20"));
    Remove(2); // the last row
    Remove(1); // the last row while current
    ExpectSteps(true, false);
    ASSERT_TRUE(Raise(IDC_PREV_SELECTION));
    EXPECT_EQ(Selection().m_dwStart, 65500U);
    List().clearSelection();
    Raise(ID_SELECTION_REMOVE);
    Raise(ID_SELECTION_PLAY);
    EXPECT_EQ(List().topLevelItemCount(), 1);
    ASSERT_TRUE(Raise(ID_SELECTION_REMOVE_ALL));
    EXPECT_EQ(List().topLevelItemCount(), 0);
    ExpectSteps(false, false);

    m_pane.resize(300, 200); // the size the window is laid out with at the next start
    EXPECT_EQ(std::pair(m_settings.LSplitterWidth, m_settings.USplitterHigh), std::pair(300, 200));
}

// The drill runs over the pane's rows from the selected one; its menu sets the passes
// and the silence, checked as set. With no item open there is nothing to drill.
TEST_F(SelectionViewTest, TheDrillStartsFromTheSelectedRowAndItsMenuSetsIt)
{
    EXPECT_FALSE(m_pane.QueryState(ID_DRILL_TOGGLE).m_bEnabled);
    QStringList paths{QStringLiteral("/lessons/long.wav")};
    m_sim.player.m_lengths[paths[0]] = 100000;
    ASSERT_TRUE(m_control.PlaylistReady(&paths));
    for (std::uint32_t start : {61000U, 65500U, 70000U})
        m_pane.AddSelection(start, start + 4500);
    List().setCurrentItem(List().topLevelItem(1));

    ASSERT_TRUE(Raise(ID_DRILL_PASSES_FIRST + 2));
    ASSERT_TRUE(Raise(ID_DRILL_GAP_FIRST + 5));
    EXPECT_EQ(std::pair(m_settings.DrillPasses, m_settings.DrillGap), std::pair(3, 5));
    for (const auto &[id, check] :
         {std::pair{ID_DRILL_PASSES_FIRST + 2, 1}, {ID_DRILL_PASSES_FIRST + 1, 0}, {ID_DRILL_GAP_FIRST + 5, 1}})
        EXPECT_EQ(m_pane.QueryState(id).m_nCheck, check) << id;
    ASSERT_TRUE(Raise(ID_DRILL_TOGGLE));
    EXPECT_TRUE(m_control.IsDrillRunning());
    EXPECT_EQ(m_pane.QueryState(ID_DRILL_TOGGLE).m_nCheck, 1);
    EXPECT_EQ(Selection(), (CSelectionSpan{65500, 70000}));
}

// 保存分段 writes every row, with the text the .lrc gave, as the recording's .lrc; an
// existing one is asked about first (No leaves it) and kept as a backup.
TEST_F(SelectionViewTest, SavingTheStretchesAsksBeforeReplacingAndKeepsABackup)
{
    CRecordingPrompt prompt(CPrompt::IDNO);
    QTemporaryDir dir;
    const QString media = dir.filePath(QStringLiteral("talk.wav")), lrc = dir.filePath(QStringLiteral("talk.lrc"));
    const QByteArray old = "[00:01.00]One two.\r\n[00:03.00]Three.\r\n";
    WriteAllBytes(lrc, old);
    m_sim.player.m_lengths[media] = 8000;
    QStringList paths{media};
    ASSERT_TRUE(m_control.PlaylistReady(&paths));
    ASSERT_EQ(List().topLevelItemCount(), 2);
    m_pane.AddSelection(5000, 6500); // saved with F10

    ASSERT_TRUE(Raise(ID_SAVE_STRETCHES));
    ASSERT_EQ(prompt.m_messages.size(), 1);
    EXPECT_EQ(ReadAllBytes(lrc), old);
    prompt.m_queuedAnswers = {CPrompt::IDYES};
    ASSERT_TRUE(Raise(ID_SAVE_STRETCHES));
    EXPECT_EQ(ReadAllBytes(lrc + QStringLiteral(".bak")), old);
    CLrcFile saved;
    ASSERT_TRUE(saved.Load(lrc));
    EXPECT_EQ(SelectionsFromTags(saved, 8000),
              (std::vector<CSelectionSpan>{{1000, 3000}, {3000, 5000}, {5000, 6500}, {6500, 8000}}));
    EXPECT_TRUE(ReadAllBytes(lrc).contains("[00:01.00]One two."));
    EXPECT_TRUE(ReadAllBytes(lrc).contains("[00:03.00]Three."));
}
