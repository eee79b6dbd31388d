#include "transport/CTransportControl.h"

#include "app/CAppSettings.h"
#include "app/CCommandTable.h"
#include "app/CStringTable.h"
#include "app/Resource.h"
#include "audio/CPlaybackEngine.h"
#include "base/MediaPaths.h"
#include "base/TimeUtils.h"
#include "lists/CLrcFile.h"
#include "lists/CPlaylist.h"
#include "transport/ITransportView.h"

#include <QTimerEvent>
#include <algorithm>

namespace
{

// The effects panel's band and reverb sliders run from 0 to this.
constexpr int kMaxEffectPos = 20;

} // namespace

CTransportControl::CTransportControl(CAppSettings &settings, ITransportView &view, QObject *parent)
    : QObject(parent), m_settings(settings), m_view(view), m_pEngine(std::make_unique<CPlaybackEngine>()),
      m_pSelectionStore(std::make_unique<CLrcFile>()),
      m_pDrill(std::make_unique<CDictationDrill>(settings, static_cast<IDrillPlayer &>(*this)))
{
    m_pEngine->SetEndHandler([this] { return OnChannelEnd(); });
    RegisterCommands();
}

CTransportControl::~CTransportControl() = default;

void CTransportControl::RememberCurrentItem()
{
    m_settings.PlaylistIndex = IsItemOpen() ? m_nCurrentIndex : 0;
}

void CTransportControl::InitDialog()
{
    m_view.SetSliderRange(0);
    m_nVolumePos = m_settings.Volume;
    m_view.SetVolumePos(m_nVolumePos);
    m_pEngine->SetAttributes(CPlaybackEngine::kUnchangedRate, m_settings.Volume, CPlaybackEngine::kUnchangedPan);
    if (m_settings.Mute) {
        // The engine is muted when an item is opened.
        m_bMutePressed = true;
        m_view.SetButtonCheck(IDC_MUTE_BUTTON, true);
        m_view.SetMuteImage(true);
    }
}

// ---------------------------------------------------------------- commands

void CTransportControl::RegisterCommands()
{
    RegisterTransportCommands();
    RegisterSelectionCommands();
    RegisterVolumeCommands();
}

void CTransportControl::RegisterTransportCommands()
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
        IDC_STOP, [this] { StopAndReset(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && !m_pEngine->IsStopped()); });
    OnCommand(
        IDC_PREV_ITEM, [this] { OnPrevItem(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && m_nCurrentIndex > 0); });
    OnCommand(
        IDC_NEXT_ITEM, [this] { OnNextItem(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && m_nCurrentIndex < PathCount() - 1); });
}

void CTransportControl::RegisterSelectionCommands()
{
    const auto whilePlaying = [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && IsPlaying()); };
    const auto activeWhilePlaying = [this](CCmdUI &ui) {
        ui.Enable(IsItemOpen() && IsPlaying() && m_bSelectionActive);
    };
    OnCommand(
        IDC_SET_START, [this] { OnSetStart(); }, whilePlaying);
    OnCommand(
        IDC_SET_END, [this] { OnSetEnd(); }, whilePlaying);
    OnCommand(
        IDC_START_LEFT, [this] { OnStartLeft(); },
        [this](CCmdUI &ui) { ui.Enable(m_bSelectionActive && m_dwSelection[0] != 0); });
    OnCommand(
        IDC_END_RIGHT, [this] { OnEndRight(); },
        [this](CCmdUI &ui) { ui.Enable(IsItemOpen() && m_bSelectionActive && m_dwSelection[1] != m_dwSliderMax); });
    OnCommand(
        IDC_CLEAR_SELECTION, [this] { OnClearSelection(); }, activeWhilePlaying);
    OnCommand(
        IDC_SAVE_SELECTION, [this] { OnSaveSelection(); }, activeWhilePlaying);
}

void CTransportControl::RegisterVolumeCommands()
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
}

bool CTransportControl::IsPlaying() const
{
    return m_pEngine->IsPlaying();
}

int CTransportControl::PathCount() const
{
    return m_pPaths != nullptr ? static_cast<int>(m_pPaths->size()) : 0;
}

// ---------------------------------------------------------------- transport

void CTransportControl::OnPlay()
{
    StepBackOnResume();
    StartPlaying();
}

std::optional<std::uint32_t> CTransportControl::PlayingPosition() const
{
    if (!IsItemOpen())
        return std::nullopt;
    return m_pEngine->GetPosition();
}

