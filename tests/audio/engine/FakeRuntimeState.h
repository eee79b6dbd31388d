// The state a fake audio runtime keeps for the tests: every call it received,
// the answers it is told to give, and the end sync the engine registered.
#pragma once

#include "audio/runtime/AudioApi.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SFakeRuntimeState {
    std::mutex mutex;
    std::condition_variable syncDone;
    std::vector<std::string> calls;
    // Answers.
    bool bInitFails = false;
    DWORD deviceVersion = 9;
    bool bStreamFails = false;
    bool bMusicFails = false;
    bool bTempoFails = false;
    bool bPlayFails = false;
    int errorCode = BASS_OK;
    // The registered end sync.
    SYNCPROC *syncProc = nullptr;
    void *syncUser = nullptr;
    DWORD syncChannel = 0;
    int syncsRunning = 0;
    std::vector<std::thread> syncThreads;
    // Set when the device was freed while a sync never came back.
    bool bFreeTimedOut = false;
    DWORD nextHandle = 1;
    DWORD nextEffect = 0;
    // What every channel reports: stopped at this byte position of 1234567.
    QWORD position = 264599;
};

extern "C" {
// Exported by the fake main library.
SFakeRuntimeState *FakeRuntimeState();
void FakeRuntimeLog(const std::string &call);
// Runs the registered end sync on a thread of its own, as the runtime does.
void FakeRuntimeFireEnd();
}
