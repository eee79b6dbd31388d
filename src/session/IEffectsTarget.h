// Where the effects panel sends what the learner sets: tempo, rate and pitch
// together, and the equaliser bands and the reverb one at a time, in the
// panel's own units. The player control bar passes them to the engine.
#pragma once

#include <cstdint>

// One change of the tempo stage: tempo in percent (-60..+60), sample rate in
// hertz, pitch in semitones (-15..+15).
struct STempoChange {
    std::int32_t nTempo = 0;
    std::int32_t nRate = 0;
    std::int32_t nPitch = 0;

    bool operator==(const STempoChange &) const = default;
};

class IEffectsTarget
{
public:
    virtual ~IEffectsTarget() = default;

    // True when the change was applied, which happens only while an item plays.
    virtual bool SetTempo(const STempoChange &change) = 0;
    // kind: 0 band 125 Hz, 1 band 1 kHz, 2 band 8 kHz, 3 reverb; value: the slider's 0..20.
    virtual void SetEffect(unsigned kind, int value) = 0;
};
