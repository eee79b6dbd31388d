// The whole program ended in the ways a learner's desktop ends it: killed
// while the learner types (the next start offers the text back), 文件 → 退出
// with a folder it cannot write to, SIGINT, SIGTERM and SIGHUP (a helper
// program is the program: these tests look at its exit, what it said and what
// it left on disk), and closed as an item ends behind the save question.
#include "HangGuard.h"
#include "ProgramTest.h"

#include "app/Resource.h"
#include "audio/CSyncHandOver.h"

#include <QDir>
#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace
{

const QByteArray g_original = "{\\rtf1 original\\par}";
const QByteArray g_typed = "typed before the crash";

class ProgramEndTest : public CProgramTest
{
protected:
    ProgramEndTest() { ListLessons(m_dir, {{"short.wav", QStringLiteral("第一课.wav")}}); }

    QStringList RecoveryFiles() const { return QDir(Path("recovery")).entryList(QDir::Files); }

    // The helper types into the transcript and is killed the moment its recovery copy holds the text.
    void TypeAndKill()
    {
        WriteAllBytes(Path("第一课.rtf"), g_original);
        QProcess helper;
        ASSERT_TRUE(StartUntilReady(helper, QStringLiteral(PROGRAM_HELPER),
                                    {QStringLiteral("crash"), m_dir.path(), QString::fromUtf8(g_typed)}));
        ::kill(static_cast<pid_t>(helper.processId()), SIGKILL);
        ASSERT_TRUE(helper.waitForFinished());
        ASSERT_EQ(helper.exitStatus(), QProcess::CrashExit);
        ASSERT_EQ(RecoveryFiles().size(), 2); // the copy and its note
        ASSERT_EQ(ReadAllBytes(Path("第一课.rtf")), g_original);
    }
};

// Mounts the folder read-only for the helper alone (root writes anywhere
// else), or takes the write bits away from an ordinary user.
bool MakeUnwritable(const QString &folder, QString &program, QStringList &arguments)
{
    if (geteuid() != 0)
        return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("true")}) != 0)
        return false;
    const QString script =
        QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && shift && exec \"$@\"");
    arguments = QStringList{QStringLiteral("-m"), QStringLiteral("sh"), QStringLiteral("-c"), script} +
                QStringList{QStringLiteral("sh"), folder, program} + arguments;
    program = QStringLiteral("unshare");
    return true;
}

} // namespace

// No deletes the copy and leaves the transcript. Yes brings the text back; the
// transcript on disk changes only when the learner then says to save it (here
// at the question the item's own transcript asks before it opens). A copy
// whose media and transcript are gone comes back the same way: the recovery
// store's own test.
TEST_F(ProgramEndTest, AfterAKillTheNextStartOffersTheTypedTextBack)
{
    const QString transcript = Path("第一课.rtf");
    TypeAndKill();
    m_prompt.m_queuedAnswers = {CPrompt::IDNO};
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_TRUE(RecoveryFiles().isEmpty());
    EXPECT_EQ(Editor().toPlainText(), QStringLiteral("original"));
    Stop();
    EXPECT_EQ(ReadAllBytes(transcript), g_original);

    TypeAndKill();
    m_prompt.m_messages.clear();
    QList<QByteArray> onDiskWhenAsked;
    m_prompt.m_whileAsked = [&] { onDiskWhenAsked.append(ReadAllBytes(transcript)); };
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 2) << m_prompt.m_messages.join(u'|').toStdString();
    EXPECT_TRUE(m_prompt.m_messages[0].startsWith(QStringLiteral("恢复未保存的听写文本？")));
    EXPECT_TRUE(m_prompt.m_messages[0].contains(transcript));
    EXPECT_TRUE(m_prompt.m_messages[1].contains(transcript)); // save the recovered text?
    EXPECT_EQ(onDiskWhenAsked, QList<QByteArray>({g_original, g_original}));
    EXPECT_EQ(Editor().toPlainText(), QStringLiteral("original") + QString::fromUtf8(g_typed));
    EXPECT_TRUE(ReadAllBytes(transcript).contains(g_typed));
    EXPECT_TRUE(RecoveryFiles().isEmpty());
}

