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
struct AVCodec;
struct AVCodecParameters;
struct SwrContext;
struct AVVorbisParseContext;

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
    // Keeps the title, artist and overall bit rate the container tells (see CSource::Tags).
    void ReadTags();
    // The container's value of key, else the audio stream's; empty when neither has one.
    std::string MetadataValue(const char *key) const;
    // A decoder for the stream as it stands at the start of the file; null when out of memory.
    AVCodecContext *NewDecoder() const;
    // What a scan of the packets (no decoding) tells.
    struct SScan {
        int64_t played = 0; // frames a straight decode yields, by the packets' own notes of skip and padding
        int64_t kept = 0;   // the same before any skip at the start, which only the first decoded frame tells
        int64_t raw = 0;    // frames of every packet, untrimmed
        bool durationsMissing = false; // packets without a duration were counted as full ones
        bool chained = false;          // Ogg streams one after another, their timestamps starting again
    };
    // The length in frames as far as it is known before the first frame is decoded.
    int64_t MeasureLength(SScan &scan);
    // Vorbis in Ogg: the demuxer reads the last page's granule at open, which is where
    // the stream ends; its packets' durations fall short of it (see LengthFromEnd).
    bool EndsAtLastGranule() const;
    int64_t LengthFromEnd() const;
    SScan ScanPackets(bool keepIndex);
    // Frames the packet just read decodes to by its duration; -1 when it has none.
    // (Vorbis packets are measured by their block sizes instead: Matroska's durations are
    // rounded milliseconds.)
    int64_t PacketFrames() const;
    int64_t VorbisFrames(AVVorbisParseContext *parser) const;
    // Sets the index to frames of a straight decode, which may skip a codec delay at the
    // start that no packet mentions (Opus in Matroska); false when the first frame's
    // packet is not in the index.
    bool AnchorIndex(const SScan &scan);
    // The exact end, by decoding the last few packets: for containers that give no
    // packet durations (ALAC in CAF), whose last packet is shorter than the others.
    int64_t LengthFromTail();
    // The index entry of the packet the frame just decoded came from, looked for near hint.
    std::optional<size_t> EntryOfFrame(size_t hint) const;
    // Where the frame just decoded from the packet of entry starts.
    int64_t FrameOfEntry(size_t entry) const;
    bool SeekToEntry(size_t entry);
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
    // Opens the file again at its start; false (and the file as it was) when it cannot.
    bool Reopen();
    void Restart();
    bool SeekFromStart(int64_t frame);
    bool SeekByIndex(int64_t frame, int64_t target);
    bool SeekByTimestamp(int64_t frame);
    std::optional<int64_t> LandAt(int64_t landing);
    void DiscardUntil(int64_t frame);

    AVFormatContext *m_format = nullptr;
    AVCodecContext *m_codec = nullptr;
    const AVCodec *m_decoder = nullptr;
    AVCodecParameters *m_parameters = nullptr; // the stream's, as they were at open
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
    bool m_byteIndex = false;
    bool m_rewindByByte = false;   // the start is found by byte, not by timestamp
    bool m_reopenToRewind = false; // chained Ogg: the demuxer only finds the first stream from the start
    std::string m_path;            // the index is sought by byte
                                   // position (its timestamps are guesses)
    bool m_oggPages = false;       // only a frame opening an Ogg page has an exact timestamp
    int64_t m_framePage = -1;      // container position of the last frame's packet (-1 before any)
    bool m_frameOpensPage = false; // it came from another page than the frame before
    bool m_draining = false;
    bool m_atEnd = false;
    struct SIndexEntry {
        int64_t position;  // byte offset of a packet, -1 when the container gives none
        int64_t timestamp; // its timestamp in the stream's time base
        int64_t frame;     // source frame its audio starts at
    };
    // Every packet of files outside Ogg: containers round timestamps (Matroska to 1 ms) or
    // guess them, the index places a packet to the frame.
    std::vector<SIndexEntry> m_index;
    std::vector<float> m_pending; // decoded stereo frames not yet read
    size_t m_pendingOffset = 0;   // in frames
    int64_t m_pendingStart = 0;   // source frame of m_pending[0]
};
