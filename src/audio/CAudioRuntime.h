// Loads the audio runtime (the main library and its tempo add-on) from the
// program's folder and binds the table of entry points that every audio call
// goes through. Any failure is fatal: the user sees "Error: stage:library" and
// the process ends. TryLoad does the same work without a word to the user, so
// that a thread other than the user-interface one may load the runtime.
#pragma once

#include "audio/runtime/AudioApi.h"

#include <QString>
#include <memory>

// One pointer per entry point, in the order they are bound. Every entry the
// program calls is guaranteed non-null once the constructor has returned;
// the ones it never calls may be null.
struct SAudioApi {
    PFN_BASS_ErrorGetCode BASS_ErrorGetCode = nullptr;
    PFN_BASS_Init BASS_Init = nullptr;
    PFN_BASS_Free BASS_Free = nullptr;
    PFN_BASS_GetCPU BASS_GetCPU = nullptr;
    PFN_BASS_MusicLoad BASS_MusicLoad = nullptr;
    PFN_BASS_MusicGetAttribute BASS_MusicGetAttribute = nullptr;
    PFN_BASS_StreamCreateFile BASS_StreamCreateFile = nullptr;
    PFN_BASS_StreamCreateURL BASS_StreamCreateURL = nullptr;
    PFN_BASS_StreamGetFilePosition BASS_StreamGetFilePosition = nullptr;
    PFN_BASS_ChannelGetLength BASS_ChannelGetLength = nullptr;
    PFN_BASS_ChannelGetTags BASS_ChannelGetTags = nullptr;
    PFN_BASS_ChannelPlay BASS_ChannelPlay = nullptr;
    PFN_BASS_ChannelBytes2Seconds BASS_ChannelBytes2Seconds = nullptr;
    PFN_BASS_ChannelIsActive BASS_ChannelIsActive = nullptr;
    PFN_BASS_ChannelSlideAttributes BASS_ChannelSlideAttributes = nullptr;
    PFN_BASS_ChannelIsSliding BASS_ChannelIsSliding = nullptr;
    PFN_BASS_ChannelGetPosition BASS_ChannelGetPosition = nullptr;
    PFN_BASS_ChannelGetLevel BASS_ChannelGetLevel = nullptr;
    PFN_BASS_FXGetParameters BASS_FXGetParameters = nullptr;
    PFN_BASS_FXSetParameters BASS_FXSetParameters = nullptr;
    PFN_BASS_GetVersion BASS_GetVersion = nullptr;
    PFN_BASS_GetInfo BASS_GetInfo = nullptr;
    PFN_BASS_StreamFree BASS_StreamFree = nullptr;
    PFN_BASS_MusicFree BASS_MusicFree = nullptr;
    PFN_BASS_ChannelSetSync BASS_ChannelSetSync = nullptr;
    PFN_BASS_ChannelPause BASS_ChannelPause = nullptr;
    PFN_BASS_ChannelStop BASS_ChannelStop = nullptr;
    PFN_BASS_ChannelSetPosition BASS_ChannelSetPosition = nullptr;
    PFN_BASS_ChannelSetLoop BASS_ChannelSetLoop = nullptr;
    PFN_BASS_ChannelGetAttributes BASS_ChannelGetAttributes = nullptr;
    PFN_BASS_ChannelSeconds2Bytes BASS_ChannelSeconds2Bytes = nullptr;
    PFN_BASS_ChannelSetFX BASS_ChannelSetFX = nullptr;
    PFN_BASS_FX_TempoSet BASS_FX_TempoSet = nullptr;
    PFN_BASS_ChannelSetAttributes BASS_ChannelSetAttributes = nullptr;
    PFN_BASS_PluginLoad BASS_PluginLoad = nullptr;
    PFN_BASS_FX_TempoCreate BASS_FX_TempoCreate = nullptr;
    PFN_QuillmereAudio_GetOutputState QuillmereAudio_GetOutputState = nullptr;
    PFN_QuillmereAudio_AnalyzeFile QuillmereAudio_AnalyzeFile = nullptr;
    PFN_QuillmereAudio_EndAnalysis QuillmereAudio_EndAnalysis = nullptr;
};

class CAudioRuntime
{
public:
    // Where loading stopped: the numbers of the "Error: stage:library" message.
    struct SLoadFailure {
        int stage = 0;
        int library = 0;
    };

    // Loads both libraries and binds the table. Returns only on success; on
    // failure it shows the error and ends the process through the prompt.
    CAudioRuntime();
    // Loads both libraries and binds the table on any thread; shows nothing.
    // Null on failure, with the failure's stage and library.
    static std::unique_ptr<CAudioRuntime> TryLoad(SLoadFailure &failure);
    // Shows "Error: stage:library" and ends the process (user-interface thread).
    [[noreturn]] static void Fail(const SLoadFailure &failure);
    // Unloads both libraries. The caller frees its channel and the device first.
    ~CAudioRuntime();

    CAudioRuntime(const CAudioRuntime &) = delete;
    CAudioRuntime &operator=(const CAudioRuntime &) = delete;

    const SAudioApi &Api() const { return m_api; }

    // The folder the libraries are loaded from ("/" at the end).
    const QString &Folder() const { return m_folder; }

    // Where the libraries are looked for: the program's own folder unless a
    // test names another one (an empty string restores the default).
    static void SetLibraryFolder(const QString &folder);
    static QString LibraryFolder();

private:
    struct SModuleCloser {
        void operator()(void *module) const;
    };
    using ModulePtr = std::unique_ptr<void, SModuleCloser>;

    struct SQuiet {
    };
    explicit CAudioRuntime(SQuiet);

    // Each returns false and fills m_failure when loading cannot go on.
    bool Load();
    bool CheckFile(const QString &path, int library);
    bool OpenModule(ModulePtr &module, const QString &path, int library);
    bool BindAll();
    bool Failed(int stage, int library);

    QString m_folder;
    ModulePtr m_pMain;
    ModulePtr m_pTempo;
    SAudioApi m_api;
    SLoadFailure m_failure;
};
