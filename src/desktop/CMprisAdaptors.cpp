#include "desktop/CMprisAdaptors.h"

#include "app/Resource.h"
#include "desktop/CMprisService.h"

CMprisRootAdaptor::CMprisRootAdaptor(CMprisService &service) : QDBusAbstractAdaptor(&service), m_service(service) {}

bool CMprisRootAdaptor::CanQuit() const
{
    return m_service.CanQuit();
}

bool CMprisRootAdaptor::CanRaise() const
{
    return m_service.CanRaise();
}

// The recordings the open-media dialog lists, as the desktop names them.
QStringList CMprisRootAdaptor::SupportedMimeTypes() const
{
    return {QStringLiteral("audio/mpeg"),     QStringLiteral("audio/mp2"),          QStringLiteral("audio/mp4"),
            QStringLiteral("audio/ogg"),      QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/x-wav"),
            QStringLiteral("audio/vnd.wave"), QStringLiteral("audio/x-aiff"),       QStringLiteral("audio/x-ms-wma"),
            QStringLiteral("audio/x-mod")};
}

void CMprisRootAdaptor::Raise()
{
    m_service.Raise();
}

void CMprisRootAdaptor::Quit()
{
    m_service.Quit();
}

CMprisPlayerAdaptor::CMprisPlayerAdaptor(CMprisService &service) : QDBusAbstractAdaptor(&service), m_service(service) {}

QString CMprisPlayerAdaptor::PlaybackStatus() const
{
    return m_service.PlaybackStatus();
}

QString CMprisPlayerAdaptor::LoopStatus() const
{
    return m_service.LoopStatus();
}

void CMprisPlayerAdaptor::SetLoopStatus(const QString &status)
{
    m_service.SetLoopStatus(status);
}

double CMprisPlayerAdaptor::Rate() const
{
    return m_service.Rate();
}

void CMprisPlayerAdaptor::SetRate(double rate)
{
    m_service.SetRate(rate);
}

QVariantMap CMprisPlayerAdaptor::Metadata() const
{
    return m_service.Metadata();
}

double CMprisPlayerAdaptor::Volume() const
{
    return m_service.Volume();
}

void CMprisPlayerAdaptor::SetVolume(double volume)
{
    m_service.SetVolume(volume);
}

qlonglong CMprisPlayerAdaptor::Position() const
{
    return m_service.Position();
}

double CMprisPlayerAdaptor::MinimumRate() const
{
    return m_service.MinimumRate();
}

double CMprisPlayerAdaptor::MaximumRate() const
{
    return m_service.MaximumRate();
}

bool CMprisPlayerAdaptor::CanGoNext() const
{
    return m_service.IsCommandEnabled(IDC_NEXT_ITEM);
}

bool CMprisPlayerAdaptor::CanGoPrevious() const
{
    return m_service.IsCommandEnabled(IDC_PREV_ITEM);
}

bool CMprisPlayerAdaptor::CanPlay() const
{
    return m_service.IsCommandEnabled(IDC_PLAY_BUTTON);
}

// Play and pause both go through F1's command, which any open item takes.
bool CMprisPlayerAdaptor::CanPause() const
{
    return m_service.IsCommandEnabled(ID_PLAY_PAUSE);
}

bool CMprisPlayerAdaptor::CanSeek() const
{
    return m_service.CanSeek();
}

void CMprisPlayerAdaptor::Next()
{
    m_service.RaiseCommand(IDC_NEXT_ITEM);
}

void CMprisPlayerAdaptor::Previous()
{
    m_service.RaiseCommand(IDC_PREV_ITEM);
}

void CMprisPlayerAdaptor::Pause()
{
    m_service.RaiseCommand(IDC_PAUSE_BUTTON);
}

void CMprisPlayerAdaptor::PlayPause()
{
    m_service.RaiseCommand(ID_PLAY_PAUSE);
}

void CMprisPlayerAdaptor::Stop()
{
    m_service.RaiseCommand(IDC_STOP);
}

void CMprisPlayerAdaptor::Play()
{
    m_service.RaiseCommand(IDC_PLAY_BUTTON);
}

void CMprisPlayerAdaptor::Seek(qlonglong Offset)
{
    m_service.Seek(Offset);
}

void CMprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    m_service.SetPosition(TrackId.path(), Position);
}

void CMprisPlayerAdaptor::OpenUri(const QString &Uri)
{
    m_service.OpenUri(Uri);
}
