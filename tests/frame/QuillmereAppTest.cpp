#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "editor/CQuillmereDoc.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "frame/CTypingGuard.h"
#include "session/CPlaybackSession.h"
#include "support/TestSupport.h"
#include "transport/CNiceSliderCtrl.h"
#include "transport/CPlayerBar.h"
#include "views/CPlaylistView.h"
#include "views/CQuillmereView.h"
#include "views/CSelectionView.h"
#include "widgets/CImageButton.h"

#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

namespace
{

// The whole program on a profile and a playlist of its own, started the way
// a learner starts it, answering every question through a recording prompt.
// Counts how often the window asks for the about command's state on its way
// to the application; handles nothing itself.
class CQueryCounter : public CCmdTarget
{
public:
    bool OnCmdMsg(unsigned id, CCmdUI *pCmdUI) override
    {
        if (pCmdUI != nullptr && id == ID_APP_ABOUT)
            ++m_nQueries;
        return false;
    }
    int m_nQueries = 0;
};

class QuillmereAppTest : public testing::Test
{
protected:
    QuillmereAppTest()
    {
        m_strMedia = m_dir.filePath(QStringLiteral("第一课.wav"));
        QFile::copy(QString::fromStdString(CTestMedia::Path("long.wav")), m_strMedia);
        WriteAllBytes(m_dir.filePath(QStringLiteral("Playlist.Qpl")), (m_strMedia + QStringLiteral("\r\n")).toUtf8());
    }

    // commandLineFile: the file the program is started with, as by a file manager.
    void Start(const QString &commandLineFile = QString())
    {
        m_pApp = std::make_unique<CQuillmereApp>(m_dir.filePath(QStringLiteral("q.ini")),
                                                 m_dir.filePath(QStringLiteral("Playlist.Qpl")));
        QStringList arguments{QStringLiteral("quillmere")};
        if (!commandLineFile.isEmpty())
            arguments << commandLineFile;
        ASSERT_TRUE(m_pApp->InitInstance(arguments, false));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_pApp->MainFrame()));
        m_pApp->EditorView().setFocus();
    }

    void Stop()
    {
        m_pApp->MainFrame().close();
        m_pApp->ExitInstance();
        m_pApp.reset();
    }

    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&m_pApp->EditorView(), key, modifiers);
    }

    CPlaybackSession &Session() { return m_pApp->Session(); }
    // The names the accessibility interface exports for the status bar and its panes.
    QStringList SpokenStatusBar()
    {
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(m_pApp->MainFrame().statusBar());
        QStringList names{bar->text(QAccessible::Name)};
        for (int i = 0; i < bar->childCount(); ++i)
            names.append(bar->child(i)->text(QAccessible::Name));
        return names;
    }
    QString Pane(int index) { return m_pApp->MainFrame().PaneText(index); }
    int DrillOnInProfile() const
    {
        return CIniProfile(m_dir.filePath(QStringLiteral("q.ini")))
            .GetProfileInt(QStringLiteral("Drill"), QStringLiteral("DrillOn"), -1);
    }

    QTemporaryDir m_dir;
    QString m_strMedia;
    CRecordingPrompt m_prompt{CPrompt::IDYES};
    std::unique_ptr<CQuillmereApp> m_pApp;
};

} // namespace

