#include "audio/CAudioRuntime.h"

#include "base/CPrompt.h"
#include "base/ModulePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <dlfcn.h>

namespace
{

// Library numbers of the "Error: stage:library" messages.
constexpr int kMainLibrary = 0;
constexpr int kTempoLibrary = 1;

// Stages: 0 the file is missing, 1 it cannot be read, 3 it cannot be loaded or
// lacks an entry point the program calls.
constexpr int kStageMissing = 0;
constexpr int kStageUnreadable = 1;
constexpr int kStageUnloadable = 3;

// Set by tests; empty means the program's own folder.
QString g_libraryFolder;

// Whether the program calls an entry point. A missing entry that is called is
// fatal at load time, so no call ever goes through a null pointer.
enum class EUse { Called, Unused };

template <typename T> bool Bind(void *module, const char *name, T &slot)
{
    slot = reinterpret_cast<T>(dlsym(module, name));
    return slot != nullptr;
}

} // namespace

void CAudioRuntime::SModuleCloser::operator()(void *module) const
{
    dlclose(module);
}

void CAudioRuntime::SetLibraryFolder(const QString &folder)
{
    g_libraryFolder = folder;
    if (!g_libraryFolder.isEmpty() && !g_libraryFolder.endsWith(QLatin1Char('/')))
        g_libraryFolder += QLatin1Char('/');
}

// The libraries lie beside the program in the build tree and in the
// program's private library folder once installed (bin/quillmere with
// lib/quillmere/); beside the program wins. With neither, the folder beside
// the program is the one a failure names.
QString CAudioRuntime::LibraryFolder()
{
    if (!g_libraryFolder.isEmpty())
        return g_libraryFolder;
    QString folder;
    GetModuleDirectory(folder);
    const QString installed = QDir::cleanPath(folder + QStringLiteral("../lib/quillmere")) + QLatin1Char('/');
    const QString mainLibrary = QStringLiteral(QUILLMERE_AUDIO_LIBRARY_NAME);
    if (!QFileInfo::exists(folder + mainLibrary) && QFileInfo::exists(installed + mainLibrary))
        return installed;
    return folder;
}

CAudioRuntime::CAudioRuntime() : m_folder(LibraryFolder())
{
    if (!Load())
        Fail(m_failure);
}

CAudioRuntime::CAudioRuntime(SQuiet) : m_folder(LibraryFolder()) {}

std::unique_ptr<CAudioRuntime> CAudioRuntime::TryLoad(SLoadFailure &failure)
{
    std::unique_ptr<CAudioRuntime> runtime(new CAudioRuntime(SQuiet{}));
    if (runtime->Load())
        return runtime;
    failure = runtime->m_failure;
    return nullptr;
}

CAudioRuntime::~CAudioRuntime() = default;

bool CAudioRuntime::Load()
{
    const QString mainPath = m_folder + QStringLiteral(QUILLMERE_AUDIO_LIBRARY_NAME);
    const QString tempoPath = m_folder + QStringLiteral(QUILLMERE_TEMPO_LIBRARY_NAME);
    if (!QFileInfo::exists(mainPath))
        return Failed(kStageMissing, kMainLibrary);
    if (!QFileInfo::exists(tempoPath))
        return Failed(kStageMissing, kTempoLibrary);
    // The add-on imports the main library, so the main one goes first.
    return CheckFile(mainPath, kMainLibrary) && CheckFile(tempoPath, kTempoLibrary) &&
           OpenModule(m_pMain, mainPath, kMainLibrary) && OpenModule(m_pTempo, tempoPath, kTempoLibrary) && BindAll();
}

bool CAudioRuntime::Failed(int stage, int library)
{
    m_failure = {stage, library};
    return false;
}

void CAudioRuntime::Fail(const SLoadFailure &failure)
{
    Prompt().MessageBox(QStringLiteral("Error: %1:%2").arg(failure.stage).arg(failure.library),
                        CPrompt::MB_OK | CPrompt::MB_ICONERROR, QStringLiteral("Error"));
    Prompt().ExitProcess(0);
    std::abort(); // a prompt that does return leaves no way to go on
}

bool CAudioRuntime::CheckFile(const QString &path, int library)
{
    // A folder or a file without read permission cannot be a library.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return Failed(kStageUnreadable, library);
    return true;
}

bool CAudioRuntime::OpenModule(ModulePtr &module, const QString &path, int library)
{
    // RTLD_NOW: a library with unresolved imports fails here, not at a later call.
    module.reset(dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL));
    return module != nullptr || Failed(kStageUnloadable, library);
}

