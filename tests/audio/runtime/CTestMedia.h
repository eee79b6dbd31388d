// Test media made on the fly with sox, espeak-ng, ffmpeg and the formats' reference
// encoders in a temporary folder, once per test program, plus a small tracker module
// from tests/data/audio (four channels, one looped square-wave note for one pattern).
#pragma once

#include <string>
#include <vector>

class CTestMedia
{
public:
    // The folder holding every generated file (made on first use).
    static const std::string &Folder();
    // Path of name inside Folder(), generating it on first use. Names:
    // tone.wav (3 s, 440 Hz, mono 44.1 kHz), sweep.wav (3 s, 100 Hz to 4 kHz), speech.wav
    // (3 s of espeak-ng, stereo, ending on a beep), and any of them as .mp3 .ogg .opus
    // .flac .m4a .aiff .wma .mp2, .mp4 (AAC), .webm (Opus), .mka (Vorbis), .ts (AAC), .caf (ALAC)
    // by FFmpeg, as "-vorbis.webm" or "-mp2.ts" with another codec in the same container,
    // or as "-ref" .ogg .opus .flac .mp3 by oggenc,
    // opusenc, flac and lame (speech-ref.ogg); vbr.mp3 (the sweep in VBR without a Xing
    // header), long.wav (10 s, 440 Hz), tone22k.wav (tone.wav at 22.05 kHz), short.wav
    // (0.3 s), stereo.wav, song.mod, damaged.mp3, text.mp3, noise.wav (5 s, repeatable white
    // noise, below 0.4 inside 2-3 s, 2.2 times as loud outside), halftone.wav (5 s, 440.5 Hz: whole seconds apart, its
    // phases are opposite). tagged.mp3 and spaced.mp3: 5 s at 64 kbit/s, track "Lesson 1" by "Speaker", and "Lesson  2"
    // (two spaces) by "Reader"; tagged.opus: 3 s in Ogg, "Lektion 3 – Übung" by "Sprecherin". chained.ogg:
    // sweep-ref.ogg and speech-ref.ogg one after the other; late.ts: speech.ts whose first three PES headers carry no
    // timestamp.
    static std::string Path(const std::string &name);
};
