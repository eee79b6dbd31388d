#include "CFfmpegSource.h"

#include "AudioApi.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/vorbis_parser.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace
{
// MPEG frames borrow bits from earlier frames and transform codecs overlap their
// blocks: decode this much before a seek target so the first sample heard is the same
// as in a straight decode.
constexpr double kPrerollSeconds = 0.1;
// MPEG's bit reservoir reaches 511 bytes back: at low bit rates that is a quarter second.
constexpr double kMpegPrerollSeconds = 0.25;
constexpr int64_t kReservoirBytes = 2048;
// A seek that lands past its target, or in the last Ogg page (no page start follows to
// place the frames by), lands again further back, twice as far each time; after this
// many attempts it decodes from the start.
constexpr int kLandingAttempts = 6;
// Ogg pages rarely span more than a second or two: a landing that finds no page start
// within this many seconds of audio gives up on it.
constexpr double kPageSearchSeconds = 10.0;
// Places further than this from the first frame are damaged timestamps, not audio (it
// is years at any rate).
constexpr int64_t kFarthestFrame = int64_t{1} << 48;
// m_framePage before the stream's first frame, which is placed by its timestamp like a
// frame opening a page, and right after a seek, when the first frame may come from the
// page's second packet, whose timestamp is interpolated.
constexpr int64_t kBeforeFirstPage = -1;
constexpr int64_t kAfterFlush = INT64_MIN;
// The most the demuxer may keep of its own index of a stream, in bytes.
constexpr unsigned kDemuxerIndexBytes = 16 * 1024;
// A seek lands this many packets around the index entry it asked for at most (a
// container seeks to the packet itself or to the start of a group of them).
constexpr size_t kLandingWindow = 4096;
// The exact end is decoded from this many packets before it (enough for any codec's
// overlap to settle; only the count matters).
constexpr size_t kTailPackets = 4;

bool IsMpegAudio(AVCodecID id)
{
    return id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3;
}

bool IsPcm(AVCodecID id)
{
    return id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

// Frames a packet yields before the encoder delay is skipped: less the padding the
// decoder discards at the end. Some demuxers already shortened the packet's duration by
// that padding; the longest packet seen tells what a full one holds. The delay the
// packet asks to skip is added to skip.
int64_t TrimmedFrames(const AVPacket *packet, int64_t duration, int64_t fullDuration, int64_t &skip)
{
    size_t size = 0;
    const uint8_t *data = av_packet_get_side_data(packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    int64_t frames = duration;
    if (data != nullptr && size >= 8) {
        const auto word = [data](int at) {
            return static_cast<int64_t>(data[at] | (data[at + 1] << 8) | (data[at + 2] << 16) |
                                        (static_cast<uint32_t>(data[at + 3]) << 24));
        };
        skip += word(0);
        frames = std::max<int64_t>(0, std::min(duration, fullDuration - word(4)));
    }
    return frames;
}

struct SVorbisParserFree {
    void operator()(AVVorbisParseContext *parser) const { av_vorbis_parse_free(&parser); }
};
using VorbisParser = std::unique_ptr<AVVorbisParseContext, SVorbisParserFree>;
// WMA seeks land well off the target: decoding forward from the start is exact.
bool SeeksInexactly(AVCodecID id)
{
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO ||
           id == AV_CODEC_ID_WMALOSSLESS || id == AV_CODEC_ID_WMAVOICE;
}
} // namespace

std::unique_ptr<CSource> CFfmpegSource::Open(const std::string &path, int &error)
{
    std::unique_ptr<CFfmpegSource> source(new CFfmpegSource());
    error = source->OpenFile(path);
    if (error != BASS_OK)
        return nullptr;
    return source;
}

CFfmpegSource::~CFfmpegSource()
{
    swr_free(&m_swr);
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_codec);
    avcodec_parameters_free(&m_parameters);
    avformat_close_input(&m_format);
}

int CFfmpegSource::OpenFile(const std::string &path)
{
    const int error = OpenDecoder(path);
    if (error != BASS_OK)
        return error;
    ReadTags();
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (m_packet == nullptr || m_frame == nullptr)
        return BASS_ERROR_MEM;
    m_seekByDecoding = SeeksInexactly(m_codec->codec_id);
    m_oggPages = std::strcmp(m_format->iformat->name, "ogg") == 0;
    // MPEG-TS seeks by the timestamps PES headers carry, and the first few may carry none.
    m_rewindByByte = (m_format->iformat->flags & AVFMT_TS_DISCONT) != 0;
    if (!IsPcm(m_codec->codec_id))
        m_prerollFrames =
            static_cast<int64_t>((IsMpegAudio(m_codec->codec_id) ? kMpegPrerollSeconds : kPrerollSeconds) * m_rate);
    // The packet scan below reads the whole file once, and the Ogg demuxer would keep an
    // entry for every packet it read; every packet read again while playing then costs
    // an insertion into that long list. Its seeks search the pages, not that list, so it
    // stays small. (The MP3 demuxer's seeks do use theirs.)
    if (m_oggPages)
        m_format->max_index_size = kDemuxerIndexBytes;
    SScan scan;
    m_length = MeasureLength(scan);
    // A file whose first frame cannot be decoded is not media.
    if (!DecodeNext())
        return BASS_ERROR_FILEFORM;
    m_firstPts = m_frame->best_effort_timestamp;
    if (EndsAtLastGranule())
        m_length = LengthFromEnd();
    if (!m_index.empty() && AnchorIndex(scan) && scan.durationsMissing) {
        m_length = LengthFromTail();
        Restart();
        if (!DecodeNext())
            return BASS_ERROR_FILEFORM;
    }
    return BASS_OK;
}

std::string CFfmpegSource::MetadataValue(const char *key) const
{
    // The demuxer maps ID3 frames, Vorbis comments and MP4 atoms to common keys; Ogg keeps
    // its comments on the stream rather than on the container.
    const AVDictionaryEntry *entry = av_dict_get(m_format->metadata, key, nullptr, 0);
    if (entry == nullptr || *entry->value == '\0')
        entry = av_dict_get(m_format->streams[m_stream]->metadata, key, nullptr, 0);
    return entry == nullptr ? std::string() : std::string(entry->value);
}

void CFfmpegSource::ReadTags()
{
    AddTag("title", MetadataValue("title"));
    AddTag("artist", MetadataValue("artist"));
    if (m_format->bit_rate > 0)
        AddTag("bitrate", std::to_string(m_format->bit_rate));
}

int64_t CFfmpegSource::MeasureLength(SScan &scan)
{
    const AVStream *stream = m_format->streams[m_stream];
    if (m_seekByDecoding)
        return CountByDecoding(); // packets carry several frames and loose durations
    if (IsPcm(m_codec->codec_id) && stream->duration != AV_NOPTS_VALUE)
        return av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_rate});
    // Containers of compressed audio may count padding, only estimate from the bit rate
    // or round their timestamps: add up the packets instead, and index them. A guessed
    // duration also means guessed timestamps after a seek: such files are sought by byte.
    scan = ScanPackets(!m_oggPages);
    if (scan.chained) {
        // Each stream of a chain starts its timestamps again and brings its own headers:
        // only its first page is a place to start from.
        m_seekByDecoding = true;
        m_reopenToRewind = true;
        Restart();
        return CountByDecoding();
    }
    m_byteIndex = m_format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE &&
                  (m_format->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0;
    if (EndsAtLastGranule())
        return 0; // known once the first frame's timestamp is
    return scan.played;
}

