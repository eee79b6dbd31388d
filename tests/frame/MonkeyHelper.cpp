// The whole program, on the folder's profile, playlist and recovery folder
// with its real dialogs, driven by a seeded monkey for a set time: keys of the
// command table, commands, text typed into the editor, clicks, and steps
// inside the menus and dialogs these open; then 文件 → 退出, answering boxes.
//
//     monkey_helper <folder> <seconds> <seed>
//
// Each action is printed ("step <n>: <action>") before it is done; the same
// seed chooses the same actions in the same states. A watchdog aborts with
// "hang:" when the window has not answered for 10 s. Exit, the web page and
// mail are never chosen; file and print dialogs are only cancelled (what they
// open and save is the document's and the playlist's own tests).
#include "HangGuard.h"

#include "app/CCommandTable.h"
#include "app/Resource.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <random>

using namespace std::chrono_literals;

namespace
{

constexpr const char *kNoAnswer = "hang: the window has not answered for 10 s";

// One step is scheduled at a time, before the step acts, so a step that opens
// a modal dialog (and waits in its event loop) is followed by steps inside it.
class CMonkey
{
public:
    CMonkey(CQuillmereApp &app, std::uint32_t seed, std::chrono::seconds duration)
        : m_app(app), m_random(seed), m_endAt(std::chrono::steady_clock::now() + duration)
    {
        QObject::connect(&m_steps, &QTimer::timeout, [this] { Step(); });
        m_steps.setSingleShot(true);
        m_steps.start(40ms);
    }

private:
    // The generator's raw output, so the sequence is the same on every standard library.
    int Pick(qsizetype count) { return static_cast<int>(m_random() % static_cast<std::uint32_t>(count)); }
    bool Chance(int percent) { return Pick(100) < percent; }
    template <typename List> auto Any(const List &list) { return list[Pick(static_cast<qsizetype>(std::size(list)))]; }
    static bool IsSafe(unsigned id) { return id != ID_APP_EXIT && id != ID_HELP_WEBSITE && id != ID_HELP_MAIL; }

    void Say(const QString &action, const QObject &target)
    {
        std::printf("step %d: %s %s\n", m_nStep, action.toUtf8().constData(), target.metaObject()->className());
        std::fflush(stdout);
    }

    void Step()
    {
        if (m_nExitStep == 0) // the window answers: the watchdog waits again
            CHangGuard::Set(10, kNoAnswer);
        ++m_nStep;
        m_steps.start(40ms);
        if (QWidget *popup = QApplication::activePopupWidget())
            ActInPopup(*popup);
        else if (QWidget *dialog = OpenDialog())
            ActInDialog(*dialog);
        else if (m_nExitStep > 0 || std::chrono::steady_clock::now() >= m_endAt)
            Exit();
        else
            ActInWindow();
    }

    // The modal dialog, else a modeless one (find and replace).
    static QWidget *OpenDialog()
    {
        if (QWidget *modal = QApplication::activeModalWidget())
            return modal;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog *>(window) != nullptr && window->isVisible())
                return window;
        return nullptr;
    }

    // Asked again a second after a box cancelled it.
    void Exit()
    {
        if (m_nExitStep == 0)
            CHangGuard::Set(60, "hang: the program has not ended within 60 s of 文件 → 退出");
        else if (m_nStep - m_nExitStep < 25)
            return;
        m_nExitStep = m_nStep;
        Say(QStringLiteral("文件 → 退出"), m_app.MainFrame());
        m_app.MainFrame().RaiseCommand(ID_APP_EXIT);
    }

    void ActInWindow()
    {
        CMainFrame &frame = m_app.MainFrame();
        const int choice = Pick(100);
        if (choice < 30) {
            const SAccelerator key = Any(CommandTable::Accelerators());
            QWidget *target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &frame;
            Say(QStringLiteral("key ") + key.m_keys.toString(), *target);
            QTest::keySequence(target, key.m_keys);
        } else if (const unsigned id = Any(CommandTable::Commands()).m_nID; choice < 45 && IsSafe(id)) {
            Say(QStringLiteral("command %1").arg(id), frame);
            frame.RaiseCommand(id);
        } else if (choice < 70) {
            m_app.EditorView().setFocus();
            Type(m_app.EditorView());
        } else if (choice < 78) {
            QAction *menu = Any(frame.menuBar()->actions());
            Say(QStringLiteral("menu ") + menu->text(), frame);
            QTest::mouseClick(frame.menuBar(), Qt::LeftButton, {}, frame.menuBar()->actionGeometry(menu).center());
        } else {
            Click(frame);
        }
    }

