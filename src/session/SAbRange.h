// The A-B stretch the learner loops, in milliseconds, and whether it holds.
// Without it playback runs over the whole item; the bounds then span the item.
#pragma once

#include <cstdint>

struct SAbRange {
    std::uint32_t dwStart = 0;
    std::uint32_t dwEnd = 0;
    bool bActive = false;

    // The runtime can hold it at the sample: it runs forward.
    bool RunsForward() const { return bActive && dwStart < dwEnd; }
    // A held stretch that the position has left.
    bool Leaves(std::uint32_t position) const { return bActive && (position > dwEnd || position < dwStart); }
    bool operator==(const SAbRange &) const = default;
};
