#include "CFfmpegSource.h"

#include "AudioApi.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
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

bool IsMpegAudio(AVCodecID id)
{
    return id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3;
}

bool IsPcm(AVCodecID id)
{
    return id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

// Frames a packet really yields: less the encoder delay the decoder skips at the start
// and the padding it discards at the end. Some demuxers already shortened the packet's
// duration by that padding; the longest packet seen tells what a full one holds. A delay
// longer than the packet is skipped on into the next ones (skip carries it).
int64_t DecodedFrames(const AVPacket *packet, int64_t duration, int64_t fullDuration, int64_t &skip)
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
    const int64_t skipped = std::min(frames, skip);
    skip -= skipped;
    return frames - skipped;
}
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
    avformat_close_input(&m_format);
}

int CFfmpegSource::OpenFile(const std::string &path)
{
    const int error = OpenDecoder(path);
    if (error != BASS_OK)
        return error;
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (m_packet == nullptr || m_frame == nullptr)
        return BASS_ERROR_MEM;
    m_seekByDecoding = SeeksInexactly(m_codec->codec_id);
    m_oggPages = std::strcmp(m_format->iformat->name, "ogg") == 0;
    if (!IsPcm(m_codec->codec_id))
        m_prerollFrames =
            static_cast<int64_t>((IsMpegAudio(m_codec->codec_id) ? kMpegPrerollSeconds : kPrerollSeconds) * m_rate);
    m_length = MeasureLength();
    // A file whose first frame cannot be decoded is not media.
    if (!DecodeNext())
        return BASS_ERROR_FILEFORM;
    m_firstPts = m_frame->best_effort_timestamp;
    if (EndsAtLastGranule())
        m_length = LengthFromEnd();
    return BASS_OK;
}

int64_t CFfmpegSource::MeasureLength()
{
    const AVStream *stream = m_format->streams[m_stream];
    // Containers of compressed audio may count padding or only estimate from the bit
    // rate: add up the packets instead. A guessed duration also means guessed
    // timestamps after a seek, so such files keep an index of their own.
    const bool guessed = m_format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE;
    if (m_seekByDecoding)
        return CountByDecoding(); // packets carry several frames and loose durations
    if (EndsAtLastGranule())
        return 0; // known once the first frame's timestamp is
    if (!IsPcm(m_codec->codec_id) || stream->duration == AV_NOPTS_VALUE)
        return ScanLength(guessed);
    return av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_rate});
}

int CFfmpegSource::OpenDecoder(const std::string &path)
{
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
    AVStream *stream = m_format->streams[m_stream];
    m_codec = avcodec_alloc_context3(decoder);
    if (m_codec == nullptr || avcodec_parameters_to_context(m_codec, stream->codecpar) < 0)
        return BASS_ERROR_MEM;
    m_codec->pkt_timebase = stream->time_base;
    if (avcodec_open2(m_codec, decoder, nullptr) < 0)
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

bool CFfmpegSource::EndsAtLastGranule() const
{
    const AVStream *stream = m_format->streams[m_stream];
    return m_oggPages && m_codec->codec_id == AV_CODEC_ID_VORBIS && stream->start_time != AV_NOPTS_VALUE &&
           stream->duration != AV_NOPTS_VALUE && stream->duration > 0;
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

int64_t CFfmpegSource::ScanLength(bool keepIndex)
{
    AVStream *stream = m_format->streams[m_stream];
    const AVRational frames{1, m_rate};
    int64_t total = 0;
    int64_t longest = 0;
    int64_t skip = 0;
    const bool byteSeekable = (m_format->iformat->flags & AVFMT_NO_BYTE_SEEK) == 0;
    while (av_read_frame(m_format, m_packet) >= 0) {
        if (m_packet->stream_index == m_stream) {
            NoteFirstPacket();
            if (keepIndex && byteSeekable && m_packet->pos >= 0)
                m_index.push_back(SIndexEntry{m_packet->pos, total});
            int64_t duration = av_rescale_q(m_packet->duration, stream->time_base, frames);
            // The MP4 reader shortens the last AAC packet by the edit list; the decoder
            // still gives the whole frame.
            if (m_codec->codec_id == AV_CODEC_ID_AAC && m_codec->frame_size > 0)
                duration = std::max<int64_t>(duration, m_codec->frame_size);
            longest = std::max(longest, duration);
            total += DecodedFrames(m_packet, duration, longest, skip);
        }
        av_packet_unref(m_packet);
    }
    SeekToFirstPacket();
    FlushDecoder();
    return total;
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
    const AVStream *stream = m_format->streams[m_stream];
    const int64_t first = m_startPts.value_or(AV_NOPTS_VALUE) != AV_NOPTS_VALUE ? *m_startPts : stream->start_time;
    av_seek_frame(m_format, m_stream, first == AV_NOPTS_VALUE ? 0 : first, AVSEEK_FLAG_BACKWARD);
}

void CFfmpegSource::Restart()
{
    SeekToFirstPacket();
    FlushDecoder();
    m_framePage = kBeforeFirstPage;
    swr_free(&m_swr);
    m_pendingStart = 0;
}

bool CFfmpegSource::SeekFromStart(int64_t frame)
{
    // Timestamps of an indexed file are guesses once it has been moved: use the index.
    if (!m_index.empty() && SeekByIndex(frame, 0))
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
    if (av_seek_frame(m_format, m_stream, start->position, AVSEEK_FLAG_BYTE) < 0)
        return false;
    FlushDecoder();
    if (!DecodeNext())
        return false;
    // The packet that gave the first frame tells where we are.
    const auto found =
        std::lower_bound(m_index.begin(), m_index.end(), m_frame->pkt_pos,
                         [](const SIndexEntry &item, int64_t position) { return item.position < position; });
    if (found == m_index.end() || found->position != m_frame->pkt_pos || found->frame > frame)
        return false;
    m_pendingStart = found->frame;
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
