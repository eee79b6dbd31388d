// What the learner's checks of a recording came to, kept from one session to the
// next: a file per recording in the learner's data folder, each check with its date,
// its score and, per stretch, the score and the hints taken. A damaged file is set
// aside (renamed with ".damaged") and the recording starts afresh.
#pragma once

#include "base/CResult.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

struct SStretchProgress {
    std::uint32_t dwStartMs = 0;
    std::uint32_t dwEndMs = 0;
    std::optional<int> percent; // none: not attempted
    int nHints = 0;
    bool operator==(const SStretchProgress &) const = default;
};

struct SCheckRecord {
    QDateTime when;
    std::optional<int> percent; // over the attempted stretches
    std::vector<SStretchProgress> stretches;
    bool operator==(const SCheckRecord &) const = default;
};

class CProgressStore
{
public:
    // The checks kept per recording; older ones give way.
    static constexpr int kKeptChecks = 50;

    // Files in folder; empty: $XDG_DATA_HOME/quillmere/progress.
    explicit CProgressStore(const QString &folder = QString());

    // The checks kept for the recording, oldest first. A file that cannot be read
    // as progress is set aside and gives none; problem then says so.
    std::vector<SCheckRecord> Load(const QString &mediaPath, QString *problem = nullptr) const;
    // Adds a check to the recording's file, written whole or not at all.
    CResult Append(const QString &mediaPath, const SCheckRecord &record) const;

    // The file that holds a recording's checks.
    QString FileFor(const QString &mediaPath) const;

private:
    QString m_strFolder;
};