TEST_F(QuillmereAppTest, StartsWithTheRememberedItemLoadedStoppedAndPlaysAndSelectsFromTheKeyboard)
{
    WriteAllBytes(m_dir.filePath(QStringLiteral("第一课.lrc")), "[00:01.00]a\r\n[00:03.50]b\r\n[00:06.00]c\r\n");
    Start();
    EXPECT_EQ(m_pApp->PlaylistPane().ListCtrl()->topLevelItemCount(), 1);
    EXPECT_EQ(Session().CurrentIndex(), 0);
    EXPECT_FALSE(m_pApp->Engine().IsPlaying());
    const QTreeWidget &selections = *m_pApp->SelectionPane().ListCtrl(); // from the timing file beside the media
    ASSERT_EQ(selections.topLevelItemCount(), 3);
    EXPECT_EQ(selections.topLevelItem(0)->text(0), QStringLiteral("00:01"));

    Press(Qt::Key_F1); // play, typed into nothing
    EXPECT_TRUE(m_pApp->Engine().IsPlaying());
    EXPECT_TRUE(m_pApp->EditorView().toPlainText().isEmpty());
    // The line pane follows the caret at every idle moment.
    m_pApp->MainFrame().UpdateCommandStates();
    EXPECT_EQ(Pane(PANE_LINE), QStringLiteral("Line 1"));
    Press(Qt::Key_Return);
    Press(Qt::Key_Return);
    m_pApp->MainFrame().UpdateCommandStates();
    EXPECT_EQ(Pane(PANE_LINE), QStringLiteral("Line 3"));

    ASSERT_TRUE(m_pApp->MainFrame().RaiseCommand(IDC_STOP));
    Press(Qt::Key_D, Qt::ControlModifier); // the next saved selection: typed into the editor, taken by the pane
    EXPECT_TRUE(m_pApp->Engine().IsPlaying());
    EXPECT_EQ(Pane(PANE_SEL_START), QStringLiteral("00:03"));
    EXPECT_EQ(Pane(PANE_SEL_END), QStringLiteral("00:06"));
    EXPECT_EQ(m_pApp->EditorView().toPlainText(), QStringLiteral("\n\n"));

    ASSERT_TRUE(m_pApp->MainFrame().RaiseCommand(IDC_CLEAR_SELECTION));
    Session().OnPositionScroll(5000);
    Press(Qt::Key_F6);
    Session().OnPositionScroll(9000);
    Press(Qt::Key_F7);
    EXPECT_EQ(Pane(PANE_SEL_START), QStringLiteral("00:05"));
    EXPECT_EQ(Pane(PANE_SEL_END), QStringLiteral("00:09"));
    // A screen reader hears what the panes show, not their placeholders.
    const QStringList spoken = SpokenStatusBar();
    for (const QString &shown : {QStringLiteral("Line 3"), QStringLiteral("00:05"), QStringLiteral("00:09")})
        EXPECT_TRUE(spoken.contains(shown)) << spoken.join(u'|').toStdString();
    EXPECT_FALSE(spoken.contains(QStringLiteral("选择起点"))) << spoken.join(u'|').toStdString();
    Stop();
}

// A file manager starts the program with a file: a recording replaces the
// playlist and plays with the transcript beside it, anything else opens as
// the transcript beside the remembered playlist.
TEST_F(QuillmereAppTest, AFileOnTheCommandLinePlaysARecordingOrOpensATranscript)
{
    const QString recording = m_dir.filePath(QStringLiteral("第二课.WAV"));
    ASSERT_TRUE(QFile::copy(m_strMedia, recording));
    WriteAllBytes(m_dir.filePath(QStringLiteral("第二课.rtf")), "{\\rtf1\\ansi second lesson\\par}");
    const QString transcript = m_dir.filePath(QStringLiteral("notes.rtf"));
    WriteAllBytes(transcript, "{\\rtf1\\ansi my notes\\par}");

    Start(recording);
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{recording});
    EXPECT_EQ(Session().CurrentIndex(), 0);
    EXPECT_TRUE(m_pApp->Engine().IsPlaying());
    EXPECT_EQ(m_pApp->EditorView().toPlainText().trimmed(), QStringLiteral("second lesson"));
    Stop();
    EXPECT_EQ(ReadAllBytes(m_dir.filePath(QStringLiteral("Playlist.Qpl"))).trimmed(), recording.toUtf8());

    Start(transcript);
    EXPECT_EQ(m_pApp->EditorView().toPlainText().trimmed(), QStringLiteral("my notes"));
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{recording});
    EXPECT_FALSE(m_pApp->Engine().IsPlaying());
    EXPECT_EQ(m_pApp->RecentFiles().Paths().value(0), transcript);
    Stop();
}

