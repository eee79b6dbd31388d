// One channel of the runtime: a source, an optional time stretcher, the rate change to
// the output rate, a ring of those processed frames decoded ahead, the effects, volume
// and pan, the play state and the syncs. CMixer's lock serialises every call except
// DecodeChunk, which runs under the channel's own decode lock (taken before CMixer's)
// and touches only the decoding side: the source, the stretcher and the rate change.
#pragma once

#include "AudioApi.h"
#include "CLoopReader.h"
#include "CPeakingEq.h"
#include "CReverb.h"
#include "CSource.h"
#include "CTimeStretch.h"

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class CChannel
{
public:
    static constexpr int kRingFrames = 16384; // about 0.37 s ahead at 44.1 kHz
    enum class EKind { Stream, Music };
    enum class EState { Stopped, Playing, Paused };

    struct SSync {
        HSYNC handle;
        DWORD type;
        QWORD param;
        SYNCPROC *proc;
        void *user;
    };

    CChannel(std::unique_ptr<CSource> source, EKind kind, DWORD flags, int outputRate);

    EKind Kind() const { return m_kind; }
    DWORD Flags() const { return m_flags; }
    bool IsDecoding() const { return (m_flags & BASS_STREAM_DECODE) != 0; }
    EState State() const { return m_state; }
    uint32_t Generation() const { return m_generation; }
    bool HasSource() const { return m_source != nullptr; }
    bool HasEffect(HFX handle) const;
    std::unique_ptr<CSource> TakeSource();
    bool HasStretch() const { return m_stretch != nullptr; }
    void SetStretch(std::unique_ptr<CTimeStretch> stretch);

    // Bytes count 16-bit samples in the file's own channel layout at the file's rate.
    int BytesPerFrame() const { return m_source->FileChannels() * 2; }
    int SourceRate() const { return m_source->Rate(); }
    const std::string &Tags() const { return m_source->Tags(); }
    int64_t LengthFrames() const { return m_length; }
    // The frame that will come out next.
    double Position() const;
    // The frame heard when the output has played up to outputFrame.
    double HeardPosition(int64_t outputFrame) const;
    // Playing, the frames that would have come next fade out under the first frames
    // from the target (see JumpTo); after them come the target's own.
    bool Seek(int64_t frame);
    // From the next frame not yet decided on, playback is held inside [start, end): at
    // end it goes on from start, crossfaded. end <= start lets it run on. The loop
    // outlives seeks, tempo and rate changes. Frames already decoded ahead that the
    // change affects are made again, crossfaded into those they replace. Played once,
    // the channel fades out over the loop's last frames and ends at its end, where
    // its position stays.
    void SetLoop(int64_t start, int64_t end, bool once);

    // What the decoding side must do next, read under CMixer's lock.
    struct SDecodeJob {
        uint32_t generation = 0;
        int64_t start = 0; // where the decoding side starts when the generation is new
        double freq = 0;
        double tempo = 1.0;
        double pitch = 0;
        int room = 0; // free frames in the ring
        int64_t loopStart = 0;
        int64_t loopEnd = 0; // no loop unless above loopStart
        bool loopOnce = false;
    };
    // Frames decoded for one job, handed back under CMixer's lock.
    struct SDecoded {
        int frames = 0;
        double positionStart = 0;
        double positionEnd = 0;
        bool ended = false;
    };
    // False when the ring is full or holds the end already.
    bool WantsDecoding(SDecodeJob &job) const;
    std::mutex &DecodeMutex() { return m_decodeMutex; }
    // Decodes up to job.room frames (at most one chunk) into the decode buffer.
    SDecoded DecodeChunk(const SDecodeJob &job);
    // Copies what DecodeChunk made into the ring unless the channel moved meanwhile.
    void Commit(const SDecodeJob &job, const SDecoded &decoded);

    void Play(bool restart);
    // The next frames mixed rise from silence: the channel starts where another was cut.
    void FadeIn();
    // Adds the ring's next frames (up to frames), fading out over them, into tail;
    // returns how many. For a playing channel about to be freed.
    int FadeOutInto(float *tail, int frames);
    void Pause(int64_t heardOutputFrame);
    void Stop(int64_t heardOutputFrame);

    double Freq() const { return m_freq; }
    // Rate, tempo and pitch are applied by the decoding side: the ring is refilled from
    // the next frame, crossfaded as at a seek.
    void SetFreq(double freq);
    int Volume() const { return m_volume; }
    void SetVolume(int volume) { m_volume = volume; }
    int Pan() const { return m_pan; }
    void SetPan(int pan) { m_pan = pan; }
    void SetTempo(double factor, double semitones);

    HFX AddEffect(HFX handle, DWORD type, int priority);
    bool RemoveEffect(HFX handle);
    bool GetEffectParameters(HFX handle, void *parameters) const;
    bool SetEffectParameters(HFX handle, const void *parameters);

    std::vector<SSync> &Syncs() { return m_syncs; }

    // Adds up to count frames of the ring into mix starting at output frame outputStart;
    // an empty ring (decoding fell behind) is silence. Never decodes, never allocates.
    // Returns the output frame at which the channel ended, or -1.
    int64_t MixInto(float *mix, int count, int64_t outputStart);

private:
    struct SEffect {
        HFX handle;
        DWORD type;
        int priority;
        std::unique_ptr<CPeakingEq> eq;
        std::unique_ptr<CReverb> reverb;
    };
    struct SHistory {
        int64_t outputStart = 0;
        int frames = 0;
        double positionStart = 0;
        double positionEnd = 0;
    };
    static constexpr int kChunk = 1024;
    // How far the time stretcher may take a frame's sound from its nominal place.
    static constexpr double kStretchReachSeconds = 0.08;

    void Reposition(int64_t frame);
    // Repositions; playing, what would be heard next is crossfaded into the new frames,
    // or, with nothing left to hear, they fade in.
    void JumpTo(int64_t frame);
    // Sets the ring's next frames aside to fade out under a new run; their count.
    int SetAsideWhatComesNext();
    // Copies frames of the ring from index on into the splice.
    void SetAside(int index, int frames);
    int SpliceRoom() const { return static_cast<int>(m_splice.size() / 2); }
    double RingPosition(int index) const;
    // Where the channel rests once it has ended: its length, or a loop played once's end.
    double EndPosition() const;
    // The first frame in the ring that the current loop would decide otherwise.
    int FirstFrameToRedo() const;
    // Drops the ring from about index on and decodes again from there.
    void RedoFrom(int index);
    // Crossfades the first frames of a redone run into those they replace.
    void BlendSplice(int frames);
    // The source frame of a frame leaving the decoding side at virtualPosition.
    double RealPosition(double virtualPosition) const;
    // Decoding side: starts over at job.start with the job's rate, tempo and pitch.
    void RestartDecoding(const SDecodeJob &job);
    // The source frame of the next frame leaving the tempo stage.
    double StagePosition() const;
    double DecodedPosition() const;
    bool StretchActive() const { return m_stretch != nullptr && !m_stretchBypass; }
    // Frames after the tempo stage, at the source rate; 0 at the end.
    int PullStretched(float *out, int count);
    bool FillResampler();
    int Resample(float *out, int count);
    // Resample when the source's rate is the output rate: the frames themselves.
    int PassThrough(float *out, int count);
    void ApplyEffectsAndGain(float *frames, int count);
    void ApplyFadeIn(float *frames, int count);
    // Takes count frames off the ring with effects, gain and fade-in applied, handing
    // each stretch up to the ring's wrap to add(frames, offset, run).
    template <typename Add> void TakeFromRing(int count, Add &&add);
    void Remember(int64_t outputStart, int frames, double start, double end);

    // Under CMixer's lock: the state the callers see and the ring's reading end.
    EKind m_kind;
    DWORD m_flags;
    int m_outputRate;
    EState m_state = EState::Stopped;
    bool m_ended = false;
    uint32_t m_generation = 0;
    int64_t m_start = 0; // where the current generation starts in the source
    double m_freq;
    int64_t m_length; // the source's, as the decoding side last saw it
    int m_volume = 100;
    int m_pan = 0;
    double m_tempo = 1.0;
    double m_pitch = 0;
    std::vector<float> m_ring;          // processed frames at the output rate
    std::vector<double> m_ringPosition; // the source frame of each
    int m_ringRead = 0;
    int m_ringCount = 0;
    bool m_ringEnded = false;   // the ring holds the last frame of the source
    double m_writePosition = 0; // source frame after the last one in the ring
    int64_t m_loopStart = 0;
    int64_t m_loopEnd = 0;
    bool m_bLoopOnce = false;
    // Frames dropped from the ring by a loop change, faded out under their replacements.
    std::vector<float> m_splice;
    int m_spliceFrames = 0;
    int m_spliceDone = 0;
    // A fade-in over the next frames mixed, from silence.
    int m_fadeInFrames = 0;
    int m_fadeInDone = 0;

    // Under m_decodeMutex: the decoding side.
    std::mutex m_decodeMutex;
    std::unique_ptr<CSource> m_source; // the pointer itself changes only before decoding
    std::unique_ptr<CTimeStretch> m_stretch;
    CLoopReader m_loop; // between the source and the tempo stage
    uint32_t m_decodeGeneration = UINT32_MAX;
    double m_decodeFreq = 0;
    double m_decodeTempo = 1.0;
    bool m_stretchBypass = true;
    bool m_flushed = false;
    bool m_sourceDone = false;
    int64_t m_decodeStart = 0; // the source frame decoding started from
    int64_t m_framesOut = 0;   // frames that left the tempo stage since
    // Frames between the tempo stage and the rate change, with the read point in them.
    std::vector<float> m_resampleBuffer;
    int m_resampleFrames = 0;
    double m_resamplePoint = 0;
    std::vector<float> m_scratch;      // source frames on their way into the stretcher
    std::vector<float> m_decodeBuffer; // one chunk on its way into the ring

    std::vector<SEffect> m_effects;
    std::vector<SSync> m_syncs;
    std::array<SHistory, 8> m_history{};
    size_t m_historyNext = 0;
};
