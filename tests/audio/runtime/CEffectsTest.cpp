#include "CPeakingEq.h"
#include "CReverb.h"
#include "SignalMeasure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <numbers>

namespace
{
constexpr int kRate = 44100;

std::vector<float> Sine(double hz, int frames, float amplitude = 0.25f)
{
    std::vector<float> out(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i)
        out[static_cast<size_t>(i) * 2] = out[static_cast<size_t>(i) * 2 + 1] =
            amplitude * static_cast<float>(std::sin(2 * std::numbers::pi * hz * i / kRate));
    return out;
}
} // namespace

// The band's gain as heard is in the engine's sound tests; what the filter cannot do is
// clamped, and a value that is no number is refused.
TEST(CPeakingEq, ClampsWhatTheFilterCannotDo)
{
    CPeakingEq band(22050);
    ASSERT_TRUE(band.SetParameters(BASS_FXPARAMEQ{20000.0f, 100.0f, 40.0f}));
    EXPECT_LT(band.Parameters().fCenter, 22050.0f / 3.0f);
    EXPECT_EQ(band.Parameters().fBandwidth, 36.0f);
    EXPECT_EQ(band.Parameters().fGain, 15.0f);
    EXPECT_FALSE(band.SetParameters(BASS_FXPARAMEQ{NAN, 12.0f, 0.0f}));
    std::vector<float> loud = Sine(7000, 4096, 0.5f);
    band.Process(loud.data(), 4096);
    for (float sample : loud)
        ASSERT_TRUE(std::isfinite(sample));
}

// At full mix a tail follows the sound and decays with the reverb time (mixed fully
// down, the program's "no reverb", it is not heard: in the engine's sound tests).
TEST(CReverb, ATailThatDecaysAtFullMixAndBlockSizesLeaveTheSamplesAlone)
{
    CReverb reverb(kRate);
    ASSERT_TRUE(reverb.SetParameters(BASS_FXREVERB{0.0f, 0.0f, 500.0f, 0.5f}));
    std::vector<float> signal = Sine(440, kRate / 2);
    signal.resize(static_cast<size_t>(kRate) * 2 * 2, 0.0f); // then 1.5 s of silence
    reverb.Process(signal.data(), 2 * kRate);
    const double early = Rms(signal, kRate / 2, kRate / 2 + kRate / 10);
    const double late = Rms(signal, kRate, kRate + kRate / 10);
    EXPECT_GT(early, 0.001) << "a tail follows the sound";
    // 500 ms after the sound the tail is about 60 dB down.
    EXPECT_LT(Decibels(late / early), -40.0);

    // A frame at a time or in blocks of any length across the delay lines' wraps, the
    // reverb gives the same samples.
    signal = Sine(440, kRate);
    for (size_t i = 1; i < signal.size(); i += 2)
        signal[i] *= -0.5f; // the right side differs from the left
    CReverb whole(kRate), pieces(kRate);
    for (CReverb *each : {&whole, &pieces})
        ASSERT_TRUE(each->SetParameters(BASS_FXREVERB{0.0f, -6.0f, 1500.0f, 0.3f}));
    std::vector<float> atOnce = signal;
    whole.Process(atOnce.data(), kRate);
    std::vector<float> inPieces = signal;
    constexpr int kSizes[] = {1, 3, 4, 7, 300, 2};
    for (int done = 0, piece = 0; done < kRate; ++piece) {
        const int size = std::min(kSizes[piece % std::size(kSizes)], kRate - done);
        pieces.Process(inPieces.data() + static_cast<size_t>(done) * 2, size);
        done += size;
    }
    EXPECT_EQ(inPieces, atOnce);
}
