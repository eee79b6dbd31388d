#include "frame/CQuillmereApp.h"

#include "app/CStringTable.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "audio/CPlaybackEngine.h"
#include "base/CFileError.h"
#include "base/CPrompt.h"
#include "base/MediaPaths.h"
#include "base/ModulePath.h"
#include "desktop/CInputDevices.h"
#include "desktop/CMprisService.h"
#include "desktop/CPedalListener.h"
#include "editor/CQuillmereDoc.h"
#include "frame/CAboutDlg.h"
#include "frame/CCheckReportDlg.h"
#include "frame/CEffectsBar.h"
#include "frame/CEffectsPanel.h"
#include "frame/CLessonSettingsDlg.h"
#include "frame/CMainFrame.h"
#include "frame/CRecoveryKeeper.h"
#include "frame/CSettingsDlg.h"
#include "frame/CSingleInstance.h"
#include "frame/CTerminationSignals.h"
#include "frame/CWidgetPrompt.h"
#include "lists/CPlaylist.h"
#include "session/CLesson.h"
#include "session/CPlaybackSession.h"
#include "session/CQtClock.h"
#include "transport/CPlayerBar.h"
#include "views/CFormatBar.h"
#include "views/CPlaylistView.h"
#include "views/CQuillmereView.h"
#include "views/CSelectionView.h"
#include "widgets/CQtTranslations.h"
#include "widgets/CToolBarFormView.h"
#include "widgets/FontFaces.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QUrl>
#include <algorithm>
#include <cstdio>

namespace
{

// The profile keeps the program's name with ".ini" ("quillmere.ini"), in the
// program's configuration folder.
QString DefaultProfilePath()
{
    return ConfigFilePath(QFileInfo(ProfilePathForProgram(ModuleFilePath())).fileName());
}

// The window title of a media item: track name and performer with every two
// spaces in a row removed, then the program's name. A recording tagged with
// neither is named by its file.
QString MediaTitle(const IMediaPlayer::SItemDescription &description, const QString &path)
{
    QString title = QFileInfo(path).fileName();
    if (!description.track.isEmpty() || !description.performer.isEmpty()) {
        title = description.track + QStringLiteral(" - ") + description.performer;
        title.remove(QStringLiteral("  "));
    }
    return title + QStringLiteral(" - ") + ResStringField(IDR_MAINFRAME, 0);
}

// "64Kbps" from a bit rate of 64000 bits per second: the number without its
// last three digits.
QString BitRateText(qint64 bitsPerSecond)
{
    const QString digits = QString::number(bitsPerSecond);
    return digits.left(std::max<qsizetype>(0, digits.size() - 3)) + QStringLiteral("Kbps");
}

} // namespace

CQuillmereApp::CQuillmereApp(const QString &profilePath, const QString &playlistPath, const QString &recoveryDirectory)
    : m_strPlaylistPath(playlistPath.isEmpty() ? PlaylistFilePath() : playlistPath),
      m_strRecoveryDirectory(recoveryDirectory.isEmpty() ? CRecoveryStore::DefaultDirectory() : recoveryDirectory),
      m_profile(profilePath.isEmpty() ? DefaultProfilePath() : profilePath),
      m_pPrompt(std::make_unique<CWidgetPrompt>())
{
    RegisterCommands();
}

CQuillmereApp::~CQuillmereApp()
{
    m_pFrame.reset();
    if (&Prompt() == m_pPrompt.get())
        SetPrompt(nullptr);
}

