// Feeds arbitrary bytes to the RTF reader. Whatever it reads, the writer's
// RTF of it must read back cleanly and be written again byte for byte.
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace
{

std::unique_ptr<QGuiApplication> g_pApp;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    g_pApp = std::make_unique<QGuiApplication>(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView rtf(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    CRtfReader reader;
    if (!reader.Read(rtf, document))
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
