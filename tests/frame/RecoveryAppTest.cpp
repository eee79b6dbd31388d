// The whole program killed while the learner types: a helper program types
// into a real window until the recovery copy holds the text and is then killed
// with SIGKILL; the next start offers the text back.
#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

namespace
{

const QByteArray g_typed = "typed before the crash";

class RecoveryAppTest : public testing::Test
{
protected:
    RecoveryAppTest()
    {
        QFile::copy(QString::fromStdString(CTestMedia::Path("long.wav")), m_strMedia);
        WriteAllBytes(Path(QStringLiteral("Playlist.Qpl")), (m_strMedia + QStringLiteral("\r\n")).toUtf8());
        WriteAllBytes(m_strTranscript, g_original);
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QStringList RecoveryFiles() const { return QDir(Path(QStringLiteral("recovery"))).entryList(QDir::Files); }

    // The helper types and is killed the moment its recovery copy holds the text.
    void TypeAndKill()
    {
        QProcess helper;
        helper.start(QStringLiteral(RECOVERY_CRASH_HELPER), {m_dir.path(), QString::fromUtf8(g_typed)});
        ASSERT_TRUE(helper.waitForStarted());
        ASSERT_TRUE(QTest::qWaitFor([&] { return helper.readAllStandardOutput().contains("ready"); }, 60000))
            << helper.readAllStandardError().toStdString();
        ::kill(static_cast<pid_t>(helper.processId()), SIGKILL);
        ASSERT_TRUE(helper.waitForFinished());
        ASSERT_EQ(helper.exitStatus(), QProcess::CrashExit);
        ASSERT_EQ(RecoveryFiles().size(), 2); // the copy and its note
        ASSERT_EQ(ReadAllBytes(m_strTranscript), g_original);
    }

    void Start()
    {
        m_pApp = std::make_unique<CQuillmereApp>(Path(QStringLiteral("q.ini")), Path(QStringLiteral("Playlist.Qpl")),
                                                 Path(QStringLiteral("recovery")));
        ASSERT_TRUE(m_pApp->InitInstance({QStringLiteral("quillmere")}, false));
    }

    void Stop()
    {
        m_pApp->MainFrame().close();
        m_pApp->ExitInstance();
        m_pApp.reset();
    }

    QString Text() const { return m_pApp->EditorView().toPlainText(); }

    static inline const QByteArray g_original = "{\\rtf1 original\\par}";
    QTemporaryDir m_dir;
    QString m_strMedia = Path(QStringLiteral("第一课.wav"));
    QString m_strTranscript = Path(QStringLiteral("第一课.rtf"));
    CRecordingPrompt m_prompt{CPrompt::IDYES};
    std::unique_ptr<CQuillmereApp> m_pApp;
};

} // namespace

// Yes brings the text back; the transcript on disk changes only when the
// learner then says to save it (here at the question the item's own
// transcript asks before it opens).
TEST_F(RecoveryAppTest, AfterAKillYesBringsTheTypedTextBack)
{
    TypeAndKill();
    QList<QByteArray> onDiskWhenAsked;
    m_prompt.m_whileAsked = [&] { onDiskWhenAsked.append(ReadAllBytes(m_strTranscript)); };
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 2) << m_prompt.m_messages.join(u'|').toStdString();
    EXPECT_TRUE(m_prompt.m_messages[0].startsWith(QStringLiteral("恢复未保存的听写文本？")));
    EXPECT_TRUE(m_prompt.m_messages[0].contains(m_strTranscript));
    EXPECT_TRUE(m_prompt.m_messages[1].contains(m_strTranscript)); // save the recovered text?
    EXPECT_EQ(onDiskWhenAsked, QList<QByteArray>({g_original, g_original}));

    EXPECT_EQ(Text(), QStringLiteral("original") + QString::fromUtf8(g_typed));
    EXPECT_TRUE(ReadAllBytes(m_strTranscript).contains(g_typed));
    EXPECT_TRUE(RecoveryFiles().isEmpty());
    Stop();
}

// Media and transcript gone: the text still comes back, as the modified
// document of the transcript it belonged to, and a save puts it there.
TEST_F(RecoveryAppTest, AfterAKillTheTextComesBackWhenItsMediaAndTranscriptAreGone)
{
    TypeAndKill();
    QFile::remove(m_strMedia);
    QFile::remove(m_strTranscript);
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_EQ(Text(), QStringLiteral("original") + QString::fromUtf8(g_typed));
    EXPECT_TRUE(m_pApp->Document().IsModified());
    EXPECT_FALSE(QFile::exists(m_strTranscript));

    EXPECT_TRUE(m_pApp->MainFrame().RaiseCommand(ID_FILE_SAVE));
    EXPECT_TRUE(ReadAllBytes(m_strTranscript).contains(g_typed));
    EXPECT_TRUE(RecoveryFiles().isEmpty());
    Stop();
}

TEST_F(RecoveryAppTest, AfterAKillNoDeletesTheCopyAndLeavesTheTranscript)
{
    TypeAndKill();
    m_prompt.m_queuedAnswers = {CPrompt::IDNO};
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_TRUE(RecoveryFiles().isEmpty());
    EXPECT_EQ(Text(), QStringLiteral("original"));
    EXPECT_FALSE(m_pApp->Document().IsModified());
    Stop();
    EXPECT_EQ(ReadAllBytes(m_strTranscript), g_original);
}
