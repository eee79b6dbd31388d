// Saves stretches of a recording, with their text where they have one, as an
// .lrc that CLrcFile (and other players) read back to the same rows.
//
// An .lrc holds start times only: the reader runs each row to the next tag and
// the last to the recording's end. So an end survives only as a tag of its
// own: a gap before the next row, or a last row ending before the recording
// does, gets a line with a tag and no text, which the reader turns into a row
// without text. Such a line is left out when its tag would fall on the next
// start (or the recording's end) or later, where it would make a row of no
// length; overlapping rows come back ending at the next row's start.
//
// Times are rounded to the nearest hundredth of a second (5 ms upward), so
// rows whose times are whole hundredths come back exactly. The file is UTF-8
// with a byte-order mark and CR LF line ends: the mark lets players that
// otherwise take the locale's code page recognise UTF-8, and this program's
// reader skips it.
#pragma once

#include "base/CResult.h"
#include "lists/CReferenceText.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

class CLrcWriter
{
public:
    // The latest time a tag holds, [99:99.99]: the reader takes two digits
    // for the minutes and accepts seconds past 59.
    static constexpr std::uint32_t kLatestTimeMs = 6039990;

    // The file's bytes for the rows (sorted by start here, equal starts kept in
    // order). A text's line ends become spaces and its square brackets round
    // ones, since the reader would take a "[" for the start of a tag. Nothing
    // when a tag would lie past kLatestTimeMs.
    static std::optional<QByteArray> ToBytes(std::vector<CReferenceStretch> rows, std::uint32_t mediaLengthMs);

    // Writes the rows to path, replacing the file whole or not at all. An
    // existing file is first copied to BackupPathFor(path), replacing an older
    // backup; when that copy fails nothing is replaced. A failure names the
    // file it concerns.
    static CResult Save(const QString &path, const std::vector<CReferenceStretch> &rows, std::uint32_t mediaLengthMs);

    // True when a file (that a save would replace) exists at path.
    static bool Exists(const QString &path);

    // "lesson.lrc.bak" for "lesson.lrc".
    static QString BackupPathFor(const QString &path);
};
