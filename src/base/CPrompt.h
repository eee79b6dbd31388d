// The one way the program asks the learner something or tells them something
// in a modal box, and the one way it ends the process on a fatal error. The
// window installs a prompt that shows real dialogs; tests install one that
// answers by itself and records what was asked.
#pragma once

#include <QString>

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

    // Ends the process with the exit code after a fatal error; never returns
    // in the program. A test prompt may throw instead so the test goes on.
    [[noreturn]] virtual void ExitProcess(int exitCode) = 0;
};

// The prompt in force. Until something is installed it is a prompt that
// writes the text to the standard error stream and answers OK.
CPrompt &Prompt();

// Installs a prompt (not owned) and returns the one it replaces; null restores
// the standard-error prompt.
CPrompt *SetPrompt(CPrompt *prompt);
