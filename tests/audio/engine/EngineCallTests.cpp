// The loader and the playback engine against fake runtimes. The loader: each
// failure gives its "Error: s:l" message and exit code 0; a pair that loads is
// unloaded again afterwards. The engine: the library calls it makes, in order,
// its messages and exits, and the hand-over of the end of the channel.
#include "EngineTestSupport.h"
#include "FakeRuntime.h"
#include "audio/CAudioRuntime.h"
#include "audio/CPlaybackEngine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <tuple>

namespace
{

// What lies in the library folder for one library: nothing, a folder, a text
// file, or a link to a fake variant's folder.
const char *const kMissing = nullptr;
const char *const kFolder = "/";
const char *const kText = "text";

void Place(const QTemporaryDir &folder, const char *name, const char *file)
{
    const QString path = folder.filePath(QLatin1String(name));
    if (file == kMissing)
        return;
    if (file == kFolder)
        ASSERT_TRUE(QDir().mkdir(path));
    else if (file == kText)
        ASSERT_TRUE(QFile(path).open(QIODevice::WriteOnly));
    else
        ASSERT_TRUE(QFile::link(
            QStringLiteral(QUILLMERE_FAKE_RUNTIMES "/%1/%2").arg(QLatin1String(file), QLatin1String(name)), path));
}

TEST(Loader, EachFailureHasItsStageAndLibrary)
{
    const std::tuple<const char *, const char *, const char *> cases[] = {
        // main library, tempo add-on, message
        {kMissing, kMissing, "Error: 0:0"}, // the main library is looked for first
        {"complete", kMissing, "Error: 0:1"},
        {kFolder, "complete", "Error: 1:0"},
        {"complete", kFolder, "Error: 1:1"},
        {kText, "complete", "Error: 3:0"},
        {"complete", kText, "Error: 3:1"},
        // A called entry point that is missing would be called through null later.
        {"no_play", "complete", "Error: 3:0"},
        {"complete", "no_create", "Error: 3:1"},
        // The fake leaves out the entry points the program never calls.
        {"complete", "complete", ""},
    };
    for (const auto &[main, tempo, expected] : cases) {
        SCOPED_TRACE(std::string(main ? main : "missing") + " " + (tempo ? tempo : "missing"));
        QTemporaryDir folder;
        Place(folder, QUILLMERE_AUDIO_LIBRARY_NAME, main);
        Place(folder, QUILLMERE_TEMPO_LIBRARY_NAME, tempo);
        CAudioRuntime::SetLibraryFolder(folder.path());
        CTestPrompt prompt;
        bool exited = false;
        try {
            CAudioRuntime runtime;
        } catch (const SExitCalled &exit) {
            exited = true;
            EXPECT_EQ(exit.exitCode, 0);
        }
        EXPECT_EQ(exited, *expected != '\0');
        if (exited)
            prompt.ExpectOneError(expected, QStringLiteral("Error"));
        EXPECT_TRUE(prompt.m_messages.empty());
        // Nothing stays loaded once the runtime is gone.
        const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral(QUILLMERE_AUDIO_LIBRARY_NAME)));
        EXPECT_EQ(dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    }
    CAudioRuntime::SetLibraryFolder(QString());
}

using Calls = std::vector<std::string>;

class EngineCallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureCoreApplication();
        ASSERT_TRUE(m_folder.isValid());
        for (const char *name : {QUILLMERE_AUDIO_LIBRARY_NAME, QUILLMERE_TEMPO_LIBRARY_NAME})
            ASSERT_TRUE(QFile::link(QStringLiteral(QUILLMERE_FAKE_RUNTIMES "/complete/") + QLatin1String(name),
                                    m_folder.filePath(QLatin1String(name))));
        CAudioRuntime::SetLibraryFolder(m_folder.path());
        // Held open by the test so the answers can be set before the engine loads it.
        m_pMain = dlopen(QFile::encodeName(m_folder.filePath(QStringLiteral(QUILLMERE_AUDIO_LIBRARY_NAME))).constData(),
                         RTLD_NOW);
        ASSERT_NE(m_pMain, nullptr);
        m_pState = reinterpret_cast<SFakeRuntimeState *(*)()>(dlsym(m_pMain, "FakeRuntimeState"))();
    }

    void TearDown() override
    {
        m_pEngine.reset();
        CAudioRuntime::SetLibraryFolder(QString());
        if (m_pMain)
            dlclose(m_pMain);
    }

    // Opens a file on a new engine with the fake's first answers and forgets
    // the calls made so far.
    void MakeEngineWithFile()
    {
        m_pEngine.reset(); // first: closing an engine closes the one hand-over
        m_pState->answers = SFakeRuntimeState().answers;
        m_pEngine = std::make_unique<CPlaybackEngine>();
        ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
        TakeCalls();
    }

    // The calls since the last take, without the queries that change nothing.
    Calls TakeCalls()
    {
        std::lock_guard lock(m_pState->mutex);
        Calls calls;
        for (const std::string &call : std::exchange(m_pState->calls, {})) {
            if (call.find("IsActive") == std::string::npos && call.find("GetLength") == std::string::npos &&
                call.find("GetPosition") == std::string::npos && call.find("ErrorGetCode") == std::string::npos)
                calls.push_back(call);
        }
        return calls;
    }

    // Runs the registered end sync on a thread of its own, as the runtime does.
    void FireEnd()
    {
        std::lock_guard lock(m_pState->mutex);
        ++m_pState->syncsRunning;
        m_pState->syncThreads.emplace_back(
            [state = m_pState, proc = m_pState->syncProc, user = m_pState->syncUser, channel = m_pState->syncChannel] {
                proc(77, channel, 0, user);
                std::lock_guard threadLock(state->mutex);
                --state->syncsRunning;
                state->syncDone.notify_all();
            });
    }

    QTemporaryDir m_folder;
    void *m_pMain = nullptr;
    SFakeRuntimeState *m_pState = nullptr;
    CTestPrompt m_prompt;
    std::unique_ptr<CPlaybackEngine> m_pEngine;
};

TEST_F(EngineCallTest, ConstructionOpensTheDeviceAndLoadsPluginsBesideTheRuntime)
{
    m_pEngine = std::make_unique<CPlaybackEngine>();
    m_pEngine->WaitUntilStarted();
    const std::string plugins = QFile::encodeName(m_folder.path()).toStdString() + "/plugins/";
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_Init(1,44100,0,null,null)", "BASS_GetInfo(60)",
                                  "BASS_PluginLoad(" + plugins + "aac.so,2147483648)",
                                  "BASS_PluginLoad(" + plugins + "ape.so,2147483648)",
                                  "BASS_PluginLoad(" + plugins + "wma.so,2147483648)"}));
    EXPECT_TRUE(m_prompt.m_messages.empty());

    // An old device is freed and reported, and the program carries on.
    m_pEngine.reset();
    TakeCalls();
    m_pState->deviceVersion = 7;
    m_pEngine = std::make_unique<CPlaybackEngine>();
    m_pEngine->WaitUntilStarted();
    EXPECT_EQ(TakeCalls()[2], "BASS_Free");
    m_prompt.ExpectOneError("DirectX 8 is not installed", QStringLiteral("Error"));

    // No device at all ends the process with -1.
    m_pEngine.reset();
    m_pState->answers["BASS_Init"] = 0;
    try {
        CPlaybackEngine engine;
        engine.WaitUntilStarted();
        ADD_FAILURE() << "the engine started without a device";
    } catch (const SExitCalled &exit) {
        EXPECT_EQ(exit.exitCode, -1);
    }
    m_prompt.ExpectOneError("Can't initialize device");
}

