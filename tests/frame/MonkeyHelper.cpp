// The whole program driven by a seeded monkey: keys of the command table,
// commands, text typed into the editor, clicks at random points of the
// window's widgets, and random steps inside every dialog and menu they open,
// for a set time; then 文件 → 退出 through the command, answering the boxes.
//
//     monkey_helper <folder> <seconds> <seed>
//
// The program runs on the folder's profile, playlist and recovery folder with
// its real dialogs. Every action is printed ("step <n>: <action>") before it is
// done, so a run that fails shows where; the same seed chooses the same
// actions in the same states. A watchdog aborts with "hang:" when the
// window has not answered for 10 s. File dialogs answer inside the folder or
// are cancelled; exit, the web page and the mail commands are never chosen.
#include "HangGuard.h"

#include "app/CCommandTable.h"
#include "app/Resource.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <random>

using namespace std::chrono_literals;

namespace
{

constexpr auto kStepInterval = 40ms;

constexpr const char *kNoAnswer = "hang: the window has not answered for 10 s";

// The monkey. One step is scheduled at a time, and scheduled before the step
// acts, so a step that opens a modal dialog (and waits in its event loop) is
// followed by steps inside that dialog. A heartbeat on the interface thread
// keeps the hang guard from going off while the window answers.
class CMonkey
{
public:
    CMonkey(CQuillmereApp &app, const QDir &folder, std::uint32_t seed, std::chrono::seconds duration)
        : m_app(app), m_folder(folder), m_random(seed), m_endAt(std::chrono::steady_clock::now() + duration)
    {
    }

    void Start()
    {
        QObject::connect(&m_heartbeat, &QTimer::timeout, [] { CHangGuard::Set(10, kNoAnswer); });
        m_heartbeat.start(100);
        QTimer::singleShot(kStepInterval, &m_context, [this] { Step(); });
    }

private:
    // A number in [0, count): the generator's raw output, so the sequence is
    // the same on every standard library.
    int Pick(int count) { return static_cast<int>(m_random() % static_cast<std::uint32_t>(count)); }
    bool Chance(int percent) { return Pick(100) < percent; }
    template <typename List> auto Any(const List &list) { return list[Pick(static_cast<int>(std::size(list)))]; }
    // Exit ends the run, the web page and mail would leave the program.
    static bool IsSafe(unsigned id) { return id != ID_APP_EXIT && id != ID_HELP_WEBSITE && id != ID_HELP_MAIL; }

    void Say(const QString &action)
    {
        std::printf("step %d: %s\n", m_nStep, action.toUtf8().constData());
        std::fflush(stdout);
    }

    void Step()
    {
        ++m_nStep;
        QTimer::singleShot(kStepInterval, &m_context, [this] { Step(); });
        if (QWidget *popup = QApplication::activePopupWidget())
            ActInPopup(*popup);
        else if (QWidget *dialog = OpenDialog())
            ActInDialog(*dialog);
        else if (m_bEnding || std::chrono::steady_clock::now() >= m_endAt)
            Exit();
        else
            ActInWindow();
    }

    // The modal dialog, else a modeless one (find and replace).
    QWidget *OpenDialog() const
    {
        if (QWidget *modal = QApplication::activeModalWidget())
            return modal;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (qobject_cast<QDialog *>(window) != nullptr && window->isVisible())
                return window;
        return nullptr;
    }

    // Asks again a second after a box cancelled the exit.
    void Exit()
    {
        if (m_bEnding && m_nStep - m_nExitStep < kStepsBetweenExits)
            return;
        if (!m_bEnding) {
            m_bEnding = true;
            m_heartbeat.stop();
            CHangGuard::Set(60, "hang: the program has not ended within 60 s of 文件 → 退出");
        }
        m_nExitStep = m_nStep;
        Say(QStringLiteral("command 文件 → 退出"));
        m_app.MainFrame().RaiseCommand(ID_APP_EXIT);
    }

    void ActInWindow()
    {
        const int choice = Pick(100);
        if (choice < 30)
            PressAccelerator();
        else if (choice < 45)
            RaiseRandomCommand();
        else if (choice < 70)
            TypeIntoEditor();
        else if (choice < 78)
            OpenMenuOfTheBar();
        else
            ClickInside(m_app.MainFrame(), false);
    }

    void OpenMenuOfTheBar()
    {
        QMenuBar &bar = *m_app.MainFrame().menuBar();
        QAction *menu = Any(bar.actions());
        Say(QStringLiteral("menu \"%1\"").arg(menu->text()));
        QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, bar.actionGeometry(menu).center());
    }

    void PressAccelerator()
    {
        const SAccelerator key = Any(CommandTable::Accelerators());
        QWidget *target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &m_app.MainFrame();
        Say(QStringLiteral("key %1 to %2")
                .arg(key.m_keys.toString(), QString::fromLatin1(target->metaObject()->className())));
        QTest::keySequence(target, key.m_keys);
    }