// Screen readers and automation reach every control by its name, its
// tooltip or its caption.
TEST_F(QuillmereAppTest, EveryControlOfTheWindowHasANameAReaderCanSay)
{
    Start();
    const auto named = [](const QWidget &control) {
        const auto *button = qobject_cast<const QAbstractButton *>(&control);
        return !control.accessibleName().isEmpty() || !control.toolTip().isEmpty() ||
               (button != nullptr && !button->text().isEmpty());
    };
    int checked = 0;
    for (QWidget *control : m_pApp->MainFrame().findChildren<QWidget *>()) {
        const bool isControl =
            qobject_cast<QAbstractButton *>(control) != nullptr || qobject_cast<QSlider *>(control) != nullptr ||
            qobject_cast<QComboBox *>(control) != nullptr || qobject_cast<QTextEdit *>(control) != nullptr ||
            (qobject_cast<QAbstractItemView *>(control) != nullptr && qobject_cast<QHeaderView *>(control) == nullptr);
        if (!isControl || !control->isVisibleTo(&m_pApp->MainFrame()) || control->objectName().startsWith(u"qt_"))
            continue;
        ++checked;
        EXPECT_TRUE(named(*control)) << control->metaObject()->className() << " "
                                     << control->objectName().toStdString();
    }
    EXPECT_GE(checked, 40) << "the toolbar, both bars, the format bar and the panes were all looked at";
    Stop();
}

namespace
{
// The media library (and the network libraries it pulls in) is loaded only when
// properties are asked for: the title and bit rate come from the open file.
bool MediaLibraryLoaded()
{
    return ReadAllBytes(QStringLiteral("/proc/self/maps")).contains("libmediainfo");
}
} // namespace

TEST_F(QuillmereAppTest, TheTitleBarAndTheBitRatePaneDescribeTheCurrentItemAndItsPropertiesAreShown)
{
    const QString tagged = QString::fromStdString(CTestMedia::Path("tagged.mp3"));
    const QString spaced = QString::fromStdString(CTestMedia::Path("spaced.mp3"));
    const QString broken = m_dir.filePath(QStringLiteral("broken.mp3"));
    WriteAllBytes(broken, "not a recording");
    WriteAllBytes(m_dir.filePath(QStringLiteral("Playlist.Qpl")),
                  QStringList{tagged, spaced, m_strMedia, broken}.join(QStringLiteral("\r\n")).toUtf8());
    Start();
    const auto described = [this] {
        return m_pApp->MainFrame().windowTitle() == QStringLiteral("Lesson 1 - Speaker - Quillmere [Beta 2]") &&
               Pane(PANE_BITRATE) == QStringLiteral("64Kbps");
    };
    EXPECT_TRUE(described()) << m_pApp->MainFrame().windowTitle().toStdString();
    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral("typed")); // the text's first change keeps the title
    EXPECT_TRUE(described()) << m_pApp->MainFrame().windowTitle().toStdString();
    EXPECT_FALSE(MediaLibraryLoaded());

    ASSERT_TRUE(m_pApp->MainFrame().RaiseCommand(ID_MEDIA_PROPERTIES));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_prompt.m_reports.isEmpty(); }, 10000));
    EXPECT_TRUE(m_prompt.m_reports[0].contains(QStringLiteral("Speaker"))) << m_prompt.m_reports[0].toStdString();
    EXPECT_TRUE(MediaLibraryLoaded());

    // Two spaces in a row go from the tags; an untagged item is named by its file; one
    // that cannot be opened has no bit rate either.
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Lesson2 - Reader - Quillmere [Beta 2]"), QStringLiteral("64Kbps")},
        {QFileInfo(m_strMedia).fileName() + QStringLiteral(" - Quillmere [Beta 2]"), QStringLiteral("705Kbps")},
        {QStringLiteral("broken.mp3 - Quillmere [Beta 2]"), QString()},
    };
    for (int item = 1; item <= 3; ++item) {
        m_pApp->Session().PlayItem(item);
        EXPECT_EQ(m_pApp->MainFrame().windowTitle(), cases[item - 1].first);
        EXPECT_EQ(Pane(PANE_BITRATE), cases[item - 1].second);
    }
    Stop();
}

TEST_F(QuillmereAppTest, CtrlSSavesTheTranscriptBesideTheMediaSaveAsAsksForAName)
{
    Start();
    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral("Listen"));
    Press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(m_prompt.m_messages.contains(QStringLiteral("文件保存成功")));
    EXPECT_TRUE(ReadAllBytes(m_dir.filePath(QStringLiteral("第一课.rtf"))).contains("Listen"));
    EXPECT_TRUE(m_pApp->MainFrame().RaiseCommand(ID_FILE_SAVE_AS)); // the dialog is cancelled
    EXPECT_EQ(m_prompt.m_nFileDialogs, 1);
    Stop();
}

