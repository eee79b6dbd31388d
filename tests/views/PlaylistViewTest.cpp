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

#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <map>

namespace
{

// The media library reads between events; a description comes well within this.
constexpr int kReadTimeoutMs = 10000;

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
    void SetUp() override
    {
        m_pControl = std::make_unique<CPlaybackSession>(m_settings, m_engine, m_clock, m_lesson);
        m_pControl->InitDialog();
        QObject::connect(&m_lesson, &CLesson::TextSwitched,
                         [this](const QString &rtfPath) { m_documents.append(rtfPath); });
        m_pPane = std::make_unique<CPlaylistView>(m_settings, *m_pControl, m_host, PlaylistFile());
        m_pPane->resize(400, 300);
        m_pPane->show();
    }
    void TearDown() override
    {
        m_pPane.reset();
        EXPECT_EQ(m_prompt.m_messages, QStringList());
    }

    QString PlaylistFile() const { return Path("Playlist.Qpl"); }
    QString Path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    // Ten-second copies of the generated tone under names of our own.
    QStringList MediaList(const QStringList &names)
    {
        QStringList paths;
        for (const QString &name : names) {
            paths.append(m_dir.filePath(name));
            if (!QFile::exists(paths.last()))
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
    QStringList Column(int column)
    {
        QStringList texts;
        for (int row = 0; row < List().topLevelItemCount(); ++row)
            texts.append(List().topLevelItem(row)->text(column));
        return texts;
    }
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
    // The names shown, the current item's with its marker.
    void ExpectRows(const QStringList &names, int marked)
    {
        EXPECT_EQ(Column(0), names);
        const QStringList sizes = Column(1);
        for (int row = 0; row < sizes.size(); ++row)
            EXPECT_EQ(sizes[row].endsWith(QStringLiteral(" <--")), row == marked) << row;
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
    int Current() const { return m_pControl->CurrentIndex(); }

    CRecordingPrompt m_prompt;
    QTemporaryDir m_dir;
    CAppSettings m_settings;
    CPlaybackEngine m_engine;
    CQtClock m_clock;
    CQuillmereDoc m_doc;
    CLesson m_lesson{m_doc};
    QStringList m_documents; // the transcripts the lesson switched to, "" for a new text
    CFakePlaylistHost m_host;
    std::unique_ptr<CPlaybackSession> m_pControl;
    std::unique_ptr<CPlaylistView> m_pPane;
};

// Names written "a.wav|b.wav".
QStringList Names(const char *names)
{
    return QString::fromUtf8(names).split(QLatin1Char('|'));
}
const QStringList kThree = Names("c.wav|a.wav|b.wav");

TEST_F(PlaylistViewTest, OpenReplacesTheListAndPlaysItsFirstItemARefusedSwitchOrAddingDisturbsNothing)
{
    Choose(ID_PLAYLIST_ADD, MediaList(Names("old.wav")));
    m_settings.PlaylistIndex = 3;
    Choose(ID_FILE_OPEN, MediaList(kThree));
    ExpectRows(kThree, 0);
    EXPECT_EQ(Current(), 0);
    EXPECT_EQ(m_settings.PlaylistIndex, 0);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(m_host.m_frameCommands, std::vector<unsigned>{ID_FILE_NEW});
    EXPECT_EQ(m_documents, QStringList{QString()}); // no c.rtf: a new empty document

    // A double-click switches the document first: refused, the current row stays.
    RefuseTheNextSwitch();
    DoubleClick(2);
    ExpectTheSwitchWasRefused();
    ExpectRows(kThree, 0);
    EXPECT_EQ(List().currentItem(), List().topLevelItem(0));
    EXPECT_TRUE(Playing());

    const std::uint32_t channel = m_engine.Channel();
    Choose(ID_PLAYLIST_ADD, MediaList(Names("d.wav|e.wav")));
    ExpectRows(kThree + Names("d.wav|e.wav"), -1);
    EXPECT_EQ(Current(), 0);
    EXPECT_TRUE(Playing());
    EXPECT_EQ(m_engine.Channel(), channel);
    EXPECT_EQ(m_documents.size(), 1);

    // The save question cancelled: the list is still replaced, and nothing of the old one plays.
    RefuseTheNextSwitch();
    Choose(ID_FILE_OPEN, MediaList(Names("f.wav")));
    ExpectTheSwitchWasRefused();
    ExpectRows(Names("f.wav"), -1);
    EXPECT_EQ(Current(), -1);
    EXPECT_FALSE(Playing());
}

TEST_F(PlaylistViewTest, SizesAreWholeKilobytesAndBadEntriesAreListedAndFailToPlay)
{
    WriteAllBytes(Path("small.wav"), QByteArray(1500, 'x'));
    WriteAllBytes(Path("tiny.mp3"), QByteArray(1023, 'x'));
    WriteAllBytes(Path("gone.wav"), "x");
    Choose(ID_PLAYLIST_ADD, {Path("small.wav"), Path("tiny.mp3"), Path("gone.wav")});
    EXPECT_EQ(Column(1), Names("1 KB|0 KB|0 KB"));

    // Deleted since it was added, a name that is no valid text, a path no
    // file system takes: listed, with no size.
    QFile::remove(Path("gone.wav"));
    m_pPane->Playlist().Add(Path("\uFFFD\uFFFD.wav"));
    m_pPane->Playlist().Add(m_dir.filePath(QString(300, u'n') + QStringLiteral("/") + QString(5000, u'x')));
    Choose(ID_PLAYLIST_ADD, MediaList(Names("a.wav")));
    EXPECT_EQ(Column(0).mid(2), (Names("gone.wav|\uFFFD\uFFFD.wav") << QString(5000, u'x') << QStringLiteral("a.wav")));
    EXPECT_EQ(Column(1).mid(2, 3), QStringList(3, QString()));

    // Playing an entry that is no media says so and keeps the list; the next one plays.
    for (int row : {0, 2, 3, 4}) {
        Select(row);
        ASSERT_TRUE(Raise(ID_PLAYLIST_PLAY));
        EXPECT_FALSE(Playing()) << row;
    }
    EXPECT_EQ(std::exchange(m_prompt.m_messages, {}), QStringList(4, QStringLiteral("载入文件失败！")));
    EXPECT_EQ(List().topLevelItemCount(), 6);
    DoubleClick(5);
    EXPECT_TRUE(Playing());
    ExpectRows(Column(0), 5);
}

TEST_F(PlaylistViewTest, RemovingAnotherItemKeepsTheCurrentOnePlayingAndMarked)
{
    Choose(ID_PLAYLIST_ADD, MediaList(Names("p.wav|q.wav|r.wav|s.wav")));
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
        ExpectRows(Names(rows), 1);
        EXPECT_EQ(Current(), 1);
        EXPECT_TRUE(Playing());
        EXPECT_EQ(m_engine.Channel(), channel);
    }
    EXPECT_EQ(m_pControl->GetCurrentPath(), Path("r.wav"));
    EXPECT_TRUE(m_documents.isEmpty());
}

TEST_F(PlaylistViewTest, RemovingTheCurrentItemOpensItemZeroAndPlaysItOnlyIfItWasPlaying)
{
    for (bool playing : {true, false}) {
        SCOPED_TRACE(playing);
        Choose(ID_FILE_OPEN, MediaList(kThree));
        Select(2);
        ASSERT_TRUE(Raise(ID_PLAYLIST_PLAY));
        if (!playing) {
            ASSERT_TRUE(m_pControl->ExecuteIfEnabled(IDC_PAUSE_BUTTON));
        }
        m_documents.clear();

        RefuseTheNextSwitch(); // nothing is removed
        ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE));
        ExpectTheSwitchWasRefused();
        ExpectRows(kThree, 2);
        EXPECT_EQ(Playing(), playing);

        ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE));
        ExpectRows(kThree.mid(0, 2), 0);
        EXPECT_EQ(Current(), 0);
        EXPECT_EQ(m_pControl->GetCurrentPath(), m_dir.filePath(kThree[0]));
        EXPECT_EQ(Playing(), playing);
        EXPECT_EQ(m_documents, QStringList{QString()});
    }
}

