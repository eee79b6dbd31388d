// Decodes a media file through FFmpeg into stereo float frames at the file's rate,
// with sample-exact seeking and an exact length (scanned when the container guesses).
#pragma once

#include "CSource.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct AVRational;
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

    // Frames at rate from the timestamp first to timestamp, both counted in timeBase;
    // nothing when either is missing (AV_NOPTS_VALUE: a frame without a timestamp) or the
    // distance lies beyond any real file.
    static std::optional<int64_t> FramesBetween(int64_t first, int64_t timestamp, const AVRational &timeBase, int rate);

private:
    CFfmpegSource() = default;
    int OpenFile(const std::string &path);
    int OpenDecoder(const std::string &path);
    // The length in frames as far as it is known before the first frame is decoded.
    int64_t MeasureLength();
    // Vorbis in Ogg: the demuxer reads the last page's granule at open, which is where
    // the stream ends; its packets' durations fall short of it (see LengthFromEnd).
    bool EndsAtLastGranule() const;
    int64_t LengthFromEnd() const;
    int64_t ScanLength(bool keepIndex);
    void NoteFirstPacket();
    // Decodes the next frame into m_pending; false at the end of the file.
    bool DecodeNext();
    bool ConvertFrame();
    int64_t CountByDecoding();
    // FramesBetween the first frame and timestamp; without either timestamp seeks decode
    // from the start and count.
    std::optional<int64_t> FramesSinceFirst(int64_t timestamp) const;
    std::optional<int64_t> TimestampOf(int64_t frame) const;
    // Where the frame just decoded starts, when its timestamp places it exactly: not in
    // indexed files (guessed timestamps) nor files decoded forward (several frames share
    // one timestamp), and in Ogg only for a frame opening a page (the others are
    // interpolated from durations that can be wrong).
    std::optional<int64_t> PlaceOfFrame() const;
    void FlushDecoder();
    void SeekToFirstPacket();
    void Restart();
    bool SeekFromStart(int64_t frame);
    bool SeekByIndex(int64_t frame, int64_t target);
    bool SeekByTimestamp(int64_t frame);
    std::optional<int64_t> LandAt(int64_t landing);
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
    int64_t m_firstPts = 0;            // timestamp of the first decoded frame (source frame 0), if any
    std::optional<int64_t> m_startPts; // of the first packet, once one has been read
    bool m_seekByDecoding = false;
    bool m_oggPages = false;       // only a frame opening an Ogg page has an exact timestamp
    int64_t m_framePage = -1;      // container position of the last frame's packet (-1 before any)
    bool m_frameOpensPage = false; // it came from another page than the frame before
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
