// The main frame, its dialogs and the recovery keeper alone: check marks, the
// panes, a second start, the settings dialogs, the recovery copy of the text.
#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "frame/CLessonSettingsDlg.h"
#include "frame/CMainFrame.h"
#include "frame/CRecoveryKeeper.h"
#include "frame/CSettingsDlg.h"
#include "frame/CSingleInstance.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <map>

#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace
{

class MainFrameTest : public testing::Test
{
protected:
    MainFrameTest() : m_frame(m_settings, m_profile)
    {
        m_frame.SetPanes(new QWidget, new QWidget, new QWidget, new QTextEdit);
        m_frame.resize(800, 600);
        m_frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_frame));
    }

    CAppSettings m_settings;
    CIniProfile m_profile;
    CMainFrame m_frame;
};

} // namespace

TEST_F(MainFrameTest, PlayOrderAndBarCommandsCarryTheirCheckMarks)
{
    EXPECT_EQ(m_frame.QueryState(ID_ORDER_DEFAULT).m_nCheck, 1);
    EXPECT_TRUE(m_frame.RaiseCommand(ID_ORDER_REPEAT_LIST));
    EXPECT_EQ(m_settings.Order, ORDER_REPEAT_LIST);

    // The menus' items take their state as a menu opens.
    std::map<unsigned, bool> checked;
    for (QMenu *menu : m_frame.menuBar()->findChildren<QMenu *>()) {
        emit menu->aboutToShow();
        for (QAction *item : menu->actions())
            checked[item->property("commandId").toUInt()] = item->isChecked();
    }
    EXPECT_FALSE(checked.at(ID_ORDER_DEFAULT));
    EXPECT_TRUE(checked.at(ID_ORDER_REPEAT_LIST));

    // The check mark follows the bar, also when the bar was closed by its own close box.
    m_frame.EffectsBarDock()->close();
    EXPECT_EQ(m_frame.QueryState(ID_VIEW_EFFECTSBAR).m_nCheck, 0);
    EXPECT_TRUE(m_frame.RaiseCommand(ID_VIEW_EFFECTSBAR));
    EXPECT_TRUE(m_frame.EffectsBarDock()->isVisible());
    EXPECT_EQ(m_frame.QueryState(ID_VIEW_EFFECTSBAR).m_nCheck, 1);
}

// The longest texts the panes show, in a window as wide as a common screen:
// every pane holds all of its text.
TEST_F(MainFrameTest, NoPaneTextIsClipped)
{
    const QStringList texts = QStringLiteral("|Line 1234|大写|数字|滚动|01:02:03|01:02:09|320Kbps|01:02:03 / 01:59:59|"
                                             "第 11/111 段 · 第 9/9 遍 · 书写 · 已暂停")
                                  .split(u'|');
    for (int width : {1280, 640}) {
        SCOPED_TRACE(width);
        m_frame.resize(width, 600);
        for (int pane = 1; pane < texts.size(); ++pane)
            m_frame.SetPaneText(pane, texts[pane]);
        QTest::qWait(50);
        for (QLabel *pane : m_frame.statusBar()->findChildren<QLabel *>()) {
            if (!pane->isVisible())
                continue;
            SCOPED_TRACE(pane->text().toStdString());
            EXPECT_GE(pane->contentsRect().width(), pane->fontMetrics().horizontalAdvance(pane->text()));
            EXPECT_LE(pane->geometry().right(), m_frame.statusBar()->width());
        }
    }
}

TEST(SingleInstance, ASecondStartHandsItsFileToTheFirstAndEnds)
{
    const QString key = QStringLiteral("quillmere-test-%1").arg(QCoreApplication::applicationPid());
    CSingleInstance first(key);
    ASSERT_TRUE(first.Claim(QString()));
    QStringList received;
    first.SetActivationHandler([&received](const QString &path) { received.append(path); });

    CSingleInstance second(key);
    EXPECT_FALSE(second.Claim(QStringLiteral("/home/学生/第一课.rtf")));
    EXPECT_TRUE(QTest::qWaitFor([&received] { return !received.isEmpty(); }, 2000));
    EXPECT_EQ(received, QStringList{QStringLiteral("/home/学生/第一课.rtf")});
}

