// Checks a learner's transcript against the reference text, stretch by
// stretch: every reference word belongs to its stretch and is correct, wrong
// or missing (see CWordAlignment); an extra typed word belongs to the stretch
// of the reference word it stands after, or of the first one when it stands
// before all. Stretches after the last one with a correct word are not
// attempted yet and stay out of the totals, so a learner halfway through a
// lesson sees a fair score. Reads the transcript, writes nothing.
#pragma once

#include "lists/CReferenceText.h"
#include "lists/CWordAlignment.h"
#include "lists/CWordList.h"

#include <QString>
#include <memory>
#include <optional>
#include <vector>

// Word counts of one stretch, or of all attempted stretches together.
struct CCheckCounts {
    int m_nReference = 0; // reference words
    int m_nCorrect = 0;
    int m_nWrong = 0;
    int m_nMissing = 0;
    int m_nExtra = 0; // typed words no reference word claims
    // Correct ÷ reference words as a whole percent, rounded half up; none
    // when there are no reference words.
    std::optional<int> Percent() const;
    friend bool operator==(const CCheckCounts &, const CCheckCounts &) = default;
};

class CDictationCheck
{
public:
    CDictationCheck(const std::vector<CReferenceStretch> &stretches, const QString &transcript);

    // False when the reference has no word at all (an .lrc with times only):
    // there is nothing to score.
    bool HasReferenceWords() const { return !m_referenceWords.empty(); }

    int StretchCount() const { return static_cast<int>(m_stretchCounts.size()); }
    const CCheckCounts &StretchCounts(int stretch) const { return m_stretchCounts.at(static_cast<size_t>(stretch)); }
    // Stretches from the first up to the last with a correct word; none when
    // no word is correct.
    int AttemptedCount() const { return m_nAttempted; }
    bool IsAttempted(int stretch) const { return stretch < m_nAttempted; }
    // The sums over the attempted stretches.
    const CCheckCounts &Totals() const { return m_totals; }

    // The words behind the counts, for a report: the reference words of all
    // stretches in order, the stretch each belongs to, the typed words, and
    // how they were aligned. A word's m_nStart indexes its own stretch's text
    // (reference) or the transcript (typed).
    const std::vector<CWord> &ReferenceWords() const { return m_referenceWords; }
    int StretchOfReferenceWord(int index) const { return m_stretchOfWord.at(static_cast<size_t>(index)); }
    int StretchOfTypedWord(int index) const;
    const std::vector<CWord> &TypedWords() const { return m_typedWords; }
    const CWordAlignment &Alignment() const { return *m_alignment; }

private:
    void SplitReference(const std::vector<CReferenceStretch> &stretches);
    void CountStretches();
    void CountTotals();

    std::vector<CWord> m_referenceWords;
    std::vector<int> m_stretchOfWord;
    std::vector<CWord> m_typedWords;
    std::unique_ptr<CWordAlignment> m_alignment;
    std::vector<CCheckCounts> m_stretchCounts;
    int m_nAttempted = 0;
    CCheckCounts m_totals;
};
