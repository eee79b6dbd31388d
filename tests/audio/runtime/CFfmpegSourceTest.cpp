#include "CFfmpegSource.h"
#include "CTestMedia.h"
#include "DecodedMedia.h"
#include "SignalMeasure.h"

#include "AudioApi.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/avutil.h>
}

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace
{
std::unique_ptr<CSource> OpenSource(const std::string &name)
{
    int error = -1;
    std::unique_ptr<CSource> source = CFfmpegSource::Open(CTestMedia::Path(name), error);
    EXPECT_EQ(error, BASS_OK) << name;
    return source;
}

// The worst sample of the frames read after a seek to frame against a straight decode
// (at most 1000 frames); a seek that fails or reads short is off by a whole sample.
float SeekError(CSource &source, const std::vector<float> &reference, int64_t frame)
{
    const int64_t length = std::min<int64_t>(1000, static_cast<int64_t>(reference.size() / 2) - frame);
    std::vector<float> got(static_cast<size_t>(length) * 2);
    if (!source.Seek(frame) || source.Read(got.data(), static_cast<int>(length)) != length)
        return 1.0f;
    float error = 0;
    for (size_t i = 0; i < got.size(); ++i)
        error = std::max(error, std::fabs(got[i] - reference[static_cast<size_t>(frame) * 2 + i]));
    return error;
}

class CMediaFiles : public testing::TestWithParam<const char *>
{
};
} // namespace

// Recordings as learners download them, by FFmpeg and by each format's own encoder
// ("-ref"): the length known at open is what decoding yields and the whole recording, up
// to its loud last frames; a seek anywhere lands on the very sample a straight decode has
// there (a sweep or speech, whose Vorbis blocks switch between long and short; Matroska's
// timestamps are rounded to 1 ms, and a seek places its packet by the index made at open).
TEST_P(CMediaFiles, LengthAndSeeksAreSampleExact)
{
    const std::string name = GetParam();
    std::unique_ptr<CSource> source = OpenSource(name);
    ASSERT_NE(source, nullptr);
    const int rate = source->Rate();
    const int64_t announced = source->LengthFrames();
    const std::vector<float> reference = ReadAll(*source);
    const auto total = static_cast<int64_t>(reference.size() / 2);
    EXPECT_EQ(announced, total);
    EXPECT_EQ(source->LengthFrames(), total);
    // Against the recording encoded: exactly its frames where the format keeps the samples
    // or tells the encoder's delay and padding, else within 10 ms (the format's own frames);
    // AAC in MPEG-4 and TS, WMA and an MP3 without a header frame keep delay and padding.
    const std::string base = name.substr(0, name.find_first_of("-."));
    const std::set<std::string> padded{"vbr.mp3", "sweep.m4a", "sweep.wma", "speech.ts", "late.ts", "chained.ogg"};
    if (padded.count(name) == 0) {
        const std::unique_ptr<CSource> wav = OpenSource(base + ".wav");
        EXPECT_NEAR(static_cast<double>(total) / rate, static_cast<double>(wav->LengthFrames()) / wav->Rate(), 0.010);
        if (std::set<std::string>{".wav", ".aiff", ".flac", ".caf", ".mp3", ".ogg"}.count(
                name.substr(name.rfind('.')))) {
            EXPECT_EQ(total * wav->Rate(), wav->LengthFrames() * rate);
        }
    }
    EXPECT_GT(Rms(reference, total - rate * 3 / 100, total), 0.1) << "the end is heard";
    // A broadcast whose first PES headers carry no timestamp starts at its first sample,
    // not at the first timestamp; two Ogg streams one after the other are one recording.
    const std::map<std::string, std::pair<std::string, std::string>> joined{
        {"late.ts", {"speech.ts", "speech.ts"}}, {"chained.ogg", {"sweep-ref.ogg", "speech-ref.ogg"}}};
    if (const auto parts = joined.find(name); parts != joined.end()) {
        const std::vector<float> first = DecodeWhole(parts->second.first), last = DecodeWhole(parts->second.second);
        EXPECT_TRUE(std::equal(first.begin(), first.begin() + 20000, reference.begin()));
        EXPECT_TRUE(std::equal(last.end() - 20000, last.end(), reference.end() - 20000));
    }

    // Lossy decoders start a little differently after a flush (AAC's noise substitution,
    // for one); one frame of shift on the sweep is off by 0.1 or more.
    std::vector<int64_t> targets{0, 1, 4410, total / 2 + 37, total - 2000, 700};
    for (int64_t target = 101; target < total; target += rate / 3 + 37)
        targets.insert(targets.end(), {target, total - target});
    for (const int64_t at : targets)
        EXPECT_LT(SeekError(*source, reference, at), 1e-2f) << "at frame " << at;
    EXPECT_FALSE(source->Seek(total + 100000));
}

