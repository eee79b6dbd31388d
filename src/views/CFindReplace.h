// Find and replace in the dictation text: the search the find and replace
// dialogs last started, kept for "find next" (F3), and what it does to the
// editor's selection. A search runs from the selection to the end of the text
// (or to its start, searching up) and then once round from the other end.
#pragma once

#include <QString>
#include <QTextDocument>

class QTextCursor;

struct SFindOptions {
    QString m_strFind;
    QString m_strReplace;
    bool m_bMatchCase = false;
    bool m_bWholeWord = false;
    bool m_bDown = true;
};

class CFindReplace
{
public:
    void SetOptions(const SFindOptions &options) { m_options = options; }
    const SFindOptions &Options() const { return m_options; }
    // Whether there is a search to repeat.
    bool HasSearch() const { return !m_options.m_strFind.isEmpty(); }

    // Selects the next match in the cursor; false, with the cursor as it was,
    // when the text holds none.
    bool FindNext(QTextCursor &cursor) const;
    // Replaces the selection when it is a match, then selects the next match.
    // False when no further match was found.
    bool Replace(QTextCursor &cursor) const;
    // Every match from the start of the text, as one step to undo; returns
    // how many were replaced.
    int ReplaceAll(QTextDocument &document) const;

private:
    bool IsMatch(const QTextCursor &cursor) const;
    QTextDocument::FindFlags Flags(bool forward) const;

    SFindOptions m_options;
};
