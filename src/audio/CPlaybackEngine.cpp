#include "audio/CPlaybackEngine.h"

#include "audio/CAudioRuntime.h"
#include "audio/CSyncHandOver.h"
#include "base/CPrompt.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace
{

constexpr int kOutputDevice = 1;
constexpr DWORD kOutputRate = 44100;
constexpr DWORD kMinimumDeviceVersion = 8;
constexpr DWORD kStreamFlags = BASS_UNICODE | BASS_STREAM_DECODE | BASS_SAMPLE_FX;
constexpr DWORD kMusicFlags =
    BASS_UNICODE | BASS_MUSIC_PRESCAN | BASS_MUSIC_POSRESET | BASS_MUSIC_RAMPS | BASS_SAMPLE_FX;
constexpr float kBandCentres[3] = {125.0f, 1000.0f, 8000.0f};
constexpr float kBandWidthSemitones = 18.0f;

const char16_t *Utf16(const QString &text)
{
    return reinterpret_cast<const char16_t *>(text.utf16());
}

float BandGain(int value)
{
    return static_cast<float>(10 - value);
}

float ReverbMix(int value)
{
    const double r = value;
    return static_cast<float>(-0.012 * r * r * r);
}

void ShowError(const QString &text, const QString &caption = QString())
{
    Prompt().MessageBox(text, CPrompt::MB_OK | CPrompt::MB_ICONERROR, caption);
}

} // namespace

struct CPlaybackEngine::SEndSync {
    static void Callback(HSYNC handle, DWORD channel, DWORD data, void *user);
};

struct CPlaybackEngine::SStart {
    // The starting thread: loads the runtime, opens the device, loads the
    // plug-ins. It shows nothing and waits for nobody.
    void Run();
    void OpenDevice(const SAudioApi &api);
    void LoadPlugins(const SAudioApi &api) const;
    // User-interface thread: waits for the starting thread and shows what failed.
    void Finish();
    void ShowFailure();

    std::thread thread;
    std::atomic<bool> bDone{false};
    std::unique_ptr<CAudioRuntime> pRuntime;
    CAudioRuntime::SLoadFailure loadFailure;
    bool bDeviceFailed = false;
    bool bOldDevice = false;
};

void CPlaybackEngine::SStart::Run()
{
    pRuntime = CAudioRuntime::TryLoad(loadFailure);
    if (pRuntime != nullptr) {
        OpenDevice(pRuntime->Api());
        LoadPlugins(pRuntime->Api());
    }
    bDone = true;
}

void CPlaybackEngine::SStart::OpenDevice(const SAudioApi &api)
{
    // There is no window handle to give on this platform.
    if (!api.BASS_Init(kOutputDevice, kOutputRate, 0, nullptr, nullptr)) {
        bDeviceFailed = true;
        return;
    }
    BASS_INFO info{};
    info.size = sizeof(BASS_INFO);
    api.BASS_GetInfo(&info);
    if (info.dsver < kMinimumDeviceVersion) {
        api.BASS_Free();
        bOldDevice = true;
    }
}

void CPlaybackEngine::SStart::LoadPlugins(const SAudioApi &api) const
{
    if (bDeviceFailed)
        return;
    // Optional decoders beside the program; a missing one only means fewer formats.
    const QString folder = pRuntime->Folder() + QStringLiteral("plugins/");
    for (const char *name : {"aac.so", "ape.so", "wma.so"})
        api.BASS_PluginLoad(Utf16(folder + QLatin1String(name)), BASS_UNICODE);
}

void CPlaybackEngine::SStart::Finish()
{
    if (!thread.joinable())
        return;
    thread.join();
    ShowFailure();
}

void CPlaybackEngine::SStart::ShowFailure()
{
    if (pRuntime == nullptr)
        CAudioRuntime::Fail(loadFailure);
    if (bDeviceFailed) {
        ShowError(QStringLiteral("Can't initialize device"));
        Prompt().ExitProcess(-1);
    }
    if (bOldDevice)
        ShowError(QStringLiteral("DirectX 8 is not installed"), QStringLiteral("Error"));
}

CPlaybackEngine::CPlaybackEngine() : m_pStart(std::make_unique<SStart>())
{
    CSyncHandOver::Instance().Open();
    m_pStart->thread = std::thread([start = m_pStart.get()] { start->Run(); });
}

CPlaybackEngine::~CPlaybackEngine()
{
    // First make sure no sync callback waits on this thread or is still using
    // the runtime, then release in the runtime's order: channel, device, library.
    // A start that failed and was never shown is dropped without a word.
    CSyncHandOver::Instance().Close();
    if (m_pStart->thread.joinable())
        m_pStart->thread.join();
    if (m_pStart->pRuntime == nullptr || m_pStart->bDeviceFailed)
        return;
    const DWORD channel = m_hChannel.exchange(0);
    if (channel != 0) {
        Api().BASS_MusicFree(channel);
        Api().BASS_StreamFree(channel);
    }
    Api().BASS_Free();
}

