// The reference text a learner's transcript is checked against, as stretches
// of the recording, each with the words said in it. Read from the text of an
// .lrc (one stretch per selection row) or, when no .lrc has text, from the
// subtitles beside the recording (CSubtitleFile), else from a plain text file
// named like the recording, which covers the whole recording.
#pragma once

#include "lists/CLrcFile.h"

#include <QString>
#include <cstdint>
#include <vector>

// A stretch of the recording and the words said in it.
struct CReferenceStretch {
    std::uint32_t m_dwStartMs;
    std::uint32_t m_dwEndMs;
    QString m_strText;
    friend bool operator==(const CReferenceStretch &, const CReferenceStretch &) = default;
};

class CReferenceText
{
public:
    // Row i of the selection rows with text i of the .lrc; rows without a
    // text (a store holding more files than the text came from) get none.
    static std::vector<CReferenceStretch> FromRows(const std::vector<CSelectionSpan> &rows,
                                                   const std::vector<CTimedText> &lines);

    // The text of the .lrc at lrcPath as stretches, the last running to the
    // media's length, as SelectionsFromTags makes the rows. Empty when the
    // file cannot be read or has no time tags.
    static std::vector<CReferenceStretch> FromLrcFile(const QString &lrcPath, std::uint32_t mediaLengthMs);

    // The plain text file beside the recording ("lesson.mp3" → "lesson.txt"),
    // decoded like an .lrc, as one stretch over the whole recording. Empty
    // when there is no such file or it cannot be read.
    static std::vector<CReferenceStretch> FromPlainTextFile(const QString &mediaPath, std::uint32_t mediaLengthMs);

    // The .lrc's stretches when any of them has text, else the cues of the
    // subtitle file beside the recording, else the plain text file's. Empty when none gives text: there is
    // nothing to check.
    static std::vector<CReferenceStretch> ForRecording(const QString &lrcPath, const QString &mediaPath,
                                                       std::uint32_t mediaLengthMs);

    // True when at least one stretch has some text that is not blank.
    static bool HasText(const std::vector<CReferenceStretch> &stretches);

    // The path of the plain text file for a recording.
    static QString PlainTextPathFor(const QString &mediaPath);
};
