// The playback engine through the real runtime libraries, on media made by the
// tests: opening every kind of file, the end of the channel and its hand-over
// to this thread while items switch and the engine closes, and what is heard.
#include "EngineTestSupport.h"
#include "audio/CPlaybackEngine.h"
#include "audio/CSyncHandOver.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace
{

QTemporaryDir *g_media = nullptr;

QString Media(const char *name)
{
    return g_media->filePath(QLatin1String(name));
}

// posix_spawn, not QProcess: the child runs no code of ours before exec, which
// keeps the thread sanitizer's view of this process intact.
bool Run(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> words{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        words.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool Sox(const QString &output, const QStringList &effects)
{
    QStringList arguments{QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-c"),
                          QStringLiteral("2"),  QStringLiteral("-b"), QStringLiteral("16"),    output};
    return Run(QStringLiteral("sox"), arguments + effects);
}

bool Encode(const QString &input, const QString &output, const QStringList &codec)
{
    return Run(QStringLiteral("ffmpeg"), QStringList{QStringLiteral("-v"), QStringLiteral("error"),
                                                     QStringLiteral("-y"), QStringLiteral("-i"), input} +
                                             codec + QStringList{output});
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A four-channel tracker module: one pattern whose first row plays a looped
// square-wave sample, then 63 empty rows (about 1.3 s).
QByteArray TrackerModule()
{
    QByteArray module(20, '\0');
    module.replace(0, 9, "quillmere");
    QByteArray sample(30, '\0');
    sample[22] = 0; // length in words, big-endian: 32 words
    sample[23] = 32;
    sample[25] = 64; // volume
    sample[29] = 32; // loop of 32 words from the start
    module += sample;
    module += QByteArray(30 * 30, '\0');
    module += char(1); // one position in the song
    module += char(127);
    module += QByteArray(128, '\0');
    module += "M.K.";
    QByteArray pattern(64 * 4 * 4, '\0');
    pattern[1] = char(214); // period of C-3, sample 1
    pattern[2] = 0x10;
    module += pattern;
    for (int i = 0; i < 64; ++i)
        module += char(i < 32 ? 100 : -100);
    return module;
}

class EngineRuntimeTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        EnsureCoreApplication();
        g_media = new QTemporaryDir;
        const QString sine = QStringLiteral("sine");
        bool made =
            Sox(Media("tone.wav"), {QStringLiteral("synth"), QStringLiteral("1"), sine, QStringLiteral("440"),
                                    QStringLiteral("vol"), QStringLiteral("0.5")}) &&
            Sox(Media("short.wav"), {QStringLiteral("synth"), QStringLiteral("0.15"), sine, QStringLiteral("440")}) &&
            Sox(Media("other.wav"), {QStringLiteral("synth"), QStringLiteral("0.1"), sine, QStringLiteral("660")}) &&
            Sox(Media("low.wav"), {QStringLiteral("synth"), QStringLiteral("1"), sine, QStringLiteral("125"),
                                   QStringLiteral("vol"), QStringLiteral("0.1")}) &&
            Sox(Media("tone.aiff"), {QStringLiteral("synth"), QStringLiteral("1"), sine, QStringLiteral("440")});
        made = made && Encode(Media("tone.wav"), Media("tone.mp3"), {QStringLiteral("-b:a"), QStringLiteral("96k")}) &&
               Encode(Media("tone.wav"), Media("tone.ogg"), {QStringLiteral("-c:a"), QStringLiteral("libvorbis")}) &&
               Encode(Media("tone.wav"), Media("tone.m4a"), {QStringLiteral("-c:a"), QStringLiteral("aac")});
        made = made && WriteFile(Media("song.mod"), TrackerModule()) &&
               WriteFile(Media("notes.mp3"), QByteArray("These are the learner's notes, not sound.\n").repeated(40));
        // A damaged file: a real MP3 header followed by noise.
        QFile mp3(Media("tone.mp3"));
        made = made && mp3.open(QIODevice::ReadOnly);
        QByteArray damaged = mp3.read(64);
        for (int i = 0; i < 4000; ++i)
            damaged += char((i * 7919) >> 3);
        made = made && WriteFile(Media("damaged.mp3"), damaged);
        ASSERT_TRUE(made) << "sox and ffmpeg make the test media";
    }

    static void TearDownTestSuite()
    {
        delete g_media;
        g_media = nullptr;
    }

    void SetUp() override
    {
        if (!g_media || !QFile::exists(Media("damaged.mp3")))
            GTEST_SKIP() << "no test media";
        m_pEngine = std::make_unique<CPlaybackEngine>();
    }

    void TearDown() override { m_pEngine.reset(); }

    bool OpenAndPlay(const char *name) { return m_pEngine->Open(Media(name)) && m_pEngine->Play(false); }

    CTestPrompt m_prompt;
    std::unique_ptr<CPlaybackEngine> m_pEngine;
};

TEST_F(EngineRuntimeTest, OpensEveryKindOfMediaWithItsLengthAndRate)
{
    for (const char *name : {"tone.wav", "tone.mp3", "tone.ogg", "tone.aiff", "tone.m4a"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(m_pEngine->Open(Media(name)));
        // Lossy files may keep some encoder padding; the exact length of each
        // format is the runtime's own test. Here: milliseconds, not bytes.
        EXPECT_NEAR(double(m_pEngine->GetLength()), 1000.0, 50.0);
        EXPECT_EQ(m_pEngine->SampleRate(), 44100u);
        EXPECT_TRUE(m_pEngine->IsStopped());
        EXPECT_EQ(m_pEngine->GetPosition(), 0u);
    }
    EXPECT_TRUE(m_prompt.m_messages.empty());
}

TEST_F(EngineRuntimeTest, TrackerModuleOpensWithoutTempoControl)
{
    ASSERT_TRUE(m_pEngine->Open(Media("song.mod")));
    EXPECT_GT(m_pEngine->GetLength(), 1000u);
    ASSERT_TRUE(m_pEngine->Play(false));
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_TRUE(m_prompt.m_messages.empty());
}

TEST_F(EngineRuntimeTest, FilesThatAreNotMediaAreReportedAndLeaveNoChannel)
{
    ASSERT_TRUE(m_pEngine->Open(Media("tone.wav")));
    for (const char *name : {"notes.mp3", "missing.ogg"}) {
        SCOPED_TRACE(name);
        m_prompt.m_messages.clear();
        EXPECT_FALSE(m_pEngine->Open(Media(name)));
        ASSERT_EQ(m_prompt.m_messages.size(), 1u);
        EXPECT_EQ(m_prompt.m_messages[0].text, QStringLiteral("载入文件失败！"));
        EXPECT_EQ(m_pEngine->Channel(), 0u);
        EXPECT_TRUE(m_pEngine->IsStopped());
        EXPECT_TRUE(m_pEngine->Stop());
        EXPECT_FALSE(m_pEngine->FreeChannel());
    }
    // A damaged file either opens and plays what can be decoded, or is refused
    // with the same message; it never takes the program down.
    m_prompt.m_messages.clear();
    const bool opened = m_pEngine->Open(Media("damaged.mp3"));
    EXPECT_EQ(m_prompt.m_messages.size(), opened ? 0u : 1u);
    EXPECT_EQ(m_pEngine->Channel() != 0, opened);
    if (opened) {
        EXPECT_TRUE(m_pEngine->Play(false));
    }
}

TEST_F(EngineRuntimeTest, PlayPauseStopAndPositions)
{
    ASSERT_TRUE(m_pEngine->Open(Media("tone.wav")));
    EXPECT_TRUE(m_pEngine->SetPosition(500));
    EXPECT_NEAR(double(m_pEngine->GetPosition()), 500.0, 1.0);
    ASSERT_TRUE(m_pEngine->Play(false));
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_TRUE(m_pEngine->Pause());
    EXPECT_TRUE(m_pEngine->IsPaused());
    EXPECT_GE(m_pEngine->GetPosition(), 500u);
    EXPECT_TRUE(m_pEngine->Stop());
    EXPECT_TRUE(m_pEngine->IsStopped());
    EXPECT_EQ(m_pEngine->GetPosition(), 0u);
    EXPECT_TRUE(m_pEngine->SetTempo(-30.0f, 44100.0f, 0.0f));
    EXPECT_TRUE(m_pEngine->FreeChannel());
    EXPECT_FALSE(m_pEngine->IsPlaying());
}

TEST_F(EngineRuntimeTest, OneEndGivesOneNoticeAndPlayingAgainStartsOver)
{
    int notices = 0;
    m_pEngine->SetEndHandler([&] { return ++notices, 0; });
    ASSERT_TRUE(OpenAndPlay("short.wav"));
    // Paused and resumed several times before its end.
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(m_pEngine->Pause());
        ASSERT_TRUE(m_pEngine->Play(false));
    }
    ASSERT_TRUE(PumpUntil([&] { return notices > 0 && m_pEngine->IsStopped(); }));
    EXPECT_EQ(notices, 1);
    // Answer 0 left the channel at its end; playing it again starts it over.
    ASSERT_TRUE(m_pEngine->Play(false));
    EXPECT_TRUE(m_pEngine->IsPlaying());
    EXPECT_LT(m_pEngine->GetPosition(), m_pEngine->GetLength());
    ASSERT_TRUE(PumpUntil([&] { return notices > 1 && m_pEngine->IsStopped(); }));
    EXPECT_EQ(notices, 2);
}

TEST_F(EngineRuntimeTest, NonZeroAnswerStopsAndRewinds)
{
    int notices = 0;
    m_pEngine->SetEndHandler([&] { return ++notices, 1; });
    ASSERT_TRUE(OpenAndPlay("short.wav"));
    ASSERT_TRUE(PumpUntil([&] { return notices == 1 && m_pEngine->IsStopped() && m_pEngine->GetPosition() == 0; }));
}

TEST_F(EngineRuntimeTest, ItemsSwitchWhileChannelsEnd)
{
    // The user-interface thread switches items while short items end; some
    // notices are answered by opening the next item from the handler, the way
    // the playlist wraps round.
    int notices = 0;
    int round = 0;
    m_pEngine->SetEndHandler([&] {
        ++notices;
        if (notices % 2 == 0)
            return OpenAndPlay("other.wav") ? 1 : 0;
        return 1;
    });
    for (round = 0; round < 40; ++round) {
        ASSERT_TRUE(OpenAndPlay(round % 2 ? "short.wav" : "other.wav"));
        // Vary how far the item gets before the switch.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(round * 7 % 180);
        PumpUntil([&] { return std::chrono::steady_clock::now() >= until; });
    }
    EXPECT_GT(notices, 0);
    EXPECT_LE(notices, 80);
}

TEST_F(EngineRuntimeTest, ClosingWithAPendingNoticeDoesNotHang)
{
    int notices = 0;
    m_pEngine->SetEndHandler([&] { return ++notices, 1; });
    ASSERT_TRUE(OpenAndPlay("short.wav"));
    // Wait, without running the event loop, until the end notice waits for us.
    for (int i = 0; i < 6000 && CSyncHandOver::Instance().Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(CSyncHandOver::Instance().Pending(), 1);
    m_pEngine.reset();
    PumpUntil([] { return true; });
    EXPECT_EQ(notices, 0);
}

TEST_F(EngineRuntimeTest, SwitchingWithAPendingNoticeDropsIt)
{
    int notices = 0;
    m_pEngine->SetEndHandler([&] { return ++notices, 1; });
    ASSERT_TRUE(OpenAndPlay("short.wav"));
    for (int i = 0; i < 6000 && CSyncHandOver::Instance().Pending() == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(CSyncHandOver::Instance().Pending(), 1);
    ASSERT_TRUE(m_pEngine->Open(Media("tone.wav")));
    EXPECT_EQ(CSyncHandOver::Instance().Pending(), 0);
    PumpUntil([] { return true; });
    EXPECT_EQ(notices, 0);
    EXPECT_TRUE(m_pEngine->IsStopped());
}

class EngineDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override { EnsureCoreApplication(); }
    void TearDown() override { setenv("SDL_AUDIODRIVER", "dummy", 1); }
    CTestPrompt m_prompt;
};

TEST_F(EngineDeviceTest, NoOutputDeviceEndsTheProcessWithMinusOne)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    try {
        CPlaybackEngine engine;
        FAIL() << "constructed without a device";
    } catch (const SExitCalled &exit) {
        EXPECT_EQ(exit.exitCode, -1);
    }
    ASSERT_EQ(m_prompt.m_messages.size(), 1u);
    EXPECT_EQ(m_prompt.m_messages[0].text, QStringLiteral("Can't initialize device"));
}

} // namespace

// What is heard, captured by SDL's disk driver (float stereo samples).
class EngineSoundTest : public EngineRuntimeTest
{
protected:
    void SetUp() override
    {
        if (!g_media || !QFile::exists(Media("low.wav")))
            GTEST_SKIP() << "no test media";
        m_capture = g_media->filePath(QStringLiteral("capture.raw"));
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", QFile::encodeName(m_capture).constData(), 1);
        setenv("SDL_DISKAUDIODELAY", "0", 1);
    }

    void TearDown() override
    {
        m_pEngine.reset();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }

    // Plays the file to its end, with the caller's settings made before it
    // is opened and after, and returns the samples that were output.
    using Setting = std::function<void(CPlaybackEngine &)>;
    std::vector<float> Capture(const char *name, const Setting &beforeOpen, const Setting &afterOpen = {})
    {
        m_pEngine = std::make_unique<CPlaybackEngine>();
        bool ended = false;
        m_pEngine->SetEndHandler([&] { return ended = true, 0; });
        beforeOpen(*m_pEngine);
        EXPECT_TRUE(m_pEngine->Open(Media(name)));
        if (afterOpen)
            afterOpen(*m_pEngine);
        EXPECT_TRUE(m_pEngine->Play(false));
        EXPECT_TRUE(PumpUntil([&] { return ended; }));
        m_pEngine.reset();
        QFile file(m_capture);
        std::vector<float> samples;
        if (!file.open(QIODevice::ReadOnly))
            return samples;
        const QByteArray bytes = file.readAll();
        samples.resize(size_t(bytes.size()) / sizeof(float));
        std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(float));
        return samples;
    }

    // Level in dB of the sounding part, 100 ms in from either edge.
    static double LevelDb(const std::vector<float> &samples)
    {
        size_t first = 0;
        size_t last = samples.size();
        while (first < last && std::fabs(samples[first]) < 1e-4f)
            ++first;
        while (last > first && std::fabs(samples[last - 1]) < 1e-4f)
            --last;
        const size_t margin = 2 * 4410;
        if (last - first < 3 * margin)
            return -200.0;
        double sum = 0.0;
        for (size_t i = first + margin; i < last - margin; ++i)
            sum += double(samples[i]) * samples[i];
        return 10.0 * std::log10(sum / double(last - first - 2 * margin));
    }

    QString m_capture;
};

TEST_F(EngineSoundTest, BandSetBeforeOpeningIsHeardAndMuteIsSilence)
{
    const double flat = LevelDb(Capture("low.wav", [](CPlaybackEngine &) {}));
    ASSERT_GT(flat, -40.0);
    // Band value 0 with no file open: the 125 Hz band plays at +10 dB.
    const double raised = LevelDb(Capture("low.wav", [](CPlaybackEngine &engine) { engine.SetEffect(0, 0); }));
    EXPECT_NEAR(raised - flat, 10.0, 1.0);

    const std::vector<float> muted = Capture(
        "low.wav", [](CPlaybackEngine &) {}, [](CPlaybackEngine &engine) { engine.SetMute(true); });
    ASSERT_FALSE(muted.empty());
    EXPECT_LT(
        *std::max_element(muted.begin(), muted.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); }),
        1e-6f);
}
