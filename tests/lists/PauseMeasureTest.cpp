// How well the pause finder finds sentence starts in speech whose starts are
// known: sentences spoken by espeak-ng, their own silence trimmed, joined by
// sox with 250-900 ms of silence between them, and mixed with white noise 30,
// 20 and 10 dB below the speech at three loudnesses. Prints, for each, the
// share of sentence starts found within 150 ms and the share of found starts
// near no sentence start; at 20 dB every loudness must find 95 % with at most
// 5 % false.
#include "lists/CLevelEnvelope.h"
#include "lists/CPauseFinder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{

constexpr int kRate = 22050;
constexpr int kToleranceMs = 150;
constexpr int kEdgeMs = 1000; // silence before the first sentence and after the last

const char *const kSentences[] = {
    "The train to the city leaves every morning at seven.",
    "My neighbour grows tomatoes and beans in her small garden.",
    "We walked along the river until the sun went down.",
    "Please remember to close the windows before you leave the house.",
    "The children played football in the park after school.",
    "He bought a new pair of shoes for the winter.",
    "Our teacher explained the lesson again very slowly.",
    "The library opens at nine and closes at six in the evening.",
    "She wrote a long letter to her grandmother last week.",
    "The weather was cold and windy for the whole weekend.",
    "They found an old map hidden inside the wooden box.",
    "I usually drink a cup of tea before going to bed.",
    "The market sells fresh fish and vegetables every Saturday.",
    "My brother is learning to play the piano this year.",
    "The museum was full of visitors from many countries.",
    "We should ask the driver where the next stop is.",
};

QStringList RawFloat()
{
    return {QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"), QString::number(kRate),
            QStringLiteral("-c"), QStringLiteral("1"),   QStringLiteral("-e"), QStringLiteral("floating-point"),
            QStringLiteral("-b"), QStringLiteral("32")};
}

// sox's null input at our rate, then the format of the output that follows.
QStringList Silent()
{
    return QStringList{QStringLiteral("-r"), QString::number(kRate), QStringLiteral("-n")} + RawFloat();
}

void Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(60000)) << program.toStdString() << " did not finish";
    ASSERT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << process.readAllStandardError().toStdString();
}

