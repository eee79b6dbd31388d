#include "views/SelectionFont.h"

#include "views/SelectionMarks.h"

#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <vector>

namespace
{

// A format names its face in one of Qt's two family properties, or in none
// (the document's default font then draws it).
QString FaceOf(const QTextCharFormat &format, const QTextDocument &document)
{
    const QString family = format.fontFamilies().toStringList().value(0);
    if (!family.isEmpty())
        return family;
    const QString single = format.property(QTextFormat::FontFamily).toString();
    return single.isEmpty() ? document.defaultFont().family() : single;
}

int TwipsOf(const QTextCharFormat &format, const QTextDocument &document)
{
    const qreal points =
        format.hasProperty(QTextFormat::FontPointSize) ? format.fontPointSize() : document.defaultFont().pointSizeF();
    return qRound(points * 20);
}

} // namespace

SSelectionFont GetSelectionFont(const QTextEdit &editor)
{
    const QTextDocument &document = *editor.document();
    const QTextCursor cursor = editor.textCursor();
    // With no selection (or one of paragraph marks alone), the format that
    // typing takes.
    std::vector<QTextCharFormat> formats = SelectedCharFormats(cursor);
    if (formats.empty())
        formats.push_back(editor.currentCharFormat());

    SSelectionFont font{FaceOf(formats.front(), document), TwipsOf(formats.front(), document)};
    for (const QTextCharFormat &format : formats) {
        if (FaceOf(format, document) != font.face)
            font.face.clear();
        if (TwipsOf(format, document) != font.twips)
            font.twips = -1;
    }
    return font;
}

void SetSelectionFontName(QTextEdit &editor, const QString &face)
{
    QTextCharFormat change;
    change.setFontFamilies(QStringList{face});
    change.setProperty(QTextFormat::FontFamily, face);
    editor.mergeCurrentCharFormat(change);
}

void SetSelectionFontSize(QTextEdit &editor, int twips)
{
    QTextCharFormat change;
    change.setFontPointSize(twips / 20.0);
    editor.mergeCurrentCharFormat(change);
}
