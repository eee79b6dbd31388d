#include "app/CAppSettings.h"
#include "app/CIniProfile.h"
#include "app/CWindowPlacement.h"
#include "app/Resource.h"
#include "frame/CMainFrame.h"
#include "frame/CSingleInstance.h"

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QDockWidget>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolBar>

namespace
{

// A routing target that records the commands it ran.
class CRecordingTarget : public CCmdTarget
{
public:
    explicit CRecordingTarget(std::initializer_list<unsigned> ids)
    {
        for (unsigned id : ids)
            OnCommand(id, [this, id] { m_ran.push_back(id); });
    }
    std::vector<unsigned> m_ran;
};

// A target with one command that turns its own enabled state over, and that
// counts how often it is asked for the state.
class CCountingTarget : public CCmdTarget
{
public:
    explicit CCountingTarget(unsigned id)
    {
        OnCommand(
            id, [this] { m_bEnabled = !m_bEnabled; },
            [this](CCmdUI &ui) {
                ++m_nQueries;
                ui.Enable(m_bEnabled);
            });
    }
    bool m_bEnabled = false;
    int m_nQueries = 0;
};

// The moment the event loop is about to wait: the program is idle.
void GoIdle()
{
    emit QAbstractEventDispatcher::instance()->aboutToBlock();
}

class MainFrameTest : public testing::Test
{
protected:
    MainFrameTest() : m_frame(m_settings, m_profile)
    {
        m_pEditor = new QTextEdit;
        m_frame.SetPanes(new QWidget, new QWidget, new QWidget, m_pEditor);
        m_frame.resize(800, 600);
        m_frame.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_frame));
        m_frame.activateWindow();
        m_pEditor->setFocus();
        m_pEditor->setPlainText(QStringLiteral("听写"));
    }

    CAppSettings m_settings;
    CIniProfile m_profile;
    CMainFrame m_frame;
    QTextEdit *m_pEditor = nullptr;
};

} // namespace

