#include "views/CQuillmereView.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QMimeData>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace
{

const QString g_strRtfMime = QStringLiteral("text/rtf");

} // namespace

CQuillmereView::CQuillmereView(CQuillmereDoc &document, QWidget *parent) : QTextEdit(parent), m_document(document)
{
    setDocument(&document.GetTextDocument());
    setAccessibleName(QStringLiteral("听写文本"));
    AddEditCommands();
    AddDocumentCommands();
}

void CQuillmereView::AddEditCommands()
{
    OnCommand(
        ID_EDIT_UNDO, [this] { undo(); }, [this](CCmdUI &ui) { ui.Enable(document()->isUndoAvailable()); });
    OnCommand(
        ID_EDIT_CUT, [this] { cut(); }, [this](CCmdUI &ui) { ui.Enable(HasSelection() && !isReadOnly()); });
    OnCommand(
        ID_EDIT_COPY, [this] { copy(); }, [this](CCmdUI &ui) { ui.Enable(HasSelection()); });
    OnCommand(
        ID_EDIT_PASTE, [this] { paste(); }, [this](CCmdUI &ui) { ui.Enable(canPaste()); });
    OnCommand(
        ID_EDIT_SELECT_ALL, [this] { selectAll(); }, [this](CCmdUI &ui) { ui.Enable(!document()->isEmpty()); });
}

// The route runs from the view to its document: these reach the document
// whichever pane has the focus, and the auto-save tick raises ID_FILE_SAVE here.
void CQuillmereView::AddDocumentCommands()
{
    OnCommand(ID_FILE_SAVE, [this] { m_document.OnFileSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { (void)m_document.OnFileSaveAs(); });
    // Linked objects need object linking, which this platform does not have.
    OnUpdate(ID_OLE_EDIT_LINKS, [](CCmdUI &ui) { ui.Enable(false); });
}

bool CQuillmereView::HasSelection() const
{
    return textCursor().hasSelection();
}

bool CQuillmereView::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasFormat(g_strRtfMime) || QTextEdit::canInsertFromMimeData(source);
}

void CQuillmereView::insertFromMimeData(const QMimeData *source)
{
    if (!source->hasFormat(g_strRtfMime)) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextDocument pasted;
    CRtfReader reader;
    if (!reader.Read(source->data(g_strRtfMime), pasted)) {
        QTextEdit::insertFromMimeData(source); // not RTF after all: whatever else it carries
        return;
    }
    textCursor().insertFragment(QTextDocumentFragment(&pasted));
    ensureCursorVisible();
}

QMimeData *CQuillmereView::createMimeDataFromSelection() const
{
    QMimeData *mime = QTextEdit::createMimeDataFromSelection();
    QTextDocument selected;
    QTextCursor(&selected).insertFragment(textCursor().selection());
    mime->setData(g_strRtfMime, CRtfWriter().Write(selected));
    return mime;
}
