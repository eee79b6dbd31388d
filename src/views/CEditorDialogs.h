// The editor's dialogs as the platform shows them, owned by a window.
#pragma once

#include "views/IEditorDialogs.h"

class QWidget;

class CEditorDialogs final : public IEditorDialogs
{
public:
    explicit CEditorDialogs(QWidget *owner) : m_pOwner(owner) {}

    // Qt's font dialog offers no colour: the colour comes back as it went in.
    bool ChooseFont(QFont &font, QColor &color) override;
    bool ChooseColor(QColor &color) override;
    int ChoosePasteFormat(const QStringList &formats) override;
    bool ChoosePrinter(QPrinter &printer) override;
    void ShowPrintPreview(QPrinter &printer, const std::function<void(QPrinter &)> &paint) override;

private:
    QWidget *m_pOwner;
};
