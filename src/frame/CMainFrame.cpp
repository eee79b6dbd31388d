#include "frame/CMainFrame.h"

#include "app/CAppSettings.h"
#include "app/CCommandTable.h"
#include "app/CIniProfile.h"
#include "app/CStringTable.h"
#include "app/CWindowPlacement.h"
#include "app/Resource.h"
#include "app/StatusPanes.h"
#include "frame/CLockKeys.h"
#include "widgets/CommandIcons.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>

namespace
{

constexpr unsigned kPaneIndicators[] = {ID_INDICATOR_LINE,    ID_INDICATOR_CAPS,      ID_INDICATOR_NUM,
                                        ID_INDICATOR_SCRL,    ID_INDICATOR_SEL_START, ID_INDICATOR_SEL_END,
                                        ID_INDICATOR_BITRATE, ID_INDICATOR_TIME,      ID_INDICATOR_DRILL};
constexpr int kFormatBarHeight = 25;
constexpr QSize kFirstRunSize(960, 680);
constexpr int kMinUpperRowHeight = 140;
constexpr int kMinSelectionWidth = 150;
const QString kSettingsSection = QStringLiteral("Settings");
const QString kWindowPosKey = QStringLiteral("WindowPos");
const QString kDockStateSection = QStringLiteral("DockState");
const QString kDockStateKey = QStringLiteral("Layout");
// The frame's own version of the bar layout: a layout of another version is ignored.
constexpr int kDockStateVersion = 1;

QKeySequence KeysOf(const QKeyEvent &event)
{
    return QKeySequence(event.keyCombination());
}

} // namespace

CMainFrame::CMainFrame(CAppSettings &settings, CIniProfile &profile, QWidget *parent)
    : QMainWindow(parent), m_settings(settings), m_profile(profile),
      m_trayAvailable(&QSystemTrayIcon::isSystemTrayAvailable)
{
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(ResStringField(IDR_MAINFRAME, 0));
    setWindowIcon(ProgramIcon());
    BuildMenus();
    BuildAccelerators();
    BuildToolBar();
    m_pControlDock = CreateDock(CommandTable::PlainMenuText(ID_VIEW_CONTROLBAR), QStringLiteral("ControlBar"),
                                Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea, Qt::BottomDockWidgetArea);
    m_pEffectsDock = CreateDock(CommandTable::PlainMenuText(ID_VIEW_EFFECTSBAR), QStringLiteral("EffectsBar"),
                                Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea, Qt::LeftDockWidgetArea);
    BuildStatusBar();
    BuildSplitters();
    RegisterFrameCommands();
    SetAlwaysOnTop(m_settings.AlwaysTop);
    // Shortcuts of the frame win over the focused control for every key of
    // the table, except the editing keys a focused text field uses itself.
    qApp->installEventFilter(this);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this, &CMainFrame::OnIdle);
    // Paste follows what the clipboard holds, whoever put it there.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &CCmdTarget::StatesChanged);
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    RemoveTrayIcon();
}

QDockWidget *CMainFrame::CreateDock(const QString &title, const QString &name, Qt::DockWidgetAreas allowed,
                                    Qt::DockWidgetArea area)
{
    auto *dock = new QDockWidget(title, this);
    dock->setObjectName(name);
    dock->setAccessibleName(title);
    dock->setAllowedAreas(allowed);
    dock->setWidget(new QWidget(dock));
    addDockWidget(area, dock);
    return dock;
}

void CMainFrame::SetControlBar(QWidget *controlBar)
{
    SetDockContent(m_pControlDock, controlBar);
}

void CMainFrame::SetEffectsBar(QWidget *effectsBar)
{
    SetDockContent(m_pEffectsDock, effectsBar);
}

// The content paints its own background, so that a label or slider inside it that
// changes (many times a second while playing) is drawn again alone: otherwise the dock
// beneath, with its elided title and its buttons' icons, is drawn again with it.
void CMainFrame::SetDockContent(QDockWidget *dock, QWidget *content)
{
    content->setAutoFillBackground(true);
    dock->setWidget(content);
}

void CMainFrame::SetMediaPropertiesTarget(CCmdTarget *playlistPane, std::function<bool()> hasCurrentItem)
{
    m_pMediaPropertiesTarget = playlistPane;
    m_hasCurrentItem = std::move(hasCurrentItem);
}

