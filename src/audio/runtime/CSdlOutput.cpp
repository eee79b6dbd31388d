#include "CSdlOutput.h"

#include "AudioApi.h"

#include <SDL.h>
#include <cstring>

CSdlOutput::CSdlOutput(CMixer &mixer, CSyncDispatcher &syncs, int rate) : COutput(mixer, syncs, rate) {}

std::unique_ptr<CSdlOutput> CSdlOutput::Open(CMixer &mixer, CSyncDispatcher &syncs, int rate, int &error)
{
    // The caller may be a thread that ends before the program does (a
    // start-up thread): SDL's per-thread data goes with the open, not with
    // the thread, which SDL cannot see end.
    const struct SThreadDataRelease {
        ~SThreadDataRelease() { SDL_TLSCleanup(); }
    } release;
    // The program that loads the runtime decides what SIGINT and SIGTERM do;
    // SDL would otherwise turn them into quit events nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = BASS_ERROR_DRIVER;
        return nullptr;
    }
    std::unique_ptr<CSdlOutput> output(new CSdlOutput(mixer, syncs, rate));
    SDL_AudioSpec want{};
    want.freq = rate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kBufferFrames;
    want.callback = &CSdlOutput::Callback;
    want.userdata = output.get();
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device really takes.
    output->m_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (output->m_device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        error = BASS_ERROR_DEVICE;
        return nullptr;
    }
    output->m_bufferFrames = have.samples;
    // The disk driver writes a file as fast as it can: nothing waits on it, so it
    // decodes in the callback and every run of it gives the same samples.
    const char *driver = SDL_GetCurrentAudioDriver();
    output->m_offline = driver != nullptr && std::strcmp(driver, "disk") == 0;
    mixer.SetLatencyFrames(have.samples);
    SDL_PauseAudioDevice(output->m_device, 0);
    error = BASS_OK;
    return output;
}

CSdlOutput::~CSdlOutput()
{
    if (m_device != 0) {
        SDL_PauseAudioDevice(m_device, 1);
        SDL_CloseAudioDevice(m_device);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool CSdlOutput::IsLost() const
{
    // Reads two atomics of the device, takes no lock: safe from any thread, the callback too.
    return SDL_GetAudioDeviceStatus(m_device) == SDL_AUDIO_STOPPED;
}

void CSdlOutput::Callback(void *self, uint8_t *stream, int length)
{
    auto *output = static_cast<CSdlOutput *>(self);
    // SDL goes on calling a device it has lost, and what is rendered then is never heard.
    if (output->IsLost()) {
        std::memset(stream, 0, static_cast<size_t>(length));
        return;
    }
    output->Render(reinterpret_cast<float *>(stream), length / static_cast<int>(kFrameBytes));
}