TEST_F(QuillmereAppTest, TheSaveQuestionOnASwitchCancelsDiscardsOrSaves)
{
    const QString second = m_dir.filePath(QStringLiteral("第二课.wav"));
    QFile::copy(m_strMedia, second);
    WriteAllBytes(m_dir.filePath(QStringLiteral("Playlist.Qpl")),
                  (m_strMedia + QStringLiteral("\r\n") + second + QStringLiteral("\r\n")).toUtf8());
    Start();
    const QString firstTranscript = m_dir.filePath(QStringLiteral("第一课.rtf"));

    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral("one"));
    m_prompt.m_queuedAnswers = {CPrompt::IDCANCEL};
    Press(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Session().CurrentIndex(), 0); // cancelled: nothing moved, the text stays
    EXPECT_EQ(m_pApp->EditorView().toPlainText(), QStringLiteral("one"));

    m_prompt.m_queuedAnswers = {CPrompt::IDNO};
    Press(Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(Session().CurrentIndex(), 1);
    EXPECT_TRUE(m_pApp->EditorView().toPlainText().isEmpty());
    EXPECT_FALSE(QFile::exists(firstTranscript));

    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral("two"));
    m_prompt.m_queuedAnswers = {CPrompt::IDYES};
    Press(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(Session().CurrentIndex(), 0);
    EXPECT_TRUE(ReadAllBytes(m_dir.filePath(QStringLiteral("第二课.rtf"))).contains("two"));
    Stop();
}

// The save question opens under the learner's fingers as Alt+Down switches
// the item: the letters typed on ("n" among them) do not answer it, and the
// Enter pressed once the keyboard rested saves the transcript.
TEST_F(QuillmereAppTest, TypingOnThroughTheSaveQuestionNeverDiscardsTheText)
{
    const QString second = m_dir.filePath(QStringLiteral("第二课.wav"));
    QFile::copy(m_strMedia, second);
    WriteAllBytes(m_dir.filePath(QStringLiteral("Playlist.Qpl")),
                  (m_strMedia + QStringLiteral("\r\n") + second + QStringLiteral("\r\n")).toUtf8());
    CPrompt *const recording = SetPrompt(nullptr); // the program's own boxes
    Start();
    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral("my careful transcript"));
    QString asked;
    QTimer::singleShot(0, [&asked] {
        QWidget *box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        asked = qobject_cast<QMessageBox *>(box)->text();
        // Where the window system sends keys while the box is the active window.
        const auto typeInto = [box](auto... key) {
            QWidget *focus = box->focusWidget();
            QTest::keyClick(focus != nullptr ? focus : box, key...);
        };
        for (QChar letter : QStringLiteral("next words"))
            typeInto(letter.toLatin1());
        QTest::qWait(CTypingGuard::kRestMs + 200);
        typeInto('n'); // a bare letter never answers, even after a rest
        QTest::qWait(CTypingGuard::kRestMs + 200);
        ASSERT_TRUE(box->isVisible());
        typeInto(Qt::Key_Return);
        if (box->isVisible()) {
            ADD_FAILURE() << "Enter did not answer";
            static_cast<QDialog *>(box)->reject();
        }
    });
    Press(Qt::Key_Down, Qt::AltModifier);
    SetPrompt(recording);
    EXPECT_TRUE(asked.startsWith(QStringLiteral("是否保存对"))) << asked.toStdString();
    EXPECT_EQ(Session().CurrentIndex(), 1);
    EXPECT_TRUE(ReadAllBytes(m_dir.filePath(QStringLiteral("第一课.rtf"))).contains("my careful transcript"));
    Stop();
}

// Qt's own dialogs come up in the interface's language, not in English.
TEST_F(QuillmereAppTest, QtsOwnDialogsSpeakTheInterfacesLanguage)
{
    Start();
    {
        QPrinter printer;
        QPrintDialog print(&printer, &m_pApp->MainFrame());
        EXPECT_EQ(print.windowTitle(), QStringLiteral("打印"));
        QFileDialog files(&m_pApp->MainFrame());
        files.setOption(QFileDialog::DontUseNativeDialog);
        const QDialogButtonBox *buttons = files.findChild<QDialogButtonBox *>();
        ASSERT_NE(buttons, nullptr);
        EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }
    Stop();
}

