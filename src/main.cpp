#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream(stdout) << QStringLiteral("Quillmere: the core, audio and RTF libraries are built; the main "
                                          "window is not there yet, so there is nothing to show.\n");
    return 0;
}
