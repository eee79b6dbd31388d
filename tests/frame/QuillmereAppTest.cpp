// The whole program on the real engine, driven from the keyboard as a learner
// drives it: what only the assembled window shows (the command line, names a
// screen reader says, the save question under the learner's fingers, the
// drill across a restart, the settings applied, idle moments while playing,
// the effects bar, the check of what was written).
#include "ProgramTest.h"

#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "frame/CCheckReportDlg.h"
#include "frame/CEffectsBar.h"
#include "frame/CEffectsPanel.h"
#include "frame/CSettingsDlg.h"
#include "frame/CTypingGuard.h"
#include "transport/CNiceSliderCtrl.h"
#include "transport/CPlayerBar.h"
#include "views/CPlaylistView.h"
#include "widgets/CImageButton.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QComboBox>
#include <QDockWidget>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QTextBlock>
#include <QTimer>
#include <QTreeWidget>
#include <QWheelEvent>

namespace
{

class QuillmereAppTest : public CProgramTest
{
protected:
    QuillmereAppTest() { m_strMedia = ListLessons(m_dir, {{"long.wav", QStringLiteral("第一课.wav")}}).first(); }

    int Position() { return static_cast<int>(Engine().GetPosition()); }

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

class CPaintCounter : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        m_nPaints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int m_nPaints = 0;
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
    WriteAllBytes(Path("notes.rtf"), "{\\rtf1\\ansi my notes\\par}");

    Start(recording);
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{recording});
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_EQ(Editor().toPlainText().trimmed(), QStringLiteral("second lesson"));
    Stop();
    EXPECT_EQ(ReadAllBytes(Path("Playlist.Qpl")).trimmed(), recording.toUtf8());

    Start(Path("notes.rtf"));
    EXPECT_EQ(Editor().toPlainText().trimmed(), QStringLiteral("my notes"));
    EXPECT_EQ(m_pApp->PlaylistPane().Playlist().Paths(), QStringList{recording});
    EXPECT_FALSE(Engine().IsPlaying());
}

// Screen readers and automation reach every control by its name, its tooltip
// or its caption. Qt's own dialogs come up in the interface's language, not in
// English.
TEST_F(QuillmereAppTest, EveryControlHasANameAReaderCanSayAndQtsDialogsSpeakChinese)
{
    Start();
    int checked = 0;
    for (QWidget *control : Frame().findChildren<QWidget *>()) {
        const auto *button = qobject_cast<const QAbstractButton *>(control);
        const bool isControl =
            button != nullptr || qobject_cast<QSlider *>(control) != nullptr ||
            qobject_cast<QComboBox *>(control) != nullptr || qobject_cast<QTextEdit *>(control) != nullptr ||
            (qobject_cast<QAbstractItemView *>(control) != nullptr && qobject_cast<QHeaderView *>(control) == nullptr);
        if (!isControl || !control->isVisibleTo(&Frame()) || control->objectName().startsWith(u"qt_"))
            continue;
        ++checked;
        EXPECT_FALSE(control->accessibleName().isEmpty() && control->toolTip().isEmpty() &&
                     (button == nullptr || button->text().isEmpty()))
            << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
    EXPECT_GE(checked, 40) << "the toolbar, both bars, the format bar and the panes were all looked at";

    QPrinter printer;
    EXPECT_EQ(QPrintDialog(&printer, &Frame()).windowTitle(), QStringLiteral("打印"));
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
               Frame().PaneText(PANE_BITRATE) == QStringLiteral("64Kbps");
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
        EXPECT_EQ(Frame().PaneText(PANE_BITRATE), cases[item - 1].second);
    }
}

