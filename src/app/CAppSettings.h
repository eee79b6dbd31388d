// The learner's settings and the remembered player state: eleven integers kept
// in the profile's "Settings" and "State" sections, and the dictation drill's
// three in "Drill", read once at start-up and written once at a normal exit.
#pragma once

#include "base/CResult.h"

#include <cstdint>

class CIniProfile;

class CAppSettings
{
public:
    bool AlwaysTop = false;
    std::int32_t MoveStep = 100;      // milliseconds
    std::int32_t USplitterHigh = 10;  // pixels
    std::int32_t LSplitterWidth = 10; // pixels
    std::int32_t Order = 0;           // 0 in order, 1 repeat one, 2 repeat all
    std::int32_t AutoSave = 0;        // minutes, 0 = off
    std::int32_t PlaylistIndex = 0;
    bool MinimizeToTray = false;
    static constexpr std::int32_t kMaxBackStep = 10;
    std::int32_t BackStep = 0; // seconds played again on resuming after a pause (0-10)
    std::int32_t Volume = 50;
    bool Mute = false;
    // The dictation drill: running, passes per selection (1-9), seconds of
    // silence after each pass (0-10).
    bool DrillOn = false;
    std::int32_t DrillPasses = 2;
    std::int32_t DrillGap = 3;

    // Reads the values; a missing key keeps its default, any stored value
    // other than 0 reads as true for the booleans. Only the drill's passes and
    // gap and the back step are kept to their ranges.
    void Load(const CIniProfile &profile);

    // Writes the values into the profile (booleans as 0 or 1) and flushes
    // it to disk. When the file could not be written the old profile stays
    // whole and the result names the file and the cause.
    CResult Save(CIniProfile &profile) const;
};
