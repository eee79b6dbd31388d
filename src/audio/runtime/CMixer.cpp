#include "CMixer.h"

#include "RuntimeError.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <utility>
#if defined(__SSE__)
#include <pmmintrin.h>
#endif

namespace
{
int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

constexpr int kNoVolume = -1;
constexpr int kNoFreq = -1;
constexpr int kNoPan = -101;

// While alive, floats too small to be normal are taken as zero. An equaliser or reverb
// tail fading through a long silence reaches that range, where a processor may take many
// times longer per sample. The caller's mode comes back afterwards.
class CFlushDenormals
{
public:
#if defined(__SSE__)
    CFlushDenormals() : m_saved(_mm_getcsr())
    {
        _mm_setcsr(m_saved | _MM_FLUSH_ZERO_ON | _MM_DENORMALS_ZERO_ON);
    }
    ~CFlushDenormals()
    {
        _mm_setcsr(m_saved);
    }
    CFlushDenormals(const CFlushDenormals &) = delete;
    CFlushDenormals &operator=(const CFlushDenormals &) = delete;

private:
    unsigned m_saved;
#endif
};
} // namespace

CMixer::CMixer(int outputRate)
    : m_outputRate(outputRate), m_clock(&NowNs),
      m_tail(static_cast<size_t>(CLoopReader::SeamFrames(outputRate, INT64_MAX)) * 2)
{
}

void CMixer::SetClock(Clock clock)
{
    std::lock_guard lock(m_mutex);
    m_clock = clock;
}

void CMixer::SetLatencyFrames(int frames)
{
    std::lock_guard lock(m_mutex);
    m_latencyFrames = frames;
}

int64_t CMixer::HeardOutputFrame(int64_t nowNs) const
{
    if (m_latencyFrames == 0)
        return m_outputFrames;
    // When the last block was rendered the device began the block before it.
    const int64_t elapsed = (nowNs - m_blockTime) * m_outputRate / 1000000000;
    return m_blockStart - m_latencyFrames + std::clamp<int64_t>(elapsed, 0, m_latencyFrames);
}

CChannel *CMixer::Find(DWORD handle)
{
    const auto found = m_channels.find(handle);
    if (found == m_channels.end())
        return Fail<CChannel *>(BASS_ERROR_HANDLE, nullptr);
    if (!found->second->HasSource()) // a source now read by its tempo channel
        return Fail<CChannel *>(BASS_ERROR_DECODE, nullptr);
    return found->second.get();
}

DWORD CMixer::AddChannel(std::unique_ptr<CChannel> channel)
{
    std::lock_guard lock(m_mutex);
    const DWORD handle = NextHandle();
    m_channels.emplace(handle, std::move(channel));
    PostDecodingWork();
    SetRuntimeError(BASS_OK);
    return handle;
}

DWORD CMixer::WrapWithStretch(DWORD source, DWORD flags, std::unique_ptr<CTimeStretch> stretch)
{
    std::lock_guard lock(m_mutex);
    CChannel *channel = Find(source);
    if (channel == nullptr)
        return 0;
    if (channel->Kind() != CChannel::EKind::Stream || !channel->IsDecoding())
        return Fail<DWORD>(BASS_ERROR_DECODE, 0);
    const DWORD tempoFlags = (flags & ~static_cast<DWORD>(BASS_FX_FREESOURCE)) | (channel->Flags() & BASS_SAMPLE_FX);
    auto tempo = std::make_unique<CChannel>(channel->TakeSource(), CChannel::EKind::Stream, tempoFlags, m_outputRate);
    tempo->SetStretch(std::move(stretch));
    const DWORD handle = NextHandle();
    m_channels.emplace(handle, std::move(tempo));
    PostDecodingWork();
    m_wrapped[source] = handle;
    if ((flags & BASS_FX_FREESOURCE) != 0)
        m_freeWith[handle] = source;
    SetRuntimeError(BASS_OK);
    return handle;
}

