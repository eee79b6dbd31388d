// The one way the program asks the learner something or tells them something
// in a modal box, and the one way it ends the process on a fatal error. The
// window installs a prompt that shows real dialogs; tests install one that
// answers by itself and records what was asked.
#pragma once

#include "base/CResult.h"

#include <QString>
#include <QStringList>

class CPrompt
{
public:
    // Box styles, icons and answers, numbered like the classic message-box
    // values; a style and an icon are or-ed together.
    static constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4;
    static constexpr unsigned MB_ICONERROR = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30,
                              MB_ICONINFORMATION = 0x40;
    static constexpr int IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

    virtual ~CPrompt() = default;

    // Shows a modal box with the text; flags combine a style and an icon. An
    // empty caption shows the application's title. Returns the answer chosen
    // (IDOK …).
    virtual int MessageBox(const QString &text, unsigned flags, const QString &caption = QString()) = 0;

    // Asks for files to read. filter lists "description (patterns)" entries
    // separated by ";;". Returns the chosen paths in the dialog's order, or
    // nothing when the learner cancels. The prompt used before the window
    // exists answers nothing.
    virtual QStringList GetOpenFileNames(const QString &caption, const QString &filter, bool multiple);

    // Asks for a file to write, starting from a proposed path; the default
    // extension (".rtf") is added to a name without one. Empty on cancel.
    virtual QString GetSaveFileName(const QString &caption, const QString &proposedPath, const QString &filter,
                                    const QString &defaultExtension);

    // Shows the media-properties dialog with the library's report of a media
    // file, modally, until the learner closes it. Without a window the report
    // is told like a message.
    virtual void ShowMediaProperties(const QString &report);

    // Ends the process with the exit code after a fatal error; never returns
    // in the program. A test prompt may throw instead so the test goes on.
    [[noreturn]] virtual void ExitProcess(int exitCode) = 0;
};

// Tells the learner what failed, when the result is a failure; returns
// whether it succeeded.
bool ReportFailure(const CResult &result);

// The prompt in force. Until something is installed it is a prompt that
// writes the text to the standard error stream and answers OK.
CPrompt &Prompt();

// Installs a prompt (not owned) and returns the one it replaces; null restores
// the standard-error prompt.
CPrompt *SetPrompt(CPrompt *prompt);
