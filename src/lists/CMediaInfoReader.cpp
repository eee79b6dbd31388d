#include "lists/CMediaInfoReader.h"

#include <QElapsedTimer>
#include <QTimerEvent>
#include <algorithm>

void CMediaInfoReader::Request(int purpose, const QString &path, Done done)
{
    const auto samePurpose = [purpose](const SRequest &request) { return request.purpose == purpose; };
    const bool replacesCurrent = !m_requests.empty() && samePurpose(m_requests.front());
    m_requests.erase(std::remove_if(m_requests.begin(), m_requests.end(), samePurpose), m_requests.end());
    m_requests.push_back({purpose, path, std::move(done)});
    if (m_requests.size() == 1 || replacesCurrent)
        StartNext();
}

void CMediaInfoReader::StartNext()
{
    if (m_requests.empty()) {
        if (m_nTimer != 0)
            killTimer(m_nTimer);
        m_nTimer = 0;
        return;
    }
    m_info.Open(m_requests.front().path);
    // A timer of no interval runs at every turn of the event loop.
    if (m_nTimer == 0)
        m_nTimer = startTimer(0);
}

void CMediaInfoReader::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_nTimer) {
        QObject::timerEvent(event);
        return;
    }
    QElapsedTimer turn;
    turn.start();
    while (!m_info.ReadStep()) {
        if (turn.elapsed() >= kTurnBudgetMs)
            return;
    }
    Complete();
}

void CMediaInfoReader::Complete()
{
    SRequest finished = std::move(m_requests.front());
    m_requests.pop_front();
    finished.done(m_info);
    StartNext();
}