// Resuming after a pause goes back the chosen seconds, but never before the
// start of the A-B stretch being played.
TEST_F(QuillmereAppTest, ResumingAfterAPauseStepsBackWithinTheStretch)
{
    Start();
    m_pApp->Settings().BackStep = 2;
    const auto pauseAtAndResume = [this](std::uint32_t position) {
        Session().OnPositionScroll(position);
        Press(Qt::Key_F1);
        EXPECT_TRUE(m_pApp->Engine().IsPaused());
        Press(Qt::Key_F1);
        EXPECT_TRUE(m_pApp->Engine().IsPlaying());
        return static_cast<int>(m_pApp->Engine().GetPosition());
    };
    Press(Qt::Key_F1);
    EXPECT_NEAR(pauseAtAndResume(8000), 6000, 150);

    Session().OnPositionScroll(5000);
    Press(Qt::Key_F6);
    Session().OnPositionScroll(9000);
    Press(Qt::Key_F7);
    const int resumed = pauseAtAndResume(5500);
    EXPECT_GE(resumed, 5000);
    EXPECT_LT(resumed, 5150);
    Stop();
}

// Ctrl+T writes the playing position into the transcript as plain text; a
// Ctrl+click on a timestamp, or the command with the caret on it, plays from
// there.
TEST_F(QuillmereAppTest, TimestampsWriteThePositionAndPlayFromIt)
{
    Start();
    Press(Qt::Key_F1);
    Session().OnPositionScroll(5200);
    Press(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(m_pApp->EditorView().toPlainText(), QStringLiteral("[00:05]"));
    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral(" and on"));

    Session().OnPositionScroll(1000);
    QTextEdit &editor = m_pApp->EditorView();
    const QRect timestamp = editor.cursorRect(QTextCursor(editor.document()->findBlockByNumber(0)));
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::ControlModifier, timestamp.center() + QPoint(8, 0));
    EXPECT_TRUE(m_pApp->Engine().IsPlaying());
    EXPECT_NEAR(static_cast<int>(m_pApp->Engine().GetPosition()), 5000, 150);

    Session().OnPositionScroll(8000);
    editor.moveCursor(QTextCursor::End);
    EXPECT_FALSE(m_pApp->MainFrame().RaiseCommand(ID_PLAY_FROM_TIMESTAMP)); // the caret is on no timestamp
    editor.moveCursor(QTextCursor::Start);
    EXPECT_TRUE(m_pApp->MainFrame().RaiseCommand(ID_PLAY_FROM_TIMESTAMP));
    EXPECT_NEAR(static_cast<int>(m_pApp->Engine().GetPosition()), 5000, 150);
    Stop();
}

TEST_F(QuillmereAppTest, ARecentTranscriptBringsItsMediaOrSaysThereIsNone)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("alone"));
    QDir(m_dir.path()).mkdir(QStringLiteral("lesson"));
    const QString alone = m_dir.filePath(QStringLiteral("alone/课.rtf"));
    const QString withMedia = m_dir.filePath(QStringLiteral("lesson/课.rtf"));
    const QString media = m_dir.filePath(QStringLiteral("lesson/课.wav"));
    WriteAllBytes(alone, "{\\rtf1 alone\\par}");
    WriteAllBytes(withMedia, "{\\rtf1 beside the media\\par}");
    QFile::copy(m_strMedia, media);
    {
        CIniProfile profile(m_dir.filePath(QStringLiteral("q.ini")));
        profile.WriteProfileString(QStringLiteral("Recent File List"), QStringLiteral("File1"), alone);
        profile.WriteProfileString(QStringLiteral("Recent File List"), QStringLiteral("File2"), withMedia);
        ASSERT_TRUE(profile.Flush());
    }
    Start();

    // No media beside it: the learner is told, nothing changes, the entry goes.
    EXPECT_TRUE(m_pApp->MainFrame().RaiseCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(m_prompt.m_messages.value(0), QStringLiteral("没有相关的媒体文件!"));
    EXPECT_EQ(m_pApp->RecentFiles().Paths(), QStringList{withMedia});
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{m_strMedia});

    // With media beside it: the playlist becomes that media and the transcript opens.
    EXPECT_TRUE(m_pApp->MainFrame().RaiseCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{media});
    EXPECT_EQ(Session().GetCurrentPath(), media);
    EXPECT_EQ(m_pApp->EditorView().toPlainText(), QStringLiteral("beside the media"));
    Stop();
}

