// The modal dialogs of the editor pane: font, colour, paste special, printer
// and print preview. The window shows the platform's dialogs; tests answer
// through an implementation of their own, so nothing blocks a test.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <functional>

class QPrinter;

class IEditorDialogs
{
public:
    virtual ~IEditorDialogs() = default;

    // Starts from the font and colour given and leaves the choice in them.
    // False on cancel (the arguments are then unspecified).
    virtual bool ChooseFont(QFont &font, QColor &color) = 0;
    virtual bool ChooseColor(QColor &color) = 0;
    // The index of the clipboard format to paste as, among the names given;
    // -1 on cancel.
    virtual int ChoosePasteFormat(const QStringList &formats) = 0;
    // The printer, its pages and copies; false on cancel.
    virtual bool ChoosePrinter(QPrinter &printer) = 0;
    // Shows the pages that paint draws on the printer until the learner
    // closes the preview (printing from it, when they choose to).
    virtual void ShowPrintPreview(QPrinter &printer, const std::function<void(QPrinter &)> &paint) = 0;
};
