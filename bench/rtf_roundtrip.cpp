// rtf-roundtrip IN OUT: reads an RTF file and writes it back through the
// reader and writer, for checking files by hand.
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>
#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: rtf-roundtrip IN OUT\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    QTextDocument document;
    CRtfReader reader;
    if (!reader.Read(in.readAll(), document)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(reader.ErrorString()));
        return 1;
    }
    if (reader.IsDamaged())
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(reader.ErrorString()));
    QFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(CRtfWriter().Write(document)) < 0 || !out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return reader.IsDamaged() ? 3 : 0;
}
