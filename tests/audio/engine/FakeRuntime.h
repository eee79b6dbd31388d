// The state the fake audio runtime keeps for the tests: every call it received,
// the answers it is told to give, and the end sync the engine registered.
#pragma once

#include "audio/runtime/AudioApi.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SFakeRuntimeState {
    std::mutex mutex;
    std::condition_variable syncDone;
    std::vector<std::string> calls; // "BASS_ChannelPlay(1001,0)"
    // Answers by entry point; one not listed answers 1.
    std::map<std::string, double> answers = {{"BASS_StreamCreateFile", 1},
                                             {"BASS_MusicLoad", 501},
                                             {"BASS_FX_TempoCreate", 1001},
                                             {"BASS_ChannelIsActive", BASS_ACTIVE_STOPPED},
                                             {"BASS_ChannelGetLength", 1234567},
                                             {"BASS_ChannelGetPosition", 264599},
                                             {"BASS_ChannelBytes2Seconds", 6.9987},
                                             {"BASS_ChannelSeconds2Bytes", 264600},
                                             {"BASS_ErrorGetCode", BASS_ERROR_HANDLE},
                                             {"BASS_MusicFree", 0},
                                             {"BASS_PluginLoad", 0}};
    DWORD deviceVersion = 9;
    // What BASS_ChannelGetTags answers: "key=value" strings each ending in a NUL.
    std::string tags;
    // While set, BASS_Init does not return: the engine's start is held there.
    bool bInitHeld = false;
    std::condition_variable initReleased;
    // The registered end sync and the threads that run it.
    SYNCPROC *syncProc = nullptr;
    void *syncUser = nullptr;
    DWORD syncChannel = 0;
    int syncsRunning = 0;
    std::vector<std::thread> syncThreads;
    bool bFreeTimedOut = false; // the device was freed while a sync never came back
};

// Exported by the fake main library; the fake tempo add-on records through it too.
extern "C" SFakeRuntimeState *FakeRuntimeState();
