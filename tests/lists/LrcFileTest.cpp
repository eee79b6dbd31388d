// .lrc files: the tags and times read, the rows they make, and saving rows with their texts.
#include "lists/CLrcFile.h"
#include "lists/CLrcWriter.h"
#include "lists/CReferenceText.h"
#include "lists/ReferenceStretchPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <tuple>

namespace
{

using Times = std::vector<std::uint32_t>;

CLrcFile StoreOf(const QString &text)
{
    CLrcFile store;
    store.AddTagsFromText(text);
    return store;
}

Times TimesOf(const CLrcFile &store)
{
    Times times;
    for (int i = 0; i < store.GetCount(); ++i)
        times.push_back(store.GetAt(i));
    return times;
}

using Stretches = std::vector<CReferenceStretch>;

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

// Hundredths of a second, ascending; duplicates are the rows' test, a store joined by a second file the loading's.
TEST(LrcFile, TagsAndTheTimesStored)
{
    const std::pair<const char *, Times> cases[] = {
        {"[00:09.00]x\n[00:03.00]y\n", {300, 900}},
        {"[00:01.00][00:02.00]text", {100, 200}},
        {"x[00:01.00]y[00:02.00]z", {100, 200}}, // tags inside the text
        {"[00:03.00][00:01.00]", {100, 300}},
        {"[00: 01 .00]", {100}}, // blanks removed first
        {"[00:\t01.00]", {100}},
        {"[00:01:50]", {150}}, // separators not examined
        {"[00:75.00]", {7500}},
        {"[1:02.00]", {}},
        {"[00:01.5]", {}},
        {"[00:01.000]", {}},
        {"[ti:Title]", {}},
        {"[00:01.00", {}}, // no closing bracket
        {"\n\n  \r\n", {}},
        // Six digits anywhere on the line let a tag of letters count, its time
        // made of character codes.
        {"[ar:Band1] 2012-03-04", {3359421}},
        {"[ar:Band1]", {}},
    };
    for (const auto &[text, times] : cases)
        EXPECT_EQ(TimesOf(StoreOf(QString::fromUtf8(text))), times) << text;
}

TEST(LrcFile, TagsBecomeRowsEndingAtTheNextTagOrTheMediaEndWithTheTextsOfTheirLines)
{
    const std::tuple<const char *, std::uint32_t, std::vector<CSelectionSpan>> cases[] = {
        {"[00:01.00]a\r\n[00:05.50]b\r\n", 10000, {{1000, 5500}, {5500, 10000}}},
        {"[00:02.00]a\n[00:02.00]b\n[00:04.00]c\n", 9000, {{2000, 2000}, {2000, 4000}, {4000, 9000}}},
        // Nothing is clipped: a tag beyond the media gives a row that ends before it starts.
        {"[02:00.00]", 90000, {{120000, 90000}}},
        {"", 90000, {}},
    };
    for (const auto &[text, length, rows] : cases)
        EXPECT_EQ(SelectionsFromTags(StoreOf(QString::fromUtf8(text)), length), rows) << text;

    // Each tag gets the text after the tags of its line.
    const std::vector<CTimedText> lines =
        CLrcFile::TimedTextFromText(u"[ti:Lesson one]\n[ar:Teacher]\n[al:Book]\n[by:me]\n[offset:+100]\n"
                                    "[00:05.00] Second line \r\n[00:01.00][00:09.00]Chorus here\n[00:07.00]\n"
                                    "[00:05.00]same time, later in the file"_qs);
    const std::vector<CTimedText> expected{
        {100, u"Chorus here"_qs}, {500, u"Second line"_qs}, {500, u"same time, later in the file"_qs},
        {700, QString()},         {900, u"Chorus here"_qs},
    };
    EXPECT_EQ(lines, expected);
}

TEST(LrcFile, LoadAddsGbkAndUtf8FilesAndFailsOnlyForMissingOrEmptyOnes)
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString &name, const QByteArray &bytes) {
        WriteAllBytes(dir.filePath(name), bytes);
        return dir.filePath(name);
    };
    CLrcFile store;
    // "[ti:第一课]", "[00:01.00]你好" and "[00:02.50]世界" in GBK; "[00:00.50]你好" in UTF-8.
    const QString gbk = write(u"课文.lrc"_qs, "[ti:\xb5\xda\xd2\xbb\xbf\xce]\n[00:01.00]\xC4\xE3\xBA\xC3\r\n"
                                              "[00:02.50]\xCA\xC0\xBD\xE7\r\n");
    EXPECT_TRUE(store.Load(gbk));
    EXPECT_TRUE(store.Load(write(u"bom.lrc"_qs, "\xEF\xBB\xBF[00:00.50]\xE4\xBD\xA0\xE5\xA5\xBD\n")));
    EXPECT_EQ(TimesOf(store), (Times{50, 100, 250}));
    std::vector<CTimedText> lines;
    ASSERT_TRUE(CLrcFile::LoadTimedText(gbk, lines));
    EXPECT_EQ(lines, (std::vector<CTimedText>{{100, u"你好"_qs}, {250, u"世界"_qs}}));
    store.RemoveAll();

    EXPECT_FALSE(store.Load(dir.filePath(u"none.lrc"_qs)));
    EXPECT_FALSE(store.Load(write(u"empty.lrc"_qs, QByteArray())));
    EXPECT_TRUE(store.Load(write(u"blank.lrc"_qs, "\r\n\r\n")));
    EXPECT_FALSE(store.Load(dir.path())); // a folder
    EXPECT_EQ(store.GetCount(), 0);
}

