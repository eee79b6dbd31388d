#include "session/CDictationDrill.h"

#include "app/CAppSettings.h"
#include "session/ISessionClock.h"

#include <algorithm>

CDictationDrill::CDictationDrill(CAppSettings &settings, IDrillPlayer &player, ISessionClock &clock)
    : m_settings(settings), m_player(player), m_pSilenceTimer(clock.CreateTimer(true, [this] { NextPass(); }))
{
}

CDictationDrill::~CDictationDrill() = default;

bool CDictationDrill::Start(const std::vector<CSelectionSpan> &rows, int first)
{
    Stop();
    if (rows.empty())
        return false;
    m_rows = rows;
    m_nRow = first >= 0 && first < static_cast<int>(rows.size()) ? first : 0;
    m_nPass = 1;
    PlayCurrentPass();
    return true;
}

void CDictationDrill::Stop()
{
    m_pSilenceTimer->Stop();
    const bool wasRunning = IsRunning();
    m_eState = EState::Off;
    m_bPaused = false;
    if (wasRunning)
        ShowStatus();
}

int CDictationDrill::Passes() const
{
    return std::clamp(m_settings.DrillPasses, 1, 9);
}

void CDictationDrill::PlayCurrentPass()
{
    m_eState = EState::Playing;
    const CSelectionSpan &row = m_rows[static_cast<size_t>(m_nRow)];
    ShowStatus();
    m_player.PlayPass(row.m_dwStart, row.m_dwEnd);
}

void CDictationDrill::PassEnded()
{
    if (m_eState != EState::Playing)
        return;
    const int silence = 1000 * std::clamp(m_settings.DrillGap, 0, 10);
    if (!m_bPaused) {
        BeginSilence(silence);
        return;
    }
    // The end came on its way as the pass was held: the silence waits for the resume.
    m_eState = EState::Silence;
    m_nSilenceLeft = silence;
    ShowStatus();
}

void CDictationDrill::BeginSilence(int milliseconds)
{
    m_eState = EState::Silence;
    m_nSilenceLeft = milliseconds;
    ShowStatus();
    // Even no silence goes through the event loop: the next pass never starts from
    // inside the end of the last one.
    m_pSilenceTimer->Start(milliseconds);
}

void CDictationDrill::NextPass()
{
    if (m_nPass < Passes()) {
        ++m_nPass;
    } else if (m_nRow + 1 < static_cast<int>(m_rows.size())) {
        ++m_nRow;
        m_nPass = 1;
    } else {
        Stop();
        m_player.DrillFinished();
        return;
    }
    PlayCurrentPass();
}

void CDictationDrill::PauseOrResume()
{
    if (!IsRunning())
        return;
    m_bPaused = !m_bPaused;
    if (m_eState == EState::Playing) {
        if (m_bPaused)
            m_player.PausePass();
        else
            m_player.ResumePass();
    } else if (m_bPaused) {
        m_nSilenceLeft = m_pSilenceTimer->RemainingMs();
        m_pSilenceTimer->Stop();
    } else {
        BeginSilence(m_nSilenceLeft);
    }
    ShowStatus();
}

QString CDictationDrill::StatusText() const
{
    if (!IsRunning())
        return QString();
    QString text =
        QStringLiteral("第 %1/%2 段 · 第 %3/%4 遍").arg(m_nRow + 1).arg(m_rows.size()).arg(m_nPass).arg(Passes());
    if (m_bPaused)
        text += QStringLiteral(" · 已暂停");
    else if (m_eState == EState::Silence)
        text += QStringLiteral(" · 书写");
    return text;
}

void CDictationDrill::ShowStatus()
{
    m_player.ShowDrillStatus(StatusText());
}

std::optional<CSelectionSpan> CDictationDrill::PreviousRow() const
{
    if (!IsRunning() || m_nRow == 0)
        return std::nullopt;
    return m_rows[static_cast<size_t>(m_nRow - 1)];
}
