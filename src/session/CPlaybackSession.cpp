#include "session/CPlaybackSession.h"

#include "app/CAppSettings.h"
#include "app/CCommandTable.h"
#include "app/CStringTable.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "base/MediaPaths.h"
#include "base/TimeUtils.h"
#include "lists/CLrcFile.h"
#include "lists/CPauseFinder.h"
#include "lists/CPlaylist.h"
#include "lists/CSubtitleFile.h"
#include "session/CLesson.h"
#include "session/CRecordingAnalysis.h"
#include "session/ISessionClock.h"

#include <algorithm>

namespace
{

// The effects panel's band and reverb sliders run from 0 to this.
constexpr int kMaxEffectPos = 20;

} // namespace

CPlaybackSession::CPlaybackSession(CAppSettings &settings, IMediaPlayer &player, ISessionClock &clock, CLesson &lesson,
                                   QObject *parent)
    : QObject(parent), m_settings(settings), m_player(player), m_lesson(lesson),
      m_pPositionTimer(clock.CreateTimer(false, [this] { OnPositionTimer(); })),
      m_pClockTimer(clock.CreateTimer(false, [this] { OnClockTimer(); })),
      m_pSelectionStore(std::make_unique<CLrcFile>()),
      m_pDrill(std::make_unique<CDictationDrill>(settings, static_cast<IDrillPlayer &>(*this), clock))
{
    m_player.SetEndHandler([this] { return OnChannelEnd(); });
    RegisterCommands();
}

// The end of a channel may no longer reach the session.
CPlaybackSession::~CPlaybackSession()
{
    m_player.SetEndHandler({});
}

void CPlaybackSession::RememberCurrentItem()
{
    m_settings.PlaylistIndex = IsItemOpen() ? m_nCurrentIndex : 0;
}

void CPlaybackSession::InitDialog()
{
    emit LengthChanged(0);
    m_nVolumePos = m_settings.Volume;
    emit VolumeChanged(m_nVolumePos);
    m_player.SetAttributes(IMediaPlayer::kUnchangedRate, m_settings.Volume, IMediaPlayer::kUnchangedPan);
    if (m_settings.Mute) {
        // The engine is muted when an item is opened.
        m_bMutePressed = true;
        emit MuteChanged(true);
    }
}

// ---------------------------------------------------------------- commands

void CPlaybackSession::RegisterCommands()
{
    RegisterTransportCommands();
    RegisterSelectionCommands();
    RegisterVolumeCommands();
}

void CPlaybackSession::RegisterTransportCommands()
{
    const auto itemOpen = [this](CCmdUI &ui) { ui.Enable(IsItemOpen()); };
    OnCommand(
        IDC_PLAY_BUTTON, [this] { OnPlay(); },
        [this](CCmdUI &ui) {
            ui.Enable(IsItemOpen());
            ui.SetCheck(m_bPlayPressed);
        });
    OnCommand(
        ID_PLAY_PAUSE, [this] { OnPlayPause(); }, itemOpen);
    OnCommand(
        IDC_PAUSE_BUTTON, [this] { OnPause(); },
        [this](CCmdUI &ui) {
            ui.Enable(IsItemOpen() && IsPlaying());
            ui.SetCheck(m_bPausePressed);
        });
    OnCommand(
        IDC_STOP, [this] { StopAndReset(); }, [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && !m_player.IsStopped()); });
    OnCommand(
        IDC_PREV_ITEM, [this] { OnPrevItem(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && m_nCurrentIndex > 0); });
    OnCommand(
        IDC_NEXT_ITEM, [this] { OnNextItem(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && m_nCurrentIndex < PathCount() - 1); });
}

void CPlaybackSession::RegisterSelectionCommands()
{
    const auto whilePlaying = [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && IsPlaying()); };
    const auto activeWhilePlaying = [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && IsPlaying() && m_range.bActive); };
    OnCommand(
        IDC_SET_START, [this] { OnSetStart(); }, whilePlaying);
    OnCommand(
        IDC_SET_END, [this] { OnSetEnd(); }, whilePlaying);
    OnCommand(
        IDC_START_LEFT, [this] { OnStartLeft(); },
        [this](CCmdUI &ui) { ui.Enable(m_range.bActive && m_range.dwStart != 0); });
    OnCommand(
        IDC_END_RIGHT, [this] { OnEndRight(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && m_range.bActive && m_range.dwEnd != m_dwSliderMax); });
    OnCommand(
        IDC_CLEAR_SELECTION, [this] { OnClearSelection(); }, activeWhilePlaying);
    OnCommand(
        IDC_SAVE_SELECTION, [this] { OnSaveSelection(); }, activeWhilePlaying);
}

