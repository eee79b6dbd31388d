#include "desktop/CMprisService.h"

#include "app/CAppSettings.h"
#include "app/Resource.h"
#include "base/MediaPaths.h"
#include "desktop/CMprisAdaptors.h"
#include "session/CPlaybackSession.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <utility>

namespace
{

const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// A position this far from where playing on would have taken it is a jump: the
// position timer's tick and the output's buffering move it by less. Over a long
// time between looks the clock and the sound may part a little more.
constexpr double kJumpToleranceMs = 250.0;
constexpr double kDriftPerMs = 0.1;

constexpr double kPercent = 100.0;

} // namespace

CMprisService::CMprisService(CPlaybackSession &session, CAppSettings &settings, SMprisHooks hooks, QObject *parent)
    : QObject(parent), m_session(session), m_settings(settings), m_hooks(std::move(hooks)),
      m_pPlayer(new CMprisPlayerAdaptor(*this))
{
    new CMprisRootAdaptor(*this); // a child, as the player's is
    m_clock.start();
    ConnectSession();
}

CMprisService::~CMprisService()
{
    if (!m_bRegistered)
        return;
    m_connection.unregisterService(QString::fromLatin1(kServiceName));
    m_connection.unregisterObject(QString::fromLatin1(kObjectPath));
}

bool CMprisService::Register(const QDBusConnection &connection)
{
    if (m_bRegistered)
        return true;
    if (!connection.isConnected())
        return false;
    QDBusConnection bus(connection);
    const QString path = QString::fromLatin1(kObjectPath);
    if (!bus.registerObject(path, this, QDBusConnection::ExportAdaptors))
        return false;
    // Another program with the name keeps it: the desktop talks to that one.
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        bus.unregisterObject(path);
        return false;
    }
    m_connection = bus;
    m_bRegistered = true;
    m_sent = ChangingProperties();
    Reanchor();
    return true;
}

QString CMprisService::TrackId(int index)
{
    return QStringLiteral("/org/quillmere/track/%1").arg(index);
}

// ---------------------------------------------------------------- what the session tells

void CMprisService::ConnectSession()
{
    const auto post = [this] { PostRefresh(); };
    connect(&m_session, &CPlaybackSession::PlayButtonsChanged, this, post);
    connect(&m_session, &CPlaybackSession::PositionChanged, this, post);
    connect(&m_session, &CPlaybackSession::LengthChanged, this, post);
    connect(&m_session, &CPlaybackSession::CurrentItemChanged, this, post);
    connect(&m_session, &CPlaybackSession::VolumeChanged, this, post);
    connect(&m_session, &CPlaybackSession::TempoChanged, this, post);
    connect(&m_session, &CPlaybackSession::ItemOpened, this,
            [this](const QString &path, const std::optional<IMediaPlayer::SItemDescription> &description) {
                m_strOpenedPath = path;
                m_openedDescription = description;
                PostRefresh();
            });
    connect(&m_session, &CPlaybackSession::EffectsAvailable, this, [this](std::uint32_t sampleRate, bool) {
        m_dwOwnRate = sampleRate;
        PostRefresh();
    });
}

void CMprisService::PostRefresh()
{
    if (!m_bRegistered || std::exchange(m_bRefreshPosted, true))
        return;
    QMetaObject::invokeMethod(
        this, [this] { Refresh(); }, Qt::QueuedConnection);
}

