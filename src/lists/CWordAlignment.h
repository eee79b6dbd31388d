// A minimum-edit alignment of the words a learner typed against the words of
// the reference, by their keys (see CWordList). Each reference word ends up
// correct, wrong (replaced by typed words) or missing; each typed word that
// no reference word claims is extra.
//
// Within an edit script's change (the deletions and insertions standing
// together between two matched words) the words are paired in order: a
// reference word whose key is the keys of the next two or three typed words
// joined ("sometimes" typed as "some times") is correct, and so are two or
// three reference words whose joined keys are the next typed word ("some
// times" typed as "sometimes"); otherwise one reference word and one typed
// word make a wrong pair. Reference words left over are missing, typed words
// left over are extra.
//
// The script is dtl's O(NP) minimum-edit script whenever its work, about
// (words of both texts) × (deletions from the shorter), stays under a budget.
// Texts too far apart for that are first cut at words that occur exactly once
// in each (the longest chain of them in the same order) and each piece is
// aligned alone the same way; a piece still too large with no such word is
// cut into windows at the same proportions of both sides, each aligned
// exactly, and IsBounded says so. After cutting,
// the cut script's length bounds the exact work, and when that fits the budget
// the exact script replaces it, so texts that mostly agree always get a true
// minimum-edit alignment.
#pragma once

#include "lists/CWordList.h"

#include <vector>

enum class EWordVerdict { correct, wrong, missing };

// What became of one reference word.
struct CReferenceVerdict {
    EWordVerdict m_verdict;
    int m_nFirstTyped; // the typed words it was matched with or replaced by;
    int m_nTypedCount; // none when missing (then m_nFirstTyped is -1)
};

class CWordAlignment
{
public:
    // Most work (steps of the O(NP) search) one exact alignment may take.
    static constexpr long long kExactWorkBudget = 20'000'000;

    CWordAlignment(const std::vector<CWord> &reference, const std::vector<CWord> &typed);

    int ReferenceCount() const { return static_cast<int>(m_reference.size()); }
    int TypedCount() const { return static_cast<int>(m_extra.size()); }
    const CReferenceVerdict &ReferenceAt(int index) const { return m_reference.at(static_cast<size_t>(index)); }
    bool IsExtra(int typedIndex) const { return m_extra.at(static_cast<size_t>(typedIndex)); }
    // The reference word a typed word stands after in the alignment; -1 when
    // it stands before the first.
    int ReferenceBefore(int typedIndex) const { return m_referenceBefore.at(static_cast<size_t>(typedIndex)); }
    // True when some part was too far apart to align exactly (see above).
    bool IsBounded() const { return m_bBounded; }

private:
    // An edit script in dtl's edit types: common (a matched pair), delete (a
    // reference word), add (a typed word).
    using Script = std::vector<signed char>;

    Script ScriptOf(const std::vector<int> &reference, const std::vector<int> &typed);
    void ApplyScript(const Script &script, const std::vector<CWord> &reference, const std::vector<CWord> &typed);
    // Settles one change: the reference words removed and typed words
    // inserted between two matched pairs, after reference word before.
    void ResolveChange(const std::vector<int> &removed, const std::vector<int> &inserted, int before,
                       const std::vector<CWord> &reference, const std::vector<CWord> &typed);

    std::vector<CReferenceVerdict> m_reference;
    std::vector<bool> m_extra;
    std::vector<int> m_referenceBefore;
    bool m_bBounded = false;
};
