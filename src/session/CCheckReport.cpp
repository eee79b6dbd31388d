#include "session/CCheckReport.h"

#include <QStringList>

namespace
{

QString TypedText(const CDictationCheck &check, int first, int count)
{
    QStringList words;
    for (int i = first; i < first + count; ++i)
        words.append(check.TypedWords().at(size_t(i)).m_strSpelling);
    return words.join(u' ');
}

SMarkedWord MarkReferenceWord(const CDictationCheck &check, int index)
{
    const CReferenceVerdict &verdict = check.Alignment().ReferenceAt(index);
    SMarkedWord word{SMarkedWord::EMark::Correct, check.ReferenceWords().at(size_t(index)).m_strSpelling, QString()};
    if (verdict.m_verdict == EWordVerdict::wrong) {
        word.eMark = SMarkedWord::EMark::Wrong;
        word.strTyped = TypedText(check, verdict.m_nFirstTyped, verdict.m_nTypedCount);
    } else if (verdict.m_verdict == EWordVerdict::missing) {
        word.eMark = SMarkedWord::EMark::Missing;
    }
    return word;
}

// The extra typed words, by the reference word they stand after (-1: before all).
std::map<int, std::vector<int>> ExtrasByPlace(const CDictationCheck &check)
{
    std::map<int, std::vector<int>> extras;
    const CWordAlignment &alignment = check.Alignment();
    for (int typed = 0; typed < alignment.TypedCount(); ++typed)
        if (alignment.IsExtra(typed))
            extras[alignment.ReferenceBefore(typed)].push_back(typed);
    return extras;
}

void AddExtras(const CDictationCheck &check, const std::vector<int> &extras, std::vector<SMarkedWord> &words)
{
    for (int typed : extras)
        words.push_back({SMarkedWord::EMark::Extra, check.TypedWords().at(size_t(typed)).m_strSpelling, QString()});
}

// The score a stretch had at the previous check, found by its times.
std::optional<int> PreviousScore(const std::vector<SCheckRecord> &previous, const CReferenceStretch &stretch)
{
    if (previous.empty())
        return std::nullopt;
    for (const SStretchProgress &kept : previous.back().stretches)
        if (kept.dwStartMs == stretch.m_dwStartMs && kept.dwEndMs == stretch.m_dwEndMs)
            return kept.percent;
    return std::nullopt;
}

} // namespace

SCheckReport BuildCheckReport(const std::vector<CReferenceStretch> &reference, const CDictationCheck &check,
                              const std::map<int, int> &hints, const std::vector<SCheckRecord> &previous)
{
    SCheckReport report;
    report.totals = check.Totals();
    report.previousPercent = previous.empty() ? std::nullopt : previous.back().percent;
    for (size_t i = 0; i < reference.size(); ++i) {
        SReportStretch stretch;
        stretch.dwStartMs = reference[i].m_dwStartMs;
        stretch.dwEndMs = reference[i].m_dwEndMs;
        stretch.bAttempted = check.IsAttempted(int(i));
        if (stretch.bAttempted)
            stretch.percent = check.StretchCounts(int(i)).Percent();
        stretch.previous = PreviousScore(previous, reference[i]);
        const auto hint = hints.find(int(i));
        stretch.nHints = hint == hints.end() ? 0 : hint->second;
        report.nHints += stretch.nHints;
        report.stretches.push_back(std::move(stretch));
    }
    const std::map<int, std::vector<int>> extras = ExtrasByPlace(check);
    if (const auto before = extras.find(-1); before != extras.end() && !report.stretches.empty())
        AddExtras(check, before->second, report.stretches.front().words);
    for (int word = 0; word < int(check.ReferenceWords().size()); ++word) {
        std::vector<SMarkedWord> &words = report.stretches.at(size_t(check.StretchOfReferenceWord(word))).words;
        words.push_back(MarkReferenceWord(check, word));
        if (const auto after = extras.find(word); after != extras.end())
            AddExtras(check, after->second, words);
    }
    return report;
}

SCheckRecord SCheckReport::Record(const QDateTime &when) const
{
    SCheckRecord record{when, totals.Percent(), {}};
    for (const SReportStretch &stretch : stretches)
        record.stretches.push_back({stretch.dwStartMs, stretch.dwEndMs, stretch.percent, stretch.nHints});
    return record;
}