void CMprisService::Refresh()
{
    m_bRefreshPosted = false;
    if (!m_bRegistered)
        return;
    CheckForJump();
    const QVariantMap now = ChangingProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (m_sent.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    m_sent = now;
    if (!changed.isEmpty())
        SendPropertiesChanged(changed);
}

// The position is never announced as it runs; only a jump is, as Seeked.
// Playing on from the last look, at the item's speed, explains a move; a
// stopped item, or another item, has no position to jump from.
void CMprisService::CheckForJump()
{
    const SAnchor last = m_anchor;
    Reanchor();
    if (m_anchor.index != last.index || PlaybackStatus() == QLatin1String("Stopped"))
        return;
    const double elapsed = last.playing ? double(m_anchor.time - last.time) : 0.0;
    const double expected = double(last.position) + elapsed * last.speed;
    if (std::abs(double(m_anchor.position) - expected) > kJumpToleranceMs + elapsed * kDriftPerMs)
        emit m_pPlayer->Seeked(Position());
}

void CMprisService::Reanchor()
{
    m_anchor = {m_session.CurrentIndex(), PositionMs(), Now(), PlaybackStatus() == QLatin1String("Playing"), Speed()};
}

void CMprisService::AnnounceSeek()
{
    Reanchor();
    emit m_pPlayer->Seeked(Position());
}

qint64 CMprisService::Now() const
{
    return m_hooks.now ? m_hooks.now() : m_clock.elapsed();
}

double CMprisService::Speed() const
{
    const STempoChange &tempo = m_session.Tempo();
    double speed = 1.0 + tempo.nTempo / kPercent;
    if (m_dwOwnRate != 0 && tempo.nRate > 0)
        speed *= double(tempo.nRate) / double(m_dwOwnRate);
    return speed;
}

QVariantMap CMprisService::ChangingProperties() const
{
    return {
        {QStringLiteral("PlaybackStatus"), PlaybackStatus()},
        {QStringLiteral("LoopStatus"), LoopStatus()},
        {QStringLiteral("Rate"), Rate()},
        {QStringLiteral("MinimumRate"), MinimumRate()},
        {QStringLiteral("MaximumRate"), MaximumRate()},
        {QStringLiteral("Metadata"), Metadata()},
        {QStringLiteral("Volume"), Volume()},
        {QStringLiteral("CanGoNext"), IsCommandEnabled(IDC_NEXT_ITEM)},
        {QStringLiteral("CanGoPrevious"), IsCommandEnabled(IDC_PREV_ITEM)},
        {QStringLiteral("CanPlay"), IsCommandEnabled(IDC_PLAY_BUTTON)},
        {QStringLiteral("CanPause"), IsCommandEnabled(ID_PLAY_PAUSE)},
        {QStringLiteral("CanSeek"), CanSeek()},
    };
}

void CMprisService::SendPropertiesChanged(const QVariantMap &changed)
{
    QDBusMessage signal =
        QDBusMessage::createSignal(QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    m_connection.send(signal);
}

// ---------------------------------------------------------------- methods

void CMprisService::Raise()
{
    if (m_hooks.raiseWindow)
        m_hooks.raiseWindow();
}

// After the answer has gone: ending may first ask whether to save the text.
void CMprisService::Quit()
{
    if (m_hooks.quit)
        QMetaObject::invokeMethod(
            this, [this] { m_hooks.quit(); }, Qt::QueuedConnection);
}

// From the event loop, after the caller has its answer: a command may ask the
// learner something first (whether to save the text before another item plays),
// and the caller should not wait for that.
void CMprisService::RaiseCommand(unsigned id)
{
    QMetaObject::invokeMethod(
        this,
        [this, id] {
            if (m_hooks.raiseCommand)
                m_hooks.raiseCommand(id);
            else
                m_session.ExecuteIfEnabled(id);
        },
        Qt::QueuedConnection);
}

bool CMprisService::IsCommandEnabled(unsigned id) const
{
    return (m_hooks.queryCommand ? m_hooks.queryCommand(id) : m_session.QueryState(id)).m_bEnabled;
}

// As the position slider: inside an A-B stretch, a time before it plays from its
// start and one past its end is refused. Past the item's end is the next item.
void CMprisService::Seek(qint64 offset)
{
    if (!CanSeek())
        return;
    const qint64 target = std::max<qint64>(0, qint64(PositionMs()) + offset / 1000);
    if (target > qint64(m_session.Player().GetLength())) {
        RaiseCommand(IDC_NEXT_ITEM);
        return;
    }
    m_session.OnPositionScroll(std::uint32_t(target));
    AnnounceSeek();
}

void CMprisService::SetPosition(const QString &trackId, qint64 position)
{
    if (!CanSeek() || trackId != TrackId(m_session.CurrentIndex()) || position < 0 ||
        position / 1000 > qint64(m_session.Player().GetLength()))
        return;
    m_session.OnPositionScroll(std::uint32_t(position / 1000));
    AnnounceSeek();
}

void CMprisService::OpenUri(const QString &uri)
{
    const QString problem = TakeUri(uri);
    if (!problem.isEmpty() && calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, problem);
}

QString CMprisService::TakeUri(const QString &uri)
{
    const QUrl url(uri);
    if (!url.isValid() || !url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
        return QStringLiteral("Only a file on this computer can be opened: %1").arg(uri);
    const QString path = url.toLocalFile();
    if (!QFileInfo(path).isFile())
        return QStringLiteral("No such file: %1").arg(path);
    if (!IsMediaFilePath(path))
        return QStringLiteral("Not a recording Quillmere plays: %1").arg(path);
    if (!m_hooks.playFile)
        return QStringLiteral("This player cannot open files");
    m_hooks.playFile(path);
    return {};
}

// ---------------------------------------------------------------- properties

bool CMprisService::IsItemOpen() const
{
    return m_session.CurrentIndex() != -1 && !m_session.GetCurrentPath().isEmpty();
}

std::uint32_t CMprisService::PositionMs() const
{
    return IsItemOpen() ? m_session.Player().GetPosition() : 0;
}

QString CMprisService::PlaybackStatus() const
{
    const IMediaPlayer &player = m_session.Player();
    if (!IsItemOpen() || player.IsStopped())
        return QStringLiteral("Stopped");
    return player.IsPaused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QString CMprisService::LoopStatus() const
{
    switch (m_settings.Order) {
    case ORDER_REPEAT_ONE: return QStringLiteral("Track");
    case ORDER_REPEAT_LIST: return QStringLiteral("Playlist");
    default: return QStringLiteral("None");
    }
}

// The play order of the menu; the menu's check marks follow.
void CMprisService::SetLoopStatus(const QString &status)
{
    if (status == QLatin1String("None"))
        m_settings.Order = ORDER_IN_TURN;
    else if (status == QLatin1String("Track"))
        m_settings.Order = ORDER_REPEAT_ONE;
    else if (status == QLatin1String("Playlist"))
        m_settings.Order = ORDER_REPEAT_LIST;
    else
        return;
    CCmdTarget::StatesChanged();
    PostRefresh();
}

double CMprisService::Rate() const
{
    return 1.0 + m_session.Tempo().nTempo / kPercent;
}

// The tempo in whole percent; the sample rate and the pitch stay as they are.
// The session takes it only while the item plays. A rate of 0 pauses.
void CMprisService::SetRate(double rate)
{
    if (std::isnan(rate))
        return;
    if (rate <= 0.0) {
        RaiseCommand(IDC_PAUSE_BUTTON);
        return;
    }
    if (rate < MinimumRate() - 1e-9 || rate > MaximumRate() + 1e-9)
        return;
    STempoChange change = m_session.Tempo();
    change.nTempo = std::clamp(int(std::lround((rate - 1.0) * kPercent)), -60, 60);
    m_session.SetTempo(change);
}

// A tracker module plays at its own speed.
double CMprisService::MinimumRate() const
{
    return IsItemOpen() && !m_session.Player().HasTempoControl() ? 1.0 : kMinimumRate;
}

double CMprisService::MaximumRate() const
{
    return IsItemOpen() && !m_session.Player().HasTempoControl() ? 1.0 : kMaximumRate;
}

// The item's file tells its title and performer; a file that tells no title is
// named by its file name, as the window's title does.
QVariantMap CMprisService::Metadata() const
{
    if (!IsItemOpen())
        return {{QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(kNoTrack))}};
    const QString path = m_session.GetCurrentPath();
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(TrackId(m_session.CurrentIndex())))},
        {QStringLiteral("xesam:url"), QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)},
    };
    const bool opened = path == m_strOpenedPath && m_openedDescription.has_value();
    const QString title = opened ? m_openedDescription->track : QString();
    metadata.insert(QStringLiteral("xesam:title"), title.isEmpty() ? QFileInfo(path).completeBaseName() : title);
    if (opened && !m_openedDescription->performer.isEmpty())
        metadata.insert(QStringLiteral("xesam:artist"), QStringList{m_openedDescription->performer});
    if (const std::uint32_t length = opened ? m_session.Player().GetLength() : 0; length != 0)
        metadata.insert(QStringLiteral("mpris:length"), qint64(length) * 1000);
    return metadata;
}

double CMprisService::Volume() const
{
    return m_settings.Volume / 100.0;
}

// As the volume slider would, which then shows it.
void CMprisService::SetVolume(double volume)
{
    if (std::isnan(volume))
        return;
    const int position = std::clamp(int(std::lround(volume * 100.0)), 0, 100);
    m_session.OnVolumeScroll(position);
    emit m_session.VolumeChanged(position);
}

qint64 CMprisService::Position() const
{
    return qint64(PositionMs()) * 1000;
}

bool CMprisService::CanSeek() const
{
    return IsItemOpen() && m_session.Player().GetLength() != 0;
}