bool CMixer::Free(DWORD handle, CChannel::EKind kind)
{
    // Channels close their files after the lock is let go.
    std::vector<std::shared_ptr<CChannel>> doomed;
    std::lock_guard lock(m_mutex);
    const auto found = m_channels.find(handle);
    if (found == m_channels.end() || found->second->Kind() != kind)
        return Fail(BASS_ERROR_HANDLE, false);
    std::erase_if(m_effects, [handle](const auto &entry) { return entry.second == handle; });
    KeepFadeOut(*found->second);
    doomed.push_back(std::move(found->second));
    m_channels.erase(found);
    m_wrapped.erase(handle);
    const auto source = m_freeWith.find(handle);
    if (source != m_freeWith.end()) {
        const auto sourceChannel = m_channels.find(source->second);
        if (sourceChannel != m_channels.end()) {
            doomed.push_back(std::move(sourceChannel->second));
            m_channels.erase(sourceChannel);
        }
        m_wrapped.erase(source->second);
        m_freeWith.erase(source);
    }
    SetRuntimeError(BASS_OK);
    return true;
}

void CMixer::Reset(int outputRate)
{
    FreeAll();
    std::lock_guard lock(m_mutex);
    m_outputRate = outputRate;
    m_tail.assign(static_cast<size_t>(CLoopReader::SeamFrames(outputRate, INT64_MAX)) * 2, 0.0f);
}

void CMixer::FreeAll()
{
    std::map<DWORD, std::shared_ptr<CChannel>> doomed;
    std::lock_guard lock(m_mutex);
    doomed.swap(m_channels);
    m_freeWith.clear();
    m_wrapped.clear();
    m_effects.clear();
    DropTail();
}

void CMixer::KeepFadeOut(CChannel &channel)
{
    if (channel.State() != CChannel::EState::Playing)
        return;
    // What is left of an earlier fade-out moves to the front; this one is added to it.
    const int left = m_tailFrames - m_tailDone;
    std::memmove(m_tail.data(), m_tail.data() + static_cast<size_t>(m_tailDone) * 2,
                 static_cast<size_t>(left) * 2 * sizeof(float));
    std::fill(m_tail.begin() + static_cast<std::ptrdiff_t>(left) * 2, m_tail.end(), 0.0f);
    const int added = channel.FadeOutInto(m_tail.data(), static_cast<int>(m_tail.size() / 2));
    m_tailFrames = std::max(left, added);
    m_tailDone = 0;
    m_bFadeInNext = true;
}

void CMixer::MixTail(float *out, int frames)
{
    const int count = std::min(frames, m_tailFrames - m_tailDone);
    const float *from = m_tail.data() + static_cast<size_t>(m_tailDone) * 2;
    for (int i = 0; i < count * 2; ++i)
        out[i] += from[i];
    m_tailDone += count;
}

void CMixer::DropTail()
{
    m_tailFrames = 0;
    m_tailDone = 0;
    m_bFadeInNext = false;
}

bool CMixer::Play(DWORD handle, bool restart)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        if (channel.IsDecoding())
            return Fail(BASS_ERROR_DECODE, false);
        const bool starts = channel.State() != CChannel::EState::Playing;
        channel.Play(restart);
        if (starts && std::exchange(m_bFadeInNext, false))
            channel.FadeIn();
        PostDecodingWork();
        return Succeed<bool>(true);
    });
}

bool CMixer::Pause(DWORD handle)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        if (channel.State() == CChannel::EState::Paused)
            return Fail(BASS_ERROR_ALREADY, false);
        if (channel.State() != CChannel::EState::Playing)
            return Fail(BASS_ERROR_NOPLAY, false);
        channel.Pause(HeardOutputFrame(m_clock()));
        PostDecodingWork();
        return Succeed<bool>(true);
    });
}

bool CMixer::Stop(DWORD handle)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        channel.Stop(HeardOutputFrame(m_clock()));
        PostDecodingWork();
        return Succeed<bool>(true);
    });
}