void CPlaybackSession::RegisterVolumeCommands()
{
    // The mute button and Ctrl+M both turn muting over; the button shows the state.
    const auto muteState = [this](CCmdUI &ui) {
        ui.Enable();
        ui.SetCheck(m_bMutePressed);
    };
    OnCommand(
        IDC_MUTE_BUTTON, [this] { ApplyMute(!m_bMutePressed); }, muteState);
    OnCommand(
        ID_MUTE, [this] { ApplyMute(!m_bMutePressed); }, muteState);
    OnCommand(ID_VOLUME_UP, [this] { ChangeVolume(+5); });
    OnCommand(ID_VOLUME_DOWN, [this] { ChangeVolume(-5); });
    OnCommand(
        ID_FIND_STRETCHES, [this] { FindStretches(); },
        [this](CCmdUI &ui) {
            ui.Enable(IsItemOpen() && m_pAnalysis != nullptr && m_pAnalysis->Envelope() != nullptr);
        });
    OnCommand(
        ID_DICTATION_HINT, [this] { ShowHint(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && m_lesson.HasReference()); });
}

// The next word the learner has not got right in the stretch being heard.
void CPlaybackSession::ShowHint()
{
    const std::optional<QString> word = m_lesson.Hint(m_player.GetPosition());
    ShowPane(PANE_MESSAGE, word ? QStringLiteral("提示：%1").arg(*word) : QStringLiteral("这一段已全部写对"));
}

bool CPlaybackSession::IsPlaying() const
{
    return m_player.IsPlaying();
}

int CPlaybackSession::PathCount() const
{
    return m_pPaths != nullptr ? static_cast<int>(m_pPaths->size()) : 0;
}

QString CPlaybackSession::PathAt(int index) const
{
    return index >= 0 && index < PathCount() ? m_pPaths->at(index) : QString();
}

void CPlaybackSession::SetCurrentIndex(int index)
{
    m_nCurrentIndex = index;
    m_lesson.SetRecording(GetCurrentPath());
}

// ---------------------------------------------------------------- transport

void CPlaybackSession::OnPlay()
{
    StepBackOnResume();
    StartPlaying();
}

std::optional<std::uint32_t> CPlaybackSession::PlayingPosition() const
{
    if (!IsItemOpen())
        return std::nullopt;
    return m_player.GetPosition();
}

// Without the step back of a resume: the learner chose the time.
void CPlaybackSession::PlayFrom(std::uint32_t milliseconds)
{
    if (!IsItemOpen())
        return;
    EndRunningDrill();
    if (m_range.bActive && (milliseconds < m_range.dwStart || milliseconds >= m_range.dwEnd))
        OnClearSelection();
    m_player.SetPosition(std::min(milliseconds, m_dwSliderMax));
    StartPlaying();
}

void CPlaybackSession::StartPlaying()
{
    if (!IsItemOpen()) {
        SetPlayButtons(false, m_bPausePressed);
        return;
    }
    // A failure is the engine's message; the bar still looks as if playing.
    m_player.Play(false);
    StartTimers();
    SetPlayButtons(true, false);
    if (IsPlaying())
        emit PlaybackStarted();
}

// Resuming after a pause first goes back the seconds the learner chose, to
// hear again what led up to the pause, but never before the start of the A-B
// stretch being played.
void CPlaybackSession::StepBackOnResume()
{
    if (m_settings.BackStep <= 0 || !m_player.IsPaused())
        return;
    const std::int64_t position = m_player.GetPosition();
    const std::int64_t floor = m_range.bActive ? m_range.dwStart : 0;
    if (position <= floor)
        return;
    const std::int64_t back = std::int64_t(m_settings.BackStep) * 1000;
    m_player.SetPosition(static_cast<std::uint32_t>(std::max(floor, position - back)));
}

