// The exported entry points of the tempo add-on: a SoundTouch stretcher handed to the
// main library, which runs it inside the channel.
#include "../AudioApi.h"
#include "../RuntimeHooks.h"
#include "CSoundTouchStretch.h"

extern "C" {

HSTREAM BASS_FX_TempoCreate(DWORD chan, DWORD flags)
{
    return QuillmereAudio_WrapWithStretch(chan, flags, std::make_unique<CSoundTouchStretch>().release());
}

BOOL BASS_FX_TempoSet(DWORD chan, float tempo, float rate, float pitch)
{
    return QuillmereAudio_SetTempo(chan, tempo, rate, pitch);
}

} // extern "C"