// The runtime starts on a thread of its own (held here in the device's opening):
// the calls that need no channel answer at once, and an open and a play raised
// meanwhile wait for the start and are made, in order, once it is done.
TEST_F(EngineCallTest, CallsRaisedWhileTheRuntimeStartsWaitForItAndAreNotLost)
{
    m_pState->bInitHeld = true;
    m_pEngine = std::make_unique<CPlaybackEngine>();
    std::thread release([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        std::lock_guard lock(m_pState->mutex);
        m_pState->bInitHeld = false;
        m_pState->initReleased.notify_all();
    });
    EXPECT_FALSE(m_pEngine->SetAttributes(CPlaybackEngine::kUnchangedRate, 30, CPlaybackEngine::kUnchangedPan));
    EXPECT_TRUE(m_pEngine->IsStopped());
    EXPECT_FALSE(m_pEngine->IsPlaying());
    EXPECT_FALSE(m_pEngine->HasStarted());
    EXPECT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    EXPECT_TRUE(m_pEngine->HasStarted());
    EXPECT_TRUE(m_pEngine->Play(false));
    release.join();
    const Calls calls = TakeCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls.front(), "BASS_Init(1,44100,0,null,null)");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "BASS_ChannelPlay(1001,0)"), 1);
    // The volume set before the start is the one the channel gets.
    EXPECT_EQ(m_pEngine->RememberedVolume(), 30);
    EXPECT_TRUE(m_prompt.m_messages.empty());
}

// Which files open as what, and the message when none does, are heard through
// the real runtime in the engine's sound tests.
TEST_F(EngineCallTest, OpenFreesTheLastChannelAsEitherKind)
{
    using namespace std::string_literals;
    m_pState->tags = "title=Lesson 1 = Intro\0artist=Speaker\0bitrate=64000\0"s;
    MakeEngineWithFile();
    m_pState->tags.clear();
    EXPECT_EQ(m_pEngine->SampleRate(), 22050u); // read from the channel in its tempo wrapper
    EXPECT_EQ(m_pEngine->ItemDescription(), (CPlaybackEngine::SItemDescription{QStringLiteral("Lesson 1 = Intro"),
                                                                               QStringLiteral("Speaker"), 64000}));
    m_pState->answers["BASS_StreamCreateFile"] = 0;
    m_pState->answers["BASS_MusicLoad"] = 0;
    EXPECT_FALSE(m_pEngine->Open(QStringLiteral("/media/b.mp3")));
    const Calls calls = TakeCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(Calls(calls.begin(), calls.begin() + 2), (Calls{"BASS_MusicFree(1001)", "BASS_StreamFree(1001)"}));
    EXPECT_EQ(m_pEngine->Channel(), 0u);
    EXPECT_EQ(m_pEngine->ItemDescription(), CPlaybackEngine::SItemDescription());
    m_prompt.ExpectOneError("载入文件失败！");
    // With no channel, stop succeeds and free fails, both without a library call.
    EXPECT_TRUE(m_pEngine->Stop());
    EXPECT_FALSE(m_pEngine->FreeChannel());
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(EngineCallTest, PlayRewindsOnlyAtTheEndAndRegistersOneEndSyncPerChannel)
{
    MakeEngineWithFile();
    // Stopped inside the file (a pause in all but name): plays on from there.
    EXPECT_TRUE(m_pEngine->Play(false));
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_ChannelPlay(1001,0)", "BASS_ChannelSetSync(1001,2,0)"}));
    // Stopped at its end: from the start; the sync is registered already.
    m_pState->answers["BASS_ChannelGetPosition"] = 1234567;
    EXPECT_TRUE(m_pEngine->Pause());
    EXPECT_TRUE(m_pEngine->Play(false));
    EXPECT_EQ(TakeCalls(),
              (Calls{"BASS_ChannelPause(1001)", "BASS_ChannelSetPosition(1001,0)", "BASS_ChannelPlay(1001,0)"}));
    EXPECT_TRUE(m_pEngine->Play(true));
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_ChannelPlay(1001,1)"}));

    m_pState->answers["BASS_ChannelPlay"] = 0;
    EXPECT_FALSE(m_pEngine->Play(false));
    m_prompt.ExpectOneError("播放失败! Error code: 5");
}

TEST_F(EngineCallTest, PositionsVolumeAndMute)
{
    MakeEngineWithFile();
    EXPECT_EQ(m_pEngine->GetPosition(), 6998u); // 6.9987 s, truncated
    EXPECT_EQ(m_pEngine->GetLength(), 6998u);
    EXPECT_TRUE(m_pEngine->SetPosition(1500));
    EXPECT_TRUE(m_pEngine->Stop());
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_ChannelBytes2Seconds(1001,264599)", "BASS_ChannelBytes2Seconds(1001,1234567)",
                                  "BASS_ChannelSeconds2Bytes(1001,1.50000012)", "BASS_ChannelSetPosition(1001,264600)",
                                  "BASS_ChannelStop(1001)", "BASS_ChannelSetPosition(1001,0)"}));

    // A volume set while muted is heard at once, the mute stays, and unmuting
    // restores the volume set before the mute.
    m_pEngine->SetAttributes(CPlaybackEngine::kUnchangedRate, 50, CPlaybackEngine::kUnchangedPan);
    m_pEngine->SetMute(true);
    m_pEngine->SetAttributes(CPlaybackEngine::kUnchangedRate, 80, CPlaybackEngine::kUnchangedPan);
    m_pEngine->SetMute(false);
    m_pEngine->SetEffect(4, 0); // no such effect: nothing happens
    EXPECT_EQ(TakeCalls(),
              (Calls{"BASS_ChannelSetAttributes(1001,-1,50,-101)", "BASS_ChannelSetAttributes(1001,-1,0,-101)",
                     "BASS_ChannelSetAttributes(1001,-1,80,-101)", "BASS_ChannelSetAttributes(1001,-1,50,-101)"}));
}

