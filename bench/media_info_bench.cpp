// How long describing a media file keeps the interface thread from its
// events. Three 2 GB files (sparse: a few real bytes, then zeros): data the
// library does not recognise, an MP3 and a WAV. For each:
//   whole  - the description read in one go, as one blocking call would;
//   turns  - the playlist pane's reader on a running event loop: the longest
//            gap between two turns of the loop while it reads;
//   slow   - the same steps from a disk that takes kSlowReadMs per read.
// Prints "file mode longest-block-ms total-ms", the median of kRuns runs.
#include "lists/CMediaInfo.h"
#include "lists/CMediaInfoReader.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr qint64 kFileBytes = 2LL * 1024 * 1024 * 1024;
constexpr int kSlowReadMs = 20;
constexpr int kRuns = 5;

// A file on a slow disk: every read waits before it returns.
class CSlowFile final : public QFile
{
public:
    using QFile::QFile;

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        QThread::msleep(kSlowReadMs);
        return QFile::readData(data, maxSize);
    }
};

struct SFigure {
    double longestMs = 0;
    double totalMs = 0;
};

double ElapsedMs(const QElapsedTimer &timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

SFigure Whole(const QString &path)
{
    CMediaInfo info;
    QElapsedTimer timer;
    timer.start();
    info.Open(path);
    while (!info.ReadStep()) {
    }
    info.Inform();
    const double ms = ElapsedMs(timer);
    return {ms, ms};
}

SFigure Turns(const QString &path)
{
    CMediaInfoReader reader;
    bool done = false;
    reader.Request(0, path, [&](CMediaInfo &info) {
        info.Inform();
        done = true;
    });
    SFigure figure;
    QElapsedTimer total, sinceLastTurn;
    total.start();
    sinceLastTurn.start();
    // A timer of no interval runs at every turn of the loop, as the window's events would.
    QTimer heartbeat;
    heartbeat.callOnTimeout([&] {
        figure.longestMs = std::max(figure.longestMs, ElapsedMs(sinceLastTurn));
        sinceLastTurn.restart();
    });
    heartbeat.start(0);
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    figure.totalMs = ElapsedMs(total);
    return figure;
}

// The reader's steps, a turn's budget at a time, from the slow disk.
SFigure Slow(const QString &path)
{
    CMediaInfo info;
    auto file = std::make_unique<CSlowFile>(path);
    file->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    SFigure figure;
    QElapsedTimer total;
    total.start();
    info.Open(std::move(file), path);
    bool complete = false;
    while (!complete) {
        QElapsedTimer turn;
        turn.start();
        while (!(complete = info.ReadStep()) && turn.elapsed() < CMediaInfoReader::kTurnBudgetMs) {
        }
        figure.longestMs = std::max(figure.longestMs, ElapsedMs(turn));
    }
    info.Inform();
    figure.totalMs = ElapsedMs(total);
    return figure;
}

bool MakeFiles(const QTemporaryDir &dir)
{
    const QString mp3 = dir.filePath(QStringLiteral("lesson.mp3"));
    const QString wav = dir.filePath(QStringLiteral("lesson.wav"));
    for (const QString &out : {mp3, wav}) {
        if (QProcess::execute(QStringLiteral("ffmpeg"),
                              {QStringLiteral("-loglevel"), QStringLiteral("error"), QStringLiteral("-f"),
                               QStringLiteral("lavfi"), QStringLiteral("-i"),
                               QStringLiteral("sine=frequency=440:duration=5"), QStringLiteral("-metadata"),
                               QStringLiteral("title=Lesson 1"), out}) != 0)
            return false;
    }
    QFile unknown(dir.filePath(QStringLiteral("unknown.bin")));
    if (!unknown.open(QIODevice::WriteOnly))
        return false;
    unknown.close();
    for (const QString &name :
         {QStringLiteral("unknown.bin"), QStringLiteral("lesson.mp3"), QStringLiteral("lesson.wav")}) {
        if (!QFile::resize(dir.filePath(name), kFileBytes))
            return false;
    }
    return true;
}

SFigure Median(SFigure (*measure)(const QString &), const QString &path)
{
    std::vector<SFigure> runs;
    for (int run = 0; run < kRuns; ++run)
        runs.push_back(measure(path));
    std::sort(runs.begin(), runs.end(), [](const SFigure &a, const SFigure &b) { return a.longestMs < b.longestMs; });
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid() || !MakeFiles(dir)) {
        std::fprintf(stderr, "cannot make the media files\n");
        return 1;
    }
    struct SMode {
        const char *name;
        SFigure (*measure)(const QString &);
    };
    const SMode modes[] = {{"whole", Whole}, {"turns", Turns}, {"slow", Slow}};
    for (const char *name : {"unknown.bin", "lesson.mp3", "lesson.wav"}) {
        for (const SMode &mode : modes) {
            const SFigure figure = Median(mode.measure, dir.filePath(QString::fromLatin1(name)));
            std::printf("%-12s %-6s %8.1f %8.1f\n", name, mode.name, figure.longestMs, figure.totalMs);
        }
    }
    return 0;
}
