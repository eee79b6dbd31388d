#include "CRuntime.h"

#include "CFfmpegSource.h"
#include "CModuleSource.h"
#include "RuntimeError.h"

#include <dlfcn.h>

namespace
{
constexpr DWORD kDefaultRate = 44100;
constexpr DWORD kDirectSoundLikeVersion = 9; // what callers test for effects support
} // namespace

CRuntime &CRuntime::Instance()
{
    static CRuntime *runtime = new CRuntime();
    return *runtime;
}

bool CRuntime::Init(int device, DWORD freq, DWORD flags)
{
    std::lock_guard lock(m_deviceMutex);
    if (device != BASS_DEVICE_DEFAULT && device != 1)
        return Fail(BASS_ERROR_DEVICE, false);
    if (m_ready.load())
        return Fail(BASS_ERROR_ALREADY, false);
    const DWORD rate = freq == 0 ? kDefaultRate : freq;
    if (rate < 8000 || rate > 192000)
        return Fail(BASS_ERROR_FREQ, false);
    m_mixer.Reset(static_cast<int>(rate));
    m_syncs = std::make_unique<CSyncDispatcher>(m_mixer);
    m_decoder = std::make_unique<CDecodeThread>(m_mixer);
    int error = BASS_OK;
    m_output = COutputKeeper::Open(m_mixer, *m_syncs, static_cast<int>(rate), error);
    if (m_output == nullptr) {
        m_decoder.reset();
        m_syncs.reset();
        return Fail(error, false);
    }
    m_initFlags = flags;
    m_ready = true;
    SetRuntimeError(BASS_OK);
    return true;
}

bool CRuntime::Free()
{
    std::lock_guard lock(m_deviceMutex);
    if (!m_ready.load())
        return Fail(BASS_ERROR_INIT, false);
    m_ready = false;
    m_output.reset(); // no callback runs and no device is opened after this
    m_decoder.reset();
    m_mixer.FreeAll();
    m_syncs.reset(); // joins, or lets a sync in progress finish by itself
    SetRuntimeError(BASS_OK);
    return true;
}

bool CRuntime::GetInfo(BASS_INFO *info)
{
    std::lock_guard lock(m_deviceMutex);
    if (info == nullptr)
        return Fail(BASS_ERROR_ILLPARAM, false);
    if (!m_ready.load())
        return Fail(BASS_ERROR_INIT, false);
    const int rate = m_mixer.OutputRate();
    const DWORD bufferMs = static_cast<DWORD>(m_output->BufferFrames() * 1000 / rate);
    *info = BASS_INFO{};
    info->size = sizeof(BASS_INFO);
    info->minrate = 100;
    info->maxrate = 200000;
    info->minbuf = bufferMs;
    info->dsver = kDirectSoundLikeVersion;
    info->latency = bufferMs;
    info->initflags = m_initFlags;
    info->speakers = 2;
    info->freq = static_cast<DWORD>(rate);
    SetRuntimeError(BASS_OK);
    return true;
}

float CRuntime::Load()
{
    std::lock_guard lock(m_deviceMutex);
    return m_output != nullptr ? m_output->Load() : 0.0f;
}

DWORD CRuntime::OutputState()
{
    std::lock_guard lock(m_deviceMutex);
    if (!m_ready.load())
        return Fail<DWORD>(BASS_ERROR_INIT, 0);
    SetRuntimeError(BASS_OK);
    if (m_output->IsResting())
        return QUILLMERE_OUTPUT_RESTING;
    return m_output->IsLost() ? QUILLMERE_OUTPUT_LOST : QUILLMERE_OUTPUT_OPEN;
}

void CRuntime::WakeOutput()
{
    std::lock_guard lock(m_deviceMutex);
    if (m_output != nullptr)
        m_output->Wake();
}

bool CRuntime::SetOutputRest(DWORD milliseconds)
{
    std::lock_guard lock(m_deviceMutex);
    if (!m_ready.load())
        return Fail(BASS_ERROR_INIT, false);
    m_output->SetRestAfter(std::chrono::milliseconds(milliseconds));
    SetRuntimeError(BASS_OK);
    return true;
}

HSTREAM CRuntime::CreateStream(const std::string &path, DWORD flags)
{
    if (!m_ready.load())
        return Fail<HSTREAM>(BASS_ERROR_INIT, 0);
    int error = BASS_OK;
    // Opening (and scanning a length) happens outside every lock.
    std::unique_ptr<CSource> source = CFfmpegSource::Open(path, error);
    if (source == nullptr)
        return Fail<HSTREAM>(error, 0);
    return m_mixer.AddChannel(
        std::make_unique<CChannel>(std::move(source), CChannel::EKind::Stream, flags, m_mixer.OutputRate()));
}

HMUSIC CRuntime::LoadMusic(const std::string &path, DWORD flags, DWORD freq)
{
    if (!m_ready.load())
        return Fail<HMUSIC>(BASS_ERROR_INIT, 0);
    int error = BASS_OK;
    const int rate = freq == 0 ? m_mixer.OutputRate() : static_cast<int>(freq);
    std::unique_ptr<CSource> source = CModuleSource::Open(path, rate, error);
    if (source == nullptr)
        return Fail<HMUSIC>(error, 0);
    return m_mixer.AddChannel(
        std::make_unique<CChannel>(std::move(source), CChannel::EKind::Music, flags, m_mixer.OutputRate()));
}

HPLUGIN CRuntime::LoadPlugin(const std::string &path)
{
    std::lock_guard lock(m_deviceMutex);
    // Plug-ins stay loaded for the life of the process.
    if (dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL) == nullptr)
        return Fail<HPLUGIN>(BASS_ERROR_FILEOPEN, 0);
    SetRuntimeError(BASS_OK);
    return ++m_lastPlugin;
}