// Without the step back of a resume: the learner chose the time.
void CTransportControl::PlayFrom(std::uint32_t milliseconds)
{
    if (!IsItemOpen())
        return;
    EndRunningDrill();
    if (m_bSelectionActive && (milliseconds < m_dwSelection[0] || milliseconds >= m_dwSelection[1]))
        OnClearSelection();
    m_pEngine->SetPosition(std::min(milliseconds, m_dwSliderMax));
    StartPlaying();
}

void CTransportControl::StartPlaying()
{
    if (!IsItemOpen()) {
        SetPlayButtons(false, m_bPausePressed);
        return;
    }
    // A failure is the engine's message; the bar still looks as if playing.
    m_pEngine->Play(false);
    StartTimers();
    SetPlayButtons(true, false);
    if (IsPlaying())
        emit PlaybackStarted();
}

// Resuming after a pause first goes back the seconds the learner chose, to
// hear again what led up to the pause, but never before the start of the A-B
// stretch being played.
void CTransportControl::StepBackOnResume()
{
    if (m_settings.BackStep <= 0 || !m_pEngine->IsPaused())
        return;
    const std::int64_t position = m_pEngine->GetPosition();
    const std::int64_t floor = m_bSelectionActive ? m_dwSelection[0] : 0;
    if (position <= floor)
        return;
    const std::int64_t back = std::int64_t(m_settings.BackStep) * 1000;
    m_pEngine->SetPosition(static_cast<std::uint32_t>(std::max(floor, position - back)));
}

void CTransportControl::OnPause()
{
    if (IsItemOpen() && IsPlaying()) {
        SetPlayButtons(false, true);
        m_pEngine->Pause();
    } else {
        SetPlayButtons(m_bPlayPressed, IsItemOpen() && m_pEngine->IsPaused());
    }
}

void CTransportControl::OnPlayPause()
{
    if (!IsItemOpen())
        return;
    if (IsPlaying())
        OnPause();
    else
        OnPlay();
}

void CTransportControl::StopAndReset()
{
    if (!IsItemOpen() || m_pEngine->IsStopped())
        return;
    m_pEngine->Stop();
    ResetTransport();
}

void CTransportControl::OnPrevItem()
{
    if (m_nCurrentIndex > 0)
        SwitchToItem(m_nCurrentIndex - 1);
}

void CTransportControl::OnNextItem()
{
    if (IsItemOpen() && m_nCurrentIndex < PathCount() - 1)
        SwitchToItem(m_nCurrentIndex + 1);
}

void CTransportControl::SwitchToItem(int index)
{
    if (!m_view.OpenDictationText(index))
        return;
    m_view.SetCurrentItem(index);
    m_nCurrentIndex = index;
    StopAndReset();
    PlayCurrentIfOpened();
}

void CTransportControl::PlayCurrentIfOpened()
{
    if (OpenCurrentItem())
        OnPlay();
}

void CTransportControl::PlayItem(int index)
{
    // A row the playlist pane cannot mark is no item: the current one stays.
    if (!m_view.SetCurrentItem(index))
        return;
    m_nCurrentIndex = index;
    StopAndReset();
    PlayCurrentIfOpened();
}

bool CTransportControl::PlaylistReady(const QStringList *pPaths)
{
    const bool drillWasOn = m_settings.DrillOn; // the program closed during a drill
    StopAndReset();
    ResetTransport();
    m_pPaths = pPaths;
    // A remembered index outside the list would leave an item "open" that is not there.
    m_nCurrentIndex = StartupPlaylistIndex(m_settings.PlaylistIndex, PathCount());
    if (!OpenCurrentItem())
        return false;
    OnPlay();
    m_bDrillArmed = drillWasOn && !m_listedRows.empty();
    m_settings.DrillOn = m_bDrillArmed;
    return true;
}

bool CTransportControl::OpenCurrentItem()
{
    StatesChanged(); // another current item, opened or not
    if (m_nCurrentIndex < 0 || m_nCurrentIndex >= PathCount())
        return false;
    const QString &path = m_pPaths->at(m_nCurrentIndex);
    if (!m_pEngine->Open(path)) {
        m_view.ShowItemDescription(path, std::nullopt);
        return false;
    }
    m_view.ShowItemDescription(path, m_pEngine->ItemDescription());
    const std::uint32_t length = m_pEngine->GetLength();
    m_dwSelection[0] = 0;
    m_dwSelection[1] = length;
    m_dwSliderMax = length;
    m_view.SetSliderRange(length);
    std::uint32_t sampleRate = 0;
    m_pEngine->GetAttributes(&sampleRate, nullptr, nullptr);
    m_view.EnableEffectsForRate(sampleRate, m_pEngine->HasTempoControl());
    ListSavedSelections(path);
    HoldSelectionInRuntime();
    m_pEngine->SetAttributes(CPlaybackEngine::kUnchangedRate, m_settings.Volume, CPlaybackEngine::kUnchangedPan);
    if (m_settings.Mute)
        m_pEngine->SetMute(true);
    return true;
}

