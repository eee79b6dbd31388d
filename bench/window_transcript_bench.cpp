// A 10 MB transcript in the shown window: how long the window is busy opening
// it (read, check, load, layout and the first paint), writing its recovery
// copy and saving it, and one idle update of the commands with all of it
// selected. Figures are the median, the best and the worst of the runs.
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfWriter.h"
#include "frame/CMainFrame.h"
#include "frame/CQuillmereApp.h"
#include "frame/CRecoveryKeeper.h"
#include "views/CQuillmereView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr qsizetype kTargetBytes = 10 * 1024 * 1024;
constexpr int kRuns = 3;

void AddParagraphs(QTextCursor &cursor, int count)
{
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    const QString line = QStringLiteral("The speaker said the café opens at nine, 我们明天早上九点见面。");
    for (int i = 0; i < count; ++i) {
        cursor.insertBlock();
        cursor.insertText(line, QTextCharFormat());
        cursor.insertText(QStringLiteral(" important %1").arg(i), bold);
    }
}

// Chinese and Latin paragraphs with a few formats, about 10 MB of RTF: the
// paragraph count is scaled from a sample.
QByteArray MakeTranscript()
{
    constexpr int kSample = 1000;
    QTextDocument document;
    QTextCursor cursor(&document);
    AddParagraphs(cursor, kSample);
    const qsizetype sampleBytes = CRtfWriter().Write(document).size();
    AddParagraphs(cursor, static_cast<int>(kSample * kTargetBytes / sampleBytes) - kSample);
    return CRtfWriter().Write(document);
}

void Report(const char *label, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    std::printf("  %-40s median %8.1f  best %8.1f  worst %8.1f ms\n", label, values[values.size() / 2], values.front(),
                values.back());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("SDL_AUDIODRIVER", "dummy");
    QApplication application(argc, argv);
    const QTemporaryDir dir;
    // Nothing of the learner's own runs (a recovery copy to offer) stops the start.
    for (const char *folder : {"XDG_STATE_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME"})
        qputenv(folder, dir.path().toLocal8Bit());
    const QString transcript = dir.filePath(QStringLiteral("huge.rtf"));
    const QByteArray rtf = MakeTranscript();
    QFile file(transcript);
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size())
        return 1;
    file.close();
    std::printf("transcript %.1f MB of RTF\n", double(rtf.size()) / 1024 / 1024);
    std::fflush(stdout);

    CQuillmereApp app(dir.filePath(QStringLiteral("q.ini")), dir.filePath(QStringLiteral("Playlist.Qpl")),
                      dir.filePath(QStringLiteral("recovery")));
    if (!app.InitInstance({QStringLiteral("quillmere")}, false) || !QTest::qWaitForWindowExposed(&app.MainFrame()))
        return 1;
    std::vector<double> load, open, copy, save;
    QElapsedTimer clock;
    for (int run = 0; run < kRuns; ++run) {
        app.Document().OnNewDocument();
        QApplication::processEvents();
        clock.start();
        if (!app.OpenDocumentFile(transcript))
            return 1;
        load.push_back(double(clock.nsecsElapsed()) / 1e6);
        app.EditorView().viewport()->repaint();
        QApplication::processEvents();
        open.push_back(double(clock.nsecsElapsed()) / 1e6);

        QTest::keyClicks(&app.EditorView(), QStringLiteral("x"));
        clock.start();
        const QByteArray written = CRtfWriter().Write(app.Document().GetTextDocument());
        if (!app.RecoveryKeeper().Store().Write(transcript, written))
            return 1;
        copy.push_back(double(clock.nsecsElapsed()) / 1e6);

        clock.start();
        if (!app.Document().OnSaveDocument(transcript))
            return 1;
        save.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    // With everything selected, each idle moment (at least ten a second while
    // an item plays) asks the format commands and the format bar about it.
    std::vector<double> idle;
    app.EditorView().selectAll();
    for (int run = 0; run < kRuns; ++run) {
        clock.start();
        app.MainFrame().UpdateCommandStates();
        idle.push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    Report("open: read, check and load", load);
    Report("open: the same and the first paint", open);
    Report("recovery copy (RTF of the text, write)", copy);
    Report("save", save);
    Report("idle update with all of it selected", idle);
    app.MainFrame().close();
    app.ExitInstance();
    return 0;
}
