// The playlist pane on a real playback session, engine and lesson, with a
// host that records what the pane asks of the windows around it.
#include "CTestMedia.h"
#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "audio/CPlaybackEngine.h"
#include "editor/CQuillmereDoc.h"
#include "session/CLesson.h"
#include "session/CPlaybackSession.h"
#include "session/CQtClock.h"
#include "support/TestSupport.h"
#include "views/CPlaylistView.h"
#include "views/IPlaylistHost.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace
{

class CFakePlaylistHost final : public IPlaylistHost
{
public:
    void SendFrameCommand(unsigned id) override { m_frameCommands.push_back(id); }
    void ResetSelectionList() override { ++m_nSelectionResets; }
    void DisableEffects() override {} // seen in the program's effects bar tests
    std::vector<unsigned> m_frameCommands;
    int m_nSelectionResets = 0;
};

class PlaylistViewTest : public ::testing::Test
{
protected:
    PlaylistViewTest()
    {
        m_control.InitDialog();
        QObject::connect(&m_lesson, &CLesson::TextSwitched, [this](const QString &rtf) { m_documents.append(rtf); });
        m_pPane = std::make_unique<CPlaylistView>(m_settings, m_control, m_host, m_playlistFile);
        m_pPane->resize(400, 300);
        m_pPane->show();
    }
    void TearDown() override
    {
        m_pPane.reset();
        EXPECT_EQ(m_prompt.m_messages, QStringList());
    }

    QString Path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    // Ten-second copies of the generated tone, named "a.wav|b.wav".
    QStringList MediaList(const char *names)
    {
        QStringList paths;
        for (const QString &name : QString::fromUtf8(names).split(u'|')) {
            paths.append(m_dir.filePath(name));
            QFile::copy(QString::fromStdString(CTestMedia::Path("long.wav")), paths.last());
        }
        return paths;
    }
    void Choose(unsigned id, const QStringList &paths)
    {
        m_prompt.m_openAnswer = paths;
        ASSERT_TRUE(Raise(id));
    }
    bool Raise(unsigned id) { return m_pPane->ExecuteIfEnabled(id); }
    QTreeWidget &List() { return *m_pPane->ListCtrl(); }
    void Select(int row) { List().setCurrentItem(List().topLevelItem(row)); }
    void DoubleClick(int row)
    {
        // As the window system delivers it: a click, then a press that is a double-click.
        const QPoint point = List().visualItemRect(List().topLevelItem(row)).center();
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, point);
        QTest::mousePress(List().viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(List().viewport(), Qt::LeftButton, {}, point);
    }
    // The names shown ("a.wav|b.wav"), the current item's with its marker.
    void ExpectRows(const char *names, int marked)
    {
        QStringList shown;
        for (int row = 0; row < List().topLevelItemCount(); ++row) {
            shown.append(List().topLevelItem(row)->text(0));
            EXPECT_EQ(List().topLevelItem(row)->text(1).endsWith(QStringLiteral(" <--")), row == marked) << row;
        }
        EXPECT_EQ(shown.join(u'|'), QString::fromUtf8(names));
    }
    bool Playing() { return m_engine.IsPlaying(); }
    // The learner has typed, and cancels the save question the next switch asks.
    void RefuseTheNextSwitch()
    {
        m_doc.SetModifiedFlag(true);
        m_prompt.m_queuedAnswers = {CPrompt::IDCANCEL};
    }
    void ExpectTheSwitchWasRefused()
    {
        EXPECT_EQ(m_prompt.m_messages.size(), 1);
        EXPECT_TRUE(m_doc.IsModified());
        m_prompt.m_messages.clear();
        m_doc.SetModifiedFlag(false);
    }
    int Current() const { return m_control.CurrentIndex(); }

    CRecordingPrompt m_prompt;
    QTemporaryDir m_dir;
    CAppSettings m_settings;
    CPlaybackEngine m_engine;
    CQtClock m_clock;
    CQuillmereDoc m_doc;
    CLesson m_lesson{m_doc};
    QStringList m_documents; // the transcripts the lesson switched to, "" for a new text
    CFakePlaylistHost m_host;
    CPlaybackSession m_control{m_settings, m_engine, m_clock, m_lesson};
    const QString m_playlistFile = Path("Playlist.Qpl");
    std::unique_ptr<CPlaylistView> m_pPane;
};

TEST_F(PlaylistViewTest, OpenReplacesTheListAndPlaysItsFirstItemARefusedSwitchOrAddingDisturbsNothing)
{
    Choose(ID_PLAYLIST_ADD, MediaList("old.wav"));
    m_settings.PlaylistIndex = 3;
    Choose(ID_FILE_OPEN, MediaList("c.wav|a.wav|b.wav"));
    ExpectRows("c.wav|a.wav|b.wav", 0);
    EXPECT_EQ(Current(), 0);
    EXPECT_EQ(m_settings.PlaylistIndex, 0);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(m_host.m_frameCommands, std::vector<unsigned>{ID_FILE_NEW});
    EXPECT_EQ(m_documents, QStringList{QString()}); // no c.rtf: a new empty document

    // A double-click switches the document first: refused, the current row stays.
    RefuseTheNextSwitch();
    DoubleClick(2);
    ExpectTheSwitchWasRefused();
    ExpectRows("c.wav|a.wav|b.wav", 0);
    EXPECT_EQ(List().currentItem(), List().topLevelItem(0));
    EXPECT_TRUE(Playing());

    const std::uint32_t channel = m_engine.Channel();
    Choose(ID_PLAYLIST_ADD, MediaList("d.wav|e.wav"));
    ExpectRows("c.wav|a.wav|b.wav|d.wav|e.wav", -1);
    EXPECT_EQ(Current(), 0);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(m_engine.Channel(), channel);
    EXPECT_EQ(m_documents.size(), 1);

    // The save question cancelled: the list is still replaced, and nothing of the old one plays.
    RefuseTheNextSwitch();
    Choose(ID_FILE_OPEN, MediaList("f.wav"));
    ExpectTheSwitchWasRefused();
    ExpectRows("f.wav", -1);
    EXPECT_EQ(Current(), -1);
    EXPECT_FALSE(Playing());
}

// Removing another row keeps the current item playing and marked; removing the current one, once
// the text may be replaced, opens item 0 and plays it only if the removed one was playing. Emptying
// the list, by Remove All once the learner agrees or by removing its only item, stops and resets.
TEST_F(PlaylistViewTest, RemovingRowsKeepsTheCurrentItemOrOpensItemZeroAndEmptyingTheListStops)
{
    Choose(ID_PLAYLIST_ADD, MediaList("p.wav|q.wav|r.wav|s.wav"));
    Select(2);
    ASSERT_TRUE(Raise(ID_PLAYLIST_PLAY));
    const std::uint32_t channel = m_engine.Channel();
    // Above the current item, below it, none selected.
    for (const auto &[row, rows] : {std::pair{0, "q.wav|r.wav|s.wav"}, {2, "q.wav|r.wav"}, {-1, "q.wav|r.wav"}}) {
        SCOPED_TRACE(row);
        if (row < 0)
            List().clearSelection();
        else
            Select(row);
        ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE));
        ExpectRows(rows, 1);
        EXPECT_TRUE(Playing());
        EXPECT_EQ(m_engine.Channel(), channel);
    }
    EXPECT_EQ(m_control.GetCurrentPath(), Path("r.wav"));
    EXPECT_TRUE(m_documents.isEmpty());

    for (bool playing : {true, false}) {
        SCOPED_TRACE(playing);
        Choose(ID_FILE_OPEN, MediaList("c.wav|a.wav|b.wav"));
        Select(2);
        ASSERT_TRUE(Raise(ID_PLAYLIST_PLAY));
        if (!playing) {
            ASSERT_TRUE(m_control.ExecuteIfEnabled(IDC_PAUSE_BUTTON));
        }
        m_documents.clear();
        RefuseTheNextSwitch(); // nothing is removed
        ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE));
        ExpectTheSwitchWasRefused();
        ExpectRows("c.wav|a.wav|b.wav", 2);

        ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE));
        ExpectRows("c.wav|a.wav", 0);
        EXPECT_EQ(m_control.GetCurrentPath(), Path("c.wav"));
        EXPECT_EQ(Playing(), playing);
        EXPECT_EQ(m_documents, QStringList{QString()});
    }

    const auto expectEmptied = [this, resets = m_host.m_nSelectionResets](int emptyings) {
        EXPECT_EQ(List().topLevelItemCount(), 0);
        EXPECT_EQ(m_pPane->Playlist().GetCount(), 0);
        EXPECT_EQ(Current(), -1);
        EXPECT_FALSE(Playing());
        EXPECT_EQ(m_host.m_nSelectionResets, resets + emptyings);
    };
    m_host.m_frameCommands.clear();
    m_prompt.m_queuedAnswers = {CPrompt::IDNO, CPrompt::IDYES};
    ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE_ALL));
    EXPECT_EQ(std::exchange(m_prompt.m_messages, {}), QStringList{QStringLiteral("是否清除播放列表中的所有项？")});
    ExpectRows("c.wav|a.wav", 0);
    ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE_ALL));
    m_prompt.m_messages.clear();
    expectEmptied(1);
    EXPECT_EQ(m_host.m_frameCommands, std::vector<unsigned>{ID_FILE_NEW});

    Choose(ID_FILE_OPEN, MediaList("a.wav"));
    Select(0);
    ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE));
    expectEmptied(2);
    EXPECT_EQ(m_documents.last(), QString());
    // Files added afterwards list without a marker and play from the list.
    Choose(ID_PLAYLIST_ADD, MediaList("b.wav"));
    ExpectRows("b.wav", -1);
    DoubleClick(0);
    ExpectRows("b.wav", 0);
    EXPECT_TRUE(Playing());
}

TEST_F(PlaylistViewTest, APlaylistFileThatCannotBeWrittenFailsNamingItAndIsKeptWhole)
{
    Choose(ID_PLAYLIST_ADD, MediaList("c.wav|a.wav|b.wav"));
    WriteAllBytes(m_playlistFile, "old\r\n");
    CResult written;
    {
        CFileSizeLimit limit(16);
        written = m_pPane->SavePlaylist();
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(written.Message().contains(QStringLiteral("Playlist.Qpl"))) << written.Message().toStdString();
    EXPECT_EQ(ReadAllBytes(m_playlistFile), "old\r\n");
    // The pane goes without writing anything: the program writes the list
    // while its window is whole.
    m_pPane.reset();
    EXPECT_EQ(ReadAllBytes(m_playlistFile), "old\r\n");
}

} // namespace
