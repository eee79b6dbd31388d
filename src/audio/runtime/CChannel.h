// One channel of the runtime: a source, an optional time stretcher, the rate change to
// the output rate, the effects, volume and pan, the play state and the syncs. Not
// thread-safe: CMixer serialises every call.
#pragma once

#include "AudioApi.h"
#include "CPeakingEq.h"
#include "CReverb.h"
#include "CSource.h"
#include "CTimeStretch.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class CChannel
{
public:
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
    int64_t LengthFrames() const { return m_source->LengthFrames(); }
    // The frame that will come out next.
    double Position() const;
    // The frame heard when the output has played up to outputFrame.
    double HeardPosition(int64_t outputFrame) const;
    bool Seek(int64_t frame);

    void Play(bool restart);
    void Pause(int64_t heardOutputFrame);
    void Stop(int64_t heardOutputFrame);

    double Freq() const { return m_freq; }
    void SetFreq(double freq) { m_freq = freq; }
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

    // Adds count frames of this channel into mix starting at output frame outputStart.
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

    void Reposition(int64_t frame);
    bool StretchActive() const { return m_stretch != nullptr && !m_stretchBypass; }
    // Frames after the tempo stage, at the source rate; 0 at the end.
    int PullStretched(float *out, int count);
    bool FillResampler();
    int Resample(float *out, int count);
    void ApplyEffectsAndGain(float *frames, int count);
    void Remember(int64_t outputStart, int frames, double start, double end);

    std::unique_ptr<CSource> m_source;
    std::unique_ptr<CTimeStretch> m_stretch;
    EKind m_kind;
    DWORD m_flags;
    int m_outputRate;
    EState m_state = EState::Stopped;
    bool m_ended = false;
    uint32_t m_generation = 0;
    double m_freq;
    int m_volume = 100;
    int m_pan = 0;
    double m_tempo = 1.0;
    bool m_stretchBypass = true;
    bool m_flushed = false;
    bool m_sourceDone = false;
    double m_position = 0; // source frame of the next frame leaving the tempo stage
    // Frames between the tempo stage and the rate change, with the read point in them.
    std::vector<float> m_resampleBuffer;
    int m_resampleFrames = 0;
    double m_resamplePoint = 0;
    std::vector<float> m_scratch;   // source frames on their way into the stretcher
    std::vector<float> m_mixBuffer; // this channel's share of one output block
    std::vector<SEffect> m_effects;
    std::vector<SSync> m_syncs;
    std::array<SHistory, 8> m_history{};
    size_t m_historyNext = 0;
};