bool CQuillmereApp::InitInstance(const QStringList &arguments, bool singleInstance)
{
    // Made absolute here: a copy already running has another working folder.
    const QString documentPath = arguments.size() > 1 ? QFileInfo(arguments.at(1)).absoluteFilePath() : QString();
    if (singleInstance) {
        m_pSingleInstance = std::make_unique<CSingleInstance>();
        if (!m_pSingleInstance->Claim(documentPath))
            return false;
        m_pSingleInstance->SetActivationHandler([this](const QString &path) { BringToFront(path); });
    }
    InstallQtTranslations();
    // Real dialogs, unless a prompt (a test's) is already in force.
    if (CPrompt *previous = SetPrompt(m_pPrompt.get()); previous != nullptr)
        SetPrompt(previous);
    m_recentFiles.ReadList(m_profile);
    m_settings.Load(m_profile);
    // Transcripts name Windows faces ("Arial", "宋体"); installed families draw them.
    RegisterFaceSubstitutes();
    CreateMainFrame();
    // A recording on the command line replaces the playlist and plays; any
    // other file opens as the dictation document once the playlist's item has
    // opened its own, so that it stays.
    m_pDocument->OnNewDocument();
    m_pFrame->ShowAsLeft();
    // Text a killed run left behind is offered before the playlist's item
    // opens its own transcript.
    m_pRecoveryKeeper->OfferCopies();
    if (IsMediaFilePath(documentPath)) {
        PlayRecording(documentPath);
        return true;
    }
    RestorePlaylist();
    if (!documentPath.isEmpty())
        OpenDocumentFile(documentPath);
    return true;
}

// As 文件 → 打开媒体 with the one recording: a new document first (after the
// save question), then the recording alone in the playlist, playing.
void CQuillmereApp::PlayRecording(const QString &path)
{
    m_pFrame->RaiseCommand(ID_FILE_NEW);
    m_pSession->ExecuteIfEnabled(IDC_STOP);
    m_pSession->SetCurrentIndex(-1);
    CPlaylist &playlist = m_pPlaylistView->Playlist();
    playlist.RemoveAll();
    playlist.Add(path);
    m_settings.PlaylistIndex = 0;
    m_pPlaylistView->FillList();
}

// Qt's own dialogs and menus speak the interface's language too; without the
// translations they stay in English, which is worth a line but no more.
void CQuillmereApp::InstallQtTranslations()
{
    m_pQtTranslations = std::make_unique<CQtTranslations>();
    if (!m_pQtTranslations->IsInstalled())
        std::fprintf(stderr, "%s\n", qPrintable(m_pQtTranslations->Problem()));
}

// The engine starts the audio runtime on its own thread while the window is built.
void CQuillmereApp::CreateSession()
{
    m_pEngine = std::make_unique<CPlaybackEngine>();
    m_pClock = std::make_unique<CQtClock>();
    m_pLesson = std::make_unique<CLesson>(*m_pDocument);
    m_pSession = std::make_unique<CPlaybackSession>(m_settings, *m_pEngine, *m_pClock, *m_pLesson);
    connect(m_pLesson.get(), &CLesson::TextSwitched, this, [this](const QString &rtfPath) {
        if (!rtfPath.isEmpty())
            AddToRecentFiles(rtfPath);
    });
}