bool CMixer::IsAudible()
{
    std::lock_guard lock(m_mutex);
    if (m_tailDone < m_tailFrames)
        return true;
    for (const auto &[handle, channel] : m_channels)
        if (channel->State() == CChannel::EState::Playing && !channel->IsDecoding())
            return true;
    return false;
}

DWORD CMixer::IsActive(DWORD handle)
{
    return WithChannel<DWORD>(handle, BASS_ACTIVE_STOPPED, [&](CChannel &channel) {
        SetRuntimeError(BASS_OK);
        switch (channel.State()) {
        case CChannel::EState::Playing: return BASS_ACTIVE_PLAYING;
        case CChannel::EState::Paused: return BASS_ACTIVE_PAUSED;
        case CChannel::EState::Stopped: break;
        }
        return BASS_ACTIVE_STOPPED;
    });
}

QWORD CMixer::GetLength(DWORD handle)
{
    return WithChannel<QWORD>(handle, static_cast<QWORD>(-1), [&](CChannel &channel) {
        return Succeed<QWORD>(static_cast<QWORD>(channel.LengthFrames()) * static_cast<QWORD>(channel.BytesPerFrame()));
    });
}

const char *CMixer::GetTags(DWORD handle)
{
    return WithChannel<const char *>(handle, nullptr,
                                     [](CChannel &channel) { return Succeed(channel.Tags().c_str()); });
}

QWORD CMixer::GetPosition(DWORD handle)
{
    return WithChannel<QWORD>(handle, static_cast<QWORD>(-1), [&](CChannel &channel) {
        SetRuntimeError(BASS_OK);
        const auto frame = static_cast<QWORD>(channel.HeardPosition(HeardOutputFrame(m_clock())));
        return frame * static_cast<QWORD>(channel.BytesPerFrame());
    });
}

bool CMixer::SetPosition(DWORD handle, QWORD bytes)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        const auto frame = static_cast<int64_t>(bytes / static_cast<QWORD>(channel.BytesPerFrame()));
        if (bytes > static_cast<QWORD>(INT64_MAX) || !channel.Seek(frame))
            return Fail(BASS_ERROR_POSITION, false);
        PostDecodingWork();
        return Succeed<bool>(true);
    });
}

bool CMixer::SetLoop(DWORD handle, QWORD start, QWORD end, DWORD flags)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        const auto bytesPerFrame = static_cast<QWORD>(channel.BytesPerFrame());
        const auto length = static_cast<QWORD>(channel.LengthFrames());
        if (end > start && start / bytesPerFrame >= length)
            return Fail(BASS_ERROR_POSITION, false);
        const QWORD startFrame = start / bytesPerFrame;
        const QWORD endFrame = std::min(end / bytesPerFrame, length);
        channel.SetLoop(static_cast<int64_t>(startFrame), static_cast<int64_t>(endFrame),
                        (flags & BASS_LOOP_ONCE) != 0);
        PostDecodingWork();
        return Succeed<bool>(true);
    });
}

float CMixer::BytesToSeconds(DWORD handle, QWORD bytes)
{
    return WithChannel<float>(handle, -1.0f, [&](CChannel &channel) {
        SetRuntimeError(BASS_OK);
        const double perSecond = static_cast<double>(channel.BytesPerFrame()) * channel.SourceRate();
        return static_cast<float>(static_cast<double>(bytes) / perSecond);
    });
}

QWORD CMixer::SecondsToBytes(DWORD handle, float seconds)
{
    return WithChannel<QWORD>(handle, static_cast<QWORD>(-1), [&](CChannel &channel) {
        if (!(seconds >= 0.0f))
            return Fail(BASS_ERROR_ILLPARAM, static_cast<QWORD>(-1));
        SetRuntimeError(BASS_OK);
        const auto frames = static_cast<QWORD>(std::llround(static_cast<double>(seconds) * channel.SourceRate()));
        return frames * static_cast<QWORD>(channel.BytesPerFrame());
    });
}

