// The two runtime libraries through their exported entry points, with SDL's dummy
// driver (real-time pacing) or disk driver (what is played lands in a file).
#include "AudioApi.h"
#include "CTestMedia.h"
#include "SignalMeasure.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace
{
constexpr DWORD kStreamFlags = BASS_UNICODE | BASS_STREAM_DECODE | BASS_SAMPLE_FX;
constexpr DWORD kMusicFlags =
    BASS_UNICODE | BASS_MUSIC_PRESCAN | BASS_MUSIC_POSRESET | BASS_MUSIC_RAMPS | BASS_SAMPLE_FX;

std::u16string Utf16(const std::string &text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
        } else if ((c & 0xE0) == 0xC0) {
            out += static_cast<char16_t>(((c & 0x1F) << 6) | (text[i + 1] & 0x3F));
            i += 1;
        } else {
            out += static_cast<char16_t>(((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F));
            i += 2;
        }
    }
    return out;
}

// RMS of a 16-bit mono WAV file as sox writes it (44-byte header).
double WavRms(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    double sum = 0;
    size_t count = 0;
    for (size_t i = 44; i + 1 < bytes.size(); i += 2, ++count) {
        const auto value = static_cast<int16_t>(static_cast<uint8_t>(bytes[i]) | (bytes[i + 1] << 8));
        sum += (value / 32768.0) * (value / 32768.0);
    }
    return std::sqrt(sum / static_cast<double>(count));
}

std::string ProgramFolder()
{
    return std::filesystem::canonical("/proc/self/exe").parent_path().string();
}

// Opens a file the way the program does: a decoding stream wrapped for tempo, or a module.
DWORD OpenLikeTheProgram(const std::string &path)
{
    const std::u16string wide = Utf16(path);
    DWORD channel = BASS_StreamCreateFile(0, wide.c_str(), 0, 0, kStreamFlags);
    if (channel == 0)
        return BASS_MusicLoad(0, wide.c_str(), 0, 0, kMusicFlags, 0);
    const DWORD tempo = BASS_FX_TempoCreate(channel, BASS_FX_FREESOURCE);
    return tempo != 0 ? tempo : channel;
}

void Release(DWORD channel)
{
    BASS_MusicFree(channel);
    BASS_StreamFree(channel);
}

class CAudioApiTest : public testing::Test
{
protected:
    void SetUp() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    void TearDown() override { BASS_Free(); }
};

// The end notices of one run: per channel, how many arrived.
struct SEndLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<DWORD, int> ends;

    bool WaitFor(DWORD channel, std::chrono::seconds limit)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, [&] { return ends.count(channel) != 0; });
    }
};

void LogEnd(HSYNC, DWORD channel, DWORD, void *user)
{
    auto *log = static_cast<SEndLog *>(user);
    std::lock_guard lock(log->mutex);
    ++log->ends[channel];
    log->changed.notify_all();
}
} // namespace

TEST_F(CAudioApiTest, EveryEntryPointResolvesByNameInItsLibrary)
{
    void *main = dlopen((ProgramFolder() + "/" QUILLMERE_AUDIO_LIBRARY_NAME).c_str(), RTLD_NOW);
    void *tempo = dlopen((ProgramFolder() + "/" QUILLMERE_TEMPO_LIBRARY_NAME).c_str(), RTLD_NOW);
    ASSERT_NE(main, nullptr) << dlerror();
    ASSERT_NE(tempo, nullptr) << dlerror();
    for (const char *name : {"BASS_ErrorGetCode",
                             "BASS_Init",
                             "BASS_Free",
                             "BASS_GetCPU",
                             "BASS_MusicLoad",
                             "BASS_MusicGetAttribute",
                             "BASS_StreamCreateFile",
                             "BASS_StreamCreateURL",
                             "BASS_StreamGetFilePosition",
                             "BASS_ChannelGetLength",
                             "BASS_ChannelGetTags",
                             "BASS_ChannelPlay",
                             "BASS_ChannelBytes2Seconds",
                             "BASS_ChannelIsActive",
                             "BASS_ChannelSlideAttributes",
                             "BASS_ChannelIsSliding",
                             "BASS_ChannelGetPosition",
                             "BASS_ChannelGetLevel",
                             "BASS_FXGetParameters",
                             "BASS_FXSetParameters",
                             "BASS_GetVersion",
                             "BASS_GetInfo",
                             "BASS_StreamFree",
                             "BASS_MusicFree",
                             "BASS_ChannelSetSync",
                             "BASS_ChannelPause",
                             "BASS_ChannelStop",
                             "BASS_ChannelSetPosition",
                             "BASS_ChannelGetAttributes",
                             "BASS_ChannelSeconds2Bytes",
                             "BASS_ChannelSetFX",
                             "BASS_ChannelSetAttributes",
                             "BASS_PluginLoad"})
        EXPECT_NE(dlsym(main, name), nullptr) << name;
    EXPECT_EQ(dlsym(main, "BASS_FX_TempoSet"), nullptr) << "the tempo calls live in the add-on";
    EXPECT_NE(dlsym(tempo, "BASS_FX_TempoSet"), nullptr);
    EXPECT_NE(dlsym(tempo, "BASS_FX_TempoCreate"), nullptr);
    EXPECT_EQ(dlsym(main, "CMixer"), nullptr);
    dlclose(tempo);
    dlclose(main);
}