void CPlaybackEngine::WaitUntilStarted() const
{
    m_pStart->Finish();
}

bool CPlaybackEngine::HasStarted() const
{
    return m_pStart->bDone;
}

const SAudioApi &CPlaybackEngine::Api() const
{
    WaitUntilStarted();
    return m_pStart->pRuntime->Api();
}

void CPlaybackEngine::SetEndHandler(std::function<int()> handler)
{
    CSyncHandOver::Instance().SetHandler(std::move(handler));
}

void CPlaybackEngine::ReleaseChannel(uint32_t channel)
{
    // A notice of this channel that has not reached the handler is stale now;
    // answering it here also keeps the free from waiting on a waiting sync.
    CSyncHandOver::Instance().SetChannel(0);
    if (m_hSyncChannel == channel)
        m_hSyncChannel = 0;
    Api().BASS_MusicFree(channel);
}

bool CPlaybackEngine::Open(const QString &path)
{
    DWORD channel = m_hChannel;
    if (channel != 0) {
        ReleaseChannel(channel);
        Api().BASS_StreamFree(channel);
    }
    channel = Api().BASS_StreamCreateFile(0, Utf16(path), 0, 0, kStreamFlags);
    if (channel == 0)
        channel = Api().BASS_MusicLoad(0, Utf16(path), 0, 0, kMusicFlags, 0);
    m_hChannel = channel;
    if (channel == 0) {
        // Nothing of the item before may still be reported.
        m_nSampleRate = 0;
        m_bTempoControl = false;
        m_description = SItemDescription();
        ShowError(QStringLiteral("载入文件失败！"));
        return false;
    }
    // Modules are not decoding channels: they stay unwrapped and have no tempo control.
    const HSTREAM tempo = Api().BASS_FX_TempoCreate(channel, BASS_FX_FREESOURCE);
    m_bTempoControl = tempo != 0;
    if (tempo != 0)
        m_hChannel = tempo;
    CSyncHandOver::Instance().SetChannel(m_hChannel);
    DWORD rate = 0;
    Api().BASS_ChannelGetAttributes(m_hChannel, &rate, nullptr, nullptr);
    m_nSampleRate = rate;
    m_description = DescribeChannel(m_hChannel);
    ApplyEffects();
    return true;
}

CPlaybackEngine::SItemDescription CPlaybackEngine::DescribeChannel(uint32_t channel) const
{
    SItemDescription description;
    const char *entry = Api().BASS_ChannelGetTags(channel, QUILLMERE_TAG_META);
    for (; entry != nullptr && *entry != '\0'; entry += std::strlen(entry) + 1) {
        const QString tag = QString::fromUtf8(entry);
        const QString key = tag.section(u'=', 0, 0);
        const QString value = tag.section(u'=', 1);
        if (key == u"title")
            description.track = value;
        else if (key == u"artist")
            description.performer = value;
        else if (key == u"bitrate")
            description.bitRate = value.toLongLong();
    }
    return description;
}

bool CPlaybackEngine::HasEnded(uint32_t channel) const
{
    if (Api().BASS_ChannelIsActive(channel) != BASS_ACTIVE_STOPPED)
        return false;
    const QWORD length = Api().BASS_ChannelGetLength(channel);
    return length > 0 && Api().BASS_ChannelGetPosition(channel) >= length;
}

bool CPlaybackEngine::Play(bool restart)
{
    const DWORD channel = m_hChannel;
    // A channel left at its end plays again from its start; playing it from the
    // end would only end it again at once.
    if (!restart && HasEnded(channel))
        Api().BASS_ChannelSetPosition(channel, 0);
    if (!Api().BASS_ChannelPlay(channel, restart ? 1 : 0)) {
        ShowError(QStringLiteral("播放失败! Error code: %1").arg(Api().BASS_ErrorGetCode()));
        return false;
    }
    if (m_hSyncChannel != channel &&
        Api().BASS_ChannelSetSync(channel, BASS_SYNC_END, 0, &SEndSync::Callback, this) != 0)
        m_hSyncChannel = channel;
    return true;
}

bool CPlaybackEngine::Pause()
{
    return Api().BASS_ChannelPause(m_hChannel) != 0;
}

bool CPlaybackEngine::Stop()
{
    const DWORD channel = m_hChannel;
    if (channel == 0)
        return true;
    return Api().BASS_ChannelStop(channel) && Api().BASS_ChannelSetPosition(channel, 0);
}

bool CPlaybackEngine::FreeChannel()
{
    const DWORD channel = m_hChannel;
    if (channel == 0)
        return false;
    // The handle stays current: later calls on it fail in the runtime.
    ReleaseChannel(channel);
    m_description = SItemDescription();
    return Api().BASS_StreamFree(channel) != 0;
}

