// A stand-in for the audio runtime: every entry point the program calls
// records its call with its arguments and gives the answer the test set; the
// ones it never calls are left out, as they may be. Built as the main library,
// or with FAKE_TEMPO_ADDON as the tempo add-on that imports it; a variant
// that lacks an entry point renames it away (-DBASS_ChannelPlay=Omitted).
#include "FakeRuntime.h"

#include <chrono>
#include <cstdio>
#include <tuple>
#include <type_traits>

namespace
{

// An argument as the tests expect it. Not std::to_string: its digit table is a
// unique symbol, which would keep the library loaded, and its state, from one
// test to the next.
template <typename T> std::string Text(T value)
{
    char text[32] = "";
    if constexpr (std::is_same_v<T, float>)
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    else if constexpr (std::is_signed_v<T>)
        std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
    else if constexpr (std::is_integral_v<T>)
        std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(value));
    else if constexpr (std::is_same_v<T, const char16_t *>)
        return std::string(value, value + std::char_traits<char16_t>::length(value)); // ASCII paths
    else
        return value ? "ptr" : "null";
    return text;
}

template <typename R, typename... A> R Answer(const std::string &name, A... args)
{
    SFakeRuntimeState &state = *FakeRuntimeState();
    std::string call = name + '(';
    ((call += Text(args) + ','), ...);
    call.back() = ')';
    std::lock_guard lock(state.mutex);
    state.calls.push_back(sizeof...(args) ? call : name);
    const auto answer = state.answers.find(name);
    return static_cast<R>(answer == state.answers.end() ? 1 : answer->second);
}

} // namespace

#define FAKE(R, name, params, ...)                                                                                     \
    R name params                                                                                                      \
    {                                                                                                                  \
        return Answer<R>(#name __VA_OPT__(, ) __VA_ARGS__);                                                            \
    }

extern "C" {

#ifdef FAKE_TEMPO_ADDON
FAKE(HSTREAM, BASS_FX_TempoCreate, (DWORD chan, DWORD flags), chan, flags)
FAKE(BOOL, BASS_FX_TempoSet, (DWORD chan, float tempo, float rate, float pitch), chan, tempo, rate, pitch)
#else
SFakeRuntimeState *FakeRuntimeState()
{
    static SFakeRuntimeState state;
    return &state;
}

FAKE(int, BASS_ErrorGetCode, (void))
BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *win, const void *clsid)
{
    const BOOL answer = Answer<BOOL>("BASS_Init", device, freq, flags, win, clsid);
    SFakeRuntimeState &state = *FakeRuntimeState();
    std::unique_lock lock(state.mutex);
    state.initReleased.wait(lock, [&state] { return !state.bInitHeld; });
    return answer;
}
FAKE(HMUSIC, BASS_MusicLoad, (BOOL mem, const char16_t *file, QWORD offset, DWORD length, DWORD flags, DWORD freq), mem,
     file, offset, length, flags, freq)
FAKE(HSTREAM, BASS_StreamCreateFile, (BOOL mem, const char16_t *file, QWORD offset, QWORD length, DWORD flags), mem,
     file, offset, length, flags)
FAKE(QWORD, BASS_ChannelGetLength, (DWORD handle), handle)
FAKE(BOOL, BASS_ChannelPlay, (DWORD handle, BOOL restart), handle, restart)
FAKE(float, BASS_ChannelBytes2Seconds, (DWORD handle, QWORD pos), handle, pos)
FAKE(DWORD, BASS_ChannelIsActive, (DWORD handle), handle)
FAKE(QWORD, BASS_ChannelGetPosition, (DWORD handle), handle)
FAKE(BOOL, BASS_StreamFree, (HSTREAM handle), handle)
FAKE(BOOL, BASS_MusicFree, (HMUSIC handle), handle)
FAKE(BOOL, BASS_ChannelPause, (DWORD handle), handle)
FAKE(BOOL, BASS_ChannelStop, (DWORD handle), handle)
FAKE(BOOL, BASS_ChannelSetPosition, (DWORD handle, QWORD pos), handle, pos)
FAKE(BOOL, BASS_ChannelSetLoop, (DWORD handle, QWORD start, QWORD end, DWORD flags), handle, start, end, flags)
FAKE(QWORD, BASS_ChannelSeconds2Bytes, (DWORD handle, float pos), handle, pos)
FAKE(BOOL, BASS_ChannelSetAttributes, (DWORD handle, int freq, int volume, int pan), handle, freq, volume, pan)
FAKE(HPLUGIN, BASS_PluginLoad, (const char16_t *file, DWORD flags), file, flags)
FAKE(HFX, BASS_ChannelSetFX, (DWORD handle, DWORD type, int priority), handle, type, priority)
FAKE(BOOL, BASS_FXGetParameters, (HFX handle, void *par), handle, par)
FAKE(BOOL, BASS_FXSetParameters, (HFX handle, const void *par), handle, par)
FAKE(DWORD, QuillmereAudio_GetOutputState, (void))
FAKE(HANALYSIS, QuillmereAudio_AnalyzeFile, (const char16_t *, DWORD flags, ANALYSISPROC *, void *), flags)
FAKE(BOOL, QuillmereAudio_EndAnalysis, (HANALYSIS handle), handle)

BOOL BASS_GetInfo(BASS_INFO *info)
{
    info->dsver = FakeRuntimeState()->deviceVersion;
    return Answer<BOOL>("BASS_GetInfo", info->size);
}

const char *BASS_ChannelGetTags(DWORD handle, DWORD tags)
{
    Answer<BOOL>("BASS_ChannelGetTags", handle, tags);
    return FakeRuntimeState()->tags.c_str();
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD *freq, DWORD *volume, int *pan)
{
    if (freq)
        *freq = 22050;
    return Answer<BOOL>("BASS_ChannelGetAttributes", handle, freq, volume, pan);
}

// Registered and fired on the test's own thread.
HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user)
{
    SFakeRuntimeState &state = *FakeRuntimeState();
    std::tie(state.syncProc, state.syncUser, state.syncChannel) = std::tie(proc, user, handle);
    return Answer<HSYNC>("BASS_ChannelSetSync", handle, type, param);
}

// Like the real runtime, freeing the device waits for the syncs it runs.
BOOL BASS_Free(void)
{
    SFakeRuntimeState &state = *FakeRuntimeState();
    std::unique_lock lock(state.mutex);
    state.bFreeTimedOut =
        !state.syncDone.wait_for(lock, std::chrono::seconds(10), [&state] { return state.syncsRunning == 0; });
    std::vector<std::thread> threads = std::move(state.syncThreads);
    lock.unlock();
    for (std::thread &thread : threads)
        state.bFreeTimedOut ? thread.detach() : thread.join();
    return Answer<BOOL>("BASS_Free");
}
#endif

} // extern "C"
