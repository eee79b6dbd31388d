#include "lists/CDictationCheck.h"
#include "lists/CLrcFile.h"
#include "lists/CReferenceText.h"
#include "lists/CWordList.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace
{

// Stretches of one second each, one a line of text.
std::vector<CReferenceStretch> Stretches(const QStringList &lines)
{
    std::vector<CReferenceStretch> stretches;
    std::uint32_t start = 0;
    for (const QString &line : lines) {
        stretches.push_back({start, start + 1000, line});
        start += 1000;
    }
    return stretches;
}

CCheckCounts Totals(const QStringList &reference, const QString &typed)
{
    return CDictationCheck(Stretches(reference), typed).Totals();
}

QStringList Keys(const QString &text)
{
    QStringList keys;
    for (const CWord &word : CWordList::Split(text))
        keys.append(word.m_strKey);
    return keys;
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

const QString kLine = QStringLiteral("The cat sat on the mat");

} // namespace

TEST(WordList, WordsAreKeyedWithoutCasePunctuationOrQuoteStyle)
{
    EXPECT_EQ(Keys(QStringLiteral("Don’t say “Hello,” Tom!")), Keys(QStringLiteral("don't SAY \"hello\" tom")));
    EXPECT_EQ(
        Keys(QStringLiteral("well-known — fact\u2013free")),
        (QStringList{QStringLiteral("well"), QStringLiteral("known"), QStringLiteral("fact"), QStringLiteral("free")}));
    EXPECT_EQ(Keys(QStringLiteral("我们去\U00020000了。カタ ... a\u3000b")),
              (QStringList{QStringLiteral("我"), QStringLiteral("们"), QStringLiteral("去"),
                           QStringLiteral("\U00020000"), QStringLiteral("了"), QStringLiteral("カ"),
                           QStringLiteral("タ"), QStringLiteral("a"), QStringLiteral("b")}));

    const QString text = QStringLiteral("one\n\n  “Two,”\tthree");
    const std::vector<CWord> words = CWordList::Split(text);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[1].m_nStart, 7);
    EXPECT_EQ(words[1].m_strSpelling, QStringLiteral("“Two,”"));
    EXPECT_EQ(text.mid(words[2].m_nStart, words[2].m_nLength), QStringLiteral("three"));
}

TEST(DictationCheck, MistakesALearnerMakesAreCountedExactly)
{
    struct CCase {
        const char *what;
        QString typed;
        CCheckCounts totals; // reference, correct, wrong, missing, extra
        int percent;
    };
    const CCase cases[] = {
        {"all right", kLine, {6, 6, 0, 0, 0}, 100},
        {"a wrong word", QStringLiteral("The cat sat on the hat"), {6, 5, 1, 0, 0}, 83},
        {"a missing word", QStringLiteral("The cat on the mat"), {6, 5, 0, 1, 0}, 83},
        {"an extra word", QStringLiteral("The big cat sat on the mat"), {6, 6, 0, 0, 1}, 100},
        {"case and punctuation", QStringLiteral("the CAT, sat; on (the) mat..."), {6, 6, 0, 0, 0}, 100},
        {"laid out on lines", QStringLiteral("The cat\n\nsat on\r\nthe\tmat"), {6, 6, 0, 0, 0}, 100},
        {"two wrong in a row", QStringLiteral("The dog ran on the mat"), {6, 4, 2, 0, 0}, 67},
    };
    for (const CCase &c : cases) {
        const CCheckCounts totals = Totals({kLine}, c.typed);
        EXPECT_EQ(totals, c.totals) << c.what;
        EXPECT_EQ(totals.Percent(), c.percent) << c.what;
    }
}

TEST(DictationCheck, CurlyAndStraightApostrophesAndQuotesAreAlike)
{
    const CCheckCounts totals =
        Totals({QStringLiteral("“It’s John’s,” she said.")}, QStringLiteral("\"it's johns\" She said"));
    EXPECT_EQ(totals, (CCheckCounts{4, 4, 0, 0, 0}));
    EXPECT_EQ(totals.Percent(), 100);
}

