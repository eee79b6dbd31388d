#include "COutput.h"

#include "AudioApi.h"
#include "CPulseOutput.h"
#include "CSdlOutput.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace
{
constexpr int kMaxEndsPerBlock = 16;

int64_t NowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// No driver named, or SDL's PulseAudio one: the server is what is asked for.
bool PulseAudioWanted()
{
    const char *driver = std::getenv("SDL_AUDIODRIVER");
    return driver == nullptr || *driver == '\0' || std::strcmp(driver, "pulseaudio") == 0;
}
} // namespace

COutput::COutput(CMixer &mixer, CSyncDispatcher &syncs, int rate) : m_mixer(mixer), m_syncs(syncs), m_rate(rate) {}

std::unique_ptr<COutput> COutput::Open(CMixer &mixer, CSyncDispatcher &syncs, int rate, int &error)
{
    if (PulseAudioWanted()) {
        if (std::unique_ptr<COutput> pulse = CPulseOutput::Open(mixer, syncs, rate)) {
            error = BASS_OK;
            return pulse;
        }
    }
    return CSdlOutput::Open(mixer, syncs, rate, error);
}

void COutput::Render(float *out, int frames)
{
    CMixer::SEndEvent ends[kMaxEndsPerBlock];
    const int64_t start = NowNs();
    if (m_offline)
        m_mixer.DecodeAll();
    const int count = m_mixer.Process(out, frames, start, ends, kMaxEndsPerBlock);
    for (int i = 0; i < count; ++i)
        m_syncs.Post(ends[i]);
    const double blockNs = 1e9 * frames / m_rate;
    m_load.store(static_cast<float>(100.0 * static_cast<double>(NowNs() - start) / blockNs));
}
