// The program a recovery test kills: starts Quillmere on the folder's profile
// and playlist, types the text into the editor with real key presses, waits
// until the recovery copy holds it, says "ready" and waits to be killed.
//
//     recovery_crash_helper <folder> <text>
#include "editor/CRecoveryStore.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "frame/CRecoveryKeeper.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include <QApplication>
#include <QDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>

using namespace std::chrono_literals;

namespace
{

bool CopyHolds(const CRecoveryStore &store, const QByteArray &text)
{
    for (const CRecoveryStore::SCopy &copy : store.List()) {
        if (ReadAllBytes(copy.m_strCopyPath).contains(text))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    UseNoDisplayOrSoundCard();
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: recovery_crash_helper <folder> <text>\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    const QString text = QString::fromLocal8Bit(argv[2]);
    CRecordingPrompt prompt(CPrompt::IDNO);
    CQuillmereApp app(folder.filePath(QStringLiteral("q.ini")), folder.filePath(QStringLiteral("Playlist.Qpl")),
                      folder.filePath(QStringLiteral("recovery")));
    if (!app.InitInstance({QStringLiteral("quillmere")}, false) || !QTest::qWaitForWindowExposed(&app.MainFrame()))
        return 2;
    app.RecoveryKeeper().SetTiming(300ms, 100ms);
    app.EditorView().setFocus();
    QTest::keyClick(&app.EditorView(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(&app.EditorView(), text);
    if (!QTest::qWaitFor([&] { return CopyHolds(app.RecoveryKeeper().Store(), text.toUtf8()); }, 30000))
        return 3;
    std::puts("ready");
    std::fflush(stdout);
    return QApplication::exec(); // until the test kills it
}