TEST_F(ProgramEndTest, ExitWithAnUnwritableFolderNamesTheFilesAndEndsNormally)
{
    const QByteArray playlist = ReadAllBytes(Path("Playlist.Qpl"));
    WriteAllBytes(Path("q.ini"), "[Settings]\r\nMoveStep=7\r\n");
    QString program = QStringLiteral(PROGRAM_HELPER);
    QStringList arguments{QStringLiteral("close"), m_dir.path()};
    if (!MakeUnwritable(m_dir.path(), program, arguments))
        GTEST_SKIP() << "no way to make a folder read-only here (unshare -m failed as root)";

    QProcess helper;
    helper.start(program, arguments);
    const bool ended = helper.waitForFinished(60000);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(ended) << "the program did not end";
    const QString said = QString::fromUtf8(helper.readAllStandardOutput());
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << helper.readAllStandardError().toStdString();
    EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Playlist.Qpl"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("q.ini"))) << said.toStdString();
    EXPECT_EQ(ReadAllBytes(Path("Playlist.Qpl")), playlist);
    EXPECT_EQ(ReadAllBytes(Path("q.ini")), "[Settings]\r\nMoveStep=7\r\n");
}

// Each signal ends the program at once, without a question: the typed text is
// in a recovery copy and the playlist file and the profile are written.
TEST_F(ProgramEndTest, InterruptTerminateAndHangUpKeepTheTextAndWriteTheFiles)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QDir(Path("recovery")).removeRecursively();
        QFile::remove(Path("q.ini"));
        QProcess helper;
        ASSERT_TRUE(
            StartUntilReady(helper, QStringLiteral(PROGRAM_HELPER),
                            {QStringLiteral("signal"), m_dir.path(), QStringLiteral("typed before the signal")}));
        const QByteArray playlist = ReadAllBytes(Path("Playlist.Qpl"));
        QFile::remove(Path("Playlist.Qpl"));
        ::kill(static_cast<pid_t>(helper.processId()), signal);
        ASSERT_TRUE(helper.waitForFinished(10000)) << "still running after the signal";
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper.exitCode(), 0);
        EXPECT_FALSE(helper.readAllStandardOutput().contains("box:")); // nothing was asked
        EXPECT_EQ(ReadAllBytes(Path("Playlist.Qpl")), playlist);
        EXPECT_TRUE(ReadAllBytes(Path("q.ini")).contains("PlaylistIndex=0"));
        const QStringList copies = QDir(Path("recovery")).entryList({QStringLiteral("*.rtf")});
        ASSERT_EQ(copies.size(), 1);
        EXPECT_TRUE(ReadAllBytes(m_dir.filePath(QStringLiteral("recovery/") + copies.first()))
                        .contains("typed before the signal"));
    }
}

// The item ends while the save question is open, so its end notice waits for
// the interface thread as the window closes: the text is saved and nothing
// fails or hangs. Storms of switches while items end, and a notice left
// waiting as the engine closes, are the engine's own tests.
TEST_F(ProgramEndTest, ClosingWhileTheSaveQuestionHoldsAnEndNoticeBackSavesEverything)
{
    const CHangGuard guard(60);
    WriteAllBytes(Path("第一课.rtf"), "{\\rtf1 lesson 1}");
    Start();
    ASSERT_TRUE(Raise(ID_ORDER_REPEAT_LIST)); // the end, once taken, would play the list on
    ASSERT_TRUE(Raise(IDC_PLAY_BUTTON));
    Editor().moveCursor(QTextCursor::End);
    QTest::keyClicks(&Editor(), QStringLiteral(" typed"));
    bool pendingWhileAsked = false;
    m_prompt.m_whileAsked = [&pendingWhileAsked] {
        for (int i = 0; i < 2000 && CSyncHandOver::Instance().Pending() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        pendingWhileAsked = CSyncHandOver::Instance().Pending() == 1;
    };
    Stop();
    QTest::qWait(300); // nothing of the closed program may run now
    EXPECT_TRUE(pendingWhileAsked);
    EXPECT_EQ(m_prompt.m_messages.size(), 1); // the save question; nothing failed
    EXPECT_TRUE(ReadAllBytes(Path("第一课.rtf")).contains("lesson 1 typed"));
    EXPECT_TRUE(ReadAllBytes(Path("q.ini")).contains("PlaylistIndex=0"));
}
