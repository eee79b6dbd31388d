#include "lists/CLrcFile.h"
#include "lists/CLrcWriter.h"
#include "lists/CReferenceText.h"
#include "lists/ReferenceStretchPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace
{

using Stretches = std::vector<CReferenceStretch>;

// What this program reads back from the file at path: the rows of the store
// (CLrcFile::Load, SelectionsFromTags) with the texts of TimedTextFromText.
Stretches ReadBack(const QString &path, std::uint32_t mediaLengthMs)
{
    return CReferenceText::FromLrcFile(path, mediaLengthMs);
}

std::string BytesOf(const Stretches &rows, std::uint32_t mediaLengthMs)
{
    const std::optional<QByteArray> bytes = CLrcWriter::ToBytes(rows, mediaLengthMs);
    return bytes ? bytes->toStdString() : "(nothing)";
}

// The bytes of a file holding text: a UTF-8 byte-order mark, then the text.
std::string FileOf(const QString &text)
{
    return "\xEF\xBB\xBF" + text.toStdString();
}

} // namespace

TEST(LrcWriter, RowsComeBackWithTheirTextsAndTheirEndsAsRowsWithoutText)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("第一课.lrc"));
    const Stretches rows{
        {1000, 2500, QStringLiteral("你好，世界")},
        {2500, 4000, QString()},                     // a row without text
        {5000, 7250, QStringLiteral("after a gap")}, // a gap before it
        {7250, 8000, QStringLiteral("ends early")},  // before the recording's end
    };
    ASSERT_TRUE(CLrcWriter::Save(path, rows, 10000));
    const Stretches expected{
        {1000, 2500, QStringLiteral("你好，世界")},
        {2500, 4000, QString()},
        {4000, 5000, QString()},
        {5000, 7250, QStringLiteral("after a gap")},
        {7250, 8000, QStringLiteral("ends early")},
        {8000, 10000, QString()},
    };
    EXPECT_EQ(ReadBack(path, 10000), expected);

    // Rows end to end up to the recording's end need no line of their own.
    const Stretches tiled{{0, 1500, QStringLiteral("one")}, {1500, 10000, QStringLiteral("two")}};
    ASSERT_TRUE(CLrcWriter::Save(path, tiled, 10000));
    EXPECT_EQ(ReadBack(path, 10000), tiled);
}

TEST(LrcWriter, TheFileIsUtf8WithAMarkCrLfAndRoundedHundredths)
{
    EXPECT_EQ(
        BytesOf({{1004, 1995, QStringLiteral(" one\r\ntwo ")}, {1995, 3000, QStringLiteral("[laughs] ok")}}, 3000),
        FileOf(QStringLiteral("[00:01.00]one  two\r\n[00:02.00](laughs) ok\r\n")));
    // Unordered rows are sorted; a gap or an end rounding onto the next tag
    // writes nothing, as its row would have no length.
    EXPECT_EQ(BytesOf({{2000, 2996, QStringLiteral("b")}, {1000, 1500, QStringLiteral("a")}}, 2999),
              FileOf(QStringLiteral("[00:01.00]a\r\n[00:01.50]\r\n[00:02.00]b\r\n")));
    EXPECT_EQ(BytesOf({{1000, 1994, QStringLiteral("a")}, {2000, 2000, QStringLiteral("b")}}, 9000),
              FileOf(QStringLiteral("[00:01.00]a\r\n[00:01.99]\r\n[00:02.00]b\r\n[00:02.00]\r\n")));
}

TEST(LrcWriter, TimesPastNinetyNineMinutesRunOnInTheSecondsUpToTheLastATagHolds)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.lrc"));
    const Stretches rows{{5999990, 6015000, QStringLiteral("late")}, {6015000, 6039990, QStringLiteral("last")}};
    EXPECT_EQ(BytesOf(rows, 7000000), FileOf(QStringLiteral("[99:59.99]late\r\n[99:75.00]last\r\n[99:99.99]\r\n")));
    ASSERT_TRUE(CLrcWriter::Save(path, rows, 7000000));
    EXPECT_EQ(ReadBack(path, 7000000), (Stretches{rows[0], rows[1], {6039990, 7000000, QString()}}));

    const CResult tooLate = CLrcWriter::Save(path, {{6040000, 6041000, QStringLiteral("x")}}, 7000000);
    EXPECT_FALSE(tooLate);
    EXPECT_TRUE(tooLate.Message().contains(QDir::toNativeSeparators(path)));
}

TEST(LrcWriter, AnExistingFileIsKeptAsABackupAndAFailedWriteLeavesItWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lesson.lrc"));
    const QString backup = CLrcWriter::BackupPathFor(path);
    EXPECT_EQ(backup, dir.filePath(QStringLiteral("lesson.lrc.bak")));
    EXPECT_FALSE(CLrcWriter::Exists(path));
    ASSERT_TRUE(CLrcWriter::Save(path, {{0, 1000, QStringLiteral("first")}}, 1000));
    EXPECT_FALSE(QFile::exists(backup)) << "nothing to keep the first time";
    const QByteArray first = ReadAllBytes(path);

    ASSERT_TRUE(CLrcWriter::Exists(path));
    WriteAllBytes(backup, "an older backup");
    ASSERT_TRUE(CLrcWriter::Save(path, {{0, 1000, QStringLiteral("second")}}, 1000));
    EXPECT_EQ(ReadAllBytes(backup), first);
    const QByteArray second = ReadAllBytes(path);
    EXPECT_TRUE(second.contains("second"));

    CResult failed;
    {
        const CFileSizeLimit limit(64);
        failed = CLrcWriter::Save(path, {{0, 1000, QString(200, QLatin1Char('x'))}}, 1000);
    }
    EXPECT_FALSE(failed);
    EXPECT_TRUE(failed.Message().contains(QDir::toNativeSeparators(path))) << failed.Message().toStdString();
    EXPECT_EQ(ReadAllBytes(path), second);
    EXPECT_EQ(ReadAllBytes(backup), first) << "the backup is only replaced once the new file is written";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left behind";
}