TEST_F(EngineCallTest, EndIsDecidedOnTheInterfaceThreadForTheCurrentChannel)
{
    for (const int answer : {0, 1}) {
        SCOPED_TRACE(answer);
        MakeEngineWithFile();
        ASSERT_TRUE(m_pEngine->Play(false));
        QThread *handlerThread = nullptr;
        m_pEngine->SetEndHandler([&] {
            handlerThread = QThread::currentThread();
            // Switching items inside the handler, as the playlist wrap does.
            m_pState->answers["BASS_FX_TempoCreate"] = 1002;
            EXPECT_TRUE(m_pEngine->Open(QStringLiteral("/media/b.mp3")));
            return answer;
        });
        FireEnd();
        ASSERT_TRUE(PumpUntil([&] {
            std::lock_guard lock(m_pState->mutex);
            return m_pState->syncsRunning == 0;
        }));
        EXPECT_EQ(handlerThread, QThread::currentThread());
        const Calls calls = TakeCalls();
        const Calls stop{"BASS_ChannelStop(1002)", "BASS_ChannelSetPosition(1002,0)"};
        EXPECT_EQ(calls.size() > 2 && Calls(calls.end() - 2, calls.end()) == stop, answer != 0);
    }
}

TEST_F(EngineCallTest, ClosingWhileNoticesArePendingNeitherHangsNorCallsTheHandler)
{
    MakeEngineWithFile();
    ASSERT_TRUE(m_pEngine->Play(false));
    std::atomic<int> notices = 0;
    m_pEngine->SetEndHandler([&] { return ++notices, 1; });
    for (int round = 0; round < 40; ++round)
        FireEnd();
    m_pEngine.reset(); // the fake's device free waits for its sync threads
    EXPECT_FALSE(m_pState->bFreeTimedOut);
    PumpFor(300);
    EXPECT_EQ(notices, 0);
}

} // namespace
