// The loader against fake runtimes: each failure gives its "Error: s:l"
// message and exit code 0; a pair that loads is unloaded again afterwards.
#include "EngineTestSupport.h"
#include "audio/CAudioRuntime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
        QString message;
        try {
            CAudioRuntime runtime;
        } catch (const SExitCalled &exit) {
            EXPECT_EQ(exit.exitCode, 0);
            ASSERT_EQ(prompt.m_messages.size(), 1u);
            EXPECT_EQ(prompt.m_messages[0].flags, unsigned(CPrompt::MB_OK | CPrompt::MB_ICONERROR));
            EXPECT_EQ(prompt.m_messages[0].caption, QStringLiteral("Error"));
            message = prompt.m_messages[0].text;
        }
        EXPECT_EQ(message, QLatin1String(expected));
        // Nothing stays loaded once the runtime is gone.
        const QByteArray path = QFile::encodeName(folder.filePath(QStringLiteral(QUILLMERE_AUDIO_LIBRARY_NAME)));
        EXPECT_EQ(dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
    }
    CAudioRuntime::SetLibraryFolder(QString());
}

} // namespace
