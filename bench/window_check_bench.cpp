// The check report for a long lesson: 600 stretches of fifteen words, about one word
// in ten typed wrong, built from the check and shown in the window 听写检查.
#include "frame/CCheckReportDlg.h"
#include "session/CCheckReport.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStringList>

namespace
{

constexpr int kStretches = 600;
constexpr int kWordsPerStretch = 15;

std::vector<CReferenceStretch> Reference()
{
    std::vector<CReferenceStretch> stretches;
    for (int i = 0; i < kStretches; ++i) {
        QStringList words;
        for (int w = 0; w < kWordsPerStretch; ++w)
            words.append(QStringLiteral("word%1").arg((i * kWordsPerStretch + w) % 997));
        stretches.push_back({std::uint32_t(i * 5000), std::uint32_t(i * 5000 + 5000), words.join(u' ')});
    }
    return stretches;
}

QString Typed(const std::vector<CReferenceStretch> &reference)
{
    QStringList typed;
    for (const CReferenceStretch &stretch : reference) {
        QStringList words = stretch.m_strText.split(u' ');
        words[3] = QStringLiteral("wrong");
        words.removeAt(9);
        typed.append(words.join(u' '));
    }
    return typed.join(u'\n');
}

void BM_ShowReportOf600Stretches(benchmark::State &state)
{
    const std::vector<CReferenceStretch> reference = Reference();
    const CDictationCheck check(reference, Typed(reference));
    CCheckReportDlg window;
    window.show();
    for (auto _ : state) {
        window.ShowReport(BuildCheckReport(reference, check, {}, {}));
        QApplication::processEvents(); // painted
    }
}
BENCHMARK(BM_ShowReportOf600Stretches)->Unit(benchmark::kMillisecond);

} // namespace
