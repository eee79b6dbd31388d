// The application: one running copy per user, the profile in the program's
// configuration folder, the settings, the recent-file list, the main window
// with its bars and panes, the dictation document, and the start-up and shutdown orders
// that tie them together. It also handles the application's own commands
// (new document, open media, recent files, about, web page, mail, printer
// set-up).
#pragma once

#include "app/CAppSettings.h"
#include "app/CCmdTarget.h"
#include "app/CIniProfile.h"
#include "app/CRecentFileList.h"
#include "audio/IMediaPlayer.h"
#include "views/IPlaylistHost.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

class CCheckReportDlg;
class CEffectsBar;
class CLesson;
class CPlaybackEngine;
class CPlaybackSession;
class CQtClock;
class CFormatBar;
class CMainFrame;
class CMprisService;
class CPedalListener;
class CPlayerBar;
class CPlaylistView;
class CQtTranslations;
class CQuillmereDoc;
class CQuillmereView;
class CRecoveryKeeper;
class CSelectionView;
class CSingleInstance;
class CTerminationSignals;
class CWidgetPrompt;
class QWidget;

class CQuillmereApp : public QObject, public CCmdTarget, private IPlaylistHost
{
public:
    // profilePath empty: the program's name with ".ini", playlistPath empty:
    // "Playlist.Qpl", both in the program's configuration folder (beside the
    // program when the learner may write there, else ~/.config/quillmere).
    // recoveryDirectory empty: the recovery copies in the learner's state folder.
    explicit CQuillmereApp(const QString &profilePath = QString(), const QString &playlistPath = QString(),
                           const QString &recoveryDirectory = QString());
    ~CQuillmereApp() override;

    // Start-up: false when another copy runs (it has been handed the
    // document path) and the process should end.
    bool InitInstance(const QStringList &arguments, bool singleInstance = true);
    // Shutdown after the main window closed: the playlist file and the
    // profile (settings and recent-file list) are written while the window is
    // still whole, a failure is told to the learner, then the window goes.
    void ExitInstance();

    // From now on SIGINT, SIGTERM and SIGHUP end the program without a
    // question: unsaved text goes to its recovery copy (offered at the next
    // start), and the event loop ends with 0 so that ExitInstance writes the
    // rest. Failures are written to the standard error stream, since nobody
    // may be there to answer a box.
    void EndOnTerminationSignals();
    bool IsEndingOnSignal() const { return m_bEndingOnSignal; }

    // Where a document to open was chosen: from the recent-file list the media
    // file beside it is loaded too.
    enum class EOpenFrom { Elsewhere, RecentList };
    // Opens a dictation document. False when nothing was opened.
    bool OpenDocumentFile(const QString &path, EOpenFrom from = EOpenFrom::Elsewhere);

    CAppSettings &Settings() { return m_settings; }
    CIniProfile &Profile() { return m_profile; }
    CMainFrame &MainFrame() { return *m_pFrame; }
    CPlaybackSession &Session() { return *m_pSession; }
    CPlaybackEngine &Engine() { return *m_pEngine; }
    CLesson &Lesson() { return *m_pLesson; }
    CPlayerBar &PlayerBar() { return *m_pPlayerBar; }
    CEffectsBar &EffectsBar() { return *m_pEffectsBar; }
    CPlaylistView &PlaylistPane() { return *m_pPlaylistView; }
    CSelectionView &SelectionPane() { return *m_pSelectionView; }
    CQuillmereDoc &Document() { return *m_pDocument; }
    CQuillmereView &EditorView() { return *m_pEditorView; }
    CRecoveryKeeper &RecoveryKeeper() { return *m_pRecoveryKeeper; }
    CPedalListener &Pedal() { return *m_pPedal; }
    const CRecentFileList &RecentFiles() const { return m_recentFiles; }
    // The report of the last check; null before the first.
    CCheckReportDlg *CheckReport() const { return m_pCheckReport; }

private:
    void InstallQtTranslations();
    void CreateSession();
    void CreateMainFrame();
    void ShowSessionOutside();
    void CreateEffectsBar();
    void ListenToThePedal();
    void CreateMediaPlayerInterface();
    QWidget *CreateFormatBar();
    void RegisterCommands();
    void WriteStateFiles();
    void OnTerminationSignal();
    void RestorePlaylist();
    void PlayRecording(const QString &path);
    void OnFileNew();
    void OnOpenRecentFile(int index);
    void OnAppAbout();
    void OnPrintSetup();
    void OnSettings();
    void OnCheckDictation();
    void OnLessonSettings();
    void AddToRecentFiles(const QString &path);
    void UpdateWindowTitle();
    void BringToFront(const QString &documentPath);

    void ShowItemDescription(const QString &path, const std::optional<IMediaPlayer::SItemDescription> &description);

    // IPlaylistHost: what the playlist pane asks of the windows around it.
    void SendFrameCommand(unsigned id) override;
    void ResetSelectionList() override;
    void DisableEffects() override;

    QString m_strPlaylistPath;
    QString m_strRecoveryDirectory;
    CIniProfile m_profile;
    CAppSettings m_settings;
    CRecentFileList m_recentFiles;
    std::unique_ptr<CQtTranslations> m_pQtTranslations;
    std::unique_ptr<CWidgetPrompt> m_pPrompt;
    std::unique_ptr<CSingleInstance> m_pSingleInstance;
    std::unique_ptr<CTerminationSignals> m_pTerminationSignals;
    bool m_bEndingOnSignal = false;
    std::unique_ptr<CQuillmereDoc> m_pDocument;
    std::unique_ptr<CRecoveryKeeper> m_pRecoveryKeeper; // watches m_pDocument, so it goes first
    // The session goes before the lesson, the clock and the engine it uses.
    std::unique_ptr<CPlaybackEngine> m_pEngine;
    std::unique_ptr<CQtClock> m_pClock;
    std::unique_ptr<CLesson> m_pLesson;
    std::unique_ptr<CPlaybackSession> m_pSession;
    std::unique_ptr<CMainFrame> m_pFrame;
    std::unique_ptr<CPedalListener> m_pPedal; // raises commands through the frame and steps the session
    std::unique_ptr<CMprisService> m_pMpris;  // the media-player interface on the session bus
    // Owned by the frame's widgets.
    CPlayerBar *m_pPlayerBar = nullptr;
    CEffectsBar *m_pEffectsBar = nullptr;
    CPlaylistView *m_pPlaylistView = nullptr;
    CSelectionView *m_pSelectionView = nullptr;
    CQuillmereView *m_pEditorView = nullptr;
    CFormatBar *m_pFormatBar = nullptr;
    CCheckReportDlg *m_pCheckReport = nullptr;
};