TEST_F(CAudioApiTest, DeviceOpensReportsItselfAndFailsCleanlyWithoutADriver)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DRIVER);
    const std::u16string path = Utf16(CTestMedia::Path("tone.wav"));
    EXPECT_EQ(BASS_StreamCreateFile(0, path.c_str(), 0, 0, kStreamFlags), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    EXPECT_FALSE(BASS_Init(7, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_DEVICE);
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_FALSE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_ALREADY);
    DWORD words[15] = {60};
    ASSERT_TRUE(BASS_GetInfo(reinterpret_cast<BASS_INFO *>(words)));
    EXPECT_EQ(words[0], 60u);
    EXPECT_GE(words[BASS_INFO_DSVER_WORD], 8u);
    EXPECT_GE(words[9], 8u) << "also when counted from one";
    EXPECT_EQ(words[14], 44100u);
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0203u);
    EXPECT_TRUE(BASS_Free());
    EXPECT_FALSE(BASS_Free());
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_INIT);
}

TEST_F(CAudioApiTest, OpensMediaAsStreamsModulesAsMusicAndRejectsTheRest)
{
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    for (const char *name : {"tone.wav", "tone.mp3", "tone.ogg", "tone.flac", "tone.m4a", "tone.aiff", "tone.opus"}) {
        const std::u16string path = Utf16(CTestMedia::Path(name));
        const DWORD stream = BASS_StreamCreateFile(0, path.c_str(), 0, 0, kStreamFlags);
        ASSERT_NE(stream, 0u) << name;
        // 3 s of sound; AAC decoders also give the encoder's priming and padding.
        EXPECT_NEAR(BASS_ChannelBytes2Seconds(stream, BASS_ChannelGetLength(stream)), 3.0, 0.025) << name;
        const DWORD tempo = BASS_FX_TempoCreate(stream, BASS_FX_FREESOURCE);
        ASSERT_NE(tempo, 0u) << name;
        EXPECT_TRUE(BASS_FX_TempoSet(tempo, -30.0f, 0.0f, 0.0f));
        EXPECT_FALSE(BASS_MusicFree(tempo));
        EXPECT_TRUE(BASS_StreamFree(tempo));
    }
    const std::u16string module = Utf16(CTestMedia::Path("song.mod"));
    EXPECT_EQ(BASS_StreamCreateFile(0, module.c_str(), 0, 0, kStreamFlags), 0u);
    const DWORD music = BASS_MusicLoad(0, module.c_str(), 0, 0, kMusicFlags, 0);
    ASSERT_NE(music, 0u);
    EXPECT_EQ(BASS_FX_TempoCreate(music, BASS_FX_FREESOURCE), 0u) << "a module is not a decoding channel";
    EXPECT_FALSE(BASS_FX_TempoSet(music, 10.0f, 0.0f, 0.0f));
    EXPECT_TRUE(BASS_ChannelPlay(music, 0));
    EXPECT_EQ(BASS_ChannelIsActive(music), static_cast<DWORD>(BASS_ACTIVE_PLAYING));
    EXPECT_TRUE(BASS_MusicFree(music));

    const std::u16string text = Utf16(CTestMedia::Path("text.mp3"));
    EXPECT_EQ(BASS_StreamCreateFile(0, text.c_str(), 0, 0, kStreamFlags), 0u);
    EXPECT_EQ(BASS_MusicLoad(0, text.c_str(), 0, 0, kMusicFlags, 0), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEFORM);
    const DWORD damaged = OpenLikeTheProgram(CTestMedia::Path("damaged.mp3"));
    if (damaged != 0) {
        EXPECT_TRUE(BASS_ChannelPlay(damaged, 0));
        Release(damaged);
    }
}