// With no channel open the runtime would answer "stopped": no need to wait for it.
bool CPlaybackEngine::IsPlaying() const
{
    return HasChannel() && Api().BASS_ChannelIsActive(m_hChannel) == BASS_ACTIVE_PLAYING;
}

bool CPlaybackEngine::IsStopped() const
{
    return !HasChannel() || Api().BASS_ChannelIsActive(m_hChannel) == BASS_ACTIVE_STOPPED;
}

bool CPlaybackEngine::IsPaused() const
{
    return HasChannel() && Api().BASS_ChannelIsActive(m_hChannel) == BASS_ACTIVE_PAUSED;
}

bool CPlaybackEngine::IsOutputLost() const
{
    return Api().QuillmereAudio_GetOutputState() == QUILLMERE_OUTPUT_LOST;
}

// The runtime answers -1 for a channel it does not know (none open, or the
// open failed): that is no time at all, not 49 days.
uint32_t CPlaybackEngine::Milliseconds(float seconds)
{
    return seconds > 0.0f ? static_cast<uint32_t>(static_cast<int64_t>(seconds * 1000.0f)) : 0;
}

uint32_t CPlaybackEngine::GetPosition() const
{
    const DWORD channel = m_hChannel;
    return Milliseconds(Api().BASS_ChannelBytes2Seconds(channel, Api().BASS_ChannelGetPosition(channel)));
}

uint32_t CPlaybackEngine::GetLength() const
{
    const DWORD channel = m_hChannel;
    return Milliseconds(Api().BASS_ChannelBytes2Seconds(channel, Api().BASS_ChannelGetLength(channel)));
}

bool CPlaybackEngine::SetPosition(uint32_t milliseconds)
{
    const DWORD channel = m_hChannel;
    const float seconds = static_cast<float>(milliseconds) * 0.001f;
    return Api().BASS_ChannelSetPosition(channel, Api().BASS_ChannelSeconds2Bytes(channel, seconds)) != 0;
}

uint64_t CPlaybackEngine::BytesAtOrAfter(uint32_t milliseconds) const
{
    // Rounded to the nearest frame, a time can read back a millisecond short, and the
    // position timer would then send playback to the start again.
    const DWORD channel = m_hChannel;
    const float seconds = static_cast<float>(milliseconds) * 0.001f;
    const QWORD bytes = Api().BASS_ChannelSeconds2Bytes(channel, seconds);
    const QWORD frameBytes = Api().BASS_ChannelSeconds2Bytes(channel, 1.0f) / std::max<uint32_t>(m_nSampleRate, 1);
    const float readBack = Api().BASS_ChannelBytes2Seconds(channel, bytes);
    const bool shortOfIt = static_cast<int64_t>(readBack * 1000.0f) < static_cast<int64_t>(milliseconds);
    return shortOfIt ? bytes + frameBytes : bytes;
}

bool CPlaybackEngine::SetLoop(uint32_t start, uint32_t end, bool once)
{
    if (start >= end)
        return false;
    const DWORD channel = m_hChannel;
    const QWORD endBytes = Api().BASS_ChannelSeconds2Bytes(channel, static_cast<float>(end) * 0.001f);
    return Api().BASS_ChannelSetLoop(channel, BytesAtOrAfter(start), endBytes, once ? BASS_LOOP_ONCE : 0) != 0;
}

void CPlaybackEngine::ClearLoop()
{
    Api().BASS_ChannelSetLoop(m_hChannel, 0, 0, 0);
}

bool CPlaybackEngine::GetAttributes(uint32_t *sampleRate, uint32_t *volume, int *pan) const
{
    return Api().BASS_ChannelGetAttributes(m_hChannel, sampleRate, volume, pan) != 0;
}

bool CPlaybackEngine::SetAttributes(int sampleRate, int volume, int pan)
{
    // A volume set while muted is heard at once, and the mute flag stays set.
    if (!m_bMute)
        m_nVolume = volume;
    return HasChannel() && Api().BASS_ChannelSetAttributes(m_hChannel, sampleRate, volume, pan) != 0;
}

void CPlaybackEngine::SetMute(bool mute)
{
    m_bMute = mute;
    if (HasChannel())
        Api().BASS_ChannelSetAttributes(m_hChannel, kUnchangedRate, mute ? 0 : m_nVolume, kUnchangedPan);
}