int CFfmpegSource::OpenDecoder(const std::string &path)
{
    m_path = path;
    if (avformat_open_input(&m_format, path.c_str(), nullptr, nullptr) < 0)
        return BASS_ERROR_FILEOPEN;
    // Tracker modules go to the module loader, which renders at any rate and seeks exactly.
    if (std::strcmp(m_format->iformat->name, "libopenmpt") == 0)
        return BASS_ERROR_FILEFORM;
    if (avformat_find_stream_info(m_format, nullptr) < 0)
        return BASS_ERROR_FILEFORM;
    const AVCodec *decoder = nullptr;
    m_stream = av_find_best_stream(m_format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (m_stream < 0 || decoder == nullptr)
        return BASS_ERROR_FILEFORM;
    // The stream's parameters as they are before any packet is read (a chained Ogg file
    // changes them when its next stream begins).
    m_decoder = decoder;
    m_parameters = avcodec_parameters_alloc();
    if (m_parameters == nullptr || avcodec_parameters_copy(m_parameters, m_format->streams[m_stream]->codecpar) < 0)
        return BASS_ERROR_MEM;
    m_codec = NewDecoder();
    if (m_codec == nullptr)
        return BASS_ERROR_FILEFORM;
    m_rate = m_codec->sample_rate;
    m_fileChannels = std::clamp(m_codec->ch_layout.nb_channels, 1, 2);
    if (m_rate <= 0)
        return BASS_ERROR_FILEFORM;
    for (unsigned i = 0; i < m_format->nb_streams; ++i)
        if (static_cast<int>(i) != m_stream)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    return BASS_OK;
}

AVCodecContext *CFfmpegSource::NewDecoder() const
{
    AVCodecContext *codec = avcodec_alloc_context3(m_decoder);
    if (codec == nullptr)
        return nullptr;
    codec->pkt_timebase = m_format->streams[m_stream]->time_base;
    if (avcodec_parameters_to_context(codec, m_parameters) < 0 || avcodec_open2(codec, m_decoder, nullptr) < 0)
        avcodec_free_context(&codec);
    return codec;
}

bool CFfmpegSource::EndsAtLastGranule() const
{
    const AVStream *stream = m_format->streams[m_stream];
    return m_oggPages && !m_seekByDecoding && m_codec->codec_id == AV_CODEC_ID_VORBIS &&
           stream->start_time != AV_NOPTS_VALUE && stream->duration != AV_NOPTS_VALUE && stream->duration > 0;
}

int64_t CFfmpegSource::LengthFromEnd() const
{
    // The demuxer gives the granule as a duration from the stream's start time. Adding
    // up packet durations instead loses 448 frames at every short block that follows a
    // long one, which speech is full of (silent or steady sound never switches blocks).
    const AVStream *stream = m_format->streams[m_stream];
    int64_t end = 0;
    if (__builtin_add_overflow(stream->start_time, stream->duration, &end))
        return 0;
    return std::max<int64_t>(0, FramesSinceFirst(end).value_or(0));
}

CFfmpegSource::SScan CFfmpegSource::ScanPackets(bool keepIndex)
{
    const AVCodecParameters *parameters = m_format->streams[m_stream]->codecpar;
    const VorbisParser vorbis(m_codec->codec_id == AV_CODEC_ID_VORBIS
                                  ? av_vorbis_parse_init(parameters->extradata, parameters->extradata_size)
                                  : nullptr);
    SScan scan;
    int64_t longest = 0;
    int64_t skip = 0;
    int64_t lastTimestamp = AV_NOPTS_VALUE;
    // A packet without a duration (ALAC in CAF) lasts until the next one's timestamp.
    std::optional<int64_t> owedFrom;
    const auto count = [&scan](int64_t duration, int64_t frames, int64_t skipped) {
        scan.raw += duration;
        scan.kept += frames;
        scan.played += frames - skipped;
    };
    const auto settleOwed = [&](int64_t until) {
        const int64_t duration =
            FramesBetween(*owedFrom, until, m_format->streams[m_stream]->time_base, m_rate).value_or(longest);
        count(duration, duration, 0);
        owedFrom.reset();
    };
    while (av_read_frame(m_format, m_packet) >= 0) {
        if (m_packet->stream_index == m_stream) {
            NoteFirstPacket();
            if (owedFrom)
                settleOwed(m_packet->pts);
            if (keepIndex)
                m_index.push_back(SIndexEntry{m_packet->pos, m_packet->pts, scan.raw});
            if (m_packet->pts != AV_NOPTS_VALUE) {
                scan.chained =
                    scan.chained || (m_oggPages && lastTimestamp != AV_NOPTS_VALUE && m_packet->pts < lastTimestamp);
                lastTimestamp = m_packet->pts;
            }
            const int64_t duration = vorbis != nullptr ? VorbisFrames(vorbis.get()) : PacketFrames();
            if (duration < 0) {
                scan.durationsMissing = true;
                owedFrom = m_packet->pts;
            } else {
                longest = std::max(longest, duration);
                const int64_t frames = TrimmedFrames(m_packet, duration, longest, skip);
                const int64_t skipped = std::min(frames, skip); // a long delay goes on into the next packets
                skip -= skipped;
                count(duration, frames, skipped);
            }
        }
        av_packet_unref(m_packet);
    }
    if (owedFrom)
        settleOwed(AV_NOPTS_VALUE); // the last packet: a full one until its end is decoded
    SeekToFirstPacket();
    FlushDecoder();
    return scan;
}

int64_t CFfmpegSource::PacketFrames() const
{
    const AVStream *stream = m_format->streams[m_stream];
    int64_t duration = av_rescale_q(m_packet->duration, stream->time_base, AVRational{1, m_rate});
    const int full = m_codec->frame_size > 0 ? m_codec->frame_size : stream->codecpar->frame_size;
    // The MP4 reader shortens the last AAC packet by the edit list; the decoder still gives the whole frame.
    if (m_codec->codec_id == AV_CODEC_ID_AAC && full > 0)
        duration = std::max<int64_t>(duration, full);
    return duration > 0 ? duration : -1;
}

int64_t CFfmpegSource::VorbisFrames(AVVorbisParseContext *parser) const
{
    int flags = 0; // headers (a chained file's next stream brings its own) hold no audio
    return std::max(0, av_vorbis_parse_frame_flags(parser, m_packet->data, m_packet->size, &flags));
}

bool CFfmpegSource::AnchorIndex(const SScan &scan)
{
    const std::optional<size_t> entry = EntryOfFrame(0);
    if (!entry) {
        m_index.clear();
        return false;
    }
    // The first frame ends where its packet does; whatever the packets before it and the
    // head of this one held was skipped.
    const int64_t packetEnd = *entry + 1 < m_index.size() ? m_index[*entry + 1].frame : scan.raw;
    const int64_t skipped = packetEnd - m_frame->nb_samples;
    for (SIndexEntry &indexed : m_index)
        indexed.frame -= skipped;
    m_length = scan.kept - skipped;
    return true;
}

int64_t CFfmpegSource::LengthFromTail()
{
    const size_t entry = m_index.size() > kTailPackets ? m_index.size() - kTailPackets : 0;
    std::optional<size_t> found;
    if (entry > 0 && SeekToEntry(entry)) {
        FlushDecoder();
        if (DecodeNext())
            found = EntryOfFrame(entry);
    }
    if (!found) { // a short file, or a tail that cannot be placed
        Restart();
        return CountByDecoding();
    }
    int64_t end = FrameOfEntry(*found);
    do
        end += static_cast<int64_t>(m_pending.size() / 2);
    while (DecodeNext());
    return end;
}

std::optional<size_t> CFfmpegSource::EntryOfFrame(size_t hint) const
{
    // Packets are known by their byte position; where the container gives none (MPEG-TS
    // packets after the first of a PES), by their timestamp.
    const int64_t position = m_frame->pkt_pos;
    const int64_t timestamp = m_frame->pts;
    const size_t from = hint > kLandingWindow ? hint - kLandingWindow : 0;
    const size_t to = std::min(m_index.size(), hint + kLandingWindow);
    for (size_t i = from; i < to; ++i) {
        const SIndexEntry &entry = m_index[i];
        if (position >= 0 ? entry.position == position : timestamp != AV_NOPTS_VALUE && entry.timestamp == timestamp)
            return i;
    }
    return std::nullopt;
}

int64_t CFfmpegSource::FrameOfEntry(size_t entry) const
{
    // A packet that starts before frame 0 holds encoder delay: when a seek lands there
    // the decoder may skip it again or not, but the frame ends where its packet does.
    const int64_t start = m_index[entry].frame;
    if (start >= 0 || entry + 1 >= m_index.size())
        return start;
    return m_index[entry + 1].frame - m_frame->nb_samples;
}

bool CFfmpegSource::SeekToEntry(size_t entry)
{
    const SIndexEntry &target = m_index[entry];
    if (m_byteIndex)
        return target.position >= 0 && av_seek_frame(m_format, m_stream, target.position, AVSEEK_FLAG_BYTE) >= 0;
    return target.timestamp != AV_NOPTS_VALUE &&
           av_seek_frame(m_format, m_stream, target.timestamp, AVSEEK_FLAG_BACKWARD) >= 0;
}

void CFfmpegSource::NoteFirstPacket()
{
    if (!m_startPts)
        m_startPts = m_packet->pts;
}

bool CFfmpegSource::ConvertFrame()
{
    // A mono voice is heard at its own level on both sides (the resampler's own
    // mono-to-stereo mix would lower it by 3 dB): convert to mono and copy it across.
    const bool mono = m_frame->ch_layout.nb_channels == 1;
    // A stream may change its channels, sample format or rate between frames (MPEG
    // audio can): a converter set up for other input would read planes that are not there.
    const SConversion input{m_frame->ch_layout.nb_channels, m_frame->format, m_frame->sample_rate};
    if (m_swr != nullptr && !(input == m_swrInput))
        swr_free(&m_swr);
    if (m_swr == nullptr) {
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, mono ? 1 : 2);
        if (swr_alloc_set_opts2(&m_swr, &layout, AV_SAMPLE_FMT_FLT, m_rate, &m_frame->ch_layout,
                                static_cast<AVSampleFormat>(m_frame->format), m_frame->sample_rate, 0, nullptr) < 0 ||
            swr_init(m_swr) < 0) {
            swr_free(&m_swr);
            return false;
        }
        m_swrInput = input;
    }
    const int count = m_frame->nb_samples;
    const int room = swr_get_out_samples(m_swr, count);
    if (room < 0)
        return false;
    m_pending.resize(static_cast<size_t>(room) * 2);
    auto *out = reinterpret_cast<uint8_t *>(m_pending.data());
    const int converted = swr_convert(m_swr, &out, room, const_cast<const uint8_t **>(m_frame->extended_data), count);
    if (converted < 0)
        return false;
    if (mono)
        for (int i = converted - 1; i >= 0; --i)
            m_pending[static_cast<size_t>(i) * 2 + 1] = m_pending[static_cast<size_t>(i) * 2] =
                m_pending[static_cast<size_t>(i)];
    m_pending.resize(static_cast<size_t>(converted) * 2);
    m_pendingOffset = 0;
    return true;
}

