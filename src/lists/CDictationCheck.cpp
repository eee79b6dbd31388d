#include "lists/CDictationCheck.h"

std::optional<int> CCheckCounts::Percent() const
{
    if (m_nReference == 0)
        return std::nullopt;
    const long long scaled = 200LL * m_nCorrect + m_nReference;
    return static_cast<int>(scaled / (2LL * m_nReference));
}

CDictationCheck::CDictationCheck(const std::vector<CReferenceStretch> &stretches, const QString &transcript)
    : m_typedWords(CWordList::Split(transcript)), m_stretchCounts(stretches.size())
{
    SplitReference(stretches);
    m_alignment = std::make_unique<CWordAlignment>(m_referenceWords, m_typedWords);
    CountStretches();
    CountTotals();
}

void CDictationCheck::SplitReference(const std::vector<CReferenceStretch> &stretches)
{
    for (size_t stretch = 0; stretch < stretches.size(); ++stretch) {
        std::vector<CWord> words = CWordList::Split(stretches[stretch].m_strText);
        m_stretchOfWord.insert(m_stretchOfWord.end(), words.size(), static_cast<int>(stretch));
        m_referenceWords.insert(m_referenceWords.end(), std::make_move_iterator(words.begin()),
                                std::make_move_iterator(words.end()));
    }
}

int CDictationCheck::StretchOfTypedWord(int index) const
{
    if (m_referenceWords.empty())
        return -1;
    const int before = m_alignment->ReferenceBefore(index);
    return StretchOfReferenceWord(before < 0 ? 0 : before);
}

void CDictationCheck::CountStretches()
{
    for (int i = 0; i < m_alignment->ReferenceCount(); ++i) {
        CCheckCounts &counts = m_stretchCounts[static_cast<size_t>(StretchOfReferenceWord(i))];
        ++counts.m_nReference;
        switch (m_alignment->ReferenceAt(i).m_verdict) {
        case EWordVerdict::correct:
            ++counts.m_nCorrect;
            m_nAttempted = std::max(m_nAttempted, StretchOfReferenceWord(i) + 1);
            break;
        case EWordVerdict::wrong: ++counts.m_nWrong; break;
        case EWordVerdict::missing: ++counts.m_nMissing; break;
        }
    }
    for (int j = 0; j < m_alignment->TypedCount(); ++j)
        if (m_alignment->IsExtra(j) && !m_referenceWords.empty())
            ++m_stretchCounts[static_cast<size_t>(StretchOfTypedWord(j))].m_nExtra;
}

void CDictationCheck::CountTotals()
{
    for (int stretch = 0; stretch < m_nAttempted; ++stretch) {
        const CCheckCounts &counts = m_stretchCounts[static_cast<size_t>(stretch)];
        m_totals.m_nReference += counts.m_nReference;
        m_totals.m_nCorrect += counts.m_nCorrect;
        m_totals.m_nWrong += counts.m_nWrong;
        m_totals.m_nMissing += counts.m_nMissing;
        m_totals.m_nExtra += counts.m_nExtra;
    }
}
