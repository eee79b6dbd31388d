// Time from a seek to the first block out, for each container, on a 10-minute file:
// the price of an A-B repeat jump.
#include "CFfmpegSource.h"
#include "CMixer.h"
#include "CSoundTouchStretch.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

// A 10-minute speech recording in the given container (audio_runtime_media.cpp).
std::string BenchSpeechFile(const std::string &extension);
// An hour of it, as MP3 or WebM/Opus.
std::string BenchHourFile(const std::string &extension);

namespace
{
constexpr int kRate = 44100;
constexpr int kBlock = 1024;

void BM_SeekToFirstSample(benchmark::State &state, const std::string &extension, bool tempo)
{
    const std::string path = BenchSpeechFile(extension);
    CMixer mixer(kRate);
    int error = 0;
    const DWORD source = mixer.AddChannel(std::make_unique<CChannel>(
        CFfmpegSource::Open(path, error), CChannel::EKind::Stream, BASS_STREAM_DECODE | BASS_SAMPLE_FX, kRate));
    const DWORD channel = mixer.WrapWithStretch(source, BASS_FX_FREESOURCE, std::make_unique<CSoundTouchStretch>());
    if (tempo)
        mixer.SetTempo(channel, -30.0f, 0.0f, 0.0f);
    mixer.Play(channel, false);
    std::vector<float> block(kBlock * 2);
    CMixer::SEndEvent ends[4];
    const QWORD length = mixer.GetLength(channel);
    uint64_t step = 0;
    for (auto _ : state) {
        // Spread over the file: 9 min, 1 min, 5 min, ... (always a real jump back or ahead).
        const QWORD target = (length / 10) * ((step * 7 + 9) % 10) / 4 * 4;
        ++step;
        mixer.SetPosition(channel, target);
        mixer.DecodeAhead(); // the decoding thread's first chunk after the seek
        mixer.Process(block.data(), kBlock, 0, ends, 4);
        benchmark::DoNotOptimize(block.data());
    }
}
BENCHMARK_CAPTURE(BM_SeekToFirstSample, wav, std::string("wav"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekToFirstSample, mp3, std::string("mp3"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekToFirstSample, m4a, std::string("m4a"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekToFirstSample, ogg, std::string("ogg"), false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SeekToFirstSample, mp3_tempo, std::string("mp3"), true)->Unit(benchmark::kMillisecond);

// Opening an hour-long recording: its packets are scanned (not decoded) for the exact
// length and the seek index.
void BM_OpenHour(benchmark::State &state, const std::string &extension)
{
    const std::string path = BenchHourFile(extension);
    for (auto _ : state) {
        int error = 0;
        std::unique_ptr<CSource> source = CFfmpegSource::Open(path, error);
        benchmark::DoNotOptimize(source->LengthFrames());
    }
}
BENCHMARK_CAPTURE(BM_OpenHour, mp3, std::string("mp3"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_OpenHour, webm, std::string("webm"))->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