bool CFfmpegSource::DecodeNext()
{
    while (!m_atEnd) {
        const int received = avcodec_receive_frame(m_codec, m_frame);
        if (received == 0) {
            m_frameOpensPage = m_framePage != kAfterFlush && m_frame->pkt_pos != m_framePage;
            m_framePage = m_frame->pkt_pos;
            if (!ConvertFrame())
                continue;
            return true;
        }
        if (received == AVERROR_EOF || received != AVERROR(EAGAIN)) {
            m_atEnd = true;
            break;
        }
        if (m_draining) {
            m_atEnd = true;
            break;
        }
        const int read = av_read_frame(m_format, m_packet);
        if (read < 0) {
            m_draining = true;
            avcodec_send_packet(m_codec, nullptr);
            continue;
        }
        if (m_packet->stream_index == m_stream) {
            NoteFirstPacket();
            avcodec_send_packet(m_codec, m_packet); // a damaged packet is skipped
        }
        av_packet_unref(m_packet);
    }
    m_pending.clear();
    m_pendingOffset = 0;
    return false;
}

int CFfmpegSource::Read(float *out, int frames)
{
    int done = 0;
    while (done < frames) {
        const size_t available = m_pending.size() / 2 - m_pendingOffset;
        if (available == 0) {
            m_pendingStart += static_cast<int64_t>(m_pending.size() / 2);
            if (!DecodeNext()) {
                m_length = m_pendingStart; // now known exactly
                break;
            }
            continue;
        }
        const size_t take = std::min(available, static_cast<size_t>(frames - done));
        std::memcpy(out + static_cast<size_t>(done) * 2, m_pending.data() + m_pendingOffset * 2,
                    take * 2 * sizeof(float));
        m_pendingOffset += take;
        done += static_cast<int>(take);
    }
    return done;
}

std::optional<int64_t> CFfmpegSource::FramesBetween(int64_t first, int64_t timestamp, const AVRational &timeBase,
                                                    int rate)
{
    int64_t distance = 0;
    if (first == AV_NOPTS_VALUE || timestamp == AV_NOPTS_VALUE || __builtin_sub_overflow(timestamp, first, &distance))
        return std::nullopt;
    const int64_t frames = av_rescale_q(distance, timeBase, AVRational{1, rate});
    if (frames < -kFarthestFrame || frames > kFarthestFrame)
        return std::nullopt;
    return frames;
}

std::optional<int64_t> CFfmpegSource::FramesSinceFirst(int64_t timestamp) const
{
    return FramesBetween(m_firstPts, timestamp, m_format->streams[m_stream]->time_base, m_rate);
}

std::optional<int64_t> CFfmpegSource::TimestampOf(int64_t frame) const
{
    int64_t timestamp = 0;
    if (m_firstPts == AV_NOPTS_VALUE ||
        __builtin_add_overflow(
            m_firstPts, av_rescale_q(frame, AVRational{1, m_rate}, m_format->streams[m_stream]->time_base), &timestamp))
        return std::nullopt;
    return timestamp;
}

std::optional<int64_t> CFfmpegSource::PlaceOfFrame() const
{
    if (!m_index.empty() || m_seekByDecoding || (m_oggPages && !m_frameOpensPage))
        return std::nullopt;
    return FramesSinceFirst(m_frame->best_effort_timestamp);
}

