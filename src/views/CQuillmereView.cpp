#include "views/CQuillmereView.h"

#include "app/CCommandTable.h"
#include "app/Resource.h"
#include "base/TimeUtils.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"
#include "views/CEditorDialogs.h"
#include "views/RichTextPrint.h"
#include "views/SelectionMarks.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTimerEvent>
#include <algorithm>
#include <limits>

namespace
{

const QString g_strRtfMime = QStringLiteral("text/rtf");
const QString g_strStartingFace = QStringLiteral("Arial");
const QString g_strFormattedText = QStringLiteral("带格式文本 (RTF)");
const QString g_strPlainText = QStringLiteral("无格式文本");
constexpr unsigned kOleVerbCount = 16; // ID_OLE_VERB_FIRST and the fifteen after it
constexpr qreal kStartingPointSize = 12.0;

// Gives the editor a new cursor without laying its text out. A load leaves the
// editor's old cursor after all of the new text, and a cursor that moves has
// the place it left repainted: finding that place lays out the whole text,
// most of a second for a long transcript, before the first paint. Without a
// page size the layout finds no places; giving the size back starts the usual
// layout from the top, the rest of it in steps while the window is idle.
void SetCursorWithoutLayout(QTextEdit &editor, const QTextCursor &cursor)
{
    QTextDocument &document = *editor.document();
    const QSizeF pageSize = document.pageSize();
    document.setPageSize(QSizeF(0, 0));
    editor.setTextCursor(cursor);
    document.setPageSize(pageSize);
}

// Undo, cut, copy, select all, the format check marks and the line pane read
// the text, its history, the caret and the selection: each change of them is
// a notice to the window.
void TellStateChanges(QTextEdit &editor)
{
    QObject::connect(&editor, &QTextEdit::textChanged, &editor, &CCmdTarget::StatesChanged);
    QObject::connect(&editor, &QTextEdit::undoAvailable, &editor, &CCmdTarget::StatesChanged);
    QObject::connect(&editor, &QTextEdit::redoAvailable, &editor, &CCmdTarget::StatesChanged);
    QObject::connect(&editor, &QTextEdit::cursorPositionChanged, &editor, &CCmdTarget::StatesChanged);
    QObject::connect(&editor, &QTextEdit::selectionChanged, &editor, &CCmdTarget::StatesChanged);
    QObject::connect(&editor, &QTextEdit::currentCharFormatChanged, &editor, &CCmdTarget::StatesChanged);
}

} // namespace

CQuillmereView::CQuillmereView(CQuillmereDoc &document, QWidget *parent)
    : QTextEdit(parent), m_document(document), m_pPlatformDialogs(std::make_unique<CEditorDialogs>(this)),
      m_pDialogs(m_pPlatformDialogs.get())
{
    setDocument(&document.GetTextDocument());
    setAccessibleName(QStringLiteral("听写文本"));
    AddEditCommands();
    AddFindCommands();
    AddTimestampCommands();
    AddFormatCommands();
    AddPrintCommands();
    AddDocumentCommands();
    m_document.SetContentsReplacedHandler([this] { OnInitialUpdate(); });
    TellStateChanges(*this);
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
        ID_EDIT_PASTE_SPECIAL, [this] { OnPasteSpecial(); }, [this](CCmdUI &ui) { ui.Enable(canPaste()); });
    OnCommand(
        ID_EDIT_SELECT_ALL, [this] { selectAll(); }, [this](CCmdUI &ui) { ui.Enable(!document()->isEmpty()); });
    // The line that holds the caret, for the status bar's pane 1.
    OnUpdate(ID_INDICATOR_LINE, [this](CCmdUI &ui) {
        ui.Enable();
        ui.SetText(QStringLiteral("Line %1").arg(CaretLine() + 1));
    });
}

void CQuillmereView::AddFindCommands()
{
    OnCommand(ID_EDIT_FIND, [this] { OpenFindReplace(false); });
    OnCommand(ID_EDIT_REPLACE, [this] { OpenFindReplace(true); });
    OnCommand(
        ID_EDIT_REPEAT, [this] { RepeatFind(); }, [this](CCmdUI &ui) { ui.Enable(m_find.HasSearch()); });
}

