#include "CModuleSource.h"
#include "CPeakingEq.h"
#include "CReverb.h"
#include "CTestMedia.h"
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

double BandGainDb(double bandHz, double toneHz, float gainDb)
{
    CPeakingEq band(kRate);
    band.SetParameters(BASS_FXPARAMEQ{static_cast<float>(bandHz), 18.0f, gainDb});
    const std::vector<float> dry = Sine(toneHz, kRate);
    std::vector<float> wet = dry;
    band.Process(wet.data(), kRate);
    return Decibels(Rms(wet, kRate / 2, kRate) / Rms(dry, kRate / 2, kRate));
}
} // namespace

TEST(CPeakingEq, RaisesTheCentreByItsGainLeavesTwoOctavesAwayAloneAndClamps)
{
    EXPECT_NEAR(BandGainDb(1000, 1000, 10.0f), 10.0, 0.5);
    EXPECT_NEAR(BandGainDb(1000, 250, 10.0f), 0.0, 1.0);
    EXPECT_NEAR(BandGainDb(1000, 4000, 10.0f), 0.0, 1.0);
    EXPECT_NEAR(BandGainDb(125, 125, -10.0f), -10.0, 0.5);
    EXPECT_NEAR(BandGainDb(8000, 8000, 10.0f), 10.0, 0.5);
    EXPECT_NEAR(BandGainDb(1000, 1000, 0.0f), 0.0, 1e-6) << "0 dB is flat";

    // What the filter cannot do is clamped.
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

// Mixed fully down (the program's "no reverb") the sound is dry; at full mix a tail
// follows it and decays with the reverb time.
TEST(CReverb, DryWhenMixedDownATailThatDecaysAtFullMixAndBlockSizesLeaveTheSamplesAlone)
{
    CReverb dry(kRate);
    BASS_FXREVERB values = dry.Parameters();
    values.fReverbMix = -0.012f * 20 * 20 * 20;
    ASSERT_TRUE(dry.SetParameters(values));
    const std::vector<float> sound = Sine(440, kRate);
    std::vector<float> unchanged = sound;
    dry.Process(unchanged.data(), kRate);
    EXPECT_EQ(unchanged, sound);

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

TEST(CModuleSource, RendersAModuleAndSeeksInIt)
{
    int error = -1;
    std::unique_ptr<CSource> module = CModuleSource::Open(CTestMedia::Path("song.mod"), kRate, error);
    ASSERT_NE(module, nullptr);
    EXPECT_GT(module->LengthFrames(), kRate / 2);
    std::vector<float> block(4096 * 2);
    ASSERT_EQ(module->Read(block.data(), 4096), 4096);
    EXPECT_GT(Rms(block, 0, 4096), 0.01);
    EXPECT_TRUE(module->Seek(module->LengthFrames() / 2));
    EXPECT_FALSE(module->Seek(module->LengthFrames() * 2));
    EXPECT_EQ(CModuleSource::Open(CTestMedia::Path("text.mp3"), kRate, error), nullptr);
    EXPECT_EQ(error, BASS_ERROR_FILEFORM);
}
