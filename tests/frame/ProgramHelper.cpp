// The program the whole-program tests end from outside, on the folder's
// profile, playlist and recovery folder, with real message boxes: each is
// printed ("box: <text>") and answered with its default button, as Enter.
//
//     program_helper close <folder>          closes through 文件 → 退出
//     program_helper signal <folder> <text>  types, says "ready", waits for a signal
//     program_helper crash <folder> <text>   types, says "ready" once its
//                                            recovery copy holds the text
#include "app/Resource.h"
#include "editor/CRecoveryStore.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "frame/CRecoveryKeeper.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

using namespace std::chrono_literals;

namespace
{

void AnswerOpenBox()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible())
        return;
    std::printf("box: %s\n", box->text().toUtf8().constData());
    std::fflush(stdout);
    box->defaultButton()->click();
}

bool CopyHolds(const CRecoveryStore &store, const QByteArray &text)
{
    for (const CRecoveryStore::SCopy &copy : store.List())
        if (ReadAllBytes(copy.m_strCopyPath).contains(text))
            return true;
    return false;
}

// Types the text at the end of the transcript. Before a signal no copy is
// written on its own, only the signal's; before a kill, quickly.
bool TypeAndSayReady(CQuillmereApp &app, const QString &text, bool copyFirst)
{
    app.RecoveryKeeper().SetTiming(copyFirst ? 300ms : 1h, copyFirst ? 100ms : 1h);
    app.EditorView().setFocus();
    QTest::keyClick(&app.EditorView(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&app.EditorView(), text);
    if (copyFirst && !QTest::qWaitFor([&] { return CopyHolds(app.RecoveryKeeper().Store(), text.toUtf8()); }, 30000))
        return false;
    std::puts("ready");
    std::fflush(stdout);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    UseNoDisplayOrSoundCard();
    QApplication application(argc, argv);
    const QByteArray mode = argc > 2 ? argv[1] : "";
    if (!(mode == "close" || ((mode == "signal" || mode == "crash") && argc == 4))) {
        std::fputs("usage: program_helper close <folder> | signal <folder> <text> | crash <folder> <text>\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[2]));
    QTimer answerer;
    QObject::connect(&answerer, &QTimer::timeout, &AnswerOpenBox);
    answerer.start(50);

    CQuillmereApp app(folder.filePath(QStringLiteral("q.ini")), folder.filePath(QStringLiteral("Playlist.Qpl")),
                      folder.filePath(QStringLiteral("recovery")));
    app.EndOnTerminationSignals();
    if (!app.InitInstance({QStringLiteral("quillmere")}, false) || !QTest::qWaitForWindowExposed(&app.MainFrame()))
        return 3;
    if (mode == "close")
        QTimer::singleShot(0, [&app] { app.MainFrame().RaiseCommand(ID_APP_EXIT); });
    else if (!TypeAndSayReady(app, QString::fromLocal8Bit(argv[3]), mode == "crash"))
        return 3;
    const int result = app.IsEndingOnSignal() ? 0 : QApplication::exec();
    app.ExitInstance();
    return result;
}