    void RaiseRandomCommand()
    {
        static const std::vector<unsigned> commands = [] {
            std::vector<unsigned> ids;
            for (const SCommand &command : CommandTable::Commands())
                if (IsSafe(command.m_nID))
                    ids.push_back(command.m_nID);
            return ids;
        }();
        const unsigned id = Any(commands);
        Say(QStringLiteral("command %1").arg(id));
        m_app.MainFrame().RaiseCommand(id);
    }

    QString RandomText()
    {
        static const QString letters = QStringLiteral("abcxyz ABC 0189 .,;'\"-听写练习第一课中文。，！？");
        QString text;
        for (int length = 1 + Pick(12); length > 0; --length)
            text += Any(letters);
        return text;
    }

    // Letters as keys; Chinese as an input method hands it over, a phrase at
    // a time.
    static void Type(QWidget &widget, const QString &text)
    {
        QString phrase;
        const auto commit = [&widget, &phrase] {
            if (phrase.isEmpty())
                return;
            QInputMethodEvent event;
            event.setCommitString(phrase);
            QApplication::sendEvent(&widget, &event);
            phrase.clear();
        };
        for (const QChar letter : text) {
            if (letter.unicode() < 0x80) {
                commit();
                QTest::keyClick(&widget, static_cast<char>(letter.unicode()));
            } else {
                phrase += letter;
            }
        }
        commit();
    }

    void TypeIntoEditor()
    {
        static const Qt::Key movingKeys[] = {Qt::Key_Return, Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Left,
                                             Qt::Key_Right,  Qt::Key_Up,        Qt::Key_Down,   Qt::Key_Home,
                                             Qt::Key_End,    Qt::Key_PageUp,    Qt::Key_Tab};
        CQuillmereView &editor = m_app.EditorView();
        if (Chance(30)) {
            const Qt::Key key = Any(movingKeys);
            const Qt::KeyboardModifiers modifiers = Chance(30) ? Qt::ShiftModifier : Qt::NoModifier;
            Say(QStringLiteral("editor key %1%2").arg(modifiers ? QStringLiteral("Shift+") : QString()).arg(key));
            QTest::keyClick(&editor, key, modifiers);
            return;
        }
        const QString text = RandomText();
        Say(QStringLiteral("type \"%1\"").arg(text));
        editor.setFocus();
        Type(editor, text);
    }

