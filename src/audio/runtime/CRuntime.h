// The process-wide state behind the entry points: the mixer, the output device and the
// decoding and sync threads, opened by BASS_Init and released by BASS_Free.
#pragma once

#include "AudioApi.h"
#include "CDecodeThread.h"
#include "CMixer.h"
#include "COutputKeeper.h"
#include "CSyncDispatcher.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class CRuntime
{
public:
    // Never destroyed: a sync thread left running by BASS_Free may still use it.
    static CRuntime &Instance();

    bool Init(int device, DWORD freq, DWORD flags);
    bool Free();
    bool GetInfo(BASS_INFO *info);
    bool IsReady() const { return m_ready.load(); }
    float Load();
    // A QUILLMERE_OUTPUT_ state; 0 with the error set before Init.
    DWORD OutputState();
    // Opens a device closed for a rest (before a channel plays).
    void WakeOutput();
    bool SetOutputRest(DWORD milliseconds);
    CMixer &Mixer() { return m_mixer; }

    HSTREAM CreateStream(const std::string &path, DWORD flags);
    HMUSIC LoadMusic(const std::string &path, DWORD flags, DWORD freq);
    HPLUGIN LoadPlugin(const std::string &path);

private:
    CRuntime() = default;

    std::mutex m_deviceMutex; // Init and Free only
    std::atomic<bool> m_ready{false};
    DWORD m_initFlags = 0;
    CMixer m_mixer{44100};
    std::unique_ptr<CSyncDispatcher> m_syncs;
    std::unique_ptr<CDecodeThread> m_decoder;
    std::unique_ptr<COutputKeeper> m_output;
    HPLUGIN m_lastPlugin = 0;
};
