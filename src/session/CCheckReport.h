// What a check of the transcript against the reference came to, ready to be shown:
// per stretch its times, its score, the score of the previous check and the hints
// taken, and its reference words with their marks (and the typed words that went
// wrong or were extra); at the top the totals over the attempted stretches.
#pragma once

#include "lists/CDictationCheck.h"
#include "lists/CProgressStore.h"
#include "lists/CReferenceText.h"

#include <QString>
#include <map>
#include <optional>
#include <vector>

struct SMarkedWord {
    enum class EMark { Correct, Wrong, Missing, Extra };
    EMark eMark = EMark::Correct;
    QString strWord;  // the reference word; the typed word when extra
    QString strTyped; // what was typed instead of a wrong word
    bool operator==(const SMarkedWord &) const = default;
};

struct SReportStretch {
    std::uint32_t dwStartMs = 0;
    std::uint32_t dwEndMs = 0;
    bool bAttempted = false;
    std::optional<int> percent;  // none when not attempted or without words
    std::optional<int> previous; // of the same stretch at the previous check
    int nHints = 0;
    std::vector<SMarkedWord> words;
};

struct SCheckReport {
    std::vector<SReportStretch> stretches;
    CCheckCounts totals; // over the attempted stretches
    int nHints = 0;
    std::optional<int> previousPercent;

    // The check as the progress file keeps it.
    SCheckRecord Record(const QDateTime &when) const;
};

// hints: taken per stretch index since the last check; previous: the checks before.
SCheckReport BuildCheckReport(const std::vector<CReferenceStretch> &reference, const CDictationCheck &check,
                              const std::map<int, int> &hints, const std::vector<SCheckRecord> &previous);
