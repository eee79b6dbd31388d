// The one top-level window: menus, shortcuts and toolbar built from the
// command table, the status bar with its nine panes, the splitters that hold
// the four panes, and the order in which commands are offered to the bars and
// panes (effects bar, control bar, selection pane, active view, document,
// frame, application).
#pragma once

#include "app/CCmdTarget.h"

#include <QMainWindow>
#include <functional>
#include <map>
#include <vector>

class CAppSettings;
class CIniProfile;
class QDockWidget;
class QLabel;
class QSystemTrayIcon;
class QMenu;
class QSplitter;
class QToolBar;

class CMainFrame : public QMainWindow, public CCmdTarget
{
public:
    // The routing slots, in the order commands are offered to them.
    enum ERouteSlot { EffectsBar, ControlBar, SelectionPane, ActiveView, Document, Application, kSlotCount };

    // The profile keeps the window's placement and the bars' layout.
    CMainFrame(CAppSettings &settings, CIniProfile &profile, QWidget *parent = nullptr);
    ~CMainFrame() override;

    // Installs (or with null removes) the target of a routing slot; not owned.
    void SetRouteTarget(ERouteSlot slot, CCmdTarget *target);

    bool OnCmdMsg(unsigned id, CCmdUI *pCmdUI) override;

    // Raises a command as a menu item or a shortcut would: it runs only when
    // its update handler enables it.
    bool RaiseCommand(unsigned id);

    // Status-bar panes by index: 0 prompts, 1 line, 2-4 lock keys, 5 and 6 the
    // selection, 7 bit rate, 8 position and length. Panes 7 and 8 take the
    // width of their text.
    void SetPaneText(int index, const QString &text);
    QString PaneText(int index) const;

    // The four pane places: selection list and playlist above, format bar and
    // editor below.
    void SetPanes(QWidget *selectionPane, QWidget *playlistPane, QWidget *formatBar, QWidget *editor);

    // The player control bar (docked at the bottom, or the top) and the
    // effects bar's contents (docked at the left, or the right).
    void SetControlBar(QWidget *controlBar);
    void SetEffectsBar(QWidget *effectsBar);
    QDockWidget *ControlBarDock() const { return m_pControlDock; }
    QDockWidget *EffectsBarDock() const { return m_pEffectsDock; }
    QToolBar *ToolBar() const { return m_pToolBar; }

    // Where ID_MEDIA_PROPERTIES goes, and whether an item is loaded (the
    // command is enabled only then).
    void SetMediaPropertiesTarget(CCmdTarget *playlistPane, std::function<bool()> hasCurrentItem);
    // Files dropped on the window, in the order they came.
    void SetDropHandler(std::function<void(const QStringList &)> handler);

    // Asked before the window closes (the dictation document's save question).
    void SetCloseCheck(std::function<bool()> canClose);

    // Shows the window as it was left: the stored placement and bar layout,
    // or the default layout on a first run.
    void ShowAsLeft();
    // Puts the window's placement and the bars' layout into the profile.
    void SaveLayout();
    // Keeps the window above all others, or lets it go.
    void SetAlwaysOnTop(bool onTop);
    // The recent-file entries of the File menu, newest first; they raise
    // ID_FILE_MRU_FILE1 and the following numbers. With none, the menu shows
    // its disabled placeholder.
    void SetRecentFiles(const QStringList &paths);

    // Removes the notification-area icon (when minimising to it is switched off).
    void RemoveTrayIcon();
    bool IsInTray() const { return m_bInTray; }
    // Shows the window in front of all others: back from the tray (its icon
    // goes) or from the task bar, as it was before.
    void BringToFront();
    bool IsTrayIconShown() const;
    // Whether the desktop has a notification area: the platform's answer,
    // unless replaced (a test on a display without one).
    void SetTrayAvailability(std::function<bool()> available) { m_trayAvailable = std::move(available); }

    // Runs with every update of the command states (the control bar's buttons).
    void AddStateUpdater(std::function<void()> updater);

    // Brings every toolbar button's state up to date from the update handlers;
    // runs when a command has run, and when the program goes idle after
    // something said that states may have changed (CCmdTarget::StatesChanged).
    void UpdateCommandStates();

    // The action a menu item, the toolbar or a shortcut of the command uses
    // (null for a command the tables do not bind).
    QAction *CommandAction(unsigned id) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    QAction *ActionFor(unsigned id);
    void BuildMenus();
    QMenu *BuildMenu(QMenu *menu, const std::vector<struct SMenuEntry> &entries);
    void UpdateMenu(QMenu *menu);
    void BuildAccelerators();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildSplitters();
    void ShowPrompt(unsigned id);
    void UpdateLockPanes();
    void UpdateLinePane();
    void ShowInPane(QLabel &pane, const QString &text);
    void KeepRoomForPanes();
    static bool ChangesLockState(const QEvent &event);
    static bool IsUserInput(const QEvent &event);
    void OnIdle();
    QDockWidget *CreateDock(const QString &title, const QString &name, Qt::DockWidgetAreas allowed,
                            Qt::DockWidgetArea area);
    void RegisterFrameCommands();
    void ToggleDock(QDockWidget *dock);
    static void SetDockContent(QDockWidget *dock, QWidget *content);
    void SaveWindowPlacement();
    bool RestoreWindowPlacement();
    void SaveBarLayout();
    void RestoreBarLayout();
    void MinimiseToTray();
    void RestoreFromTray();
    void OnTrayMenu(unsigned id);
    bool ClaimsShortcut(const class QKeyEvent &event) const;

    CAppSettings &m_settings;
    CIniProfile &m_profile;
    QDockWidget *m_pControlDock = nullptr;
    QDockWidget *m_pEffectsDock = nullptr;
    QSystemTrayIcon *m_pTrayIcon = nullptr;
    bool m_bInTray = false;
    bool m_bLockStateStale = true; // the lock panes are read at the first idle moment
    // The notice count the buttons were last brought up to date at; one short
    // of the count at the start, so the first idle moment brings them up.
    unsigned m_nStatesSeen = CCmdTarget::StatesChangeCount() - 1;
    CCmdTarget *m_pMediaPropertiesTarget = nullptr;
    QAction *m_pRecentPlaceholder = nullptr;
    std::vector<QAction *> m_recentItems;
    std::function<bool()> m_hasCurrentItem;
    std::function<bool()> m_canClose;
    std::function<bool()> m_trayAvailable;
    std::function<void(const QStringList &)> m_onDrop;
    std::vector<std::function<void()>> m_stateUpdaters;
    CCmdTarget *m_routes[kSlotCount] = {};
    std::map<unsigned, QAction *> m_actions;
    std::vector<std::pair<QKeySequence, unsigned>> m_accelerators;
    QToolBar *m_pToolBar = nullptr;
    std::vector<QLabel *> m_panes; // indexes 1 to 8; pane 0 is the status bar's message
    QSplitter *m_pOuterSplitter = nullptr;
    QSplitter *m_pUpperSplitter = nullptr;
    QSplitter *m_pLowerSplitter = nullptr;
};
