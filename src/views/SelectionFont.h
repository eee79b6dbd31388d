// The face and size of the editor's selection, read and changed for the
// format bar. Sizes are in twips (points × 20). Read over a selection that
// mixes faces the face is empty; over one that mixes sizes the size is -1.
// With no selection they are those of the format the next typed character
// takes.
#pragma once

#include <QString>

class QTextEdit;

struct SSelectionFont {
    QString face;   // empty: the selection mixes faces
    int twips = -1; // -1: the selection mixes sizes
};

SSelectionFont GetSelectionFont(const QTextEdit &editor);

// Change only the face, or only the size, of the selection (of what is typed
// next, with no selection); bold, colour and the rest stay.
void SetSelectionFontName(QTextEdit &editor, const QString &face);
void SetSelectionFontSize(QTextEdit &editor, int twips);
