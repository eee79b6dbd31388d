#include "frame/CQuillmereApp.h"
#include "widgets/CommandIcons.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setWindowIcon(ProgramIcon());
    CQuillmereApp app;
    app.EndOnTerminationSignals();
    if (!app.InitInstance(QApplication::arguments()))
        return 0;
    // A signal that came while a start-up question was open has ended only
    // that question's loop.
    const int result = app.IsEndingOnSignal() ? 0 : QApplication::exec();
    app.ExitInstance();
    return result;
}
