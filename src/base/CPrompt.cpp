#include "base/CPrompt.h"

#include <cstdio>
#include <cstdlib>

namespace
{

// Used before the window exists and by programs without one.
class CConsolePrompt final : public CPrompt
{
public:
    int MessageBox(const QString &text, unsigned flags, const QString &caption) override
    {
        const QString title = caption.isEmpty() ? QStringLiteral("Quillmere") : caption;
        std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
        return (flags & 0xF) == MB_YESNO || (flags & 0xF) == MB_YESNOCANCEL ? IDYES : IDOK;
    }
    [[noreturn]] void ExitProcess(int exitCode) override { std::exit(exitCode); }
};

CConsolePrompt g_consolePrompt;
CPrompt *g_prompt = &g_consolePrompt;

} // namespace

QStringList CPrompt::GetOpenFileNames(const QString &, const QString &, bool)
{
    return {};
}

QString CPrompt::GetSaveFileName(const QString &, const QString &, const QString &, const QString &)
{
    return {};
}

void CPrompt::ShowMediaProperties(const QString &report)
{
    MessageBox(report, MB_OK, QStringLiteral("媒体属性"));
}

bool ReportFailure(const CResult &result)
{
    if (!result)
        Prompt().MessageBox(result.Message(), CPrompt::MB_OK | CPrompt::MB_ICONEXCLAMATION);
    return result.Succeeded();
}

CPrompt &Prompt()
{
    return *g_prompt;
}

CPrompt *SetPrompt(CPrompt *prompt)
{
    CPrompt *previous = g_prompt == &g_consolePrompt ? nullptr : g_prompt;
    g_prompt = prompt ? prompt : &g_consolePrompt;
    return previous;
}