TEST(DictationCheck, SplitOrJoinedWordsCountAsCorrect)
{
    // "sometimes" typed as "some times": the reference word is correct and
    // the two typed words are its counterpart, nothing extra.
    const CDictationCheck split(Stretches({QStringLiteral("I sometimes walk home")}),
                                QStringLiteral("I some times walk home"));
    EXPECT_EQ(split.Totals(), (CCheckCounts{4, 4, 0, 0, 0}));
    EXPECT_EQ(split.Alignment().ReferenceAt(1).m_nTypedCount, 2);
    // "every one" typed as "everyone": both reference words correct.
    const CCheckCounts joined = Totals({QStringLiteral("Thank you every one")}, QStringLiteral("thank you everyone"));
    EXPECT_EQ(joined, (CCheckCounts{4, 4, 0, 0, 0}));
    EXPECT_EQ(joined.Percent(), 100);
    // Pieces that do not join to the word are a wrong word and an extra one.
    const CCheckCounts unrelated =
        Totals({QStringLiteral("I sometimes walk home")}, QStringLiteral("I some tomes walk home"));
    EXPECT_EQ(unrelated, (CCheckCounts{4, 3, 1, 0, 1}));
    EXPECT_EQ(unrelated.Percent(), 75);
}

TEST(DictationCheck, ALineTypedTwiceGivesExtraWordsInItsStretch)
{
    const CDictationCheck check(Stretches({QStringLiteral("one two three"), QStringLiteral("four five six")}),
                                QStringLiteral("one two three one two three four five six"));
    EXPECT_EQ(check.StretchCounts(0), (CCheckCounts{3, 3, 0, 0, 3}));
    EXPECT_EQ(check.StretchCounts(1), (CCheckCounts{3, 3, 0, 0, 0}));
    EXPECT_EQ(check.Totals(), (CCheckCounts{6, 6, 0, 0, 3}));
    EXPECT_EQ(check.Totals().Percent(), 100);
}

TEST(DictationCheck, StretchesAfterTheLastCorrectWordAreNotAttempted)
{
    const CDictationCheck check(Stretches({QStringLiteral("one two three"), QStringLiteral("four five six"),
                                           QStringLiteral("seven eight"), QStringLiteral("nine ten")}),
                                QStringLiteral("one two tree four six"));
    EXPECT_EQ(check.AttemptedCount(), 2);
    EXPECT_TRUE(check.IsAttempted(1));
    EXPECT_FALSE(check.IsAttempted(2));
    EXPECT_EQ(check.StretchCounts(0), (CCheckCounts{3, 2, 1, 0, 0}));
    EXPECT_EQ(check.StretchCounts(1), (CCheckCounts{3, 2, 0, 1, 0}));
    EXPECT_EQ(check.StretchCounts(2), (CCheckCounts{2, 0, 0, 2, 0}));
    EXPECT_EQ(check.Totals(), (CCheckCounts{6, 4, 1, 1, 0}));
    EXPECT_EQ(check.Totals().Percent(), 67);
    EXPECT_EQ(check.StretchCounts(0).Percent(), 67);
}

TEST(DictationCheck, NothingToScoreIsSaidNotDividedBy)
{
    const CDictationCheck timesOnly(Stretches({QString(), QStringLiteral("  ...  ")}), QStringLiteral("hello"));
    EXPECT_FALSE(timesOnly.HasReferenceWords());
    EXPECT_EQ(timesOnly.AttemptedCount(), 0);
    EXPECT_EQ(timesOnly.Totals().Percent(), std::nullopt);

    const CDictationCheck empty(Stretches({kLine}), QString());
    EXPECT_TRUE(empty.HasReferenceWords());
    EXPECT_EQ(empty.AttemptedCount(), 0);
    EXPECT_EQ(empty.StretchCounts(0), (CCheckCounts{6, 0, 0, 6, 0}));
    EXPECT_EQ(empty.Totals(), CCheckCounts{});
}

TEST(DictationCheck, AHugeTranscriptAgainstAShortReferenceFinishes)
{
    QString typed;
    while (typed.size() < 5'000'000)
        typed += QStringLiteral("lorem ipsum dolor sit amet ");
    typed += QStringLiteral("one two three four five six seven eight nine ten");
    const CDictationCheck check(Stretches({QStringLiteral("one two three four five six seven eight nine ten")}), typed);
    EXPECT_EQ(check.Totals().m_nCorrect, 10);
    EXPECT_EQ(check.Totals().m_nExtra, static_cast<int>(check.TypedWords().size()) - 10);
}

TEST(DictationCheck, ChineseWithoutSpacesIsCheckedCharacterByCharacter)
{
    const CCheckCounts totals = Totals({QStringLiteral("我们明天去北京。"), QStringLiteral("你好吗？")},
                                       QStringLiteral("我们明天区北京，你好"));
    EXPECT_EQ(totals, (CCheckCounts{10, 8, 1, 1, 0}));
    EXPECT_EQ(totals.Percent(), 80);
}