TEST_F(PlaylistViewTest, EmptyingTheListByRemoveAllOrByItsOnlyItemStopsAndResets)
{
    const auto expectEmptied = [this](int selectionResets) {
        EXPECT_EQ(List().topLevelItemCount(), 0);
        EXPECT_EQ(m_pPane->Playlist().GetCount(), 0);
        EXPECT_EQ(Current(), -1);
        EXPECT_FALSE(Playing());
        EXPECT_EQ(m_host.m_nSelectionResets, selectionResets);
    };
    Choose(ID_FILE_OPEN, MediaList(kThree));
    m_prompt.m_queuedAnswers = {CPrompt::IDNO, CPrompt::IDYES};
    ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE_ALL));
    EXPECT_EQ(std::exchange(m_prompt.m_messages, {}), QStringList{QStringLiteral("是否清除播放列表中的所有项？")});
    ExpectRows(kThree, 0);
    EXPECT_TRUE(Playing());
    ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE_ALL));
    m_prompt.m_messages.clear();
    expectEmptied(1);
    EXPECT_EQ(m_host.m_frameCommands, (std::vector<unsigned>{ID_FILE_NEW, ID_FILE_NEW}));

    Choose(ID_FILE_OPEN, MediaList(Names("a.wav")));
    Select(0);
    ASSERT_TRUE(Raise(ID_PLAYLIST_REMOVE));
    expectEmptied(2);
    EXPECT_EQ(m_documents.last(), QString());
    // Files added afterwards list without a marker and play from the list.
    Choose(ID_PLAYLIST_ADD, MediaList(Names("b.wav")));
    ExpectRows(Names("b.wav"), -1);
    DoubleClick(0);
    ExpectRows(Names("b.wav"), 0);
    EXPECT_TRUE(Playing());
}

