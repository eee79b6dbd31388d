// The learner's settings and the remembered player state: eleven integers kept
// in the profile's "Settings" and "State" sections, the dictation drill's three
// in "Drill" and the foot pedal's in "Pedal", read once at start-up and written
// once at a normal exit.
#pragma once

#include "base/CResult.h"

#include <QString>
#include <cstdint>

class CIniProfile;

// The play orders as the profile keeps them: each item in turn to the end of
// the list, the same item again, the list again from its first item.
enum EPlayOrder : std::int32_t { ORDER_IN_TURN = 0, ORDER_REPEAT_ONE = 1, ORDER_REPEAT_LIST = 2 };

class CAppSettings
{
public:
    bool AlwaysTop = false;
    std::int32_t MoveStep = 100;        // milliseconds
    std::int32_t USplitterHigh = 10;    // pixels
    std::int32_t LSplitterWidth = 10;   // pixels
    std::int32_t Order = ORDER_IN_TURN; // any number a profile holds; only the three act
    std::int32_t AutoSave = 0;          // minutes, 0 = off
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
    // Stretches found at the pauses of a recording without any: the shortest pause
    // that cuts, the shortest and the longest stretch (milliseconds).
    std::int32_t MinPauseMs = 300;
    std::int32_t ShortestStretchMs = 1500;
    std::int32_t LongestStretchMs = 12000;
    // The foot pedal: the input device ("vvvv:pppp:name", empty = none), the
    // step back and forward of the left and right pedal, the key codes of the
    // left, middle and right pedal (0 = the device's first three keys in code
    // order), and whether the middle pedal plays only while held (else each
    // press plays or pauses).
    static constexpr std::int32_t kMinPedalStep = 100, kMaxPedalStep = 60000;
    static constexpr std::int32_t kMaxPedalKey = 0x2ff;
    QString PedalDevice;
    std::int32_t PedalStep = 2000; // milliseconds
    std::int32_t PedalLeft = 0;
    std::int32_t PedalMiddle = 0;
    std::int32_t PedalRight = 0;
    bool PedalHold = true;

    // Reads the values; a missing key keeps its default, any stored value
    // other than 0 reads as true for the booleans. Only the drill's passes and
    // gap, the back step and the pedal's step and keys are kept to their ranges.
    void Load(const CIniProfile &profile);

    // Writes the values into the profile (booleans as 0 or 1) and flushes
    // it to disk. The pedal's keys are written once they differ from their
    // defaults or the profile holds them, so that the profile of a learner
    // without a pedal stays as it was. When the file could not be written the
    // old profile stays whole and the result names the file and the cause.
    CResult Save(CIniProfile &profile) const;
};