TEST(LrcText, EachTagGetsTheTextAfterTheTagsOfItsLine)
{
    const std::vector<CTimedText> lines = CLrcFile::TimedTextFromText(
        QStringLiteral("[ti:Lesson one]\n[ar:Teacher]\n[al:Book]\n[by:me]\n[offset:+100]\n"
                       "[00:05.00] Second line \r\n[00:01.00][00:09.00]Chorus here\n[00:07.00]\n"
                       "[00:05.00]same time, later in the file"));
    const std::vector<CTimedText> expected{
        {100, QStringLiteral("Chorus here")},
        {500, QStringLiteral("Second line")},
        {500, QStringLiteral("same time, later in the file")},
        {700, QString()},
        {900, QStringLiteral("Chorus here")},
    };
    EXPECT_EQ(lines, expected);
}

TEST(LrcText, AGbkFileGivesTheSameRowsAsTheStore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lesson.lrc"));
    // "[ti:第一课]\n[00:02.00]你好\n[00:00.50]早上好\n" in GBK.
    WriteFile(path, QByteArrayLiteral("[ti:\xb5\xda\xd2\xbb\xbf\xce]\n[00:02.00]\xc4\xe3\xba\xc3\n"
                                      "[00:00.50]\xd4\xe7\xc9\xcf\xba\xc3\n"));
    std::vector<CTimedText> lines;
    ASSERT_TRUE(CLrcFile::LoadTimedText(path, lines));
    CLrcFile store;
    ASSERT_TRUE(store.Load(path));
    ASSERT_EQ(lines.size(), 2u);
    for (int i = 0; i < store.GetCount(); ++i)
        EXPECT_EQ(lines[static_cast<size_t>(i)].m_dwTime, store.GetAt(i));
    EXPECT_EQ(
        CReferenceText::FromLrcFile(path, 4000),
        (std::vector<CReferenceStretch>{{500, 2000, QStringLiteral("早上好")}, {2000, 4000, QStringLiteral("你好")}}));
}

TEST(ReferenceText, APlainTextFileIsUsedWhenNoLrcHasText)
{
    QTemporaryDir dir;
    const QString media = dir.filePath(QStringLiteral("第一课.mp3"));
    const QString lrc = dir.filePath(QStringLiteral("第一课.lrc"));
    WriteFile(lrc, "[00:01.00]\n[00:02.00]\n");
    EXPECT_TRUE(CReferenceText::ForRecording(lrc, media, 9000).empty()) << "times only and no text file";
    WriteFile(CReferenceText::PlainTextPathFor(media), "\xef\xbb\xbfHello there.\r\nGoodbye.");
    EXPECT_EQ(CReferenceText::ForRecording(lrc, media, 9000),
              (std::vector<CReferenceStretch>{{0, 9000, QStringLiteral("Hello there.\r\nGoodbye.")}}));
    WriteFile(lrc, "[00:01.00]Hi\n");
    EXPECT_EQ(CReferenceText::ForRecording(lrc, media, 9000),
              (std::vector<CReferenceStretch>{{1000, 9000, QStringLiteral("Hi")}}));
}

TEST(WordAlignment, TextsTooFarApartAreAlignedInWindowsThatStillAccountForEveryWord)
{
    // Ten thousand words of ten kinds on each side, in unrelated orders: no
    // word is unique to cut at, so the alignment is bounded.
    std::vector<CWord> reference, typed;
    for (int i = 0; i < 10'000; ++i) {
        reference.push_back({0, 1, QString(), QString::number(i * 7 % 10)});
        typed.push_back({0, 1, QString(), QString::number(i * i % 10)});
    }
    const CWordAlignment alignment(reference, typed);
    EXPECT_TRUE(alignment.IsBounded());
    int claimedTyped = 0, nextTyped = 0;
    for (int i = 0; i < alignment.ReferenceCount(); ++i) {
        const CReferenceVerdict &verdict = alignment.ReferenceAt(i);
        if (verdict.m_verdict == EWordVerdict::missing)
            continue;
        ASSERT_GE(verdict.m_nFirstTyped, nextTyped) << "typed words claimed in order, once each";
        if (verdict.m_verdict == EWordVerdict::correct) {
            EXPECT_EQ(typed[static_cast<size_t>(verdict.m_nFirstTyped)].m_strKey,
                      reference[static_cast<size_t>(i)].m_strKey);
        }
        nextTyped = verdict.m_nFirstTyped + verdict.m_nTypedCount;
        claimedTyped += verdict.m_nTypedCount;
    }
    int extra = 0;
    for (int j = 0; j < alignment.TypedCount(); ++j)
        extra += alignment.IsExtra(j) ? 1 : 0;
    EXPECT_EQ(claimedTyped + extra, alignment.TypedCount());
}