void CMainFrame::SetCloseCheck(std::function<bool()> canClose)
{
    m_canClose = std::move(canClose);
}

void CMainFrame::SetDropHandler(std::function<void(const QStringList &)> handler)
{
    m_onDrop = std::move(handler);
    setAcceptDrops(static_cast<bool>(m_onDrop));
}

void CMainFrame::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent *event)
{
    QStringList paths;
    for (const QUrl &url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    if (!paths.isEmpty() && m_onDrop) {
        event->acceptProposedAction();
        m_onDrop(paths);
    }
}

void CMainFrame::RegisterFrameCommands()
{
    const auto dockCommand = [this](unsigned id, QDockWidget *dock) {
        OnCommand(
            id, [this, dock] { ToggleDock(dock); },
            [dock](CCmdUI &ui) {
                ui.Enable();
                ui.SetCheck(dock->isVisible() ? 1 : 0);
            });
    };
    dockCommand(ID_VIEW_CONTROLBAR, m_pControlDock);
    dockCommand(ID_VIEW_EFFECTSBAR, m_pEffectsDock);
    OnCommand(
        ID_VIEW_TOOLBAR, [this] { m_pToolBar->setVisible(!m_pToolBar->isVisible()); },
        [this](CCmdUI &ui) {
            ui.Enable();
            ui.SetCheck(m_pToolBar->isVisible() ? 1 : 0);
        });
    OnCommand(
        ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(!statusBar()->isVisible()); },
        [this](CCmdUI &ui) {
            ui.Enable();
            ui.SetCheck(statusBar()->isVisible() ? 1 : 0);
        });
    const auto orderCommand = [this](unsigned id, int order) {
        OnCommand(
            id, [this, order] { m_settings.Order = order; },
            [this, order](CCmdUI &ui) {
                ui.Enable();
                ui.SetCheck(m_settings.Order == order ? 1 : 0);
            });
    };
    orderCommand(ID_ORDER_DEFAULT, ORDER_IN_TURN);
    orderCommand(ID_ORDER_REPEAT_ONE, ORDER_REPEAT_ONE);
    orderCommand(ID_ORDER_REPEAT_LIST, ORDER_REPEAT_LIST);
    OnCommand(
        ID_MEDIA_PROPERTIES,
        [this] {
            if (m_pMediaPropertiesTarget != nullptr)
                m_pMediaPropertiesTarget->OnCmdMsg(ID_MEDIA_PROPERTIES, nullptr);
        },
        [this](CCmdUI &ui) {
            ui.Enable(m_pMediaPropertiesTarget != nullptr && m_hasCurrentItem && m_hasCurrentItem());
        });
    OnCommand(ID_APP_EXIT, [this] { close(); });
}

void CMainFrame::ToggleDock(QDockWidget *dock)
{
    dock->setVisible(!dock->isVisible());
}

void CMainFrame::SetAlwaysOnTop(bool onTop)
{
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (shown)
        show(); // changing the flag hides a shown window
}

void CMainFrame::ShowAsLeft()
{
    RestoreBarLayout();
    if (RestoreWindowPlacement())
        return;
    // A first start: a window the learner can work in, in the middle of the screen.
    resize(kFirstRunSize.boundedTo(screen()->availableSize()));
    move(screen()->availableGeometry().center() - rect().center());
    show();
}

bool CMainFrame::RestoreWindowPlacement()
{
    const std::optional<SWindowPlacement> placement =
        SWindowPlacement::Parse(m_profile.GetProfileString(kSettingsSection, kWindowPosKey));
    if (!placement)
        return false;
    setGeometry(placement->left, placement->top, placement->right - placement->left,
                placement->bottom - placement->top);
    switch (placement->showCmd) {
    case SWindowPlacement::SW_SHOWMAXIMIZED: showMaximized(); break;
    case SWindowPlacement::SW_SHOWMINIMIZED: showMinimized(); break;
    default: showNormal(); break;
    }
    return true;
}