INSTANTIATE_TEST_SUITE_P(Files, CMediaFiles,
                         testing::Values("sweep.wav", "sweep.mp3", "vbr.mp3", "sweep.ogg", "sweep.flac", "sweep.m4a",
                                         "sweep.aiff", "sweep.opus", "sweep.wma", "sweep.mp2", "sweep22k.mp3",
                                         "sweep-ref.ogg", "sweep-ref.opus", "sweep-ref.flac", "sweep-ref.mp3",
                                         "sweep.webm", "sweep-vorbis.webm", "sweep-mp2.ts", "sweep.caf", "speech.mp3",
                                         "speech-ref.mp3", "speech.ogg", "speech-ref.ogg", "speech.opus",
                                         "speech-ref.opus", "speech.flac", "speech-ref.flac", "speech.webm",
                                         "speech-vorbis.webm", "speech.mka", "speech.ts", "late.ts", "speech.caf",
                                         "speech.mp4", "speech.m4a", "chained.ogg"),
                         [](const auto &instance) {
                             std::string name = instance.param;
                             std::replace_if(
                                 name.begin(), name.end(), [](char c) { return std::isalnum(c) == 0; }, '_');
                             return name;
                         });

// Timestamps in milliseconds to frames at 44.1 kHz: a frame without a timestamp, or a
// stream whose first frame had none, places nothing instead of overflowing.
TEST(CFfmpegSource, FramesBetweenTimestampsSurvivesMissingAndDamagedOnes)
{
    const auto frames = [](int64_t first, int64_t timestamp) {
        return CFfmpegSource::FramesBetween(first, timestamp, AVRational{1, 1000}, 44100);
    };
    EXPECT_EQ(frames(500, 250), -11025);
    for (const auto &[first, timestamp] : {std::pair<int64_t, int64_t>{AV_NOPTS_VALUE, 1000},
                                           {0, AV_NOPTS_VALUE},
                                           {-1000, INT64_MAX},
                                           {0, INT64_MAX / 2}})
        EXPECT_EQ(frames(first, timestamp), std::nullopt) << first << " to " << timestamp;
}

// A mono file is heard on both sides. A damaged file, and one whose frames change from
// stereo to mono midway (which once crashed the sample converter), open and play to
// their end; what is no media or is missing does not open (a module opens as one).
TEST(CFfmpegSource, OddFilesOpenAndPlayOrFailCleanly)
{
    std::unique_ptr<CSource> mono = OpenSource("tone.wav");
    EXPECT_EQ(mono->FileChannels(), 1);
    std::vector<float> block(2048 * 2);
    ASSERT_EQ(mono->Read(block.data(), 2048), 2048);
    EXPECT_EQ(block[1000], block[1001]);

    int error = BASS_OK;
    std::unique_ptr<CSource> damaged = CFfmpegSource::Open(CTestMedia::Path("damaged.mp3"), error);
    if (damaged != nullptr) { // or rejected at open, which is also fine
        EXPECT_LT(ReadAll(*damaged).size() / 2, static_cast<size_t>(3 * 44100));
    }
    std::unique_ptr<CSource> changing = OpenSource("changing.mp3");
    ASSERT_NE(changing, nullptr);
    const auto decoded = static_cast<int64_t>(ReadAll(*changing).size() / 2);
    EXPECT_NEAR(static_cast<double>(decoded), 5.0 * 44100, 0.1 * 44100);
    EXPECT_EQ(changing->LengthFrames(), decoded);

    EXPECT_EQ(CFfmpegSource::Open(CTestMedia::Path("text.mp3"), error), nullptr);
    EXPECT_NE(error, BASS_OK);
    EXPECT_EQ(CFfmpegSource::Open(CTestMedia::Folder() + "/missing.mp3", error), nullptr);
    EXPECT_EQ(error, BASS_ERROR_FILEOPEN);
    EXPECT_EQ(CFfmpegSource::Open(CTestMedia::Path("song.mod"), error), nullptr);
}
