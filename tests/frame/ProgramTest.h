// The whole program in the tests: a folder of lessons, the program started on
// the folder's profile (q.ini), playlist and recovery folder the way a learner
// starts it, every question answered through a recording prompt; and helper
// programs that are the program, started until they say "ready".
#pragma once

#include "audio/CPlaybackEngine.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "session/CPlaybackSession.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"

#include "CTestMedia.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

// The folder's playlist file, listing these items.
inline void WritePlaylist(const QTemporaryDir &dir, const QStringList &items)
{
    WriteAllBytes(dir.filePath(QStringLiteral("Playlist.Qpl")),
                  (items.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
}

// Copies of generated media ({generated, name}) listed in the folder's playlist in that order.
inline QStringList ListLessons(const QTemporaryDir &dir, const std::vector<std::pair<const char *, QString>> &media)
{
    QStringList items;
    for (const auto &[generated, name] : media) {
        items.append(dir.filePath(name));
        QFile::copy(QString::fromStdString(CTestMedia::Path(generated)), items.last());
    }
    WritePlaylist(dir, items);
    return items;
}

inline testing::AssertionResult StartUntilReady(QProcess &helper, const QString &program, const QStringList &arguments)
{
    helper.start(program, arguments);
    if (QTest::qWaitFor([&] { return helper.readAllStandardOutput().contains("ready"); }, 60000))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "never ready: " << helper.readAllStandardError().toStdString();
}

class CProgramTest : public testing::Test
{
protected:
    void TearDown() override
    {
        if (m_pApp)
            Stop();
    }

    // commandLineFile: the file the program is started with, as by a file manager.
    void Start(const QString &commandLineFile = QString())
    {
        m_pApp = std::make_unique<CQuillmereApp>(Path("q.ini"), Path("Playlist.Qpl"), Path("recovery"));
        QStringList arguments{QStringLiteral("quillmere")};
        if (!commandLineFile.isEmpty())
            arguments << commandLineFile;
        ASSERT_TRUE(m_pApp->InitInstance(arguments, false));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Frame()));
        Editor().setFocus();
    }
    void Stop()
    {
        Frame().close();
        m_pApp->ExitInstance();
        m_pApp.reset();
    }

    QString Path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    CMainFrame &Frame() { return m_pApp->MainFrame(); }
    CPlaybackSession &Session() { return m_pApp->Session(); }
    CPlaybackEngine &Engine() { return m_pApp->Engine(); }
    CQuillmereView &Editor() { return m_pApp->EditorView(); }
    bool Raise(unsigned id) { return Frame().RaiseCommand(id); }
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&Editor(), key, modifiers);
    }

    QTemporaryDir m_dir;
    CRecordingPrompt m_prompt{CPrompt::IDYES};
    std::unique_ptr<CQuillmereApp> m_pApp;
};
