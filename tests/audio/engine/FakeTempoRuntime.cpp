// A stand-in for the tempo add-on: wraps a channel as handle + 1000 and
// records calls in the fake main library it imports.
#include "FakeRuntimeState.h"

#include <cstdio>

extern "C" {

#ifndef FAKE_OMIT_BASS_FX_TempoCreate
HSTREAM BASS_FX_TempoCreate(DWORD chan, DWORD flags)
{
    char text[64];
    std::snprintf(text, sizeof text, "BASS_FX_TempoCreate(%u,%#x)", chan, flags);
    FakeRuntimeLog(text);
    return FakeRuntimeState()->bTempoFails ? 0 : chan + 1000;
}
#endif

BOOL BASS_FX_TempoSet(DWORD chan, float tempo, float rate, float pitch)
{
    char text[96];
    std::snprintf(text, sizeof text, "BASS_FX_TempoSet(%u,%g,%g,%g)", chan, tempo, rate, pitch);
    FakeRuntimeLog(text);
    return chan > 1000 ? 1 : 0;
}

} // extern "C"
