// The whole program on the real engine, driven from the keyboard as a learner
// drives it: what only the assembled window shows (the command line, names a
// screen reader says, the title bar, the save question under the learner's
// fingers, the drill across a restart, idle moments while an item plays).
#include "ProgramTest.h"

#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "frame/CTypingGuard.h"
#include "transport/CNiceSliderCtrl.h"
#include "transport/CPlayerBar.h"
#include "views/CPlaylistView.h"
#include "widgets/CImageButton.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAccessible>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QHeaderView>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>

namespace
{

class QuillmereAppTest : public CProgramTest
{
protected:
    QuillmereAppTest() { m_strMedia = ListLessons(m_dir, {{"long.wav", QStringLiteral("第一课.wav")}}).first(); }

    CPlaybackEngine &Engine() { return m_pApp->Engine(); }
    QString Pane(int index) { return Frame().PaneText(index); }
    int Position() { return static_cast<int>(Engine().GetPosition()); }
    // The names the accessibility interface exports for the status bar and its panes.
    QStringList SpokenStatusBar()
    {
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(Frame().statusBar());
        QStringList names{bar->text(QAccessible::Name)};
        for (int i = 0; i < bar->childCount(); ++i)
            names.append(bar->child(i)->text(QAccessible::Name));
        return names;
    }
    int DrillOnInProfile() const
    {
        return CIniProfile(Path("q.ini")).GetProfileInt(QStringLiteral("Drill"), QStringLiteral("DrillOn"), -1);
    }

    QString m_strMedia;
};

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

} // namespace

// A file manager starts the program with a file: a recording replaces the
// playlist and plays with the transcript beside it, anything else opens as
// the transcript beside the remembered playlist.
TEST_F(QuillmereAppTest, AFileOnTheCommandLinePlaysARecordingOrOpensATranscript)
{
    const QString recording = Path("第二课.WAV");
    ASSERT_TRUE(QFile::copy(m_strMedia, recording));
    WriteAllBytes(Path("第二课.rtf"), "{\\rtf1\\ansi second lesson\\par}");
    const QString transcript = Path("notes.rtf");
    WriteAllBytes(transcript, "{\\rtf1\\ansi my notes\\par}");

    Start(recording);
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{recording});
    EXPECT_EQ(Session().CurrentIndex(), 0);
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_EQ(Editor().toPlainText().trimmed(), QStringLiteral("second lesson"));
    Stop();
    EXPECT_EQ(ReadAllBytes(Path("Playlist.Qpl")).trimmed(), recording.toUtf8());

    Start(transcript);
    EXPECT_EQ(Editor().toPlainText().trimmed(), QStringLiteral("my notes"));
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{recording});
    EXPECT_FALSE(Engine().IsPlaying());
    EXPECT_EQ(m_pApp->RecentFiles().Paths().value(0), transcript);
}

// Screen readers and automation reach every control by its name, its tooltip
// or its caption, and hear what the panes show (the caret's line, followed at
// every idle moment), not their placeholders. Qt's own dialogs come up in the
// interface's language, not in English.
TEST_F(QuillmereAppTest, EveryControlAndPaneHasANameAReaderCanSayAndQtsDialogsSpeakChinese)
{
    Start();
    const auto named = [](const QWidget &control) {
        const auto *button = qobject_cast<const QAbstractButton *>(&control);
        return !control.accessibleName().isEmpty() || !control.toolTip().isEmpty() ||
               (button != nullptr && !button->text().isEmpty());
    };
    int checked = 0;
    for (QWidget *control : Frame().findChildren<QWidget *>()) {
        const bool isControl =
            qobject_cast<QAbstractButton *>(control) != nullptr || qobject_cast<QSlider *>(control) != nullptr ||
            qobject_cast<QComboBox *>(control) != nullptr || qobject_cast<QTextEdit *>(control) != nullptr ||
            (qobject_cast<QAbstractItemView *>(control) != nullptr && qobject_cast<QHeaderView *>(control) == nullptr);
        if (!isControl || !control->isVisibleTo(&Frame()) || control->objectName().startsWith(u"qt_"))
            continue;
        ++checked;
        EXPECT_TRUE(named(*control)) << control->metaObject()->className() << " "
                                     << control->objectName().toStdString();
    }
    EXPECT_GE(checked, 40) << "the toolbar, both bars, the format bar and the panes were all looked at";

    Press(Qt::Key_Return);
    Press(Qt::Key_Return);
    Session().PlaySelection(5000, 9000);
    Frame().UpdateCommandStates();
    EXPECT_EQ(Pane(PANE_LINE), QStringLiteral("Line 3"));
    const QStringList spoken = SpokenStatusBar();
    for (const QString &shown : {QStringLiteral("Line 3"), QStringLiteral("00:05"), QStringLiteral("00:09")})
        EXPECT_TRUE(spoken.contains(shown)) << spoken.join(u'|').toStdString();
    EXPECT_FALSE(spoken.contains(QStringLiteral("选择起点"))) << spoken.join(u'|').toStdString();

    QPrinter printer;
    EXPECT_EQ(QPrintDialog(&printer, &Frame()).windowTitle(), QStringLiteral("打印"));
    QFileDialog files(&Frame());
    files.setOption(QFileDialog::DontUseNativeDialog);
    const QDialogButtonBox *buttons = files.findChild<QDialogButtonBox *>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
}