// Ctrl+T writes where the recording is at the caret; the timestamp under the
// caret (or Ctrl+clicked) plays the recording from there.
void CQuillmereView::AddTimestampCommands()
{
    OnCommand(
        ID_INSERT_TIMESTAMP,
        [this] {
            if (const auto position = m_playingPosition ? m_playingPosition() : std::nullopt)
                textCursor().insertText(FormatTimestamp(*position));
        },
        [this](CCmdUI &ui) { ui.Enable(!isReadOnly() && m_playingPosition && m_playingPosition().has_value()); });
    OnCommand(
        ID_PLAY_FROM_TIMESTAMP,
        [this] {
            if (const auto time = TimestampAtCaret(); time && m_playFrom)
                m_playFrom(*time);
        },
        [this](CCmdUI &ui) {
            ui.Enable(m_playFrom && m_playingPosition && m_playingPosition().has_value() &&
                      TimestampAtCaret().has_value());
        });
}

void CQuillmereView::SetPlaybackLink(std::function<std::optional<std::uint32_t>()> position,
                                     std::function<void(std::uint32_t)> playFrom)
{
    m_playingPosition = std::move(position);
    m_playFrom = std::move(playFrom);
}

std::optional<std::uint32_t> CQuillmereView::TimestampAtCaret() const
{
    const QTextCursor caret = textCursor();
    const QTextBlock block = caret.block();
    return TimestampAt(block.text(), caret.position() - block.position());
}

void CQuillmereView::mouseReleaseEvent(QMouseEvent *event)
{
    QTextEdit::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !(event->modifiers() & Qt::ControlModifier))
        return;
    setTextCursor(cursorForPosition(event->position().toPoint()));
    ExecuteIfEnabled(ID_PLAY_FROM_TIMESTAMP);
}

void CQuillmereView::AddFormatCommands()
{
    AddEffectCommand(ID_CHAR_BOLD, ECharEffect::Bold);
    AddEffectCommand(ID_CHAR_ITALIC, ECharEffect::Italic);
    AddEffectCommand(ID_CHAR_UNDERLINE, ECharEffect::Underline);
    AddAlignmentCommand(ID_PARA_LEFT, Qt::AlignLeft);
    AddAlignmentCommand(ID_PARA_CENTER, Qt::AlignHCenter);
    AddAlignmentCommand(ID_PARA_RIGHT, Qt::AlignRight);
    OnCommand(ID_FORMAT_FONT, [this] { OnFormatFont(); });
    OnCommand(ID_FORMAT_COLOR, [this] { OnFormatColor(); });
}

void CQuillmereView::AddEffectCommand(unsigned id, ECharEffect effect)
{
    OnCommand(
        id, [this, effect] { ToggleEffect(effect); },
        [this, effect](CCmdUI &ui) {
            ui.Enable();
            ui.SetCheck(EffectCheck(textCursor(), effect));
        });
}

void CQuillmereView::AddAlignmentCommand(unsigned id, Qt::Alignment alignment)
{
    OnCommand(
        id, [this, alignment] { SetAlignment(alignment); },
        [this, alignment](CCmdUI &ui) {
            ui.Enable();
            ui.SetCheck(AlignmentCheck(textCursor(), alignment));
        });
}

void CQuillmereView::AddPrintCommands()
{
    OnCommand(ID_FILE_PRINT, [this] {
        if (m_pDialogs->ChoosePrinter(Printer()))
            PrintTo(Printer());
    });
    OnCommand(ID_FILE_PRINT_PREVIEW,
              [this] { m_pDialogs->ShowPrintPreview(Printer(), [this](QPrinter &printer) { PrintTo(printer); }); });
}

// The route runs from the view to its document: these reach the document
// whichever pane has the focus.
void CQuillmereView::AddDocumentCommands()
{
    OnCommand(ID_FILE_SAVE, [this] { m_document.OnFileSave(); });
    OnCommand(ID_FILE_SAVE_AS, [this] { (void)m_document.OnFileSaveAs(); });
    // Linked and embedded objects need object linking, which this platform
    // does not have: their commands show disabled.
    for (unsigned id : {ID_OLE_INSERT_NEW, ID_OLE_EDIT_LINKS, ID_OLE_EDIT_PROPERTIES})
        OnUpdate(id, [](CCmdUI &ui) { ui.Enable(false); });
    for (unsigned verb = 0; verb < kOleVerbCount; ++verb)
        OnUpdate(ID_OLE_VERB_FIRST + verb, [](CCmdUI &ui) { ui.Enable(false); });
}

bool CQuillmereView::HasSelection() const
{
    return textCursor().hasSelection();
}

