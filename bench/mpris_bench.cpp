// The media-player interface on a session bus of the run's own: the time from
// a PlayPause sent by another connection, through the daemon, to the session's
// player playing, and to that connection told so by PropertiesChanged. The
// session runs on simulated time, so what is measured is the bus and the
// dispatch, not the sound output.
#include "CPrivateBus.h"

#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "desktop/CMprisService.h"
#include "support/CSimulatedTime.h"

#include <benchmark/benchmark.h>

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

namespace
{

CPrivateBus *g_pBus = nullptr;

// Counts the PropertiesChanged that tell of playing.
class CStatusWatch : public QObject
{
    Q_OBJECT

public:
    int m_nPlaying = 0;

public slots:
    void Take(const QString &, const QVariantMap &changed, const QStringList &)
    {
        if (changed.value(QStringLiteral("PlaybackStatus")).toString() == QLatin1String("Playing"))
            ++m_nPlaying;
    }
};

// A paused item, the service on the session bus, the client's own connection.
struct SBench {
    SBench()
    {
        const QString path = folder.filePath(QStringLiteral("item.wav"));
        sim.player.m_lengths[path] = 3'600'000;
        paths.append(path);
        sim.session.InitDialog();
        sim.session.PlaylistReady(&paths);
        sim.session.ExecuteIfEnabled(ID_PLAY_PAUSE);
        service.Register();
        client.connect(QString::fromLatin1(CMprisService::kServiceName),
                       QString::fromLatin1(CMprisService::kObjectPath),
                       QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"), &watch,
                       SLOT(Take(QString, QVariantMap, QStringList)));
    }
    ~SBench() { QDBusConnection::disconnectFromBus(QStringLiteral("client")); }

    QDBusPendingCall SendPlayPause()
    {
        return client.asyncCall(QDBusMessage::createMethodCall(
            QString::fromLatin1(CMprisService::kServiceName), QString::fromLatin1(CMprisService::kObjectPath),
            QString::fromLatin1(CMprisService::kPlayerInterface), QStringLiteral("PlayPause")));
    }
    // Pauses by the key, untimed, and lets the answers and signals of the trial go by.
    void Reset(QDBusPendingCall &call)
    {
        while (!call.isFinished())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        sim.session.ExecuteIfEnabled(ID_PLAY_PAUSE);
        service.Refresh(); // the pause is told before the next trial plays
    }

    QTemporaryDir folder;
    CAppSettings settings;
    SSimulatedSession sim{settings};
    QStringList paths;
    CMprisService service{sim.session, settings, {}};
    QDBusConnection client = QDBusConnection::connectToBus(g_pBus->Address(), QStringLiteral("client"));
    CStatusWatch watch;
};

template <typename Until> void MeasurePlayPause(benchmark::State &state, Until until)
{
    SBench bench;
    if (!bench.service.IsRegistered() || !bench.client.isConnected()) {
        state.SkipWithError("the service is not on the private bus");
        return;
    }
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        QDBusPendingCall call = bench.SendPlayPause();
        while (!until(bench))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        bench.Reset(call);
    }
}

void BM_PlayPauseToPlaying(benchmark::State &state)
{
    MeasurePlayPause(state, [](SBench &bench) { return bench.sim.player.IsPlaying(); });
}
BENCHMARK(BM_PlayPauseToPlaying)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_PlayPauseToClientTold(benchmark::State &state)
{
    int told = 0;
    MeasurePlayPause(state, [&told](SBench &bench) {
        if (bench.watch.m_nPlaying == told)
            return false;
        told = bench.watch.m_nPlaying;
        return true;
    });
}
BENCHMARK(BM_PlayPauseToClientTold)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication application(argc, argv);
    CPrivateBus bus;
    if (!bus.Start()) {
        std::fprintf(stderr, "no private session bus: %s\n", qPrintable(bus.Problem()));
        return 1;
    }
    g_pBus = &bus;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}

#include "mpris_bench.moc"