// F4 starts the drill from the editor, typing goes into the text without ending it,
// F1 holds and resumes it, F2 ends it. Closed during a drill, the program loads the
// remembered item silent as always, and F1 starts the drill again.
TEST_F(QuillmereAppTest, TheDrillRunsFromTheKeyboardWhileTheLearnerTypes)
{
    WriteAllBytes(m_dir.filePath(QStringLiteral("第一课.lrc")),
                  "[00:01.00]one\r\n[00:03.00]two\r\n[00:05.00]three\r\n");
    Start();
    Press(Qt::Key_F4);
    ASSERT_TRUE(Session().IsDrillRunning());
    EXPECT_EQ(Pane(PANE_DRILL), QStringLiteral("第 1/3 段 · 第 1/2 遍"));
    QTest::keyClicks(&m_pApp->EditorView(), QStringLiteral("Listen"));
    EXPECT_EQ(m_pApp->EditorView().toPlainText(), QStringLiteral("Listen"));
    EXPECT_TRUE(Session().IsDrillRunning());
    Press(Qt::Key_F1);
    EXPECT_TRUE(m_pApp->Engine().IsPaused());
    Press(Qt::Key_F1);
    EXPECT_TRUE(m_pApp->Engine().IsPlaying());
    Stop();
    EXPECT_EQ(DrillOnInProfile(), 1);

    Start();
    EXPECT_FALSE(m_pApp->Engine().IsPlaying());
    EXPECT_TRUE(Session().IsDrillOn());
    Press(Qt::Key_F1);
    ASSERT_TRUE(Session().IsDrillRunning());
    EXPECT_EQ(Pane(PANE_DRILL), QStringLiteral("第 1/3 段 · 第 1/2 遍"));
    Press(Qt::Key_F2);
    EXPECT_FALSE(Session().IsDrillOn());
    EXPECT_EQ(Pane(PANE_DRILL), QString());
    Stop();
    EXPECT_EQ(DrillOnInProfile(), 0);
}

namespace
{

// Runs the event loop for a while, as the program runs; returns how many
// times it went idle (QTest::qWait never waits in the loop, so never idles).
int RunIdlingFor(int milliseconds)
{
    int idle = 0;
    QEventLoop loop;
    const QMetaObject::Connection counting = QObject::connect(
        QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&idle] { ++idle; });
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(counting);
    return idle;
}

} // namespace

// The position timer wakes the program ten times a second while an item
// plays; the commands are asked again only when the transport says something
// changed, not at each of those idle moments.
TEST_F(QuillmereAppTest, WhileAnItemPlaysIdleMomentsDoNotAskTheCommandsAgain)
{
    Start();
    CQueryCounter counter;
    m_pApp->MainFrame().SetRouteTarget(CMainFrame::Document, &counter);
    Press(Qt::Key_F1);
    ASSERT_TRUE(m_pApp->Engine().IsPlaying());
    RunIdlingFor(200); // the key's own notices are taken up
    counter.m_nQueries = 0;
    const int before = m_pApp->PlayerBar().PositionSlider()->value();
    EXPECT_GE(RunIdlingFor(1000), 10);
    EXPECT_GT(m_pApp->PlayerBar().PositionSlider()->value(), before + 500);
    EXPECT_LE(counter.m_nQueries, 2);

    // Stopped: the toolbar is asked again once the program is idle.
    counter.m_nQueries = 0;
    ASSERT_TRUE(Session().ExecuteIfEnabled(IDC_STOP));
    RunIdlingFor(50);
    EXPECT_GE(counter.m_nQueries, 1);

    // The item played to its end: no command ran, the transport's own notice
    // brings the control bar's stop button down.
    ASSERT_TRUE(Session().ExecuteIfEnabled(IDC_PLAY_BUTTON));
    RunIdlingFor(50);
    const QWidget &stop = *m_pApp->PlayerBar().Button(IDC_STOP);
    EXPECT_TRUE(stop.isEnabled());
    Session().OnPositionScroll(m_pApp->Engine().GetLength() - 200);
    for (int i = 0; i < 40 && m_pApp->Engine().IsPlaying(); ++i)
        RunIdlingFor(50);
    ASSERT_FALSE(m_pApp->Engine().IsPlaying());
    RunIdlingFor(50);
    EXPECT_FALSE(stop.isEnabled());
    m_pApp->MainFrame().SetRouteTarget(CMainFrame::Document, nullptr);
    Stop();
}
