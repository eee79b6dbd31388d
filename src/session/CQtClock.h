// The session's clock in the running program: Qt's timers on the event loop.
#pragma once

#include "session/ISessionClock.h"

class CQtClock final : public ISessionClock
{
public:
    std::unique_ptr<ISessionTimer> CreateTimer(bool singleShot, std::function<void()> callback) override;
};