// A clipboard nothing was copied to yet hands over no data or data without a
// single format; the text widget's own paste is not safe with either.
bool CQuillmereView::CarriesAnything(const QMimeData *source)
{
    return source != nullptr && !source->formats().isEmpty();
}

bool CQuillmereView::canInsertFromMimeData(const QMimeData *source) const
{
    return CarriesAnything(source) && (source->hasFormat(g_strRtfMime) || QTextEdit::canInsertFromMimeData(source));
}

void CQuillmereView::insertFromMimeData(const QMimeData *source)
{
    if (!CarriesAnything(source))
        return;
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
    SetCursorWithoutLayout(*this, start);
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

// The same save as the menu's, without its success message.
void CQuillmereView::OnAutoSaveTick()
{
    m_document.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave);
}

void CQuillmereView::SetCommandRouting(std::function<void(unsigned)> raise, std::function<CCmdUI(unsigned)> query)
{
    m_raise = std::move(raise);
    m_query = std::move(query);
}

void CQuillmereView::SetDialogs(IEditorDialogs *dialogs)
{
    m_pDialogs = dialogs != nullptr ? dialogs : m_pPlatformDialogs.get();
}

QPrinter &CQuillmereView::Printer()
{
    if (!m_pPrinter)
        m_pPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_pPrinter;
}

// The pop-up menu's items raise their commands into the window's routing, as
// the main menu's do, and are enabled by the same update handlers.
void CQuillmereView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    for (const SMenuEntry &entry : CommandTable::PopupMenu(IDR_EDITOR_POPUP)) {
        const unsigned id = entry.m_nID;
        QAction *item = menu.addAction(entry.m_strText, this, [this, id] {
            if (m_raise)
                m_raise(id);
            else
                ExecuteIfEnabled(id);
        });
        item->setEnabled((m_query ? m_query(id) : QueryState(id)).m_bEnabled);
    }
    const QPoint point = event->reason() == QContextMenuEvent::Keyboard ? viewport()->mapToGlobal(cursorRect().center())
                                                                        : event->globalPos();
    menu.exec(point);
}

// The editor's own formatting keys, as word processors have them (Ctrl+B
// bold, Ctrl+R right alignment …), are in the command table. Keys the window
// binds (Ctrl+U, Ctrl+D …) never reach here.
unsigned CQuillmereView::FormatCommandOfKey(const QKeyEvent &event)
{
    return CommandTable::EditorCommandOfKeys(QKeySequence(event.keyCombination()));
}

void CQuillmereView::keyPressEvent(QKeyEvent *event)
{
    if (const unsigned id = FormatCommandOfKey(*event); id != 0) {
        ExecuteIfEnabled(id);
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}

int CQuillmereView::CaretLine() const
{
    const int position = textCursor().selectionStart();
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid())
        return 0;
    // Lays the text out as far as the caret's paragraph.
    document()->documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineForTextPosition(position - block.position());
    return LinesBefore(block) + (line.isValid() ? line.lineNumber() : 0);
}

// The lines of the paragraphs before this one. The sum is asked at every idle
// moment, so it is kept until the text, its width or the paragraph changes.
int CQuillmereView::LinesBefore(const QTextBlock &block) const
{
    const SLineCount key{document()->revision(), document()->textWidth(), block.blockNumber(), 0};
    if (key.revision == m_linesBefore.revision && key.width == m_linesBefore.width &&
        key.blockNumber == m_linesBefore.blockNumber)
        return m_linesBefore.lines;
    m_linesBefore = key;
    for (QTextBlock before = document()->begin(); before != block; before = before.next())
        if (before.isVisible())
            m_linesBefore.lines += before.layout()->lineCount();
    return m_linesBefore.lines;
}

// The clipboard's text with its formats, or as plain text.
void CQuillmereView::OnPasteSpecial()
{
    const QMimeData *source = QApplication::clipboard()->mimeData();
    if (!CarriesAnything(source))
        return;
    QStringList formats;
    if (source->hasFormat(g_strRtfMime) || source->hasHtml())
        formats.append(g_strFormattedText);
    if (source->hasText())
        formats.append(g_strPlainText);
    if (formats.isEmpty())
        return;
    const int choice = m_pDialogs->ChoosePasteFormat(formats);
    if (choice < 0)
        return;
    if (formats.at(choice) == g_strPlainText)
        insertPlainText(source->text());
    else
        insertFromMimeData(source);
}

