// Where the playback session and the drill get their time from: timers that
// call back on the user-interface thread. The program runs on Qt's timers
// (CQtClock); tests run the same logic on a clock they advance by hand.
#pragma once

#include <functional>
#include <memory>

class ISessionTimer
{
public:
    virtual ~ISessionTimer() = default;
    // (Re)starts the timer: the callback runs after milliseconds, and again every
    // period after that unless the timer was made single-shot.
    virtual void Start(int milliseconds) = 0;
    virtual void Stop() = 0;
    virtual bool IsActive() const = 0;
    // Milliseconds until the next call back; 0 when not active.
    virtual int RemainingMs() const = 0;
};

class ISessionClock
{
public:
    virtual ~ISessionClock() = default;
    // A stopped timer; the callback never runs after the timer is destroyed.
    virtual std::unique_ptr<ISessionTimer> CreateTimer(bool singleShot, std::function<void()> callback) = 0;
};