void CPlaybackSession::OnPause()
{
    if (IsItemOpen() && IsPlaying()) {
        SetPlayButtons(false, true);
        m_player.Pause();
    } else {
        SetPlayButtons(m_bPlayPressed, IsItemOpen() && m_player.IsPaused());
    }
}

void CPlaybackSession::OnPlayPause()
{
    if (!IsItemOpen())
        return;
    if (IsPlaying())
        OnPause();
    else
        OnPlay();
}

void CPlaybackSession::StopAndReset()
{
    if (!IsItemOpen() || m_player.IsStopped())
        return;
    m_player.Stop();
    ResetTransport();
}

void CPlaybackSession::OnPrevItem()
{
    if (m_nCurrentIndex > 0)
        SwitchToItem(m_nCurrentIndex - 1);
}

void CPlaybackSession::OnNextItem()
{
    if (IsItemOpen() && m_nCurrentIndex < PathCount() - 1)
        SwitchToItem(m_nCurrentIndex + 1);
}

void CPlaybackSession::SwitchToItem(int index)
{
    if (!m_lesson.SwitchTo(PathAt(index)))
        return;
    SetCurrentIndex(index);
    emit CurrentItemChanged(index);
    StopAndReset();
    PlayCurrentIfOpened();
}

bool CPlaybackSession::SwitchTextTo(int index)
{
    return index >= 0 && index < PathCount() && m_lesson.SwitchTo(PathAt(index));
}

void CPlaybackSession::PlayCurrentIfOpened()
{
    if (OpenCurrentItem())
        OnPlay();
}

void CPlaybackSession::PlayItem(int index)
{
    // A row outside the list is no item: the current one stays.
    if (index < 0 || index >= PathCount())
        return;
    SetCurrentIndex(index);
    emit CurrentItemChanged(index);
    StopAndReset();
    PlayCurrentIfOpened();
}

bool CPlaybackSession::PlaylistReady(const QStringList *pPaths)
{
    const bool drillWasOn = m_settings.DrillOn; // the program closed during a drill
    StopAndReset();
    ResetTransport();
    m_pPaths = pPaths;
    // A remembered index outside the list would leave an item "open" that is not there.
    SetCurrentIndex(StartupPlaylistIndex(m_settings.PlaylistIndex, PathCount()));
    if (!OpenCurrentItem())
        return false;
    OnPlay();
    m_bDrillArmed = drillWasOn && !m_lesson.Stretches().empty();
    m_settings.DrillOn = m_bDrillArmed;
    return true;
}

bool CPlaybackSession::OpenCurrentItem()
{
    StatesChanged(); // another current item, opened or not
    if (m_nCurrentIndex < 0 || m_nCurrentIndex >= PathCount())
        return false;
    const QString &path = m_pPaths->at(m_nCurrentIndex);
    if (!m_player.Open(path)) {
        emit ItemOpened(path, std::nullopt);
        return false;
    }
    emit ItemOpened(path, m_player.ItemDescription());
    const std::uint32_t length = m_player.GetLength();
    m_range.dwStart = 0;
    m_range.dwEnd = length;
    m_dwSliderMax = length;
    emit LengthChanged(length);
    std::uint32_t sampleRate = 0;
    m_player.GetAttributes(&sampleRate, nullptr, nullptr);
    m_tempo = {0, static_cast<std::int32_t>(sampleRate), 0};
    emit EffectsAvailable(sampleRate, m_player.HasTempoControl());
    ListSavedSelections(path);
    m_lesson.LoadReference(length);
    AnalyzeRecording(path);
    HoldSelectionInRuntime();
    m_player.SetAttributes(IMediaPlayer::kUnchangedRate, m_settings.Volume, IMediaPlayer::kUnchangedPan);
    if (m_settings.Mute)
        m_player.SetMute(true);
    return true;
}

void CPlaybackSession::ListSavedSelections(const QString &mediaPath)
{
    // Each saved time starts a selection that runs to the next one; the last
    // runs to the end of the media.
    m_pSelectionStore->RemoveAll();
    std::vector<CSelectionSpan> rows;
    if (m_pSelectionStore->Load(MediaLrcPath(mediaPath)))
        rows = SelectionsFromTags(*m_pSelectionStore, m_range.dwEnd);
    // Without an .lrc, the cues of the subtitles beside the recording.
    if (rows.empty())
        for (const CReferenceStretch &cue : CSubtitleFile::FromFile(CSubtitleFile::PathFor(mediaPath)))
            rows.push_back({cue.m_dwStartMs, cue.m_dwEndMs});
    m_lesson.SetStretches(rows);
    emit StretchesListed(rows);
}