void CQuillmereApp::CreateMainFrame()
{
    m_pDocument = std::make_unique<CQuillmereDoc>();
    m_pRecoveryKeeper = std::make_unique<CRecoveryKeeper>(*m_pDocument, m_strRecoveryDirectory);
    CreateSession();
    m_pFrame = std::make_unique<CMainFrame>(m_settings, m_profile);
    m_pPrompt->SetOwner(m_pFrame.get());
    m_pPlayerBar = new CPlayerBar(*m_pSession);
    m_pFrame->SetControlBar(m_pPlayerBar);
    CreateEffectsBar();
    ShowSessionOutside();
    m_pSession->InitDialog();
    CPlaybackSession &session = *m_pSession;
    m_pPlaylistView = new CPlaylistView(m_settings, session, *this, m_strPlaylistPath);
    m_pSelectionView = new CSelectionView(m_settings, session);
    m_pEditorView = new CQuillmereView(*m_pDocument);
    m_pEditorView->SetAutoSaveMinutesSource([this] { return m_settings.AutoSave; });
    m_pEditorView->SetPlaybackLink([&session] { return session.PlayingPosition(); },
                                   [&session](std::uint32_t milliseconds) { session.PlayFrom(milliseconds); });
    m_pFrame->SetPanes(m_pSelectionView, m_pPlaylistView, CreateFormatBar(), m_pEditorView);

    m_pFrame->SetRouteTarget(CMainFrame::ControlBar, &session);
    m_pFrame->SetRouteTarget(CMainFrame::SelectionPane, m_pSelectionView);
    m_pFrame->SetRouteTarget(CMainFrame::ActiveView, m_pEditorView);
    m_pFrame->SetRouteTarget(CMainFrame::Application, this);
    m_pEditorView->SetCommandRouting([this](unsigned id) { m_pFrame->RaiseCommand(id); },
                                     [this](unsigned id) { return m_pFrame->QueryState(id); });
    m_pPlayerBar->SetCommandRouting([this](unsigned id) { m_pFrame->RaiseCommand(id); },
                                    [this](unsigned id) { return m_pFrame->QueryState(id); });
    m_pFrame->AddStateUpdater([this] {
        if (m_pPlayerBar != nullptr)
            m_pPlayerBar->UpdateButtonStates();
    });
    m_pFrame->SetMediaPropertiesTarget(m_pPlaylistView, [&session] { return session.CurrentIndex() != -1; });
    m_pFrame->SetCloseCheck([this] { return m_pDocument->CanCloseFrame(); });
    m_pFrame->SetRecentFiles(m_recentFiles.Paths());
    ListenToThePedal();
    CreateMediaPlayerInterface();

    // Opened, recovered, saved or modified: the save commands may change.
    m_pDocument->SetStateChangedHandler([this] {
        UpdateWindowTitle();
        CCmdTarget::StatesChanged();
    });
    // Dropped files are opened one by one as dictation documents.
    m_pFrame->SetDropHandler([this](const QStringList &paths) {
        for (const QString &path : paths)
            OpenDocumentFile(path);
    });
}

// The format bar in its form above the editor: its buttons' commands and
// their states go to the editor first, and its lists follow the editor's
// selection whenever the program goes idle.
QWidget *CQuillmereApp::CreateFormatBar()
{
    auto *form = new CToolBarFormView;
    form->SetViewTarget(m_pEditorView);
    form->SetOuterRoute(m_pFrame.get());
    m_pFormatBar = new CFormatBar;
    m_pFormatBar->SetEditor(m_pEditorView);
    m_pFormatBar->SetCommandRouting([form](unsigned id) { form->ExecuteIfEnabled(id); },
                                    [form](unsigned id) { return form->QueryState(id); });
    form->SetToolBar(m_pFormatBar);
    m_pFrame->AddStateUpdater([this] {
        if (m_pFormatBar != nullptr)
            m_pFormatBar->OnUpdateCmdUI();
    });
    return form;
}

void CQuillmereApp::RestorePlaylist()
{
    ReportFailure(m_pPlaylistView->LoadPlaylist());
    if (m_pPlaylistView->Playlist().GetCount() == 0)
        return;
    // The remembered item is loaded and stopped, not played.
    if (m_pPlaylistView->FillList())
        m_pSession->ExecuteIfEnabled(IDC_STOP);
}

// The pedal's middle raises play and pause as the keys do; the side pedals step the
// playing position, within the item.
void CQuillmereApp::ListenToThePedal()
{
    m_pPedal = std::make_unique<CPedalListener>(
        *m_pClock, [this](unsigned id) { m_pFrame->RaiseCommand(id); },
        [this](int deltaMs) {
            const std::optional<std::uint32_t> position = m_pSession->PlayingPosition();
            if (!position)
                return;
            const qint64 target =
                std::clamp<qint64>(qint64(*position) + deltaMs, 0, qint64(m_pSession->Player().GetLength()));
            m_pSession->OnPositionScroll(std::uint32_t(target));
        });
    connect(m_pPedal.get(), &CPedalListener::ProblemReported, m_pFrame.get(),
            [this](const QString &text) { m_pFrame->SetPaneText(PANE_MESSAGE, text); });
    m_pPedal->Configure(m_settings);
}

