// How well the pause finder finds sentence starts in speech whose starts are known: sentences
// spoken by espeak-ng, their own silence trimmed by sox, joined with 250-900 ms of silence, and mixed
// with white noise 30, 20 and 10 dB below the speech at three loudnesses. Prints, for each, the share
// of sentence starts found within 150 ms and of found starts near none; at 20 dB every loudness must
// find 95 % with at most 5 % false.
#include "lists/CLevelEnvelope.h"
#include "lists/CPauseFinder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

namespace
{

constexpr int kRate = 22050;
constexpr int kToleranceMs = 150;
constexpr int kEdgeMs = 1000; // silence before the first sentence and after the last

// Sixteen sentences, a "|" or a line end between them.
const QStringList kSentences =
    QStringLiteral(
        R"(The train to the city leaves every morning at seven.|My neighbour grows tomatoes and beans in her small garden.
We walked along the river until the sun went down.|Please remember to close the windows before you leave the house.
The children played football in the park after school.|He bought a new pair of shoes for the winter.
Our teacher explained the lesson again very slowly.|The library opens at nine and closes at six in the evening.
She wrote a long letter to her grandmother last week.|The weather was cold and windy for the whole weekend.
They found an old map hidden inside the wooden box.|I usually drink a cup of tea before going to bed.
The market sells fresh fish and vegetables every Saturday.|My brother is learning to play the piano this year.
The museum was full of visitors from many countries.|We should ask the driver where the next stop is.)")
        .split(QRegularExpression(QStringLiteral("[|\n]")));

// The sentence spoken, its leading and trailing silence trimmed, as samples.
std::vector<float> SpeakTrimmed(const QTemporaryDir &dir, const QString &sentence)
{
    const QString spoken = dir.filePath(u"spoken.wav"_qs);
    const QString trimmed = dir.filePath(u"trimmed.raw"_qs);
    EXPECT_EQ(QProcess::execute(u"espeak-ng"_qs, {u"-w"_qs, spoken, sentence}), 0);
    // Raw 32-bit floats, the silence trimmed from the start, then (reversed) from the end.
    const QString trim = QStringLiteral(" silence 1 0.005 0.1% reverse");
    const QString arguments = QStringLiteral(" -t raw -r %1 -c 1 -e floating-point -b 32 ").arg(kRate);
    EXPECT_EQ(QProcess::execute(u"sox"_qs, (spoken + arguments + trimmed + trim + trim).split(u' ')), 0);
    const QByteArray bytes = ReadAllBytes(trimmed);
    std::vector<float> samples(size_t(bytes.size()) / sizeof(float));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
    return samples;
}

double Rms(const std::vector<float> &samples)
{
    return std::sqrt(std::inner_product(samples.begin(), samples.end(), samples.begin(), 0.0) / double(samples.size()));
}

// The share, in per cent, of the times near one of others.
double ShareNear(const std::vector<int> &times, const std::vector<int> &others)
{
    const auto near = [&others](int ms) {
        return std::any_of(others.begin(), others.end(),
                           [ms](int other) { return std::abs(ms - other) <= kToleranceMs; });
    };
    return times.empty() ? 100.0
                         : 100.0 * double(std::count_if(times.begin(), times.end(), near)) / double(times.size());
}

} // namespace

TEST(PauseMeasure, FindsTheStartsOfSpokenSentencesInNoise)
{
    // The sentences joined by pauses spread over 250-900 ms, and where each starts.
    QTemporaryDir dir;
    std::vector<float> speech(kEdgeMs * kRate / 1000, 0.0F);
    std::vector<float> speechOnly;
    std::vector<int> starts;
    const int count = int(kSentences.size());
    for (int i = 0; i < count; ++i) {
        const std::vector<float> spoken = SpeakTrimmed(dir, kSentences[i]);
        ASSERT_GT(spoken.size(), size_t(kRate)) << kSentences[i].toStdString();
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
            const double foundShare = ShareNear(starts, found), falseShare = 100.0 - ShareNear(found, starts);
            std::printf("%15.0f dB | %8.2f | %10.1f %% | %10.1f %%\n", snrDb, loudness, foundShare, falseShare);
            if (snrDb == 20.0) {
                EXPECT_GE(foundShare, 95.0) << "loudness " << loudness;
                EXPECT_LE(falseShare, 5.0) << "loudness " << loudness;
            }
        }
    }
}
