// The loader against fake runtimes: each failure gives its "Error: s:l"
// message and exit code 0; a complete pair binds every entry point.
#include "EngineTestSupport.h"
#include "FakeRuntimeState.h"
#include "audio/CAudioRuntime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace
{

const QString kRuntimes = QStringLiteral(QUILLMERE_FAKE_RUNTIMES "/");
const QString kMain = QStringLiteral(QUILLMERE_AUDIO_LIBRARY_NAME);
const QString kTempo = QStringLiteral(QUILLMERE_TEMPO_LIBRARY_NAME);

// What lies in the library folder for one of the two libraries.
enum class EFile { Missing, Folder, Text, Complete, NoPlay, NoCpu, NoTempoCreate };

class LoaderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }
    void TearDown() override { CAudioRuntime::SetLibraryFolder(QString()); }

    void Place(const QString &name, EFile file) { Place(m_folder, name, file); }

    static void Place(const QTemporaryDir &folder, const QString &name, EFile file)
    {
        const QString path = folder.filePath(name);
        switch (file) {
        case EFile::Missing: return;
        case EFile::Folder: ASSERT_TRUE(QDir().mkdir(path)); return;
        case EFile::Text: {
            QFile text(path);
            ASSERT_TRUE(text.open(QIODevice::WriteOnly));
            text.write("not a library\n");
            return;
        }
        case EFile::Complete: ASSERT_TRUE(QFile::link(kRuntimes + QStringLiteral("complete/") + name, path)); return;
        case EFile::NoPlay: ASSERT_TRUE(QFile::link(kRuntimes + QStringLiteral("no_play/") + name, path)); return;
        case EFile::NoCpu: ASSERT_TRUE(QFile::link(kRuntimes + QStringLiteral("no_cpu/") + name, path)); return;
        case EFile::NoTempoCreate:
            ASSERT_TRUE(QFile::link(kRuntimes + QStringLiteral("no_create/") + name, path));
            return;
        }
    }

    // Loads from the prepared folder; returns the message shown before the
    // exit, or an empty string when the load succeeded.
    static QString LoadMessage(const QTemporaryDir &folder, EFile main, EFile tempo)
    {
        Place(folder, kMain, main);
        Place(folder, kTempo, tempo);
        CAudioRuntime::SetLibraryFolder(folder.path());
        CTestPrompt prompt;
        try {
            CAudioRuntime runtime;
        } catch (const SExitCalled &exit) {
            EXPECT_EQ(exit.exitCode, 0);
            EXPECT_EQ(prompt.m_messages.size(), 1u);
            EXPECT_EQ(prompt.m_messages.back().flags, unsigned(CPrompt::MB_OK | CPrompt::MB_ICONERROR));
            EXPECT_EQ(prompt.m_messages.back().caption, QStringLiteral("Error"));
            return prompt.m_messages.back().text;
        }
        EXPECT_TRUE(prompt.m_messages.empty());
        return QString();
    }

    QTemporaryDir m_folder;
};

TEST_F(LoaderTest, EachFailureHasItsStageAndLibrary)
{
    struct SCase {
        EFile main;
        EFile tempo;
        const char *message;
    };
    const SCase cases[] = {
        {EFile::Missing, EFile::Missing, "Error: 0:0"}, // the main library is looked for first
        {EFile::Complete, EFile::Missing, "Error: 0:1"},
        {EFile::Folder, EFile::Complete, "Error: 1:0"},
        {EFile::Complete, EFile::Folder, "Error: 1:1"},
        {EFile::Text, EFile::Complete, "Error: 3:0"},
        {EFile::Complete, EFile::Text, "Error: 3:1"},
        // A called entry point that is missing would be called through null later.
        {EFile::NoPlay, EFile::Complete, "Error: 3:0"},
        {EFile::Complete, EFile::NoTempoCreate, "Error: 3:1"},
        // One the program never calls may be missing.
        {EFile::NoCpu, EFile::Complete, ""},
    };
    for (const SCase &test : cases) {
        SCOPED_TRACE(test.message);
        QTemporaryDir folder;
        EXPECT_EQ(LoadMessage(folder, test.main, test.tempo), QString::fromLatin1(test.message));
    }
}

TEST_F(LoaderTest, CompletePairBindsTheTempoCallFromTheAddOn)
{
    Place(kMain, EFile::Complete);
    Place(kTempo, EFile::Complete);
    CAudioRuntime::SetLibraryFolder(m_folder.path());
    CTestPrompt prompt;
    CAudioRuntime runtime;
    EXPECT_EQ(runtime.Folder(), m_folder.path() + QLatin1Char('/'));
    void *tempo = dlopen(QFile::encodeName(m_folder.filePath(kTempo)).constData(), RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(tempo, nullptr);
    EXPECT_EQ(reinterpret_cast<void *>(runtime.Api().BASS_FX_TempoSet), dlsym(tempo, "BASS_FX_TempoSet"));
    EXPECT_NE(runtime.Api().BASS_ChannelPlay, nullptr);
    EXPECT_NE(runtime.Api().BASS_GetCPU, nullptr);
    dlclose(tempo);
}

TEST_F(LoaderTest, UnloadReleasesTheLibraries)
{
    Place(kMain, EFile::Complete);
    Place(kTempo, EFile::Complete);
    CAudioRuntime::SetLibraryFolder(m_folder.path());
    const QByteArray mainPath = QFile::encodeName(m_folder.filePath(kMain));
    {
        CTestPrompt prompt;
        CAudioRuntime runtime;
        void *loaded = dlopen(mainPath.constData(), RTLD_NOW | RTLD_NOLOAD);
        EXPECT_NE(loaded, nullptr);
        if (loaded)
            dlclose(loaded);
    }
    EXPECT_EQ(dlopen(mainPath.constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

} // namespace
