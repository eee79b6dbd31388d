// Time display shared by every time shown to the learner.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// "%M:%S" of a count of whole seconds: minutes and seconds, two digits each,
// whole hours dropped (3725 s gives "02:05").
QString FormatMinSec(std::uint32_t seconds);

// The same of a time in milliseconds, whole seconds only (61 500 ms gives "01:01").
QString FormatMinSecOfMs(std::uint32_t milliseconds);

// A timestamp for the transcript, whole seconds: "[mm:ss]", or "[h:mm:ss]"
// from an hour on (3 723 000 ms gives "[1:02:03]").
QString FormatTimestamp(std::uint32_t milliseconds);

// The time of the timestamp that the character at index of the text belongs
// to (its brackets included), in milliseconds; none when there is none there.
// Reads what FormatTimestamp writes, and minutes past 59 without hours.
std::optional<std::uint32_t> TimestampAt(const QString &text, qsizetype index);
