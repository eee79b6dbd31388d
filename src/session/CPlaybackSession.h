// The playback session, without widgets: the current playlist item and the
// lesson that goes with it, the transport, the A-B range, volume and mute, the
// dictation drill and the timers. It handles the control bar's commands, keeps
// playback inside the range and decides what happens when an item ends. What
// the learner should see goes out as signals; the control bar, the status
// panes, the selection list, the playlist pane and the effects bar subscribe.
#pragma once

#include "app/CCmdTarget.h"
#include "audio/IMediaPlayer.h"
#include "lists/CEnvelopeCache.h"
#include "session/CDictationDrill.h"
#include "session/IEffectsTarget.h"
#include "session/SAbRange.h"

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

class CAppSettings;
class CLesson;
class CLrcFile;
class CRecordingAnalysis;
class ISessionClock;
class ISessionTimer;

class CPlaybackSession : public QObject, public CCmdTarget, public IEffectsTarget, private IDrillPlayer
{
    Q_OBJECT

public:
    static constexpr int POSITION_PERIOD_MS = 100;
    static constexpr int CLOCK_PERIOD_MS = 1000;

    // Plays through the player and counts on the clock; the item's text goes
    // through the lesson. All three must outlive the session.
    CPlaybackSession(CAppSettings &settings, IMediaPlayer &player, ISessionClock &clock, CLesson &lesson,
                     QObject *parent = nullptr);
    ~CPlaybackSession() override;

    // Remembers the current item in "PlaylistIndex" (0 when none is open), for
    // the settings written as the program ends.
    void RememberCurrentItem();

    // Once the subscribers are connected: empty slider, volume and mute from the settings.
    void InitDialog();

    // The playlist pane has listed the playlist: opens the remembered item and
    // plays it. True when it plays.
    bool PlaylistReady(const QStringList *pPaths);
    // Makes the item current and plays it; its text stays (see SwitchTextTo).
    void PlayItem(int index);
    // Switches the lesson's text to the item's transcript, after the save
    // question; false for an item outside the list or when the learner refused.
    bool SwitchTextTo(int index);
    CLesson &Lesson() { return m_lesson; }
    void PlaySelection(std::uint32_t start, std::uint32_t end);
    // Loops exactly [start, end) milliseconds from its start (a stretch dragged on the waveform).
    void SelectRange(std::uint32_t start, std::uint32_t end);
    void ResetTransport();
    // Opens the current item stopped at 0 and lists its saved selections.
    bool OpenCurrentItem();
    // "" when no item is open.
    QString GetCurrentPath() const;

    // The learner moved the position slider to a position in milliseconds,
    // or the volume slider to 0..100.
    void OnPositionScroll(std::uint32_t position);
    void OnVolumeScroll(int volume);
    // While the learner holds the position slider's thumb the position timer
    // leaves the thumb alone.
    void SetPositionHeld(bool held) { m_bPositionHeld = held; }

    // The effects panel's values (IEffectsTarget): a reverb slider position s
    // reaches the engine as 20 - s; tempo, rate and pitch are applied only
    // while the item plays.
    void SetEffect(unsigned kind, int value) override;
    bool SetTempo(const STempoChange &change) override;
    // The tempo, rate and pitch the open item plays at: its own (tempo and pitch
    // 0, its sample rate) when it was opened, then the last change applied.
    const STempoChange &Tempo() const { return m_tempo; }

    // The dictation drill over these rows from row first, on the open item; false
    // when no item is open or there are no rows. Stopping it leaves the stretch it
    // was playing as the A-B selection and switches the drill off.
    bool StartDrill(const std::vector<CSelectionSpan> &rows, int first);
    void StopDrill();
    bool IsDrillRunning() const { return m_pDrill->IsRunning(); }
    // Running, or waiting for F1: the program was closed during a drill, and the
    // remembered item is loaded silent at the next start.
    bool IsDrillOn() const { return IsDrillRunning() || m_bDrillArmed; }
    // The drill's passes or silence changed in the settings: shown at once.
    void DrillSettingsChanged();

    // F1 holds a running drill; every other transport or selection command ends it.
    bool OnCmdMsg(unsigned id, CCmdUI *pCmdUI) override;

