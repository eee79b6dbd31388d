#include "CChannel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

CChannel::CChannel(std::unique_ptr<CSource> source, EKind kind, DWORD flags, int outputRate)
    : m_kind(kind), m_flags(flags), m_outputRate(outputRate), m_ring(static_cast<size_t>(kRingFrames) * 2),
      m_ringPosition(static_cast<size_t>(kRingFrames)),
      m_splice(static_cast<size_t>(CLoopReader::SeamFrames(outputRate, INT64_MAX)) * 2), m_source(std::move(source)),
      m_loop(m_source->Rate()), m_resampleBuffer(static_cast<size_t>(kChunk + 2) * 2),
      m_scratch(static_cast<size_t>(kChunk) * 2), m_decodeBuffer(static_cast<size_t>(kChunk) * 2)
{
    m_freq = m_source->Rate();
    m_length = m_source->LengthFrames();
}

std::unique_ptr<CSource> CChannel::TakeSource()
{
    return std::move(m_source);
}

void CChannel::SetStretch(std::unique_ptr<CTimeStretch> stretch)
{
    m_stretch = std::move(stretch);
    m_stretch->Configure(m_source->Rate());
}

double CChannel::Position() const
{
    const double position = m_ringCount > 0 ? m_ringPosition[static_cast<size_t>(m_ringRead)] : m_writePosition;
    return std::clamp(position, 0.0, static_cast<double>(m_length));
}

double CChannel::HeardPosition(int64_t outputFrame) const
{
    if (m_state != EState::Playing)
        return Position();
    const SHistory *oldest = nullptr;
    for (const SHistory &entry : m_history) {
        if (entry.frames == 0)
            continue;
        if (outputFrame >= entry.outputStart && outputFrame < entry.outputStart + entry.frames) {
            const double part = static_cast<double>(outputFrame - entry.outputStart) / entry.frames;
            return entry.positionStart + (entry.positionEnd - entry.positionStart) * part;
        }
        if (oldest == nullptr || entry.outputStart < oldest->outputStart)
            oldest = &entry;
    }
    if (oldest != nullptr && outputFrame < oldest->outputStart)
        return oldest->positionStart;
    return Position();
}

void CChannel::Remember(int64_t outputStart, int frames, double start, double end)
{
    m_history[m_historyNext] = SHistory{outputStart, frames, start, end};
    m_historyNext = (m_historyNext + 1) % m_history.size();
}

void CChannel::Reposition(int64_t frame)
{
    // The decoding side sees the new generation and starts over at frame; whatever it
    // is making for the old one is thrown away when it comes back.
    m_start = frame;
    m_writePosition = static_cast<double>(frame);
    m_ringRead = 0;
    m_ringCount = 0;
    m_ringEnded = false;
    m_ended = false;
    ++m_generation;
    m_history.fill(SHistory{});
    m_spliceFrames = 0;
    m_fadeInFrames = 0;
}

void CChannel::JumpTo(int64_t frame)
{
    const bool playing = m_state == EState::Playing;
    const int spliced = playing ? SetAsideWhatComesNext() : 0;
    Reposition(frame);
    m_spliceFrames = spliced;
    m_spliceDone = 0;
    if (playing && spliced == 0)
        FadeIn(); // the sound had run dry: the new one rises from silence
}

int CChannel::SetAsideWhatComesNext()
{
    // Jumps in a row before the decoding side catches up: the first one's crossfade,
    // not yet begun, still holds what is heard next.
    if (m_ringCount == 0)
        return m_spliceDone == 0 ? m_spliceFrames : 0;
    const int frames = std::min(m_ringCount, SpliceRoom());
    SetAside(0, frames);
    return frames;
}

