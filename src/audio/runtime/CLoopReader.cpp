#include "CLoopReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace
{
constexpr double kSeamSeconds = 0.004;

// Reads until count frames or the end of the source.
int ReadAll(CSource &source, float *out, int64_t count)
{
    int64_t done = 0;
    while (done < count) {
        const int got = source.Read(out + done * 2, static_cast<int>(count - done));
        if (got == 0)
            break;
        done += got;
    }
    return static_cast<int>(done);
}
} // namespace

float CLoopReader::FadeIn(int64_t index, int64_t length)
{
    // A raised cosine: the two gains add up to one, and their slopes start and end at rest.
    const double phase = std::numbers::pi * (static_cast<double>(index) + 0.5) / static_cast<double>(length);
    return static_cast<float>(0.5 - 0.5 * std::cos(phase));
}

CLoopReader::CLoopReader(int rate)
    : m_maxSeam(static_cast<int>(SeamFrames(rate, INT64_MAX))), m_cache(static_cast<size_t>(kCachedFrames) * 2),
      m_tail(static_cast<size_t>(m_maxSeam) * 2)
{
}

int64_t CLoopReader::SeamFrames(int rate, int64_t loopFrames)
{
    const auto full = static_cast<int64_t>(std::lround(rate * kSeamSeconds));
    return std::min<int64_t>({full, loopFrames / 2, kCachedFrames});
}

void CLoopReader::Restart(CSource &source, int64_t start, int64_t loopStart, int64_t loopEnd, bool once)
{
    m_bOnce = once;
    m_bEnded = false;
    m_virtual = start;
    m_sourceNext = start;
    m_bInSeam = false;
    m_cacheNext = -1;
    loopEnd = std::min(loopEnd, source.LengthFrames());
    m_bLooping = loopStart >= 0 && loopStart < loopEnd && start < loopEnd;
    if (!m_bLooping)
        return;
    // The loop's first frames are read once; the source goes back to where reading starts.
    const int64_t wanted = std::min<int64_t>(loopEnd - loopStart, kCachedFrames);
    m_cachedFrames = source.Seek(loopStart) ? ReadAll(source, m_cache.data(), wanted) : 0;
    source.Seek(start);
    if (m_cachedFrames == 0) {
        m_bLooping = false;
        return;
    }
    if (m_cachedFrames < wanted)
        loopEnd = loopStart + m_cachedFrames; // the source ends sooner than it said
    SetBounds(loopStart, loopEnd);
    m_firstSeam = std::max(start, loopEnd - m_seam);
    m_nextSeam = m_firstSeam;
}

void CLoopReader::SetBounds(int64_t loopStart, int64_t loopEnd)
{
    m_loopStart = loopStart;
    m_loopEnd = loopEnd;
    m_seam = std::min<int64_t>(m_maxSeam, (loopEnd - loopStart) / 2);
    m_period = loopEnd - loopStart - m_seam;
}

double CLoopReader::RealPosition(double virtualPosition) const
{
    if (!m_bLooping || m_bOnce || virtualPosition < static_cast<double>(m_firstSeam))
        return virtualPosition;
    // Every seam begins with the loop's start; the passes are m_period frames apart.
    return static_cast<double>(m_loopStart) +
           std::fmod(virtualPosition - static_cast<double>(m_firstSeam), static_cast<double>(m_period));
}

int CLoopReader::Read(CSource &source, float *out, int count)
{
    if (!m_bLooping) {
        const int got = ReadAll(source, out, count);
        m_virtual += got;
        m_sourceNext += got;
        return got;
    }
    int done = 0;
    while (done < count && !m_bEnded) {
        float *into = out + static_cast<size_t>(done) * 2;
        if (m_bInSeam) {
            done += ReadSeam(into, count - done);
            if (m_seamDone == m_seamLength)
                EndSeam(source);
        } else if (m_virtual < m_nextSeam) {
            const int got =
                ReadPlain(source, into, static_cast<int>(std::min<int64_t>(count - done, m_nextSeam - m_virtual)));
            if (got == 0 && !LoopAtSourceEnd())
                break;
            done += got;
        } else {
            BeginSeam(source);
        }
    }
    return done;
}

int CLoopReader::ReadPlain(CSource &source, float *out, int count)
{
    int got = 0;
    if (m_cacheNext >= 0) {
        got = static_cast<int>(std::min<int64_t>(count, m_cachedFrames - m_cacheNext));
        std::memcpy(out, m_cache.data() + m_cacheNext * 2, static_cast<size_t>(got) * 2 * sizeof(float));
        m_cacheNext += got;
    } else {
        got = ReadAll(source, out, count);
        m_sourceNext += got;
    }
    m_virtual += got;
    return got;
}

void CLoopReader::BeginSeam(CSource &source)
{
    // The first seam may come sooner than a full crossfade before the end (reading
    // started there); every later one is full.
    int64_t length = m_nextSeam == m_firstSeam ? m_loopEnd - m_firstSeam : m_seam;
    const int64_t tailStart = m_loopEnd - length;
    if (m_cacheNext >= 0) {
        std::memcpy(m_tail.data(), m_cache.data() + (tailStart - m_loopStart) * 2,
                    static_cast<size_t>(length) * 2 * sizeof(float));
    } else {
        length = ReadAll(source, m_tail.data(), length);
        m_sourceNext += length;
    }
    m_seamLength = length;
    m_seamDone = 0;
    m_bInSeam = true;
    m_nextSeam += m_period;
}

int CLoopReader::ReadSeam(float *out, int count)
{
    const int frames = static_cast<int>(std::min<int64_t>(count, m_seamLength - m_seamDone));
    for (int i = 0; i < frames; ++i) {
        const int64_t index = m_seamDone + i;
        const float in = FadeIn(index, m_seamLength);
        const float head = m_bOnce ? 0.0f : 1.0f; // played once, the end only fades out
        for (int side = 0; side < 2; ++side)
            out[i * 2 + side] = m_tail[static_cast<size_t>(index * 2 + side)] * (1.0f - in) +
                                m_cache[static_cast<size_t>(index * 2 + side)] * in * head;
    }
    m_seamDone += frames;
    m_virtual += frames;
    return frames;
}

void CLoopReader::EndSeam(CSource &source)
{
    // The seam played the loop's first m_seamLength frames: the pass goes on after them.
    m_bInSeam = false;
    if (m_bOnce) {
        m_bEnded = true;
        return;
    }
    const int64_t next = m_loopStart + m_seamLength;
    if (LoopIsCached()) {
        m_cacheNext = m_seamLength;
    } else {
        m_cacheNext = -1;
        source.Seek(next);
        m_sourceNext = next;
    }
}

bool CLoopReader::LoopAtSourceEnd()
{
    // Only before the first seam can the end come early (a pass after it reads frames the
    // first one read already); the loop then ends where the source does, without a fade.
    if (m_nextSeam != m_firstSeam || m_sourceNext <= m_loopStart) {
        m_bLooping = false;
        return false;
    }
    SetBounds(m_loopStart, m_sourceNext);
    m_firstSeam = m_virtual;
    m_nextSeam = m_virtual;
    return true;
}