// The question before an existing file is replaced is the selection pane's test.
TEST(LrcWriter, TheFileIsUtf8WithCrLfAndRoundedHundredthsAnOldOneIsKeptAndAFailedWriteLeavesItWhole)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"第一课.lrc"_qs);
    EXPECT_EQ(BytesOf({{1004, 1995, u" one\r\ntwo "_qs}, {1995, 3000, u"[laughs] ok"_qs}}, 3000),
              FileOf(u"[00:01.00]one  two\r\n[00:02.00](laughs) ok\r\n"_qs));
    // Unordered rows are sorted; a gap or an end rounding onto the next tag
    // writes nothing, as its row would have no length.
    EXPECT_EQ(BytesOf({{2000, 2996, u"b"_qs}, {1000, 1500, u"a"_qs}}, 2999),
              FileOf(u"[00:01.00]a\r\n[00:01.50]\r\n[00:02.00]b\r\n"_qs));
    EXPECT_EQ(BytesOf({{1000, 1994, u"a"_qs}, {2000, 2000, u"b"_qs}}, 9000),
              FileOf(u"[00:01.00]a\r\n[00:01.99]\r\n[00:02.00]b\r\n[00:02.00]\r\n"_qs));

    // Times past ninety-nine minutes run on in the seconds up to the last a tag holds.
    const Stretches rows{{5999990, 6015000, u"late"_qs}, {6015000, 6039990, u"last"_qs}};
    EXPECT_EQ(BytesOf(rows, 7000000), FileOf(u"[99:59.99]late\r\n[99:75.00]last\r\n[99:99.99]\r\n"_qs));
    ASSERT_TRUE(CLrcWriter::Save(path, rows, 7000000));
    EXPECT_EQ(CReferenceText::FromLrcFile(path, 7000000), (Stretches{rows[0], rows[1], {6039990, 7000000, {}}}));

    const CResult tooLate = CLrcWriter::Save(path, {{6040000, 6041000, u"x"_qs}}, 7000000);
    EXPECT_FALSE(tooLate);
    EXPECT_TRUE(tooLate.Message().contains(QDir::toNativeSeparators(path)));

    // An existing file is kept as a backup, which is replaced only once a new file is written.
    QFile::remove(path);
    const QString backup = CLrcWriter::BackupPathFor(path);
    ASSERT_TRUE(CLrcWriter::Save(path, {{0, 1000, u"first"_qs}}, 1000));
    EXPECT_FALSE(QFile::exists(backup)) << "nothing to keep the first time";
    const QByteArray first = ReadAllBytes(path);
    WriteAllBytes(backup, "an older backup");
    ASSERT_TRUE(CLrcWriter::Save(path, {{0, 1000, u"second"_qs}}, 1000));
    EXPECT_EQ(ReadAllBytes(backup), first);
    const QByteArray second = ReadAllBytes(path);

    CResult failed;
    {
        const CFileSizeLimit limit(64);
        failed = CLrcWriter::Save(path, {{0, 1000, QString(200, u'x')}}, 1000);
    }
    EXPECT_FALSE(failed);
    EXPECT_TRUE(failed.Message().contains(QDir::toNativeSeparators(path))) << failed.Message().toStdString();
    EXPECT_EQ(ReadAllBytes(path), second);
    EXPECT_EQ(ReadAllBytes(backup), first);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left behind";
}
