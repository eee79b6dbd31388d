// Runs END syncs on a thread of their own, each once its end is heard. The thread holds
// no runtime lock while a sync procedure runs, so the procedure may call any entry
// point, free its channel or the device.
#pragma once

#include "CMixer.h"

#include <memory>

class CSyncDispatcher
{
public:
    explicit CSyncDispatcher(CMixer &mixer);
    // Stops the thread; one that is inside a sync procedure is left to finish on its own.
    ~CSyncDispatcher();

    // Called from the audio thread: copies the event into a fixed ring, no allocation.
    void Post(const CMixer::SEndEvent &event);

private:
    struct SState;
    static void Run(const std::shared_ptr<SState> &state);
    std::shared_ptr<SState> m_state;
};