void CPlaybackEngine::ApplyEffects()
{
    const DWORD channel = m_hChannel;
    for (int band = 0; band < 3; ++band)
        m_hEffects[band] = Api().BASS_ChannelSetFX(channel, BASS_FX_PARAMEQ, 0);
    m_hEffects[EFFECT_REVERB] = Api().BASS_ChannelSetFX(channel, BASS_FX_REVERB, 0);
    for (int band = 0; band < 3; ++band) {
        const BASS_FXPARAMEQ flat{kBandCentres[band], kBandWidthSemitones, 0.0f};
        Api().BASS_FXSetParameters(m_hEffects[band], &flat);
    }
    for (unsigned band = 0; band < 3; ++band)
        ApplyBandGain(band);
    ApplyReverbMix();
}

void CPlaybackEngine::ApplyBandGain(unsigned kind)
{
    BASS_FXPARAMEQ eq{};
    Api().BASS_FXGetParameters(m_hEffects[kind], &eq);
    eq.fGain = BandGain(m_nBand[kind]);
    Api().BASS_FXSetParameters(m_hEffects[kind], &eq);
}

void CPlaybackEngine::ApplyReverbMix()
{
    BASS_FXREVERB reverb{};
    Api().BASS_FXGetParameters(m_hEffects[EFFECT_REVERB], &reverb);
    reverb.fReverbMix = ReverbMix(m_nReverb);
    Api().BASS_FXSetParameters(m_hEffects[EFFECT_REVERB], &reverb);
}

void CPlaybackEngine::SetEffect(unsigned kind, int value)
{
    if (kind > EFFECT_REVERB)
        return;
    // Stored first, so a change made with no file open holds for the next one.
    if (kind == EFFECT_REVERB)
        m_nReverb = value;
    else
        m_nBand[kind] = value;
    if (!HasChannel())
        return;
    if (kind == EFFECT_REVERB)
        ApplyReverbMix();
    else
        ApplyBandGain(kind);
}

int CPlaybackEngine::EffectValue(unsigned kind) const
{
    if (kind > EFFECT_REVERB)
        return 0;
    return kind == EFFECT_REVERB ? m_nReverb : m_nBand[kind];
}

bool CPlaybackEngine::SetTempo(float tempo, float rate, float pitch)
{
    return Api().BASS_FX_TempoSet(m_hChannel, tempo, rate, pitch) != 0;
}

void CPlaybackEngine::SEndSync::Callback(HSYNC, DWORD channel, DWORD, void *user)
{
    // Runs on the runtime's sync thread. The engine is alive between
    // BeginCallback and EndCallback: its destructor waits for that.
    CSyncHandOver &handOver = CSyncHandOver::Instance();
    if (!handOver.BeginCallback())
        return;
    if (handOver.Deliver(channel) != 0)
        static_cast<CPlaybackEngine *>(user)->StopAndRewindCurrent();
    handOver.EndCallback();
}

void CPlaybackEngine::StopAndRewindCurrent()
{
    // The handler may have opened another file: the current channel is meant.
    const DWORD channel = m_hChannel;
    if (channel != 0 && Api().BASS_ChannelStop(channel))
        Api().BASS_ChannelSetPosition(channel, 0);
}

namespace
{

// One runtime pass and the handlers it calls; the runtime's procedure reaches it through
// its user pointer, which stays valid until the pass has ended.
class CRuntimeAnalysis final : public IMediaPlayer::IAnalysis
{
public:
    CRuntimeAnalysis(const SAudioApi &api, IMediaPlayer::AnalysisBlock block, IMediaPlayer::AnalysisEnd end)
        : m_api(api), m_block(std::move(block)), m_end(std::move(end))
    {
    }
    ~CRuntimeAnalysis() override
    {
        if (m_handle != 0)
            m_api.QuillmereAudio_EndAnalysis(m_handle);
    }
    bool Start(const QString &path)
    {
        m_handle = m_api.QuillmereAudio_AnalyzeFile(reinterpret_cast<const char16_t *>(path.utf16()), BASS_UNICODE,
                                                    &CRuntimeAnalysis::Proc, this);
        return m_handle != 0;
    }

private:
    static void Proc(HANALYSIS, const float *samples, DWORD frames, DWORD rate, DWORD error, void *user)
    {
        auto *self = static_cast<CRuntimeAnalysis *>(user);
        if (frames != 0)
            self->m_block(samples, static_cast<int>(frames), static_cast<int>(rate));
        else
            self->m_end(error == BASS_OK);
    }

    const SAudioApi &m_api;
    IMediaPlayer::AnalysisBlock m_block;
    IMediaPlayer::AnalysisEnd m_end;
    HANALYSIS m_handle = 0;
};

} // namespace

std::unique_ptr<IMediaPlayer::IAnalysis> CPlaybackEngine::Analyze(const QString &path, AnalysisBlock block,
                                                                  AnalysisEnd end)
{
    auto analysis = std::make_unique<CRuntimeAnalysis>(Api(), std::move(block), std::move(end));
    if (!analysis->Start(path))
        return nullptr;
    return analysis;
}
