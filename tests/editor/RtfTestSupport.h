// Helpers shared by the RTF tests: readable descriptions of a document, its
// runs and paragraphs to compare property by property, and reading RTF.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTextDocument>
#include <memory>

// One line per paragraph (alignment, indents, spacing) and one per fragment
// (text, face, size, effects, colours) or picture (shown size, pixels).
QString DescribeDocument(const QTextDocument &document);

// "face=Arial size=12 bold italic underline strike fg=#ff0000 bg=none" of the
// first character of text, and "align=4 left=20 right=10 first=-10 before=4
// after=8" of its paragraph (Qt::Alignment values, sizes in pixels).
std::string FormatOf(const QTextDocument &document, const QString &text);
std::string ParagraphOf(const QTextDocument &document, const QString &text);

// Reads RTF into a new document; fails the current test when Read refuses it.
std::unique_ptr<QTextDocument> ReadRtf(const QByteArray &rtf);

QByteArray ReadFixture(const QString &name);

// A small picture with distinct pixels, so a changed pixel shows.
QImage MakeTestImage(int width, int height);