void CFfmpegSource::FlushDecoder()
{
    avcodec_flush_buffers(m_codec);
    m_framePage = kAfterFlush;
    m_atEnd = false;
    m_draining = false;
    m_pending.clear();
    m_pendingOffset = 0;
}

void CFfmpegSource::SeekToFirstPacket()
{
    // Not the stream's start time: when the encoder delay to skip is longer than one
    // packet (MP3 at 22.05 kHz), that lies in the second packet, and landing there loses
    // the first packet's note of how much to skip.
    if (m_reopenToRewind && Reopen())
        return;
    if (m_rewindByByte && av_seek_frame(m_format, m_stream, 0, AVSEEK_FLAG_BYTE) >= 0)
        return;
    const AVStream *stream = m_format->streams[m_stream];
    const int64_t first = m_startPts.value_or(AV_NOPTS_VALUE) != AV_NOPTS_VALUE ? *m_startPts : stream->start_time;
    av_seek_frame(m_format, m_stream, first == AV_NOPTS_VALUE ? 0 : first, AVSEEK_FLAG_BACKWARD);
}

bool CFfmpegSource::Reopen()
{
    AVFormatContext *format = nullptr;
    if (avformat_open_input(&format, m_path.c_str(), nullptr, nullptr) < 0)
        return false;
    if (static_cast<unsigned>(m_stream) >= format->nb_streams) {
        avformat_close_input(&format);
        return false;
    }
    avformat_close_input(&m_format);
    m_format = format;
    for (unsigned i = 0; i < m_format->nb_streams; ++i)
        if (static_cast<int>(i) != m_stream)
            m_format->streams[i]->discard = AVDISCARD_ALL;
    return true;
}

