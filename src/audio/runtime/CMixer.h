// The mixing core: the table of channels and effects by handle, every channel
// operation behind one short lock, DecodeAhead(), which fills the channels' rings on a
// decoding thread, and Process(), which renders the next output block from the rings
// only. It knows nothing of the output device; tests drive both directly.
#pragma once

#include "CChannel.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

class CMixer
{
public:
    // One channel reaching its end inside a block.
    struct SEndEvent {
        DWORD channel = 0;
        uint32_t generation = 0;
        int64_t dueNs = 0; // steady-clock time at which the end is heard
    };
    struct SSyncCall {
        HSYNC handle;
        DWORD channel;
        SYNCPROC *proc;
        void *user;
    };

    explicit CMixer(int outputRate);

    int OutputRate() const { return m_outputRate; }
    // Frees every channel and renders at outputRate from now on.
    void Reset(int outputRate);
    // Frames the device holds between the mixer and the ear (0: all mixed is heard).
    void SetLatencyFrames(int frames);
    // The steady clock in nanoseconds used to place "now" between two blocks.
    using Clock = int64_t (*)();
    void SetClock(Clock clock);

    DWORD AddChannel(std::unique_ptr<CChannel> channel);
    DWORD WrapWithStretch(DWORD source, DWORD flags, std::unique_ptr<CTimeStretch> stretch);
    // A playing channel fades out over its next few milliseconds, and the next channel
    // started fades in: an item change makes no click.
    bool Free(DWORD handle, CChannel::EKind kind);
    // Everything goes silent at once (the device is closing).
    void FreeAll();

    bool Play(DWORD handle, bool restart);
    bool Pause(DWORD handle);
    bool Stop(DWORD handle);
    DWORD IsActive(DWORD handle);
    // Some channel plays, or a fade-out is still to be mixed: the output has something to say.
    bool IsAudible();
    QWORD GetLength(DWORD handle);
    // The source's tags (see CSource::Tags), valid until the channel is freed.
    const char *GetTags(DWORD handle);
    QWORD GetPosition(DWORD handle);
    bool SetPosition(DWORD handle, QWORD bytes);
    bool SetLoop(DWORD handle, QWORD start, QWORD end, DWORD flags);
    float BytesToSeconds(DWORD handle, QWORD bytes);
    QWORD SecondsToBytes(DWORD handle, float seconds);
    bool GetAttributes(DWORD handle, DWORD *freq, DWORD *volume, int *pan);
    bool SetAttributes(DWORD handle, int freq, int volume, int pan);
    bool SetTempo(DWORD handle, float tempo, float rate, float pitch);
    HSYNC SetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user);
    HFX SetEffect(DWORD handle, DWORD type, int priority);
    bool GetEffectParameters(HFX effect, void *parameters);
    bool SetEffectParameters(HFX effect, const void *parameters);

    // Decodes one chunk for every channel whose ring has room, outside the mixer's lock
    // (a slow read holds up neither the callback nor the callers). True while some ring
    // still has room, false when all are full or ended.
    bool DecodeAhead();
    // Fills every ring to the brim or the end (offline rendering and tests).
    void DecodeAll();
    // Sleeps until a channel needs decoding: told by a seek, a play or a new
    // channel, or, while something plays, once part of its ring has been heard.
    void WaitForWork();
    // Ends the wait of WaitForWork at once (or the next one, when none is on).
    void Wake();

    // Renders frames stereo float frames into out; nowNs is the steady-clock time of the
    // block. Ends met are written to events (at most maxEvents); returns their count.
    int Process(float *out, int frames, int64_t nowNs, SEndEvent *events, int maxEvents);
    // The END syncs to run for event, or none when the channel has since moved or gone.
    std::vector<SSyncCall> SyncsFor(const SEndEvent &event);

private:
    // Looks up a playable (non-wrapped) channel; sets the error when there is none.
    CChannel *Find(DWORD handle);
    // Runs operation on the channel under the lock; a handle that names no
    // channel gives missing, with the handle error set by Find.
    template <typename Result, typename Operation>
    Result WithChannel(DWORD handle, Result missing, Operation &&operation)
    {
        std::lock_guard lock(m_mutex);
        CChannel *channel = Find(handle);
        return channel == nullptr ? missing : operation(*channel);
    }
    int64_t HeardOutputFrame(int64_t nowNs) const;
    // Adds a playing channel's fade-out to the tail still to be mixed.
    void KeepFadeOut(CChannel &channel);
    void MixTail(float *out, int frames);
    void DropTail();
    DWORD NextHandle() { return ++m_lastHandle; }

    void PostDecodingWork();

    std::mutex m_mutex;
    std::condition_variable m_work;
    bool m_bWorkPosted = false; // under m_mutex: work told while the thread was busy
    int m_outputRate;
    int m_latencyFrames = 0;
    Clock m_clock;
    int64_t m_outputFrames = 0; // frames rendered since the start
    int64_t m_blockStart = 0;   // first output frame of the last block
    int64_t m_blockTime = 0;    // steady-clock ns at which it was rendered
    DWORD m_lastHandle = 0x10000;
    std::map<DWORD, std::shared_ptr<CChannel>> m_channels; // shared with a decoding pass
    std::map<DWORD, DWORD> m_freeWith;                     // tempo channel -> source freed with it
    std::map<DWORD, DWORD> m_wrapped;                      // source -> the tempo channel reading it
    std::map<HFX, DWORD> m_effects;                        // effect -> its channel
    // The fade-outs of freed channels, mixed into the next blocks.
    std::vector<float> m_tail;
    int m_tailFrames = 0;
    int m_tailDone = 0;
    bool m_bFadeInNext = false; // a playing channel was freed: the next one started fades in
};