void CChannel::SetAside(int index, int frames)
{
    for (int i = 0; i < frames; ++i) {
        const size_t slot = static_cast<size_t>((m_ringRead + index + i) % kRingFrames);
        m_splice[static_cast<size_t>(i) * 2] = m_ring[slot * 2];
        m_splice[static_cast<size_t>(i) * 2 + 1] = m_ring[slot * 2 + 1];
    }
}

bool CChannel::Seek(int64_t frame)
{
    if (frame < 0 || frame > m_length)
        return false;
    JumpTo(frame);
    return true;
}

void CChannel::SetLoop(int64_t start, int64_t end, bool once)
{
    end = std::min(end, m_length);
    if (start < 0 || end <= start)
        start = end = 0;
    if (start == m_loopStart && end == m_loopEnd && once == m_bLoopOnce)
        return;
    // Ended at the end of a loop played once, the channel stays there without it.
    const bool restAtEnd = m_ended && m_bLoopOnce && m_loopEnd > m_loopStart;
    const int64_t rest = m_loopEnd;
    m_loopStart = start;
    m_loopEnd = end;
    m_bLoopOnce = once;
    if (restAtEnd)
        Reposition(rest);
    else if (m_source != nullptr && !m_ended)
        RedoFrom(FirstFrameToRedo());
}

double CChannel::EndPosition() const
{
    return static_cast<double>(m_bLoopOnce && m_loopEnd > m_loopStart ? m_loopEnd : m_length);
}

double CChannel::RingPosition(int index) const
{
    return m_ringPosition[static_cast<size_t>((m_ringRead + index) % kRingFrames)];
}

int CChannel::FirstFrameToRedo() const
{
    // Frames after a jump back belong to a seam of the loop before; frames from the new
    // loop's crossfade on would now be faded into its start.
    const bool looping = m_loopEnd > m_loopStart;
    const int64_t seamFrom =
        looping ? m_loopEnd - CLoopReader::SeamFrames(SourceRate(), m_loopEnd - m_loopStart) : INT64_MAX;
    int first = 0;
    while (first < m_ringCount) {
        const double position = RingPosition(first);
        if (first > 0 && position < RingPosition(first - 1))
            break;
        if (position >= static_cast<double>(seamFrom) && position < static_cast<double>(m_loopEnd))
            break;
        ++first;
    }
    // A stretched frame's position is its place on average: the sound in it may come
    // from a few tens of milliseconds either side.
    const bool stretched = m_stretch != nullptr && (m_tempo != 1.0 || m_pitch != 0.0);
    const int reach = stretched ? static_cast<int>(m_outputRate * kStretchReachSeconds) : 0;
    return std::max(first - reach, 0);
}

void CChannel::RedoFrom(int index)
{
    // The decoding side has read on past the ring with the old loop, so it always starts
    // over; a run of frames before the change is kept aside to crossfade from.
    const int keep = std::clamp(m_ringCount - SpliceRoom(), 0, index);
    double next = m_writePosition;
    if (keep < m_ringCount) {
        const bool jumpsBack = keep > 0 && RingPosition(keep) < RingPosition(keep - 1);
        const double step = (m_stretch != nullptr ? m_tempo : 1.0) * m_freq / m_outputRate;
        next = jumpsBack ? RingPosition(keep - 1) + step : RingPosition(keep);
    }
    // With nothing dropped, a crossfade in hand (a seek's, say) still goes on as it was.
    if (keep < m_ringCount) {
        m_spliceFrames = std::min(SpliceRoom(), m_ringCount - keep);
        m_spliceDone = 0;
        SetAside(keep, m_spliceFrames);
    }
    m_ringCount = keep;
    m_ringEnded = false;
    m_start = std::clamp<int64_t>(std::llround(next), 0, m_length);
    m_writePosition = static_cast<double>(m_start);
    ++m_generation;
}

void CChannel::Play(bool restart)
{
    if (restart || m_ended)
        JumpTo(0);
    m_state = EState::Playing;
}

