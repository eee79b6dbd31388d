#include "session/CQtClock.h"

#include <QTimer>
#include <algorithm>

namespace
{

class CQtTimer final : public ISessionTimer
{
public:
    CQtTimer(bool singleShot, std::function<void()> callback)
    {
        m_timer.setSingleShot(singleShot);
        // A single-shot wait is the drill's silence, which the learner hears end.
        m_timer.setTimerType(singleShot ? Qt::PreciseTimer : Qt::CoarseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, std::move(callback));
    }
    void Start(int milliseconds) override { m_timer.start(std::max(0, milliseconds)); }
    void Stop() override { m_timer.stop(); }
    bool IsActive() const override { return m_timer.isActive(); }
    int RemainingMs() const override { return m_timer.isActive() ? std::max(0, m_timer.remainingTime()) : 0; }

private:
    QTimer m_timer;
};

} // namespace

std::unique_ptr<ISessionTimer> CQtClock::CreateTimer(bool singleShot, std::function<void()> callback)
{
    return std::make_unique<CQtTimer>(singleShot, std::move(callback));
}
