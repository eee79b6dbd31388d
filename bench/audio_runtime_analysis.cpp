// A long recording measured for its waveform: a 56-minute MP3 (spoken sentences and
// pauses) decoded by the runtime's analysis pass into a level envelope. Reports the
// whole pass, the time until the first 200 windows (what the slider first draws), and
// the envelope's memory.
#include "AudioApi.h"
#include "lists/CEnvelopeCache.h"
#include "lists/CLevelEnvelope.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace
{

// Made once per run: a minute of speech (espeak-ng, with pauses) repeated 56 times.
QString LongRecording()
{
    static QTemporaryDir folder;
    static const QString path = folder.filePath(QStringLiteral("long.mp3"));
    if (QFileInfo::exists(path))
        return path;
    const QString minute = folder.filePath(QStringLiteral("minute.wav"));
    const std::string make =
        "espeak-ng -w '" + minute.toStdString() +
        ".voice.wav' 'Listen to each sentence. Then write down what you hear. The keeper climbs the stairs.' && "
        "sox '" +
        minute.toStdString() + ".voice.wav' -r 22050 -c 1 '" + minute.toStdString() +
        "' pad 0 1 repeat 12 trim 0 60 && sox '" + minute.toStdString() + "' '" + minute.toStdString() +
        ".hour.wav' repeat 55 && ffmpeg -y -loglevel error -i '" + minute.toStdString() +
        ".hour.wav' -c:a libmp3lame -b:a 32k '" + path.toStdString() + "'";
    if (std::system(make.c_str()) != 0)
        return QString();
    return path;
}

struct SMeasure {
    std::mutex mutex;
    std::unique_ptr<CLevelEnvelope> envelope;
    std::chrono::steady_clock::time_point start, firstScreen;
    std::atomic<bool> done{false};
};

void Proc(HANALYSIS, const float *samples, DWORD frames, DWORD rate, DWORD, void *user)
{
    auto *measure = static_cast<SMeasure *>(user);
    std::lock_guard lock(measure->mutex);
    if (frames == 0) {
        if (measure->envelope != nullptr)
            measure->envelope->Finish();
        measure->done = true;
        return;
    }
    if (measure->envelope == nullptr)
        measure->envelope = std::make_unique<CLevelEnvelope>(int(rate), 2);
    const bool before = measure->envelope->WindowCount() < 200;
    measure->envelope->Feed(samples, frames);
    if (before && measure->envelope->WindowCount() >= 200)
        measure->firstScreen = std::chrono::steady_clock::now();
}

void BM_AnalyzeFiftySixMinutes(benchmark::State &state)
{
    const QString path = LongRecording();
    if (path.isEmpty()) {
        state.SkipWithError("the recording could not be made");
        return;
    }
    double firstMs = 0, windows = 0;
    for (auto _ : state) {
        SMeasure measure;
        measure.start = std::chrono::steady_clock::now();
        const HANALYSIS pass =
            QuillmereAudio_AnalyzeFile(reinterpret_cast<const char16_t *>(path.utf16()), BASS_UNICODE, &Proc, &measure);
        while (!measure.done)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        QuillmereAudio_EndAnalysis(pass);
        firstMs = std::chrono::duration<double, std::milli>(measure.firstScreen - measure.start).count();
        windows = measure.envelope->WindowCount();
    }
    state.counters["first_screen_ms"] = firstMs;
    state.counters["envelope_MB"] = windows * 8 / 1e6;
}
BENCHMARK(BM_AnalyzeFiftySixMinutes)->Iterations(1)->Unit(benchmark::kMillisecond);

// Opening it again: its envelope read back from the cache.
void BM_CachedReopen(benchmark::State &state)
{
    const QString path = LongRecording();
    QTemporaryDir folder;
    const CEnvelopeCache cache(folder.path());
    std::vector<float> peaks(336000, 0.25f);
    if (path.isEmpty() || !cache.Store(path, CLevelEnvelope(10, peaks, peaks))) {
        state.SkipWithError("nothing to keep");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(cache.Load(path));
}
BENCHMARK(BM_CachedReopen)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
