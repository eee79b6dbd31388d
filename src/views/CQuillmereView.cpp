#include "views/CQuillmereView.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QMimeData>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimerEvent>
#include <algorithm>
#include <limits>

namespace
{

const QString g_strRtfMime = QStringLiteral("text/rtf");
const QString g_strStartingFace = QStringLiteral("Arial");
constexpr qreal kStartingPointSize = 12.0;

} // namespace

CQuillmereView::CQuillmereView(CQuillmereDoc &document, QWidget *parent) : QTextEdit(parent), m_document(document)
{
    setDocument(&document.GetTextDocument());
    setAccessibleName(QStringLiteral("听写文本"));
    AddEditCommands();
    AddDocumentCommands();
    m_document.SetContentsReplacedHandler([this] { OnInitialUpdate(); });
}

CQuillmereView::~CQuillmereView()
{
    StopAutoSave();
    m_document.SetContentsReplacedHandler({}); // the document outlives the window
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

void CQuillmereView::OnInitialUpdate()
{
    ApplyStartingFormat();
    RestartAutoSave();
}

// Arial 12 points with no bold, italic, underline or strike-out, for what is
// typed at the very start; the loaded text keeps its own formats, and the
// colour and other attributes at the start stay as they are.
void CQuillmereView::ApplyStartingFormat()
{
    QTextCursor start(document());
    QTextCharFormat format = start.charFormat();
    format.setFontFamilies(QStringList{g_strStartingFace});
    format.setFontPointSize(kStartingPointSize);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    start.setCharFormat(format); // no selection: only the cursor's typing format
    setTextCursor(start);
}

void CQuillmereView::StopAutoSave()
{
    if (m_nAutoSaveTimer == 0)
        return;
    killTimer(m_nAutoSaveTimer);
    m_nAutoSaveTimer = 0;
}

void CQuillmereView::RestartAutoSave()
{
    StopAutoSave();
    const int minutes = m_autoSaveMinutes ? m_autoSaveMinutes() : 0;
    if (minutes <= 0)
        return;
    // A profile may hold any number; a timer period cannot exceed an int of milliseconds.
    const qint64 period = qint64(minutes) * m_nMinuteLength;
    m_nAutoSavePeriod = int(std::min<qint64>(period, std::numeric_limits<int>::max()));
    m_nAutoSaveTimer = startTimer(m_nAutoSavePeriod);
}

void CQuillmereView::timerEvent(QTimerEvent *event)
{
    if (m_nAutoSaveTimer != 0 && event->timerId() == m_nAutoSaveTimer)
        OnAutoSaveTick();
    QTextEdit::timerEvent(event);
}

// The same save command as the menu's, without its success message.
void CQuillmereView::OnAutoSaveTick()
{
    m_document.m_bAutoSaving = true;
    OnCmdMsg(ID_FILE_SAVE, nullptr);
}
