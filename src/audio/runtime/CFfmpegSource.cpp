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
// MPEG layer II/III frames borrow bits from earlier frames: decode this much before a
// seek target so the first sample heard is the same as in a straight decode.
constexpr double kMpegPrerollSeconds = 0.1;

bool IsMpegAudio(AVCodecID id)
{
    return id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3;
}

// WMA seeks land well off the target; decoding forward from the start is exact.
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
    m_packet = av_packet_alloc();
    m_frame = av_frame_alloc();
    if (m_packet == nullptr || m_frame == nullptr)
        return BASS_ERROR_MEM;
    m_seekByDecoding = SeeksInexactly(m_codec->codec_id);
    if (IsMpegAudio(m_codec->codec_id))
        m_prerollFrames = static_cast<int64_t>(kMpegPrerollSeconds * m_rate);

    const bool guessed =
        m_format->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE || stream->duration == AV_NOPTS_VALUE;
    if (guessed) {
        m_length = ScanLength();
    } else {
        m_length = av_rescale_q(stream->duration, stream->time_base, AVRational{1, m_rate});
    }
    // A file whose first frame cannot be decoded is not media.
    if (!DecodeNext())
        return BASS_ERROR_FILEFORM;
    m_firstPts = m_frame->best_effort_timestamp;
    return BASS_OK;
}

int64_t CFfmpegSource::ScanLength()
{
    AVStream *stream = m_format->streams[m_stream];
    int64_t total = 0;
    while (av_read_frame(m_format, m_packet) >= 0) {
        if (m_packet->stream_index == m_stream)
            total += m_packet->duration;
        av_packet_unref(m_packet);
    }
    av_seek_frame(m_format, m_stream, stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time,
                  AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(m_codec);
    return av_rescale_q(total, stream->time_base, AVRational{1, m_rate});
}

bool CFfmpegSource::ConvertFrame()
{
    if (m_swr == nullptr) {
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        if (swr_alloc_set_opts2(&m_swr, &stereo, AV_SAMPLE_FMT_FLT, m_rate, &m_frame->ch_layout,
                                static_cast<AVSampleFormat>(m_frame->format), m_frame->sample_rate, 0, nullptr) < 0 ||
            swr_init(m_swr) < 0)
            return false;
    }
    const int count = m_frame->nb_samples;
    m_pending.resize(static_cast<size_t>(count) * 2);
    auto *out = reinterpret_cast<uint8_t *>(m_pending.data());
    const int converted = swr_convert(m_swr, &out, count, const_cast<const uint8_t **>(m_frame->extended_data), count);
    if (converted < 0)
        return false;
    m_pending.resize(static_cast<size_t>(converted) * 2);
    m_pendingOffset = 0;
    return true;
}

bool CFfmpegSource::DecodeNext()
{
    while (!m_atEnd) {
        const int received = avcodec_receive_frame(m_codec, m_frame);
        if (received == 0) {
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
        if (m_packet->stream_index == m_stream)
            avcodec_send_packet(m_codec, m_packet); // a damaged packet is skipped
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
            if (!DecodeNext())
                break;
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

int64_t CFfmpegSource::FrameStartOf(const AVFrame *frame) const
{
    const AVStream *stream = m_format->streams[m_stream];
    return av_rescale_q(frame->best_effort_timestamp - m_firstPts, stream->time_base, AVRational{1, m_rate});
}

void CFfmpegSource::Restart()
{
    const AVStream *stream = m_format->streams[m_stream];
    av_seek_frame(m_format, m_stream, stream->start_time == AV_NOPTS_VALUE ? 0 : stream->start_time,
                  AVSEEK_FLAG_BACKWARD);
    avcodec_flush_buffers(m_codec);
    swr_free(&m_swr);
    m_atEnd = false;
    m_draining = false;
    m_pending.clear();
    m_pendingOffset = 0;
    m_pendingStart = 0;
}

bool CFfmpegSource::SeekFromStart(int64_t frame)
{
    Restart();
    DiscardUntil(frame);
    return true;
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
    }
}

bool CFfmpegSource::Seek(int64_t frame)
{
    if (frame < 0 || frame > m_length)
        return false;
    if (m_seekByDecoding || frame <= m_prerollFrames)
        return SeekFromStart(frame);
    const AVStream *stream = m_format->streams[m_stream];
    const int64_t target = frame - m_prerollFrames;
    const int64_t timestamp = m_firstPts + av_rescale_q(target, AVRational{1, m_rate}, stream->time_base);
    if (av_seek_frame(m_format, m_stream, timestamp, AVSEEK_FLAG_BACKWARD) < 0)
        return SeekFromStart(frame);
    avcodec_flush_buffers(m_codec);
    m_atEnd = false;
    m_draining = false;
    m_pending.clear();
    m_pendingOffset = 0;
    if (!DecodeNext() || m_frame->best_effort_timestamp == AV_NOPTS_VALUE)
        return SeekFromStart(frame);
    m_pendingStart = FrameStartOf(m_frame);
    if (m_pendingStart > frame) // the container's index overshot
        return SeekFromStart(frame);
    DiscardUntil(frame);
    return true;
}
