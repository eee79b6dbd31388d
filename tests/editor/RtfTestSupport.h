// Helpers shared by the RTF tests: readable descriptions of a document, its
// runs and paragraphs to compare property by property, and reading RTF.
#pragma once

#include <QImage>
#include <QTextDocument>
#include <memory>

// One line per paragraph (alignment, indents, spacing) and one per fragment
// (text, face, size, effects, colours) or picture (shown size, pixels).
QString DescribeDocument(const QTextDocument &document);
// "face=Arial size=12 bold fg=#ff0000" of the first character of text, and "align=4 left=20
// first=-10" of its paragraph (Qt::Alignment values, sizes in pixels); each names only what is set.
std::string FormatOf(const QTextDocument &document, const QString &text);
std::string ParagraphOf(const QTextDocument &document, const QString &text);
// Reads RTF, or the fixture of that name, into a new document; fails the
// current test when Read refuses it or finds it damaged.
std::unique_ptr<QTextDocument> ReadRtf(const QByteArray &rtf);
// A small picture with distinct pixels, so a changed pixel shows.
QImage MakeTestImage(int width, int height);
