#include "views/RichTextPrint.h"

#include <QAbstractTextDocumentLayout>
#include <QPrinter>
#include <QTextDocument>
#include <memory>

void PrintRichText(const QTextDocument &document, QPrinter &printer, int marginTwips)
{
    const qreal inches = marginTwips / 1440.0;
    printer.setPageMargins(QMarginsF(inches, inches, inches, inches), QPageLayout::Inch);
    // A document without a page size gets two-centimetre margins and page
    // numbers from QTextDocument::print; a copy laid out on the printer, one
    // page the size of the printable area, prints as it is.
    std::unique_ptr<QTextDocument> pages(document.clone());
    pages->documentLayout()->setPaintDevice(&printer);
    pages->setDocumentMargin(0);
    pages->setPageSize(printer.pageRect(QPrinter::DevicePixel).size());
    pages->print(&printer);
}