void CChannel::Pause(int64_t heardOutputFrame)
{
    // What was mixed but not yet heard is played again on resume.
    Reposition(static_cast<int64_t>(HeardPosition(heardOutputFrame)));
    m_state = EState::Paused;
}

void CChannel::Stop(int64_t heardOutputFrame)
{
    if (m_state == EState::Playing)
        Reposition(static_cast<int64_t>(HeardPosition(heardOutputFrame)));
    m_state = EState::Stopped;
}

void CChannel::SetFreq(double freq)
{
    if (freq == m_freq)
        return;
    m_freq = freq;
    if (!m_ended)
        JumpTo(static_cast<int64_t>(Position())); // heard at once, not after the ring
}

void CChannel::SetTempo(double factor, double semitones)
{
    if (m_stretch == nullptr || (factor == m_tempo && semitones == m_pitch))
        return;
    m_tempo = factor;
    m_pitch = semitones;
    if (!m_ended)
        JumpTo(static_cast<int64_t>(Position()));
}

bool CChannel::WantsDecoding(SDecodeJob &job) const
{
    if (m_source == nullptr || IsDecoding() || m_ended || m_ringEnded || m_ringCount == kRingFrames)
        return false;
    job = SDecodeJob{m_generation,
                     m_start,
                     m_freq,
                     m_stretch != nullptr ? m_tempo : 1.0,
                     m_stretch != nullptr ? m_pitch : 0.0,
                     kRingFrames - m_ringCount,
                     m_loopStart,
                     m_loopEnd,
                     m_bLoopOnce};
    return true;
}

void CChannel::RestartDecoding(const SDecodeJob &job)
{
    m_source->Seek(job.start);
    m_loop.Restart(*m_source, job.start, job.loopStart, job.loopEnd, job.loopOnce);
    m_stretchBypass = job.tempo == 1.0 && job.pitch == 0.0;
    if (m_stretch != nullptr) {
        m_stretch->Clear();
        m_stretch->SetTempo(job.tempo);
        m_stretch->SetPitch(job.pitch);
    }
    m_decodeTempo = job.tempo;
    m_decodeFreq = job.freq;
    m_flushed = false;
    m_sourceDone = false;
    m_resampleFrames = 0;
    m_resamplePoint = 0;
    m_decodeStart = job.start;
    m_framesOut = 0;
    m_decodeGeneration = job.generation;
}

double CChannel::StagePosition() const
{
    // One product, not a running sum: no rounding piles up over a long file.
    return static_cast<double>(m_decodeStart) +
           static_cast<double>(m_framesOut) * (StretchActive() ? m_decodeTempo : 1.0);
}

double CChannel::DecodedPosition() const
{
    // Virtual: a looping run counts on past the loop's end (see RealPosition).
    const double queued = m_resampleFrames - std::floor(m_resamplePoint);
    const double position = StagePosition() - queued * (StretchActive() ? m_decodeTempo : 1.0);
    return std::max(position, 0.0);
}

double CChannel::RealPosition(double virtualPosition) const
{
    return std::clamp(m_loop.RealPosition(virtualPosition), 0.0, static_cast<double>(m_length));
}

CChannel::SDecoded CChannel::DecodeChunk(const SDecodeJob &job)
{
    if (job.generation != m_decodeGeneration)
        RestartDecoding(job);
    SDecoded decoded;
    const int wanted = std::min(job.room, kChunk);
    decoded.positionStart = DecodedPosition();
    decoded.frames = Resample(m_decodeBuffer.data(), wanted);
    decoded.positionEnd = DecodedPosition();
    decoded.ended = decoded.frames < wanted;
    return decoded;
}