void CMainFrame::SaveWindowPlacement()
{
    SWindowPlacement placement;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    placement.left = normal.left();
    placement.top = normal.top();
    placement.right = normal.left() + normal.width();
    placement.bottom = normal.top() + normal.height();
    const bool minimised = isMinimized() || m_bInTray;
    const bool maximised = windowState() & Qt::WindowMaximized;
    if (maximised)
        placement.flags = SWindowPlacement::WPF_RESTORETOMAXIMIZED;
    placement.showCmd = minimised   ? SWindowPlacement::SW_SHOWMINIMIZED
                        : maximised ? SWindowPlacement::SW_SHOWMAXIMIZED
                                    : SWindowPlacement::SW_SHOWNORMAL;
    m_profile.WriteProfileString(kSettingsSection, kWindowPosKey, placement.ForClosing(minimised).Format());
}

void CMainFrame::SaveBarLayout()
{
    m_profile.WriteProfileString(kDockStateSection, kDockStateKey,
                                 QString::fromLatin1(saveState(kDockStateVersion).toBase64()));
}

void CMainFrame::RestoreBarLayout()
{
    const QString layout = m_profile.GetProfileString(kDockStateSection, kDockStateKey);
    if (!layout.isEmpty())
        restoreState(QByteArray::fromBase64(layout.toLatin1()), kDockStateVersion);
}

void CMainFrame::SaveLayout()
{
    SaveWindowPlacement();
    SaveBarLayout();
}

void CMainFrame::closeEvent(QCloseEvent *event)
{
    SaveLayout();
    if (m_canClose && !m_canClose()) {
        event->ignore();
        return;
    }
    event->accept();
}

void CMainFrame::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Without a notification area the window is minimised normally: hiding it
    // would leave no way back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && m_settings.MinimizeToTray && m_trayAvailable())
        MinimiseToTray();
}

void CMainFrame::MinimiseToTray()
{
    if (m_pTrayIcon == nullptr) {
        m_pTrayIcon = new QSystemTrayIcon(windowIcon(), this);
        m_pTrayIcon->setToolTip(LoadResString(AFX_IDS_APP_TITLE));
        connect(m_pTrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                RestoreFromTray();
        });
        auto *menu = new QMenu(this);
        for (const SMenuEntry &entry : CommandTable::PopupMenu(IDR_TRAY_POPUP)) {
            if (entry.m_kind == SMenuEntry::separator)
                menu->addSeparator();
            else
                menu->addAction(entry.m_strText, this, [this, id = entry.m_nID] { OnTrayMenu(id); });
        }
        m_pTrayIcon->setContextMenu(menu);
    }
    m_pTrayIcon->show();
    m_bInTray = true;
    hide();
}

void CMainFrame::RestoreFromTray()
{
    m_bInTray = false;
    showNormal();
    activateWindow();
    RemoveTrayIcon();
}

void CMainFrame::BringToFront()
{
    if (m_bInTray)
        RestoreFromTray();
    else if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void CMainFrame::SetRecentFiles(const QStringList &paths)
{
    QMenu *menu = qobject_cast<QMenu *>(m_pRecentPlaceholder->parent());
    for (QAction *item : m_recentItems)
        menu->removeAction(item);
    qDeleteAll(m_recentItems);
    m_recentItems.clear();
    for (int i = 0; i < paths.size(); ++i) {
        auto *item = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(paths.at(i)), menu);
        const unsigned id = ID_FILE_MRU_FILE1 + static_cast<unsigned>(i);
        item->setProperty("commandId", id);
        connect(item, &QAction::triggered, this, [this, id] { RaiseCommand(id); });
        menu->insertAction(m_pRecentPlaceholder, item);
        m_recentItems.push_back(item);
    }
    m_pRecentPlaceholder->setVisible(paths.isEmpty());
    StatesChanged();
}

void CMainFrame::RemoveTrayIcon()
{
    if (m_pTrayIcon != nullptr)
        m_pTrayIcon->hide();
}

bool CMainFrame::IsTrayIconShown() const
{
    return m_pTrayIcon != nullptr && m_pTrayIcon->isVisible();
}

void CMainFrame::OnTrayMenu(unsigned id)
{
    if (id == ID_TRAY_RESTORE)
        RestoreFromTray();
    else if (id == ID_APP_EXIT)
        close();
    else
        RaiseCommand(id); // open, play/pause, stop, previous and next item go through the routing
}

