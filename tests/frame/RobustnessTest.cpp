// The whole program under stress: a storm of item switches while short items
// end under it, and the window closed while an end notice waits for the
// interface thread. A watchdog ends the run when the program hangs.
#include "HangGuard.h"
#include "ProgramTest.h"

#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "audio/CSyncHandOver.h"
#include "lists/CPlaylist.h"
#include "views/CPlaylistView.h"

#include <QTreeWidget>
#include <chrono>
#include <random>
#include <thread>

namespace
{

// Waits without running the event loop until an end notice waits for this thread.
bool WaitForPendingNotice()
{
    for (int i = 0; i < 2000 && CSyncHandOver::Instance().Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return CSyncHandOver::Instance().Pending() == 1;
}

class RobustnessTest : public CProgramTest
{
protected:
    // Items "第1课.wav"…, each with its transcript "lesson N" beside it; the
    // media files are copies of the generated ones named in media.
    void Start(const std::vector<std::string> &media)
    {
        for (size_t i = 0; i < media.size(); ++i) {
            const QString name = QStringLiteral("第%1课").arg(i + 1);
            m_items.append(m_dir.filePath(name + QStringLiteral(".wav")));
            // "Lesson N" as the track name, for the title bar.
            ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"),
                                        {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-i"),
                                         QString::fromStdString(CTestMedia::Path(media[i])),
                                         QStringLiteral("-metadata"), QStringLiteral("title=Lesson %1").arg(i + 1),
                                         QStringLiteral("-c"), QStringLiteral("copy"), m_items.last()}),
                      0);
            WriteAllBytes(m_dir.filePath(name + QStringLiteral(".rtf")),
                          QStringLiteral("{\\rtf1 lesson %1}").arg(i + 1).toUtf8());
        }
        WritePlaylist(m_dir, m_items);
        CProgramTest::Start();
        // Whatever is on disk after the exit was written by it.
        QFile::remove(Path("Playlist.Qpl"));
        ASSERT_TRUE(Raise(ID_ORDER_REPEAT_LIST));
        ASSERT_TRUE(Raise(IDC_PLAY_BUTTON));
    }

    // What the learner sees of the current item: its row marked alone, its
    // name in the title (once its description is read), its transcript.
    void ExpectShowsCurrentItem()
    {
        const auto titleOfCurrent = [this] {
            return Frame().windowTitle() ==
                   QStringLiteral("Lesson %1 -  - Quillmere [Beta 2]").arg(Session().CurrentIndex() + 1);
        };
        EXPECT_TRUE(QTest::qWaitFor(titleOfCurrent, 5000)) << Frame().windowTitle().toStdString();
        const int index = Session().CurrentIndex();
        ASSERT_GE(index, 0);
        ASSERT_LT(index, m_items.size());
        const QTreeWidget &list = *m_pApp->PlaylistPane().ListCtrl();
        for (int row = 0; row < list.topLevelItemCount(); ++row)
            EXPECT_EQ(list.topLevelItem(row)->text(1).contains(QStringLiteral("<--")), row == index) << "row " << row;
        EXPECT_EQ(Editor().toPlainText(), QStringLiteral("lesson %1").arg(index + 1));
    }

    // Ends the program, then checks the playlist file and the profile it wrote.
    void ExitAndExpectFilesWritten(int rememberedIndex)
    {
        m_pApp->ExitInstance();
        m_pApp.reset();
        QTest::qWait(300); // nothing of the closed program may run now
        CPlaylist written;
        EXPECT_TRUE(written.Load(Path("Playlist.Qpl")));
        EXPECT_EQ(written.Paths(), m_items);
        CAppSettings settings;
        settings.Load(CIniProfile(Path("q.ini")));
        EXPECT_EQ(settings.Order, ORDER_REPEAT_LIST);
        EXPECT_EQ(settings.PlaylistIndex, rememberedIndex);
    }

    QStringList m_items;
};

} // namespace