bool CMixer::GetAttributes(DWORD handle, DWORD *freq, DWORD *volume, int *pan)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        if (freq != nullptr)
            *freq = static_cast<DWORD>(std::lround(channel.Freq()));
        if (volume != nullptr)
            *volume = static_cast<DWORD>(channel.Volume());
        if (pan != nullptr)
            *pan = channel.Pan();
        return Succeed<bool>(true);
    });
}

bool CMixer::SetAttributes(DWORD handle, int freq, int volume, int pan)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        const bool freqOk = freq == kNoFreq || freq == 0 || (freq >= 100 && freq <= 200000);
        const bool volumeOk = volume == kNoVolume || (volume >= 0 && volume <= 100);
        const bool panOk = pan == kNoPan || (pan >= -100 && pan <= 100);
        if (!freqOk || !volumeOk || !panOk)
            return Fail(BASS_ERROR_ILLPARAM, false);
        if (freq != kNoFreq)
            channel.SetFreq(freq == 0 ? channel.SourceRate() : freq); // 0: the file's own rate
        if (volume != kNoVolume)
            channel.SetVolume(volume);
        if (pan != kNoPan)
            channel.SetPan(pan);
        PostDecodingWork();
        return Succeed<bool>(true);
    });
}

bool CMixer::SetTempo(DWORD handle, float tempo, float rate, float pitch)
{
    return WithChannel<bool>(handle, false, [&](CChannel &channel) {
        if (!channel.HasStretch())
            return Fail(BASS_ERROR_HANDLE, false);
        if (!(tempo >= -95.0f && tempo <= 5000.0f) || std::isnan(rate) || !(pitch >= -60.0f && pitch <= 60.0f))
            return Fail(BASS_ERROR_ILLPARAM, false);
        if (rate > 0.0f)
            channel.SetFreq(rate);
        channel.SetTempo(1.0 + tempo / 100.0, pitch);
        PostDecodingWork();
        return Succeed<bool>(true);
    });
}

HSYNC CMixer::SetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user)
{
    return WithChannel<HSYNC>(handle, 0, [&](CChannel &channel) {
        if (type != BASS_SYNC_END)
            return Fail<HSYNC>(BASS_ERROR_ILLTYPE, 0);
        if (proc == nullptr)
            return Fail<HSYNC>(BASS_ERROR_ILLPARAM, 0);
        SetRuntimeError(BASS_OK);
        // The same request again (every resume of a channel) keeps one registration, so
        // one end of the channel gives one call.
        for (const CChannel::SSync &sync : channel.Syncs())
            if (sync.type == type && sync.param == param && sync.proc == proc && sync.user == user)
                return sync.handle;
        const HSYNC sync = NextHandle();
        channel.Syncs().push_back(CChannel::SSync{sync, type, param, proc, user});
        return sync;
    });
}

HFX CMixer::SetEffect(DWORD handle, DWORD type, int priority)
{
    return WithChannel<HFX>(handle, 0, [&](CChannel &channel) {
        if (type != BASS_FX_PARAMEQ && type != BASS_FX_REVERB)
            return Fail<HFX>(BASS_ERROR_ILLTYPE, 0);
        const HFX effect = channel.AddEffect(NextHandle(), type, priority);
        m_effects[effect] = handle;
        return Succeed<HFX>(effect);
    });
}

bool CMixer::GetEffectParameters(HFX effect, void *parameters)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_effects.find(effect);
    if (found == m_effects.end())
        return Fail(BASS_ERROR_HANDLE, false);
    if (parameters == nullptr)
        return Fail(BASS_ERROR_ILLPARAM, false);
    SetRuntimeError(BASS_OK);
    return m_channels.at(found->second)->GetEffectParameters(effect, parameters);
}

