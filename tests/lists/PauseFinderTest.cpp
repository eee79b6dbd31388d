// The level envelope's windows, and the pause finder's rules on envelopes
// built from flat stretches of known level.
#include "lists/CLevelEnvelope.h"
#include "lists/CPauseFinder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <vector>

namespace
{

constexpr int kRate = 1000; // ten samples to a 10 ms window

constexpr float kQuiet = 0.001F; // -60 dB, the noise between sentences
constexpr float kSpeech = 0.1F;  // -20 dB
constexpr float kDip = 0.01F;    // -40 dB, quieter speech but no pause
constexpr float kHalfDip = 0.03F;

struct CPiece {
    int m_nMs;
    float m_fLevel;
};

// A mono square wave whose level (its peak and RMS) is each piece's in turn,
// times scale.
std::vector<float> Samples(const std::vector<CPiece> &pieces, float scale = 1.0F)
{
    std::vector<float> samples;
    for (const CPiece &piece : pieces)
        for (int i = 0; i < piece.m_nMs * kRate / 1000; ++i)
            samples.push_back((samples.size() % 2 == 0 ? 1.0F : -1.0F) * piece.m_fLevel * scale);
    return samples;
}

CLevelEnvelope Envelope(const std::vector<CPiece> &pieces, float scale = 1.0F)
{
    CLevelEnvelope envelope(kRate, 1);
    const std::vector<float> samples = Samples(pieces, scale);
    envelope.Feed(samples.data(), samples.size());
    envelope.Finish();
    return envelope;
}

std::vector<CFoundStretch> Found(const std::vector<CPiece> &pieces, float scale = 1.0F)
{
    return CPauseFinder().Find(Envelope(pieces, scale));
}

} // namespace

void PrintTo(const CFoundStretch &stretch, std::ostream *out)
{
    *out << '[' << stretch.m_nStartMs << ", " << stretch.m_nEndMs << ')';
}

TEST(LevelEnvelope, KeepsPeakAndRmsPerWindowWhateverTheBlocks)
{
    // 25 ms of stereo at 2 kHz: 40 samples to a window, the last one partial.
    std::vector<float> samples;
    for (int frame = 0; frame < 50; ++frame) {
        samples.push_back(frame < 20 ? 0.5F : 0.1F);
        samples.push_back(frame < 20 ? -0.5F : (frame == 30 ? 0.9F : 0.1F));
    }
    for (size_t block : {size_t{1}, size_t{7}, size_t{50}}) {
        CLevelEnvelope envelope(2000, 2);
        for (size_t frame = 0; frame < 50; frame += block)
            envelope.Feed(samples.data() + frame * 2, std::min(block, 50 - frame));
        envelope.Finish();
        ASSERT_EQ(envelope.WindowCount(), 3) << block;
        EXPECT_EQ(envelope.WindowMs(), 10);
        EXPECT_FLOAT_EQ(envelope.PeakAt(0), 0.5F);
        EXPECT_FLOAT_EQ(envelope.RmsAt(0), 0.5F);
        EXPECT_FLOAT_EQ(envelope.PeakAt(1), 0.9F);
        EXPECT_NEAR(envelope.RmsAt(1), std::sqrt((39 * 0.01 + 0.81) / 40), 1e-6);
        EXPECT_FLOAT_EQ(envelope.PeakAt(2), 0.1F);
        EXPECT_FLOAT_EQ(envelope.RmsAt(2), 0.1F);
    }
}

TEST(PauseFinder, StretchesRunBetweenPausesWithLeadInAndTail)
{
    // A 150 ms gap inside the first sentence is no pause.
    const auto found = Found({{500, kQuiet},
                              {1000, kSpeech},
                              {150, kQuiet},
                              {1000, kSpeech},
                              {400, kQuiet},
                              {2000, kSpeech},
                              {500, kQuiet}});
    const std::vector<CFoundStretch> expected{{400, 2800}, {2950, 5200}};
    EXPECT_EQ(found, expected);
}

TEST(PauseFinder, ShortStretchJoinsTheNeighbourAcrossTheShorterPause)
{
    const std::vector<CFoundStretch> joinedEarlier{{400, 3750}, {4000, 6250}};
    EXPECT_EQ(Found({{500, kQuiet},
                     {2000, kSpeech},
                     {300, kQuiet},
                     {800, kSpeech},
                     {500, kQuiet},
                     {2000, kSpeech},
                     {500, kQuiet}}),
              joinedEarlier);
    const std::vector<CFoundStretch> joinedLater{{400, 2650}, {2900, 6250}};
    EXPECT_EQ(Found({{500, kQuiet},
                     {2000, kSpeech},
                     {500, kQuiet},
                     {800, kSpeech},
                     {300, kQuiet},
                     {2000, kSpeech},
                     {500, kQuiet}}),
              joinedLater);
    // At the end there is only one side to join.
    const std::vector<CFoundStretch> joinedLast{{400, 3450}};
    EXPECT_EQ(Found({{500, kQuiet}, {2000, kSpeech}, {300, kQuiet}, {500, kSpeech}, {500, kQuiet}}), joinedLast);
}

TEST(PauseFinder, LongStretchIsCutAtItsDeepestPointUntilNoneIsTooLong)
{
    // 30.2 s without a pause (the quiet at both ends lets the finder
    // tell the noise floor): cut at the deepest dip (not the shallower one
    // before it), then the 18 s left again at its own dip.
    const auto found = Found({{2000, kQuiet},
                              {4000, kSpeech},
                              {100, kHalfDip},
                              {5900, kSpeech},
                              {100, kDip},
                              {9900, kSpeech},
                              {200, kDip},
                              {10000, kSpeech},
                              {2000, kQuiet}});
    const std::vector<CFoundStretch> expected{{1900, 12000}, {12000, 22100}, {22100, 32350}};
    EXPECT_EQ(found, expected);
}

TEST(PauseFinder, QuietAndLoudCopiesGiveTheSameStretches)
{
    const std::vector<CPiece> pieces{{2000, kQuiet}, {2000, kSpeech}, {300, kQuiet}, {800, kSpeech},
                                     {500, kQuiet},  {6000, kSpeech}, {100, kDip},   {7000, kSpeech},
                                     {600, kQuiet},  {1800, kSpeech}, {2000, kQuiet}};
    const std::vector<CFoundStretch> expected{{1900, 5250}, {5500, 11600}, {11600, 18850}, {19200, 21250}};
    EXPECT_EQ(Found(pieces), expected);
    EXPECT_EQ(Found(pieces, 0.02F), expected);
    EXPECT_EQ(Found(pieces, 8.0F), expected);
}