// All of the selection takes the effect unless all of it has it already;
// with no selection, what is typed next.
void CQuillmereView::ToggleEffect(ECharEffect effect)
{
    mergeCurrentCharFormat(EffectFormat(effect, EffectCheck(textCursor(), effect) != 1));
}

void CQuillmereView::SetAlignment(Qt::Alignment alignment)
{
    QTextBlockFormat format;
    format.setAlignment(alignment);
    textCursor().mergeBlockFormat(format);
}

// To the selection; with none, to the word that holds the caret, or to what
// is typed next when the caret is not inside a word.
void CQuillmereView::ApplyToSelectionOrWord(const QTextCharFormat &format)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) {
        QTextCursor word = cursor;
        word.select(QTextCursor::WordUnderCursor);
        if (word.selectionStart() < cursor.position() && cursor.position() < word.selectionEnd())
            cursor = word;
    }
    cursor.mergeCharFormat(format);
    if (!cursor.hasSelection())
        setTextCursor(cursor);
}

// The dialog starts from what the selection shares, or from the format at the
// caret, and its choice replaces face, size and effects of the selection or of
// the word at the caret. The colour changes only when the dialog changed it.
void CQuillmereView::OnFormatFont()
{
    const QTextCharFormat current = CommonCharFormat(textCursor());
    QFont font = current.font();
    const QColor shown =
        current.foreground().style() != Qt::NoBrush ? current.foreground().color() : palette().color(QPalette::Text);
    QColor color = shown;
    if (!m_pDialogs->ChooseFont(font, color))
        return;
    QTextCharFormat chosen;
    chosen.setFontFamilies(QStringList{font.family()});
    chosen.setFontPointSize(font.pointSizeF());
    chosen.setFontWeight(font.bold() ? QFont::Bold : QFont::Normal);
    chosen.setFontItalic(font.italic());
    chosen.setFontUnderline(font.underline());
    chosen.setFontStrikeOut(font.strikeOut());
    if (color != shown)
        chosen.setForeground(color);
    ApplyToSelectionOrWord(chosen);
}

// Only the colour changes, of the selection or of the word at the caret; the
// dialog starts from the colour they share (the text colour when they have
// none or several).
void CQuillmereView::OnFormatColor()
{
    const QTextCharFormat current = CommonCharFormat(textCursor());
    QColor color =
        current.foreground().style() != Qt::NoBrush ? current.foreground().color() : palette().color(QPalette::Text);
    if (!m_pDialogs->ChooseColor(color))
        return;
    QTextCharFormat change;
    change.setForeground(color);
    ApplyToSelectionOrWord(change);
}

// One dialog at a time; it starts from a one-line selection, else from the
// last search.
void CQuillmereView::OpenFindReplace(bool replace)
{
    SFindOptions start = m_find.Options();
    const QString selected = textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        start.m_strFind = selected;
    if (m_pFindDlg != nullptr && m_pFindDlg->IsReplaceDialog() != replace) {
        m_pFindDlg->close(); // deleted later, on closing
        m_pFindDlg = nullptr;
    }
    if (m_pFindDlg == nullptr) {
        m_pFindDlg = new CFindReplaceDlg(replace, start, this);
        m_pFindDlg->SetActionHandler([this](CFindReplaceDlg::EAction action, const SFindOptions &options) {
            OnFindAction(action, options);
            StatesChanged(); // repeating the search needs a search
        });
    } else {
        m_pFindDlg->FindEdit()->setText(start.m_strFind);
    }
    m_pFindDlg->show();
    m_pFindDlg->raise();
    m_pFindDlg->activateWindow();
}

void CQuillmereView::OnFindAction(CFindReplaceDlg::EAction action, const SFindOptions &options)
{
    m_find.SetOptions(options);
    QTextCursor cursor = textCursor();
    bool found = false;
    switch (action) {
    case CFindReplaceDlg::FindNext: found = m_find.FindNext(cursor); break;
    case CFindReplaceDlg::ReplaceOne: found = m_find.Replace(cursor); break;
    case CFindReplaceDlg::ReplaceAll: found = m_find.ReplaceAll(*document()) > 0; break;
    }
    if (action != CFindReplaceDlg::ReplaceAll)
        setTextCursor(cursor);
    if (!found)
        QApplication::beep(); // a beep, not a box that would stop the typing
}

void CQuillmereView::RepeatFind()
{
    OnFindAction(CFindReplaceDlg::FindNext, m_find.Options());
}

void CQuillmereView::PrintTo(QPrinter &printer) const
{
    PrintRichText(*document(), printer, kPrintMarginTwips);
}
