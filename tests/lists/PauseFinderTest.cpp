// The level envelope's windows, and the pause finder's rules on envelopes
// built from flat stretches of known level.
#include "lists/CLevelEnvelope.h"
#include "lists/CPauseFinder.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>
#include <ostream>
#include <vector>

namespace
{

constexpr int kRate = 1000; // ten samples to a 10 ms window

using Found = std::vector<CFoundStretch>;

// A mono square wave made of pieces such as "q500 s1000": so many milliseconds
// of quiet (q, -60 dB, the noise between sentences), speech (s, -20 dB), a dip
// (d, -40 dB, quieter speech but no pause) or a half dip (h), times scale.
Found FindIn(const char *pieces, float scale = 1.0F)
{
    const std::map<char, float> levels{{'q', 0.001F}, {'s', 0.1F}, {'d', 0.01F}, {'h', 0.03F}};
    std::vector<float> samples;
    for (const QString &piece : QString::fromLatin1(pieces).split(u' ')) {
        const float level = levels.at(char(piece[0].unicode())) * scale;
        for (int i = 0; i < piece.mid(1).toInt() * kRate / 1000; ++i)
            samples.push_back(samples.size() % 2 == 0 ? level : -level);
    }
    CLevelEnvelope envelope(kRate, 1);
    envelope.Feed(samples.data(), samples.size());
    envelope.Finish();
    return CPauseFinder().Find(envelope);
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
    for (int frame = 0; frame < 50; ++frame)
        samples.insert(samples.end(), {frame < 20 ? 0.5F : 0.1F, frame < 20 ? -0.5F : (frame == 30 ? 0.9F : 0.1F)});
    for (size_t block : {size_t{1}, size_t{7}, size_t{50}}) {
        CLevelEnvelope envelope(2000, 2);
        for (size_t frame = 0; frame < 50; frame += block)
            envelope.Feed(samples.data() + frame * 2, std::min(block, 50 - frame));
        envelope.Finish();
        ASSERT_EQ(envelope.WindowCount(), 3) << block;
        EXPECT_EQ(envelope.WindowMs(), 10);
        const double middleRms = std::sqrt((39 * 0.01 + 0.81) / 40);
        for (const auto &[window, peak, rms] : {std::tuple{0, 0.5, 0.5}, {1, 0.9, middleRms}, {2, 0.1, 0.1}}) {
            EXPECT_NEAR(envelope.PeakAt(window), peak, 1e-6) << window;
            EXPECT_NEAR(envelope.RmsAt(window), rms, 1e-6) << window;
        }
    }
}

TEST(PauseFinder, StretchesBetweenPausesJoinedWhenShortAndCutWhenLong)
{
    const std::tuple<const char *, const char *, Found> cases[] = {
        {"a 150 ms gap inside the first sentence is no pause; lead-in and tail",
         "q500 s1000 q150 s1000 q400 s2000 q500",
         {{400, 2800}, {2950, 5200}}},
        {"a short stretch joins the neighbour across the shorter pause: the earlier",
         "q500 s2000 q300 s800 q500 s2000 q500",
         {{400, 3750}, {4000, 6250}}},
        {"the later", "q500 s2000 q500 s800 q300 s2000 q500", {{400, 2650}, {2900, 6250}}},
        {"at the end there is only one side to join", "q500 s2000 q300 s500 q500", {{400, 3450}}},
        // 30.2 s without a pause (the quiet at both ends lets the finder tell the noise floor).
        {"cut at the deepest dip (not the shallower one before it), then the 18 s left again at its own",
         "q2000 s4000 h100 s5900 d100 s9900 d200 s10000 q2000",
         {{1900, 12000}, {12000, 22100}, {22100, 32350}}},
    };
    for (const auto &[what, pieces, expected] : cases)
        EXPECT_EQ(FindIn(pieces), expected) << what;

    // Quiet and loud copies of the same recording give the same stretches.
    const Found expected{{1900, 5250}, {5500, 11600}, {11600, 18850}, {19200, 21250}};
    for (float scale : {1.0F, 0.02F, 8.0F})
        EXPECT_EQ(FindIn("q2000 s2000 q300 s800 q500 s6000 d100 s7000 q600 s1800 q2000", scale), expected) << scale;
}