// ------------------------------------------------------- the settings dialogs
// (What OK applies in the running program is the program's test.)

TEST(SettingsDlgTest, TypedMinutesAreTakenAsTheyAreAndTheArrowsKeepToTheRange)
{
    struct SCase {
        const char *typed;
        bool accepted;
        int minutes; // after OK
        int afterUp; // the box after a click of the up arrow on the typed text
    };
    const SCase cases[] = {
        {"45", true, 45, 30}, {"-3", true, -3, 1},          {" 7 ", true, 7, 8},
        {"abc", false, 2, 1}, {"99999999999", false, 2, 1},
    };
    for (const SCase &c : cases) {
        CRecordingPrompt prompt;
        CAppSettings settings;
        settings.AutoSave = 2;
        CSettingsDlg dialog(settings);
        dialog.AutoSaveEdit()->setText(QString::fromUtf8(c.typed));
        dialog.accept();
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted) << c.typed;
        EXPECT_EQ(dialog.m_nAutoSave, c.minutes) << c.typed;
        EXPECT_EQ(prompt.m_messages, c.accepted ? QStringList() : QStringList{QStringLiteral("请输入一个整数。")})
            << c.typed;
        dialog.StepAutoSave(+1);
        EXPECT_EQ(dialog.AutoSaveEdit()->text().toInt(), c.afterUp) << c.typed;
    }
}

// A pedal chosen before and not plugged in now stays chosen; "无" clears it.
TEST(LessonSettingsDlgTest, AnUnpluggedPedalStaysChosen)
{
    CAppSettings settings;
    settings.PedalDevice = QStringLiteral("05f3:00ff:Pedal");
    CLessonSettingsDlg dialog(
        settings, {{QStringLiteral("Keyboard (0001:0001, /dev/input/event3)"), QStringLiteral("0001:0001:Keyboard")}});
    QComboBox &devices = *dialog.DeviceCombo();
    ASSERT_EQ(devices.count(), 3);
    EXPECT_EQ(devices.currentText(), QStringLiteral("05f3:00ff:Pedal（未连接）"));
    CAppSettings stored;
    dialog.StoreInto(stored);
    EXPECT_EQ(stored.PedalDevice, settings.PedalDevice);
    devices.setCurrentIndex(0);
    dialog.StoreInto(stored);
    EXPECT_EQ(stored.PedalDevice, QString());
}

// ------------------------------------------- the recovery copy of the text
// When it is written and when it goes.

using namespace std::chrono_literals;

namespace
{

class RecoveryKeeperTest : public testing::Test
{
protected:
    RecoveryKeeperTest() { m_keeper.SetTiming(kPeriod, kPause); }

    static constexpr std::chrono::milliseconds kPeriod = 600ms, kPause = 150ms;

    QString Path(const QString &name) const { return m_dir.filePath(name); }
    void Type(const QString &text)
    {
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
    }
    // The text of the copy of the transcript, empty when there is none.
    QByteArray CopyOf(const QString &transcript) const
    {
        return ReadAllBytes(m_keeper.Store().CopyPathFor(transcript));
    }
    bool WaitForCopyWith(const QString &transcript, const QByteArray &text, int ms = 5000) const
    {
        return QTest::qWaitFor([&] { return CopyOf(transcript).contains(text); }, ms);
    }
    QStringList FilesInStore() const { return QDir(m_keeper.Store().Directory()).entryList(QDir::Files); }