bool CMixer::SetEffectParameters(HFX effect, const void *parameters)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_effects.find(effect);
    if (found == m_effects.end())
        return Fail(BASS_ERROR_HANDLE, false);
    if (parameters == nullptr || !m_channels.at(found->second)->SetEffectParameters(effect, parameters))
        return Fail(BASS_ERROR_ILLPARAM, false);
    SetRuntimeError(BASS_OK);
    return true;
}

bool CMixer::DecodeAhead()
{
    std::vector<std::shared_ptr<CChannel>> channels;
    {
        std::lock_guard lock(m_mutex);
        channels.reserve(m_channels.size());
        for (const auto &entry : m_channels)
            channels.push_back(entry.second);
    }
    bool more = false;
    for (const std::shared_ptr<CChannel> &channel : channels) {
        // The decode lock is held from the job to its commit, so chunks land in order.
        std::lock_guard decodeLock(channel->DecodeMutex());
        CChannel::SDecodeJob job;
        {
            std::lock_guard lock(m_mutex);
            if (!channel->WantsDecoding(job))
                continue;
        }
        const CChannel::SDecoded decoded = channel->DecodeChunk(job);
        std::lock_guard lock(m_mutex);
        channel->Commit(job, decoded);
        CChannel::SDecodeJob next;
        more = more || channel->WantsDecoding(next);
    }
    return more;
}

void CMixer::DecodeAll()
{
    while (DecodeAhead()) {
    }
}

// Rings stay full while nothing plays, so the thread sleeps until told; while
// something plays it wakes when a quarter of a ring has been heard, long
// before the output could run dry.
void CMixer::WaitForWork()
{
    std::unique_lock lock(m_mutex);
    const auto posted = [this] { return std::exchange(m_bWorkPosted, false); };
    const bool playing = std::any_of(m_channels.begin(), m_channels.end(), [](const auto &entry) {
        return entry.second->State() == CChannel::EState::Playing;
    });
    if (playing)
        m_work.wait_for(lock, std::chrono::milliseconds(1000 * CChannel::kRingFrames / 4 / m_outputRate), posted);
    else
        m_work.wait(lock, posted);
}

void CMixer::Wake()
{
    std::lock_guard lock(m_mutex);
    PostDecodingWork();
}

// Under the lock: a wait that begins later still sees the work.
void CMixer::PostDecodingWork()
{
    m_bWorkPosted = true;
    m_work.notify_all();
}

int CMixer::Process(float *out, int frames, int64_t nowNs, SEndEvent *events, int maxEvents)
{
    [[maybe_unused]] const CFlushDenormals flush;
    std::lock_guard lock(m_mutex);
    std::memset(out, 0, static_cast<size_t>(frames) * 2 * sizeof(float));
    m_blockStart = m_outputFrames;
    m_blockTime = nowNs;
    int count = 0;
    for (auto &[handle, channel] : m_channels) {
        const int64_t ended = channel->MixInto(out, frames, m_outputFrames);
        if (ended < 0 || channel->Syncs().empty() || count == maxEvents)
            continue;
        // The device reaches frame `ended` after the frames queued ahead of this block.
        const int64_t ahead = ended - (m_blockStart - m_latencyFrames);
        events[count++] = SEndEvent{handle, channel->Generation(), nowNs + ahead * 1000000000 / m_outputRate};
    }
    MixTail(out, frames);
    m_outputFrames += frames;
    return count;
}

std::vector<CMixer::SSyncCall> CMixer::SyncsFor(const SEndEvent &event)
{
    std::lock_guard lock(m_mutex);
    std::vector<SSyncCall> calls;
    const auto found = m_channels.find(event.channel);
    if (found == m_channels.end() || found->second->Generation() != event.generation)
        return calls;
    for (const CChannel::SSync &sync : found->second->Syncs())
        if (sync.type == BASS_SYNC_END)
            calls.push_back(SSyncCall{sync.handle, event.channel, sync.proc, sync.user});
    return calls;
}