    // Clicks a visible, enabled widget inside the window (chosen in creation order).
    void ClickInside(QWidget &window, bool skipButtons)
    {
        QList<QWidget *> targets;
        for (QWidget *widget : window.findChildren<QWidget *>())
            if (widget->isVisible() && widget->isEnabled() && !widget->rect().isEmpty() &&
                !(skipButtons && qobject_cast<QAbstractButton *>(widget) != nullptr))
                targets.append(widget);
        if (targets.isEmpty())
            return;
        QWidget *target = Any(targets);
        const QPoint point(Pick(target->width()), Pick(target->height()));
        const int kind = Pick(20);
        const QString where = QStringLiteral("%1 \"%2\" at %3,%4")
                                  .arg(QString::fromLatin1(target->metaObject()->className()), target->objectName())
                                  .arg(point.x())
                                  .arg(point.y());
        if (kind < 15) {
            Say(QStringLiteral("click ") + where);
            QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, point);
        } else if (kind < 18) {
            Say(QStringLiteral("right click ") + where);
            QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, point);
            // As the window system follows a right click: the context menu,
            // which waits in its own loop while the next steps choose in it.
            QContextMenuEvent menu(QContextMenuEvent::Mouse, point, target->mapToGlobal(point));
            QApplication::sendEvent(target, &menu);
        } else {
            Say(QStringLiteral("double click ") + where);
            QTest::mouseDClick(target, Qt::LeftButton, Qt::NoModifier, point);
        }
    }

    static bool MayTrigger(const QAction *action)
    {
        const unsigned id = action->property("commandId").toUInt();
        return action->isVisible() && action->isEnabled() && !action->isSeparator() && IsSafe(id) &&
               !action->text().contains(QStringLiteral("退出"));
    }

    void ActInPopup(QWidget &popup)
    {
        auto *menu = qobject_cast<QMenu *>(&popup);
        if (menu == nullptr || Chance(15)) {
            if (menu == nullptr && Chance(50)) {
                ClickInside(popup, false);
                return;
            }
            Say(QStringLiteral("Esc in popup %1").arg(QString::fromLatin1(popup.metaObject()->className())));
            QTest::keyClick(&popup, Qt::Key_Escape);
            return;
        }
        QList<QAction *> actions;
        for (QAction *action : menu->actions())
            if (MayTrigger(action))
                actions.append(action);
        if (actions.isEmpty()) {
            Say(QStringLiteral("Esc in an empty menu"));
            QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        QAction *action = Any(actions);
        Say(QStringLiteral("menu item \"%1\"").arg(action->text()));
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
    }

    void ActInDialog(QWidget &dialog)
    {
        if (&dialog != m_pDialog) {
            m_pDialog = &dialog;
            m_nDialogSteps = 1 + Pick(6);
        }
        const QString name = QStringLiteral("%1 \"%2\"")
                                 .arg(QString::fromLatin1(dialog.metaObject()->className()), dialog.windowTitle());
        if (auto *files = qobject_cast<QFileDialog *>(&dialog)) {
            AnswerFileDialog(*files, name);
            return;
        }
        // A print dialog is never accepted: that would print.
        const bool mayAccept = qobject_cast<QPrintDialog *>(&dialog) == nullptr;
        if (--m_nDialogSteps > 0 && !m_bEnding) {
            if (Chance(75))
                ClickInside(dialog, !mayAccept);
            else
                TypeInto(dialog);
            return;
        }
        QList<QPushButton *> buttons;
        for (QPushButton *button : dialog.findChildren<QPushButton *>())
            if (button->isVisible() && button->isEnabled())
                buttons.append(button);
        if (!mayAccept || buttons.isEmpty() || Chance(40)) {
            Say(QStringLiteral("Esc in ") + name);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            if (!qobject_cast<QDialog *>(&dialog))
                dialog.close();
            return;
        }
        QPushButton *button = Any(buttons);
        Say(QStringLiteral("button \"%1\" in %2").arg(button->text(), name));
        button->click();
    }

    void TypeInto(QWidget &dialog)
    {
        static const Qt::Key keys[] = {Qt::Key_Tab, Qt::Key_Up, Qt::Key_Down, Qt::Key_Space, Qt::Key_Backspace};
        QWidget *focus = dialog.focusWidget() != nullptr ? dialog.focusWidget() : &dialog;
        if (Chance(50)) {
            const Qt::Key key = Any(keys);
            Say(QStringLiteral("dialog key %1").arg(key));
            QTest::keyClick(focus, key);
            return;
        }
        const QString text = RandomText();
        Say(QStringLiteral("dialog type \"%1\"").arg(text));
        Type(*focus, text);
    }

    // Cancels, or names a file of the folder: one of its files to open, one
    // of a few names to save (an existing one asks whether to replace it).
    void AnswerFileDialog(QFileDialog &dialog, const QString &name)
    {
        auto *nameEdit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        if (Chance(30) || nameEdit == nullptr) {
            Say(QStringLiteral("Esc in ") + name);
            QTest::keyClick(&dialog, Qt::Key_Escape);
            return;
        }
        QString file;
        if (dialog.acceptMode() == QFileDialog::AcceptSave) {
            file = m_folder.filePath(QStringLiteral("听写%1.rtf").arg(Pick(3)));
        } else {
            const QStringList files = m_folder.entryList(
                {QStringLiteral("*.wav"), QStringLiteral("*.lrc"), QStringLiteral("*.rtf"), QStringLiteral("*.mp3")},
                QDir::Files, QDir::Name);
            if (files.isEmpty())
                return;
            file = m_folder.filePath(Any(files));
        }
        Say(QStringLiteral("answer %1 with %2").arg(name, file));
        nameEdit->setFocus();
        nameEdit->setText(file);
        QTest::keyClick(nameEdit, Qt::Key_Return);
    }

    static constexpr int kStepsBetweenExits = 25;

    QObject m_context; // the steps' timers end with the monkey
    CQuillmereApp &m_app;
    QTimer m_heartbeat;
    QDir m_folder;
    std::mt19937 m_random;
    std::chrono::steady_clock::time_point m_endAt;
    int m_nStep = 0;
    bool m_bEnding = false;
    int m_nExitStep = 0;
    QWidget *m_pDialog = nullptr; // the dialog the steps below count for
    int m_nDialogSteps = 0;
};

} // namespace

int main(int argc, char **argv)
{
    UseNoDisplayOrSoundCard();
    QApplication application(argc, argv);
    bool secondsRead = false;
    bool seedRead = false;
    const int seconds = argc == 4 ? QString::fromLocal8Bit(argv[2]).toInt(&secondsRead) : 0;
    const std::uint32_t seed = argc == 4 ? QString::fromLocal8Bit(argv[3]).toUInt(&seedRead) : 0;
    if (!secondsRead || !seedRead) {
        std::fputs("usage: monkey_helper <folder> <seconds> <seed>\n", stderr);
        return 2;
    }
    std::printf("seed: %u\n", seed);
    std::fflush(stdout);
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    // File dialogs open in the working folder.
    if (!QDir::setCurrent(folder.absolutePath()))
        return 3;

    const CHangGuard guard(10, kNoAnswer);
    CQuillmereApp app(folder.filePath(QStringLiteral("q.ini")), folder.filePath(QStringLiteral("Playlist.Qpl")),
                      folder.filePath(QStringLiteral("recovery")));
    if (!app.InitInstance({QStringLiteral("quillmere")}, false) || !QTest::qWaitForWindowExposed(&app.MainFrame()))
        return 3;
    CMonkey monkey(app, folder, seed, std::chrono::seconds(seconds));
    monkey.Start();
    const int result = QApplication::exec();
    app.ExitInstance();
    std::puts("ended");
    return result;
}
