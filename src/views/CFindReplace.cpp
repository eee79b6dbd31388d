#include "views/CFindReplace.h"

#include <QTextCursor>
#include <QTextDocument>

QTextDocument::FindFlags CFindReplace::Flags(bool forward) const
{
    QTextDocument::FindFlags flags;
    if (m_options.m_bMatchCase)
        flags |= QTextDocument::FindCaseSensitively;
    if (m_options.m_bWholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (!forward)
        flags |= QTextDocument::FindBackward;
    return flags;
}

bool CFindReplace::FindNext(QTextCursor &cursor) const
{
    if (!HasSearch())
        return false;
    const QTextDocument &document = *cursor.document();
    const auto flags = Flags(m_options.m_bDown);
    QTextCursor found = document.find(m_options.m_strFind, cursor, flags);
    if (found.isNull()) {
        // Once round from the other end of the text.
        QTextCursor end(cursor.document());
        end.movePosition(m_options.m_bDown ? QTextCursor::Start : QTextCursor::End);
        found = document.find(m_options.m_strFind, end, flags);
    }
    if (found.isNull())
        return false;
    cursor = found;
    return true;
}

bool CFindReplace::IsMatch(const QTextCursor &cursor) const
{
    if (!cursor.hasSelection())
        return false;
    QTextCursor from(cursor.document());
    from.setPosition(cursor.selectionStart());
    const QTextCursor found = cursor.document()->find(m_options.m_strFind, from, Flags(true));
    return !found.isNull() && found.selectionStart() == cursor.selectionStart() &&
           found.selectionEnd() == cursor.selectionEnd();
}

bool CFindReplace::Replace(QTextCursor &cursor) const
{
    if (IsMatch(cursor))
        cursor.insertText(m_options.m_strReplace);
    return FindNext(cursor);
}

int CFindReplace::ReplaceAll(QTextDocument &document) const
{
    if (!HasSearch())
        return 0;
    const auto flags = Flags(true);
    QTextCursor edit(&document);
    edit.beginEditBlock();
    int count = 0;
    QTextCursor from(&document);
    for (QTextCursor found = document.find(m_options.m_strFind, from, flags); !found.isNull();
         found = document.find(m_options.m_strFind, found, flags)) {
        found.insertText(m_options.m_strReplace); // leaves the cursor after the replacement
        ++count;
    }
    edit.endEditBlock();
    return count;
}
