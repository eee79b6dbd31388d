// The exported entry points of the main library: thin calls into CRuntime and CMixer.
#include "AudioApi.h"

#include "CAnalyses.h"
#include "CRuntime.h"
#include "RuntimeError.h"
#include "RuntimeHooks.h"

#include <string>

namespace
{
constexpr DWORD kVersion = 0x02030000; // interface generation 2.3

// Paths arrive as UTF-16 (BASS_UNICODE) or, without that flag, as UTF-8 bytes.
std::string PathText(const char16_t *path, DWORD flags)
{
    if ((flags & BASS_UNICODE) == 0)
        return std::string(reinterpret_cast<const char *>(path));
    std::string text;
    for (const char16_t *p = path; *p != 0; ++p) {
        char32_t c = *p;
        if (c >= 0xD800 && c < 0xDC00 && p[1] >= 0xDC00 && p[1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        }
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

CMixer &Mixer()
{
    return CRuntime::Instance().Mixer();
}

constexpr QWORD kNoBytes = static_cast<QWORD>(-1);
} // namespace

extern "C" {

int BASS_ErrorGetCode(void)
{
    return RuntimeError();
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, void *, const void *)
{
    return CRuntime::Instance().Init(device, freq, flags);
}

BOOL BASS_Free(void)
{
    // The library may be unloaded next: no thread of an ended pass may be left in it.
    CAnalyses::Instance().JoinEnded();
    return CRuntime::Instance().Free();
}

float BASS_GetCPU(void)
{
    SetRuntimeError(BASS_OK);
    return CRuntime::Instance().Load();
}

HMUSIC BASS_MusicLoad(BOOL mem, const char16_t *file, QWORD offset, DWORD length, DWORD flags, DWORD freq)
{
    if (mem || offset != 0 || length != 0)
        return Fail<HMUSIC>(BASS_ERROR_NOTAVAIL, 0);
    if (file == nullptr)
        return Fail<HMUSIC>(BASS_ERROR_FILEOPEN, 0);
    return CRuntime::Instance().LoadMusic(PathText(file, flags), flags, freq);
}

DWORD BASS_MusicGetAttribute(DWORD, DWORD)
{
    return Fail<DWORD>(BASS_ERROR_NOTAVAIL, static_cast<DWORD>(-1));
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const char16_t *file, QWORD offset, QWORD length, DWORD flags)
{
    if (mem || offset != 0 || length != 0)
        return Fail<HSTREAM>(BASS_ERROR_NOTAVAIL, 0);
    if (file == nullptr)
        return Fail<HSTREAM>(BASS_ERROR_FILEOPEN, 0);
    return CRuntime::Instance().CreateStream(PathText(file, flags), flags);
}

HSTREAM BASS_StreamCreateURL(const char *, DWORD, DWORD, DOWNLOADPROC *, void *)
{
    return Fail<HSTREAM>(BASS_ERROR_NOTAVAIL, 0);
}

QWORD BASS_StreamGetFilePosition(HSTREAM, DWORD)
{
    return Fail(BASS_ERROR_NOTAVAIL, kNoBytes);
}

QWORD BASS_ChannelGetLength(DWORD handle)
{
    return Mixer().GetLength(handle);
}

const char *BASS_ChannelGetTags(DWORD handle, DWORD tags)
{
    if (tags != QUILLMERE_TAG_META)
        return Fail<const char *>(BASS_ERROR_NOTAVAIL, nullptr);
    return Mixer().GetTags(handle);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    CRuntime::Instance().WakeOutput();
    return Mixer().Play(handle, restart != 0);
}

float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos)
{
    return Mixer().BytesToSeconds(handle, pos);
}

DWORD BASS_ChannelIsActive(DWORD handle)
{
    return Mixer().IsActive(handle);
}

BOOL BASS_ChannelSlideAttributes(DWORD, int, int, int, DWORD)
{
    return Fail(BASS_ERROR_NOTAVAIL, 0);
}

DWORD BASS_ChannelIsSliding(DWORD)
{
    SetRuntimeError(BASS_OK);
    return 0;
}

QWORD BASS_ChannelGetPosition(DWORD handle)
{
    return Mixer().GetPosition(handle);
}

DWORD BASS_ChannelGetLevel(DWORD)
{
    return Fail<DWORD>(BASS_ERROR_NOTAVAIL, static_cast<DWORD>(-1));
}

BOOL BASS_FXGetParameters(HFX handle, void *par)
{
    return Mixer().GetEffectParameters(handle, par);
}

BOOL BASS_FXSetParameters(HFX handle, const void *par)
{
    return Mixer().SetEffectParameters(handle, par);
}

DWORD BASS_GetVersion(void)
{
    return kVersion;
}

BOOL BASS_GetInfo(BASS_INFO *info)
{
    return CRuntime::Instance().GetInfo(info);
}

BOOL BASS_StreamFree(HSTREAM handle)
{
    return Mixer().Free(handle, CChannel::EKind::Stream);
}

BOOL BASS_MusicFree(HMUSIC handle)
{
    return Mixer().Free(handle, CChannel::EKind::Music);
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD param, SYNCPROC *proc, void *user)
{
    return Mixer().SetSync(handle, type, param, proc, user);
}

BOOL BASS_ChannelPause(DWORD handle)
{
    return Mixer().Pause(handle);
}

BOOL BASS_ChannelStop(DWORD handle)
{
    return Mixer().Stop(handle);
}

BOOL BASS_ChannelSetPosition(DWORD handle, QWORD pos)
{
    return Mixer().SetPosition(handle, pos);
}

BOOL BASS_ChannelSetLoop(DWORD handle, QWORD start, QWORD end, DWORD flags)
{
    return Mixer().SetLoop(handle, start, end, flags);
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD *freq, DWORD *volume, int *pan)
{
    return Mixer().GetAttributes(handle, freq, volume, pan);
}

QWORD BASS_ChannelSeconds2Bytes(DWORD handle, float pos)
{
    return Mixer().SecondsToBytes(handle, pos);
}

HFX BASS_ChannelSetFX(DWORD handle, DWORD type, int priority)
{
    return Mixer().SetEffect(handle, type, priority);
}

BOOL BASS_ChannelSetAttributes(DWORD handle, int freq, int volume, int pan)
{
    return Mixer().SetAttributes(handle, freq, volume, pan);
}

HPLUGIN BASS_PluginLoad(const char16_t *file, DWORD flags)
{
    if (file == nullptr)
        return Fail<HPLUGIN>(BASS_ERROR_FILEOPEN, 0);
    return CRuntime::Instance().LoadPlugin(PathText(file, flags));
}

DWORD QuillmereAudio_GetOutputState(void)
{
    return CRuntime::Instance().OutputState();
}

HANALYSIS QuillmereAudio_AnalyzeFile(const char16_t *file, DWORD flags, ANALYSISPROC *proc, void *user)
{
    return CAnalyses::Instance().Start(PathText(file, flags), proc, user);
}

BOOL QuillmereAudio_EndAnalysis(HANALYSIS handle)
{
    return CAnalyses::Instance().End(handle) ? 1 : 0;
}

BOOL QuillmereAudio_SetOutputRest(DWORD milliseconds)
{
    return CRuntime::Instance().SetOutputRest(milliseconds) ? 1 : 0;
}

HSTREAM QuillmereAudio_WrapWithStretch(DWORD source, DWORD flags, CTimeStretch *stretch)
{
    std::unique_ptr<CTimeStretch> owned(stretch);
    return Mixer().WrapWithStretch(source, flags, std::move(owned));
}

BOOL QuillmereAudio_SetTempo(DWORD channel, float tempo, float rate, float pitch)
{
    return Mixer().SetTempo(channel, tempo, rate, pitch);
}

} // extern "C"
