// The media-player interface over a real bus: a dbus-daemon of the run's own,
// the service on the session bus, and every call and signal going through the
// daemon on a second connection, as a desktop applet's would. The session
// behind it runs on simulated time.
#include "CPrivateBus.h"

#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "desktop/CMprisService.h"
#include "support/CSimulatedTime.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace
{

const QString kService = QString::fromLatin1(CMprisService::kServiceName);
const QString kPath = QString::fromLatin1(CMprisService::kObjectPath);
const QString kRoot = u"org.mpris.MediaPlayer2"_s;
const QString kPlayer = QString::fromLatin1(CMprisService::kPlayerInterface);

// The bus of the run, started before the first test asks Qt for the session
// bus, and the test's own connection to it.
CPrivateBus &Bus()
{
    static CPrivateBus bus;
    [[maybe_unused]] static const bool started = bus.Start();
    return bus;
}

QDBusConnection Client()
{
    return QDBusConnection::connectToBus(Bus().Address(), u"client"_s);
}

QVariantMap AsMap(const QVariant &value)
{
    return value.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(value.value<QDBusArgument>()) : value.toMap();
}

QVariant TrackPath(int index)
{
    return QVariant::fromValue(QDBusObjectPath(CMprisService::TrackId(index)));
}

// The signals of the service as the client received them.
class CSignalLog : public QObject
{
    Q_OBJECT

public:
    std::vector<QVariantMap> m_changes; // the changed properties of each PropertiesChanged
    std::vector<qint64> m_seeks;        // the position of each Seeked

public slots:
    void Take(const QDBusMessage &message)
    {
        if (message.member() == QLatin1String("Seeked"))
            m_seeks.push_back(message.arguments().value(0).toLongLong());
        else
            m_changes.push_back(AsMap(message.arguments().value(1)));
    }
};

class MprisTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (Bus().Address().isEmpty())
            GTEST_SKIP() << "no private session bus: " << qPrintable(Bus().Problem());
        ASSERT_TRUE(m_folder.isValid());
        m_sim.session.InitDialog();
        QObject::connect(&m_sim.session, &CPlaybackSession::VolumeChanged,
                         [this](int volume) { m_nShownVolume = volume; });
        SMprisHooks hooks;
        hooks.raiseCommand = [this](unsigned id) { m_sim.session.ExecuteIfEnabled(id); };
        hooks.queryCommand = [this](unsigned id) { return m_sim.session.QueryState(id); };
        hooks.raiseWindow = [this] { ++m_nRaised; };
        hooks.quit = [this] { ++m_nQuit; };
        hooks.playFile = [this](const QString &path) { m_played.append(path); };
        hooks.now = [this] { return m_sim.clock.Now(); };
        m_pService = std::make_unique<CMprisService>(m_sim.session, m_settings, std::move(hooks));
        ASSERT_TRUE(m_pService->Register());
        for (const QString &name : {u"PropertiesChanged"_s, u"Seeked"_s})
            ASSERT_TRUE(Client().connect(kService, kPath, QString(), name, &m_log, SLOT(Take(QDBusMessage))));
    }

    void StartPlaylist(const std::vector<std::uint32_t> &lengths)
    {
        for (std::uint32_t length : lengths) {
            m_paths.append(m_folder.filePath(u"item%1.wav"_s.arg(m_paths.size())));
            m_sim.player.m_lengths[m_paths.back()] = length;
        }
        ASSERT_TRUE(m_sim.session.PlaylistReady(&m_paths));
        Sync();
        m_log.m_changes.clear();
    }
    // A call through the daemon; what it queued runs before the answer is looked at.
    QDBusMessage Call(const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage call =
            QDBusMessage::createMethodCall(QString::fromLatin1(CMprisService::kServiceName),
                                           QString::fromLatin1(CMprisService::kObjectPath), interface, method);
        call.setArguments(arguments);
        const QDBusMessage reply = Client().call(call, QDBus::BlockWithGui);
        m_sim.clock.Advance(0);
        return reply;
    }
    QDBusMessage Player(const QString &method, const QVariantList &arguments = {})
    {
        return Call(kPlayer, method, arguments);
    }
    QVariant Get(const QString &name, const QString &interface = kPlayer)
    {
        const QDBusMessage reply = Call(u"org.freedesktop.DBus.Properties"_s, u"Get"_s, {interface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    void Set(const QString &name, const QVariant &value)
    {
        Call(u"org.freedesktop.DBus.Properties"_s, u"Set"_s, {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }
    // Time passes; every signal sent by then has arrived when the answer to a call does.
    void Sync(qint64 milliseconds = 0)
    {
        m_sim.clock.Advance(milliseconds);
        Get(u"PlaybackStatus"_s);
    }
    std::vector<QVariantMap> TakeChanges() { return std::exchange(m_log.m_changes, {}); }
    std::vector<qint64> TakeSeeks() { return std::exchange(m_log.m_seeks, {}); }
    qint64 SessionPositionUs() { return qint64(m_sim.session.PlayingPosition().value_or(0)) * 1000; }

    QTemporaryDir m_folder;
    CAppSettings m_settings;
    SSimulatedSession m_sim{m_settings};
    QStringList m_paths;
    std::unique_ptr<CMprisService> m_pService;
    CSignalLog m_log;
    int m_nRaised = 0, m_nQuit = 0, m_nShownVolume = -1;
    QStringList m_played;
};

TEST_F(MprisTest, TheApplicationNamesItselfAndHandsRaiseAndQuitOn)
{
    EXPECT_EQ(Get(u"Identity"_s, kRoot), u"Quillmere"_s);
    for (const QString &method : {u"Raise"_s, u"Quit"_s}) {
        EXPECT_TRUE(Get(u"Can"_s + method, kRoot).toBool()) << qPrintable(method);
        EXPECT_EQ(Call(kRoot, method).type(), QDBusMessage::ReplyMessage);
    }
    EXPECT_EQ(m_nRaised, 1);
    EXPECT_EQ(m_nQuit, 1);
}

TEST_F(MprisTest, TransportMethodsActAsTheirKeys)
{
    StartPlaylist({20000, 30000});
    Player(u"Next"_s);
    EXPECT_EQ(m_sim.session.CurrentIndex(), 1);
    Player(u"Previous"_s);
    EXPECT_EQ(m_sim.session.CurrentIndex(), 0);
    Player(u"Stop"_s);
    EXPECT_EQ(Get(u"PlaybackStatus"_s), u"Stopped"_s);
    Player(u"Play"_s);
    EXPECT_EQ(Get(u"PlaybackStatus"_s), u"Playing"_s);

    // PlayPause pauses, and during a drill holds it, as F1 does; Pause ends it, as the pause button does.
    ASSERT_TRUE(m_sim.session.StartDrill({{1000, 3000}, {4000, 6000}}, 0));
    Player(u"PlayPause"_s);
    EXPECT_TRUE(m_sim.session.IsDrillRunning());
    EXPECT_EQ(Get(u"PlaybackStatus"_s), u"Paused"_s);
    Player(u"PlayPause"_s);
    Player(u"Pause"_s);
    EXPECT_FALSE(m_sim.session.IsDrillRunning());
    EXPECT_TRUE(m_sim.player.IsPaused());
}

TEST_F(MprisTest, SeekAndSetPositionMoveTheItemAndSaySo)
{
    StartPlaylist({20000, 30000});
    Sync(1234);
    EXPECT_TRUE(Get(u"CanSeek"_s).toBool());
    Player(u"Seek"_s, {qlonglong(5'000'000)});
    EXPECT_EQ(m_sim.player.GetPosition(), 6234u);
    Player(u"Seek"_s, {qlonglong(-60'000'000)});
    EXPECT_EQ(m_sim.player.GetPosition(), 0u);
    Player(u"SetPosition"_s, {TrackPath(1), 9'000'000LL});
    Player(u"SetPosition"_s, {TrackPath(0), 25'000'000LL});
    EXPECT_EQ(m_sim.player.GetPosition(), 0u); // another item's, or past the end: nothing
    Player(u"SetPosition"_s, {TrackPath(0), 10'000'000LL});
    EXPECT_EQ(m_sim.player.GetPosition(), 10000u);
    Sync();
    EXPECT_EQ(TakeSeeks(), (std::vector<qint64>{6'234'000, 0, 10'000'000}));
    EXPECT_NEAR(Get(u"Position"_s).toLongLong(), SessionPositionUs(), 50000);

    Player(u"Seek"_s, {qlonglong(15'000'000)}); // past the end: the next item
    EXPECT_EQ(m_sim.session.CurrentIndex(), 1);
}

TEST_F(MprisTest, OnlyAJumpIsAnnounced)
{
    StartPlaylist({20000});
    // Playing on, pausing, resuming and a changed tempo move the position as time does.
    Sync(3000);
    Player(u"Pause"_s);
    Sync(2000);
    Player(u"Play"_s);
    Set(u"Rate"_s, 1.5);
    Sync(3000);
    EXPECT_EQ(TakeSeeks(), std::vector<qint64>());

    // The slider, a resume that steps back, and the A-B stretch coming round are jumps.
    m_sim.session.OnPositionScroll(12000);
    Sync(100); // seen at the next tick
    m_settings.BackStep = 2;
    Player(u"Pause"_s);
    Player(u"Play"_s);
    Sync();
    EXPECT_EQ(TakeSeeks(), (std::vector<qint64>{12'100'000, 10'100'000}));
    m_sim.session.PlaySelection(5000, 6000);
    Sync(2550);
    EXPECT_EQ(TakeSeeks().size(), 3u); // the start, and twice round
}

TEST_F(MprisTest, WritablePropertiesReachTheSession)
{
    StartPlaylist({20000});
    for (const auto &[status, order] : {std::pair{"Track", ORDER_REPEAT_ONE}, std::pair{"Playlist", ORDER_REPEAT_LIST},
                                        std::pair{"Shuffle", ORDER_REPEAT_LIST}, std::pair{"None", ORDER_IN_TURN}}) {
        Set(u"LoopStatus"_s, QString::fromLatin1(status));
        EXPECT_EQ(m_settings.Order, order) << status;
    }
    Set(u"Rate"_s, 0.75);
    EXPECT_EQ(m_sim.session.Tempo().nTempo, -25);
    EXPECT_EQ(m_sim.session.Tempo().nRate, 44100); // the sample rate stays
    Set(u"Rate"_s, 2.0);
    EXPECT_EQ(Get(u"Rate"_s).toDouble(), 0.75);
    Set(u"Volume"_s, 0.3);
    EXPECT_EQ(m_sim.player.m_nVolume, 30);
    EXPECT_EQ(m_nShownVolume, 30); // the volume slider follows
    Set(u"Volume"_s, 1.7);
    EXPECT_EQ(Get(u"Volume"_s).toDouble(), 1.0);
    Set(u"Rate"_s, 0.0); // pauses
    EXPECT_TRUE(m_sim.player.IsPaused());
}

TEST_F(MprisTest, ChangesAreSignalledAsTheSessionTellsThem)
{
    EXPECT_EQ(AsMap(Get(u"Metadata"_s)).value(u"mpris:trackid"_s).value<QDBusObjectPath>().path(),
              u"/org/mpris/MediaPlayer2/TrackList/NoTrack"_s);
    StartPlaylist({20000, 30000});
    Sync(2000); // the position alone is never told
    EXPECT_EQ(TakeChanges(), std::vector<QVariantMap>());

    Player(u"Next"_s);
    Sync();
    std::vector<QVariantMap> changes = TakeChanges();
    ASSERT_EQ(changes.size(), 1u);
    const QVariantMap metadata = AsMap(changes[0].value(u"Metadata"_s));
    EXPECT_EQ(metadata.value(u"mpris:trackid"_s).value<QDBusObjectPath>().path(), CMprisService::TrackId(1));
    EXPECT_EQ(metadata.value(u"mpris:length"_s).toLongLong(), 30'000'000);
    EXPECT_EQ(QUrl(metadata.value(u"xesam:url"_s).toString()).toLocalFile(), m_paths[1]);
    EXPECT_EQ(metadata.value(u"xesam:title"_s), u"item1"_s);
    EXPECT_EQ(changes[0].value(u"CanGoNext"_s), false);
    EXPECT_EQ(changes[0].value(u"CanGoPrevious"_s), true);

    // The file's own title and performer, when it tells them.
    emit m_sim.session.ItemOpened(m_paths[1], IMediaPlayer::SItemDescription{u"Lighthouse"_s, u"Keeper"_s});
    Sync();
    const QVariantMap described = AsMap(TakeChanges().at(0).value(u"Metadata"_s));
    EXPECT_EQ(described.value(u"xesam:title"_s), u"Lighthouse"_s);
    EXPECT_EQ(described.value(u"xesam:artist"_s).toStringList(), QStringList{u"Keeper"_s});

    // The keys, the effects bar and the play order each bring one change.
    m_sim.session.ExecuteIfEnabled(ID_PLAY_PAUSE);
    m_sim.session.ExecuteIfEnabled(ID_VOLUME_DOWN);
    m_sim.session.ExecuteIfEnabled(ID_PLAY_PAUSE);
    m_sim.session.SetTempo({20, 44100, 0});
    Sync();
    m_settings.Order = ORDER_REPEAT_LIST;
    m_pService->Refresh();
    Sync();
    changes = TakeChanges();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0], (QVariantMap{{u"Volume"_s, 0.45}, {u"Rate"_s, 1.2}}));
    EXPECT_EQ(changes[1], (QVariantMap{{u"LoopStatus"_s, u"Playlist"_s}}));
}

TEST_F(MprisTest, OpenUriTakesOnlyLocalRecordings)
{
    const QString recording = m_folder.filePath(u"talk one.mp3"_s), text = m_folder.filePath(u"notes.txt"_s);
    for (const QString &path : {recording, text})
        ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    EXPECT_EQ(Player(u"OpenUri"_s, {QUrl::fromLocalFile(recording).toString()}).type(), QDBusMessage::ReplyMessage);
    for (const QString &uri : {u"https://example.org/talk.mp3"_s, QUrl::fromLocalFile(text).toString(),
                               QUrl::fromLocalFile(m_folder.filePath(u"gone.mp3"_s)).toString()})
        EXPECT_EQ(Player(u"OpenUri"_s, {uri}).errorName(), u"org.freedesktop.DBus.Error.InvalidArgs"_s)
            << qPrintable(uri);
    EXPECT_EQ(m_played, QStringList{recording});
}

// A second service (no bus, or the name taken) stays off the bus, and the session plays on.
TEST_F(MprisTest, WithoutTheBusTheSessionPlaysOn)
{
    CMprisService nowhere(m_sim.session, m_settings, {}), second(m_sim.session, m_settings, {});
    EXPECT_FALSE(nowhere.Register(QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_s, u"none"_s)));
    EXPECT_FALSE(second.Register(Client()));
    StartPlaylist({20000});
    Player(u"Pause"_s);
    EXPECT_TRUE(m_sim.player.IsPaused());
}

} // namespace

#include "MprisTest.moc"