// Media keys, desktop widgets and remotes reach the program through the session bus
// and raise the commands the keys raise; without a bus the program runs as before.
void CQuillmereApp::CreateMediaPlayerInterface()
{
    SMprisHooks hooks;
    hooks.raiseCommand = [this](unsigned id) { m_pFrame->RaiseCommand(id); };
    hooks.queryCommand = [this](unsigned id) { return m_pFrame->QueryState(id); };
    hooks.raiseWindow = [this] { m_pFrame->BringToFront(); };
    hooks.quit = [this] { m_pFrame->RaiseCommand(ID_APP_EXIT); };
    hooks.playFile = [this](const QString &path) { PlayRecording(path); };
    m_pMpris = std::make_unique<CMprisService>(*m_pSession, m_settings, std::move(hooks));
    // Changes no session signal tells of: the play order, playlist edits.
    m_pFrame->AddStateUpdater([this] {
        if (m_pMpris != nullptr)
            m_pMpris->Refresh();
    });
    m_pMpris->Register();
}

// The effects bar sends the panel's values to the session, takes the scroll
// commands first, and applies a tempo set while nothing played as soon as
// something does.
void CQuillmereApp::CreateEffectsBar()
{
    m_pEffectsBar = new CEffectsBar(*m_pSession);
    m_pFrame->SetEffectsBar(m_pEffectsBar);
    m_pFrame->SetRouteTarget(CMainFrame::EffectsBar, m_pEffectsBar);
    m_pEffectsBar->SetCommandRaiser([this](unsigned id) { m_pFrame->RaiseCommand(id); });
    connect(m_pSession.get(), &CPlaybackSession::PlaybackStarted, &m_pEffectsBar->Panel(),
            &CEffectsPanel::ApplyPendingTempo);
    connect(m_pSession.get(), &CPlaybackSession::EffectsAvailable, m_pEffectsBar, &CEffectsBar::EnableForRate);
}

// What the session tells beyond the control bar: the status panes, and the
// title bar and bit-rate pane of the item just opened.
void CQuillmereApp::ShowSessionOutside()
{
    connect(m_pSession.get(), &CPlaybackSession::PaneTextChanged, m_pFrame.get(), &CMainFrame::SetPaneText);
    connect(m_pSession.get(), &CPlaybackSession::ItemOpened, this,
            [this](const QString &path, const std::optional<IMediaPlayer::SItemDescription> &description) {
                ShowItemDescription(path, description);
            });
}

void CQuillmereApp::ExitInstance()
{
    // Written before anything is torn down: a box that tells of a failure
    // then stands over a whole window, never inside a destructor.
    WriteStateFiles();
    m_pPlayerBar = nullptr;
    m_pEffectsBar = nullptr;
    m_pPlaylistView = nullptr;
    m_pSelectionView = nullptr;
    m_pEditorView = nullptr;
    m_pFormatBar = nullptr;
    m_pCheckReport = nullptr;
    m_pPedal.reset();
    m_pMpris.reset();
    m_pFrame.reset();
    m_pSession.reset();
    m_pEngine.reset(); // releases the audio runtime
    // A closed window closed only after the text was saved or discarded; a
    // signal leaves the recovery copy for the next start.
    if (!m_bEndingOnSignal)
        m_pRecoveryKeeper->DiscardCopy();
}

void CQuillmereApp::WriteStateFiles()
{
    m_pSession->RememberCurrentItem();
    ReportFailure(m_pPlaylistView->SavePlaylist());
    m_recentFiles.WriteList(m_profile);
    ReportFailure(m_settings.Save(m_profile));
}

