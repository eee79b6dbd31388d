// The playback engine against a fake runtime: the library calls it makes, in
// order, its messages and exits, and the hand-over of the end of the channel.
#include "EngineTestSupport.h"
#include "FakeRuntimeState.h"
#include "audio/CAudioRuntime.h"
#include "audio/CPlaybackEngine.h"

#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace
{

using Calls = std::vector<std::string>;

class EngineCallTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        EnsureCoreApplication();
        ASSERT_TRUE(m_folder.isValid());
        const QString runtimes = QStringLiteral(QUILLMERE_FAKE_RUNTIMES "/complete/");
        for (const char *name : {QUILLMERE_AUDIO_LIBRARY_NAME, QUILLMERE_TEMPO_LIBRARY_NAME})
            ASSERT_TRUE(QFile::link(runtimes + QLatin1String(name), m_folder.filePath(QLatin1String(name))));
        CAudioRuntime::SetLibraryFolder(m_folder.path());
        // Held open by the test so the answers can be set before the engine loads it.
        m_pMain = dlopen(QFile::encodeName(m_folder.filePath(QStringLiteral(QUILLMERE_AUDIO_LIBRARY_NAME))).constData(),
                         RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_pMain, nullptr);
        auto state = reinterpret_cast<SFakeRuntimeState *(*)()>(dlsym(m_pMain, "FakeRuntimeState"));
        auto fire = reinterpret_cast<void (*)()>(dlsym(m_pMain, "FakeRuntimeFireEnd"));
        ASSERT_TRUE(state && fire);
        m_pState = state();
        m_fireEnd = fire;
    }

    void TearDown() override
    {
        m_pEngine.reset();
        CAudioRuntime::SetLibraryFolder(QString());
        if (m_pMain)
            dlclose(m_pMain);
    }

    void MakeEngine()
    {
        m_pEngine = std::make_unique<CPlaybackEngine>();
        TakeCalls();
    }

    Calls TakeCalls()
    {
        std::lock_guard lock(m_pState->mutex);
        return std::exchange(m_pState->calls, {});
    }

    bool Called(const Calls &calls, const std::string &call) const
    {
        return std::find(calls.begin(), calls.end(), call) != calls.end();
    }

    int SyncsRunning()
    {
        std::lock_guard lock(m_pState->mutex);
        return m_pState->syncsRunning;
    }

    QTemporaryDir m_folder;
    void *m_pMain = nullptr;
    SFakeRuntimeState *m_pState = nullptr;
    void (*m_fireEnd)() = nullptr;
    CTestPrompt m_prompt;
    std::unique_ptr<CPlaybackEngine> m_pEngine;
};

TEST_F(EngineCallTest, ConstructionOpensTheDeviceAndLoadsPluginsBesideTheRuntime)
{
    m_pEngine = std::make_unique<CPlaybackEngine>();
    const std::string plugins = QFile::encodeName(m_folder.path()).toStdString() + "/plugins/";
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_Init(1,44100,0,(nil))", "BASS_GetInfo(60)",
                                  "BASS_PluginLoad(" + plugins + "aac.so,0x80000000)",
                                  "BASS_PluginLoad(" + plugins + "ape.so,0x80000000)",
                                  "BASS_PluginLoad(" + plugins + "wma.so,0x80000000)"}));
    EXPECT_TRUE(m_prompt.m_messages.empty());
    EXPECT_EQ(m_pEngine->Channel(), 0u);
    EXPECT_EQ(m_pEngine->RememberedVolume(), 50);
    EXPECT_EQ(m_pEngine->EffectValue(0), 10);
    EXPECT_EQ(m_pEngine->EffectValue(3), 20);
}

TEST_F(EngineCallTest, DeviceThatCannotOpenEndsTheProcessWithMinusOne)
{
    m_pState->bInitFails = true;
    try {
        CPlaybackEngine engine;
        FAIL() << "the engine was constructed without a device";
    } catch (const SExitCalled &exit) {
        EXPECT_EQ(exit.exitCode, -1);
    }
    ASSERT_EQ(m_prompt.m_messages.size(), 1u);
    EXPECT_EQ(m_prompt.m_messages[0].text, QStringLiteral("Can't initialize device"));
    EXPECT_EQ(m_prompt.m_messages[0].flags, unsigned(CPrompt::MB_ICONERROR));
}

TEST_F(EngineCallTest, OldDeviceVersionFreesTheDeviceAndCarriesOn)
{
    m_pState->deviceVersion = 7;
    m_pEngine = std::make_unique<CPlaybackEngine>();
    const Calls calls = TakeCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[2], "BASS_Free");
    ASSERT_EQ(m_prompt.m_messages.size(), 1u);
    EXPECT_EQ(m_prompt.m_messages[0].text, QStringLiteral("DirectX 8 is not installed"));
    EXPECT_EQ(m_prompt.m_messages[0].caption, QStringLiteral("Error"));
}