TEST_F(MainFrameTest, TransportKeysReachTheControlBarWhileTheEditorHasTheFocus)
{
    CRecordingTarget controlBar{ID_PLAY_PAUSE, IDC_STOP, IDC_NEXT_SELECTION, ID_MUTE, IDC_NEXT_ITEM};
    m_frame.SetRouteTarget(CMainFrame::ControlBar, &controlBar);

    QTest::keyClick(m_pEditor, Qt::Key_F1);
    QTest::keyClick(m_pEditor, Qt::Key_F2);
    QTest::keyClick(m_pEditor, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(m_pEditor, Qt::Key_M, Qt::ControlModifier);
    QTest::keyClick(m_pEditor, Qt::Key_Down, Qt::AltModifier);
    QTest::keyClick(m_pEditor, Qt::Key_Escape);
    EXPECT_EQ(controlBar.m_ran,
              (std::vector<unsigned>{ID_PLAY_PAUSE, IDC_STOP, IDC_NEXT_SELECTION, ID_MUTE, IDC_NEXT_ITEM}));
    EXPECT_EQ(m_pEditor->toPlainText(), QStringLiteral("听写")); // nothing typed, nothing deleted
    EXPECT_FALSE(m_pEditor->document()->isUndoAvailable());

    // Editing keys stay with the editor.
    QTest::keyClick(m_pEditor, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(m_pEditor->textCursor().selectedText(), QStringLiteral("听写"));
}

TEST_F(MainFrameTest, CommandsGoToTheFirstTargetInRoutingOrderAndUnhandledOnesAreDisabled)
{
    CRecordingTarget view{IDC_STOP, ID_EDIT_FIND};
    CRecordingTarget controlBar{IDC_STOP};
    m_frame.SetRouteTarget(CMainFrame::ActiveView, &view);
    m_frame.SetRouteTarget(CMainFrame::ControlBar, &controlBar);

    EXPECT_TRUE(m_frame.RaiseCommand(IDC_STOP));
    EXPECT_TRUE(m_frame.RaiseCommand(ID_EDIT_FIND));
    EXPECT_FALSE(m_frame.RaiseCommand(ID_PLAY_PAUSE));
    EXPECT_EQ(controlBar.m_ran, std::vector<unsigned>{IDC_STOP});
    EXPECT_EQ(view.m_ran, std::vector<unsigned>{ID_EDIT_FIND});

    // The menu's items take their state as it opens.
    const auto item = [](const QList<QAction *> &actions, const QString &text) {
        for (QAction *action : actions)
            if (action->text() == text)
                return action;
        return static_cast<QAction *>(nullptr);
    };
    QAction *playMenu = item(m_frame.menuBar()->actions(), QStringLiteral("播放(&P)"));
    ASSERT_NE(playMenu, nullptr);
    QMenu *play = playMenu->menu();
    emit play->aboutToShow();
    EXPECT_TRUE(item(play->actions(), QStringLiteral("停止\tF2"))->isEnabled());
    EXPECT_FALSE(item(play->actions(), QStringLiteral("播放/暂停\tF1"))->isEnabled());
    m_frame.UpdateCommandStates();
    EXPECT_FALSE(m_frame.CommandAction(ID_FILE_OPEN)->isEnabled()); // toolbar button with no handler yet
}

// The toolbar is brought up to date at the first idle moment after a notice,
// and idle moments with nothing changed ask no command.
TEST_F(MainFrameTest, TheToolbarFollowsAChangeAtTheNextIdleMomentAndOnlyThen)
{
    CCountingTarget view(ID_FILE_SAVE);
    m_frame.SetRouteTarget(CMainFrame::ActiveView, &view);
    QAction *save = m_frame.CommandAction(ID_FILE_SAVE);
    CCmdTarget::StatesChanged();
    GoIdle();
    EXPECT_FALSE(save->isEnabled());
    view.m_nQueries = 0;
    for (int i = 0; i < 5; ++i)
        GoIdle();
    EXPECT_EQ(view.m_nQueries, 0);

    // A target says its state changed: one idle moment, one question.
    view.m_bEnabled = true;
    CCmdTarget::StatesChanged();
    GoIdle();
    GoIdle();
    EXPECT_EQ(view.m_nQueries, 1);
    EXPECT_TRUE(save->isEnabled());

    // So does what the learner does: a key typed into the editor.
    view.m_nQueries = 0;
    view.m_bEnabled = false;
    QTest::keyClick(m_pEditor, Qt::Key_X);
    GoIdle();
    EXPECT_EQ(view.m_nQueries, 1);
    EXPECT_FALSE(save->isEnabled());
}

TEST_F(MainFrameTest, PlayOrderAndBarCommandsCarryTheirCheckMarks)
{
    EXPECT_EQ(m_frame.QueryState(ID_ORDER_DEFAULT).m_nCheck, 1);
    EXPECT_TRUE(m_frame.RaiseCommand(ID_ORDER_REPEAT_LIST));
    EXPECT_EQ(m_settings.Order, ORDER_REPEAT_LIST);
    EXPECT_EQ(m_frame.QueryState(ID_ORDER_DEFAULT).m_nCheck, 0);
    EXPECT_EQ(m_frame.QueryState(ID_ORDER_REPEAT_LIST).m_nCheck, 1);

    // The check mark follows the bar, also when the bar was closed by its own close box.
    EXPECT_EQ(m_frame.QueryState(ID_VIEW_EFFECTSBAR).m_nCheck, 1);
    m_frame.EffectsBarDock()->close();
    EXPECT_EQ(m_frame.QueryState(ID_VIEW_EFFECTSBAR).m_nCheck, 0);
    EXPECT_TRUE(m_frame.RaiseCommand(ID_VIEW_EFFECTSBAR));
    EXPECT_TRUE(m_frame.EffectsBarDock()->isVisible());

    // Media properties wait for a loaded item.
    CRecordingTarget playlistPane{ID_MEDIA_PROPERTIES};
    bool loaded = false;
    m_frame.SetMediaPropertiesTarget(&playlistPane, [&loaded] { return loaded; });
    EXPECT_FALSE(m_frame.RaiseCommand(ID_MEDIA_PROPERTIES));
    loaded = true;
    EXPECT_TRUE(m_frame.RaiseCommand(ID_MEDIA_PROPERTIES));
    EXPECT_EQ(playlistPane.m_ran, std::vector<unsigned>{ID_MEDIA_PROPERTIES});
}

// The longest texts the panes show, in a window as wide as a common screen:
// every pane holds all of its text.
TEST_F(MainFrameTest, NoPaneTextIsClipped)
{
    const QStringList texts = QStringLiteral("|Line 1234|大写|数字|滚动|01:02:03|01:02:09|320Kbps|01:02:03 / 01:59:59|"
                                             "第 11/111 段 · 第 9/9 遍 · 书写 · 已暂停")
                                  .split(u'|');
    for (int width : {1280, 640}) {
        SCOPED_TRACE(width);
        m_frame.resize(width, 600);
        for (int pane = 1; pane < texts.size(); ++pane)
            m_frame.SetPaneText(pane, texts[pane]);
        QTest::qWait(50);
        for (QLabel *pane : m_frame.statusBar()->findChildren<QLabel *>()) {
            if (!pane->isVisible())
                continue;
            SCOPED_TRACE(pane->text().toStdString());
            EXPECT_GE(pane->contentsRect().width(), pane->fontMetrics().horizontalAdvance(pane->text()));
            EXPECT_LE(pane->geometry().right(), m_frame.statusBar()->width());
        }
    }
}

TEST(MainFrameLayout, FirstRunDefaultsAndARestartKeepPlacementAndBars)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("quillmere.ini"));
    CAppSettings settings;
    {
        CIniProfile profile(path);
        CMainFrame frame(settings, profile);
        frame.ShowAsLeft();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
        EXPECT_EQ(frame.toolBarArea(frame.ToolBar()), Qt::RightToolBarArea);
        EXPECT_EQ(frame.dockWidgetArea(frame.ControlBarDock()), Qt::BottomDockWidgetArea);
        EXPECT_EQ(frame.dockWidgetArea(frame.EffectsBarDock()), Qt::LeftDockWidgetArea);

        // Move the control bar to the top, hide the effects bar, maximise, close.
        frame.addDockWidget(Qt::TopDockWidgetArea, frame.ControlBarDock());
        frame.EffectsBarDock()->hide();
        frame.setGeometry(40, 50, 700, 500);
        frame.showMaximized();
        QTest::qWait(50);
        frame.close();
        ASSERT_TRUE(profile.Flush());
    }
    CIniProfile profile(path);
    const auto stored =
        SWindowPlacement::Parse(profile.GetProfileString(QStringLiteral("Settings"), QStringLiteral("WindowPos")));
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->showCmd, SWindowPlacement::SW_SHOWMAXIMIZED);

    CMainFrame frame(settings, profile);
    frame.ShowAsLeft();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    EXPECT_TRUE(frame.isMaximized());
    EXPECT_EQ(frame.dockWidgetArea(frame.ControlBarDock()), Qt::TopDockWidgetArea);
    EXPECT_FALSE(frame.EffectsBarDock()->isVisible());
    frame.showNormal();
    QTest::qWait(50);
    EXPECT_EQ(frame.normalGeometry().size(), QSize(stored->right - stored->left, stored->bottom - stored->top));
}

TEST(SingleInstance, ASecondStartHandsItsFileToTheFirstAndEnds)
{
    const QString key = QStringLiteral("quillmere-test-%1").arg(QCoreApplication::applicationPid());
    CSingleInstance first(key);
    ASSERT_TRUE(first.Claim(QString()));
    QStringList received;
    first.SetActivationHandler([&received](const QString &path) { received.append(path); });

    CSingleInstance second(key);
    EXPECT_FALSE(second.Claim(QStringLiteral("/home/学生/第一课.rtf")));
    EXPECT_TRUE(QTest::qWaitFor([&received] { return !received.isEmpty(); }, 2000));
    EXPECT_EQ(received, QStringList{QStringLiteral("/home/学生/第一课.rtf")});
}
