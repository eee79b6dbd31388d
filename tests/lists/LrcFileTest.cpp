#include "lists/CLrcFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <tuple>

namespace
{

using Times = std::vector<std::uint32_t>;
using Rows = std::vector<CSelectionSpan>;

CLrcFile StoreOf(const char *text)
{
    CLrcFile store;
    store.AddTagsFromText(QString::fromUtf8(text));
    return store;
}

Times TimesOf(const CLrcFile &store)
{
    Times times;
    for (int i = 0; i < store.GetCount(); ++i)
        times.push_back(store.GetAt(i));
    return times;
}

} // namespace

TEST(LrcFile, TagsAndTheTimesStored)
{
    // Hundredths of a second, ascending, duplicates kept.
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
        EXPECT_EQ(TimesOf(StoreOf(text)), times) << text;

    QString twentyFive;
    for (int i = 0; i < 25; ++i)
        twentyFive += QStringLiteral("[00:%1.00]").arg(i, 2, 10, QLatin1Char('0'));
    CLrcFile store;
    store.AddTagsFromText(twentyFive);
    ASSERT_EQ(store.GetCount(), 20) << "at most twenty tags a line";
    EXPECT_EQ(store.GetAt(19), 1900u);
}

TEST(LrcFile, ThousandsOfTagsInAnyOrderJoinTheStoreAscendingWithTheirDuplicates)
{
    CLrcFile store = StoreOf("[00:00.50]\n[09:00.00]\n");
    Times expected{50, 54000};
    QString text;
    // Lines in descending order, two equal tags on each.
    for (std::uint32_t time = 30000; time > 0; time -= 3) {
        const QString tag = QStringLiteral("[%1:%2.%3]")
                                .arg(time / 6000, 2, 10, QLatin1Char('0'))
                                .arg(time / 100 % 60, 2, 10, QLatin1Char('0'))
                                .arg(time % 100, 2, 10, QLatin1Char('0'));
        text += tag + tag + QStringLiteral("x\n");
        expected.insert(expected.end(), {time, time});
    }
    store.AddTagsFromText(text);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(TimesOf(store), expected);
}

TEST(LrcFile, TagsBecomeRowsEndingAtTheNextTagOrTheMediaEnd)
{
    const std::tuple<const char *, std::uint32_t, Rows> cases[] = {
        {"[00:01.00]a\r\n[00:05.50]b\r\n", 10000, {{1000, 5500}, {5500, 10000}}},
        {"[00:02.00]a\n[00:02.00]b\n[00:04.00]c\n", 9000, {{2000, 2000}, {2000, 4000}, {4000, 9000}}},
        // Nothing is clipped: a tag beyond the media gives a row that ends before it starts.
        {"[02:00.00]", 90000, {{120000, 90000}}},
        {"", 90000, {}},
    };
    for (const auto &[text, length, rows] : cases)
        EXPECT_EQ(SelectionsFromTags(StoreOf(text), length), rows) << text;
}

TEST(LrcFile, LoadAddsGbkAndUtf8FilesAndFailsOnlyForMissingOrEmptyOnes)
{
    QTemporaryDir dir;
    const auto write = [&dir](const char *name, const QByteArray &bytes) {
        WriteAllBytes(dir.filePath(QString::fromUtf8(name)), bytes);
        return dir.filePath(QString::fromUtf8(name));
    };
    CLrcFile store;
    // "[00:01.00]你好" then "[00:02.50]世界" in GBK; "[00:00.50]你好" in UTF-8.
    EXPECT_TRUE(store.Load(write("课文.lrc", "[00:01.00]\xC4\xE3\xBA\xC3\r\n[00:02.50]\xCA\xC0\xBD\xE7\r\n")));
    EXPECT_TRUE(store.Load(write("bom.lrc", "\xEF\xBB\xBF[00:00.50]\xE4\xBD\xA0\xE5\xA5\xBD\n")));
    EXPECT_EQ(TimesOf(store), (Times{50, 100, 250}));
    store.RemoveAll();

    EXPECT_FALSE(store.Load(dir.filePath(QStringLiteral("none.lrc"))));
    EXPECT_FALSE(store.Load(write("empty.lrc", QByteArray())));
    EXPECT_TRUE(store.Load(write("blank.lrc", "\r\n\r\n")));
    EXPECT_FALSE(store.Load(dir.path())); // a folder
    EXPECT_EQ(store.GetCount(), 0);
}
