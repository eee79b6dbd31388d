// The whole program's start: from the launch of a fresh process to the main
// window exposed with the remembered item of a 1,000-item playlist loaded
// (stopped), and the memory it holds once idle. Each run is a process of its
// own (this program started again with "--start"); a "--parts" run times the
// audio runtime's start and the playlist load on their own. Figures are the
// median, the best and the worst of the runs.
#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "audio/CPlaybackEngine.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "lists/CPlaylist.h"
#include "session/CPlaybackSession.h"
#include "transport/CPlayerBar.h"
#include "widgets/CommandIcons.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <vector>

namespace
{

constexpr int kItems = 1000;
constexpr int kRememberedItem = 499;
constexpr int kRuns = 9;
constexpr int kIdleMs = 2000;

using CFigures = std::map<QString, double>;

double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void Print(const char *key, double value)
{
    std::printf("%s %.3f\n", key, value);
}

bool Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// ------------------------------------------------------------- the fixture

// A one-minute lesson (MP3, 44.1 kHz stereo) as the remembered item and short
// WAV files for the other rows; every row names a file of its own.
bool MakeMedia(const QDir &dir)
{
    const QString shortWav = dir.filePath(QStringLiteral("short.wav"));
    const QString lessonWav = dir.filePath(QStringLiteral("lesson.wav"));
    if (!Run(QStringLiteral("sox"),
             {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"), QStringLiteral("-c"),
              QStringLiteral("1"), QStringLiteral("-b"), QStringLiteral("16"), shortWav, QStringLiteral("synth"),
              QStringLiteral("0.5"), QStringLiteral("sine"), QStringLiteral("440")}) ||
        !Run(QStringLiteral("sox"),
             {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
              QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), lessonWav, QStringLiteral("synth"),
              QStringLiteral("60"), QStringLiteral("sine"), QStringLiteral("300-3000")}))
        return false;
    return Run(QStringLiteral("ffmpeg"),
               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"), lessonWav,
                QStringLiteral("-b:a"), QStringLiteral("64k"), dir.filePath(QStringLiteral("lesson.mp3"))});
}

QString ItemPath(const QDir &dir, int index)
{
    if (index == kRememberedItem)
        return dir.filePath(QStringLiteral("lesson.mp3"));
    return dir.filePath(QStringLiteral("item %1.wav").arg(index, 4, 10, QLatin1Char('0')));
}

bool WritePlaylist(const QDir &dir)
{
    QByteArray text;
    for (int i = 0; i < kItems; ++i) {
        const QString path = ItemPath(dir, i);
        if (i != kRememberedItem && !QFile::copy(dir.filePath(QStringLiteral("short.wav")), path))
            return false;
        text += path.toUtf8() + "\r\n";
    }
    QFile file(dir.filePath(QStringLiteral("Playlist.Qpl")));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

bool WriteProfile(const QDir &dir)
{
    CIniProfile profile(dir.filePath(QStringLiteral("quillmere.ini")));
    CAppSettings settings;
    settings.PlaylistIndex = kRememberedItem;
    return bool(settings.Save(profile));
}

// ------------------------------------------------------------- one process

QString Field(const QString &key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key.toUtf8() + ':'))
            return QString::fromUtf8(line.mid(key.size() + 1)).simplified().section(QLatin1Char(' '), 0, 0);
    return {};
}

void PrintMemory()
{
    for (const char *key : {"VmRSS", "VmHWM", "RssAnon", "RssFile", "RssShmem"})
        Print(key, Field(QString::fromLatin1(key)).toDouble() / 1024.0);
}

int StartOnce(int argc, char **argv, const QDir &dir)
{
    Print("main", NowMs());
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setWindowIcon(ProgramIcon());
    Print("application", NowMs());
    CQuillmereApp app(dir.filePath(QStringLiteral("quillmere.ini")), dir.filePath(QStringLiteral("Playlist.Qpl")));
    if (!app.InitInstance({QStringLiteral("quillmere")}, false))
        return 1;
    Print("initialised", NowMs());
    if (!QTest::qWaitForWindowExposed(&app.MainFrame()))
        return 1;
    Print("exposed", NowMs());
    CPlaybackSession &control = app.Session();
    if (control.CurrentIndex() != kRememberedItem || app.Engine().GetLength() == 0)
        return 1;
    QTest::qWait(kIdleMs);
    PrintMemory();
    app.MainFrame().close();
    app.ExitInstance();
    return 0;
}

int PartsOnce(int argc, char **argv, const QDir &dir)
{
    QApplication application(argc, argv);
    double before = NowMs();
    CPlaybackEngine engine;
    Print("runtime_start", NowMs() - before);
    before = NowMs();
    CPlaylist playlist;
    if (!playlist.Load(dir.filePath(QStringLiteral("Playlist.Qpl"))) || playlist.GetCount() != kItems)
        return 1;
    Print("playlist_load", NowMs() - before);
    before = NowMs();
    if (!engine.Open(playlist.GetAt(kRememberedItem)))
        return 1;
    Print("item_open", NowMs() - before);
    return 0;
}

