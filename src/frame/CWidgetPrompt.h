// The prompt the running program installs: real message boxes and file
// dialogs, in the interface's language, owned by the main window.
#pragma once

#include "base/CPrompt.h"

class QWidget;

class CWidgetPrompt final : public CPrompt
{
public:
    // Boxes are centred on the owner while it is shown (null: the screen).
    explicit CWidgetPrompt(QWidget *owner = nullptr) : m_pOwner(owner) {}
    void SetOwner(QWidget *owner) { m_pOwner = owner; }

    int MessageBox(const QString &text, unsigned flags, const QString &caption = QString()) override;
    QStringList GetOpenFileNames(const QString &caption, const QString &filter, bool multiple) override;
    QString GetSaveFileName(const QString &caption, const QString &proposedPath, const QString &filter,
                            const QString &defaultExtension) override;
    void ShowMediaProperties(const QString &report) override;
    [[noreturn]] void ExitProcess(int exitCode) override;

private:
    QWidget *m_pOwner;
};
