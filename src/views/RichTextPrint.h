// Printing the dictation text: laid out for the printer's page inside the
// given margins, with nothing added (no page numbers, no margin of its own).
#pragma once

class QPrinter;
class QTextDocument;

void PrintRichText(const QTextDocument &document, QPrinter &printer, int marginTwips);