    QTemporaryDir m_dir;
    CRecordingPrompt m_prompt{CPrompt::IDYES};
    CQuillmereDoc m_doc;
    CRecoveryKeeper m_keeper{m_doc, m_dir.filePath(QStringLiteral("recovery"))};
};

// Timers only run late on a busy machine, never early: the "not yet" checks
// hold whatever the load; the "by now" checks wait generously.
TEST_F(RecoveryKeeperTest, CopiesAreWrittenWhenTypingRestsAtMostOnceAPeriod)
{
    m_doc.SetMediaPath(Path(QStringLiteral("talk.mp3")));
    const QString transcript = Path(QStringLiteral("talk.rtf"));
    QElapsedTimer clock;
    clock.start();
    Type(QStringLiteral("first"));
    QTest::qWait(50);
    EXPECT_TRUE(CopyOf(transcript).isEmpty() || clock.elapsed() >= kPause.count()) << "written before typing rested";
    ASSERT_TRUE(WaitForCopyWith(transcript, "first"));
    clock.restart();

    // Right after a copy: the next waits for the period, though typing rests.
    Type(QStringLiteral(" second"));
    QTest::qWait(2 * kPause.count());
    EXPECT_TRUE(!CopyOf(transcript).contains("second") || clock.elapsed() >= kPeriod.count());
    ASSERT_TRUE(WaitForCopyWith(transcript, "second"));

    // Typing that never rests is still copied, within two periods of its start.
    clock.restart();
    bool copied = false;
    for (int key = 0; !copied && clock.elapsed() < 10 * kPeriod.count(); ++key) {
        Type(QStringLiteral(" k%1").arg(key));
        QTest::qWait(kPause.count() / 3);
        copied = CopyOf(transcript).contains(" k0");
    }
    EXPECT_TRUE(copied);
    EXPECT_EQ(FilesInStore().size(), 2) << FilesInStore().join(u' ').toStdString(); // the copy and its note
}

TEST_F(RecoveryKeeperTest, TheCopyGoesWhenTheTextIsSavedDiscardedOrMovesToAnotherTranscript)
{
    const QString first = Path(QStringLiteral("first.rtf"));
    const QString second = Path(QStringLiteral("second.rtf"));

    Type(QStringLiteral("untitled text")); // no media, no path name
    ASSERT_TRUE(WaitForCopyWith(QString(), "untitled text"));
    m_doc.SetMediaPath(Path(QStringLiteral("first.wav"))); // now the save would go beside it
    Type(QStringLiteral("!"));
    ASSERT_TRUE(WaitForCopyWith(first, "untitled text!"));
    EXPECT_EQ(FilesInStore().size(), 2) << "the untitled copy went";

    m_doc.OnFileSave();
    EXPECT_TRUE(ReadAllBytes(first).contains("untitled text!"));
    EXPECT_TRUE(FilesInStore().isEmpty()) << "saved";

    Type(QStringLiteral(" more"));
    ASSERT_TRUE(WaitForCopyWith(first, " more"));
    m_prompt.m_queuedAnswers = {CPrompt::IDNO};
    ASSERT_TRUE(m_doc.SaveModified());
    m_doc.OnNewDocument();
    EXPECT_TRUE(QTest::qWaitFor([this] { return FilesInStore().isEmpty(); }, 5000)) << "discarded";
    EXPECT_FALSE(ReadAllBytes(first).contains(" more"));

    // Changes undone back to the saved text need no copy either.
    m_doc.SetMediaPath(Path(QStringLiteral("second.wav")));
    Type(QStringLiteral("x"));
    ASSERT_TRUE(WaitForCopyWith(second, "x"));
    m_doc.GetTextDocument().undo();
    EXPECT_TRUE(FilesInStore().isEmpty());
}

TEST_F(RecoveryKeeperTest, AFailedCopyIsToldOnceUntilOneSucceedsAgain)
{
    const QString folder = Path(QStringLiteral("recovery"));
    const auto blockFolder = [&] {
        QDir(folder).removeRecursively();
        WriteAllBytes(folder, "a file where the folder should be");
    };
    blockFolder();
    for (int round = 0; round < 3; ++round) {
        Type(QStringLiteral("x"));
        QTest::qWait(kPeriod.count() + kPause.count());
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_prompt.m_messages.isEmpty(); }, 5000));
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_TRUE(m_prompt.m_messages[0].contains(QStringLiteral("恢复副本")));
    EXPECT_TRUE(m_prompt.m_messages[0].contains(folder));

    QFile::remove(folder);
    Type(QStringLiteral("y"));
    ASSERT_TRUE(WaitForCopyWith(QString(), "xxxy"));
    blockFolder();
    Type(QStringLiteral("z"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_prompt.m_messages.size() == 2; }, 5000)) << "told again";
}

} // namespace
