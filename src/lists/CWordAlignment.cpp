#include "lists/CWordAlignment.h"

#include <dtl/dtl.hpp>

#include <QHash>
#include <algorithm>
#include <unordered_map>

namespace
{

using Ids = std::vector<int>;
using Script = std::vector<signed char>;

constexpr signed char kCommon = dtl::SES_COMMON;
constexpr signed char kRemove = dtl::SES_DELETE;
constexpr signed char kInsert = dtl::SES_ADD;

// Most pieces a typed word may be split into, or reference words joined into.
constexpr int kMaxJoined = 3;

// Most work of one window (see PushWindows): the windows' total work falls as
// they get smaller, so they are made much smaller than one exact alignment
// may be.
constexpr long long kWindowWorkBudget = CWordAlignment::kExactWorkBudget / 8;

struct CRange {
    size_t a0, a1; // reference words [a0, a1)
    size_t b0, b1; // typed words [b0, b1)
};

// Steps the O(NP) search takes at most for n and m words: each of the p
// rounds walks at most n + m diagonals, and p is at most the shorter length.
long long WorstWork(size_t n, size_t m)
{
    return static_cast<long long>(n + m) * static_cast<long long>(std::min(n, m) + 1);
}

// The same words as small numbers, so dtl compares integers.
std::pair<Ids, Ids> NumberKeys(const std::vector<CWord> &reference, const std::vector<CWord> &typed)
{
    QHash<QString, int> numbers;
    numbers.reserve(static_cast<qsizetype>(reference.size() + typed.size()));
    const auto numberAll = [&](const std::vector<CWord> &words) {
        Ids ids;
        ids.reserve(words.size());
        for (const CWord &word : words) {
            auto number = numbers.constFind(word.m_strKey);
            if (number == numbers.cend())
                number = numbers.insert(word.m_strKey, static_cast<int>(numbers.size()));
            ids.push_back(*number);
        }
        return ids;
    };
    Ids a = numberAll(reference);
    return {std::move(a), numberAll(typed)};
}

void AppendExact(const Ids &a, const Ids &b, const CRange &r, Script &out)
{
    if (r.a0 == r.a1 || r.b0 == r.b1) {
        out.insert(out.end(), r.a1 - r.a0, kRemove);
        out.insert(out.end(), r.b1 - r.b0, kInsert);
        return;
    }
    const auto first = [](const Ids &ids, size_t at) { return ids.begin() + static_cast<std::ptrdiff_t>(at); };
    dtl::Diff<int> diff(Ids(first(a, r.a0), first(a, r.a1)), Ids(first(b, r.b0), first(b, r.b1)));
    diff.compose();
    for (const auto &[id, info] : diff.getSes().getSequence())
        out.push_back(static_cast<signed char>(info.type));
}

// Pairs of positions (reference, typed) of words that occur exactly once in
// each side of the range: the longest chain of them in the same order on both
// sides, found as a longest increasing subsequence.
std::vector<std::pair<size_t, size_t>> UniqueAnchors(const Ids &a, const Ids &b, const CRange &r)
{
    struct CSeen {
        int m_nInA = 0, m_nInB = 0;
        size_t m_nPosB = 0;
    };
    std::unordered_map<int, CSeen> seen;
    seen.reserve(r.a1 - r.a0 + r.b1 - r.b0);
    for (size_t i = r.a0; i < r.a1; ++i)
        ++seen[a[i]].m_nInA;
    for (size_t j = r.b0; j < r.b1; ++j) {
        CSeen &entry = seen[b[j]];
        ++entry.m_nInB;
        entry.m_nPosB = j;
    }
    std::vector<std::pair<size_t, size_t>> candidates;
    for (size_t i = r.a0; i < r.a1; ++i)
        if (const CSeen &entry = seen[a[i]]; entry.m_nInA == 1 && entry.m_nInB == 1)
            candidates.emplace_back(i, entry.m_nPosB);

    // Patience sorting: tails[k] ends the best chain of length k + 1 found.
    std::vector<size_t> tails, previous(candidates.size());
    for (size_t c = 0; c < candidates.size(); ++c) {
        const auto at = std::lower_bound(tails.begin(), tails.end(), candidates[c].second,
                                         [&](size_t t, size_t posB) { return candidates[t].second < posB; });
        previous[c] = at == tails.begin() ? candidates.size() : *(at - 1);
        if (at == tails.end())
            tails.push_back(c);
        else
            *at = c;
    }
    std::vector<std::pair<size_t, size_t>> chain;
    for (size_t c = tails.empty() ? candidates.size() : tails.back(); c < candidates.size(); c = previous[c])
        chain.push_back(candidates[c]);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

// A piece of the texts to align, or matched pairs to write.
struct CTask {
    CRange m_range;
    size_t m_nCommons; // when non-zero: that many matched pairs to write
};

// Cuts a piece too large to align exactly and with no word to cut it at into
// windows at the same proportions of both sides, each small enough to align
// exactly, and pushes them (last first). Words cannot be matched across the
// windows' edges: an approximation that keeps the work linear.
void PushWindows(const CRange &r, std::vector<CTask> &stack)
{
    const size_t n = r.a1 - r.a0, m = r.b1 - r.b0;
    size_t windows = 2;
    while (WorstWork(n / windows + 1, m / windows + 1) > kWindowWorkBudget)
        windows *= 2;
    for (size_t w = windows; w > 0; --w)
        stack.push_back({{r.a0 + n * (w - 1) / windows, r.a0 + n * w / windows, r.b0 + m * (w - 1) / windows,
                          r.b0 + m * w / windows},
                         0});
}

// The script of the whole texts, aligning each piece exactly when it fits
// the budget and cutting it at unique common words otherwise. Pieces wait on
// a stack (not in recursion), so no text is deep enough to overflow it.
Script CutScript(const Ids &a, const Ids &b, bool &bounded)
{
    Script out;
    std::vector<CTask> stack{{{0, a.size(), 0, b.size()}, 0}};
    while (!stack.empty()) {
        CTask task = stack.back();
        stack.pop_back();
        if (task.m_nCommons > 0) {
            out.insert(out.end(), task.m_nCommons, kCommon);
            continue;
        }
        CRange r = task.m_range;
        while (r.a0 < r.a1 && r.b0 < r.b1 && a[r.a0] == b[r.b0]) {
            out.push_back(kCommon);
            ++r.a0, ++r.b0;
        }
        size_t suffix = 0;
        while (r.a0 < r.a1 && r.b0 < r.b1 && a[r.a1 - 1] == b[r.b1 - 1])
            --r.a1, --r.b1, ++suffix;
        if (suffix > 0)
            stack.push_back({{}, suffix});
        if (WorstWork(r.a1 - r.a0, r.b1 - r.b0) <= CWordAlignment::kExactWorkBudget) {
            AppendExact(a, b, r, out);
            continue;
        }
        const auto anchors = UniqueAnchors(a, b, r);
        if (anchors.empty()) {
            bounded = true;
            PushWindows(r, stack);
            continue;
        }
        // Pushed last piece first, so they come off the stack in order.
        CRange after{anchors.back().first + 1, r.a1, anchors.back().second + 1, r.b1};
        for (auto anchor = anchors.rbegin(); anchor != anchors.rend(); ++anchor) {
            stack.push_back({after, 0});
            stack.push_back({{}, 1});
            const auto next = std::next(anchor);
            const size_t a0 = next == anchors.rend() ? r.a0 : next->first + 1;
            const size_t b0 = next == anchors.rend() ? r.b0 : next->second + 1;
            after = {a0, anchor->first, b0, anchor->second};
        }
        stack.push_back({after, 0});
    }
    return out;
}

QString JoinedKeys(const std::vector<CWord> &words, const std::vector<int> &indices, size_t first, size_t count)
{
    QString joined;
    for (size_t k = first; k < first + count; ++k)
        joined += words[static_cast<size_t>(indices[k])].m_strKey;
    return joined;
}

// How many of the words at indices[from...] joined make key; 0 when no two
// or more (up to kMaxJoined) do.
size_t CountJoiningTo(const QString &key, const std::vector<CWord> &words, const std::vector<int> &indices, size_t from)
{
    for (size_t count = 2; count <= kMaxJoined && from + count <= indices.size(); ++count)
        if (JoinedKeys(words, indices, from, count) == key)
            return count;
    return 0;
}

} // namespace

CWordAlignment::CWordAlignment(const std::vector<CWord> &reference, const std::vector<CWord> &typed)
    : m_reference(reference.size(), {EWordVerdict::missing, -1, 0}), m_extra(typed.size(), true),
      m_referenceBefore(typed.size(), -1)
{
    const auto [a, b] = NumberKeys(reference, typed);
    ApplyScript(ScriptOf(a, b), reference, typed);
}

CWordAlignment::Script CWordAlignment::ScriptOf(const std::vector<int> &reference, const std::vector<int> &typed)
{
    bool bounded = false;
    Script script = CutScript(reference, typed, bounded);
    const size_t n = reference.size(), m = typed.size();
    if (WorstWork(n, m) > kExactWorkBudget) {
        // The cut script is an edit script, so its length bounds the exact
        // one's: changes = |n - m| + 2p.
        const auto changes = static_cast<long long>(
            std::count_if(script.cbegin(), script.cend(), [](signed char edit) { return edit != kCommon; }));
        const long long p = (changes - std::llabs(static_cast<long long>(n) - static_cast<long long>(m))) / 2;
        if (static_cast<long long>(n + m) * (p + 1) <= kExactWorkBudget) {
            script.clear();
            AppendExact(reference, typed, {0, n, 0, m}, script);
            bounded = false;
        }
    }
    m_bBounded = bounded;
    return script;
}

void CWordAlignment::ApplyScript(const Script &script, const std::vector<CWord> &reference,
                                 const std::vector<CWord> &typed)
{
    int nextReference = 0, nextTyped = 0, changeBefore = -1;
    std::vector<int> removed, inserted;
    const auto settleChange = [&] {
        if (!removed.empty() || !inserted.empty())
            ResolveChange(removed, inserted, changeBefore, reference, typed);
        removed.clear();
        inserted.clear();
    };
    for (const signed char edit : script) {
        if (edit == kCommon) {
            settleChange();
            m_reference[static_cast<size_t>(nextReference)] = {EWordVerdict::correct, nextTyped, 1};
            m_extra[static_cast<size_t>(nextTyped)] = false;
            m_referenceBefore[static_cast<size_t>(nextTyped++)] = nextReference;
            changeBefore = nextReference++;
        } else if (edit == kRemove) {
            removed.push_back(nextReference++);
        } else {
            inserted.push_back(nextTyped++);
        }
    }
    settleChange();
}

void CWordAlignment::ResolveChange(const std::vector<int> &removed, const std::vector<int> &inserted, int before,
                                   const std::vector<CWord> &reference, const std::vector<CWord> &typed)
{
    size_t i = 0, j = 0;
    const auto claim = [&](size_t typedCount, int referenceIndex) {
        for (size_t k = j; k < j + typedCount; ++k) {
            m_extra[static_cast<size_t>(inserted[k])] = false;
            m_referenceBefore[static_cast<size_t>(inserted[k])] = referenceIndex;
        }
    };
    while (i < removed.size() && j < inserted.size()) {
        const CWord &referenceWord = reference[static_cast<size_t>(removed[i])];
        const CWord &typedWord = typed[static_cast<size_t>(inserted[j])];
        if (const size_t pieces = CountJoiningTo(referenceWord.m_strKey, typed, inserted, j); pieces > 0) {
            m_reference[static_cast<size_t>(removed[i])] = {EWordVerdict::correct, inserted[j],
                                                            static_cast<int>(pieces)};
            claim(pieces, removed[i]);
            before = removed[i++];
            j += pieces;
        } else if (const size_t joined = CountJoiningTo(typedWord.m_strKey, reference, removed, i); joined > 0) {
            for (size_t k = i; k < i + joined; ++k)
                m_reference[static_cast<size_t>(removed[k])] = {EWordVerdict::correct, inserted[j], 1};
            i += joined;
            before = removed[i - 1];
            claim(1, before);
            ++j;
        } else {
            m_reference[static_cast<size_t>(removed[i])] = {EWordVerdict::wrong, inserted[j], 1};
            claim(1, removed[i]);
            before = removed[i++];
            ++j;
        }
    }
    // Reference words left over stay missing, as they were made.
    for (; j < inserted.size(); ++j)
        m_referenceBefore[static_cast<size_t>(inserted[j])] = before;
}