void CQuillmereApp::EndOnTerminationSignals()
{
    m_pTerminationSignals = std::make_unique<CTerminationSignals>([this](int) { OnTerminationSignal(); });
}

void CQuillmereApp::OnTerminationSignal()
{
    if (std::exchange(m_bEndingOnSignal, true))
        return;
    SetPrompt(nullptr); // the standard error stream, which answers by itself
    if (m_pRecoveryKeeper != nullptr)
        m_pRecoveryKeeper->WriteCopyNow();
    if (m_pFrame != nullptr)
        m_pFrame->SaveLayout();
    // Every loop ends, a question's too: it counts as cancelled.
    QCoreApplication::exit(0);
}

void CQuillmereApp::RegisterCommands()
{
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { m_pPlaylistView->OnCmdMsg(ID_FILE_OPEN, nullptr); });
    for (int i = 0; i < CRecentFileList::kMaxEntries; ++i)
        OnCommand(
            ID_FILE_MRU_FILE1 + static_cast<unsigned>(i), [this, i] { OnOpenRecentFile(i); },
            [this, i](CCmdUI &ui) { ui.Enable(i < m_recentFiles.Paths().size()); });
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    OnCommand(ID_HELP_WEBSITE, [] { QDesktopServices::openUrl(QUrl(QStringLiteral(QUILLMERE_WEBSITE))); });
    OnCommand(ID_HELP_MAIL, [] { QDesktopServices::openUrl(QUrl(QStringLiteral(QUILLMERE_MAIL))); });
    OnCommand(ID_FILE_PRINT_SETUP, [this] { OnPrintSetup(); });
    OnCommand(ID_SETTINGS, [this] { OnSettings(); });
    OnCommand(ID_LESSON_SETTINGS, [this] { OnLessonSettings(); });
    OnCommand(
        ID_CHECK_DICTATION, [this] { OnCheckDictation(); },
        [this](CCmdUI &ui) { ui.Enable(m_pSession != nullptr && m_pSession->CurrentIndex() != -1); });
}

// The transcript against the reference: the report window opens, or is brought up
// to date, beside the editor, which keeps the focus.
void CQuillmereApp::OnCheckDictation()
{
    if (!m_pLesson->HasReference()) {
        Prompt().MessageBox(QStringLiteral("这个录音没有参考文本，无法检查。\n"
                                           "在录音旁边放一个带文字的同名 .lrc 文件、字幕文件（.srt 或 .vtt）"
                                           "或文本文件（.txt），就可以检查听写。"),
                            CPrompt::MB_OK | CPrompt::MB_ICONINFORMATION);
        return;
    }
    QString problem;
    const SCheckReport report = m_pLesson->Check(&problem);
    if (m_pCheckReport == nullptr) {
        m_pCheckReport = new CCheckReportDlg(m_pFrame.get());
        connect(m_pCheckReport, &CCheckReportDlg::StretchChosen, this,
                [this](std::uint32_t start, std::uint32_t end) { m_pSession->PlaySelection(start, end); });
    }
    m_pCheckReport->ShowReport(report);
    m_pCheckReport->show();
    m_pFrame->SetPaneText(PANE_MESSAGE, problem);
}

void CQuillmereApp::OnFileNew()
{
    if (m_pDocument->SaveModified())
        m_pDocument->OnNewDocument();
}

bool CQuillmereApp::OpenDocumentFile(const QString &path, EOpenFrom from)
{
    if (from == EOpenFrom::RecentList && QFileInfo::exists(path)) {
        const QString media = FindRelatedMediaFile(path);
        if (media.isEmpty()) {
            Prompt().MessageBox(QStringLiteral("没有相关的媒体文件!"), CPrompt::MB_OK | CPrompt::MB_ICONEXCLAMATION);
            return false;
        }
        CPlaylist &playlist = m_pPlaylistView->Playlist();
        playlist.RemoveAll();
        playlist.Add(media);
        m_settings.PlaylistIndex = 0;
        m_pPlaylistView->FillList();
    }
    if (!m_pDocument->SaveModified())
        return false;
    if (!m_pDocument->OnOpenDocument(path))
        return false;
    AddToRecentFiles(path);
    return true;
}

