// The program a shutdown test ends, started as main() starts it but on the
// folder's profile, playlist and recovery folder, with real message boxes.
// Every box that opens is printed ("box: <text>") and answered with its
// default button, as a learner pressing Enter would.
//
//     program_end_helper close <folder>          closes through 文件 → 退出
//     program_end_helper signal <folder> <text>  types the text, says "ready"
//                                                and runs until a signal ends it
#include "app/Resource.h"
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

void TypeAndSayReady(CQuillmereApp &app, const QString &text)
{
    // No copy is written on its own while the test runs: only the signal's.
    app.RecoveryKeeper().SetTiming(1h, 1h);
    app.EditorView().setFocus();
    QTest::keyClicks(&app.EditorView(), text);
    std::puts("ready");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    UseNoDisplayOrSoundCard();
    QApplication application(argc, argv);
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode != QStringLiteral("close") && !(mode == QStringLiteral("signal") && argc == 4)) {
        std::fputs("usage: program_end_helper close <folder> | signal <folder> <text>\n", stderr);
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
    if (mode == QStringLiteral("close"))
        QTimer::singleShot(0, [&app] { app.MainFrame().RaiseCommand(ID_APP_EXIT); });
    else
        TypeAndSayReady(app, QString::fromLocal8Bit(argv[3]));
    const int result = app.IsEndingOnSignal() ? 0 : QApplication::exec();
    app.ExitInstance();
    return result;
}
