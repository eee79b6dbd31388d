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

namespace
{

const QString kService = QString::fromLatin1(CMprisService::kServiceName);
const QString kPath = QString::fromLatin1(CMprisService::kObjectPath);
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QString::fromLatin1(CMprisService::kPlayerInterface);
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

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
    return QDBusConnection::connectToBus(Bus().Address(), QStringLiteral("client"));
}

QVariantMap AsMap(const QVariant &value)
{
    return value.canConvert<QDBusArgument>() ? qdbus_cast<QVariantMap>(value.value<QDBusArgument>()) : value.toMap();
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
        for (const QString &name : {QStringLiteral("PropertiesChanged"), QStringLiteral("Seeked")})
            ASSERT_TRUE(Client().connect(kService, kPath, QString(), name, &m_log, SLOT(Take(QDBusMessage))));
    }

    void StartPlaylist(const std::vector<std::uint32_t> &lengths)
    {
        for (std::uint32_t length : lengths) {
            m_paths.append(m_folder.filePath(QStringLiteral("item%1.wav").arg(m_paths.size())));
            m_sim.player.m_lengths[m_paths.back()] = length;
        }
        ASSERT_TRUE(m_sim.session.PlaylistReady(&m_paths));
        Sync();
        m_log.m_changes.clear();
    }
    // A call through the daemon; what it queued runs before the answer is looked at.
    QDBusMessage Call(const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, interface, method);
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
        const QDBusMessage reply = Call(kProperties, QStringLiteral("Get"), {interface, name});
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    void Set(const QString &name, const QVariant &value)
    {
        Call(kProperties, QStringLiteral("Set"), {kPlayer, name, QVariant::fromValue(QDBusVariant(value))});
    }
    // Time passes; every signal sent by then has arrived when the answer to a call does.
    void Sync(qint64 milliseconds = 0)
    {
        m_sim.clock.Advance(milliseconds);
        Get(QStringLiteral("PlaybackStatus"));
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
    EXPECT_EQ(Get(QStringLiteral("Identity"), kRoot).toString(), QStringLiteral("Quillmere"));
    EXPECT_TRUE(Get(QStringLiteral("CanRaise"), kRoot).toBool());
    EXPECT_TRUE(Get(QStringLiteral("CanQuit"), kRoot).toBool());
    EXPECT_EQ(Call(kRoot, QStringLiteral("Raise")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(Call(kRoot, QStringLiteral("Quit")).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(m_nRaised, 1);
    EXPECT_EQ(m_nQuit, 1);
}

TEST_F(MprisTest, TransportMethodsActAsTheirKeys)
{
    StartPlaylist({20000, 30000});
    EXPECT_EQ(Get(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    EXPECT_TRUE(Get(QStringLiteral("CanGoNext")).toBool());
    EXPECT_FALSE(Get(QStringLiteral("CanGoPrevious")).toBool());
    Player(QStringLiteral("PlayPause"));
    EXPECT_TRUE(m_sim.player.IsPaused());
    EXPECT_EQ(Get(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
    Player(QStringLiteral("Play"));
    EXPECT_TRUE(m_sim.player.IsPlaying());
    Player(QStringLiteral("Next"));
    EXPECT_EQ(m_sim.session.CurrentIndex(), 1);
    EXPECT_FALSE(Get(QStringLiteral("CanGoNext")).toBool());
    EXPECT_TRUE(Get(QStringLiteral("CanGoPrevious")).toBool());
    Player(QStringLiteral("Previous"));
    EXPECT_EQ(m_sim.session.CurrentIndex(), 0);
    Player(QStringLiteral("Stop"));
    EXPECT_TRUE(m_sim.player.IsStopped());
    EXPECT_EQ(Get(QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));

    // During a drill PlayPause holds it, as F1 does, and Pause ends it, as the pause button does.
    Player(QStringLiteral("Play"));
    ASSERT_TRUE(m_sim.session.StartDrill({{1000, 3000}, {4000, 6000}}, 0));
    Player(QStringLiteral("PlayPause"));
    EXPECT_TRUE(m_sim.session.IsDrillRunning());
    EXPECT_TRUE(m_sim.player.IsPaused());
    Player(QStringLiteral("PlayPause"));
    Player(QStringLiteral("Pause"));
    EXPECT_FALSE(m_sim.session.IsDrillRunning());
    EXPECT_TRUE(m_sim.player.IsPaused());
}

TEST_F(MprisTest, SeekAndSetPositionMoveTheItemAndSaySo)
{
    StartPlaylist({20000, 30000});
    Sync(1234);
    EXPECT_NEAR(Get(QStringLiteral("Position")).toLongLong(), SessionPositionUs(), 50000);
    EXPECT_TRUE(Get(QStringLiteral("CanSeek")).toBool());

    Player(QStringLiteral("Seek"), {qlonglong(5'000'000)});
    EXPECT_EQ(m_sim.player.GetPosition(), 6234u);
    Player(QStringLiteral("Seek"), {qlonglong(-60'000'000)});
    EXPECT_EQ(m_sim.player.GetPosition(), 0u);
    const QString current = CMprisService::TrackId(0);
    Player(QStringLiteral("SetPosition"),
           {QVariant::fromValue(QDBusObjectPath(CMprisService::TrackId(1))), 9'000'000LL});
    Player(QStringLiteral("SetPosition"), {QVariant::fromValue(QDBusObjectPath(current)), 25'000'000LL});
    EXPECT_EQ(m_sim.player.GetPosition(), 0u); // another item's, or past the end: nothing
    Player(QStringLiteral("SetPosition"), {QVariant::fromValue(QDBusObjectPath(current)), 10'000'000LL});
    EXPECT_EQ(m_sim.player.GetPosition(), 10000u);
    Sync();
    EXPECT_EQ(TakeSeeks(), (std::vector<qint64>{6'234'000, 0, 10'000'000}));
    EXPECT_NEAR(Get(QStringLiteral("Position")).toLongLong(), SessionPositionUs(), 50000);

    Player(QStringLiteral("Seek"), {qlonglong(15'000'000)}); // past the end: the next item
    EXPECT_EQ(m_sim.session.CurrentIndex(), 1);
}

TEST_F(MprisTest, OnlyAJumpIsAnnounced)
{
    StartPlaylist({20000});
    // Playing on, pausing, resuming and a changed tempo move the position as time does.
    Sync(3000);
    Player(QStringLiteral("Pause"));
    Sync(2000);
    Player(QStringLiteral("Play"));
    Set(QStringLiteral("Rate"), 1.5);
    Sync(3000);
    EXPECT_EQ(TakeSeeks(), std::vector<qint64>());

    // The slider, a resume that steps back, and the A-B stretch coming round are jumps.
    m_sim.session.OnPositionScroll(12000);
    Sync(100); // seen at the next tick
    m_settings.BackStep = 2;
    Player(QStringLiteral("Pause"));
    Player(QStringLiteral("Play"));
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
        Set(QStringLiteral("LoopStatus"), QString::fromLatin1(status));
        EXPECT_EQ(m_settings.Order, order) << status;
    }
    Set(QStringLiteral("Rate"), 0.75);
    EXPECT_EQ(m_sim.session.Tempo().nTempo, -25);
    EXPECT_EQ(m_sim.session.Tempo().nRate, 44100); // the sample rate stays
    Set(QStringLiteral("Rate"), 2.0);
    EXPECT_EQ(Get(QStringLiteral("Rate")).toDouble(), 0.75);
    Set(QStringLiteral("Volume"), 0.3);
    EXPECT_EQ(m_settings.Volume, 30);
    EXPECT_EQ(m_sim.player.m_nVolume, 30);
    EXPECT_EQ(m_nShownVolume, 30); // the volume slider follows
    Set(QStringLiteral("Volume"), 1.7);
    EXPECT_EQ(Get(QStringLiteral("Volume")).toDouble(), 1.0);
    Set(QStringLiteral("Rate"), 0.0); // pauses
    EXPECT_TRUE(m_sim.player.IsPaused());
}

TEST_F(MprisTest, ChangesAreSignalledAsTheSessionTellsThem)
{
    const QVariantMap none = AsMap(Get(QStringLiteral("Metadata")));
    EXPECT_EQ(none.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"));
    StartPlaylist({20000, 30000});
    Sync(2000); // the position alone is never told
    EXPECT_EQ(TakeChanges(), std::vector<QVariantMap>());

    Player(QStringLiteral("Next"));
    Sync();
    std::vector<QVariantMap> changes = TakeChanges();
    ASSERT_EQ(changes.size(), 1u);
    const QVariantMap metadata = AsMap(changes[0].value(QStringLiteral("Metadata")));
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path(),
              CMprisService::TrackId(1));
    EXPECT_EQ(metadata.value(QStringLiteral("mpris:length")).toLongLong(), 30'000'000);
    EXPECT_EQ(QUrl(metadata.value(QStringLiteral("xesam:url")).toString()).toLocalFile(), m_paths[1]);
    EXPECT_EQ(metadata.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("item1"));
    EXPECT_EQ(changes[0].value(QStringLiteral("CanGoNext")), false);
    EXPECT_EQ(changes[0].value(QStringLiteral("CanGoPrevious")), true);

    // The file's own title and performer, when it tells them.
    emit m_sim.session.ItemOpened(
        m_paths[1], IMediaPlayer::SItemDescription{QStringLiteral("Lighthouse"), QStringLiteral("Keeper")});
    Sync();
    const QVariantMap described = AsMap(TakeChanges().at(0).value(QStringLiteral("Metadata")));
    EXPECT_EQ(described.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Lighthouse"));
    EXPECT_EQ(described.value(QStringLiteral("xesam:artist")).toStringList(), QStringList{QStringLiteral("Keeper")});

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
    EXPECT_EQ(changes[0], (QVariantMap{{QStringLiteral("Volume"), 0.45}, {QStringLiteral("Rate"), 1.2}}));
    EXPECT_EQ(changes[1], (QVariantMap{{QStringLiteral("LoopStatus"), QStringLiteral("Playlist")}}));
}

TEST_F(MprisTest, OpenUriTakesOnlyLocalRecordings)
{
    const QString recording = m_folder.filePath(QStringLiteral("talk one.mp3"));
    const QString text = m_folder.filePath(QStringLiteral("notes.txt"));
    for (const QString &path : {recording, text}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(Player(QStringLiteral("OpenUri"), {QUrl::fromLocalFile(recording).toString()}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(m_played, QStringList{recording});
    for (const QString &uri : {QStringLiteral("https://example.org/talk.mp3"), QUrl::fromLocalFile(text).toString(),
                               QUrl::fromLocalFile(m_folder.filePath(QStringLiteral("gone.mp3"))).toString()})
        EXPECT_EQ(Player(QStringLiteral("OpenUri"), {uri}).errorName(),
                  QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"))
            << qPrintable(uri);
    EXPECT_EQ(m_played.size(), 1);
}

// A second service (no bus, or the name taken) stays off the bus, and the session plays on.
TEST_F(MprisTest, WithoutTheBusTheSessionPlaysOn)
{
    CMprisService nowhere(m_sim.session, m_settings, {});
    EXPECT_FALSE(nowhere.Register(
        QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("none"))));
    CMprisService second(m_sim.session, m_settings, {});
    EXPECT_FALSE(second.Register(Client()));
    StartPlaylist({20000});
    EXPECT_TRUE(m_sim.player.IsPlaying());
    Player(QStringLiteral("Pause"));
    EXPECT_TRUE(m_sim.player.IsPaused());
}

} // namespace

#include "MprisTest.moc"