void CChannel::Commit(const SDecodeJob &job, const SDecoded &decoded)
{
    m_length = m_source->LengthFrames(); // exact once decoding met the end
    if (job.generation != m_generation)
        return;
    BlendSplice(decoded.frames);
    const double step = decoded.frames > 0 ? (decoded.positionEnd - decoded.positionStart) / decoded.frames : 0.0;
    const int first = (m_ringRead + m_ringCount) % kRingFrames;
    for (int done = 0; done < decoded.frames;) {
        const int slot = (first + done) % kRingFrames;
        const int run = std::min(decoded.frames - done, kRingFrames - slot);
        std::memcpy(&m_ring[static_cast<size_t>(slot) * 2], &m_decodeBuffer[static_cast<size_t>(done) * 2],
                    static_cast<size_t>(run) * 2 * sizeof(float));
        for (int i = 0; i < run; ++i)
            m_ringPosition[static_cast<size_t>(slot + i)] = RealPosition(decoded.positionStart + step * (done + i));
        done += run;
    }
    m_ringCount += decoded.frames;
    m_writePosition = RealPosition(decoded.positionEnd);
    if (decoded.ended) {
        m_ringEnded = true;
        m_writePosition = EndPosition();
    }
}

void CChannel::BlendSplice(int frames)
{
    const int blended = std::min(frames, m_spliceFrames - m_spliceDone);
    for (int i = 0; i < blended; ++i) {
        const int index = m_spliceDone + i;
        const float in = CLoopReader::FadeIn(index, m_spliceFrames);
        for (int side = 0; side < 2; ++side) {
            float &sample = m_decodeBuffer[static_cast<size_t>(i * 2 + side)];
            sample = sample * in + m_splice[static_cast<size_t>(index * 2 + side)] * (1.0f - in);
        }
    }
    m_spliceDone += std::max(blended, 0);
}

int CChannel::PullStretched(float *out, int count)
{
    if (!StretchActive()) {
        const int read = m_loop.Read(*m_source, out, count);
        m_framesOut += read;
        return read;
    }
    int done = 0;
    const double length = static_cast<double>(m_source->LengthFrames());
    while (done < count) {
        int wanted = count - done;
        if (m_flushed) {
            // The flush pads with silence: stop where the source ended.
            const double left = std::ceil((length - StagePosition()) / m_decodeTempo);
            wanted = std::min<int>(wanted, static_cast<int>(std::max(0.0, left)));
            if (wanted == 0)
                break;
        }
        const int got = m_stretch->Receive(out + static_cast<size_t>(done) * 2, wanted);
        done += got;
        m_framesOut += got;
        if (got > 0)
            continue;
        if (m_flushed)
            break;
        const int read = m_loop.Read(*m_source, m_scratch.data(), kChunk);
        if (read > 0) {
            m_stretch->Put(m_scratch.data(), read);
        } else {
            m_stretch->Flush();
            m_flushed = true;
        }
    }
    return done;
}

bool CChannel::FillResampler()
{
    // Keep one frame before the read point: the interpolation looks one frame back.
    const int consumed = std::max(0, std::min(static_cast<int>(m_resamplePoint), m_resampleFrames) - 1);
    const int keep = m_resampleFrames - consumed;
    std::memmove(m_resampleBuffer.data(), m_resampleBuffer.data() + static_cast<size_t>(consumed) * 2,
                 static_cast<size_t>(keep) * 2 * sizeof(float));
    m_resampleFrames = keep;
    m_resamplePoint -= consumed;
    const int room = static_cast<int>(m_resampleBuffer.size() / 2) - keep;
    const int pulled = room > 0 ? PullStretched(m_resampleBuffer.data() + static_cast<size_t>(keep) * 2, room) : 0;
    m_resampleFrames += pulled;
    if (pulled == 0)
        m_sourceDone = true;
    return pulled > 0;
}

int CChannel::PassThrough(float *out, int count)
{
    int done = 0;
    while (done < count) {
        const int pulled = PullStretched(out + static_cast<size_t>(done) * 2, count - done);
        if (pulled == 0)
            break;
        done += pulled;
    }
    return done;
}

