// The dictation drill: plays each saved selection a number of passes, leaves a
// silence after every pass for writing, then goes on to the next selection, to
// the end of the list. Passes and silence come from the settings and are read at
// each step, so a change holds from the next one. What it plays, and where it
// shows how far it is, goes through IDrillPlayer.
#pragma once

#include "lists/CLrcFile.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class CAppSettings;
class ISessionClock;
class ISessionTimer;

class IDrillPlayer
{
public:
    virtual ~IDrillPlayer() = default;
    // Plays [start, end) milliseconds once; the end of it comes back as PassEnded.
    virtual void PlayPass(std::uint32_t start, std::uint32_t end) = 0;
    virtual void PausePass() = 0;
    virtual void ResumePass() = 0;
    // "" when no drill runs.
    virtual void ShowDrillStatus(const QString &text) = 0;
    // The last silence after the last selection is over.
    virtual void DrillFinished() = 0;
};

class CDictationDrill
{
public:
    // The silences are counted on the clock.
    CDictationDrill(CAppSettings &settings, IDrillPlayer &player, ISessionClock &clock);
    ~CDictationDrill();

    // Starts at row first (the first row when outside the list); false with no rows.
    bool Start(const std::vector<CSelectionSpan> &rows, int first);
    // Ends the drill where it is; nothing more is played.
    void Stop();
    bool IsRunning() const { return m_eState != EState::Off; }
    bool IsPaused() const { return m_bPaused; }
    // F1: holds the pass or the silence, and goes on from there.
    void PauseOrResume();
    // The pass now playing has played out.
    void PassEnded();

    // Where the drill is: "第 2/5 段 · 第 1/3 遍", "" when it does not run.
    QString StatusText() const;
    // The stretch before the one now drilled; none at the first or when no drill runs.
    std::optional<CSelectionSpan> PreviousRow() const;

private:
    enum class EState { Off, Playing, Silence };

    void PlayCurrentPass();
    void BeginSilence(int milliseconds);
    void NextPass();
    void ShowStatus();
    int Passes() const;

    CAppSettings &m_settings;
    IDrillPlayer &m_player;
    std::vector<CSelectionSpan> m_rows;
    int m_nRow = 0;
    int m_nPass = 1;
    EState m_eState = EState::Off;
    bool m_bPaused = false;
    std::unique_ptr<ISessionTimer> m_pSilenceTimer;
    int m_nSilenceLeft = 0; // milliseconds, while the silence is held
};
