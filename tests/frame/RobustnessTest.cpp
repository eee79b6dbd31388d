// The whole program under stress: a storm of item switches while short items
// end under it, and the window closed while an end notice waits for the
// interface thread. A watchdog ends the run when the program hangs.
#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "audio/CSyncHandOver.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "lists/CPlaylist.h"
#include "session/CPlaybackSession.h"
#include "support/TestSupport.h"
#include "transport/CPlayerBar.h"
#include "views/CPlaylistView.h"
#include "views/CQuillmereView.h"

#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <random>
#include <thread>
#include <unistd.h>

namespace
{

// Aborts the process when it is still alive after the given time: a hang ends
// the test instead of the test run.
struct CHangGuard {
    explicit CHangGuard(unsigned seconds)
    {
        std::signal(SIGALRM, [](int) {
            static const char text[] = "the program hung\n";
            (void)!::write(STDERR_FILENO, text, sizeof text - 1);
            std::abort();
        });
        ::alarm(seconds);
    }
    ~CHangGuard() { ::alarm(0); }
    CHangGuard(const CHangGuard &) = delete;
    CHangGuard &operator=(const CHangGuard &) = delete;
};

// Waits without running the event loop until an end notice waits for this thread.
bool WaitForPendingNotice()
{
    for (int i = 0; i < 2000 && CSyncHandOver::Instance().Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return CSyncHandOver::Instance().Pending() == 1;
}

class RobustnessTest : public testing::Test
{
protected:
    // Items "第1课.wav"…, each with its transcript "lesson N" beside it; the
    // media files are copies of the generated ones named in media.
    void Start(const std::vector<std::string> &media)
    {
        QByteArray playlist;
        for (size_t i = 0; i < media.size(); ++i) {
            const QString name = QStringLiteral("第%1课").arg(i + 1);
            const QString path = m_dir.filePath(name + QStringLiteral(".wav"));
            // "Lesson N" as the track name, for the title bar.
            ASSERT_EQ(QProcess::execute(QStringLiteral("ffmpeg"),
                                        {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-i"),
                                         QString::fromStdString(CTestMedia::Path(media[i])),
                                         QStringLiteral("-metadata"), QStringLiteral("title=Lesson %1").arg(i + 1),
                                         QStringLiteral("-c"), QStringLiteral("copy"), path}),
                      0);
            WriteAllBytes(m_dir.filePath(name + QStringLiteral(".rtf")),
                          QStringLiteral("{\\rtf1 lesson %1}").arg(i + 1).toUtf8());
            m_items.append(path);
            playlist += (path + QStringLiteral("\r\n")).toUtf8();
        }
        WriteAllBytes(PlaylistPath(), playlist);
        m_pApp = std::make_unique<CQuillmereApp>(ProfilePath(), PlaylistPath());
        ASSERT_TRUE(m_pApp->InitInstance({QStringLiteral("quillmere")}, false));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_pApp->MainFrame()));
        // Whatever is on disk after the exit was written by it.
        QFile::remove(PlaylistPath());
        ASSERT_TRUE(m_pApp->MainFrame().RaiseCommand(ID_ORDER_REPEAT_LIST));
        ASSERT_TRUE(m_pApp->MainFrame().RaiseCommand(IDC_PLAY_BUTTON));
    }

    // What the learner sees of the current item: its row marked alone, its
    // name in the title (once its description is read), its transcript.
    void ExpectShowsCurrentItem()
    {
        const auto titleOfCurrent = [this] {
            return m_pApp->MainFrame().windowTitle() ==
                   QStringLiteral("Lesson %1 -  - Quillmere [Beta 2]").arg(Session().CurrentIndex() + 1);
        };
        EXPECT_TRUE(QTest::qWaitFor(titleOfCurrent, 5000)) << m_pApp->MainFrame().windowTitle().toStdString();
        const int index = Session().CurrentIndex();
        ASSERT_GE(index, 0);
        ASSERT_LT(index, m_items.size());
        const QTreeWidget &list = *m_pApp->PlaylistPane().ListCtrl();
        for (int row = 0; row < list.topLevelItemCount(); ++row)
            EXPECT_EQ(list.topLevelItem(row)->text(1).contains(QStringLiteral("<--")), row == index) << "row " << row;
        EXPECT_EQ(m_pApp->EditorView().toPlainText(), QStringLiteral("lesson %1").arg(index + 1));
    }

    // Ends the program, then checks the playlist file and the profile it wrote.
    void ExitAndExpectFilesWritten(int rememberedIndex)
    {
        m_pApp->ExitInstance();
        m_pApp.reset();
        QTest::qWait(300); // nothing of the closed program may run now
        CPlaylist written;
        EXPECT_TRUE(written.Load(PlaylistPath()));
        EXPECT_EQ(written.Paths(), m_items);
        CAppSettings settings;
        settings.Load(CIniProfile(ProfilePath()));
        EXPECT_EQ(settings.Order, ORDER_REPEAT_LIST);
        EXPECT_EQ(settings.PlaylistIndex, rememberedIndex);
    }

    QString PlaylistPath() const { return m_dir.filePath(QStringLiteral("Playlist.Qpl")); }
    QString ProfilePath() const { return m_dir.filePath(QStringLiteral("q.ini")); }
    CPlaybackSession &Session() { return m_pApp->Session(); }

    QTemporaryDir m_dir;
    QStringList m_items;
    CRecordingPrompt m_prompt{CPrompt::IDYES}; // the interface thread stays inside a box while m_whileAsked runs
    std::unique_ptr<CQuillmereApp> m_pApp;
};

} // namespace

TEST_F(RobustnessTest, AThousandItemSwitchesWhileItemsEndLeaveTheListPlayingAndShown)
{
    CHangGuard guard(600);
    Start({"short.wav", "short.wav", "short.wav", "short.wav", "long.wav"});
    CMainFrame &frame = m_pApp->MainFrame();
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
    m_pApp->EditorView().moveCursor(QTextCursor::End); // an opened transcript starts with the caret at its start
    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral(" typed"));
    bool pendingWhileAsked = false;
    m_prompt.m_whileAsked = [&pendingWhileAsked] { pendingWhileAsked = WaitForPendingNotice(); };
    m_pApp->MainFrame().close(); // asks whether to save; the item ends meanwhile
    ExitAndExpectFilesWritten(0);
    EXPECT_TRUE(pendingWhileAsked);
    EXPECT_EQ(m_prompt.m_messages.size(), 1); // the save question; nothing failed
    EXPECT_TRUE(ReadAllBytes(m_dir.filePath(QStringLiteral("第1课.rtf"))).contains("lesson 1 typed"));
}

TEST_F(RobustnessTest, AnEndNoticeWaitingAsTheWindowClosesIsTakenOrDroppedCleanly)
{
    CHangGuard guard(60);
    Start({"short.wav", "short.wav"});
    ASSERT_TRUE(WaitForPendingNotice()); // busy elsewhere while the first item ends
    m_pApp->MainFrame().close();
    // The notice reaches the closed window as the event loop winds down; the
    // program ends with what the end set going still to come.
    while (CSyncHandOver::Instance().Pending() > 0)
        QCoreApplication::processEvents();
    ExitAndExpectFilesWritten(Session().CurrentIndex());
    EXPECT_TRUE(m_prompt.m_messages.isEmpty()) << m_prompt.m_messages.join(u'\n').toStdString();
}