    // A few letters, new lines, tabs and backspaces: Latin ones as keys,
    // Chinese as an input method hands it over.
    void Type(QWidget &target)
    {
        static const QString letters = QStringLiteral("abcxyz ABC 0189 .,;'\"-\b\b\r\t听写练习第一课中文。，！？");
        QString text;
        for (int length = 1 + Pick(12); length > 0; --length)
            text += Any(letters);
        QString shown = text;
        Say(QStringLiteral("type \"%1\" to").arg(shown.replace(u'\b', u'⌫').replace(u'\r', u'↵').replace(u'\t', u'⇥')),
            target);
        for (const QChar letter : text) {
            if (letter.unicode() < 0x80) {
                QTest::keyClick(&target, static_cast<char>(letter.unicode()));
                continue;
            }
            QInputMethodEvent event;
            event.setCommitString(letter);
            QApplication::sendEvent(&target, &event);
        }
    }

    // A click, or a right click followed (as the window system follows it) by
    // the context menu, on a widget inside the window.
    void Click(QWidget &window)
    {
        QList<QWidget *> targets;
        for (QWidget *widget : window.findChildren<QWidget *>())
            if (widget->isVisible() && widget->isEnabled() && !widget->rect().isEmpty())
                targets.append(widget);
        if (targets.isEmpty())
            return;
        QWidget *target = Any(targets);
        const QPoint point(Pick(target->width()), Pick(target->height()));
        const bool right = Chance(15);
        Say(QStringLiteral("click (right %1) at %2,%3 on").arg(right).arg(point.x()).arg(point.y()), *target);
        QTest::mouseClick(target, right ? Qt::RightButton : Qt::LeftButton, {}, point);
        if (right) {
            QContextMenuEvent menu(QContextMenuEvent::Mouse, point, target->mapToGlobal(point));
            QApplication::sendEvent(target, &menu); // its loop runs while the next steps choose in it
        }
    }

    void ActInPopup(QWidget &popup)
    {
        auto *menu = qobject_cast<QMenu *>(&popup);
        QList<QAction *> actions;
        for (QAction *action : menu != nullptr ? menu->actions() : QList<QAction *>())
            if (action->isVisible() && action->isEnabled() && !action->isSeparator() &&
                IsSafe(action->property("commandId").toUInt()) && !action->text().contains(QStringLiteral("退出")))
                actions.append(action);
        if (menu == nullptr && Chance(50)) {
            Click(popup);
        } else if (actions.isEmpty() || Chance(15)) {
            Say(QStringLiteral("Esc in"), popup);
            QTest::keyClick(&popup, Qt::Key_Escape);
        } else {
            QAction *action = Any(actions);
            Say(QStringLiteral("menu item ") + action->text(), popup);
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        }
    }

    // Clicks (its buttons among them) and keys inside, or Esc.
    void ActInDialog(QWidget &dialog)
    {
        if (Chance(20) || qobject_cast<QFileDialog *>(&dialog) != nullptr ||
            qobject_cast<QPrintDialog *>(&dialog) != nullptr) {
            Say(QStringLiteral("Esc in"), dialog);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            if (qobject_cast<QDialog *>(&dialog) == nullptr)
                dialog.close();
        } else if (Chance(75)) {
            Click(dialog);
        } else {
            Type(dialog.focusWidget() != nullptr ? *dialog.focusWidget() : dialog);
        }
    }

    CQuillmereApp &m_app;
    std::mt19937 m_random;
    std::chrono::steady_clock::time_point m_endAt;
    QTimer m_steps;
    int m_nStep = 0;
    int m_nExitStep = 0; // the step that last asked to exit
};

} // namespace

int main(int argc, char **argv)
{
    UseNoDisplayOrSoundCard();
    QApplication application(argc, argv);
    if (argc != 4) {
        std::fputs("usage: monkey_helper <folder> <seconds> <seed>\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const CHangGuard guard(10, kNoAnswer);
    CQuillmereApp app(folder.filePath(QStringLiteral("q.ini")), folder.filePath(QStringLiteral("Playlist.Qpl")),
                      folder.filePath(QStringLiteral("recovery")));
    if (!app.InitInstance({QStringLiteral("quillmere")}, false) || !QTest::qWaitForWindowExposed(&app.MainFrame()))
        return 3;
    CMonkey monkey(app, QByteArray(argv[3]).toUInt(), std::chrono::seconds(QByteArray(argv[2]).toInt()));
    const int result = QApplication::exec();
    app.ExitInstance();
    std::puts("ended");
    return result;
}
