// Feeds arbitrary bytes to the RTF reader. The quick look before an open must
// agree with the reader on what reads whole. Whatever it reads, the writer's
// RTF of it must read back cleanly and be written again byte for byte.
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Fonts need an application object. It lives until the process ends and is
    // never destroyed: at exit Qt's own globals may already be gone.
    static int argc = 1;
    static char name[] = "rtf_reader_fuzzer";
    static char *argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static const QGuiApplication *app = new QGuiApplication(argc, argv);
    Q_UNUSED(app);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView rtf(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    CRtfReader reader;
    const bool read = reader.Read(rtf, document);
    if (CRtfReader::IsWhole(rtf) != (read && !reader.IsDamaged())) {
        std::fprintf(stderr, "the quick look and the reader disagree on whether the RTF is whole\n");
        std::abort();
    }
    if (!read)
        return 0;
    const QByteArray saved = CRtfWriter().Write(document);
    QTextDocument again;
    CRtfReader second;
    if (!second.Read(saved, again) || second.IsDamaged()) {
        std::fprintf(stderr, "our own RTF did not read back:\n%s\n", saved.constData());
        std::abort();
    }
    if (CRtfWriter().Write(again) != saved) {
        std::fprintf(stderr, "saving again changed the RTF:\n%s\n---\n%s\n", saved.constData(),
                     CRtfWriter().Write(again).constData());
        std::abort();
    }
    return 0;
}