TEST_F(EngineCallTest, OpenWrapsTheStreamAndAppliesTheStoredEffects)
{
    MakeEngine();
    m_pEngine->SetEffect(CPlaybackEngine::EFFECT_EQ_125, 0); // no channel yet: stored for the next file
    m_pEngine->SetEffect(CPlaybackEngine::EFFECT_REVERB, 10);
    TakeCalls();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    EXPECT_EQ(
        TakeCalls(),
        (Calls{"BASS_StreamCreateFile(0,0,0,0x80200080)", "BASS_FX_TempoCreate(1,0x10000)",
               "BASS_ChannelGetAttributes(1001)", "BASS_ChannelSetFX(1001,7,0)", "BASS_ChannelSetFX(1001,7,0)",
               "BASS_ChannelSetFX(1001,7,0)", "BASS_ChannelSetFX(1001,8,0)", "BASS_FXSetParameters(901,125,18,0)",
               "BASS_FXSetParameters(902,1000,18,0)", "BASS_FXSetParameters(903,8000,18,0)",
               "BASS_FXGetParameters(901)", "BASS_FXSetParameters(901,901,18,10)", "BASS_FXGetParameters(902)",
               "BASS_FXSetParameters(902,902,18,0)", "BASS_FXGetParameters(903)", "BASS_FXSetParameters(903,903,18,0)",
               "BASS_FXGetParameters(904)", "BASS_FXSetParameters(904,0,-12,1000,0.001)"}));
    EXPECT_EQ(m_pEngine->Channel(), 1001u);
    EXPECT_EQ(m_pEngine->SampleRate(), 22050u);

    // Opening again frees the current channel as either kind first.
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    const Calls again = TakeCalls();
    ASSERT_GE(again.size(), 3u);
    EXPECT_EQ(again[0], "BASS_MusicFree(1001)");
    EXPECT_EQ(again[1], "BASS_StreamFree(1001)");
    EXPECT_EQ(m_pEngine->Channel(), 1002u);
}

TEST_F(EngineCallTest, OpenFallsBackToModuleThenReportsFailure)
{
    MakeEngine();
    m_pState->bStreamFails = true;
    m_pState->bTempoFails = true;
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/song.xm")));
    Calls calls = TakeCalls();
    EXPECT_EQ(calls[1], "BASS_MusicLoad(0x80028480,0)");
    EXPECT_EQ(m_pEngine->Channel(), 501u); // no tempo wrapper: the module stays current
    EXPECT_FALSE(m_pEngine->SetTempo(10.0f, 44100.0f, 0.0f));
    EXPECT_TRUE(m_prompt.m_messages.empty());

    m_pState->bMusicFails = true;
    EXPECT_FALSE(m_pEngine->Open(QStringLiteral("/media/broken.mp3")));
    calls = TakeCalls();
    EXPECT_EQ(calls.back(), "BASS_MusicLoad(0x80028480,0)"); // nothing after the failure
    EXPECT_EQ(m_pEngine->Channel(), 0u);
    ASSERT_EQ(m_prompt.m_messages.size(), 1u);
    EXPECT_EQ(m_prompt.m_messages[0].text, QStringLiteral("载入文件失败！"));
    EXPECT_EQ(m_prompt.m_messages[0].flags, unsigned(CPrompt::MB_ICONERROR));
    // With no channel, stop succeeds and free fails, both without a library call.
    EXPECT_TRUE(m_pEngine->Stop());
    EXPECT_FALSE(m_pEngine->FreeChannel());
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(EngineCallTest, PlayRegistersOneEndSyncPerChannelAndReportsFailure)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    TakeCalls();
    EXPECT_TRUE(m_pEngine->Play(false));
    EXPECT_TRUE(m_pEngine->Pause());
    EXPECT_TRUE(m_pEngine->Play(false));
    const Calls calls = TakeCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "BASS_ChannelSetSync(1001,2,0)"), 1);
    EXPECT_TRUE(Called(calls, "BASS_ChannelPlay(1001,0)"));

    m_pState->bPlayFails = true;
    EXPECT_FALSE(m_pEngine->Play(false));
    ASSERT_EQ(m_prompt.m_messages.size(), 1u);
    EXPECT_EQ(m_prompt.m_messages[0].text, QStringLiteral("播放失败! Error code: 5"));
}

TEST_F(EngineCallTest, PlayRewindsAChannelLeftAtItsEnd)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    TakeCalls();
    // Stopped inside the file (a pause in all but name): resumes where it is.
    EXPECT_TRUE(m_pEngine->Play(false));
    EXPECT_FALSE(Called(TakeCalls(), "BASS_ChannelSetPosition(1001,0)"));
    // Stopped at the end: back to the start, then play.
    m_pState->position = 1234567;
    EXPECT_TRUE(m_pEngine->Play(false));
    const Calls calls = TakeCalls();
    const auto rewind = std::find(calls.begin(), calls.end(), "BASS_ChannelSetPosition(1001,0)");
    ASSERT_NE(rewind, calls.end());
    EXPECT_EQ(*(rewind + 1), "BASS_ChannelPlay(1001,0)");
}

