// How well the pause finder finds sentence starts in speech whose starts are
// known: sentences spoken by espeak-ng, their own silence trimmed by sox,
// joined with 250-900 ms of silence between them, and mixed with white noise
// 30, 20 and 10 dB below the speech at three loudnesses. Prints, for each, the
// share of sentence starts found within 150 ms and the share of found starts
// near no sentence start; at 20 dB every loudness must find 95 % with at most
// 5 % false.
#include "lists/CLevelEnvelope.h"
#include "lists/CPauseFinder.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
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

void Run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(60000)) << program.toStdString() << " did not finish";
    ASSERT_EQ(process.exitCode(), 0) << program.toStdString() << ": " << process.readAllStandardError().toStdString();
}

// The sentence spoken, its leading and trailing silence trimmed, as samples.
std::vector<float> SpeakTrimmed(const QTemporaryDir &dir, const char *sentence)
{
    const QString spoken = dir.filePath(u"spoken.wav"_qs);
    const QString trimmed = dir.filePath(u"trimmed.raw"_qs);
    Run(u"espeak-ng"_qs, {u"-w"_qs, spoken, QString::fromUtf8(sentence)});
    const QStringList trim{u"silence"_qs, u"1"_qs, u"0.005"_qs, u"0.1%"_qs};
    Run(u"sox"_qs, QStringList{spoken, u"-t"_qs, u"raw"_qs, u"-r"_qs, QString::number(kRate), u"-c"_qs, u"1"_qs,
                               u"-e"_qs, u"floating-point"_qs, u"-b"_qs, u"32"_qs, trimmed} +
                       trim + QStringList{u"reverse"_qs} + trim + QStringList{u"reverse"_qs});
    QFile file(trimmed);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    std::vector<float> samples(size_t(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

double Rms(const std::vector<float> &samples)
{
    double squares = 0.0;
    for (float sample : samples)
        squares += double(sample) * sample;
    return std::sqrt(squares / double(samples.size()));
}

bool Near(int ms, const std::vector<int> &starts)
{
    return std::any_of(starts.begin(), starts.end(), [ms](int start) { return std::abs(ms - start) <= kToleranceMs; });
}

} // namespace

TEST(PauseMeasure, FindsTheStartsOfSpokenSentencesInNoise)
{
    // The sentences joined by pauses spread over 250-900 ms, and where each starts.
    QTemporaryDir dir;
    std::vector<float> speech(kEdgeMs * kRate / 1000, 0.0F);
    std::vector<float> speechOnly;
    std::vector<int> starts;
    const int count = int(std::size(kSentences));
    for (int i = 0; i < count; ++i) {
        const std::vector<float> spoken = SpeakTrimmed(dir, kSentences[i]);
        ASSERT_GT(spoken.size(), size_t(kRate)) << kSentences[i];
        starts.push_back(int(speech.size() * 1000 / kRate));
        speech.insert(speech.end(), spoken.begin(), spoken.end());
        speechOnly.insert(speechOnly.end(), spoken.begin(), spoken.end());
        speech.resize(speech.size() + size_t((i + 1 < count ? 250 + (i * 293) % 651 : kEdgeMs) * kRate / 1000));
    }
    std::vector<float> noise(speech.size());
    std::mt19937 random(1);
    std::uniform_real_distribution<float> white(-1.0F, 1.0F);
    std::generate(noise.begin(), noise.end(), [&] { return white(random); });
    const double speechRms = Rms(speechOnly);
    const double noiseRms = Rms(noise);

    std::printf("noise below speech | loudness | starts found | false starts\n");
    for (double snrDb : {30.0, 20.0, 10.0}) {
        for (double loudness : {1.0, 0.3, 0.05}) {
            // The speech times loudness with noise snrDb below it.
            const double noiseGain = speechRms * std::pow(10.0, -snrDb / 20.0) / noiseRms;
            std::vector<float> mixed(speech.size());
            for (size_t i = 0; i < mixed.size(); ++i)
                mixed[i] = float(std::clamp(loudness * (speech[i] + noiseGain * noise[i]), -1.0, 1.0));
            CLevelEnvelope envelope(kRate, 1);
            for (size_t at = 0; at < mixed.size(); at += 4096)
                envelope.Feed(mixed.data() + at, std::min<size_t>(4096, mixed.size() - at));
            envelope.Finish();

            std::vector<int> found;
            for (const CFoundStretch &stretch : CPauseFinder().Find(envelope))
                found.push_back(stretch.m_nStartMs);
            const double hits =
                double(std::count_if(starts.begin(), starts.end(), [&](int s) { return Near(s, found); }));
            const double wrong =
                double(std::count_if(found.begin(), found.end(), [&](int s) { return !Near(s, starts); }));
            const double foundShare = 100.0 * hits / double(starts.size());
            const double falseShare = found.empty() ? 0.0 : 100.0 * wrong / double(found.size());
            std::printf("%15.0f dB | %8.2f | %10.1f %% | %10.1f %%\n", snrDb, loudness, foundShare, falseShare);
            if (snrDb == 20.0) {
                EXPECT_GE(foundShare, 95.0) << "loudness " << loudness;
                EXPECT_LE(falseShare, 5.0) << "loudness " << loudness;
            }
        }
    }
}
