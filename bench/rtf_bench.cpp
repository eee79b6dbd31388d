// Reading and writing a 1 MB transcript: Chinese and Latin mixed, several
// character formats in every paragraph; and the learner's open of a 10 MB one.
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <benchmark/benchmark.h>

namespace
{

void BuildTranscript(QTextDocument &document, int paragraphs)
{
    QTextCursor cursor(&document);
    QTextCharFormat plain;
    plain.setFontFamilies({QStringLiteral("Arial")});
    plain.setFontPointSize(12);
    QTextCharFormat bold = plain;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat chinese = plain;
    chinese.setFontFamilies({QStringLiteral("宋体")});
    chinese.setForeground(QColor(200, 0, 0));
    QTextCharFormat italic = plain;
    italic.setFontItalic(true);
    italic.setFontUnderline(true);
    const QString english = QStringLiteral("The speaker said that the café would open at nine, ");
    const QString han = QStringLiteral("我们明天早上九点在咖啡馆见面，请不要迟到。");
    for (int paragraph = 0; paragraph < paragraphs; ++paragraph) {
        if (paragraph > 0)
            cursor.insertBlock();
        cursor.insertText(english, plain);
        cursor.insertText(QStringLiteral("important "), bold);
        cursor.insertText(han, chinese);
        cursor.insertText(QStringLiteral("perhaps"), italic);
        cursor.insertText(english, plain);
    }
}

// About the given size of RTF (1 MB unless told): the paragraph count is
// scaled from a small sample.
QByteArray MakeRtf(qsizetype target = 1024 * 1024)
{
    constexpr int kSample = 100;
    QTextDocument sample;
    BuildTranscript(sample, kSample);
    const qsizetype sampleBytes = CRtfWriter().Write(sample).size();
    QTextDocument document;
    BuildTranscript(document, static_cast<int>(kSample * target / sampleBytes) + 1);
    return CRtfWriter().Write(document);
}

void BM_ReadTranscript(benchmark::State &state)
{
    const QByteArray rtf = MakeRtf();
    for (auto _ : state) {
        QTextDocument document;
        CRtfReader reader;
        benchmark::DoNotOptimize(reader.Read(rtf, document));
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
    state.counters["rtf_bytes"] = double(rtf.size());
}

void BM_WriteTranscript(benchmark::State &state)
{
    QTextDocument document;
    CRtfReader reader;
    reader.Read(MakeRtf(), document);
    qsizetype bytes = 0;
    for (auto _ : state) {
        const QByteArray rtf = CRtfWriter().Write(document);
        bytes = rtf.size();
        benchmark::DoNotOptimize(rtf.data());
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["rtf_bytes"] = double(bytes);
}

// The whole open of a 10 MB transcript file: read, check, load.
void BM_OpenHugeTranscript(benchmark::State &state)
{
    const QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("huge.rtf"));
    QFile file(path);
    const QByteArray rtf = MakeRtf(10 * 1024 * 1024);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size()) {
        state.SkipWithError("cannot write the transcript");
        return;
    }
    file.close();
    for (auto _ : state) {
        CQuillmereDoc document;
        benchmark::DoNotOptimize(document.OnOpenDocument(path));
    }
    state.SetBytesProcessed(state.iterations() * rtf.size());
    state.counters["rtf_bytes"] = double(rtf.size());
}

} // namespace

BENCHMARK(BM_ReadTranscript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTranscript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenHugeTranscript)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
