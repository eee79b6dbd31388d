// The whole program ended in the ways a learner's desktop ends it: 文件 → 退出
// with a folder it cannot write to, and SIGINT, SIGTERM and SIGHUP. A helper
// program is the program; these tests look at its exit, what it said and what
// it left on disk.
#include "support/TestSupport.h"

#include "CTestMedia.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <unistd.h>

namespace
{

constexpr int kStartMs = 60000;

class ProgramEndTest : public testing::Test
{
protected:
    ProgramEndTest()
    {
        QFile::copy(QString::fromStdString(CTestMedia::Path("long.wav")), Path(QStringLiteral("第一课.wav")));
        WriteAllBytes(Path(QStringLiteral("Playlist.Qpl")),
                      (Path(QStringLiteral("第一课.wav")) + QStringLiteral("\r\n")).toUtf8());
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }

    // Runs the helper to its end; false when it did not end by itself.
    bool RunToEnd(QProcess &helper, const QString &program, const QStringList &arguments)
    {
        helper.start(program, arguments);
        return helper.waitForFinished(kStartMs);
    }

    QTemporaryDir m_dir;
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

TEST_F(ProgramEndTest, ExitWithAnUnwritableFolderNamesTheFilesAndEndsNormally)
{
    const QByteArray playlist = ReadAllBytes(Path(QStringLiteral("Playlist.Qpl")));
    WriteAllBytes(Path(QStringLiteral("q.ini")), "[Settings]\r\nMoveStep=7\r\n");
    QString program = QStringLiteral(PROGRAM_END_HELPER);
    QStringList arguments{QStringLiteral("close"), m_dir.path()};
    if (!MakeUnwritable(m_dir.path(), program, arguments))
        GTEST_SKIP() << "no way to make a folder read-only here (unshare -m failed as root)";

    QProcess helper;
    const bool ended = RunToEnd(helper, program, arguments);
    QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(ended) << "the program did not end";
    const QString said = QString::fromUtf8(helper.readAllStandardOutput());
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << helper.readAllStandardError().toStdString();
    EXPECT_EQ(helper.exitCode(), 0) << helper.readAllStandardError().toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Playlist.Qpl"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("q.ini"))) << said.toStdString();
    EXPECT_EQ(ReadAllBytes(Path(QStringLiteral("Playlist.Qpl"))), playlist);
    EXPECT_EQ(ReadAllBytes(Path(QStringLiteral("q.ini"))), "[Settings]\r\nMoveStep=7\r\n");
}

// Each signal ends the program at once, without a question: the typed text is
// in a recovery copy and the playlist file and the profile are written.
TEST_F(ProgramEndTest, InterruptTerminateAndHangUpKeepTheTextAndWriteTheFiles)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        QDir(Path(QStringLiteral("recovery"))).removeRecursively();
        QFile::remove(Path(QStringLiteral("q.ini")));
        QProcess helper;
        helper.start(QStringLiteral(PROGRAM_END_HELPER),
                     {QStringLiteral("signal"), m_dir.path(), QStringLiteral("typed before the signal")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return helper.readAllStandardOutput().contains("ready"); }, kStartMs))
            << helper.readAllStandardError().toStdString();
        const QByteArray playlist = ReadAllBytes(Path(QStringLiteral("Playlist.Qpl")));
        QFile::remove(Path(QStringLiteral("Playlist.Qpl")));
        ::kill(static_cast<pid_t>(helper.processId()), signal);
        ASSERT_TRUE(helper.waitForFinished(10000)) << "still running after the signal";
        EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(helper.exitCode(), 0);
        EXPECT_FALSE(helper.readAllStandardOutput().contains("box:")); // nothing was asked
        EXPECT_EQ(ReadAllBytes(Path(QStringLiteral("Playlist.Qpl"))), playlist);
        EXPECT_TRUE(ReadAllBytes(Path(QStringLiteral("q.ini"))).contains("PlaylistIndex=0"));
        const QStringList copies = QDir(Path(QStringLiteral("recovery"))).entryList({QStringLiteral("*.rtf")});
        ASSERT_EQ(copies.size(), 1);
        EXPECT_TRUE(
            ReadAllBytes(Path(QStringLiteral("recovery/") + copies.first())).contains("typed before the signal"));
    }
}
