// Checking a transcript against its reference: a one-hour lesson that mostly
// agrees, two unrelated texts, and a huge transcript against a short line.
#include "lists/CDictationCheck.h"

#include <benchmark/benchmark.h>

#include <QStringList>
#include <random>

namespace
{

constexpr int kLessonWords = 10'000;

// Words drawn from a vocabulary of a few thousand, like a lesson's text.
QStringList RandomWords(int count, std::mt19937 &random)
{
    std::uniform_int_distribution<int> word(0, 4999);
    QStringList words;
    for (int i = 0; i < count; ++i)
        words.append(QStringLiteral("w%1").arg(word(random)));
    return words;
}

// Twenty-word lines, one stretch each.
std::vector<CReferenceStretch> StretchesOf(const QStringList &words)
{
    std::vector<CReferenceStretch> stretches;
    for (qsizetype i = 0; i < words.size(); i += 20) {
        const auto start = static_cast<std::uint32_t>(i * 300);
        stretches.push_back({start, start + 6000, words.mid(i, 20).join(QLatin1Char(' '))});
    }
    return stretches;
}

// The reference with about one word in twenty wrong, missing or extra.
QString TypedWithMistakes(const QStringList &reference, std::mt19937 &random)
{
    std::uniform_int_distribution<int> chance(0, 59);
    QStringList typed;
    for (const QString &word : reference) {
        switch (chance(random)) {
        case 0: typed.append(QStringLiteral("wrong")); break;
        case 1: break;
        case 2: typed.append({word, QStringLiteral("extra")}); break;
        default: typed.append(word);
        }
    }
    return typed.join(QLatin1Char(' '));
}

void Check(benchmark::State &state, const std::vector<CReferenceStretch> &stretches, const QString &typed)
{
    int correct = 0;
    bool bounded = false;
    for (auto _ : state) {
        const CDictationCheck check(stretches, typed);
        correct = check.Totals().m_nCorrect;
        bounded = check.Alignment().IsBounded();
        benchmark::DoNotOptimize(correct);
    }
    state.counters["correct"] = correct;
    state.counters["bounded"] = bounded;
}

void BM_CheckLessonMostlyRight(benchmark::State &state)
{
    std::mt19937 random(1);
    const QStringList reference = RandomWords(kLessonWords, random);
    Check(state, StretchesOf(reference), TypedWithMistakes(reference, random));
}
BENCHMARK(BM_CheckLessonMostlyRight)->Unit(benchmark::kMillisecond);

void BM_CheckUnrelatedTexts(benchmark::State &state)
{
    std::mt19937 random(2);
    const QStringList reference = RandomWords(kLessonWords, random);
    Check(state, StretchesOf(reference), RandomWords(kLessonWords, random).join(QLatin1Char(' ')));
}
BENCHMARK(BM_CheckUnrelatedTexts)->Unit(benchmark::kMillisecond);

// Unrelated texts on a vocabulary so small that no word is unique to cut at.
void BM_CheckUnrelatedTextsFewWords(benchmark::State &state)
{
    std::mt19937 random(3);
    std::uniform_int_distribution<int> word(0, 49);
    QStringList reference, typed;
    for (int i = 0; i < kLessonWords; ++i) {
        reference.append(QStringLiteral("w%1").arg(word(random)));
        typed.append(QStringLiteral("w%1").arg(word(random)));
    }
    Check(state, StretchesOf(reference), typed.join(QLatin1Char(' ')));
}
BENCHMARK(BM_CheckUnrelatedTextsFewWords)->Unit(benchmark::kMillisecond);

void BM_CheckTenMegabytesAgainstTenWords(benchmark::State &state)
{
    const QString line = QStringLiteral("one two three four five six seven eight nine ten");
    QString typed;
    while (typed.size() < 10'000'000)
        typed += QStringLiteral("lorem ipsum dolor sit amet, consectetur adipiscing elit ");
    typed += line;
    Check(state, {{0, 5000, line}}, typed);
}
BENCHMARK(BM_CheckTenMegabytesAgainstTenWords)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
