// Test media made on the fly with sox, espeak-ng, ffmpeg and the formats' reference
// encoders in a temporary folder, once per test program, plus a small tracker module
// from tests/data/audio (four channels, one looped square-wave note for one pattern).
#pragma once

#include <string>

class CTestMedia
{
public:
    // The folder holding every generated file (made on first use).
    static const std::string &Folder();
    // Path of name inside Folder(), generating it on first use. Sines at half scale, mono
    // at 44.1 kHz: tone.wav (3 s, 440 Hz), long.wav (10 s), short.wav (0.3 s), stereo.wav
    // (2 s, 440 and 660 Hz), sweep.wav (3 s, 100 Hz to 4 kHz), tone22k.wav and sweep22k.wav
    // (at 22.05 kHz), halftone.wav (5 s, 440.5 Hz: whole seconds apart, its phases are opposite).
    // speech.wav: 3 s of espeak-ng, stereo, ending on a beep. noise.wav: 5 s of repeatable
    // white noise, below 0.4 inside 2-3 s, 2.2 times as loud outside. tone, sweep and speech
    // as .mp3 .ogg .opus .flac .m4a .aiff .wma .mp2, .mp4 (AAC), .webm (Opus), .mka (Vorbis),
    // .ts (AAC), .caf (ALAC) by FFmpeg, as "-vorbis.webm" or "-mp2.ts" with another codec
    // in the same container, or as "-ref" .ogg .opus .flac .mp3 by each format's own
    // encoder. vbr.mp3: the sweep in VBR without a Xing header; chained.ogg: sweep-ref.ogg
    // then speech-ref.ogg; late.ts: speech.ts whose first three PES headers carry no
    // timestamp; changing.mp3: stereo frames, then mono; song.mod, damaged.mp3, text.mp3.
    // tagged.mp3 and spaced.mp3: 5 s at 64 kbit/s, "Lesson 1" by "Speaker" and "Lesson  2"
    // (two spaces) by "Reader".
    static std::string Path(const std::string &name);
};