void CTransportControl::ListSavedSelections(const QString &mediaPath)
{
    // Each saved time starts a selection that runs to the next one; the last
    // runs to the end of the media.
    m_pSelectionStore->RemoveAll();
    std::vector<CSelectionSpan> rows;
    if (m_pSelectionStore->Load(MediaLrcPath(mediaPath)))
        rows = SelectionsFromTags(*m_pSelectionStore, m_dwSelection[1]);
    m_view.FillSelectionList(rows);
    m_listedRows = rows;
}

void CTransportControl::ResetTransport()
{
    EndRunningDrill();
    ShowNoSelection();
    StopTimers();
    SetPlayButtons(false, false);
    OnClearSelection();
    m_view.SetSliderPos(0);
}

QString CTransportControl::GetCurrentPath() const
{
    if (m_nCurrentIndex < 0 || m_nCurrentIndex >= PathCount())
        return QString();
    return m_pPaths->at(m_nCurrentIndex);
}

void CTransportControl::SetPlayButtons(bool playPressed, bool pausePressed)
{
    m_bPlayPressed = playPressed;
    m_bPausePressed = pausePressed;
    StatesChanged();
    m_view.SetButtonCheck(IDC_PLAY_BUTTON, playPressed);
    m_view.SetButtonCheck(IDC_PAUSE_BUTTON, pausePressed);
}

// ---------------------------------------------------------------- A-B selection

void CTransportControl::OnSetStart()
{
    m_dwSelection[0] = m_pEngine->GetPosition();
    // A start past the end would loop a tenth of a second: the end moves to the
    // end of the item until the learner sets it again.
    if (m_dwSelection[0] > m_dwSelection[1])
        m_dwSelection[1] = m_dwSliderMax;
    m_bSelectionActive = true;
    ShowSelection();
    HoldSelectionInRuntime();
}

void CTransportControl::OnSetEnd()
{
    m_dwSelection[1] = m_pEngine->GetPosition();
    m_bSelectionActive = true;
    ShowSelection();
    HoldSelectionInRuntime();
    // The new selection is heard at once from its start.
    m_pEngine->SetPosition(m_dwSelection[0]);
}

void CTransportControl::OnStartLeft()
{
    const auto step = static_cast<std::uint32_t>(std::max(0, m_settings.MoveStep));
    m_dwSelection[0] = m_dwSelection[0] > step ? m_dwSelection[0] - step : 0;
    ShowSelection();
    HoldSelectionInRuntime();
}

void CTransportControl::OnEndRight()
{
    const auto step = static_cast<std::uint64_t>(std::max(0, m_settings.MoveStep));
    m_dwSelection[1] = static_cast<std::uint32_t>(std::min<std::uint64_t>(m_dwSelection[1] + step, m_dwSliderMax));
    ShowSelection();
    HoldSelectionInRuntime();
}

void CTransportControl::OnClearSelection()
{
    if (!m_bSelectionActive)
        return;
    m_bSelectionActive = false;
    m_dwSelection[0] = 0;
    m_dwSelection[1] = m_dwSliderMax;
    ShowNoSelection();
    HoldSelectionInRuntime();
}

void CTransportControl::OnSaveSelection()
{
    m_view.AddSelection(m_dwSelection[0], m_dwSelection[1]);
}

void CTransportControl::PlaySelection(std::uint32_t start, std::uint32_t end)
{
    StopDrill();
    if (!FitSavedSelection(start, end))
        return;
    // 0 keeps the current bound, except a kept start past the new end, which
    // would loop a tenth of a second: the row then plays from the item's start.
    if (start != 0)
        m_dwSelection[0] = start;
    else if (end != 0 && m_dwSelection[0] > end)
        m_dwSelection[0] = 0;
    if (end != 0)
        m_dwSelection[1] = end;
    GiveSelectionALength();
    m_bSelectionActive = true;
    ShowSelection();
    if (end != 0)
        m_pEngine->SetPosition(m_dwSelection[0]);
    OnPlay();
    HoldSelectionInRuntime();
}

// A saved selection may come from a timing file made for a longer recording:
// one that starts at or past the item's end has nothing to play (false), and
// an end past the item's end becomes the item's end. A bound of 0 stays 0.
// With no item open there is no length to fit to, and nothing plays.
bool CTransportControl::FitSavedSelection(std::uint32_t start, std::uint32_t &end) const
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
void CTransportControl::GiveSelectionALength()
{
    if (IsItemOpen() && m_dwSelection[0] == m_dwSelection[1])
        m_dwSelection[1] = m_dwSliderMax;
}

