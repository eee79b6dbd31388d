// The whole program under a seeded monkey (a helper program is the program):
// it must not crash, hang, trip a sanitizer or end uncleanly, and what it
// leaves on disk must read back: the playlist file, the profile and every
// saved transcript and recovery copy.
//
// QUILLMERE_MONKEY_SEED (a number, or "random") and QUILLMERE_MONKEY_SECONDS
// replace the build's seed and run time.
#include "ProgramTest.h"

#include "app/CIniProfile.h"
#include "editor/CRtfReader.h"
#include "lists/CPlaylist.h"

#include <QDir>
#include <QTextDocument>
#include <iostream>
#include <random>

namespace
{

// The last lines of a helper's output: its last actions, or the end of a
// sanitizer's report (its summary) or of a hang.
std::string Tail(const QByteArray &output, int lines)
{
    const QList<QByteArray> all = output.split('\n');
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join('\n').toStdString();
}

// Every line of the playlist file names a file of the folder, the profile
// reads back as written, and every transcript and recovery copy is whole RTF
// that reads without damage.
void ExpectFilesRead(const QDir &folder)
{
    const QString list = folder.filePath(QStringLiteral("Playlist.Qpl"));
    CPlaylist playlist;
    EXPECT_TRUE(playlist.Load(list).Succeeded());
    EXPECT_EQ(playlist.GetCount(),
              QString::fromUtf8(ReadAllBytes(list)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts).size());
    for (const QString &path : playlist.Paths())
        EXPECT_EQ(QFileInfo(path).absolutePath(), folder.absolutePath()) << path.toStdString();

    const QString ini = folder.filePath(QStringLiteral("q.ini"));
    ASSERT_TRUE(QFile::exists(ini));
    EXPECT_EQ(CIniProfile(ini).Serialize(), ReadAllBytes(ini));

    for (const QString &where : {folder.path(), folder.filePath(QStringLiteral("recovery"))}) {
        for (const QFileInfo &file : QDir(where).entryInfoList({QStringLiteral("*.rtf")}, QDir::Files)) {
            SCOPED_TRACE(file.filePath().toStdString());
            const QByteArray rtf = ReadAllBytes(file.filePath());
            CRtfReader reader;
            QTextDocument document;
            EXPECT_TRUE(CRtfReader::IsWhole(rtf));
            EXPECT_TRUE(reader.Read(rtf, document) && !reader.IsDamaged()) << reader.ErrorString().toStdString();
        }
    }
}

} // namespace

TEST(MonkeyTest, RandomKeysTextClicksAndDialogsNeitherCrashNorHangAndLeaveFilesThatRead)
{
    QTemporaryDir dir;
    // Two lessons, one with its timing file, and a clip too short to hold a selection.
    ListLessons(dir, {{"long.wav", QStringLiteral("第一课.wav")},
                      {"tone.wav", QStringLiteral("第二课.wav")},
                      {"short.wav", QStringLiteral("short.wav")}});
    WriteAllBytes(dir.filePath(QStringLiteral("第一课.lrc")), "[00:01.00]a\r\n[00:03.50]b\r\n[00:06.00]c\r\n");
    const QByteArray chosenSeed = qgetenv("QUILLMERE_MONKEY_SEED");
    const QByteArray chosenSeconds = qgetenv("QUILLMERE_MONKEY_SECONDS");
    const std::uint32_t seed = chosenSeed == "random" ? std::random_device()()
                               : chosenSeed.isEmpty() ? QUILLMERE_MONKEY_SEED
                                                      : chosenSeed.toUInt();
    const int seconds = chosenSeconds.isEmpty() ? QUILLMERE_MONKEY_SECONDS : chosenSeconds.toInt();
    const std::string replay = "replay from the build folder: QUILLMERE_MONKEY_SEED=" + std::to_string(seed) +
                               " QUILLMERE_MONKEY_SECONDS=" + std::to_string(seconds) +
                               " ctest -R MonkeyTest --output-on-failure";
    std::cout << replay << std::endl;

    QProcess helper;
    helper.start(QStringLiteral(MONKEY_HELPER), {dir.path(), QString::number(seconds), QString::number(seed)});
    // Beyond the run: starting, ending, a slow sanitizer build.
    const bool ended = helper.waitForFinished(seconds * 1000 + 180000);
    if (!ended) {
        helper.kill();
        helper.waitForFinished();
    }
    const QByteArray said = helper.readAllStandardOutput();
    const QByteArray complained = helper.readAllStandardError();
    EXPECT_TRUE(ended) << "the program did not end";
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << "the program crashed";
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_FALSE(complained.contains("Sanitizer") || complained.contains("runtime error:")) << "a sanitizer report";
    EXPECT_TRUE(said.contains("\nended")) << "the program did not end through its window";
    if (HasFailure())
        FAIL() << replay << "\nlast actions:\n" << Tail(said, 30) << "\nerrors:\n" << Tail(complained, 40);
    SCOPED_TRACE(replay);
    ExpectFilesRead(QDir(dir.path()));
}