void CMainFrame::SetRouteTarget(ERouteSlot slot, CCmdTarget *target)
{
    m_routes[slot] = target;
}

bool CMainFrame::OnCmdMsg(unsigned id, CCmdUI *pCmdUI)
{
    for (int slot = EffectsBar; slot <= Document; ++slot)
        if (m_routes[slot] != nullptr && m_routes[slot]->OnCmdMsg(id, pCmdUI))
            return true;
    if (CCmdTarget::OnCmdMsg(id, pCmdUI))
        return true;
    return m_routes[Application] != nullptr && m_routes[Application]->OnCmdMsg(id, pCmdUI);
}

bool CMainFrame::RaiseCommand(unsigned id)
{
    const bool ran = ExecuteIfEnabled(id);
    if (ran)
        UpdateCommandStates();
    return ran;
}

QAction *CMainFrame::CommandAction(unsigned id) const
{
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

QAction *CMainFrame::ActionFor(unsigned id)
{
    QAction *&action = m_actions[id];
    if (action == nullptr) {
        action = new QAction(this);
        action->setStatusTip(CommandTable::Prompt(id));
        action->setToolTip(CommandTable::Tooltip(id));
        connect(action, &QAction::triggered, this, [this, id] { RaiseCommand(id); });
        connect(action, &QAction::hovered, this, [this, id] { ShowPrompt(id); });
    }
    return action;
}

void CMainFrame::ShowPrompt(unsigned id)
{
    const QString prompt = CommandTable::Prompt(id);
    statusBar()->showMessage(prompt.isEmpty() ? LoadResString(AFX_IDS_IDLEMESSAGE) : prompt);
}

void CMainFrame::BuildMenus()
{
    for (const SMenuEntry &entry : CommandTable::MainMenu())
        BuildMenu(menuBar()->addMenu(entry.m_strText), entry.m_items);
}

QMenu *CMainFrame::BuildMenu(QMenu *menu, const std::vector<SMenuEntry> &entries)
{
    for (const SMenuEntry &entry : entries) {
        switch (entry.m_kind) {
        case SMenuEntry::separator: menu->addSeparator(); break;
        case SMenuEntry::submenu: BuildMenu(menu->addMenu(entry.m_strText), entry.m_items); break;
        case SMenuEntry::command:
            if (entry.m_bPlaceholder) {
                QAction *placeholder = menu->addAction(entry.m_strText);
                placeholder->setEnabled(false);
                if (entry.m_nID == ID_FILE_MRU_FILE1)
                    m_pRecentPlaceholder = placeholder;
                break;
            }
            // The menu shows the shortcut text after the tab; the keys
            // themselves are bound once, by the frame's accelerators.
            QAction *item = menu->addAction(entry.m_strText);
            item->setStatusTip(CommandTable::Prompt(entry.m_nID));
            item->setProperty("commandId", entry.m_nID);
            connect(item, &QAction::triggered, this, [this, id = entry.m_nID] { RaiseCommand(id); });
            break;
        }
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { UpdateMenu(menu); });
    return menu;
}

void CMainFrame::UpdateMenu(QMenu *menu)
{
    for (QAction *item : menu->actions()) {
        const QVariant id = item->property("commandId");
        if (!id.isValid())
            continue;
        const CCmdUI state = QueryState(id.toUInt());
        item->setEnabled(state.m_bEnabled);
        item->setCheckable(state.m_nCheck != 0);
        item->setChecked(state.m_nCheck != 0);
    }
}

void CMainFrame::BuildAccelerators()
{
    for (const SAccelerator &accelerator : CommandTable::Accelerators()) {
        QAction *shortcut = new QAction(this);
        shortcut->setShortcut(accelerator.m_keys);
        shortcut->setShortcutContext(Qt::WindowShortcut);
        connect(shortcut, &QAction::triggered, this, [this, id = accelerator.m_nID] { RaiseCommand(id); });
        addAction(shortcut);
        if (!CommandTable::Has(accelerator.m_nID, CMD_EDITING_KEYS))
            m_accelerators.emplace_back(accelerator.m_keys, accelerator.m_nID);
    }
}

bool CMainFrame::ClaimsShortcut(const QKeyEvent &event) const
{
    const QKeySequence keys = KeysOf(event);
    for (const auto &[bound, id] : m_accelerators)
        if (bound == keys)
            return true;
    return false;
}

bool CMainFrame::eventFilter(QObject *watched, QEvent *event)
{
    // A focused editor would take F1, Ctrl+D, Esc … for itself; accepting the
    // override hands the key to the frame's shortcut instead.
    if (ChangesLockState(*event))
        m_bLockStateStale = true;
    if (IsUserInput(*event))
        StatesChanged();
    if (event->type() == QEvent::ShortcutOverride) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget != nullptr && widget->window() == this && ClaimsShortcut(*static_cast<QKeyEvent *>(event))) {
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::BuildToolBar()
{
    m_pToolBar = new QToolBar(this);
    m_pToolBar->setObjectName(QStringLiteral("ToolBar"));
    m_pToolBar->setAccessibleName(CommandTable::PlainMenuText(ID_VIEW_TOOLBAR));
    m_pToolBar->setIconSize(QSize(24, 24));
    for (unsigned id : CommandTable::ToolbarButtons(IDR_MAINFRAME)) {
        if (id == 0) {
            m_pToolBar->addSeparator();
            continue;
        }
        QAction *button = ActionFor(id);
        button->setText(CommandTable::Tooltip(id));
        button->setIcon(CommandIcon(id));
        m_pToolBar->addAction(button);
    }
    addToolBar(Qt::RightToolBarArea, m_pToolBar);
    m_pToolBar->setWindowTitle(CommandTable::PlainMenuText(ID_VIEW_TOOLBAR));
}

void CMainFrame::BuildStatusBar()
{
    for (unsigned indicator : kPaneIndicators) {
        auto *pane = new QLabel(LoadResString(indicator), this);
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        // What the pane is for; its name then follows what it shows.
        pane->setAccessibleDescription(LoadResString(indicator).trimmed());
        ShowInPane(*pane, pane->text());
        statusBar()->addPermanentWidget(pane);
        m_panes.push_back(pane);
    }
    m_panes[PANE_DRILL - 1]->hide();
    // The message pane is painted by the bar itself: the bar's name carries it.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(),
            [bar = statusBar()](const QString &message) { bar->setAccessibleName(message); });
    statusBar()->showMessage(LoadResString(AFX_IDS_IDLEMESSAGE));
}

void CMainFrame::SetPaneText(int index, const QString &text)
{
    if (index == 0) {
        statusBar()->showMessage(text);
        return;
    }
    if (index < 1 || index > static_cast<int>(m_panes.size()))
        return;
    QLabel *pane = m_panes[static_cast<size_t>(index - 1)];
    if (index == PANE_DRILL)
        pane->setVisible(!text.isEmpty());
    ShowInPane(*pane, text);
}

QString CMainFrame::PaneText(int index) const
{
    if (index == 0)
        return statusBar()->currentMessage();
    if (index < 1 || index > static_cast<int>(m_panes.size()))
        return {};
    return m_panes[static_cast<size_t>(index - 1)]->text();
}

void CMainFrame::BuildSplitters()
{
    m_pOuterSplitter = new QSplitter(Qt::Vertical, this);
    m_pUpperSplitter = new QSplitter(Qt::Horizontal, m_pOuterSplitter);
    m_pLowerSplitter = new QSplitter(Qt::Vertical, m_pOuterSplitter);
    m_pLowerSplitter->setHandleWidth(3);
    for (QSplitter *splitter : {m_pOuterSplitter, m_pUpperSplitter, m_pLowerSplitter})
        splitter->setChildrenCollapsible(true);
    setCentralWidget(m_pOuterSplitter);
}

void CMainFrame::SetPanes(QWidget *selectionPane, QWidget *playlistPane, QWidget *formatBar, QWidget *editor)
{
    m_pUpperSplitter->addWidget(selectionPane);
    m_pUpperSplitter->addWidget(playlistPane);
    m_pLowerSplitter->addWidget(formatBar);
    m_pLowerSplitter->addWidget(editor);
    formatBar->setFixedHeight(kFormatBarHeight);
    // The remembered sizes: the upper row's height and the selection list's
    // width. The stored defaults (10 pixels) would hide both lists behind a
    // sliver, so a row or column is never laid out smaller than it takes to
    // show a caption and a few rows; what the learner drags is stored as it is.
    const int height = std::max(kMinUpperRowHeight, m_settings.USplitterHigh);
    const int width = std::max(kMinSelectionWidth, m_settings.LSplitterWidth);
    m_pOuterSplitter->setSizes({height, std::max(1, this->height() - height)});
    m_pUpperSplitter->setSizes({width, std::max(1, this->width() - width)});
}

void CMainFrame::AddStateUpdater(std::function<void()> updater)
{
    m_stateUpdaters.push_back(std::move(updater));
}

bool CMainFrame::ChangesLockState(const QEvent &event)
{
    // A lock key released here, or the window coming back after the learner
    // may have pressed one elsewhere.
    if (event.type() == QEvent::ApplicationStateChange)
        return true;
    if (event.type() != QEvent::KeyRelease)
        return false;
    const int key = static_cast<const QKeyEvent &>(event).key();
    return key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock;
}

// What the learner does to any of the program's windows may change what a
// command's update handler reads: a key, a click, the focus moving, a window
// coming to the front or going back. Moving the mouse alone changes nothing.
bool CMainFrame::IsUserInput(const QEvent &event)
{
    switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::Drop:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate:
    case QEvent::ApplicationStateChange: return true;
    default: return false;
    }
}