void CTransportControl::ShowSelection()
{
    StatesChanged();
    m_view.SetSliderSelection(true, m_dwSelection[0], m_dwSelection[1]);
    m_view.SetPaneText(PANE_SEL_START, FormatMinSecOfMs(m_dwSelection[0]));
    m_view.SetPaneText(PANE_SEL_END, FormatMinSecOfMs(m_dwSelection[1]));
}

void CTransportControl::HoldSelectionInRuntime()
{
    // The runtime holds a selection that runs forward exactly, from one output buffer to
    // the next; the position timer still holds the others (start at or past the end)
    // and brings back a position that lies outside.
    if (m_bSelectionActive && m_dwSelection[0] < m_dwSelection[1])
        m_pEngine->SetLoop(m_dwSelection[0], m_dwSelection[1]);
    else
        m_pEngine->ClearLoop();
}

void CTransportControl::ShowNoSelection()
{
    StatesChanged();
    m_view.SetSliderSelection(false, 0, 0);
    m_view.SetPaneText(PANE_SEL_START, LoadResString(ID_INDICATOR_SEL_START));
    m_view.SetPaneText(PANE_SEL_END, LoadResString(ID_INDICATOR_SEL_END));
}

void CTransportControl::OnPositionScroll(std::uint32_t position)
{
    // Past the end the thumb goes back to the playing position at the next tick.
    if (m_bSelectionActive && position > m_dwSelection[1])
        return;
    if (m_bSelectionActive && position < m_dwSelection[0])
        position = m_dwSelection[0];
    m_pEngine->SetPosition(position);
}

// ---------------------------------------------------------------- volume

void CTransportControl::ApplyMute(bool mute)
{
    m_bMutePressed = mute;
    StatesChanged();
    m_view.SetButtonCheck(IDC_MUTE_BUTTON, mute);
    m_view.SetMuteImage(mute);
    m_pEngine->SetMute(mute);
    m_settings.Mute = mute;
}

void CTransportControl::ChangeVolume(int delta)
{
    OnVolumeScroll(std::clamp(m_nVolumePos + delta, 0, 100));
    m_view.SetVolumePos(m_nVolumePos);
}

void CTransportControl::OnVolumeScroll(int volume)
{
    // Changing the volume ends muting.
    if (m_bMutePressed)
        ApplyMute(false);
    m_nVolumePos = volume;
    StatesChanged();
    m_pEngine->SetAttributes(CPlaybackEngine::kUnchangedRate, volume, CPlaybackEngine::kUnchangedPan);
    m_settings.Volume = volume;
}

void CTransportControl::SetEffect(unsigned kind, int value)
{
    // The slider turns the reverb up; the engine's value turns its mix down.
    if (kind == CPlaybackEngine::EFFECT_REVERB)
        value = kMaxEffectPos - value;
    m_pEngine->SetEffect(kind, value);
}

bool CTransportControl::SetTempo(const STempoChange &change)
{
    if (!IsItemOpen() || !IsPlaying())
        return false;
    return m_pEngine->SetTempo(float(change.nTempo), float(change.nRate), float(change.nPitch));
}

// ---------------------------------------------------------------- end of item

int CTransportControl::OnChannelEnd()
{
    // A drill's pass ends where it should; the drill goes on from the event loop.
    if (m_pDrill->IsRunning()) {
        QMetaObject::invokeMethod(
            this, [this] { m_pDrill->PassEnded(); }, Qt::QueuedConnection);
        return 0;
    }
    // With a selection the channel stays where it is; playing again and the
    // position timer bring it back to the selection's start.
    if (m_bSelectionActive) {
        PostCommand(IDC_PLAY_BUTTON);
        return 0;
    }
    // Stopped and rewound here rather than by the callback after our answer:
    // that stop could land after the posted command has started the channel.
    m_pEngine->Stop();
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

void CTransportControl::WrapToFirstItem()
{
    // The dictation document follows the item: otherwise the text typed for the
    // last item would later be saved beside the first.
    if (PathCount() == 0 || !m_view.OpenDictationText(0))
        return;
    m_nCurrentIndex = 0;
    if (!OpenCurrentItem())
        return;
    m_view.SetCurrentItem(0);
    PostCommand(IDC_PLAY_BUTTON);
}

void CTransportControl::PostCommand(unsigned id)
{
    // Runs from the event loop after the end callback has finished, and only
    // when still enabled, as a posted command would.
    QMetaObject::invokeMethod(
        this, [this, id] { ExecuteIfEnabled(id); }, Qt::QueuedConnection);
}

// ---------------------------------------------------------------- timers

void CTransportControl::StartTimers()
{
    if (m_nPositionTimer == 0)
        m_nPositionTimer = startTimer(POSITION_PERIOD_MS);
    if (m_nClockTimer == 0)
        m_nClockTimer = startTimer(CLOCK_PERIOD_MS);
}

void CTransportControl::StopTimers()
{
    for (int *timer : {&m_nPositionTimer, &m_nClockTimer}) {
        if (*timer != 0)
            killTimer(*timer);
        *timer = 0;
    }
}

void CTransportControl::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_nPositionTimer)
        OnPositionTimer();
    else if (event->timerId() == m_nClockTimer)
        OnClockTimer();
    QObject::timerEvent(event);
}

