// The whole program ended in the ways a learner's desktop ends it: killed
// while the learner types (the next start offers the text back), 文件 → 退出
// with a folder it cannot write to, and SIGINT, SIGTERM and SIGHUP. A helper
// program is the program; these tests look at its exit, what it said and what
// it left on disk.
#include "ProgramTest.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"

#include <QDir>
#include <csignal>
#include <unistd.h>

namespace
{

const QByteArray g_original = "{\\rtf1 original\\par}";
const QByteArray g_typed = "typed before the crash";

class ProgramEndTest : public CProgramTest
{
protected:
    ProgramEndTest() { ListLessons(m_dir, {{"long.wav", QStringLiteral("第一课.wav")}}); }

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
    QString Text() { return Editor().toPlainText(); }
};

// Mounts the folder read-only for the helper alone (root writes anywhere
// else), or takes the write bits away from an ordinary user.
bool MakeUnwritable(const QString &folder, QString &program, QStringList &arguments)
{
    if (geteuid() != 0)
        return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-m"), QStringLiteral("true")}) != 0)
        return false;
    arguments = QStringList{QStringLiteral("-m"),
                            QStringLiteral("sh"),
                            QStringLiteral("-c"),
                            QStringLiteral("mount --bind \"$1\" \"$1\" && mount -o remount,bind,ro \"$1\" && "
                                           "shift && exec \"$@\""),
                            QStringLiteral("sh"),
                            folder,
                            program} +
                arguments;
    program = QStringLiteral("unshare");
    return true;
}

} // namespace

// Yes brings the text back; the transcript on disk changes only when the
// learner then says to save it (here at the question the item's own
// transcript asks before it opens).
TEST_F(ProgramEndTest, AfterAKillYesBringsTheTypedTextBack)
{
    TypeAndKill();
    const QString transcript = Path("第一课.rtf");
    QList<QByteArray> onDiskWhenAsked;
    m_prompt.m_whileAsked = [&] { onDiskWhenAsked.append(ReadAllBytes(transcript)); };
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 2) << m_prompt.m_messages.join(u'|').toStdString();
    EXPECT_TRUE(m_prompt.m_messages[0].startsWith(QStringLiteral("恢复未保存的听写文本？")));
    EXPECT_TRUE(m_prompt.m_messages[0].contains(transcript));
    EXPECT_TRUE(m_prompt.m_messages[1].contains(transcript)); // save the recovered text?
    EXPECT_EQ(onDiskWhenAsked, QList<QByteArray>({g_original, g_original}));

    EXPECT_EQ(Text(), QStringLiteral("original") + QString::fromUtf8(g_typed));
    EXPECT_TRUE(ReadAllBytes(transcript).contains(g_typed));
    EXPECT_TRUE(RecoveryFiles().isEmpty());
}

// Media and transcript gone: the text still comes back, as the modified
// document of the transcript it belonged to, and a save puts it there.
TEST_F(ProgramEndTest, AfterAKillTheTextComesBackWhenItsMediaAndTranscriptAreGone)
{
    TypeAndKill();
    QFile::remove(Path("第一课.wav"));
    QFile::remove(Path("第一课.rtf"));
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_EQ(Text(), QStringLiteral("original") + QString::fromUtf8(g_typed));
    EXPECT_TRUE(m_pApp->Document().IsModified());
    EXPECT_FALSE(QFile::exists(Path("第一课.rtf")));

    EXPECT_TRUE(Raise(ID_FILE_SAVE));
    EXPECT_TRUE(ReadAllBytes(Path("第一课.rtf")).contains(g_typed));
    EXPECT_TRUE(RecoveryFiles().isEmpty());
}

TEST_F(ProgramEndTest, AfterAKillNoDeletesTheCopyAndLeavesTheTranscript)
{
    TypeAndKill();
    m_prompt.m_queuedAnswers = {CPrompt::IDNO};
    Start();
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_TRUE(RecoveryFiles().isEmpty());
    EXPECT_EQ(Text(), QStringLiteral("original"));
    EXPECT_FALSE(m_pApp->Document().IsModified());
    Stop();
    EXPECT_EQ(ReadAllBytes(Path("第一课.rtf")), g_original);
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