int CChannel::Resample(float *out, int count)
{
    // At an unchanged rate every read point is a whole frame, where the interpolation
    // gives the frame itself: the frames go straight through.
    if (m_decodeFreq == m_outputRate)
        return PassThrough(out, count);
    // Four-point cubic (Catmull-Rom) interpolation.
    const double step = m_decodeFreq / m_outputRate;
    int done = 0;
    while (done < count) {
        const int index = static_cast<int>(m_resamplePoint);
        if (index + 2 >= m_resampleFrames && !m_sourceDone) {
            FillResampler(); // moves the read point: look again
            continue;
        }
        if (index >= m_resampleFrames)
            break;
        const int last = m_resampleFrames - 1;
        const float *y0 = m_resampleBuffer.data() + static_cast<size_t>(std::max(index - 1, 0)) * 2;
        const float *y1 = m_resampleBuffer.data() + static_cast<size_t>(index) * 2;
        const float *y2 = m_resampleBuffer.data() + static_cast<size_t>(std::min(index + 1, last)) * 2;
        const float *y3 = m_resampleBuffer.data() + static_cast<size_t>(std::min(index + 2, last)) * 2;
        const float f = static_cast<float>(m_resamplePoint - index);
        for (int side = 0; side < 2; ++side) {
            const float c1 = 0.5f * (y2[side] - y0[side]);
            const float c2 = y0[side] - 2.5f * y1[side] + 2.0f * y2[side] - 0.5f * y3[side];
            const float c3 = 0.5f * (y3[side] - y0[side]) + 1.5f * (y1[side] - y2[side]);
            out[done * 2 + side] = ((c3 * f + c2) * f + c1) * f + y1[side];
        }
        m_resamplePoint += step;
        ++done;
    }
    return done;
}

void CChannel::ApplyEffectsAndGain(float *frames, int count)
{
    for (SEffect &effect : m_effects) {
        if (effect.eq != nullptr)
            effect.eq->Process(frames, count);
        else
            effect.reverb->Process(frames, count);
    }
    const float volume = static_cast<float>(m_volume) / 100.0f;
    const float left = volume * (m_pan > 0 ? static_cast<float>(100 - m_pan) / 100.0f : 1.0f);
    const float right = volume * (m_pan < 0 ? static_cast<float>(100 + m_pan) / 100.0f : 1.0f);
    if (left == 1.0f && right == 1.0f)
        return; // full volume, centred
    for (int i = 0; i < count; ++i) {
        frames[i * 2] *= left;
        frames[i * 2 + 1] *= right;
    }
}

void CChannel::ApplyFadeIn(float *frames, int count)
{
    const int faded = std::clamp(m_fadeInFrames - m_fadeInDone, 0, count);
    for (int i = 0; i < faded; ++i) {
        const float in = CLoopReader::FadeIn(m_fadeInDone + i, m_fadeInFrames);
        frames[i * 2] *= in;
        frames[i * 2 + 1] *= in;
    }
    m_fadeInDone += faded;
}

template <typename Add> void CChannel::TakeFromRing(int count, Add &&add)
{
    // The effects run on the ring itself, one stretch up to its wrap at a time.
    for (int done = 0; done < count;) {
        const int run = std::min(count - done, kRingFrames - m_ringRead);
        float *frames = &m_ring[static_cast<size_t>(m_ringRead) * 2];
        ApplyEffectsAndGain(frames, run);
        ApplyFadeIn(frames, run);
        add(frames, done, run);
        m_ringRead = (m_ringRead + run) % kRingFrames;
        m_ringCount -= run;
        done += run;
    }
}

