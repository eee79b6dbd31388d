// The position slider while playing: the thumb moves over the waveform of a 56-minute
// recording (10 ms windows) and the slider paints again; once with the waveform just
// measured further (drawn anew), and as while playing (only the thumb moved). Each
// paint goes into a picture, which a window's repaint does not need: an upper bound.
#include "transport/CNiceSliderCtrl.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace
{

constexpr int kLengthMs = 56 * 60 * 1000;

std::vector<float> Peaks()
{
    std::vector<float> peaks(kLengthMs / 10);
    for (size_t i = 0; i < peaks.size(); ++i)
        peaks[i] = float(0.5 + 0.4 * std::sin(double(i) / 37.0)) * ((i / 300) % 4 == 3 ? 0.02f : 1.0f);
    return peaks;
}

void BM_SliderRepaint(benchmark::State &state)
{
    const bool grown = state.range(0) != 0;
    CNiceSliderCtrl slider;
    slider.resize(1800, 34);
    slider.setRange(0, kLengthMs);
    slider.StartWaveform(10);
    const std::vector<float> peaks = Peaks();
    slider.AppendWaveform(peaks);
    slider.SetSelection(true, 600000, 660000);
    (void)slider.grab();
    int position = 0;
    for (auto _ : state) {
        if (grown)
            slider.AppendWaveform({0.5f});
        position += 100;
        slider.setValue(position);
        // Painted into a picture of its own: an upper bound of what a window's repaint costs.
        benchmark::DoNotOptimize(slider.grab());
    }
}
BENCHMARK(BM_SliderRepaint)->ArgName("waveform_grown")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace
