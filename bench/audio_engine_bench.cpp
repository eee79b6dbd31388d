// Speed of the playback engine through the real runtime, rendered by SDL's
// disk driver as fast as it goes: CPU time per second of a 10-minute speech
// file through decode, tempo -30 %, three equaliser bands and reverb, beside
// sox doing the same work; and the time from a seek to the first sound of the
// new position.
#include "audio/CPlaybackEngine.h"
#include "base/CPrompt.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <sys/resource.h>
#include <thread>

namespace
{

QTemporaryDir *g_media = nullptr;
QString g_speech;    // 10 minutes of speech, 44.1 kHz stereo WAV
QString g_speechMp3; // the same as MP3
constexpr double kSpeechSeconds = 600.0;

bool Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool MakeSpeech()
{
    g_media = new QTemporaryDir;
    const QString voice = g_media->filePath(QStringLiteral("voice.wav"));
    g_speech = g_media->filePath(QStringLiteral("speech.wav"));
    g_speechMp3 = g_media->filePath(QStringLiteral("speech.mp3"));
    const QString text = QStringLiteral("The learner listens to a short passage, stops, and writes down what was said. "
                                        "Then the passage plays again, a little slower, until every word is clear.");
    return Run(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), voice, text}) &&
           Run(QStringLiteral("sox"),
               {voice, QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"), QStringLiteral("2"),
                QStringLiteral("-b"), QStringLiteral("16"), g_speech, QStringLiteral("repeat"), QStringLiteral("200"),
                QStringLiteral("trim"), QStringLiteral("0"), QString::number(kSpeechSeconds)}) &&
           Run(QStringLiteral("ffmpeg"),
               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), g_speech,
                QStringLiteral("-b:a"), QStringLiteral("64k"), g_speechMp3});
}

double ProcessCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double ChildrenCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void PumpUntil(const std::function<bool()> &done)
{
    while (!done()) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

void BM_EngineChainOnSpeech(benchmark::State &state)
{
    for (auto _ : state) {
        CPlaybackEngine engine;
        std::atomic<bool> ended = false;
        engine.SetEndHandler([&] { return ended = true, 0; });
        engine.SetEffect(CPlaybackEngine::EFFECT_EQ_125, 4);
        engine.SetEffect(CPlaybackEngine::EFFECT_EQ_1K, 12);
        engine.SetEffect(CPlaybackEngine::EFFECT_EQ_8K, 16);
        engine.SetEffect(CPlaybackEngine::EFFECT_REVERB, 10);
        if (!engine.Open(g_speech) || !engine.Play(false)) {
            state.SkipWithError("cannot play the speech file");
            return;
        }
        engine.SetTempo(-30.0f, float(engine.SampleRate()), 0.0f);
        const double cpuBefore = ProcessCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        PumpUntil([&] { return ended.load(); });
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBefore;
        state.SetIterationTime(wall.count());
        state.counters["cpu_ms_per_audio_s"] = cpu * 1000.0 / kSpeechSeconds;
    }
}

void BM_SoxChainOnSpeech(benchmark::State &state)
{
    for (auto _ : state) {
        const double cpuBefore = ChildrenCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        // The same work: tempo 0.7 for speech, three peaking bands, reverb.
        const bool ran = Run(QStringLiteral("sox"), {g_speech,
                                                     QStringLiteral("-t"),
                                                     QStringLiteral("f32"),
                                                     QStringLiteral("/dev/null"),
                                                     QStringLiteral("tempo"),
                                                     QStringLiteral("-s"),
                                                     QStringLiteral("0.7"),
                                                     QStringLiteral("equalizer"),
                                                     QStringLiteral("125"),
                                                     QStringLiteral("1.5o"),
                                                     QStringLiteral("6"),
                                                     QStringLiteral("equalizer"),
                                                     QStringLiteral("1000"),
                                                     QStringLiteral("1.5o"),
                                                     QStringLiteral("-2"),
                                                     QStringLiteral("equalizer"),
                                                     QStringLiteral("8000"),
                                                     QStringLiteral("1.5o"),
                                                     QStringLiteral("-6"),
                                                     QStringLiteral("reverb"),
                                                     QStringLiteral("30")});
        if (!ran) {
            state.SkipWithError("sox failed");
            return;
        }
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallBefore;
        state.SetIterationTime(wall.count());
        state.counters["cpu_ms_per_audio_s"] = (ChildrenCpuSeconds() - cpuBefore) * 1000.0 / kSpeechSeconds;
    }
}

// From SetPosition to the output having consumed sound of the new position.
void SeekLatency(benchmark::State &state, const QString &path)
{
    CPlaybackEngine engine;
    if (!engine.Open(path) || !engine.Play(false)) {
        state.SkipWithError("cannot play the speech file");
        return;
    }
    engine.SetTempo(-30.0f, float(engine.SampleRate()), 0.0f);
    uint32_t target = 17000;
    for (auto _ : state) {
        target = (target * 7919u + 12345u) % 500000u + 1000u;
        const auto before = std::chrono::steady_clock::now();
        engine.SetPosition(target);
        while (engine.GetPosition() <= target)
            std::this_thread::yield();
        const std::chrono::duration<double> latency = std::chrono::steady_clock::now() - before;
        state.SetIterationTime(latency.count());
    }
}

void BM_SeekToFirstSampleWav(benchmark::State &state)
{
    SeekLatency(state, g_speech);
}

void BM_SeekToFirstSampleMp3(benchmark::State &state)
{
    SeekLatency(state, g_speechMp3);
}

BENCHMARK(BM_EngineChainOnSpeech)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoxChainOnSpeech)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SeekToFirstSampleWav)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SeekToFirstSampleMp3)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    // Rendered to nowhere, as fast as the disk driver goes.
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!MakeSpeech()) {
        std::fprintf(stderr, "espeak-ng, sox and ffmpeg make the speech file\n");
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete g_media;
    return 0;
}
