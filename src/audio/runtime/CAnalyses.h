// Analysis passes: each decodes one file from start to end on a thread of its own and
// hands the samples to the caller's procedure, so a caller can measure a recording
// without decoding on its own thread. A pass runs until its file ends or it is ended;
// ending it waits for its thread, after which its procedure is never called again.
#pragma once

#include "AudioApi.h"

#include <atomic>
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

private:
    struct SPass {
        std::atomic<bool> bCancelled{false};
        std::thread thread;
    };
    static void Run(HANALYSIS handle, const std::string &path, ANALYSISPROC *proc, void *user,
                    const std::atomic<bool> &cancelled);

    std::mutex m_mutex;
    std::map<HANALYSIS, std::unique_ptr<SPass>> m_passes;
    HANALYSIS m_lastHandle = 0;
};