void CTransportControl::OnPositionTimer()
{
    ShowOutputState();
    if (m_view.IsSliderDragging())
        return;
    const std::uint32_t position = m_pEngine->GetPosition();
    // The selection is held here, a tick at a time; the thumb waits for the next tick.
    if (m_bSelectionActive && (position > m_dwSelection[1] || position < m_dwSelection[0]))
        m_pEngine->SetPosition(m_dwSelection[0]);
    else
        m_view.SetSliderPos(position);
}

void CTransportControl::OnClockTimer()
{
    m_view.SetPaneText(PANE_TIME, FormatMinSecOfMs(m_pEngine->GetPosition()) + QStringLiteral(" / ") +
                                      FormatMinSecOfMs(m_pEngine->GetLength()));
}

void CTransportControl::ShowOutputState()
{
    // The runtime reopens the output by itself; the item and its position wait for it.
    const bool lost = m_pEngine->IsOutputLost();
    if (lost == m_bOutputLost)
        return;
    m_bOutputLost = lost;
    StatesChanged();
    m_view.SetPaneText(PANE_MESSAGE,
                       lost ? QStringLiteral("声音输出中断，正在重新连接…") : QStringLiteral("声音输出已恢复"));
}

// ---------------------------------------------------------------- dictation drill

bool CTransportControl::StartDrill(const std::vector<CSelectionSpan> &rows, int first)
{
    if (!IsItemOpen() || !m_pDrill->Start(rows, first))
        return false;
    m_bDrillArmed = false;
    m_settings.DrillOn = true;
    StatesChanged();
    return true;
}

void CTransportControl::DrillSettingsChanged()
{
    ShowDrillStatus(m_pDrill->StatusText());
}

void CTransportControl::EndRunningDrill()
{
    if (m_pDrill->IsRunning())
        StopDrill();
}

void CTransportControl::StopDrill()
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

bool CTransportControl::EndsTheDrill(unsigned id)
{
    return CommandTable::Has(id, CMD_ENDS_DRILL);
}

bool CTransportControl::OnCmdMsg(unsigned id, CCmdUI *pCmdUI)
{
    if (m_pDrill->IsRunning() && id == ID_PLAY_PAUSE) {
        if (pCmdUI != nullptr)
            pCmdUI->Enable();
        else
            m_pDrill->PauseOrResume();
        return true;
    }
    if (m_bDrillArmed && id == ID_PLAY_PAUSE && pCmdUI == nullptr && StartDrill(m_listedRows, 0))
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

void CTransportControl::PlayPass(std::uint32_t start, std::uint32_t end)
{
    m_dwSelection[0] = start;
    m_dwSelection[1] = end;
    m_bSelectionActive = true;
    ShowSelection();
    // A stretch with nothing to play (no length, or past the item) is over at once.
    if (!m_pEngine->SetLoop(start, end, true)) {
        QMetaObject::invokeMethod(
            this, [this] { m_pDrill->PassEnded(); }, Qt::QueuedConnection);
        return;
    }
    m_pEngine->SetPosition(start);
    m_pEngine->Play(false);
    StartTimers();
    SetPlayButtons(true, false);
}

void CTransportControl::PausePass()
{
    m_pEngine->Pause();
    SetPlayButtons(false, true);
}

void CTransportControl::ResumePass()
{
    m_pEngine->Play(false);
    SetPlayButtons(true, false);
}

void CTransportControl::ShowDrillStatus(const QString &text)
{
    StatesChanged(); // each step of the drill: a pass, a silence, a pause
    m_view.SetPaneText(PANE_DRILL, text);
}

void CTransportControl::DrillFinished()
{
    // The item rests at the end of the last stretch.
    m_settings.DrillOn = false;
    OnClearSelection();
    SetPlayButtons(false, false);
}
