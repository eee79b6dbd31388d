// What a rested output costs the next play: BASS_ChannelPlay on a paused channel once
// the output device was closed for its rest (it opens the device again through a real
// PulseAudio server, a null sink of the benchmark's own), against the same play on a
// device that stayed open.
#include "AudioApi.h"
#include "CPulseServer.h"
#include "CTestMedia.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace
{
void BM_PlayAfterRest(benchmark::State &state)
{
    const bool rested = state.range(0) != 0;
    CPulseServer server;
    if (!server.Start()) {
        state.SkipWithError("no PulseAudio server");
        return;
    }
    setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
    if (!BASS_Init(1, 44100, 0, nullptr, nullptr)) {
        state.SkipWithError("no output");
        return;
    }
    QuillmereAudio_SetOutputRest(rested ? 0 : 3600000);
    const std::string path = CTestMedia::Path("long.wav");
    const DWORD channel =
        BASS_StreamCreateFile(0, std::u16string(path.begin(), path.end()).c_str(), 0, 0, BASS_UNICODE);
    for (auto _ : state) {
        state.PauseTiming();
        BASS_ChannelPause(channel);
        while (rested && QuillmereAudio_GetOutputState() != QUILLMERE_OUTPUT_RESTING)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        state.ResumeTiming();
        BASS_ChannelPlay(channel, 0);
    }
    BASS_Free();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}
} // namespace

BENCHMARK(BM_PlayAfterRest)->ArgName("rested")->Arg(1)->Arg(0)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
