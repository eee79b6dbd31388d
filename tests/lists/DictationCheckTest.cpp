#include "lists/CDictationCheck.h"
#include "lists/CWordList.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace
{

// Stretches of one second each, one a line of text.
std::vector<CReferenceStretch> Stretches(const QStringList &lines)
{
    std::vector<CReferenceStretch> stretches;
    for (const QString &line : lines)
        stretches.push_back(
            {std::uint32_t(stretches.size() * 1000), std::uint32_t(stretches.size() * 1000 + 1000), line});
    return stretches;
}

QStringList Keys(const QString &text)
{
    QStringList keys;
    for (const CWord &word : CWordList::Split(text))
        keys.append(word.m_strKey);
    return keys;
}

} // namespace

// Without case, punctuation or quote style (the check's own cases), split at dashes and between characters.
TEST(WordList, WordsAreKeyedWithoutCasePunctuationOrQuoteStyle)
{
    EXPECT_EQ(Keys(u"well-known — fact\u2013free"_qs), (QStringList{u"well"_qs, u"known"_qs, u"fact"_qs, u"free"_qs}));
    EXPECT_EQ(
        Keys(u"我们去\U00020000了。カタ ... a\u3000b"_qs),
        (QStringList{u"我"_qs, u"们"_qs, u"去"_qs, u"\U00020000"_qs, u"了"_qs, u"カ"_qs, u"タ"_qs, u"a"_qs, u"b"_qs}));
}

TEST(DictationCheck, MistakesALearnerMakesAreCountedExactly)
{
    const QString line = u"The cat sat on the mat"_qs;
    const struct {
        QStringList reference;
        QString typed;
        CCheckCounts totals; // reference, correct, wrong, missing, extra
        int percent;
    } cases[] = {
        {{line}, line, {6, 6, 0, 0, 0}, 100},
        {{line}, u"The cat sat on the hat"_qs, {6, 5, 1, 0, 0}, 83},
        {{line}, u"The cat on the mat"_qs, {6, 5, 0, 1, 0}, 83},
        {{line}, u"The big cat sat on the mat"_qs, {6, 6, 0, 0, 1}, 100},
        {{line}, u"the CAT, sat; on (the) mat..."_qs, {6, 6, 0, 0, 0}, 100},
        {{line}, u"The cat\n\nsat on\r\nthe\tmat"_qs, {6, 6, 0, 0, 0}, 100},
        {{line}, u"The dog ran on the mat"_qs, {6, 4, 2, 0, 0}, 67},
        // Curly and straight apostrophes and quotes are alike.
        {{u"“It’s John’s,” she said."_qs}, u"\"it's johns\" She said"_qs, {4, 4, 0, 0, 0}, 100},
        // A word typed split or two typed joined count as correct; pieces that
        // do not join to the word are a wrong word and an extra one.
        {{u"I sometimes walk home"_qs}, u"I some times walk home"_qs, {4, 4, 0, 0, 0}, 100},
        {{u"Thank you every one"_qs}, u"thank you everyone"_qs, {4, 4, 0, 0, 0}, 100},
        {{u"I sometimes walk home"_qs}, u"I some tomes walk home"_qs, {4, 3, 1, 0, 1}, 75},
        // Chinese without spaces is checked character by character.
        {{u"我们明天去北京。"_qs, u"你好吗？"_qs}, u"我们明天区北京，你好"_qs, {10, 8, 1, 1, 0}, 80},
    };
    for (const auto &test : cases) {
        const CCheckCounts totals = CDictationCheck(Stretches(test.reference), test.typed).Totals();
        EXPECT_EQ(totals, test.totals) << test.typed.toStdString();
        EXPECT_EQ(totals.Percent(), test.percent) << test.typed.toStdString();
    }
}

// Words typed twice are extra in their stretch; stretches after the last
// correct word are not attempted and stay out of the totals; with nothing to
// score there is no percentage rather than a division by nothing.
TEST(DictationCheck, StretchesCountTheirOwnWordsAndOnlyAttemptedOnesCount)
{
    const struct {
        QStringList reference;
        QString typed;
        std::vector<CCheckCounts> stretches;
        CCheckCounts totals;
        int attempted;
        std::optional<int> percent;
    } cases[] = {
        {{u"one two three"_qs, u"four five six"_qs},
         u"one two three one two three four five six"_qs,
         {{3, 3, 0, 0, 3}, {3, 3, 0, 0, 0}},
         {6, 6, 0, 0, 3},
         2,
         100},
        {{u"one two three"_qs, u"four five six"_qs, u"seven eight"_qs, u"nine ten"_qs},
         u"one two tree four six"_qs,
         {{3, 2, 1, 0, 0}, {3, 2, 0, 1, 0}, {2, 0, 0, 2, 0}},
         {6, 4, 1, 1, 0},
         2,
         67},
        {{u"The cat sat on the mat"_qs}, QString(), {{6, 0, 0, 6, 0}}, {}, 0, std::nullopt},
        {{QString(), u"  ...  "_qs}, u"hello"_qs, {}, {}, 0, std::nullopt}, // times only: no words, no counts
    };
    for (const auto &test : cases) {
        SCOPED_TRACE(test.typed.toStdString());
        const CDictationCheck check(Stretches(test.reference), test.typed);
        EXPECT_EQ(check.HasReferenceWords(), !test.stretches.empty());
        for (size_t i = 0; i < test.stretches.size(); ++i)
            EXPECT_EQ(check.StretchCounts(int(i)), test.stretches[i]) << i;
        EXPECT_EQ(check.Totals(), test.totals);
        EXPECT_EQ(check.AttemptedCount(), test.attempted);
        for (int i = 0; i < test.reference.size(); ++i)
            EXPECT_EQ(check.IsAttempted(i), i < test.attempted) << i;
        EXPECT_EQ(check.Totals().Percent(), test.percent);
    }
}

TEST(DictationCheck, AHugeTranscriptAgainstAShortReferenceFinishes)
{
    const QString words = u"one two three four five six seven eight nine ten"_qs;
    const QString typed = u"lorem ipsum dolor sit amet "_qs.repeated(185'186) + words;
    const CDictationCheck check(Stretches({words}), typed);
    EXPECT_EQ(check.Totals().m_nCorrect, 10);
    EXPECT_EQ(check.Totals().m_nExtra, static_cast<int>(check.TypedWords().size()) - 10);
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
            EXPECT_EQ(typed[size_t(verdict.m_nFirstTyped)].m_strKey, reference[size_t(i)].m_strKey);
        }
        nextTyped = verdict.m_nFirstTyped + verdict.m_nTypedCount;
        claimedTyped += verdict.m_nTypedCount;
    }
    int extra = 0;
    for (int j = 0; j < alignment.TypedCount(); ++j)
        extra += alignment.IsExtra(j) ? 1 : 0;
    EXPECT_EQ(claimedTyped + extra, alignment.TypedCount());
}