int64_t CChannel::MixInto(float *mix, int count, int64_t outputStart)
{
    if (m_state != EState::Playing || m_source == nullptr)
        return -1;
    const double start = Position();
    const int taken = std::min(count, m_ringCount);
    // A loop's seam in the block makes two stretches of heard positions.
    int seam = 1;
    while (seam < taken && RingPosition(seam) >= RingPosition(seam - 1))
        ++seam;
    const double seamStart = seam < taken ? RingPosition(seam) : 0.0;
    const double beforeSeam = RingPosition(std::max(seam - 1, 0));
    TakeFromRing(taken, [mix](const float *frames, int offset, int run) {
        float *into = mix + static_cast<size_t>(offset) * 2;
        for (int i = 0; i < run * 2; ++i)
            into[i] += frames[i];
    });
    if (seam < taken) {
        Remember(outputStart, seam, start, beforeSeam);
        Remember(outputStart + seam, taken - seam, seamStart, Position());
    } else {
        Remember(outputStart, taken, start, Position());
    }
    if (taken == count || !m_ringEnded || m_ringCount > 0)
        return -1; // a ring that ran dry before the end leaves silence: the sound resumes
    m_state = EState::Stopped;
    m_ended = true;
    m_writePosition = EndPosition();
    return outputStart + taken;
}

void CChannel::FadeIn()
{
    m_fadeInFrames = SpliceRoom();
    m_fadeInDone = 0;
}

int CChannel::FadeOutInto(float *tail, int frames)
{
    if (m_state != EState::Playing || m_source == nullptr)
        return 0;
    const int count = std::min(frames, m_ringCount);
    TakeFromRing(count, [&](const float *from, int offset, int run) {
        for (int i = 0; i < run; ++i) {
            const float out = 1.0f - CLoopReader::FadeIn(offset + i, count);
            tail[(offset + i) * 2] += from[i * 2] * out;
            tail[(offset + i) * 2 + 1] += from[i * 2 + 1] * out;
        }
    });
    return count;
}

HFX CChannel::AddEffect(HFX handle, DWORD type, int priority)
{
    SEffect effect{handle, type, priority, nullptr, nullptr};
    if (type == BASS_FX_PARAMEQ)
        effect.eq = std::make_unique<CPeakingEq>(m_outputRate);
    else if (type == BASS_FX_REVERB)
        effect.reverb = std::make_unique<CReverb>(m_outputRate);
    else
        return 0;
    // Higher priorities run first; equal priorities in the order they were added.
    const auto place = std::find_if(m_effects.begin(), m_effects.end(),
                                    [priority](const SEffect &other) { return other.priority < priority; });
    m_effects.insert(place, std::move(effect));
    return handle;
}

bool CChannel::RemoveEffect(HFX handle)
{
    const auto found =
        std::find_if(m_effects.begin(), m_effects.end(), [handle](const SEffect &e) { return e.handle == handle; });
    if (found == m_effects.end())
        return false;
    m_effects.erase(found);
    return true;
}

bool CChannel::GetEffectParameters(HFX handle, void *parameters) const
{
    for (const SEffect &effect : m_effects) {
        if (effect.handle != handle)
            continue;
        if (effect.eq != nullptr) {
            const BASS_FXPARAMEQ values = effect.eq->Parameters();
            std::memcpy(parameters, &values, sizeof values);
        } else {
            const BASS_FXREVERB values = effect.reverb->Parameters();
            std::memcpy(parameters, &values, sizeof values);
        }
        return true;
    }
    return false;
}

bool CChannel::SetEffectParameters(HFX handle, const void *parameters)
{
    for (SEffect &effect : m_effects) {
        if (effect.handle != handle)
            continue;
        if (effect.eq != nullptr) {
            BASS_FXPARAMEQ values;
            std::memcpy(&values, parameters, sizeof values);
            return effect.eq->SetParameters(values);
        }
        BASS_FXREVERB values;
        std::memcpy(&values, parameters, sizeof values);
        return effect.reverb->SetParameters(values);
    }
    return false;
}

bool CChannel::HasEffect(HFX handle) const
{
    return std::any_of(m_effects.begin(), m_effects.end(), [handle](const SEffect &e) { return e.handle == handle; });
}
