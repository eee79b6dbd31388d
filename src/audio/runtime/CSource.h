// A decoder feeding one channel: interleaved stereo float frames at the source's own
// rate, with frame-exact seeking and a length in frames.
#pragma once

#include <cstdint>

class CSource
{
public:
    virtual ~CSource() = default;

    // Fills up to frames stereo frames; returns how many, 0 at the end.
    virtual int Read(float *out, int frames) = 0;
    // The next Read starts exactly at frame; false when the frame lies beyond the end.
    virtual bool Seek(int64_t frame) = 0;
    virtual int64_t LengthFrames() const = 0;
    virtual int Rate() const = 0;
    // Channels of the file itself (positions count bytes of 16-bit samples in that layout).
    virtual int FileChannels() const = 0;
};
