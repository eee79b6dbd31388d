// Functions the main library exports for its tempo add-on only (not part of the public
// interface): the add-on hands over a time stretcher and the main library runs it.
#pragma once

#include "AudioApi.h"

class CTimeStretch;

extern "C" {
// Takes ownership of stretch whatever the result; returns the tempo channel or 0.
QUILLMERE_AUDIO_EXPORT HSTREAM QuillmereAudio_WrapWithStretch(DWORD source, DWORD flags, CTimeStretch *stretch);
QUILLMERE_AUDIO_EXPORT BOOL QuillmereAudio_SetTempo(DWORD channel, float tempo, float rate, float pitch);
}