TEST_F(EngineCallTest, PositionsAreTruncatedMilliseconds)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    EXPECT_EQ(m_pEngine->GetPosition(), 1499u); // 264599 bytes = 1.499994 s
    EXPECT_EQ(m_pEngine->GetLength(), 6998u);   // 1234567 bytes = 6.99867 s
    TakeCalls();
    EXPECT_TRUE(m_pEngine->SetPosition(1500));
    EXPECT_EQ(TakeCalls(),
              (Calls{"BASS_ChannelSeconds2Bytes(1001,1.50000012)", "BASS_ChannelSetPosition(1001,264600)"}));
    EXPECT_TRUE(m_pEngine->Stop());
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_ChannelStop(1001)", "BASS_ChannelSetPosition(1001,0)"}));
}

TEST_F(EngineCallTest, MuteRemembersTheVolumeSetBeforeIt)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    m_pEngine->SetAttributes(-1, 50, -101);
    TakeCalls();
    m_pEngine->SetMute(true);
    m_pEngine->SetAttributes(-1, 80, -101); // heard at once, mute stays
    m_pEngine->SetMute(false);
    EXPECT_EQ(TakeCalls(),
              (Calls{"BASS_ChannelSetAttributes(1001,-1,0,-101)", "BASS_ChannelSetAttributes(1001,-1,80,-101)",
                     "BASS_ChannelSetAttributes(1001,-1,50,-101)"}));
    EXPECT_FALSE(m_pEngine->IsMuted());
}

TEST_F(EngineCallTest, EffectsOfUnknownKindAreIgnored)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    TakeCalls();
    m_pEngine->SetEffect(4, 0);
    EXPECT_TRUE(TakeCalls().empty());
    m_pEngine->SetEffect(CPlaybackEngine::EFFECT_REVERB, 0); // full mix
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_FXGetParameters(904)", "BASS_FXSetParameters(904,0,-0,1000,0.001)"}));
    EXPECT_TRUE(m_pEngine->SetTempo(-30.0f, 44100.0f, 2.0f));
    EXPECT_EQ(TakeCalls(), (Calls{"BASS_FX_TempoSet(1001,-30,44100,2)"}));
}

TEST_F(EngineCallTest, EndIsDecidedOnTheInterfaceThreadAndStopsTheCurrentChannel)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    ASSERT_TRUE(m_pEngine->Play(false));
    QThread *handlerThread = nullptr;
    m_pEngine->SetEndHandler([&] {
        handlerThread = QThread::currentThread();
        // Switching items inside the handler, as the playlist wrap does.
        EXPECT_TRUE(m_pEngine->Open(QStringLiteral("/media/b.mp3")));
        return 1;
    });
    TakeCalls();
    m_fireEnd();
    ASSERT_TRUE(PumpUntil([&] { return SyncsRunning() == 0; }));
    EXPECT_EQ(handlerThread, QThread::currentThread());
    const Calls calls = TakeCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2], "BASS_ChannelStop(1002)");
    EXPECT_EQ(calls.back(), "BASS_ChannelSetPosition(1002,0)");
}

TEST_F(EngineCallTest, AnswerZeroLeavesTheChannelAlone)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    ASSERT_TRUE(m_pEngine->Play(false));
    int notices = 0;
    m_pEngine->SetEndHandler([&] { return ++notices, 0; });
    TakeCalls();
    m_fireEnd();
    ASSERT_TRUE(PumpUntil([&] { return SyncsRunning() == 0; }));
    EXPECT_EQ(notices, 1);
    EXPECT_FALSE(Called(TakeCalls(), "BASS_ChannelStop(1001)"));
}

TEST_F(EngineCallTest, ClosingWhileANoticeIsPendingNeitherHangsNorCallsTheHandler)
{
    MakeEngine();
    ASSERT_TRUE(m_pEngine->Open(QStringLiteral("/media/a.mp3")));
    ASSERT_TRUE(m_pEngine->Play(false));
    std::atomic<int> notices = 0;
    m_pEngine->SetEndHandler([&] { return ++notices, 1; });
    for (int round = 0; round < 20; ++round) {
        m_fireEnd();
        m_fireEnd();
    }
    m_pEngine.reset(); // unlike the real one, the fake's device free waits for its sync threads
    EXPECT_FALSE(m_pState->bFreeTimedOut);
    EXPECT_EQ(SyncsRunning(), 0);
    PumpUntil([] { return true; });
    EXPECT_EQ(notices, 0);
}

} // namespace
