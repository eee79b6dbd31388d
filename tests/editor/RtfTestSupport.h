// Helpers shared by the RTF tests: a readable description of a document to
// compare property by property, and reading RTF into a fresh document.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTextDocument>
#include <memory>

// One line per paragraph (alignment, indents, spacing) and one per fragment
// (text, face, size, effects, colours) or picture (shown size, pixels).
QString DescribeDocument(const QTextDocument &document);

// Reads RTF into a new document; fails the current test when Read refuses it.
std::unique_ptr<QTextDocument> ReadRtf(const QByteArray &rtf);

QByteArray ReadFixture(const QString &name);

// A small picture with distinct pixels, so a changed pixel shows.
QImage MakeTestImage(int width, int height);