    IMediaPlayer &Player() { return m_player; }
    int CurrentIndex() const { return m_nCurrentIndex; }
    // Another item is current (-1: none); the lesson follows it.
    void SetCurrentIndex(int index);
    const SAbRange &Range() const { return m_range; }
    // The position of the open item in milliseconds; none while none is open.
    std::optional<std::uint32_t> PlayingPosition() const;
    // Plays the open item from a time in milliseconds (a timestamp of the
    // transcript); an A-B stretch that does not hold the time is let go.
    void PlayFrom(std::uint32_t milliseconds);

signals:
    // The current item has started or resumed playing.
    void PlaybackStarted();
    // The item at index is now current: the playlist pane marks its row.
    void CurrentItemChanged(int index);
    // An item was opened (its description, or none when it could not be opened).
    void ItemOpened(const QString &path, const std::optional<IMediaPlayer::SItemDescription> &description);
    // A status pane's text.
    void PaneTextChanged(int pane, const QString &text);
    // The position slider, in milliseconds: its range, its thumb, the A-B range shown on it.
    void LengthChanged(std::uint32_t length);
    void PositionChanged(std::uint32_t position);
    void RangeChanged(const SAbRange &range);
    // Pressed state of the play and pause buttons; the mute button; the volume 0..100.
    void PlayButtonsChanged(bool playPressed, bool pausePressed);
    void MuteChanged(bool muted);
    void VolumeChanged(int volume);
    // The selection list: the item's saved stretches, and one stretch saved now.
    void StretchesListed(const std::vector<CSelectionSpan> &rows);
    void StretchSaved(std::uint32_t start, std::uint32_t end);
    // The effects bar: the sample rate of the item just opened, and whether its
    // tempo, rate and pitch can change.
    void EffectsAvailable(std::uint32_t sampleRate, bool tempoAdjustable);
    // Stretches cut at the pauses of a recording that had none listed.
    void StretchesFound(const std::vector<CSelectionSpan> &rows);
    // The waveform of the item: a new one starts (peaks per windowMs), and grows.
    void WaveformStarted(int windowMs);
    void WaveformGrown(const std::vector<float> &peaks);
    // A tempo, rate and pitch change was applied to the playing item.
    void TempoChanged(const STempoChange &change);

private:
    void RegisterCommands();
    void RegisterTransportCommands();
    void RegisterSelectionCommands();
    void RegisterVolumeCommands();

    bool IsItemOpen() const { return m_nCurrentIndex != -1; }
    bool IsPlaying() const;
    int PathCount() const;
    QString PathAt(int index) const;

    void OnPlay();
    void StartPlaying();
    void StepBackOnResume();
    void OnPause();
    void OnPlayPause();
    void OnPrevItem();
    void OnNextItem();
    void SwitchToItem(int index);
    // The stop command: stops and rewinds an open item that is not stopped, and resets.
    void StopAndReset();
    void PlayCurrentIfOpened();

    void OnSetStart();
    void OnSetEnd();
    void OnStartLeft();
    void OnEndRight();
    void OnClearSelection();
    void OnSaveSelection();
    bool FitSavedSelection(std::uint32_t start, std::uint32_t &end) const;
    void GiveSelectionALength();
    void ShowSelection();
    void ShowNoSelection();

    void OnMuteButton();
    void HoldSelectionInRuntime();
    void OnMuteCommand();
    void ApplyMute(bool mute);
    void ChangeVolume(int delta);
    void ShowHint();

    int OnChannelEnd();
    void WrapToFirstItem();
    void PostCommand(unsigned id);

    // IDrillPlayer
    void PlayPass(std::uint32_t start, std::uint32_t end) override;
    void PausePass() override;
    void ResumePass() override;
    void ShowDrillStatus(const QString &text) override;
    QString PreviousStretchScore();
    void DrillFinished() override;
    static bool EndsTheDrill(unsigned id);
    // Ends a drill that runs; one waiting for F1 still waits.
    void EndRunningDrill();

    void StartTimers();
    void StopTimers();
    void OnPositionTimer();
    void OnClockTimer();
    void ShowPosition(std::uint32_t position);
    void ShowPane(int pane, const QString &text);
    // Tells the learner when the sound output is lost and when it is back.
    void ShowOutputState();

    void SetPlayButtons(bool playPressed, bool pausePressed);
    void ListSavedSelections(const QString &mediaPath);
    void AnalyzeRecording(const QString &path);
    // Cuts the recording at its pauses, as the settings say, and lists the stretches.
    void FindStretches();

    CAppSettings &m_settings;
    IMediaPlayer &m_player;
    CLesson &m_lesson;
    SAbRange m_range;
    const QStringList *m_pPaths = nullptr; // owned by the playlist pane
    int m_nCurrentIndex = -1;
    std::unique_ptr<ISessionTimer> m_pPositionTimer;
    std::unique_ptr<ISessionTimer> m_pClockTimer;
    std::unique_ptr<CLrcFile> m_pSelectionStore;
    std::unique_ptr<CDictationDrill> m_pDrill;
    bool m_bDrillArmed = false;
    // The position slider's range maximum: the current item's length.
    std::uint32_t m_dwSliderMax = 0;
    bool m_bPlayPressed = false;
    bool m_bPausePressed = false;
    bool m_bMutePressed = false;
    int m_nVolumePos = 0;
    STempoChange m_tempo;
    bool m_bPositionHeld = false;
    CEnvelopeCache m_envelopes;
    std::unique_ptr<CRecordingAnalysis> m_pAnalysis;
    int m_nWaveformWindows = 0; // of the analysis, told as the waveform
    // The runtime's output was lost at the last look (the position timer's).
    bool m_bOutputLost = false;
    // What was last shown, so that a tick that changes nothing shows nothing.
    std::uint32_t m_dwShownPosition = UINT32_MAX;
    QString m_strShownTime;
};