void CMainFrame::UpdateLockPanes()
{
    // The keyboard is asked only when a lock may have changed, not at every idle moment.
    if (!m_bLockStateStale)
        return;
    m_bLockStateStale = false;
    // Like a lamp: a lock pane's text is lit while its lock is on. When the
    // state cannot be read the panes stay lit.
    const std::optional<SLockKeys> locks = QueryLockKeys();
    if (!locks)
        return;
    m_panes[PANE_CAPS - 1]->setEnabled(locks->caps);
    m_panes[PANE_NUM - 1]->setEnabled(locks->num);
    m_panes[PANE_SCROLL - 1]->setEnabled(locks->scroll);
}

// The line pane says what the active view's update handler says; without a
// view that handles it the pane is blank.
void CMainFrame::UpdateLinePane()
{
    const CCmdUI state = QueryState(ID_INDICATOR_LINE);
    QLabel *pane = m_panes[PANE_LINE - 1];
    pane->setEnabled(state.m_bEnabled);
    ShowInPane(*pane, state.m_bEnabled ? state.m_strText : QString());
}

// Once the bar has laid its panes out again, the window may grow no
// narrower than they are.
void CMainFrame::KeepRoomForPanes()
{
    statusBar()->setMinimumWidth(statusBar()->minimumSizeHint().width());
}

