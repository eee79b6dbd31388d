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

    void Place(const QString &name, EFile file)
    {
        const QString path = m_folder.filePath(name);
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
    QString LoadMessage(EFile main, EFile tempo)
    {
        Place(kMain, main);
        Place(kTempo, tempo);
        CAudioRuntime::SetLibraryFolder(m_folder.path());
        CTestPrompt prompt;
        try {
            CAudioRuntime runtime;
        } catch (const SExitCalled &exit) {
            EXPECT_EQ(exit.exitCode, 0);
            EXPECT_EQ(prompt.m_messages.size(), 1u);
            EXPECT_EQ(prompt.m_messages.back().flags, unsigned(CPrompt::MB_OK | CPrompt::MB_ICONERROR));
            return prompt.m_messages.back().text;
        }
        EXPECT_TRUE(prompt.m_messages.empty());
        return QString();
    }

    QTemporaryDir m_folder;
};

TEST_F(LoaderTest, MissingFilesAreStageZeroMainFirst)
{
    EXPECT_EQ(LoadMessage(EFile::Missing, EFile::Missing), QStringLiteral("Error: 0:0"));
}

TEST_F(LoaderTest, MissingAddOnIsStageZeroLibraryOne)
{
    EXPECT_EQ(LoadMessage(EFile::Complete, EFile::Missing), QStringLiteral("Error: 0:1"));
}

TEST_F(LoaderTest, UnreadableFilesAreStageOne)
{
    EXPECT_EQ(LoadMessage(EFile::Folder, EFile::Complete), QStringLiteral("Error: 1:0"));
}

TEST_F(LoaderTest, UnreadableAddOnIsStageOneLibraryOne)
{
    EXPECT_EQ(LoadMessage(EFile::Complete, EFile::Folder), QStringLiteral("Error: 1:1"));
}

TEST_F(LoaderTest, FileThatIsNotALibraryIsStageThree)
{
    EXPECT_EQ(LoadMessage(EFile::Text, EFile::Complete), QStringLiteral("Error: 3:0"));
}

TEST_F(LoaderTest, AddOnThatIsNotALibraryIsStageThreeLibraryOne)
{
    EXPECT_EQ(LoadMessage(EFile::Complete, EFile::Text), QStringLiteral("Error: 3:1"));
}

TEST_F(LoaderTest, MissingEntryPointThatIsCalledIsStageThree)
{
    // Without this check the first play would call through a null pointer.
    EXPECT_EQ(LoadMessage(EFile::NoPlay, EFile::Complete), QStringLiteral("Error: 3:0"));
}

TEST_F(LoaderTest, MissingAddOnEntryPointIsStageThreeLibraryOne)
{
    EXPECT_EQ(LoadMessage(EFile::Complete, EFile::NoTempoCreate), QStringLiteral("Error: 3:1"));
}

TEST_F(LoaderTest, MissingEntryPointThatIsNeverCalledIsTolerated)
{
    EXPECT_EQ(LoadMessage(EFile::NoCpu, EFile::Complete), QString());
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
