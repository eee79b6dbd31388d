// Hands an end-of-channel notice from the audio runtime's sync thread to the
// user-interface thread and waits for the answer, the way a blocking send
// would. Unlike a plain blocking invocation it can be cancelled: only notices
// of the current channel are delivered, so switching channels answers the
// stale ones at once, and closing answers all of them and waits until no sync
// callback is left inside the program's code, so shutting down or switching
// items never waits on a thread that waits on us.
#pragma once

#include "audio/runtime/AudioApi.h"

#include <QSocketNotifier>
#include <condition_variable>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

class CSyncHandOver
{
public:
    // The one hand-over of the process; sync callbacks reach it even while no
    // engine exists, and then it refuses them.
    static CSyncHandOver &Instance();

    // User-interface thread: starts accepting notices; the handler runs on the
    // calling thread, from its event loop.
    void Open();
    // User-interface thread: refuses new notices, answers 0 to the waiting ones
    // and returns once no callback is inside BeginCallback/EndCallback.
    void Close();

    // The decision taken on the user-interface thread; its result goes back to
    // the sync thread. Without a handler every notice is answered 0.
    void SetHandler(std::function<int()> handler);

    // Sync thread: brackets everything a callback does with the program's
    // state. BeginCallback returns false when closed; then do nothing.
    bool BeginCallback();
    void EndCallback();

    // Sync thread: runs the handler on the user-interface thread and returns
    // its result, or 0 when the notice is cancelled before it runs.
    int Deliver(DWORD channel);

    // User-interface thread: the channel whose notices are delivered (0 for
    // none). Notices of any other channel, waiting or still to come, are
    // answered 0 unless their handler has already started.
    void SetChannel(DWORD channel);

    // Notices waiting for the user-interface thread to take them.
    int Pending();

private:
    struct SNotice {
        explicit SNotice(DWORD notChannel) : channel(notChannel) {}
        DWORD channel;
        bool bStarted = false;
        bool bAnswered = false;
        int result = 0;
    };

    CSyncHandOver() = default;
    void AnswerWaiting();
    std::shared_ptr<SNotice> TakeWaiting();
    int RunHandler();
    void CancelLocked();

    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bOpen = false;
    DWORD m_hChannel = 0;
    int m_nActive = 0;
    std::list<std::shared_ptr<SNotice>> m_pending;
    std::function<int()> m_handler;
    // The sync thread wakes the user-interface thread through an eventfd, so
    // nothing of Qt's runs on the runtime's thread.
    int m_wakeFd = -1;
    std::unique_ptr<QSocketNotifier> m_pWakeNotifier;
    std::thread::id m_interfaceThread;
};
