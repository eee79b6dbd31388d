// What the format commands read from the editor's selection: whether an
// effect or an alignment covers all of it, none of it or part of it (the
// check marks 1, 0 and 2), and the character attributes every selected
// character shares.
#pragma once

#include <QTextCharFormat>
#include <vector>

class QTextCursor;

enum class ECharEffect { Bold, Italic, Underline };

// The different formats of the text between the selection's ends, each once; none for an
// empty selection or one of paragraph marks alone.
std::vector<QTextCharFormat> SelectedCharFormats(const QTextCursor &cursor);

// With no selection, the format the next typed character takes.
int EffectCheck(const QTextCursor &cursor, ECharEffect effect);
bool HasEffect(const QTextCharFormat &format, ECharEffect effect);
// A format that sets the effect on or off and nothing else.
QTextCharFormat EffectFormat(ECharEffect effect, bool on);

// Over the paragraphs the selection touches: 1 when all have the alignment, 0
// when they share another, 2 when they are mixed. Left, centre and right
// only; an unset alignment is left.
int AlignmentCheck(const QTextCursor &cursor, Qt::Alignment alignment);

// The properties that have the same value on every selected character; with
// no selection, the format the next typed character takes.
QTextCharFormat CommonCharFormat(const QTextCursor &cursor);
