// Cuts a recording into stretches at the pauses of its speech, from its level
// envelope alone.
//
// Low level is judged against the recording's own loudness: the noise floor
// is the 10th percentile of the windows' RMS in dB, the speech level the 90th,
// and a window is low when it lies below the floor plus 30 % of the distance
// between the two. A recording whose two levels lie less than 6 dB apart has
// no pauses. Scaling a recording therefore moves the floor, the speech level
// and the threshold alike and finds the same stretches.
//
// A pause is a run of low windows at least the minimum pause long. The speech
// runs between pauses become stretches by these rules, in this order:
// - a run shorter than the shortest stretch joins the neighbour across the
//   shorter of its two pauses (the earlier one when both are as long, the
//   only one at either end), the shortest such run first, until none is left
//   or one run covers everything;
// - a run longer than the longest stretch is cut at its deepest point: the
//   100 ms with the lowest mean level (the first of equals), taken where both
//   parts keep at least the shortest stretch when the run is long enough for
//   that, and widened over the neighbouring windows no louder than the
//   loudest of those 100 ms; then each part again, until none is too long.
// A stretch starts the lead-in before its speech (so the first syllable is
// whole) and ends the tail after it, neither reaching into its neighbour nor
// past the recording.
#pragma once

#include "lists/CLevelEnvelope.h"

#include <vector>

struct CPauseSettings {
    int m_nMinPauseMs = 200;
    int m_nShortestStretchMs = 1500;
    int m_nLongestStretchMs = 12000;
    int m_nLeadInMs = 100;
    int m_nTailMs = 150;
};

struct CFoundStretch {
    int m_nStartMs;
    int m_nEndMs;
    bool operator==(const CFoundStretch &) const = default;
};

class CPauseFinder
{
public:
    explicit CPauseFinder(const CPauseSettings &settings = {});

    // The stretches covering the speech, in order and not overlapping.
    std::vector<CFoundStretch> Find(const CLevelEnvelope &envelope) const;

private:
    CPauseSettings m_settings;
};
