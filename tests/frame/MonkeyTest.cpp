// The whole program under a seeded monkey (a helper program is the program):
// it must not crash, hang, trip a sanitizer or end uncleanly, and what it
// leaves on disk must read back: the playlist file, the profile and every
// saved transcript and recovery copy.
//
// QUILLMERE_MONKEY_SEED (a number, or "random") and QUILLMERE_MONKEY_SECONDS
// replace the build's seed and run time; QUILLMERE_MONKEY_LOG names a file
// for every action of the run and the program's errors.
#include "ProgramTest.h"

#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "editor/CRtfReader.h"
#include "lists/CPlaylist.h"

#include <QDir>
#include <QTextDocument>
#include <iostream>
#include <random>

namespace
{

constexpr int kEndMs = 180000; // beyond the run: starting, ending, a slow sanitizer build

std::uint32_t Seed()
{
    const QByteArray chosen = qgetenv("QUILLMERE_MONKEY_SEED");
    if (chosen == "random")
        return std::random_device()();
    return chosen.isEmpty() ? QUILLMERE_MONKEY_SEED : chosen.toUInt();
}

int Seconds()
{
    const QByteArray chosen = qgetenv("QUILLMERE_MONKEY_SECONDS");
    return chosen.isEmpty() ? QUILLMERE_MONKEY_SECONDS : chosen.toInt();
}

// The last lines of a helper's output: the actions before a failure.
std::string Tail(const QByteArray &output, int lines)
{
    const QList<QByteArray> all = output.split('\n');
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join('\n').toStdString();
}

// What the program said about its failure: a sanitizer's report with its
// stacks from its start, a hang, or the last lines.
std::string FailureReport(const QByteArray &errors)
{
    for (const char *start : {"ERROR: ", "runtime error:", "hang:"}) {
        const qsizetype at = errors.indexOf(start);
        if (at >= 0) {
            const qsizetype line = errors.lastIndexOf('\n', at) + 1;
            return errors.mid(line).split('\n').mid(0, 60).join('\n').toStdString();
        }
    }
    return Tail(errors, 40);
}

class MonkeyTest : public testing::Test
{
protected:
    MonkeyTest()
    {
        // Two lessons, one with its timing file, and a clip too short to
        // hold a selection.
        ListLessons(m_dir, {{"long.wav", QStringLiteral("第一课.wav")},
                            {"tone.wav", QStringLiteral("第二课.wav")},
                            {"short.wav", QStringLiteral("short.wav")}});
        WriteAllBytes(Path(QStringLiteral("第一课.lrc")), "[00:01.00]a\r\n[00:03.50]b\r\n[00:06.00]c\r\n");
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }

    // Every line of the playlist file names a file of the folder.
    void ExpectPlaylistReads()
    {
        const QString file = Path(QStringLiteral("Playlist.Qpl"));
        CPlaylist playlist;
        const CResult loaded = playlist.Load(file);
        EXPECT_TRUE(loaded.Succeeded()) << loaded.Message().toStdString();
        const QStringList lines =
            QString::fromUtf8(ReadAllBytes(file)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        EXPECT_EQ(playlist.GetCount(), lines.size()) << "lines that name no file in " << file.toStdString();
        for (const QString &path : playlist.Paths())
            EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(m_dir.path()).absolutePath()) << path.toStdString();
    }

    // The profile reads back as written, and its settings load.
    void ExpectProfileReads()
    {
        const QString file = Path(QStringLiteral("q.ini"));
        ASSERT_TRUE(QFile::exists(file));
        const CIniProfile profile(file);
        EXPECT_EQ(profile.Serialize(), ReadAllBytes(file));
        CAppSettings settings;
        settings.Load(profile);
        EXPECT_GE(settings.DrillPasses, 1);
    }

    // Every transcript and recovery copy is whole RTF and reads without damage.
    void ExpectTranscriptsRead()
    {
        QStringList files;
        for (const QString &folder : {m_dir.path(), Path(QStringLiteral("recovery"))})
            for (const QFileInfo &file : QDir(folder).entryInfoList({QStringLiteral("*.rtf")}, QDir::Files))
                files.append(file.filePath());
        for (const QString &file : files) {
            SCOPED_TRACE(file.toStdString());
            const QByteArray rtf = ReadAllBytes(file);
            CRtfReader reader;
            QTextDocument document;
            EXPECT_TRUE(CRtfReader::IsWhole(rtf));
            EXPECT_TRUE(reader.Read(rtf, document)) << reader.ErrorString().toStdString();
            EXPECT_FALSE(reader.IsDamaged()) << reader.ErrorString().toStdString();
        }
        std::cout << files.size() << " transcripts and recovery copies read\n";
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(MonkeyTest, RandomKeysTextClicksAndDialogsNeitherCrashNorHangAndLeaveFilesThatRead)
{
    const std::uint32_t seed = Seed();
    const int seconds = Seconds();
    std::cout << "monkey seed " << seed << " for " << seconds << " s\n" << std::flush;
    const std::string replay = "replay from the build folder: QUILLMERE_MONKEY_SEED=" + std::to_string(seed) +
                               " QUILLMERE_MONKEY_SECONDS=" + std::to_string(seconds) +
                               " ctest -R MonkeyTest --output-on-failure";
    QProcess helper;
    helper.start(QStringLiteral(MONKEY_HELPER), {m_dir.path(), QString::number(seconds), QString::number(seed)});
    const bool ended = helper.waitForFinished(seconds * 1000 + kEndMs);
    if (!ended) {
        helper.kill();
        helper.waitForFinished();
    }
    const QByteArray said = helper.readAllStandardOutput();
    const QByteArray complained = helper.readAllStandardError();
    if (const QString log = qEnvironmentVariable("QUILLMERE_MONKEY_LOG"); !log.isEmpty())
        WriteAllBytes(log, said + complained);
    EXPECT_TRUE(ended) << "the program did not end";
    EXPECT_EQ(helper.exitStatus(), QProcess::NormalExit) << "the program crashed";
    EXPECT_EQ(helper.exitCode(), 0);
    EXPECT_FALSE(complained.contains("Sanitizer") || complained.contains("runtime error:")) << "a sanitizer report";
    EXPECT_TRUE(said.contains("\nended")) << "the program did not end through its window";
    if (HasFailure())
        FAIL() << replay << "\nlast actions:\n" << Tail(said, 30) << "\nerrors:\n" << FailureReport(complained);
    SCOPED_TRACE(replay);
    ExpectPlaylistReads();
    ExpectProfileReads();
    ExpectTranscriptsRead();
}
