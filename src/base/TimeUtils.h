// Time display shared by every time shown to the learner.
#pragma once

#include <QString>
#include <cstdint>

// "%M:%S" of a count of whole seconds: minutes and seconds, two digits each,
// whole hours dropped (3725 s gives "02:05").
QString FormatMinSec(std::uint32_t seconds);

// The same of a time in milliseconds, whole seconds only (61 500 ms gives "01:01").
QString FormatMinSecOfMs(std::uint32_t milliseconds);
