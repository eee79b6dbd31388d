// The whole playback chain on a 10-minute speech file (decode, tempo -30 %, three
// equaliser bands, reverb) rendered as fast as possible, beside sox doing the same.
#include "CFfmpegSource.h"
#include "CMixer.h"
#include "CSoundTouchStretch.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <string>
#include <sys/resource.h>
#include <vector>

// A 10-minute speech recording in the given container (audio_runtime_media.cpp).
std::string BenchSpeechFile(const std::string &extension);

namespace
{
constexpr int kRate = 44100;
constexpr int kBlock = 1024;

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

void SetBand(CMixer &mixer, DWORD channel, float centre, float gain)
{
    const HFX band = mixer.SetEffect(channel, BASS_FX_PARAMEQ, 0);
    const BASS_FXPARAMEQ values{centre, 18.0f, gain};
    mixer.SetEffectParameters(band, &values);
}

void BM_RuntimeChain(benchmark::State &state)
{
    const std::string path = BenchSpeechFile("ogg");
    double audioSeconds = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        const double cpuStart = ProcessCpuSeconds();
        CMixer mixer(kRate);
        int error = 0;
        const DWORD source = mixer.AddChannel(std::make_unique<CChannel>(
            CFfmpegSource::Open(path, error), CChannel::EKind::Stream, BASS_STREAM_DECODE | BASS_SAMPLE_FX, kRate));
        const DWORD channel = mixer.WrapWithStretch(source, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
        mixer.SetTempo(channel, -30.0f, 0.0f, 0.0f);
        SetBand(mixer, channel, 125.0f, 4.0f);
        SetBand(mixer, channel, 1000.0f, -3.0f);
        SetBand(mixer, channel, 8000.0f, 6.0f);
        const HFX reverb = mixer.SetEffect(channel, BASS_FX_REVERB, 0);
        BASS_FXREVERB values{0.0f, -12.0f, 1000.0f, 0.001f};
        mixer.SetEffectParameters(reverb, &values);
        mixer.Play(channel, false);
        std::vector<float> block(kBlock * 2);
        CMixer::SEndEvent ends[4];
        while (mixer.IsActive(channel) == BASS_ACTIVE_PLAYING) {
            mixer.DecodeAhead();
            mixer.Process(block.data(), kBlock, 0, ends, 4);
        }
        benchmark::DoNotOptimize(block.data());
        audioSeconds += 600.0; // of source material
        cpuSeconds += ProcessCpuSeconds() - cpuStart;
    }
    state.counters["cpu_ms_per_audio_s"] = cpuSeconds * 1000.0 / audioSeconds;
}
BENCHMARK(BM_RuntimeChain)->Iterations(1)->Unit(benchmark::kMillisecond);

// sox: the same file, tempo 0.7 tuned for speech, three peaking bands, reverb.
void BM_SoxChain(benchmark::State &state)
{
    const std::string path = BenchSpeechFile("ogg");
    double cpuSeconds = 0;
    double audioSeconds = 0;
    for (auto _ : state) {
        const double start = ChildrenCpuSeconds();
        const std::string command = "sox '" + path +
                                    "' -n tempo -s 0.7 equalizer 125 1.5o 4 equalizer 1000 1.5o -3 "
                                    "equalizer 8000 1.5o 6 reverb 50";
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("sox failed");
        cpuSeconds += ChildrenCpuSeconds() - start;
        audioSeconds += 600.0;
    }
    state.counters["cpu_ms_per_audio_s"] = cpuSeconds * 1000.0 / audioSeconds;
}
BENCHMARK(BM_SoxChain)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace
