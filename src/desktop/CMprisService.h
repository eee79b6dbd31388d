// The player as the desktop sees it on the session bus: the media-player
// interface under org.mpris.MediaPlayer2.quillmere, so that the desktop's
// media keys, its sound menu and command-line remotes can play, pause, skip,
// seek and read what plays. A transport method raises the same command as
// its key, so that it behaves exactly as the key would; what the session
// tells (play state, item, length, volume, tempo) goes out as property changes.
#pragma once

#include "app/CCmdUI.h"

#include "audio/IMediaPlayer.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <optional>

class CAppSettings;
class CMprisPlayerAdaptor;
class CPlaybackSession;

// What the service cannot do by itself: the window and the application's commands.
struct SMprisHooks {
    // Raises a command as its key would (the main frame's RaiseCommand), and tells a command's state.
    std::function<void(unsigned)> raiseCommand;
    std::function<CCmdUI(unsigned)> queryCommand;
    // Brings the window forward; ends the program. Empty: the desktop is told it cannot.
    std::function<void()> raiseWindow;
    std::function<void()> quit;
    // Takes a local recording into the playlist and plays it.
    std::function<void(const QString &path)> playFile;
    // Milliseconds on a steady clock; empty: the process's own.
    std::function<qint64()> now;
};

// QDBusContext: a call to the interfaces is answered here, the place Qt gives
// their context; OpenUri answers a URI it cannot play with an error.
class CMprisService : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    static constexpr const char *kServiceName = "org.mpris.MediaPlayer2.quillmere";
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";
    static constexpr const char *kPlayerInterface = "org.mpris.MediaPlayer2.Player";
    // The tempo the learner may choose runs from -60 to +60 percent.
    static constexpr double kMinimumRate = 0.4, kMaximumRate = 1.6;

    // The session and the settings must outlive the service.
    CMprisService(CPlaybackSession &session, CAppSettings &settings, SMprisHooks hooks, QObject *parent = nullptr);
    ~CMprisService() override;

    // Puts the player on the bus: false, and nothing else happens, when there is
    // no bus or another program holds the name.
    bool Register(const QDBusConnection &connection = QDBusConnection::sessionBus());
    bool IsRegistered() const { return m_bRegistered; }

    // Reads the state again at once and tells the desktop what changed. The
    // session's signals bring this about by themselves; the window calls it
    // when a command's state may have changed (the play order from the menu,
    // the volume slider, the playlist edited).
    void Refresh();

    // The trackid of the playlist item at index.
    static QString TrackId(int index);

    // What the adaptors read and do, in the interfaces' own units (microseconds, 0..1).
    void Raise();
    void Quit();
    bool CanRaise() const { return bool(m_hooks.raiseWindow); }
    bool CanQuit() const { return bool(m_hooks.quit); }

    void RaiseCommand(unsigned id);
    void Seek(qint64 offset);
    void SetPosition(const QString &trackId, qint64 position);
    void OpenUri(const QString &uri);

    QString PlaybackStatus() const;
    QString LoopStatus() const;
    void SetLoopStatus(const QString &status);
    double Rate() const;
    void SetRate(double rate);
    double MinimumRate() const;
    double MaximumRate() const;
    QVariantMap Metadata() const;
    double Volume() const;
    void SetVolume(double volume);
    qint64 Position() const;
    bool IsCommandEnabled(unsigned id) const;
    bool CanSeek() const;

private:
    // Where the position stood at the last look, to tell a jump from playing on.
    struct SAnchor {
        int index = -1;
        std::uint32_t position = 0;
        qint64 time = 0;
        bool playing = false;
        double speed = 1.0;
    };

    void ConnectSession();
    // An empty text when the file was taken, else why not.
    QString TakeUri(const QString &uri);
    // Many signals in a row bring one look, from the event loop.
    void PostRefresh();
    void CheckForJump();
    void Reanchor();
    void AnnounceSeek();
    qint64 Now() const;
    // How fast the position runs against the clock: tempo and sample rate together.
    double Speed() const;
    std::uint32_t PositionMs() const;
    bool IsItemOpen() const;
    // The properties that may change, each as it goes out.
    QVariantMap ChangingProperties() const;
    void SendPropertiesChanged(const QVariantMap &changed);

    CPlaybackSession &m_session;
    CAppSettings &m_settings;
    SMprisHooks m_hooks;
    CMprisPlayerAdaptor *m_pPlayer = nullptr; // a child of this object
    QDBusConnection m_connection{QString()};
    bool m_bRegistered = false;
    bool m_bRefreshPosted = false;
    QVariantMap m_sent;
    SAnchor m_anchor;
    std::uint32_t m_dwOwnRate = 0; // the open item's own sample rate
    // The item last opened, and what its file tells (none when it did not open).
    QString m_strOpenedPath;
    std::optional<IMediaPlayer::SItemDescription> m_openedDescription;
    QElapsedTimer m_clock; // when no clock is given
};
