// A stand-in for the main audio library: answers as told and records calls.
// Built in variants that leave out one entry point (FAKE_OMIT_*).
#include "FakeRuntimeState.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace
{

SFakeRuntimeState g_state;

std::string Format(const char *format, auto... args)
{
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

void Log(const std::string &call)
{
    FakeRuntimeLog(call);
}

} // namespace

extern "C" {

SFakeRuntimeState *FakeRuntimeState()
{
    return &g_state;
}

void FakeRuntimeLog(const std::string &call)
{
    std::lock_guard lock(g_state.mutex);
    g_state.calls.push_back(call);
}

void FakeRuntimeFireEnd()
{
    SYNCPROC *proc;
    void *user;
    DWORD channel;
    {
        std::lock_guard lock(g_state.mutex);
        proc = g_state.syncProc;
        user = g_state.syncUser;
        channel = g_state.syncChannel;
        ++g_state.syncsRunning;
        g_state.syncThreads.emplace_back([=] {
            proc(1, channel, 0, user);
            std::lock_guard threadLock(g_state.mutex);
            --g_state.syncsRunning;
            g_state.syncDone.notify_all();
        });
    }
}

int BASS_ErrorGetCode(void)
{
    return g_state.errorCode;
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *win, const void *)
{
    Log(Format("BASS_Init(%d,%u,%u,%p)", device, freq, flags, win));
    return g_state.bInitFails ? 0 : 1;
}

BOOL BASS_Free(void)
{
    Log("BASS_Free");
    // Like the real runtime, freeing the device waits for its sync thread.
    std::unique_lock lock(g_state.mutex);
    if (!g_state.syncDone.wait_for(lock, std::chrono::seconds(10), [] { return g_state.syncsRunning == 0; })) {
        g_state.bFreeTimedOut = true;
        for (std::thread &thread : g_state.syncThreads)
            thread.detach();
    }
    std::vector<std::thread> threads = std::move(g_state.syncThreads);
    g_state.syncThreads.clear();
    lock.unlock();
    for (std::thread &thread : threads)
        if (thread.joinable())
            thread.join();
    return 1;
}

#ifndef FAKE_OMIT_BASS_GetCPU
float BASS_GetCPU(void)
{
    return 0.0f;
}
#endif

HMUSIC BASS_MusicLoad(BOOL, const char16_t *, QWORD, DWORD, DWORD flags, DWORD freq)
{
    Log(Format("BASS_MusicLoad(%#x,%u)", flags, freq));
    return g_state.bMusicFails ? 0 : 500 + g_state.nextHandle++;
}

DWORD BASS_MusicGetAttribute(DWORD, DWORD)
{
    return 0;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const char16_t *, QWORD offset, QWORD length, DWORD flags)
{
    Log(Format("BASS_StreamCreateFile(%d,%llu,%llu,%#x)", mem, static_cast<unsigned long long>(offset),
               static_cast<unsigned long long>(length), flags));
    return g_state.bStreamFails ? 0 : g_state.nextHandle++;
}

HSTREAM BASS_StreamCreateURL(const char *, DWORD, DWORD, DOWNLOADPROC *, void *)
{
    return 0;
}

QWORD BASS_StreamGetFilePosition(HSTREAM, DWORD)
{
    return 0;
}

// Byte counts of 16-bit stereo at 44100 Hz.
constexpr float kBytesPerSecond = 176400.0f;

QWORD BASS_ChannelGetLength(DWORD handle)
{
    Log(Format("BASS_ChannelGetLength(%u)", handle));
    return 1234567;
}

const char *BASS_ChannelGetTags(DWORD, DWORD)
{
    return nullptr;
}

#ifndef FAKE_OMIT_BASS_ChannelPlay
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    Log(Format("BASS_ChannelPlay(%u,%d)", handle, restart));
    if (g_state.bPlayFails)
        g_state.errorCode = BASS_ERROR_HANDLE;
    return g_state.bPlayFails ? 0 : 1;
}
#endif

float BASS_ChannelBytes2Seconds(DWORD, QWORD pos)
{
    return static_cast<float>(pos) / kBytesPerSecond;
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    Log(Format("BASS_ChannelIsActive(%u)", handle));
    return BASS_ACTIVE_STOPPED;
}

BOOL BASS_ChannelSlideAttributes(DWORD, int, int, int, DWORD)
{
    return 0;
}

DWORD BASS_ChannelIsSliding(DWORD)
{
    return 0;
}

QWORD BASS_ChannelGetPosition(DWORD handle)
{
    Log(Format("BASS_ChannelGetPosition(%u)", handle));
    return g_state.position;
}

DWORD BASS_ChannelGetLevel(DWORD)
{
    return 0;
}

BOOL BASS_FXGetParameters(HFX handle, void *par)
{
    Log(Format("BASS_FXGetParameters(%u)", handle));
    if (handle == 904) {
        *static_cast<BASS_FXREVERB *>(par) = BASS_FXREVERB{0.0f, 0.0f, 1000.0f, 0.001f};
    } else {
        // The record the engine set last is not kept: answer a fixed centre so
        // the test sees the engine writes back what it read.
        *static_cast<BASS_FXPARAMEQ *>(par) = BASS_FXPARAMEQ{static_cast<float>(handle), 18.0f, 0.0f};
    }
    return 1;
}

BOOL BASS_FXSetParameters(HFX handle, const void *par)
{
    const float *values = static_cast<const float *>(par);
    if (handle == 904)
        Log(Format("BASS_FXSetParameters(%u,%g,%g,%g,%g)", handle, values[0], values[1], values[2], values[3]));
    else
        Log(Format("BASS_FXSetParameters(%u,%g,%g,%g)", handle, values[0], values[1], values[2]));
    return 1;
}

DWORD BASS_GetVersion(void)
{
    return 0x02030000;
}

BOOL BASS_GetInfo(BASS_INFO *info)
{
    Log(Format("BASS_GetInfo(%u)", info->size));
    info->dsver = g_state.deviceVersion;
    return 1;
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    Log(Format("BASS_StreamFree(%u)", handle));
    return 1;
}

BOOL BASS_MusicFree(HMUSIC handle)
{
    Log(Format("BASS_MusicFree(%u)", handle));
    return 0;
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user)
{
    Log(Format("BASS_ChannelSetSync(%u,%u,%llu)", handle, type, static_cast<unsigned long long>(param)));
    std::lock_guard lock(g_state.mutex);
    g_state.syncProc = proc;
    g_state.syncUser = user;
    g_state.syncChannel = handle;
    return 77;
}

BOOL BASS_ChannelPause(DWORD handle)
{
    Log(Format("BASS_ChannelPause(%u)", handle));
    return 1;
}

BOOL BASS_ChannelStop(DWORD handle)
{
    Log(Format("BASS_ChannelStop(%u)", handle));
    return 1;
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos)
{
    Log(Format("BASS_ChannelSetPosition(%u,%llu)", handle, static_cast<unsigned long long>(pos)));
    return 1;
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD *freq, DWORD *, int *)
{
    Log(Format("BASS_ChannelGetAttributes(%u)", handle));
    if (freq)
        *freq = 22050;
    return 1;
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos)
{
    Log(Format("BASS_ChannelSeconds2Bytes(%u,%.9g)", handle, pos));
    return static_cast<QWORD>(pos * kBytesPerSecond) & ~QWORD(3);
}

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority)
{
    Log(Format("BASS_ChannelSetFX(%u,%u,%d)", handle, type, priority));
    // Four effects per channel: 901..904, the reverb last.
    const HFX fx = 901 + g_state.nextEffect;
    g_state.nextEffect = (g_state.nextEffect + 1) % 4;
    return fx;
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan)
{
    Log(Format("BASS_ChannelSetAttributes(%u,%d,%d,%d)", handle, freq, volume, pan));
    return 1;
}

HPLUGIN BASS_PluginLoad(const char16_t *file, DWORD flags)
{
    std::string path;
    for (const char16_t *c = file; *c; ++c)
        path += static_cast<char>(*c);
    Log(Format("BASS_PluginLoad(%s,%#x)", path.c_str(), flags));
    return 0;
}

} // extern "C"