std::vector<float> ReadRaw(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    std::vector<float> samples(static_cast<size_t>(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

double Rms(const std::vector<float> &samples)
{
    double squares = 0.0;
    for (float sample : samples)
        squares += static_cast<double>(sample) * sample;
    return std::sqrt(squares / static_cast<double>(samples.size()));
}

// The pauses between sentences, spread over 250-900 ms.
int PauseMs(int index)
{
    return 250 + (index * 293) % 651;
}

struct CMeasure {
    double m_dFound;
    double m_dFalse;
};

bool Near(int ms, const std::vector<int> &starts)
{
    for (int start : starts)
        if (std::abs(ms - start) <= kToleranceMs)
            return true;
    return false;
}

CMeasure Compare(const std::vector<CFoundStretch> &found, const std::vector<int> &trueStarts)
{
    std::vector<int> foundStarts;
    for (const CFoundStretch &stretch : found)
        foundStarts.push_back(stretch.m_nStartMs);
    int hits = 0;
    for (int start : trueStarts)
        hits += Near(start, foundStarts) ? 1 : 0;
    int wrong = 0;
    for (int start : foundStarts)
        wrong += Near(start, trueStarts) ? 0 : 1;
    return {100.0 * hits / static_cast<double>(trueStarts.size()),
            foundStarts.empty() ? 0.0 : 100.0 * wrong / static_cast<double>(foundStarts.size())};
}

class CSpokenSentences
{
public:
    // Speaks, trims and joins the sentences, and makes the noise to mix in.
    void Build()
    {
        const QString silence = m_dir.filePath(QStringLiteral("edge.raw"));
        Run(QStringLiteral("sox"), Silent() + QStringList{silence, QStringLiteral("trim"), QStringLiteral("0"),
                                                          QString::number(kEdgeMs * kRate / 1000) + u's'});
        QStringList joinArguments = RawFloat() + QStringList{silence};
        long long samples = kEdgeMs * kRate / 1000;
        std::vector<float> allSpeech;
        const int count = static_cast<int>(std::size(kSentences));
        for (int i = 0; i < count; ++i) {
            const QString sentence = SpeakTrimmed(i);
            const std::vector<float> spoken = ReadRaw(sentence);
            ASSERT_GT(spoken.size(), static_cast<size_t>(kRate)) << kSentences[i];
            m_starts.push_back(static_cast<int>(samples * 1000 / kRate));
            allSpeech.insert(allSpeech.end(), spoken.begin(), spoken.end());
            samples += static_cast<long long>(spoken.size());
            joinArguments += RawFloat() + QStringList{sentence};
            const int pauseMs = i + 1 < count ? PauseMs(i) : kEdgeMs;
            const QString pause = m_dir.filePath(QStringLiteral("pause%1.raw").arg(i));
            Run(QStringLiteral("sox"), Silent() + QStringList{pause, QStringLiteral("trim"), QStringLiteral("0"),
                                                              QString::number(pauseMs * kRate / 1000) + u's'});
            joinArguments += RawFloat() + QStringList{pause};
            samples += pauseMs * kRate / 1000;
        }
        m_dSpeechRms = Rms(allSpeech);
        Run(QStringLiteral("sox"), joinArguments + RawFloat() + QStringList{Joined()});
        Run(QStringLiteral("sox"), QStringList{QStringLiteral("-R")} + Silent() +
                                       QStringList{Noise(), QStringLiteral("synth"), QString::number(samples) + u's',
                                                   QStringLiteral("whitenoise")});
        m_dNoiseRms = Rms(ReadRaw(Noise()));
    }

    // The joined speech times loudness with noise snrDb below it.
    std::vector<float> Mixed(double loudness, double snrDb)
    {
        const double noise = loudness * m_dSpeechRms * std::pow(10.0, -snrDb / 20.0) / m_dNoiseRms;
        const QString mixed = m_dir.filePath(QStringLiteral("mixed.raw"));
        Run(QStringLiteral("sox"), QStringList{QStringLiteral("-m"), QStringLiteral("-v"), QString::number(loudness)} +
                                       RawFloat() +
                                       QStringList{Joined(), QStringLiteral("-v"), QString::number(noise)} +
                                       RawFloat() + QStringList{Noise()} + RawFloat() + QStringList{mixed});
        return ReadRaw(mixed);
    }

    const std::vector<int> &Starts() const { return m_starts; }

private:
    QString SpeakTrimmed(int index)
    {
        const QString spoken = m_dir.filePath(QStringLiteral("spoken%1.wav").arg(index));
        Run(QStringLiteral("espeak-ng"), {QStringLiteral("-w"), spoken, QString::fromUtf8(kSentences[index])});
        const QString trimmed = m_dir.filePath(QStringLiteral("sentence%1.raw").arg(index));
        const QStringList trim{QStringLiteral("silence"), QStringLiteral("1"), QStringLiteral("0.005"),
                               QStringLiteral("0.1%")};
        Run(QStringLiteral("sox"), QStringList{spoken} + RawFloat() + QStringList{trimmed} + trim +
                                       QStringList{QStringLiteral("reverse")} + trim +
                                       QStringList{QStringLiteral("reverse")});
        return trimmed;
    }

    QString Joined() const { return m_dir.filePath(QStringLiteral("joined.raw")); }
    QString Noise() const { return m_dir.filePath(QStringLiteral("noise.raw")); }

    QTemporaryDir m_dir;
    std::vector<int> m_starts;
    double m_dSpeechRms = 0.0;
    double m_dNoiseRms = 0.0;
};

std::vector<CFoundStretch> FindStretches(const std::vector<float> &samples)
{
    CLevelEnvelope envelope(kRate, 1);
    constexpr size_t kBlock = 4096;
    for (size_t at = 0; at < samples.size(); at += kBlock)
        envelope.Feed(samples.data() + at, std::min(kBlock, samples.size() - at));
    envelope.Finish();
    return CPauseFinder().Find(envelope);
}

} // namespace

TEST(PauseMeasure, FindsTheStartsOfSpokenSentencesInNoise)
{
    CSpokenSentences sentences;
    ASSERT_NO_FATAL_FAILURE(sentences.Build());
    std::printf("noise below speech | loudness | starts found | false starts\n");
    for (double snrDb : {30.0, 20.0, 10.0}) {
        for (double loudness : {1.0, 0.3, 0.05}) {
            const std::vector<float> mixed = sentences.Mixed(loudness, snrDb);
            ASSERT_FALSE(mixed.empty());
            const CMeasure measure = Compare(FindStretches(mixed), sentences.Starts());
            std::printf("%15.0f dB | %8.2f | %10.1f %% | %10.1f %%\n", snrDb, loudness, measure.m_dFound,
                        measure.m_dFalse);
            if (snrDb == 20.0) {
                EXPECT_GE(measure.m_dFound, 95.0) << "loudness " << loudness;
                EXPECT_LE(measure.m_dFalse, 5.0) << "loudness " << loudness;
            }
        }
    }
}