// The media library (and the network libraries it pulls in) is loaded only when
// properties are asked for: the title and bit rate come from the open file.
TEST_F(QuillmereAppTest, TheTitleBarAndTheBitRatePaneDescribeTheCurrentItemAndItsPropertiesAreShown)
{
    const auto mediaLibraryLoaded = [] {
        return ReadAllBytes(QStringLiteral("/proc/self/maps")).contains("libmediainfo");
    };
    const QString broken = Path("broken.mp3");
    WriteAllBytes(broken, "not a recording");
    WritePlaylist(m_dir, {QString::fromStdString(CTestMedia::Path("tagged.mp3")),
                          QString::fromStdString(CTestMedia::Path("spaced.mp3")), m_strMedia, broken});
    Start();
    const auto described = [this] {
        return Frame().windowTitle() == QStringLiteral("Lesson 1 - Speaker - Quillmere [Beta 2]") &&
               Pane(PANE_BITRATE) == QStringLiteral("64Kbps");
    };
    EXPECT_TRUE(described()) << Frame().windowTitle().toStdString();
    QTest::keyClicks(&Editor(), QStringLiteral("typed")); // the text's first change keeps the title
    EXPECT_TRUE(described()) << Frame().windowTitle().toStdString();
    EXPECT_FALSE(mediaLibraryLoaded());

    ASSERT_TRUE(Raise(ID_MEDIA_PROPERTIES));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_prompt.m_reports.isEmpty(); }, 10000));
    EXPECT_TRUE(m_prompt.m_reports[0].contains(QStringLiteral("Speaker"))) << m_prompt.m_reports[0].toStdString();
    EXPECT_TRUE(mediaLibraryLoaded());

    // Two spaces in a row go from the tags; an untagged item is named by its file; one
    // that cannot be opened has no bit rate either.
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("Lesson2 - Reader - Quillmere [Beta 2]"), QStringLiteral("64Kbps")},
        {QStringLiteral("第一课.wav - Quillmere [Beta 2]"), QStringLiteral("705Kbps")},
        {QStringLiteral("broken.mp3 - Quillmere [Beta 2]"), QString()},
    };
    for (int item = 1; item <= 3; ++item) {
        Session().PlayItem(item);
        EXPECT_EQ(Frame().windowTitle(), cases[item - 1].first);
        EXPECT_EQ(Pane(PANE_BITRATE), cases[item - 1].second);
    }
}

// The save question opens under the learner's fingers as Alt+Down switches
// the item: the letters typed on ("n" among them) do not answer it, and the
// Enter pressed once the keyboard rested saves the transcript.
TEST_F(QuillmereAppTest, TypingOnThroughTheSaveQuestionNeverDiscardsTheText)
{
    QFile::copy(m_strMedia, Path("第二课.wav"));
    WritePlaylist(m_dir, {m_strMedia, Path("第二课.wav")});
    CPrompt *const recording = SetPrompt(nullptr); // the program's own boxes
    Start();
    QTest::keyClicks(&Editor(), QStringLiteral("my careful transcript"));
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
    EXPECT_TRUE(ReadAllBytes(Path("第一课.rtf")).contains("my careful transcript"));
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
        EXPECT_TRUE(Engine().IsPaused());
        Press(Qt::Key_F1);
        EXPECT_TRUE(Engine().IsPlaying());
        return Position();
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
}

