#include "lists/CLrcFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace
{

std::vector<std::uint32_t> TimesOf(const QString &text)
{
    CLrcFile store;
    store.AddTagsFromText(text);
    std::vector<std::uint32_t> times;
    for (int i = 0; i < store.GetCount(); ++i)
        times.push_back(store.GetAt(i));
    return times;
}

using Times = std::vector<std::uint32_t>;
using Rows = std::vector<CSelectionSpan>;

} // namespace

TEST(LrcFile, TagsBecomeRowsEndingAtTheNextTagOrTheMediaEnd)
{
    CLrcFile store;
    store.AddTagsFromText(QStringLiteral("[00:01.00]a\r\n[00:05.50]b\r\n"));
    EXPECT_EQ(SelectionsFromTags(store, 10000), (Rows{{1000, 5500}, {5500, 10000}}));

    CLrcFile single;
    single.AddTagsFromText(QStringLiteral("[01:00.00]"));
    EXPECT_EQ(SelectionsFromTags(single, 90000), (Rows{{60000, 90000}}));

    // Nothing is clipped: a tag beyond the media gives a row that ends before it starts.
    CLrcFile late;
    late.AddTagsFromText(QStringLiteral("[02:00.00]"));
    EXPECT_EQ(SelectionsFromTags(late, 90000), (Rows{{120000, 90000}}));
    EXPECT_TRUE(SelectionsFromTags(CLrcFile(), 90000).empty());
}

TEST(LrcFile, StoreIsAscendingAndKeepsDuplicates)
{
    EXPECT_EQ(TimesOf(QStringLiteral("[00:09.00]x\n[00:03.00]y\n")), (Times{300, 900}));
    CLrcFile store;
    store.AddTagsFromText(QStringLiteral("[00:02.00]a\n[00:02.00]b\n[00:04.00]c\n"));
    EXPECT_EQ(SelectionsFromTags(store, 9000), (Rows{{2000, 2000}, {2000, 4000}, {4000, 9000}}));
}

TEST(LrcFile, FusedAndAdjacentTags)
{
    EXPECT_EQ(TimesOf(QStringLiteral("[00:01.00][00:02.00]text")), (Times{100, 200}));
    EXPECT_EQ(TimesOf(QStringLiteral("x[00:01.00]y[00:02.00]z")), (Times{100, 200}));
    // Descending tags on one line are sorted too.
    EXPECT_EQ(TimesOf(QStringLiteral("[00:03.00][00:01.00]")), (Times{100, 300}));
}

TEST(LrcFile, TagShapeRules)
{
    EXPECT_EQ(TimesOf(QStringLiteral("[00: 01 .00]")), Times{100}); // blanks removed first
    EXPECT_EQ(TimesOf(QStringLiteral("[00:\t01.00]")), Times{100});
    EXPECT_EQ(TimesOf(QStringLiteral("[00:01:50]")), Times{150}); // separators not examined
    EXPECT_EQ(TimesOf(QStringLiteral("[00:75.00]")), Times{7500});
    EXPECT_EQ(TimesOf(QStringLiteral("[1:02.00]")), Times{});
    EXPECT_EQ(TimesOf(QStringLiteral("[00:01.5]")), Times{});
    EXPECT_EQ(TimesOf(QStringLiteral("[00:01.000]")), Times{});
    EXPECT_EQ(TimesOf(QStringLiteral("[ti:Title]")), Times{});
    EXPECT_EQ(TimesOf(QStringLiteral("[00:01.00")), Times{}); // no closing bracket
    EXPECT_EQ(TimesOf(QStringLiteral("\n\n  \r\n")), Times{});
}

TEST(LrcFile, DigitsAreCountedOverTheWholeLine)
{
    // Eight characters between the brackets and nine digits on the line: a
    // tag whose value comes from the character codes.
    const auto d = [](QChar c) { return static_cast<std::int64_t>(c.unicode()) - '0'; };
    const QString tag = QStringLiteral("ar:Band1");
    const std::int64_t value =
        (d(tag[0]) * 10 + d(tag[1])) * 6000 + (d(tag[3]) * 10 + d(tag[4])) * 100 + d(tag[6]) * 10 + d(tag[7]);
    EXPECT_EQ(TimesOf(QStringLiteral("[ar:Band1] 2012-03-04")), Times{static_cast<std::uint32_t>(value)});
    EXPECT_EQ(TimesOf(QStringLiteral("[ar:Band1]")), Times{});
}

TEST(LrcFile, AtMostTwentyTagsALine)
{
    QString line;
    for (int i = 0; i < 25; ++i)
        line += QStringLiteral("[00:%1.00]").arg(i, 2, 10, QLatin1Char('0'));
    const Times times = TimesOf(line);
    ASSERT_EQ(times.size(), 20u);
    EXPECT_EQ(times.front(), 0u);
    EXPECT_EQ(times.back(), 1900u);
}

TEST(LrcFile, LoadReadsGbkAndUtf8FilesAndAddsToTheStore)
{
    QTemporaryDir dir;
    const QString gbk = dir.filePath(QStringLiteral("课文.lrc"));
    // "[00:01.00]你好" then "[00:02.50]世界" in GBK.
    WriteAllBytes(gbk, "[00:01.00]\xC4\xE3\xBA\xC3\r\n[00:02.50]\xCA\xC0\xBD\xE7\r\n");
    const QString utf8 = dir.filePath(QStringLiteral("bom.lrc"));
    WriteAllBytes(utf8, "\xEF\xBB\xBF[00:00.50]\xE4\xBD\xA0\xE5\xA5\xBD\n");

    CLrcFile store;
    EXPECT_TRUE(store.Load(gbk));
    EXPECT_TRUE(store.Load(utf8)); // not cleared first
    EXPECT_EQ(store.GetCount(), 3);
    EXPECT_EQ(store.GetAt(0), 50u);
    EXPECT_EQ(store.GetAt(2), 250u);
    store.RemoveAll();
    EXPECT_EQ(store.GetCount(), 0);
}

TEST(LrcFile, LoadFailsOnlyForMissingOrEmptyFiles)
{
    QTemporaryDir dir;
    CLrcFile store;
    EXPECT_FALSE(store.Load(dir.filePath(QStringLiteral("none.lrc"))));
    WriteAllBytes(dir.filePath(QStringLiteral("empty.lrc")), QByteArray());
    EXPECT_FALSE(store.Load(dir.filePath(QStringLiteral("empty.lrc"))));
    WriteAllBytes(dir.filePath(QStringLiteral("blank.lrc")), "\r\n\r\n");
    EXPECT_TRUE(store.Load(dir.filePath(QStringLiteral("blank.lrc"))));
    EXPECT_FALSE(store.Load(dir.path())); // a folder
    EXPECT_EQ(store.GetCount(), 0);
}