// Every pane takes the width of its text. A screen reader says what the pane
// shows ("00:05", "Line 3"); a blank pane is named by what it is for.
void CMainFrame::ShowInPane(QLabel &pane, const QString &text)
{
    if (pane.text() == text && !pane.accessibleName().isEmpty())
        return;
    pane.setText(text);
    // The bar never squeezes a pane below its text, and the window is never
    // narrower than the bar's panes.
    pane.setMinimumWidth(pane.sizeHint().width());
    QMetaObject::invokeMethod(this, &CMainFrame::KeepRoomForPanes, Qt::QueuedConnection);
    const QString shown = text.trimmed();
    pane.setAccessibleName(shown.isEmpty() ? pane.accessibleDescription() : shown);
}

// Asking every command takes time (the format commands walk the editor's
// selection), and the program goes idle ten times a second while an item
// plays: the buttons are brought up to date only after a notice.
void CMainFrame::OnIdle()
{
    if (m_nStatesSeen != StatesChangeCount())
        UpdateCommandStates();
}

void CMainFrame::UpdateCommandStates()
{
    // Taken first: a notice given while the states are read brings them up again.
    m_nStatesSeen = StatesChangeCount();
    UpdateLockPanes();
    UpdateLinePane();
    for (const auto &updater : m_stateUpdaters)
        updater();
    for (const auto &[id, action] : m_actions) {
        const CCmdUI state = QueryState(id);
        action->setEnabled(state.m_bEnabled);
        action->setCheckable(state.m_nCheck != 0);
        action->setChecked(state.m_nCheck != 0);
    }
}