void CQuillmereApp::OnOpenRecentFile(int index)
{
    const QString path = m_recentFiles.Paths().value(index);
    if (!OpenDocumentFile(path, EOpenFrom::RecentList)) {
        m_recentFiles.Remove(index);
        m_pFrame->SetRecentFiles(m_recentFiles.Paths());
    }
}

void CQuillmereApp::AddToRecentFiles(const QString &path)
{
    m_recentFiles.Add(QFileInfo(path).absoluteFilePath());
    m_pFrame->SetRecentFiles(m_recentFiles.Paths());
}

void CQuillmereApp::OnAppAbout()
{
    CAboutDlg about(m_pFrame.get());
    about.exec();
}

void CQuillmereApp::OnPrintSetup()
{
    // The editor prints on the printer set up here.
    QPageSetupDialog dialog(&m_pEditorView->Printer(), m_pFrame.get());
    dialog.exec();
}

// The four values of the dialog take effect at once after OK: the window's
// layer, the editor's auto-save period (counted afresh from now) and the
// notification-area icon; the move step is read at the next nudge.
void CQuillmereApp::OnSettings()
{
    CSettingsDlg dialog(m_settings, m_pFrame.get());
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.StoreInto(m_settings);
    m_pPedal->Configure(m_settings);
    CCmdTarget::StatesChanged();
    m_pFrame->SetAlwaysOnTop(m_settings.AlwaysTop);
    if (m_settings.AutoSave != 0)
        m_pEditorView->RestartAutoSave();
    else
        m_pEditorView->StopAutoSave();
    if (!m_settings.MinimizeToTray)
        m_pFrame->RemoveTrayIcon();
}

// The stretch lengths hold from the next cut; the pedal is opened again at once.
void CQuillmereApp::OnLessonSettings()
{
    QList<QPair<QString, QString>> devices;
    for (const SInputDevice &device : CInputDevices().List())
        devices.append({device.Label(), device.Id()});
    CLessonSettingsDlg dialog(m_settings, devices, m_pFrame.get());
    if (dialog.exec() != QDialog::Accepted)
        return;
    dialog.StoreInto(m_settings);
    m_pPedal->Configure(m_settings);
}

void CQuillmereApp::UpdateWindowTitle()
{
    m_pFrame->setWindowTitle(m_pDocument->GetTitle() + QStringLiteral(" - ") + ResStringField(IDR_MAINFRAME, 0));
}

void CQuillmereApp::BringToFront(const QString &documentPath)
{
    m_pFrame->BringToFront();
    if (IsMediaFilePath(documentPath))
        PlayRecording(documentPath);
    else if (!documentPath.isEmpty())
        OpenDocumentFile(documentPath);
}

void CQuillmereApp::ResetSelectionList()
{
    m_pSelectionView->ResetList();
}

void CQuillmereApp::DisableEffects()
{
    if (m_pEffectsBar != nullptr)
        m_pEffectsBar->Panel().DisableAll();
}

void CQuillmereApp::SendFrameCommand(unsigned id)
{
    m_pFrame->RaiseCommand(id);
}

void CQuillmereApp::ShowItemDescription(const QString &path,
                                        const std::optional<IMediaPlayer::SItemDescription> &description)
{
    m_pFrame->setWindowTitle(MediaTitle(description.value_or(IMediaPlayer::SItemDescription()), path));
    m_pFrame->SetPaneText(PANE_BITRATE, description ? BitRateText(description->bitRate) : QString());
}
