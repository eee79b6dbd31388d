// From a command to the first sound of its effect through the real output
// path: the whole program on a lesson of tone (0-2 s), silence (2-6 s) and
// tone (6-8 s). "Play" raises ID_PLAY_PAUSE on the stopped item; "seek" moves
// the position slider from the silence into the tone while playing. "Media key"
// sends the media-player interface's PlayPause from another connection on a
// session bus of the run's own, as a desktop does for a media key; "pedal"
// writes the middle pedal's press, as the kernel's input_event records, into a
// pipe the pedal listener reads as it reads the device (so the kernel's own
// delivery of the event, a matter of microseconds, is not in that figure).
//
// With SDL's disk driver (the default) a thread watches the file SDL writes
// (stereo float at 44.1 kHz) every 0.5 ms: the latency is the time from the
// command to the first non-silent sample seen, beside the time to the first
// block written at all (the driver's own pacing). With "dummy" nothing is
// written: the latency is the time until the engine's position (what the
// runtime reckons has been heard) shows the new sound.
#include "CPrivateBus.h"

#include "app/Resource.h"
#include "audio/CPlaybackEngine.h"
#include "desktop/CMprisService.h"
#include "desktop/CPedalListener.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "session/CPlaybackSession.h"
#include "transport/CPlayerBar.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <linux/input.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int kTrials = 20;
constexpr std::uint32_t kSilenceMs = 3000;
constexpr std::uint32_t kToneMs = 6200;
constexpr float kSilent = 1e-4f;
// What the runtime asks of SDL: stereo float at 44.1 kHz.
constexpr double kOutputSamplesPerMs = 2 * 44.1;
constexpr double kQuietMs = 100.0;
constexpr double kTimeoutMs = 2000.0;
constexpr auto kPollPeriod = std::chrono::microseconds(500);
const QString kClient = QStringLiteral("client");
// The keys of a three-pedal device, lowest first: the middle pedal takes the second.
const std::vector<int> kPedalKeys = {BTN_0, BTN_1, BTN_2};

double NowMs()
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool MakeLesson(const QString &path)
{
    return Run(QStringLiteral("sox"),
               {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"), path, QStringLiteral("synth"),
                QStringLiteral("2"), QStringLiteral("sine"), QStringLiteral("440"), QStringLiteral("pad"),
                QStringLiteral("0"), QStringLiteral("4"), QStringLiteral("repeat"), QStringLiteral("1")});
}

