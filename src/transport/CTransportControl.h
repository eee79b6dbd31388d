// The player control bar without its widgets: owns the playback engine and the
// selection store, holds the current playlist item and the A-B selection,
// handles the bar's commands, keeps playback inside the selection, decides what
// happens when an item ends, and keeps volume and mute. What it shows goes out
// through ITransportView.
#pragma once

#include "app/CCmdTarget.h"
#include "transport/CDictationDrill.h"
#include "transport/IEffectsTarget.h"

#include <QObject>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

class CAppSettings;
class CLrcFile;
class CPlaybackEngine;
class ITransportView;

class CTransportControl : public QObject, public CCmdTarget, private IDrillPlayer
{
    Q_OBJECT

public:
    static constexpr int POSITION_PERIOD_MS = 100;
    static constexpr int CLOCK_PERIOD_MS = 1000;

    // Creates the engine (which loads the audio runtime and opens the device)
    // and the selection store. The view must outlive this object.
    CTransportControl(CAppSettings &settings, ITransportView &view, QObject *parent = nullptr);
    ~CTransportControl() override;

    // Remembers the current item in "PlaylistIndex" (0 when none is open), for
    // the settings written as the program ends.
    void RememberCurrentItem();

    // Once the view's widgets exist: empty slider, volume and mute from the settings.
    void InitDialog();

    // The playlist pane has listed the playlist: opens the remembered item and
    // plays it. True when it plays.
    bool PlaylistReady(const QStringList *pPaths);
    void PlayItem(int index);
    void PlaySelection(std::uint32_t start, std::uint32_t end);
    void ResetTransport();
    // Opens the current item stopped at 0 and lists its saved selections.
    bool OpenCurrentItem();
    // "" when no item is open.
    QString GetCurrentPath() const;

    // The learner moved the position slider to a position in milliseconds,
    // or the volume slider to 0..100.
    void OnPositionScroll(std::uint32_t position);
    void OnVolumeScroll(int volume);

    // The effects panel's values (IEffectsTarget): a reverb slider position s
    // reaches the engine as 20 - s; tempo, rate and pitch are applied only
    // while the item plays.
    void SetEffect(unsigned kind, int value);
    bool SetTempo(const STempoChange &change);

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

    CPlaybackEngine &Engine() { return *m_pEngine; }
    int CurrentIndex() const { return m_nCurrentIndex; }
    void SetCurrentIndex(int index) { m_nCurrentIndex = index; }
    // The position of the open item in milliseconds; none while none is open.
    std::optional<std::uint32_t> PlayingPosition() const;
    // Plays the open item from a time in milliseconds (a timestamp of the
    // transcript); an A-B stretch that does not hold the time is let go.
    void PlayFrom(std::uint32_t milliseconds);

signals:
    // The current item has started or resumed playing.
    void PlaybackStarted();

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    void RegisterCommands();
    void RegisterTransportCommands();
    void RegisterSelectionCommands();
    void RegisterVolumeCommands();

    bool IsItemOpen() const { return m_nCurrentIndex != -1; }
    bool IsPlaying() const;
    int PathCount() const;

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

    int OnChannelEnd();
    void WrapToFirstItem();
    void PostCommand(unsigned id);

    // IDrillPlayer
    void PlayPass(std::uint32_t start, std::uint32_t end) override;
    void PausePass() override;
    void ResumePass() override;
    void ShowDrillStatus(const QString &text) override;
    void DrillFinished() override;
    static bool EndsTheDrill(unsigned id);
    // Ends a drill that runs; one waiting for F1 still waits.
    void EndRunningDrill();

    void StartTimers();
    void StopTimers();
    void OnPositionTimer();
    void OnClockTimer();
    // Tells the learner when the sound output is lost and when it is back.
    void ShowOutputState();

    void SetPlayButtons(bool playPressed, bool pausePressed);
    void ListSavedSelections(const QString &mediaPath);

    CAppSettings &m_settings;
    ITransportView &m_view;
    std::unique_ptr<CPlaybackEngine> m_pEngine;
    // A-B selection bounds in milliseconds.
    std::uint32_t m_dwSelection[2] = {0, 0};
    const QStringList *m_pPaths = nullptr; // owned by the playlist pane
    int m_nCurrentIndex = -1;
    bool m_bSelectionActive = false;
    // Qt's numbers of the running timers, 0 while stopped.
    int m_nPositionTimer = 0;
    int m_nClockTimer = 0;
    std::unique_ptr<CLrcFile> m_pSelectionStore;
    std::unique_ptr<CDictationDrill> m_pDrill;
    bool m_bDrillArmed = false;
    // The rows listed from the timing file when the item was opened.
    std::vector<CSelectionSpan> m_listedRows;

    // The position slider's range maximum: the current item's length.
    std::uint32_t m_dwSliderMax = 0;
    bool m_bPlayPressed = false;
    bool m_bPausePressed = false;
    bool m_bMutePressed = false;
    int m_nVolumePos = 0;
    // The runtime's output was lost at the last look (the position timer's).
    bool m_bOutputLost = false;
};
