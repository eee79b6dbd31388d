// Analysis passes: each decodes one file from start to end on a thread of its own and
// hands the samples to the caller's procedure, so a caller can measure a recording
// without decoding on its own thread. A pass runs until its file ends or it is ended.
// Ending one never waits for its file to open or its decoder to stop: from then on its
// procedure is not called, and its thread is joined once it has finished by itself.
#pragma once

#include "AudioApi.h"

#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class CAnalyses
{
public:
    static CAnalyses &Instance();

    HANALYSIS Start(const std::string &path, ANALYSISPROC *proc, void *user);
    bool End(HANALYSIS handle);
    // Waits for every ended pass's thread (before the library goes).
    void JoinEnded();

private:
    struct SPass {
        std::mutex mutex; // held while the procedure runs; ending takes it
        bool bEnded = false;
        std::atomic<bool> bFinished{false};
        std::thread thread;
    };
    static void Run(HANALYSIS handle, const std::string &path, ANALYSISPROC *proc, void *user, SPass &pass);
    // Calls the procedure unless the pass has been ended; false once it has.
    static bool Tell(SPass &pass, ANALYSISPROC *proc, HANALYSIS handle, const float *samples, DWORD frames, DWORD rate,
                     DWORD error, void *user);
    void JoinFinished();

    std::mutex m_mutex;
    std::map<HANALYSIS, std::unique_ptr<SPass>> m_passes;
    std::list<std::unique_ptr<SPass>> m_ended;
    HANALYSIS m_lastHandle = 0;
};
