// Plays one media file at a time through the audio runtime: owns the runtime
// and the output device, wraps every file in a tempo channel, attaches the
// equaliser bands and the reverb, converts positions to milliseconds, keeps
// volume and mute, and hands the end of the channel to the user-interface
// thread. Every call comes from the user-interface thread.
//
// The runtime starts on a thread of its own (loading the libraries, opening the
// device and the plug-ins take tens of milliseconds), so the window can be
// built meanwhile. The first call that needs the runtime waits for that start;
// the starting thread never waits for the user-interface thread, and any
// failure of the start is shown by that first call, on the user-interface
// thread. Calls while no channel is open need no runtime and never wait.
#pragma once

#include "audio/IMediaPlayer.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class CAudioRuntime;
struct SAudioApi;

class CPlaybackEngine final : public IMediaPlayer
{
public:
    // Starts loading the runtime, opening the output device and loading the
    // decoder plug-ins, and returns without waiting for them. A runtime that
    // cannot be loaded or a device that cannot be opened ends the process, at
    // the first call that needs the runtime.
    CPlaybackEngine();
    // Waits for the start, cancels a pending end notice, frees the channel and
    // the device, unloads the runtime.
    ~CPlaybackEngine() override;

    CPlaybackEngine(const CPlaybackEngine &) = delete;
    CPlaybackEngine &operator=(const CPlaybackEngine &) = delete;

    // Decides, on the user-interface thread, what happens when the channel
    // ends; a nonzero result stops the channel and rewinds it to 0.
    void SetEndHandler(std::function<int()> handler) override;

    // Waits until the runtime has started, and shows a failure of the start
    // (which ends the process). Every call that needs the runtime does this.
    void WaitUntilStarted() const;
    // The runtime has started (or failed to): no call will wait for it.
    bool HasStarted() const;

    bool Open(const QString &path) override;
    bool Play(bool restart) override;
    bool Pause() override;
    bool Stop() override;
    bool FreeChannel() override;

    bool IsPlaying() const override;
    bool IsStopped() const override;
    bool IsPaused() const override;
    // The output device went away (the sound server restarted, the card was pulled) and
    // the runtime is opening it again; the channel keeps its state meanwhile.
    bool IsOutputLost() const override;

    // Milliseconds, truncated toward zero.
    uint32_t GetPosition() const override;
    uint32_t GetLength() const override;
    bool SetPosition(uint32_t milliseconds) override;
    // Has the runtime hold playback inside [start, end) milliseconds, jumping from the
    // end to the start at the sample; false when it cannot (start not before end, or
    // beyond the item). Once: the stretch plays once, fades out at its end and the
    // channel ends there (the end handler runs). ClearLoop lets playback run on.
    bool SetLoop(uint32_t start, uint32_t end, bool once = false) override;
    void ClearLoop() override;

    // Any pointer may be null. The unchanged values above leave an attribute unchanged.
    bool GetAttributes(uint32_t *sampleRate, uint32_t *volume, int *pan) const override;
    bool SetAttributes(int sampleRate, int volume, int pan) override;
    void SetMute(bool mute) override;

    // Creates the four effects on the current channel and applies the values.
    void ApplyEffects();
    // Band values 0..20 (gain 10 - value dB); reverb value 0..20 (mix -0.012 x value³ dB).
    void SetEffect(unsigned kind, int value) override;
    // Tempo in percent, rate in Hz, pitch in semitones; false on a channel
    // without tempo control.
    bool SetTempo(float tempo, float rate, float pitch) override;
    // Through the runtime's analysis passes; waits for the runtime's start.
    std::unique_ptr<IAnalysis> Analyze(const QString &path, AnalysisBlock block, AnalysisEnd end) override;

    // Sample rate of the current channel, read when it was opened.
    uint32_t SampleRate() const { return m_nSampleRate; }
    // Whether the open item's tempo, rate and pitch can change: false for a
    // tracker module, which plays without the tempo stage.
    bool HasTempoControl() const override { return m_bTempoControl; }
    bool IsMuted() const { return m_bMute; }
    int RememberedVolume() const { return m_nVolume; }
    int EffectValue(unsigned kind) const;
    // Read from the file when it was opened.
    const SItemDescription &ItemDescription() const override { return m_description; }
    // The runtime's handle of the current channel (0 when none was opened).
    uint32_t Channel() const { return m_hChannel; }

private:
    static uint32_t Milliseconds(float seconds);
    // The runtime's end-of-channel callback; it runs on the runtime's sync thread.
    struct SEndSync;
    // The runtime's start on a thread of its own, and what it came to.
    struct SStart;

    void StopAndRewindCurrent();
    SItemDescription DescribeChannel(uint32_t channel) const;
    bool HasChannel() const { return m_hChannel != 0; }
    void ReleaseChannel(uint32_t channel);
    void ApplyBandGain(unsigned kind);
    void ApplyReverbMix();
    bool HasEnded(uint32_t channel) const;
    // The byte position of a time, at or after it: the position read back there is
    // never less than the time in whole milliseconds.
    uint64_t BytesAtOrAfter(uint32_t milliseconds) const;
    const SAudioApi &Api() const;

    // Written by the starting thread until it is joined, then only read.
    std::unique_ptr<SStart> m_pStart;
    // Written on the user-interface thread; the end callback reads it on the
    // runtime's sync thread.
    std::atomic<uint32_t> m_hChannel{0};
    // Effect handles on the current channel: EQ 125 Hz, EQ 1 kHz, EQ 8 kHz, reverb.
    uint32_t m_hEffects[4] = {0, 0, 0, 0};
    int m_nBand[3] = {10, 10, 10};
    int m_nReverb = 20;
    uint32_t m_nSampleRate = 0;
    bool m_bTempoControl = false;
    SItemDescription m_description;
    int m_nVolume = 50;
    bool m_bMute = false;
    // The channel whose end sync is registered: one registration per channel,
    // so one end gives one notice however often the channel was resumed.
    uint32_t m_hSyncChannel = 0;
};