// One pass over the recording's samples for its waveform, and for stretches found
// at its pauses when it has no others.
void CPlaybackSession::AnalyzeRecording(const QString &path)
{
    if (m_pAnalysis != nullptr && m_pAnalysis->Path() == path)
        return;
    m_pAnalysis = std::make_unique<CRecordingAnalysis>(m_player, path, m_envelopes);
    emit WaveformStarted(m_pAnalysis->WindowMs());
    connect(m_pAnalysis.get(), &CRecordingAnalysis::Grown, this, [this](int windows) {
        emit WaveformGrown(m_pAnalysis->PeaksFrom(m_nWaveformWindows));
        m_nWaveformWindows = windows;
    });
    m_nWaveformWindows = 0;
    connect(m_pAnalysis.get(), &CRecordingAnalysis::Finished, this, [this](bool whole) {
        if (whole && m_lesson.Stretches().empty())
            FindStretches();
    });
}

void CPlaybackSession::FindStretches()
{
    const CLevelEnvelope *envelope = m_pAnalysis != nullptr ? m_pAnalysis->Envelope() : nullptr;
    if (envelope == nullptr)
        return;
    CPauseSettings settings;
    settings.m_nMinPauseMs = m_settings.MinPauseMs;
    settings.m_nShortestStretchMs = m_settings.ShortestStretchMs;
    settings.m_nLongestStretchMs = m_settings.LongestStretchMs;
    std::vector<CSelectionSpan> rows;
    for (const CFoundStretch &found : CPauseFinder(settings).Find(*envelope))
        rows.push_back(
            {std::uint32_t(found.m_nStartMs), std::uint32_t(std::min<qint64>(found.m_nEndMs, m_dwSliderMax))});
    m_lesson.SetStretches(rows);
    emit StretchesFound(rows);
}

void CPlaybackSession::ResetTransport()
{
    EndRunningDrill();
    ShowNoSelection();
    StopTimers();
    SetPlayButtons(false, false);
    OnClearSelection();
    ShowPosition(0);
}

QString CPlaybackSession::GetCurrentPath() const
{
    return PathAt(m_nCurrentIndex);
}

void CPlaybackSession::SetPlayButtons(bool playPressed, bool pausePressed)
{
    m_bPlayPressed = playPressed;
    m_bPausePressed = pausePressed;
    StatesChanged();
    emit PlayButtonsChanged(playPressed, pausePressed);
}

// ---------------------------------------------------------------- A-B selection

void CPlaybackSession::OnSetStart()
{
    m_range.dwStart = m_player.GetPosition();
    // A start past the end would loop a tenth of a second: the end moves to the
    // end of the item until the learner sets it again.
    if (m_range.dwStart > m_range.dwEnd)
        m_range.dwEnd = m_dwSliderMax;
    m_range.bActive = true;
    ShowSelection();
    HoldSelectionInRuntime();
}

void CPlaybackSession::OnSetEnd()
{
    m_range.dwEnd = m_player.GetPosition();
    m_range.bActive = true;
    ShowSelection();
    HoldSelectionInRuntime();
    // The new selection is heard at once from its start.
    m_player.SetPosition(m_range.dwStart);
}

void CPlaybackSession::OnStartLeft()
{
    const auto step = static_cast<std::uint32_t>(std::max(0, m_settings.MoveStep));
    m_range.dwStart = m_range.dwStart > step ? m_range.dwStart - step : 0;
    ShowSelection();
    HoldSelectionInRuntime();
}

void CPlaybackSession::OnEndRight()
{
    const auto step = static_cast<std::uint64_t>(std::max(0, m_settings.MoveStep));
    m_range.dwEnd = static_cast<std::uint32_t>(std::min<std::uint64_t>(m_range.dwEnd + step, m_dwSliderMax));
    ShowSelection();
    HoldSelectionInRuntime();
}

void CPlaybackSession::OnClearSelection()
{
    if (!m_range.bActive)
        return;
    m_range.bActive = false;
    m_range.dwStart = 0;
    m_range.dwEnd = m_dwSliderMax;
    ShowNoSelection();
    HoldSelectionInRuntime();
}

