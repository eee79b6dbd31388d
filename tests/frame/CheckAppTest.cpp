// Checking what was written, in the whole program on the example lesson: typed with
// one wrong and one missing word in its first two sentences, Ctrl+K shows the report,
// and a double-click on a stretch plays it.
#include "CTestMedia.h"
#include "audio/CPlaybackEngine.h"
#include "frame/CCheckReportDlg.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "session/CPlaybackSession.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

TEST(CheckAppTest, CtrlKReportsTheScoreAndADoubleClickPlaysTheStretch)
{
    CRecordingPrompt prompt(CPrompt::IDNO);
    QTemporaryDir dir;
    qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    for (const char *name : {"lighthouse.mp3", "lighthouse.lrc"})
        QFile::copy(QStringLiteral(QUILLMERE_SOURCE_DIR "/examples/lesson/") + QString::fromLatin1(name),
                    dir.filePath(QString::fromLatin1(name)));
    const QString media = dir.filePath(QStringLiteral("lighthouse.mp3"));
    WriteAllBytes(dir.filePath(QStringLiteral("Playlist.Qpl")), (media + QStringLiteral("\r\n")).toUtf8());
    CQuillmereApp app(dir.filePath(QStringLiteral("q.ini")), dir.filePath(QStringLiteral("Playlist.Qpl")));
    ASSERT_TRUE(app.InitInstance({QStringLiteral("quillmere")}, false));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.MainFrame()));
    CQuillmereView &editor = app.EditorView();
    editor.setFocus();
    QTest::keyClicks(&editor, QStringLiteral("Welcome to your first dictation lessen."));
    QTest::keyClick(&editor, Qt::Key_Return);
    QTest::keyClicks(&editor, QStringLiteral("Listen to each sentence, then write exactly what you hear."));
    EXPECT_EQ(app.CheckReport(), nullptr) << "nothing of the reference shows before a check";

    QTest::keyClick(&editor, Qt::Key_K, Qt::ControlModifier);
    CCheckReportDlg *report = app.CheckReport();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->isVisible());
    EXPECT_EQ(report->windowTitle(), QStringLiteral("听写检查"));
    EXPECT_EQ(report->ScoreText(), QStringLiteral("正确率 88%"));
    EXPECT_EQ(report->CountsText(), QStringLiteral("错误 1 · 遗漏 1 · 多余 0 · 提示 0"));
    EXPECT_EQ(editor.toPlainText().count(u'\n'), 1) << "the check writes nothing into the text";

    QTreeWidget &rows = *report->Rows();
    ASSERT_EQ(rows.topLevelItemCount(), 11);
    EXPECT_TRUE(rows.topLevelItem(1)->text(4).contains(QStringLiteral("［漏 down］")));
    EXPECT_EQ(rows.topLevelItem(2)->text(2), QStringLiteral("未练习"));
    EXPECT_EQ(rows.topLevelItem(2)->text(4), QString()) << "what is still to write is not given away";
    const QRect second = rows.visualItemRect(rows.topLevelItem(1));
    // As the window system delivers it: a click, then a press that is a double-click.
    QTest::mouseClick(rows.viewport(), Qt::LeftButton, {}, second.center());
    QTest::mousePress(rows.viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(rows.viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseRelease(rows.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(app.Session().Range(), (SAbRange{4170, 10050, true}));
    EXPECT_TRUE(app.Engine().IsPlaying());
    const std::uint32_t position = app.Engine().GetPosition();
    EXPECT_GE(position, 4170u);
    EXPECT_LT(position, 10050u);

    // A second Ctrl+K refreshes the same window, with this check's score beside the last.
    QTest::keyClick(&editor, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(app.CheckReport(), report);
    EXPECT_EQ(report->ScoreText(), QStringLiteral("正确率 88%（上次 88%）"));
    app.MainFrame().close();
    app.ExitInstance();
    EXPECT_EQ(prompt.m_messages.size(), 1) << "the save question as the window closed";
}

// A recording with nothing to check against: Ctrl+K says how to give it a reference,
// and no report opens.
TEST(CheckAppTest, WithoutAReferenceCtrlKSaysWhatIsMissing)
{
    CRecordingPrompt prompt(CPrompt::IDOK);
    QTemporaryDir dir;
    const QString media = dir.filePath(QStringLiteral("lighthouse.mp3"));
    QFile::copy(QStringLiteral(QUILLMERE_SOURCE_DIR "/examples/lesson/lighthouse.mp3"), media);
    WriteAllBytes(dir.filePath(QStringLiteral("Playlist.Qpl")), (media + QStringLiteral("\r\n")).toUtf8());
    CQuillmereApp app(dir.filePath(QStringLiteral("q.ini")), dir.filePath(QStringLiteral("Playlist.Qpl")));
    ASSERT_TRUE(app.InitInstance({QStringLiteral("quillmere")}, false));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&app.MainFrame()));
    app.EditorView().setFocus();
    QTest::keyClick(&app.EditorView(), Qt::Key_K, Qt::ControlModifier);
    ASSERT_EQ(prompt.m_messages.size(), 1);
    EXPECT_TRUE(prompt.m_messages[0].startsWith(QStringLiteral("这个录音没有参考文本")));
    EXPECT_EQ(app.CheckReport(), nullptr);
    app.MainFrame().close();
    app.ExitInstance();
}
