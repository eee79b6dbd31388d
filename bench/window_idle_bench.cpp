// What the whole program costs at rest: the example lesson loaded through a
// real PulseAudio server of the benchmark's own (a null sink), the process's
// CPU time read from /proc over 10 s while stopped (once the quiet output device has
// been closed for its rest, 10 s after anything was last heard) and 10 s while playing.
// The program runs as a process of its own (this program started again with
// "--run"), told what to do on its standard input. QT_QPA_PLATFORM chooses
// the display (offscreen unless set; xcb under Xvfb paints as a desktop does).
// Below each state's figure come the threads that used any of it, by name, with how
// often each was woken.
//
//     window_idle_bench [seconds]
#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "app/Resource.h"
#include "audio/CPlaybackEngine.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "session/CPlaybackSession.h"
#include "transport/CPlayerBar.h"

#include "CPulseServer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <map>
#include <unistd.h>

namespace
{

constexpr int kSettleMs = 2000;
// The runtime closes an output that has had nothing to play for 10 s.
constexpr int kOutputRestMs = 10000;

// ------------------------------------------------------------- the program

void Say(const char *word)
{
    std::printf("%s\n", word);
    std::fflush(stdout);
}

int RunProgram(int argc, char **argv, const QDir &dir)
{
    QApplication application(argc, argv);
    CQuillmereApp app(dir.filePath(QStringLiteral("quillmere.ini")), dir.filePath(QStringLiteral("Playlist.Qpl")),
                      dir.filePath(QStringLiteral("recovery")));
    if (!app.InitInstance({QStringLiteral("quillmere")}, false) || !QTest::qWaitForWindowExposed(&app.MainFrame()))
        return 1;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&app] {
        char line[64] = {};
        if (read(STDIN_FILENO, line, sizeof line - 1) <= 0 || QByteArray(line).startsWith("quit")) {
            QApplication::quit();
            return;
        }
        app.MainFrame().RaiseCommand(ID_PLAY_PAUSE);
        Say(app.Engine().IsPlaying() ? "playing" : "not playing");
    });
    Say("ready");
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}

// ------------------------------------------------------------- the runs

bool MakeLesson(const QDir &dir)
{
    const QDir lesson(QStringLiteral(QUILLMERE_SOURCE_DIR "/examples/lesson"));
    for (const QString &name : lesson.entryList({QStringLiteral("lighthouse.*")}, QDir::Files))
        if (!QFile::copy(lesson.filePath(name), dir.filePath(name)))
            return false;
    QFile playlist(dir.filePath(QStringLiteral("Playlist.Qpl")));
    const QByteArray text = dir.filePath(QStringLiteral("lighthouse.mp3")).toUtf8() + "\r\n";
    return playlist.open(QIODevice::WriteOnly) && playlist.write(text) == text.size();
}

// What a process or thread has used so far: CPU in clock ticks, and how many times it
// was switched out (each wait for something, and each preemption).
struct SUse {
    long long ticks = 0;
    long long switches = 0;
};

SUse UseOf(const QString &folder)
{
    SUse use;
    QFile stat(folder + QStringLiteral("/stat"));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray line = stat.readAll();
        // The fields after the command's closing parenthesis: utime and stime are the 12th and 13th.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        use.ticks = fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }
    QFile status(folder + QStringLiteral("/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches:"))
                use.switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
    return use;
}

// The whole process (key "") and its threads, summed by thread name.
std::map<QString, SUse> UseByThread(qint64 pid)
{
    std::map<QString, SUse> uses;
    const QString process = QStringLiteral("/proc/%1").arg(pid);
    uses[QString()].ticks = UseOf(process).ticks;
    const QDir tasks(process + QStringLiteral("/task"));
    for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const SUse use = UseOf(tasks.filePath(task));
        SUse &named = uses[QString::fromUtf8(comm.readAll().trimmed())];
        named.ticks += use.ticks;
        named.switches += use.switches;
    }
    return uses;
}

// Share of one core and wakes a second over the seconds, for the process (key "") and
// each thread name that used any CPU.
struct SRates {
    double percent = 0;
    double wakes = 0;
};

std::map<QString, SRates> RatesOver(qint64 pid, int seconds)
{
    const std::map<QString, SUse> before = UseByThread(pid);
    QTest::qWait(seconds * 1000);
    std::map<QString, SRates> rates;
    for (const auto &[name, use] : UseByThread(pid)) {
        const auto earlier = before.find(name);
        const SUse start = earlier != before.end() ? earlier->second : SUse{};
        if (use.ticks > start.ticks || name.isEmpty())
            rates[name] = {100.0 * double(use.ticks - start.ticks) / double(sysconf(_SC_CLK_TCK)) / seconds,
                           double(use.switches - start.switches) / seconds};
    }
    return rates;
}

void PrintRates(const char *state, const std::map<QString, SRates> &rates)
{
    std::printf("  %-8s %6.2f %%\n", state, rates.at(QString()).percent);
    for (const auto &[name, rate] : rates)
        if (!name.isEmpty())
            std::printf("    %-16s %6.2f %%  %5.0f wakes/s\n", qPrintable(name), rate.percent, rate.wakes);
}

bool WaitFor(QProcess &program, const QByteArray &word)
{
    QByteArray said;
    while (!said.contains(word)) {
        if (!program.waitForReadyRead(30000))
            return false;
        said += program.readAllStandardOutput();
    }
    return true;
}

int Measure(int seconds)
{
    CPulseServer server;
    if (!server.Start()) {
        std::fprintf(stderr, "no PulseAudio server: %s\n", server.Error().c_str());
        return 1;
    }
    QTemporaryDir dir;
    if (!MakeLesson(QDir(dir.path()))) {
        std::fputs("the example lesson could not be copied\n", stderr);
        return 1;
    }
    qputenv("SDL_AUDIODRIVER", "pulseaudio");
    // Nothing of the learner's own runs (a recovery copy to offer) stops the start.
    for (const char *folder : {"XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(folder, dir.path().toLocal8Bit());
    QProcess program;
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--run"), dir.path()});
    if (!WaitFor(program, "ready"))
        return 1;
    QTest::qWait(kOutputRestMs + kSettleMs);
    const std::map<QString, SRates> stopped = RatesOver(program.processId(), seconds);
    program.write("play\n");
    if (!WaitFor(program, "playing"))
        return 1;
    QTest::qWait(kSettleMs);
    const std::map<QString, SRates> playing = RatesOver(program.processId(), seconds);
    program.write("quit\n");
    program.waitForFinished(30000);
    std::printf("CPU of one core over %d s (display: %s)\n", seconds, qgetenv("QT_QPA_PLATFORM").constData());
    PrintRates("stopped", stopped);
    PrintRates("playing", playing);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && QByteArray(argv[1]) == "--run")
        return RunProgram(argc, argv, QDir(QString::fromLocal8Bit(argv[2])));
    QCoreApplication application(argc, argv);
    return Measure(argc > 1 ? std::atoi(argv[1]) : 10);
}
