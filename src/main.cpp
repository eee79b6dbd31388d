#include "frame/CQuillmereApp.h"
#include "widgets/CommandIcons.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setWindowIcon(ProgramIcon());
    CQuillmereApp app;
    if (!app.InitInstance(QApplication::arguments()))
        return 0;
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
