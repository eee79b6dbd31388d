// Reading and writing a 1 MB transcript: Chinese and Latin mixed, several
// character formats in every paragraph.
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QGuiApplication>
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

// About 1 MB of RTF: the paragraph count is scaled from a small sample.
QByteArray MakeRtf()
{
    constexpr qsizetype kTarget = 1024 * 1024;
    constexpr int kSample = 100;
    QTextDocument sample;
    BuildTranscript(sample, kSample);
    const qsizetype sampleBytes = CRtfWriter().Write(sample).size();
    QTextDocument document;
    BuildTranscript(document, static_cast<int>(kSample * kTarget / sampleBytes) + 1);
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

} // namespace

BENCHMARK(BM_ReadTranscript)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteTranscript)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
