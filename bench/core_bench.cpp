// Parsing a large timing file and loading a long playlist file.
#include "lists/CLrcFile.h"
#include "lists/CPlaylist.h"

#include <benchmark/benchmark.h>

#include <QFile>
#include <QTemporaryDir>

namespace
{

// About 1 MB of lyrics lines in UTF-8, one or two tags each.
QByteArray MakeLrcText()
{
    QByteArray text = "[ti:Lesson]\r\n[ar:Teacher]\r\n";
    for (int i = 0; text.size() < 1024 * 1024; ++i) {
        const int centi = i * 237;
        const QByteArray tag = QStringLiteral("[%1:%2.%3]")
                                   .arg(centi / 6000 % 100, 2, 10, QLatin1Char('0'))
                                   .arg(centi / 100 % 60, 2, 10, QLatin1Char('0'))
                                   .arg(centi % 100, 2, 10, QLatin1Char('0'))
                                   .toLatin1();
        text += tag;
        if (i % 7 == 0)
            text += tag;
        text += "这是第一课的听写句子 and some English words\r\n";
    }
    return text;
}

void BM_LoadLrc1MB(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.lrc"));
    QFile file(path);
    const QByteArray text = MakeLrcText();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        state.SkipWithError("cannot write the timing file");
    file.close();
    int tags = 0;
    for (auto _ : state) {
        CLrcFile store;
        store.Load(path);
        tags = store.GetCount();
        benchmark::DoNotOptimize(tags);
    }
    state.counters["tags"] = tags;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * text.size());
}
BENCHMARK(BM_LoadLrc1MB)->Unit(benchmark::kMillisecond);

void BM_LoadPlaylist10000(benchmark::State &state)
{
    QTemporaryDir dir;
    // 100 real files, each listed 100 times: every line needs its file test.
    QByteArray lines;
    for (int i = 0; i < 100; ++i) {
        const QString media = dir.filePath(QStringLiteral("第%1课 lesson.mp3").arg(i));
        QFile(media).open(QIODevice::WriteOnly);
        for (int j = 0; j < 100; ++j)
            lines += media.toUtf8() + "\r\n";
    }
    const QString path = dir.filePath(QStringLiteral("Playlist.Qpl"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(lines) != lines.size())
        state.SkipWithError("cannot write the playlist file");
    file.close();
    for (auto _ : state) {
        CPlaylist playlist;
        if (!playlist.Load(path))
            state.SkipWithError("the playlist file could not be read");
        benchmark::DoNotOptimize(playlist.GetCount());
    }
}
BENCHMARK(BM_LoadPlaylist10000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
