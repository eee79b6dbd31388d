// Decodes a media file through FFmpeg into stereo float frames at the file's rate,
// with sample-exact seeking and an exact length (scanned when the container guesses).
#pragma once

#include "CSource.h"

#include <memory>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

class CFfmpegSource : public CSource
{
public:
    // Opens path (UTF-8); on failure returns null and sets error to a runtime error code.
    static std::unique_ptr<CSource> Open(const std::string &path, int &error);
    ~CFfmpegSource() override;

    int Read(float *out, int frames) override;
    bool Seek(int64_t frame) override;
    int64_t LengthFrames() const override { return m_length; }
    int Rate() const override { return m_rate; }
    int FileChannels() const override { return m_fileChannels; }

private:
    CFfmpegSource() = default;
    int OpenFile(const std::string &path);
    int64_t ScanLength(bool keepIndex);
    // Decodes the next frame into m_pending; false at the end of the file.
    bool DecodeNext();
    int64_t FrameStartOf(const AVFrame *frame) const;
    bool ConvertFrame();
    int64_t CountByDecoding();
    // Frame timestamps place decoded audio exactly, except in indexed files (guessed
    // timestamps) and files decoded forward (several frames share one timestamp).
    bool TrustsTimestamps() const { return m_index.empty() && !m_seekByDecoding; }
    void SeekToFirstPacket();
    void Restart();
    bool SeekFromStart(int64_t frame);
    bool SeekByIndex(int64_t frame, int64_t target);
    void DiscardUntil(int64_t frame);

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_codec = nullptr;
    AVPacket *m_packet = nullptr;
    AVFrame *m_frame = nullptr;
    // What the converter was set up for: channels, sample format and rate of the input.
    struct SConversion {
        int channels = 0;
        int format = -1;
        int rate = 0;
        bool operator==(const SConversion &) const = default;
    };
    SwrContext *m_swr = nullptr;
    SConversion m_swrInput;
    int m_stream = -1;
    int m_rate = 0;
    int m_fileChannels = 0;
    int64_t m_length = 0;
    int64_t m_prerollFrames = 0;
    int64_t m_lastPageFrame = 0;    // first frame read from the last container page
    int64_t m_firstPts = 0;         // timestamp of the first decoded frame: source frame 0
    int64_t m_startPts = INT64_MIN; // of the first packet, once the length scan has seen it
    bool m_seekByDecoding = false;
    bool m_draining = false;
    bool m_atEnd = false;
    struct SIndexEntry {
        int64_t position; // byte offset of a packet
        int64_t frame;    // source frame its audio starts at
    };
    std::vector<SIndexEntry> m_index; // files whose timestamps are only estimates
    std::vector<float> m_pending;     // decoded stereo frames not yet read
    size_t m_pendingOffset = 0;       // in frames
    int64_t m_pendingStart = 0;       // source frame of m_pending[0]
};