bool CAudioRuntime::BindAll()
{
    void *main = m_pMain.get();
    void *tempo = m_pTempo.get();
    bool bound = true;
    // The first missing entry that is called names the failure.
    auto bind = [this, &bound](void *module, const char *name, auto &slot, EUse use, int library) {
        if (!Bind(module, name, slot) && use == EUse::Called && bound)
            bound = Failed(kStageUnloadable, library);
    };
    const EUse called = EUse::Called;
    const EUse unused = EUse::Unused;
    bind(main, "BASS_ErrorGetCode", m_api.BASS_ErrorGetCode, called, kMainLibrary);
    bind(main, "BASS_Init", m_api.BASS_Init, called, kMainLibrary);
    bind(main, "BASS_Free", m_api.BASS_Free, called, kMainLibrary);
    bind(main, "BASS_GetCPU", m_api.BASS_GetCPU, unused, kMainLibrary);
    bind(main, "BASS_MusicLoad", m_api.BASS_MusicLoad, called, kMainLibrary);
    bind(main, "BASS_MusicGetAttribute", m_api.BASS_MusicGetAttribute, unused, kMainLibrary);
    bind(main, "BASS_StreamCreateFile", m_api.BASS_StreamCreateFile, called, kMainLibrary);
    bind(main, "BASS_StreamCreateURL", m_api.BASS_StreamCreateURL, unused, kMainLibrary);
    bind(main, "BASS_StreamGetFilePosition", m_api.BASS_StreamGetFilePosition, unused, kMainLibrary);
    bind(main, "BASS_ChannelGetLength", m_api.BASS_ChannelGetLength, called, kMainLibrary);
    bind(main, "BASS_ChannelGetTags", m_api.BASS_ChannelGetTags, called, kMainLibrary);
    bind(main, "BASS_ChannelPlay", m_api.BASS_ChannelPlay, called, kMainLibrary);
    bind(main, "BASS_ChannelBytes2Seconds", m_api.BASS_ChannelBytes2Seconds, called, kMainLibrary);
    bind(main, "BASS_ChannelIsActive", m_api.BASS_ChannelIsActive, called, kMainLibrary);
    bind(main, "BASS_ChannelSlideAttributes", m_api.BASS_ChannelSlideAttributes, unused, kMainLibrary);
    bind(main, "BASS_ChannelIsSliding", m_api.BASS_ChannelIsSliding, unused, kMainLibrary);
    bind(main, "BASS_ChannelGetPosition", m_api.BASS_ChannelGetPosition, called, kMainLibrary);
    bind(main, "BASS_ChannelGetLevel", m_api.BASS_ChannelGetLevel, unused, kMainLibrary);
    bind(main, "BASS_FXGetParameters", m_api.BASS_FXGetParameters, called, kMainLibrary);
    bind(main, "BASS_FXSetParameters", m_api.BASS_FXSetParameters, called, kMainLibrary);
    bind(main, "BASS_GetVersion", m_api.BASS_GetVersion, unused, kMainLibrary);
    bind(main, "BASS_GetInfo", m_api.BASS_GetInfo, called, kMainLibrary);
    bind(main, "BASS_StreamFree", m_api.BASS_StreamFree, called, kMainLibrary);
    bind(main, "BASS_MusicFree", m_api.BASS_MusicFree, called, kMainLibrary);
    bind(main, "BASS_ChannelSetSync", m_api.BASS_ChannelSetSync, called, kMainLibrary);
    bind(main, "BASS_ChannelPause", m_api.BASS_ChannelPause, called, kMainLibrary);
    bind(main, "BASS_ChannelStop", m_api.BASS_ChannelStop, called, kMainLibrary);
    bind(main, "BASS_ChannelSetPosition", m_api.BASS_ChannelSetPosition, called, kMainLibrary);
    bind(main, "BASS_ChannelSetLoop", m_api.BASS_ChannelSetLoop, called, kMainLibrary);
    bind(main, "BASS_ChannelGetAttributes", m_api.BASS_ChannelGetAttributes, called, kMainLibrary);
    bind(main, "BASS_ChannelSeconds2Bytes", m_api.BASS_ChannelSeconds2Bytes, called, kMainLibrary);
    bind(main, "BASS_ChannelSetFX", m_api.BASS_ChannelSetFX, called, kMainLibrary);
    // The main library does not carry the tempo call; the add-on's binding,
    // made last, is the one that counts.
    bind(main, "BASS_FX_TempoSet", m_api.BASS_FX_TempoSet, unused, kMainLibrary);
    bind(main, "BASS_ChannelSetAttributes", m_api.BASS_ChannelSetAttributes, called, kMainLibrary);
    bind(main, "BASS_PluginLoad", m_api.BASS_PluginLoad, called, kMainLibrary);
    bind(main, "QuillmereAudio_GetOutputState", m_api.QuillmereAudio_GetOutputState, called, kMainLibrary);
    bind(main, "QuillmereAudio_AnalyzeFile", m_api.QuillmereAudio_AnalyzeFile, called, kMainLibrary);
    bind(main, "QuillmereAudio_EndAnalysis", m_api.QuillmereAudio_EndAnalysis, called, kMainLibrary);
    bind(tempo, "BASS_FX_TempoCreate", m_api.BASS_FX_TempoCreate, called, kTempoLibrary);
    bind(tempo, "BASS_FX_TempoSet", m_api.BASS_FX_TempoSet, called, kTempoLibrary);
    return bound;
}