void CPlaybackSession::OnSaveSelection()
{
    emit StretchSaved(m_range.dwStart, m_range.dwEnd);
}

void CPlaybackSession::PlaySelection(std::uint32_t start, std::uint32_t end)
{
    StopDrill();
    if (!FitSavedSelection(start, end))
        return;
    // 0 keeps the current bound, except a kept start past the new end, which
    // would loop a tenth of a second: the row then plays from the item's start.
    if (start != 0)
        m_range.dwStart = start;
    else if (end != 0 && m_range.dwStart > end)
        m_range.dwStart = 0;
    if (end != 0)
        m_range.dwEnd = end;
    GiveSelectionALength();
    m_range.bActive = true;
    ShowSelection();
    if (end != 0)
        m_player.SetPosition(m_range.dwStart);
    OnPlay();
    HoldSelectionInRuntime();
}

// A stretch chosen on the waveform: exactly these bounds, heard from the start.
void CPlaybackSession::SelectRange(std::uint32_t start, std::uint32_t end)
{
    if (!IsItemOpen() || start >= end)
        return;
    StopDrill();
    m_range = {start, std::min(end, m_dwSliderMax), true};
    ShowSelection();
    HoldSelectionInRuntime();
    m_player.SetPosition(start);
    OnPlay();
}

// A saved selection may come from a timing file made for a longer recording:
// one that starts at or past the item's end has nothing to play (false), and
// an end past the item's end becomes the item's end. A bound of 0 stays 0.
// With no item open there is no length to fit to, and nothing plays.
bool CPlaybackSession::FitSavedSelection(std::uint32_t start, std::uint32_t &end) const
{
    if (!IsItemOpen())
        return true;
    if (start != 0 && start >= m_dwSliderMax)
        return false;
    end = std::min(end, m_dwSliderMax);
    return true;
}

// A selection with no length (a time tagged twice) would repeat one tick of
// sound: it runs to the item's end instead.
void CPlaybackSession::GiveSelectionALength()
{
    if (IsItemOpen() && m_range.dwStart == m_range.dwEnd)
        m_range.dwEnd = m_dwSliderMax;
}

void CPlaybackSession::ShowSelection()
{
    StatesChanged();
    emit RangeChanged(m_range);
    ShowPane(PANE_SEL_START, FormatMinSecOfMs(m_range.dwStart));
    ShowPane(PANE_SEL_END, FormatMinSecOfMs(m_range.dwEnd));
}

void CPlaybackSession::HoldSelectionInRuntime()
{
    // The runtime holds a selection that runs forward exactly, from one output buffer to
    // the next; the position timer still holds the others (start at or past the end)
    // and brings back a position that lies outside.
    if (m_range.RunsForward())
        m_player.SetLoop(m_range.dwStart, m_range.dwEnd);
    else
        m_player.ClearLoop();
}

void CPlaybackSession::ShowNoSelection()
{
    StatesChanged();
    emit RangeChanged(SAbRange{});
    ShowPane(PANE_SEL_START, LoadResString(ID_INDICATOR_SEL_START));
    ShowPane(PANE_SEL_END, LoadResString(ID_INDICATOR_SEL_END));
}

void CPlaybackSession::OnPositionScroll(std::uint32_t position)
{
    // Past the end the thumb goes back to the playing position at the next tick.
    if (m_range.bActive && position > m_range.dwEnd)
        return;
    if (m_range.bActive && position < m_range.dwStart)
        position = m_range.dwStart;
    m_player.SetPosition(position);
}

// ---------------------------------------------------------------- volume

void CPlaybackSession::ApplyMute(bool mute)
{
    m_bMutePressed = mute;
    StatesChanged();
    emit MuteChanged(mute);
    m_player.SetMute(mute);
    m_settings.Mute = mute;
}

void CPlaybackSession::ChangeVolume(int delta)
{
    OnVolumeScroll(std::clamp(m_nVolumePos + delta, 0, 100));
    emit VolumeChanged(m_nVolumePos);
}

void CPlaybackSession::OnVolumeScroll(int volume)
{
    // Changing the volume ends muting.
    if (m_bMutePressed)
        ApplyMute(false);
    m_nVolumePos = volume;
    StatesChanged();
    m_player.SetAttributes(IMediaPlayer::kUnchangedRate, volume, IMediaPlayer::kUnchangedPan);
    m_settings.Volume = volume;
}