TEST_F(RobustnessTest, AThousandItemSwitchesWhileItemsEndLeaveTheListPlayingAndShown)
{
    CHangGuard guard(600);
    Start({"short.wav", "short.wav", "short.wav", "short.wav", "long.wav"});
    CMainFrame &frame = Frame();
    std::mt19937 random(7);
    const auto between = [&random](int low, int high) { return std::uniform_int_distribution(low, high)(random); };
    // Bursts of switches, then a pause well before an item's end or around it
    // (0.3 s), spent in the event loop or busy elsewhere while ends wait for us.
    int endsMet = 0; // ends taken by the list or waiting when the next command came
    for (int raised = 0; raised < 1000;) {
        for (int burst = between(1, 24); burst > 0 && raised < 1000; --burst, ++raised)
            frame.RaiseCommand(between(0, 1) == 0 ? IDC_NEXT_ITEM : IDC_PREV_ITEM);
        const int index = Session().CurrentIndex();
        const int pause = between(0, 1) == 0 ? between(0, 50) : between(300, 450);
        if (between(0, 1) == 0)
            QTest::qWait(pause);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(pause));
        endsMet += Session().CurrentIndex() != index || CSyncHandOver::Instance().Pending() > 0 ? 1 : 0;
    }
    EXPECT_GT(endsMet, 0);
    ExpectShowsCurrentItem();

    // A switch made while the end of the item before waits for us holds: the
    // second item plays, the end of the first moves nothing.
    frame.RaiseCommand(IDC_NEXT_ITEM);
    while (Session().CurrentIndex() > 0)
        frame.RaiseCommand(IDC_PREV_ITEM);
    ASSERT_TRUE(WaitForPendingNotice());
    ASSERT_TRUE(frame.RaiseCommand(IDC_NEXT_ITEM));
    QTest::qWait(50);
    EXPECT_EQ(Session().CurrentIndex(), 1);
    EXPECT_TRUE(m_pApp->Engine().IsPlaying());
    ExpectShowsCurrentItem();

    // The list goes on by itself to the long item, which is heard and shown.
    ASSERT_TRUE(
        QTest::qWaitFor([this] { return Session().CurrentIndex() == 4 && m_pApp->Engine().IsPlaying(); }, 10000));
    ExpectShowsCurrentItem();
    const std::uint32_t position = m_pApp->Engine().GetPosition();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_pApp->Engine().GetPosition() >= position + 500; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return frame.PaneText(PANE_TIME).endsWith(QStringLiteral(" / 00:10")); }, 5000));
    EXPECT_TRUE(m_prompt.m_messages.isEmpty()) << m_prompt.m_messages.join(u'\n').toStdString();
    frame.close();
    ExitAndExpectFilesWritten(4);
}

TEST_F(RobustnessTest, ClosingWhileTheSaveQuestionHoldsAnEndNoticeBackSavesEverything)
{
    CHangGuard guard(60);
    Start({"short.wav"});
    Editor().moveCursor(QTextCursor::End); // an opened transcript starts with the caret at its start
    QTest::keyClicks(&Editor(), QStringLiteral(" typed"));
    bool pendingWhileAsked = false;
    m_prompt.m_whileAsked = [&pendingWhileAsked] { pendingWhileAsked = WaitForPendingNotice(); };
    Frame().close(); // asks whether to save; the item ends meanwhile
    ExitAndExpectFilesWritten(0);
    EXPECT_TRUE(pendingWhileAsked);
    EXPECT_EQ(m_prompt.m_messages.size(), 1); // the save question; nothing failed
    EXPECT_TRUE(ReadAllBytes(Path("第1课.rtf")).contains("lesson 1 typed"));
}

TEST_F(RobustnessTest, AnEndNoticeWaitingAsTheWindowClosesIsTakenOrDroppedCleanly)
{
    CHangGuard guard(60);
    Start({"short.wav", "short.wav"});
    ASSERT_TRUE(WaitForPendingNotice()); // busy elsewhere while the first item ends
    Frame().close();
    // The notice reaches the closed window as the event loop winds down; the
    // program ends with what the end set going still to come.
    while (CSyncHandOver::Instance().Pending() > 0)
        QCoreApplication::processEvents();
    ExitAndExpectFilesWritten(Session().CurrentIndex());
    EXPECT_TRUE(m_prompt.m_messages.isEmpty()) << m_prompt.m_messages.join(u'\n').toStdString();
}