// Ctrl+T writes the playing position into the transcript as plain text, and
// Ctrl+S saves it beside the media; a Ctrl+click on a timestamp, or the command
// with the caret on it, plays from there.
TEST_F(QuillmereAppTest, TimestampsWriteThePositionAndPlayFromIt)
{
    Start();
    Press(Qt::Key_F1);
    Session().OnPositionScroll(5200);
    Press(Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(Editor().toPlainText(), QStringLiteral("[00:05]"));
    QTest::keyClicks(&Editor(), QStringLiteral(" and on"));
    Press(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(m_prompt.m_messages.contains(QStringLiteral("文件保存成功")));
    EXPECT_TRUE(ReadAllBytes(Path("第一课.rtf")).contains("[00:05] and on"));
    EXPECT_TRUE(Raise(ID_FILE_SAVE_AS)); // the dialog is cancelled
    EXPECT_EQ(m_prompt.m_nFileDialogs, 1);

    Session().OnPositionScroll(1000);
    QTextEdit &editor = Editor();
    const QRect timestamp = editor.cursorRect(QTextCursor(editor.document()->findBlockByNumber(0)));
    QTest::mouseClick(editor.viewport(), Qt::LeftButton, Qt::ControlModifier, timestamp.center() + QPoint(8, 0));
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_NEAR(Position(), 5000, 150);

    Session().OnPositionScroll(8000);
    editor.moveCursor(QTextCursor::End);
    EXPECT_FALSE(Raise(ID_PLAY_FROM_TIMESTAMP)); // the caret is on no timestamp
    editor.moveCursor(QTextCursor::Start);
    EXPECT_TRUE(Raise(ID_PLAY_FROM_TIMESTAMP));
    EXPECT_NEAR(Position(), 5000, 150);
}

TEST_F(QuillmereAppTest, ARecentTranscriptBringsItsMediaOrSaysThereIsNone)
{
    QDir(m_dir.path()).mkdir(QStringLiteral("alone"));
    QDir(m_dir.path()).mkdir(QStringLiteral("lesson"));
    const QString alone = Path("alone/课.rtf");
    const QString withMedia = Path("lesson/课.rtf");
    const QString media = Path("lesson/课.wav");
    WriteAllBytes(alone, "{\\rtf1 alone\\par}");
    WriteAllBytes(withMedia, "{\\rtf1 beside the media\\par}");
    QFile::copy(m_strMedia, media);
    {
        CIniProfile profile(Path("q.ini"));
        profile.WriteProfileString(QStringLiteral("Recent File List"), QStringLiteral("File1"), alone);
        profile.WriteProfileString(QStringLiteral("Recent File List"), QStringLiteral("File2"), withMedia);
        ASSERT_TRUE(profile.Flush());
    }
    Start();

    // No media beside it: the learner is told, nothing changes, the entry goes.
    EXPECT_TRUE(Raise(ID_FILE_MRU_FILE1));
    EXPECT_EQ(m_prompt.m_messages.value(0), QStringLiteral("没有相关的媒体文件!"));
    EXPECT_EQ(m_pApp->RecentFiles().Paths(), QStringList{withMedia});
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{m_strMedia});

    // With media beside it: the playlist becomes that media and the transcript opens.
    EXPECT_TRUE(Raise(ID_FILE_MRU_FILE1));
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{media});
    EXPECT_EQ(Session().GetCurrentPath(), media);
    EXPECT_EQ(Editor().toPlainText(), QStringLiteral("beside the media"));
}

// F4 starts the drill over the rows of the timing file beside the item, from
// the editor, and typing goes into the text without ending it. Closed during a
// drill, the program loads the remembered item silent as always, and F1 starts
// the drill again; F2 ends it.
TEST_F(QuillmereAppTest, TheDrillRunsFromTheKeyboardWhileTheLearnerTypesAndOutlivesARestart)
{
    WriteAllBytes(Path("第一课.lrc"), "[00:01.00]one\r\n[00:03.00]two\r\n[00:05.00]three\r\n");
    Start();
    Press(Qt::Key_F4);
    ASSERT_TRUE(Session().IsDrillRunning());
    QTest::keyClicks(&Editor(), QStringLiteral("Listen"));
    EXPECT_EQ(Editor().toPlainText(), QStringLiteral("Listen"));
    EXPECT_TRUE(Session().IsDrillRunning());
    Stop();
    EXPECT_EQ(DrillOnInProfile(), 1);

    Start();
    EXPECT_FALSE(Engine().IsPlaying());
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

// The position timer wakes the program ten times a second while an item
// plays; the commands are asked again only when the transport says something
// changed, not at each of those idle moments.
TEST_F(QuillmereAppTest, WhileAnItemPlaysIdleMomentsDoNotAskTheCommandsAgain)
{
    Start();
    CQueryCounter counter;
    Frame().SetRouteTarget(CMainFrame::Document, &counter);
    Press(Qt::Key_F1);
    ASSERT_TRUE(Engine().IsPlaying());
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
    Session().OnPositionScroll(Engine().GetLength() - 200);
    for (int i = 0; i < 40 && Engine().IsPlaying(); ++i)
        RunIdlingFor(50);
    ASSERT_FALSE(Engine().IsPlaying());
    RunIdlingFor(50);
    EXPECT_FALSE(stop.isEnabled());
    Frame().SetRouteTarget(CMainFrame::Document, nullptr);
}