void CFfmpegSource::Restart()
{
    SeekToFirstPacket();
    FlushDecoder();
    // A fresh decoder skips the codec delay again where only the decoder knows of it
    // (Opus in Matroska), and reads a chained Ogg file with its first stream's headers.
    if (AVCodecContext *fresh = NewDecoder()) {
        avcodec_free_context(&m_codec);
        m_codec = fresh;
    }
    m_framePage = kBeforeFirstPage;
    swr_free(&m_swr);
    m_pendingStart = 0;
}

bool CFfmpegSource::SeekFromStart(int64_t frame)
{
    // Timestamps of a file sought by byte are guesses once it has been moved: use the
    // index. Others start again with a fresh decoder, as at open (AAC's noise fill, for
    // one, goes on differently after a flush).
    if (m_byteIndex && SeekByIndex(frame, 0))
        return true;
    Restart();
    if (!DecodeNext())
        return true;
    m_pendingStart = PlaceOfFrame().value_or(0);
    DiscardUntil(frame);
    return true;
}

int64_t CFfmpegSource::CountByDecoding()
{
    int64_t frames = 0;
    while (DecodeNext())
        frames += static_cast<int64_t>(m_pending.size() / 2);
    Restart();
    return frames;
}

bool CFfmpegSource::SeekByIndex(int64_t frame, int64_t target)
{
    const auto after = std::upper_bound(m_index.begin(), m_index.end(), target,
                                        [](int64_t value, const SIndexEntry &entry) { return value < entry.frame; });
    // Start far enough back that the bit reservoir (up to 511 bytes) is filled again.
    auto start = after == m_index.begin() ? after : after - 1;
    while (start != m_index.begin() && ((after - 1)->position - start->position < kReservoirBytes || after - start < 8))
        --start;
    const auto entry = static_cast<size_t>(start - m_index.begin());
    if (!SeekToEntry(entry))
        return false;
    FlushDecoder();
    if (!DecodeNext())
        return false;
    // The packet that gave the first frame tells where we are.
    const std::optional<size_t> found = EntryOfFrame(entry);
    if (!found || FrameOfEntry(*found) > frame)
        return false;
    m_pendingStart = FrameOfEntry(*found);
    DiscardUntil(frame);
    return true;
}