// Watches the file the disk driver writes: when bytes last arrived, when sound
// last arrived, and the first arrival of bytes and of sound after Arm().
class CDiskWatcher
{
public:
    explicit CDiskWatcher(const QString &path) : m_path(path.toLocal8Bit()) {}
    ~CDiskWatcher()
    {
        m_bStop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    void Start()
    {
        m_thread = std::thread([this] { Watch(); });
    }
    void Arm()
    {
        m_firstBlock = 0.0;
        m_firstSound = 0.0;
        m_bArmed = true;
    }
    double FirstBlock() const { return m_firstBlock; }
    double FirstSound() const { return m_firstSound; }
    double FirstSoundPlace() const { return m_firstSoundPlace; }
    bool IsQuiet() const { return m_lastBlock > m_lastSound && NowMs() - m_lastSound > kQuietMs; }

private:
    void Watch()
    {
        int file = -1;
        while (!m_bStop && (file = open(m_path.constData(), O_RDONLY)) < 0)
            std::this_thread::sleep_for(kPollPeriod);
        off_t offset = 0;
        std::vector<float> block;
        while (!m_bStop) {
            struct stat info = {};
            fstat(file, &info);
            const off_t whole = info.st_size / off_t(sizeof(float)) * off_t(sizeof(float));
            if (whole > offset) {
                block.resize(std::size_t(whole - offset) / sizeof(float));
                offset += pread(file, block.data(), std::size_t(whole - offset), offset);
                Seen(block);
            }
            std::this_thread::sleep_for(kPollPeriod);
        }
        close(file);
    }

    void Seen(const std::vector<float> &block)
    {
        const double now = NowMs();
        const auto first = std::find_if(block.begin(), block.end(), [](float x) { return std::fabs(x) > kSilent; });
        const bool sound = first != block.end();
        m_lastBlock = now;
        if (sound)
            m_lastSound = now;
        if (!m_bArmed)
            return;
        if (m_firstBlock == 0.0)
            m_firstBlock = now;
        if (sound) {
            m_firstSoundPlace = double(first - block.begin()) / kOutputSamplesPerMs;
            m_firstSound = now;
            m_bArmed = false;
        }
    }

    QByteArray m_path;
    std::thread m_thread;
    std::atomic<bool> m_bStop = false;
    std::atomic<bool> m_bArmed = false;
    std::atomic<double> m_firstBlock = 0.0;
    std::atomic<double> m_firstSound = 0.0;
    // Where in the bytes read the sound began, in milliseconds of output.
    std::atomic<double> m_firstSoundPlace = 0.0;
    std::atomic<double> m_lastBlock = 0.0;
    std::atomic<double> m_lastSound = 0.0;
};

bool PumpUntil(const std::function<bool()> &done)
{
    const double deadline = NowMs() + kTimeoutMs;
    while (!done()) {
        if (NowMs() > deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(kPollPeriod);
    }
    return true;
}

// A random wait of up to two output blocks, so the commands fall anywhere in the driver's cycle.
void Jitter()
{
    QTest::qWait(QRandomGenerator::global()->bounded(50));
}

struct STrial {
    double sound = 0.0; // command to the first sound
    double block = 0.0; // command to the first block written
    double place = 0.0; // where the sound begins in the block that brings it
};

class CLatencyBench
{
public:
    CLatencyBench(const QDir &dir, bool disk)
        : m_dir(dir), m_bDisk(disk), m_watcher(dir.filePath(QStringLiteral("out.raw")))
    {
    }
    ~CLatencyBench()
    {
        if (m_nPedalFd >= 0)
            close(m_nPedalFd);
        QDBusConnection::disconnectFromBus(kClient);
    }

    bool Start()
    {
        if (m_bDisk)
            m_watcher.Start();
        m_pApp = std::make_unique<CQuillmereApp>(m_dir.filePath(QStringLiteral("q.ini")),
                                                 m_dir.filePath(QStringLiteral("Playlist.Qpl")));
        return m_pApp->InitInstance({QStringLiteral("quillmere")}, false) &&
               QTest::qWaitForWindowExposed(&m_pApp->MainFrame()) && Control().CurrentIndex() == 0 && AttachPedal() &&
               ReachMediaPlayer();
    }

    void Stop()
    {
        if (!m_pApp)
            return;
        m_pApp->MainFrame().close();
        m_pApp->ExitInstance();
        m_pApp.reset();
    }

    bool PlayTrial(STrial &trial)
    {
        return StoppedTrial([this] { m_pApp->MainFrame().RaiseCommand(ID_PLAY_PAUSE); }, trial);
    }

    bool MediaKeyTrial(STrial &trial)
    {
        return StoppedTrial([this] { SendPlayPause(); }, trial);
    }

    // The middle pedal plays while held: let go, it pauses before the item stops.
    bool PedalTrial(STrial &trial)
    {
        return StoppedTrial([this] { PressMiddlePedal(1); }, trial,
                            [this] {
                                PressMiddlePedal(0);
                                return PumpUntil([this] { return !Engine().IsPlaying(); });
                            });
    }

    bool SeekTrial(STrial &trial)
    {
        if (!Engine().IsPlaying() && !m_pApp->MainFrame().RaiseCommand(ID_PLAY_PAUSE))
            return false;
        Control().OnPositionScroll(kSilenceMs);
        if (!Settle())
            return false;
        return Measure([this] { Control().OnPositionScroll(kToneMs); },
                       [this] { return Engine().GetPosition() > kToneMs; }, trial);
    }

private:
    CPlaybackSession &Control() { return m_pApp->Session(); }
    CPlaybackEngine &Engine() { return m_pApp->Engine(); }

    // From a stopped item: the command, then its first sound, then whatever
    // ends the command's effect, then stopped again.
    bool StoppedTrial(
        const std::function<void()> &command, STrial &trial, const std::function<bool()> &undo = [] { return true; })
    {
        if (!Settle())
            return false;
        const auto heard = [this] { return Engine().GetPosition() > 0; };
        return Measure(command, heard, trial) && undo() && m_pApp->MainFrame().RaiseCommand(IDC_STOP);
    }

    // The pedal listener reads a pipe as it would read the device.
    bool AttachPedal()
    {
        int fds[2] = {-1, -1};
        if (pipe(fds) != 0)
            return false;
        m_pApp->Pedal().Attach(fds[0], kPedalKeys);
        m_nPedalFd = fds[1];
        return true;
    }

    void PressMiddlePedal(int value)
    {
        input_event events[2] = {};
        events[0].type = EV_KEY;
        events[0].code = std::uint16_t(kPedalKeys[1]);
        events[0].value = value;
        events[1].type = EV_SYN;
        events[1].code = SYN_REPORT;
        if (write(m_nPedalFd, events, sizeof events) != ssize_t(sizeof events))
            std::fprintf(stderr, "the pedal's pipe took no event\n");
    }

    bool ReachMediaPlayer()
    {
        QDBusConnection client = QDBusConnection::connectToBus(QDBusConnection::SessionBus, kClient);
        if (!client.isConnected() ||
            !client.interface()->isServiceRegistered(QString::fromLatin1(CMprisService::kServiceName))) {
            std::fprintf(stderr, "the media-player interface is not on the bus\n");
            return false;
        }
        return true;
    }

    void SendPlayPause()
    {
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, kClient)
            .send(QDBusMessage::createMethodCall(
                QString::fromLatin1(CMprisService::kServiceName), QString::fromLatin1(CMprisService::kObjectPath),
                QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("PlayPause")));
    }

    // Silence has been coming out for a while (disk), then a random wait.
    bool Settle()
    {
        if (m_bDisk && !PumpUntil([this] { return m_watcher.IsQuiet(); }))
            return false;
        Jitter();
        return true;
    }

    bool Measure(const std::function<void()> &command, const std::function<bool()> &heard, STrial &trial)
    {
        if (m_bDisk)
            m_watcher.Arm();
        const double before = NowMs();
        command();
        if (!m_bDisk) {
            if (!PumpUntil(heard))
                return false;
            trial.sound = NowMs() - before;
            return true;
        }
        if (!PumpUntil([this] { return m_watcher.FirstSound() != 0.0; }))
            return false;
        trial.sound = m_watcher.FirstSound() - before;
        trial.block = m_watcher.FirstBlock() - before;
        trial.place = m_watcher.FirstSoundPlace();
        return true;
    }

    QDir m_dir;
    bool m_bDisk;
    CDiskWatcher m_watcher;
    std::unique_ptr<CQuillmereApp> m_pApp;
    int m_nPedalFd = -1; // the end of the pedal's pipe that events are written to
};

void Report(const char *label, std::vector<STrial> trials, bool disk)
{
    const auto line = [&](const char *what, double STrial::*field) {
        std::vector<double> values;
        for (const STrial &trial : trials)
            values.push_back(trial.*field);
        std::sort(values.begin(), values.end());
        std::printf("  %-10s %-34s median %6.1f  best %6.1f  worst %6.1f ms\n", label, what, values[values.size() / 2],
                    values.front(), values.back());
    };
    line(disk ? "command -> first sound written" : "command -> position shows it heard", &STrial::sound);
    if (!disk)
        return;
    line("command -> next block written", &STrial::block);
    line("place of the sound in its block", &STrial::place);
}

bool RunTrials(CLatencyBench &bench, bool disk)
{
    using FTrial = bool (CLatencyBench::*)(STrial &);
    const std::pair<const char *, FTrial> kinds[] = {{"play", &CLatencyBench::PlayTrial},
                                                     {"media key", &CLatencyBench::MediaKeyTrial},
                                                     {"pedal", &CLatencyBench::PedalTrial},
                                                     {"seek", &CLatencyBench::SeekTrial}};
    for (const auto &[label, run] : kinds) {
        std::vector<STrial> trials(kTrials);
        for (STrial &trial : trials)
            if (!(bench.*run)(trial))
                return false;
        Report(label, trials, disk);
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const bool disk = !(argc == 2 && qstrcmp(argv[1], "dummy") == 0);
    QTemporaryDir temporary;
    const QDir dir(temporary.path());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing the learner's own runs left (a recovery copy to offer) stops the start.
    for (const char *folder : {"XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(folder, dir.path().toLocal8Bit());
    qputenv("SDL_AUDIODRIVER", disk ? "disk" : "dummy");
    qputenv("SDL_DISKAUDIOFILE", dir.filePath(QStringLiteral("out.raw")).toLocal8Bit());
    QApplication application(argc, argv);
    const QString lesson = dir.filePath(QStringLiteral("lesson.wav"));
    QFile playlist(dir.filePath(QStringLiteral("Playlist.Qpl")));
    if (!MakeLesson(lesson) || !playlist.open(QIODevice::WriteOnly) || playlist.write(lesson.toUtf8() + "\r\n") <= 0) {
        std::fprintf(stderr, "sox makes the lesson\n");
        return 1;
    }
    playlist.close();
    CPrivateBus bus;
    if (!bus.Start()) {
        std::fprintf(stderr, "%s\n", qPrintable(bus.Problem()));
        return 1;
    }
    CLatencyBench bench(dir, disk);
    std::printf(
        "Command to sound, SDL_AUDIODRIVER=%s, SDL_DISKAUDIODELAY=%s, %d trials each\n", disk ? "disk" : "dummy",
        qgetenv("SDL_DISKAUDIODELAY").isEmpty() ? "(default)" : qgetenv("SDL_DISKAUDIODELAY").constData(), kTrials);
    const bool ok = bench.Start() && RunTrials(bench, disk);
    bench.Stop();
    if (!ok)
        std::fprintf(stderr, "a trial timed out\n");
    return ok ? 0 : 1;
}