TEST_F(CAudioApiTest, WideFileNamesAndPlugins)
{
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const std::string chinese = CTestMedia::Folder() + "/听写练习.wav";
    std::filesystem::copy_file(CTestMedia::Path("tone.wav"), chinese,
                               std::filesystem::copy_options::overwrite_existing);
    const DWORD channel = OpenLikeTheProgram(chinese);
    EXPECT_NE(channel, 0u);
    Release(channel);
    const std::u16string missing = Utf16(ProgramFolder() + "/plugins/aac.so");
    EXPECT_EQ(BASS_PluginLoad(missing.c_str(), BASS_UNICODE), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_FILEOPEN);
    const std::u16string present = Utf16(ProgramFolder() + "/" QUILLMERE_TEMPO_LIBRARY_NAME);
    EXPECT_NE(BASS_PluginLoad(present.c_str(), BASS_UNICODE), 0u);
    EXPECT_EQ(BASS_StreamCreateURL("http://example.invalid/a.mp3", 0, 0, nullptr, nullptr), 0u);
    EXPECT_EQ(BASS_ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    EXPECT_EQ(BASS_ChannelGetTags(channel, 0), nullptr);
}

// What SDL's disk driver wrote is the file at volume 50, for as long as the file lasts,
// and the end notice arrives once.
TEST_F(CAudioApiTest, DiskOutputCarriesTheSoundAndOneEndNotice)
{
    const std::string output = CTestMedia::Folder() + "/disk-output.raw";
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    const DWORD channel = OpenLikeTheProgram(CTestMedia::Path("tone.wav"));
    ASSERT_NE(channel, 0u);
    ASSERT_TRUE(BASS_ChannelSetAttributes(channel, -1, 50, -101));
    SEndLog log;
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    ASSERT_NE(BASS_ChannelSetSync(channel, BASS_SYNC_END, 0, LogEnd, &log), 0u);
    ASSERT_TRUE(log.WaitFor(channel, std::chrono::seconds(30)));
    EXPECT_EQ(BASS_ChannelIsActive(channel), static_cast<DWORD>(BASS_ACTIVE_STOPPED));
    ASSERT_TRUE(BASS_Free());
    EXPECT_EQ(log.ends[channel], 1);

    std::ifstream file(output, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<float> samples(bytes.size() / sizeof(float));
    std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
    size_t first = 0, last = samples.size() / 2;
    while (first < last && samples[first * 2] == 0.0f)
        ++first;
    while (last > first && samples[(last - 1) * 2] == 0.0f)
        --last;
    EXPECT_NEAR(static_cast<double>(last - first) / 44100, 3.0, 0.003);
    EXPECT_NEAR(Rms(samples, first + 4410, last - 4410), WavRms(CTestMedia::Path("tone.wav")) / 2, 0.002)
        << "volume 50 is half the amplitude";
}

// The program's pattern under stress: the user-interface thread switches items while
// short items end, and end handlers call back into the runtime.
TEST_F(CAudioApiTest, SwitchingItemsWhileTheyEndNeitherHangsNorRepeatsNotices)
{
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    static std::atomic<DWORD> current{0};
    SEndLog log;
    const auto handler = [](HSYNC sync, DWORD channel, DWORD data, void *user) {
        LogEnd(sync, channel, data, user);
        // What the program does when told to stop at the end: stop and rewind.
        const DWORD now = current.load();
        if (BASS_ChannelStop(now))
            BASS_ChannelSetPosition(now, 0);
    };
    const std::string path = CTestMedia::Path("short.wav");
    for (int round = 0; round < 24; ++round) {
        const DWORD channel = OpenLikeTheProgram(path);
        ASSERT_NE(channel, 0u);
        current = channel;
        ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
        BASS_ChannelSetSync(channel, BASS_SYNC_END, 0, handler, &log);
        // Some rounds switch before the end, some right around it, some after it.
        std::this_thread::sleep_for(std::chrono::milliseconds(40 * (round % 10)));
        BASS_ChannelGetPosition(channel);
        Release(channel);
    }
    std::lock_guard lock(log.mutex);
    for (const auto &[channel, count] : log.ends)
        EXPECT_EQ(count, 1) << "channel " << channel;
    EXPECT_GT(log.ends.size(), 0u);
}

// An end handler that waits for the user-interface thread, which is busy closing the
// program: the device goes away without waiting for the handler.
TEST_F(CAudioApiTest, ClosingWhileAnEndNoticeIsPendingDoesNotHang)
{
    ASSERT_TRUE(BASS_Init(1, 44100, 0, nullptr, nullptr));
    struct SBlocked {
        std::promise<void> entered;
        std::promise<void> release;
        std::shared_future<void> released{release.get_future().share()};
        std::atomic<BOOL> stopped{1};
        std::atomic<bool> done{false};
    };
    static SBlocked *blocked = nullptr;
    auto state = std::make_unique<SBlocked>();
    blocked = state.get();
    const DWORD channel = OpenLikeTheProgram(CTestMedia::Path("short.wav"));
    ASSERT_TRUE(BASS_ChannelPlay(channel, 0));
    BASS_ChannelSetSync(
        channel, BASS_SYNC_END, 0,
        [](HSYNC, DWORD ended, DWORD, void *) {
            blocked->entered.set_value();
            blocked->released.wait();
            blocked->stopped = BASS_ChannelStop(ended); // the channel is gone by now
            blocked->done = true;                       // the last touch of the state
        },
        nullptr);
    state->entered.get_future().wait();
    EXPECT_TRUE(BASS_Free());
    state->release.set_value();
    // The handler finishes on its own thread; give it the moment it needs.
    for (int i = 0; i < 400 && !state->done.load(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(state->done.load());
    EXPECT_FALSE(state->stopped.load());
    blocked = nullptr;
}