// The popup's commands act on the selected row; the media-properties command
// describes the item open in the player, read by the media library, though
// another row is made current, and with no item open describes nothing.
TEST_F(PlaylistViewTest, ThePopupActsOnTheSelectedRowAndPropertiesOnTheOpenItem)
{
    const QString spaced = QString::fromStdString(CTestMedia::Path("spaced.mp3"));
    Choose(ID_PLAYLIST_ADD,
           QStringList{QString::fromStdString(CTestMedia::Path("tagged.mp3")), spaced} + MediaList(kThree));
    // Opens the menu by mouse or by key and picks its item'th entry.
    const auto pick = [&](QContextMenuEvent::Reason reason, const QPoint &point, int item) {
        QTimer::singleShot(0, [item] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            menu->actions().at(item)->trigger();
            menu->close();
        });
        QContextMenuEvent event(reason, point, List().viewport()->mapToGlobal(point));
        QCoreApplication::sendEvent(List().viewport(), &event);
    };
    const auto report = [this] {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !m_prompt.m_reports.isEmpty(); }, kReadTimeoutMs));
        return std::exchange(m_prompt.m_reports, {}).value(0);
    };
    Select(3);
    pick(QContextMenuEvent::Mouse, List().visualItemRect(List().topLevelItem(3)).center(), 0); // play
    EXPECT_EQ(Current(), 3);
    EXPECT_TRUE(Playing());
    Select(1);
    pick(QContextMenuEvent::Keyboard, QPoint(), 4); // media properties of the selected row, not the current one
    const QString selected = report();
    for (const QString &part : {spaced, QStringLiteral("Reader"), QStringLiteral("64.0 kb/s")})
        EXPECT_TRUE(selected.contains(part)) << selected.toStdString();

    ASSERT_TRUE(Raise(ID_MEDIA_PROPERTIES));
    m_pPane->SetCurrentItem(0);
    const QString open = report();
    EXPECT_TRUE(open.contains(m_dir.filePath(kThree[1]))) << open.toStdString();

    m_pControl->SetCurrentIndex(-1);
    ASSERT_TRUE(Raise(ID_MEDIA_PROPERTIES));
    QTest::qWait(100);
    EXPECT_TRUE(m_prompt.m_reports.isEmpty());
}

TEST_F(PlaylistViewTest, APlaylistFileThatCannotBeWrittenFailsNamingItAndIsKeptWhole)
{
    Choose(ID_PLAYLIST_ADD, MediaList(kThree));
    WriteAllBytes(PlaylistFile(), "old\r\n");
    CResult written;
    {
        CFileSizeLimit limit(16);
        written = m_pPane->SavePlaylist();
    }
    EXPECT_FALSE(written);
    EXPECT_TRUE(written.Message().contains(QStringLiteral("Playlist.Qpl"))) << written.Message().toStdString();
    EXPECT_EQ(ReadAllBytes(PlaylistFile()), "old\r\n");
    // The pane goes without writing anything: the program writes the list
    // while its window is whole.
    m_pPane.reset();
    EXPECT_EQ(ReadAllBytes(PlaylistFile()), "old\r\n");
    EXPECT_TRUE(m_prompt.m_messages.isEmpty());
}

} // namespace