bool CFfmpegSource::Seek(int64_t frame)
{
    if (frame < 0 || frame > m_length)
        return false;
    const int64_t target = frame - m_prerollFrames;
    if (m_seekByDecoding || target <= 0)
        return SeekFromStart(frame);
    if (!m_index.empty())
        return SeekByIndex(frame, target) || SeekFromStart(frame);
    return SeekByTimestamp(frame);
}

bool CFfmpegSource::SeekByTimestamp(int64_t frame)
{
    int64_t landing = frame - m_prerollFrames;
    auto step = static_cast<int64_t>(kPrerollSeconds * m_rate);
    for (int attempt = 0; attempt < kLandingAttempts && landing > 0; ++attempt) {
        const std::optional<int64_t> place = LandAt(landing);
        if (place && *place <= frame) {
            m_pendingStart = *place;
            DiscardUntil(frame);
            return true;
        }
        // The container's index overshot, or the first page start came too late (or not
        // at all: the last page of an Ogg stream, whose end trimming goes wrong when it
        // is entered by a seek).
        step = std::max(step * 2, place ? *place - frame : 0);
        landing -= step;
    }
    return SeekFromStart(frame);
}

std::optional<int64_t> CFfmpegSource::LandAt(int64_t landing)
{
    const std::optional<int64_t> timestamp = TimestampOf(landing);
    if (!timestamp || av_seek_frame(m_format, m_stream, *timestamp, AVSEEK_FLAG_BACKWARD) < 0)
        return std::nullopt;
    FlushDecoder();
    const auto searchLimit = static_cast<int64_t>(kPageSearchSeconds * m_rate);
    for (int64_t searched = 0; searched < searchLimit && DecodeNext();
         searched += static_cast<int64_t>(m_pending.size() / 2)) {
        if (const std::optional<int64_t> place = PlaceOfFrame())
            return place;
    }
    return std::nullopt;
}

void CFfmpegSource::DiscardUntil(int64_t frame)
{
    // m_pending holds nothing read yet; drop whole frames, then the head of the last one.
    while (true) {
        const int64_t pendingEnd = m_pendingStart + static_cast<int64_t>(m_pending.size() / 2);
        if (pendingEnd > frame) {
            m_pendingOffset = static_cast<size_t>(std::max<int64_t>(0, frame - m_pendingStart));
            return;
        }
        m_pendingStart = pendingEnd;
        if (!DecodeNext())
            return;
        // Right after a flush a decoder may drop or shorten frames: where a timestamp
        // places a frame exactly, follow it rather than the count.
        m_pendingStart = PlaceOfFrame().value_or(m_pendingStart);
    }
}
