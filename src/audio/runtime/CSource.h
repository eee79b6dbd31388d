// A decoder feeding one channel: interleaved stereo float frames at the source's own
// rate, with frame-exact seeking and a length in frames.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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
    // What the file tells of itself, read at open and never changed: "key=value"
    // strings (title, artist, bitrate in bits per second), each ending in a NUL; the
    // string's own terminating NUL ends the series.
    const std::string &Tags() const { return m_tags; }

protected:
    // Adds key=value to the tags; an empty value is left out.
    void AddTag(std::string_view key, std::string_view value)
    {
        if (value.empty())
            return;
        m_tags.append(key).append(1, '=').append(value).append(1, '\0');
    }

private:
    std::string m_tags;
};
