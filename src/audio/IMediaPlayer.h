// What the playback session asks of a player: one media file at a time, its
// transport, its A-B loop, volume, effects and the end of the channel. The
// engine plays through the audio runtime; tests give the session a player that
// runs on simulated time.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class IMediaPlayer
{
public:
    // What the open item's file tells of itself: track name, performer and overall bit
    // rate; empty (and 0) where it tells nothing, and all empty when nothing is open.
    struct SItemDescription {
        QString track;
        QString performer;
        qint64 bitRate = 0; // bits per second
        bool operator==(const SItemDescription &) const = default;
    };

    // Effect kinds, in the order of the effect handles.
    enum EffectKind : unsigned { EFFECT_EQ_125 = 0, EFFECT_EQ_1K = 1, EFFECT_EQ_8K = 2, EFFECT_REVERB = 3 };

    // What SetAttributes leaves as it is.
    static constexpr int kUnchangedRate = -1, kUnchangedVolume = -1, kUnchangedPan = -101;

    virtual ~IMediaPlayer() = default;

    // Decides, on the user-interface thread, what happens when the channel
    // ends; a nonzero result stops the channel and rewinds it to 0.
    virtual void SetEndHandler(std::function<int()> handler) = 0;

    virtual bool Open(const QString &path) = 0;
    virtual bool Play(bool restart) = 0;
    virtual bool Pause() = 0;
    virtual bool Stop() = 0;
    virtual bool FreeChannel() = 0;

    virtual bool IsPlaying() const = 0;
    virtual bool IsStopped() const = 0;
    virtual bool IsPaused() const = 0;
    // The output device went away and is being opened again; the channel keeps its state.
    virtual bool IsOutputLost() const = 0;

    // Milliseconds, truncated toward zero.
    virtual uint32_t GetPosition() const = 0;
    virtual uint32_t GetLength() const = 0;
    virtual bool SetPosition(uint32_t milliseconds) = 0;
    // Holds playback inside [start, end) milliseconds, jumping from the end to the
    // start at the sample; false when it cannot (start not before end, or beyond
    // the item). Once: the stretch plays once and the channel ends there (the end
    // handler runs). ClearLoop lets playback run on.
    virtual bool SetLoop(uint32_t start, uint32_t end, bool once = false) = 0;
    virtual void ClearLoop() = 0;

    // Any pointer may be null. The unchanged values above leave an attribute unchanged.
    virtual bool GetAttributes(uint32_t *sampleRate, uint32_t *volume, int *pan) const = 0;
    virtual bool SetAttributes(int sampleRate, int volume, int pan) = 0;
    virtual void SetMute(bool mute) = 0;

    // Band values 0..20 (gain 10 - value dB); reverb value 0..20 (mix -0.012 x value³ dB).
    virtual void SetEffect(unsigned kind, int value) = 0;
    // Tempo in percent, rate in Hz, pitch in semitones; false on a channel
    // without tempo control.
    virtual bool SetTempo(float tempo, float rate, float pitch) = 0;
    // Whether the open item's tempo, rate and pitch can change (a tracker module's cannot).
    virtual bool HasTempoControl() const = 0;
    // Read from the file when it was opened.
    virtual const SItemDescription &ItemDescription() const = 0;

    // A pass over a file's samples, decoded on another thread; destroying it ends the
    // pass and waits for it, after which no handler runs.
    class IAnalysis
    {
    public:
        virtual ~IAnalysis() = default;
    };
    // Interleaved stereo float frames at rate Hz; called on the pass's thread.
    using AnalysisBlock = std::function<void(const float *samples, int frames, int rate)>;
    // Once, on the pass's thread: true when the file was read to its end.
    using AnalysisEnd = std::function<void(bool whole)>;
    // Starts a pass; none when it cannot start.
    virtual std::unique_ptr<IAnalysis> Analyze(const QString &path, AnalysisBlock block, AnalysisEnd end) = 0;
};