// The save question opens under the learner's fingers as Alt+Down switches
// the item: the letters typed on ("n" among them) do not answer it, and the

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
    QTimer::singleShot(0, [] {
        QWidget *box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
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
    EXPECT_TRUE(ReadAllBytes(Path("第一课.rtf")).contains("[00:05] and on"));

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

// F4 starts the drill over the rows of the timing file beside the item, from
// the editor, and typing goes into the text without ending it. Closed during a
// drill, the program loads the remembered item silent as always, and F1 starts
// the drill again (F2 ending it is the session's test).
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
    EXPECT_EQ(CIniProfile(Path("q.ini")).GetProfileInt(QStringLiteral("Drill"), QStringLiteral("DrillOn"), -1), 1);

    Start();
    EXPECT_FALSE(Engine().IsPlaying());
    EXPECT_TRUE(Session().IsDrillOn());
    Press(Qt::Key_F1);
    ASSERT_TRUE(Session().IsDrillRunning());
    EXPECT_EQ(Frame().PaneText(PANE_DRILL), QStringLiteral("第 1/3 段 · 第 1/2 遍"));
}

// The settings dialog, filled in as a learner fills it: Cancel leaves
// everything alone, OK applies the window layer, the auto-save and the steps
// at once.
TEST_F(QuillmereAppTest, SettingsOkAppliesAtOnceAndCancelNothing)
{
    Start();
    const auto fillIn = [this](bool ok) {
        QTimer::singleShot(0, [ok] {
            auto *dialog = dynamic_cast<CSettingsDlg *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->AlwaysTopCheck()->setChecked(true);
            dialog->AutoSaveEdit()->setText(QStringLiteral("5"));
            dialog->MoveStepCombo()->setCurrentIndex(2); // "2s"
            dialog->BackStepCombo()->setCurrentIndex(3); // "3s"
            ok ? dialog->accept() : dialog->reject();
        });
        ASSERT_TRUE(Raise(ID_SETTINGS));
    };
    const auto onTop = [this] { return Frame().windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
    fillIn(false);
    EXPECT_FALSE(onTop());
    EXPECT_EQ(Editor().GetAutoSavePeriod(), 0);
    EXPECT_EQ(m_pApp->Settings().MoveStep, 100);
    EXPECT_EQ(m_pApp->Settings().BackStep, 0);

    fillIn(true);
    EXPECT_TRUE(onTop());
    EXPECT_TRUE(Frame().isVisible());
    EXPECT_EQ(Editor().GetAutoSavePeriod(), 5 * 60000);
    EXPECT_EQ(m_pApp->Settings().MoveStep, 2000);
    EXPECT_EQ(m_pApp->Settings().BackStep, 3);
}

// The position timer wakes the program ten times a second while an item
// plays; the commands are asked again only when the transport says something
// changed, not at each of those idle moments, and the moving slider is drawn
// again without the dock it lies in.
TEST_F(QuillmereAppTest, WhileAnItemPlaysIdleMomentsDoNotAskTheCommandsAgain)
{
    Start();
    CQueryCounter counter;
    Frame().SetRouteTarget(CMainFrame::Document, &counter);
    CPaintCounter dockPaints;
    Press(Qt::Key_F1);
    ASSERT_TRUE(Engine().IsPlaying());
    RunIdlingFor(200); // the key's own notices are taken up
    counter.m_nQueries = 0;
    Frame().ControlBarDock()->installEventFilter(&dockPaints);
    const int before = m_pApp->PlayerBar().PositionSlider()->value();
    EXPECT_GE(RunIdlingFor(1000), 10);
    EXPECT_GT(m_pApp->PlayerBar().PositionSlider()->value(), before + 500);
    EXPECT_LE(counter.m_nQueries, 2);
    EXPECT_EQ(dockPaints.m_nPaints, 0);

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

// ------------------------------------------------------------ the effects bar

// The whole program with a 10-second item, the remembered one, loaded stopped,
// and a tracker module after it.
class EffectsBarTest : public CProgramTest
{
protected:
    void SetUp() override
    {
        ListLessons(m_dir, {{"long.wav", QStringLiteral("a.wav")}, {"song.mod", QStringLiteral("b.mod")}});
        Start();
    }

    QSlider &Slider(unsigned id) { return *m_pApp->EffectsBar().Panel().Slider(id); }
    QString Label(unsigned id) { return m_pApp->EffectsBar().Panel().Label(id)->text(); }
    QPushButton &Reset() { return *m_pApp->EffectsBar().Panel().ResetButton(); }
    // Milliseconds of the item heard in about a second of playing.
    std::uint32_t PlayedInASecond()
    {
        const std::uint32_t start = Engine().GetPosition();
        QTest::qWait(1000);
        return Engine().GetPosition() - start;
    }
};

// The item's own values, with a rate range of 0.7 to 1.3 of its rate
// (truncated); the labels follow the sliders.
TEST_F(EffectsBarTest, SlidersShowAndReachTheEngineAPausedSpeedIsHeardOnResumingAndResetActsWhilePlaying)
{
    EXPECT_EQ(Label(CEffectsPanel::IDC_RATE_LABEL), QStringLiteral("= 44100Hz"));
    EXPECT_EQ(Slider(CEffectsPanel::IDC_RATE_SLIDER).minimum(), 30869);
    EXPECT_EQ(Slider(CEffectsPanel::IDC_RATE_SLIDER).maximum(), 57330);
    // The reverb slider turns the mix up; the engine's value turns it down.
    Slider(CEffectsPanel::IDC_REVERB_SLIDER).setValue(14);
    EXPECT_EQ(Engine().EffectValue(CPlaybackEngine::EFFECT_REVERB), 6);
    Slider(CEffectsPanel::IDC_EQ_125_SLIDER).setValue(0);
    EXPECT_EQ(Engine().EffectValue(CPlaybackEngine::EFFECT_EQ_125), 0);

    // A speed chosen while paused is heard on resuming, though the pitch and
    // the rate were changed after it: each change carries the others along.
    ASSERT_TRUE(Raise(IDC_PLAY_BUTTON));
    ASSERT_TRUE(Raise(IDC_PAUSE_BUTTON));
    Slider(CEffectsPanel::IDC_SPEED_SLIDER).setValue(0);
    Slider(CEffectsPanel::IDC_PITCH_SLIDER).setValue(20);
    Slider(CEffectsPanel::IDC_RATE_SLIDER).setValue(44099);
    EXPECT_EQ(QStringList({Label(CEffectsPanel::IDC_SPEED_LABEL), Label(CEffectsPanel::IDC_PITCH_LABEL),
                           Label(CEffectsPanel::IDC_RATE_LABEL)}),
              QStringList({QStringLiteral("= -60%"), QStringLiteral("= 5 Semitones"), QStringLiteral("= 44099Hz")}));
    ASSERT_TRUE(Raise(IDC_PLAY_BUTTON));
    const std::uint32_t slow = PlayedInASecond();
    EXPECT_GT(slow, 250u);
    EXPECT_LT(slow, 600u) << "played at 40 %, as the label says (= -60%)";

    // While playing, reset brings the item's own speed and the effects back at once.
    Reset().click();
    EXPECT_EQ(Engine().EffectValue(CPlaybackEngine::EFFECT_EQ_125), 10);
    EXPECT_EQ(Label(CEffectsPanel::IDC_SPEED_LABEL), QStringLiteral("= 0%"));
    const std::uint32_t own = PlayedInASecond();
    EXPECT_GT(own, 850u);
    EXPECT_LT(own, 1150u);
}

// The scroll commands come to the bar first, before the control bar; a step,
// by command or wheel, moves the panel 20 pixels, and the steps stop at both
// ends. A tracker module plays at its own speed: the controls that could not
// act on it are disabled. Emptying the list disables the whole panel.
TEST_F(EffectsBarTest, TheBarScrollsAndWhatCannotActIsDisabled)
{
    CEffectsBar &bar = m_pApp->EffectsBar();
    bar.resize(bar.width(), 200);
    EXPECT_TRUE(Raise(IDC_SCROLL_DOWN));
    EXPECT_EQ(bar.ScrollOffset(), -20);
    for (int i = 0; i < 60; ++i)
        bar.ScrollDown();
    const int bottom = -((bar.Panel().height() - bar.Viewport()->height() + 19) / 20 * 20);
    EXPECT_EQ(bar.Panel().y(), bottom);
    QWheelEvent wheel(QPointF(20, 100), bar.mapToGlobal(QPointF(20, 100)), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&bar, &wheel);
    EXPECT_EQ(bar.Panel().y(), bottom + 20);
    for (int i = 0; i < 60; ++i)
        bar.ScrollUp();
    EXPECT_EQ(bar.Panel().y(), 0);

    Session().PlayItem(1);
    for (unsigned id = CEffectsPanel::IDC_SPEED_SLIDER; id <= CEffectsPanel::IDC_REVERB_SLIDER; ++id)
        EXPECT_EQ(Slider(id).isEnabled(), id > CEffectsPanel::IDC_PITCH_SLIDER) << id; // the tempo's three come first
    EXPECT_TRUE(Reset().isEnabled());

    ASSERT_TRUE(m_pApp->PlaylistPane().ExecuteIfEnabled(ID_PLAYLIST_REMOVE_ALL));
    EXPECT_FALSE(Reset().isEnabled());
    for (unsigned id = CEffectsPanel::IDC_SPEED_SLIDER; id <= CEffectsPanel::IDC_REVERB_SLIDER; ++id)
        EXPECT_FALSE(Slider(id).isEnabled()) << id;
}

// ---------------------------------------------------------------- the check

// Checking what was written, on the example lesson's recording with the
// example's files named copied beside it.
class CheckAppTest : public CProgramTest
{
protected:
    void StartOnTheExample(std::initializer_list<const char *> files)
    {
        qputenv("XDG_DATA_HOME", QFile::encodeName(Path("data")));
        for (const char *name : files)
            QFile::copy(QStringLiteral(QUILLMERE_SOURCE_DIR "/examples/lesson/") + QString::fromLatin1(name),
                        Path(name));
        WritePlaylist(m_dir, {Path("lighthouse.mp3")});
        Start();
    }
};

// Typed with one wrong and one missing word in its first two sentences, Ctrl+K
// shows the report, and a double-click on a stretch plays it.
TEST_F(CheckAppTest, CtrlKReportsTheScoreAndADoubleClickPlaysTheStretch)
{
    StartOnTheExample({"lighthouse.mp3", "lighthouse.lrc"});
    QTest::keyClicks(&Editor(), QStringLiteral("Welcome to your first dictation lessen."));
    Press(Qt::Key_Return);
    QTest::keyClicks(&Editor(), QStringLiteral("Listen to each sentence, then write exactly what you hear."));
    EXPECT_EQ(m_pApp->CheckReport(), nullptr) << "nothing of the reference shows before a check";

    Press(Qt::Key_K, Qt::ControlModifier);
    CCheckReportDlg *report = m_pApp->CheckReport();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->isVisible());
    EXPECT_EQ(report->ScoreText(), QStringLiteral("正确率 88%"));
    EXPECT_EQ(report->CountsText(), QStringLiteral("错误 1 · 遗漏 1 · 多余 0 · 提示 0"));
    EXPECT_EQ(Editor().toPlainText().count(u'\n'), 1) << "the check writes nothing into the text";

    QTreeWidget &rows = *report->Rows();
    ASSERT_EQ(rows.topLevelItemCount(), 11);
    EXPECT_TRUE(rows.topLevelItem(1)->text(4).contains(QStringLiteral("［漏 down］")));
    EXPECT_EQ(rows.topLevelItem(2)->text(2), QStringLiteral("未练习"));
    EXPECT_EQ(rows.topLevelItem(2)->text(4), QString()) << "what is still to write is not given away";
    const QPoint second = rows.visualItemRect(rows.topLevelItem(1)).center();
    // As the window system delivers it: a click, then a press that is a double-click.
    QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, second);
    QTest::mousePress(rows.viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(rows.viewport(), Qt::LeftButton, {}, second);
    QTest::mouseRelease(rows.viewport(), Qt::LeftButton, {}, second);
    EXPECT_EQ(Session().Range(), (SAbRange{4170, 10050, true}));
    EXPECT_TRUE(Engine().IsPlaying());
    EXPECT_GE(Engine().GetPosition(), 4170u);
    EXPECT_LT(Engine().GetPosition(), 10050u);

    m_prompt.m_queuedAnswers = {CPrompt::IDNO};
    Stop();
    EXPECT_EQ(m_prompt.m_messages.size(), 1) << "the save question as the window closed";
}

// A recording with nothing to check against: Ctrl+K says how to give it a reference,
// and no report opens.
TEST_F(CheckAppTest, WithoutAReferenceCtrlKSaysWhatIsMissing)
{
    StartOnTheExample({"lighthouse.mp3"});
    Press(Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_TRUE(m_prompt.m_messages[0].startsWith(QStringLiteral("这个录音没有参考文本")));
    EXPECT_EQ(m_pApp->CheckReport(), nullptr);
}
