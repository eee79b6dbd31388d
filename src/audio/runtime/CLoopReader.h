// The decoding side's view of a source with an A-B loop: frames come from the source
// until the loop's end, then from its start again, without end. At each seam the last
// frames before the end fade out while the first frames of the start fade in, so the
// jump makes no click and nothing outside [start, end) is ever read into the sound.
// Positions are counted twice: "virtual" frames grow with every frame handed out (the
// time stretcher and the rate change see one long stream), and RealPosition() maps them
// back to frames of the source. One loop holds for one decoding run (Restart to change
// it); a loop of up to kCachedFrames lives in memory, so a short one never seeks.
#pragma once

#include "CSource.h"

#include <cstdint>
#include <vector>

class CLoopReader
{
public:
    // Loops up to this long are read once and then played from memory.
    static constexpr int kCachedFrames = 8192;

    explicit CLoopReader(int rate);

    // Crossfade frames of a loop of loopFrames at rate: 4 ms, or half the loop when shorter.
    static int64_t SeamFrames(int rate, int64_t loopFrames);
    // Gain of the incoming side at frame index of a crossfade of length frames.
    static float FadeIn(int64_t index, int64_t length);

    // Reading starts at frame start of source (already positioned there). A loop whose
    // end does not lie after its start, or that lies beyond the source, is no loop.
    // Played once, the loop's last frames fade out and reading ends at its end.
    void Restart(CSource &source, int64_t start, int64_t loopStart, int64_t loopEnd, bool once);
    // Fills up to count frames; fewer only at the end of the source when not looping.
    int Read(CSource &source, float *out, int count);
    // The source frame a virtual position stands for.
    double RealPosition(double virtualPosition) const;
    bool IsLooping() const { return m_bLooping; }

private:
    int ReadPlain(CSource &source, float *out, int count);
    int ReadSeam(float *out, int count);
    void BeginSeam(CSource &source);
    void EndSeam(CSource &source);
    // The source ended before the loop's end: the loop ends where the source does.
    bool LoopAtSourceEnd();
    void SetBounds(int64_t loopStart, int64_t loopEnd);
    bool LoopIsCached() const { return m_loopEnd - m_loopStart <= m_cachedFrames; }

    int m_maxSeam; // frames of a full crossfade at the source's rate
    bool m_bLooping = false;
    bool m_bOnce = false;
    bool m_bEnded = false; // a loop played once has been read to its end
    int64_t m_loopStart = 0;
    int64_t m_loopEnd = 0;
    int64_t m_seam = 0;   // crossfade frames at every seam after the first
    int64_t m_period = 1; // virtual frames from one seam to the next
    int64_t m_firstSeam = 0;
    int64_t m_nextSeam = 0;
    int64_t m_virtual = 0; // virtual position of the next frame handed out
    int64_t m_sourceNext = 0;
    bool m_bInSeam = false;
    int64_t m_seamLength = 0;
    int64_t m_seamDone = 0;
    int64_t m_cacheNext = -1;   // next frame from the cache, or -1 while reading the source
    std::vector<float> m_cache; // the loop's first frames
    int64_t m_cachedFrames = 0;
    std::vector<float> m_tail; // the frames before the end being faded out
};
