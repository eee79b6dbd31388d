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
#include "transport/ITransportView.h"
#include "views/IPlaylistHost.h"

#include <QObject>
#include <QStringList>
#include <memory>

class CEffectsBar;
class CFormatBar;
class CMainFrame;
class CPlayerBar;
class CPlaylistView;
class CQtTranslations;
class CQuillmereDoc;
class CQuillmereView;
class CRecoveryKeeper;
class CSelectionView;
class CSingleInstance;
class CTerminationSignals;
class CTransportControl;
class CWidgetPrompt;
class QWidget;

class CQuillmereApp : public QObject, public CCmdTarget, private ITransportView, private IPlaylistHost
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

    // Opens a dictation document; from the recent-file list it also loads the
    // media file beside it. False when nothing was opened.
    bool OpenDocumentFile(const QString &path);

    CAppSettings &Settings() { return m_settings; }
    CIniProfile &Profile() { return m_profile; }
    CMainFrame &MainFrame() { return *m_pFrame; }
    CPlayerBar &PlayerBar() { return *m_pPlayerBar; }
    CEffectsBar &EffectsBar() { return *m_pEffectsBar; }
    CPlaylistView &PlaylistPane() { return *m_pPlaylistView; }
    CSelectionView &SelectionPane() { return *m_pSelectionView; }
    CQuillmereDoc &Document() { return *m_pDocument; }
    CQuillmereView &EditorView() { return *m_pEditorView; }
    CRecoveryKeeper &RecoveryKeeper() { return *m_pRecoveryKeeper; }
    const CRecentFileList &RecentFiles() const { return m_recentFiles; }

    bool m_bFromRecentList = false;

private:
    void InstallQtTranslations();
    void CreateMainFrame();
    void CreateEffectsBar(CTransportControl &control);
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
    void AddToRecentFiles(const QString &path);
    void UpdateWindowTitle();
    void BringToFront(const QString &documentPath);

    // ITransportView: what the control bar shows outside itself.
    void SetPaneText(int pane, const QString &text) override;
    void SetSliderRange(std::uint32_t) override {}
    void SetSliderPos(std::uint32_t) override {}
    void SetSliderSelection(bool, std::uint32_t, std::uint32_t) override {}
    bool IsSliderDragging() const override { return false; }
    void SetButtonCheck(unsigned, bool) override {}
    void SetMuteImage(bool) override {}
    void SetVolumePos(int) override {}
    void FillSelectionList(const std::vector<CSelectionSpan> &rows) override;
    void AddSelection(std::uint32_t start, std::uint32_t end) override;
    void EnableEffectsForRate(std::uint32_t sampleRate, bool tempoAdjustable) override;
    void ShowItemDescription(const QString &path,
                             const std::optional<CPlaybackEngine::SItemDescription> &description) override;
    bool OpenDictationText(int index) override;
    bool SetCurrentItem(int index) override;

    // IPlaylistHost: what the playlist pane asks of the windows around it.
    bool SwitchDocument(const QString &rtfPath) override;
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
    std::unique_ptr<CMainFrame> m_pFrame;
    // Owned by the frame's widgets.
    CPlayerBar *m_pPlayerBar = nullptr;
    CEffectsBar *m_pEffectsBar = nullptr;
    CPlaylistView *m_pPlaylistView = nullptr;
    CSelectionView *m_pSelectionView = nullptr;
    CQuillmereView *m_pEditorView = nullptr;
    CFormatBar *m_pFormatBar = nullptr;
};