void CPlaybackSession::SetEffect(unsigned kind, int value)
{
    // The slider turns the reverb up; the engine's value turns its mix down.
    if (kind == IMediaPlayer::EFFECT_REVERB)
        value = kMaxEffectPos - value;
    m_player.SetEffect(kind, value);
}

bool CPlaybackSession::SetTempo(const STempoChange &change)
{
    if (!IsItemOpen() || !IsPlaying())
        return false;
    if (!m_player.SetTempo(float(change.nTempo), float(change.nRate), float(change.nPitch)))
        return false;
    m_tempo = change;
    emit TempoChanged(change);
    return true;
}

// ---------------------------------------------------------------- end of item

int CPlaybackSession::OnChannelEnd()
{
    // A drill's pass ends where it should; the drill goes on from the event loop.
    if (m_pDrill->IsRunning()) {
        QMetaObject::invokeMethod(
            this, [this] { m_pDrill->PassEnded(); }, Qt::QueuedConnection);
        return 0;
    }
    // With a selection the channel stays where it is; playing again and the
    // position timer bring it back to the selection's start.
    if (m_range.bActive) {
        PostCommand(IDC_PLAY_BUTTON);
        return 0;
    }
    // Stopped and rewound here rather than by the callback after our answer:
    // that stop could land after the posted command has started the channel.
    m_player.Stop();
    switch (m_settings.Order) {
    case ORDER_IN_TURN:
        ResetTransport();
        PostCommand(IDC_NEXT_ITEM);
        break;
    case ORDER_REPEAT_ONE:
        ResetTransport();
        PostCommand(IDC_PLAY_BUTTON);
        break;
    case ORDER_REPEAT_LIST:
        ResetTransport();
        if (IsItemOpen() && m_nCurrentIndex < PathCount() - 1)
            PostCommand(IDC_NEXT_ITEM);
        else
            WrapToFirstItem();
        break;
    default: break;
    }
    return 0;
}

void CPlaybackSession::WrapToFirstItem()
{
    // The dictation document follows the item: otherwise the text typed for the
    // last item would later be saved beside the first.
    if (PathCount() == 0 || !m_lesson.SwitchTo(PathAt(0)))
        return;
    SetCurrentIndex(0);
    if (!OpenCurrentItem())
        return;
    emit CurrentItemChanged(0);
    PostCommand(IDC_PLAY_BUTTON);
}