// ------------------------------------------------------------- the runs

bool Launch(const QString &mode, const QDir &dir, CFigures &figures)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double launched = NowMs();
    process.start(QCoreApplication::applicationFilePath(), {mode, dir.path()});
    if (!process.waitForFinished(-1) || process.exitCode() != 0)
        return false;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 2)
            figures[QString::fromUtf8(words[0])] = words[1].toDouble();
    }
    if (figures.count(QStringLiteral("exposed")) != 0)
        for (const char *key : {"main", "application", "initialised", "exposed"})
            figures[QString::fromLatin1(key)] -= launched;
    return true;
}

void Report(const char *label, std::vector<double> values, const char *unit)
{
    std::sort(values.begin(), values.end());
    std::printf("  %-44s median %8.1f  best %8.1f  worst %8.1f %s\n", label, values[values.size() / 2], values.front(),
                values.back(), unit);
}

std::vector<double> Column(const std::vector<CFigures> &runs, const QString &key)
{
    std::vector<double> values;
    for (const CFigures &run : runs)
        values.push_back(run.at(key));
    return values;
}

std::vector<double> Difference(const std::vector<CFigures> &runs, const QString &later, const QString &earlier)
{
    std::vector<double> values;
    for (const CFigures &run : runs)
        values.push_back(run.at(later) - run.at(earlier));
    return values;
}

bool Measure(const QDir &dir)
{
    std::vector<CFigures> starts(kRuns);
    std::vector<CFigures> parts(kRuns);
    for (int i = 0; i < kRuns; ++i)
        if (!Launch(QStringLiteral("--start"), dir, starts[i]) || !Launch(QStringLiteral("--parts"), dir, parts[i]))
            return false;
    const auto key = [](const char *text) { return QString::fromLatin1(text); };
    std::printf("Start, %d-item playlist, remembered item %d loaded; %d processes (ms)\n", kItems, kRememberedItem,
                kRuns);
    Report("launch -> main() (exec, dynamic linking)", Column(starts, key("main")), "ms");
    Report("main() -> QApplication made", Difference(starts, key("application"), key("main")), "ms");
    Report("QApplication -> InitInstance returned", Difference(starts, key("initialised"), key("application")), "ms");
    Report("InitInstance -> window exposed", Difference(starts, key("exposed"), key("initialised")), "ms");
    Report("QApplication -> window exposed", Difference(starts, key("exposed"), key("application")), "ms");
    Report("launch -> window exposed  (goal <= 500)", Column(starts, key("exposed")), "ms");
    std::printf("Parts, each alone in a fresh process (ms)\n");
    Report("audio runtime start (engine constructed)", Column(parts, key("runtime_start")), "ms");
    Report("playlist load (1,000 lines, each checked)", Column(parts, key("playlist_load")), "ms");
    Report("remembered item opened", Column(parts, key("item_open")), "ms");
    std::printf("Memory after %d ms idle with the item loaded (MiB)\n", kIdleMs);
    Report("VmRSS  (goal <= 80)", Column(starts, key("VmRSS")), "MiB");
    Report("VmHWM", Column(starts, key("VmHWM")), "MiB");
    Report("RssAnon", Column(starts, key("RssAnon")), "MiB");
    Report("RssFile", Column(starts, key("RssFile")), "MiB");
    Report("RssShmem", Column(starts, key("RssShmem")), "MiB");
    return true;
}

int Parent(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    // The starts measured see nothing of the learner's own runs (a recovery copy to offer).
    for (const char *folder : {"XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(folder, dir.path().toLocal8Bit());
    if (!MakeMedia(dir) || !WritePlaylist(dir) || !WriteProfile(dir)) {
        std::fprintf(stderr, "sox and ffmpeg make the media files\n");
        return 1;
    }
    // The first start writes the window's placement; every measured start reads it.
    CFigures first;
    if (!Launch(QStringLiteral("--start"), dir, first) || !Measure(dir)) {
        std::fprintf(stderr, "a start failed\n");
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    qputenv("SDL_AUDIODRIVER", qgetenv("SDL_AUDIODRIVER").isEmpty() ? "dummy" : qgetenv("SDL_AUDIODRIVER"));
    if (argc == 3 && qstrcmp(argv[1], "--start") == 0)
        return StartOnce(1, argv, QDir(QString::fromLocal8Bit(argv[2])));
    if (argc == 3 && qstrcmp(argv[1], "--parts") == 0)
        return PartsOnce(1, argv, QDir(QString::fromLocal8Bit(argv[2])));
    return Parent(argc, argv);
}