void CPlaybackSession::PostCommand(unsigned id)
{
    // Runs from the event loop after the end callback has finished, and only
    // when still enabled, as a posted command would.
    QMetaObject::invokeMethod(
        this, [this, id] { ExecuteIfEnabled(id); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- timers

void CPlaybackSession::StartTimers()
{
    if (!m_pPositionTimer->IsActive())
        m_pPositionTimer->Start(POSITION_PERIOD_MS);
    if (!m_pClockTimer->IsActive())
        m_pClockTimer->Start(CLOCK_PERIOD_MS);
}

void CPlaybackSession::StopTimers()
{
    m_pPositionTimer->Stop();
    m_pClockTimer->Stop();
}

void CPlaybackSession::OnPositionTimer()
{
    ShowOutputState();
    if (m_bPositionHeld)
        return;
    const std::uint32_t position = m_player.GetPosition();
    // The selection is held here, a tick at a time; the thumb waits for the next tick.
    if (m_range.Leaves(position))
        m_player.SetPosition(m_range.dwStart);
    else
        ShowPosition(position);
}

void CPlaybackSession::ShowPosition(std::uint32_t position)
{
    if (std::exchange(m_dwShownPosition, position) != position)
        emit PositionChanged(position);
}

void CPlaybackSession::OnClockTimer()
{
    const QString time =
        FormatMinSecOfMs(m_player.GetPosition()) + QStringLiteral(" / ") + FormatMinSecOfMs(m_player.GetLength());
    if (std::exchange(m_strShownTime, time) != time)
        emit PaneTextChanged(PANE_TIME, time);
}

// The panes keep what they were last told, which may have come from elsewhere
// (the time pane is emptied with the playlist): these are always sent.
void CPlaybackSession::ShowPane(int pane, const QString &text)
{
    emit PaneTextChanged(pane, text);
}

void CPlaybackSession::ShowOutputState()
{
    // The runtime reopens the output by itself; the item and its position wait for it.
    const bool lost = m_player.IsOutputLost();
    if (lost == m_bOutputLost)
        return;
    m_bOutputLost = lost;
    StatesChanged();
    ShowPane(PANE_MESSAGE, lost ? QStringLiteral("声音输出中断，正在重新连接…") : QStringLiteral("声音输出已恢复"));
}

// ---------------------------------------------------------------- dictation drill

bool CPlaybackSession::StartDrill(const std::vector<CSelectionSpan> &rows, int first)
{
    if (!IsItemOpen() || !m_pDrill->Start(rows, first))
        return false;
    m_bDrillArmed = false;
    m_settings.DrillOn = true;
    StatesChanged();
    return true;
}

void CPlaybackSession::DrillSettingsChanged()
{
    ShowDrillStatus(m_pDrill->StatusText());
}

void CPlaybackSession::EndRunningDrill()
{
    if (m_pDrill->IsRunning())
        StopDrill();
}

void CPlaybackSession::StopDrill()
{
    StatesChanged();
    m_bDrillArmed = false;
    m_settings.DrillOn = false;
    if (!m_pDrill->IsRunning())
        return;
    m_pDrill->Stop();
    // The stretch it was playing stays, now held as the selection.
    HoldSelectionInRuntime();
}

bool CPlaybackSession::EndsTheDrill(unsigned id)
{
    return CommandTable::Has(id, CMD_ENDS_DRILL);
}

bool CPlaybackSession::OnCmdMsg(unsigned id, CCmdUI *pCmdUI)
{
    if (m_pDrill->IsRunning() && id == ID_PLAY_PAUSE) {
        if (pCmdUI != nullptr)
            pCmdUI->Enable();
        else
            m_pDrill->PauseOrResume();
        return true;
    }
    if (m_bDrillArmed && id == ID_PLAY_PAUSE && pCmdUI == nullptr && StartDrill(m_lesson.Stretches(), 0))
        return true;
    // Offered here first, the command then runs wherever it is handled. The stop
    // that leaves the remembered item silent at start-up leaves a waiting drill waiting.
    if (pCmdUI == nullptr && EndsTheDrill(id)) {
        if (id == IDC_STOP)
            EndRunningDrill();
        else
            StopDrill();
    }
    return CCmdTarget::OnCmdMsg(id, pCmdUI);
}

void CPlaybackSession::PlayPass(std::uint32_t start, std::uint32_t end)
{
    m_range.dwStart = start;
    m_range.dwEnd = end;
    m_range.bActive = true;
    ShowSelection();
    // A stretch with nothing to play (no length, or past the item) is over at once.
    if (!m_player.SetLoop(start, end, true)) {
        QMetaObject::invokeMethod(
            this, [this] { m_pDrill->PassEnded(); }, Qt::QueuedConnection);
        return;
    }
    m_player.SetPosition(start);
    m_player.Play(false);
    StartTimers();
    SetPlayButtons(true, false);
}

void CPlaybackSession::PausePass()
{
    m_player.Pause();
    SetPlayButtons(false, true);
}

void CPlaybackSession::ResumePass()
{
    m_player.Play(false);
    SetPlayButtons(true, false);
}

void CPlaybackSession::ShowDrillStatus(const QString &text)
{
    StatesChanged(); // each step of the drill: a pass, a silence, a pause
    ShowPane(PANE_DRILL, text + PreviousStretchScore());
}

// How the stretch drilled before this one was written, once the learner has
// written it (and something after it).
QString CPlaybackSession::PreviousStretchScore()
{
    const std::optional<CSelectionSpan> previous = m_pDrill->PreviousRow();
    if (!previous)
        return QString();
    const std::optional<int> percent = m_lesson.ScoreOf(previous->m_dwStart, previous->m_dwEnd);
    return percent ? QStringLiteral(" · 上一段 %1%").arg(*percent) : QString();
}

void CPlaybackSession::DrillFinished()
{
    // The item rests at the end of the last stretch.
    m_settings.DrillOn = false;
    OnClearSelection();
    SetPlayButtons(false, false);
}
