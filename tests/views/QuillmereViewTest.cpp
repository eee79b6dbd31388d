// The editor pane: the Edit commands and when they are enabled, RTF through
// the clipboard, the auto-save timer, the format commands and their marks,
// the font and colour dialogs, find and replace, the line pane and printing.
#include "views/CQuillmereView.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfWriter.h"
#include "editor/RtfTestSupport.h"
#include "support/TestSupport.h"
#include "views/IEditorDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

namespace
{

// Answers the editor's dialogs as the test says and records what they were shown.
class CTestEditorDialogs final : public IEditorDialogs
{
public:
    bool ChooseFont(QFont &font, QColor &) override
    {
        m_shownFonts.append(font);
        font = m_fontAnswer.value_or(font);
        return m_fontAnswer.has_value();
    }
    bool ChooseColor(QColor &color) override
    {
        color = m_colorAnswer.isValid() ? m_colorAnswer : color;
        return m_colorAnswer.isValid();
    }
    int ChoosePasteFormat(const QStringList &formats) override { return formats.indexOf(m_pasteAnswer); }
    bool ChoosePrinter(QPrinter &printer) override
    {
        if (m_pdfPath.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(m_pdfPath);
        return true;
    }
    void ShowPrintPreview(QPrinter &, const std::function<void(QPrinter &)> &) override {}

    std::optional<QFont> m_fontAnswer; // none: Cancel
    QColor m_colorAnswer;              // invalid: Cancel
    QString m_pasteAnswer;
    QString m_pdfPath; // empty: Cancel
    QList<QFont> m_shownFonts;
};

class QuillmereViewTest : public testing::Test
{
protected:
    QuillmereViewTest() : m_view(m_doc)
    {
        QApplication::clipboard()->clear();
        m_view.SetDialogs(&m_dialogs);
    }

    bool Enabled(unsigned id) { return m_view.QueryState(id).m_bEnabled; }
    int Check(unsigned id) { return m_view.QueryState(id).m_nCheck; }
    QString Text() const { return m_doc.GetTextDocument().toPlainText(); }
    // The format of the character at a position of the text.
    QTextCharFormat FormatAt(int position) const
    {
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.setPosition(position + 1);
        return cursor.charFormat();
    }
    void Append(const QString &text, const QTextCharFormat &format = {})
    {
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text, format);
    }
    void Select(int start, int end)
    {
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        m_view.setTextCursor(cursor);
    }
    static QTextCharFormat Colored(const QColor &color)
    {
        QTextCharFormat format;
        format.setForeground(color);
        return format;
    }
    static QTextCharFormat Bold(QTextCharFormat format = {})
    {
        format.setFontWeight(QFont::Bold);
        return format;
    }

    CRecordingPrompt m_prompt;
    CTestEditorDialogs m_dialogs;
    CQuillmereDoc m_doc;
    CQuillmereView m_view;
};

// The Edit commands follow the text, the selection and the clipboard. A fresh
// session's clipboard holds nothing, or data without a single format: every
// way of pasting then leaves the text as it was. Copied text carries RTF.
TEST_F(QuillmereViewTest, EditCommandsFollowTheClipboardAndAnEmptyOnePastesNothing)
{
    for (unsigned id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_SELECT_ALL})
        EXPECT_FALSE(Enabled(id)) << id;
    QTest::keyClicks(&m_view, QStringLiteral("kept"));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(ID_EDIT_SELECT_ALL));
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    for (bool emptyData : {false, true}) {
        if (emptyData)
            QApplication::clipboard()->setMimeData(new QMimeData);
        else
            QApplication::clipboard()->clear();
        EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
        EXPECT_FALSE(Enabled(ID_EDIT_PASTE_SPECIAL));
        QTest::keyClick(&m_view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(&m_view, Qt::Key_Insert, Qt::ShiftModifier);
        m_view.paste();
        EXPECT_EQ(Text(), QStringLiteral("kept")) << emptyData;
    }

    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_SELECT_ALL));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_COPY));
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1"));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_CUT));
    EXPECT_EQ(Text(), QString());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_PASTE));
    EXPECT_EQ(Text(), QStringLiteral("kept"));
}

TEST_F(QuillmereViewTest, RtfOnTheClipboardPastesWithItsFormatsUnlessPlainTextIsChosen)
{
    QTextDocument source;
    QTextCursor(&source).insertText(QStringLiteral("粗体"), Bold());
    const struct {
        unsigned id;
        bool withText;
        const char *choice;
        bool bold;
    } cases[] = {{ID_EDIT_PASTE, false, "", true}, // RTF alone on the clipboard
                 {ID_EDIT_PASTE_SPECIAL, true, "无格式文本", false},
                 {ID_EDIT_PASTE_SPECIAL, true, "带格式文本 (RTF)", true}};
    for (const auto &c : cases) {
        m_doc.OnNewDocument();
        auto *mime = new QMimeData;
        mime->setData(QStringLiteral("text/rtf"), CRtfWriter().Write(source));
        if (c.withText)
            mime->setText(QStringLiteral("粗体"));
        QApplication::clipboard()->setMimeData(mime);
        m_dialogs.m_pasteAnswer = QString::fromUtf8(c.choice);
        ASSERT_TRUE(m_view.ExecuteIfEnabled(c.id)) << c.choice;
        EXPECT_EQ(Text(), QStringLiteral("粗体"));
        EXPECT_EQ(FormatAt(0).fontWeight() == QFont::Bold, c.bold) << c.choice;
    }
}

// A hand-edited profile may hold any number of minutes: no overflow, no timer
// below 1. Opening another transcript starts the period afresh.
TEST_F(QuillmereViewTest, AutoSaveRunsForTheSettingsMinutesFromTheOpeningOfTheTranscript)
{
    constexpr int kMax = std::numeric_limits<int>::max();
    for (const auto &[minutes, period] : {std::pair{0, 0}, {kMax, kMax}, {-5, 0}, {2, 120000}}) {
        m_view.SetAutoSaveMinutesSource([minutes = minutes] { return minutes; });
        m_view.RestartAutoSave();
        EXPECT_EQ(m_view.GetAutoSavePeriod(), period) << minutes;
    }
    m_view.StopAutoSave();
    EXPECT_EQ(m_view.GetAutoSavePeriod(), 0);

    QTemporaryDir folder;
    const QString other = folder.filePath(QStringLiteral("other.rtf"));
    WriteAllBytes(other, "{\\rtf1 other}");
    m_doc.SetMediaPath(folder.filePath(QStringLiteral("talk.mp3")));
    m_view.SetAutoSaveMinutesSource([] { return 2; });
    m_view.SetAutoSaveMinuteLength(100); // a period of 200 ms
    m_doc.OnNewDocument();
    ASSERT_EQ(m_view.GetAutoSavePeriod(), 200);

    QTest::qWait(120);
    ASSERT_TRUE(m_doc.OnOpenDocument(other));
    QElapsedTimer sinceOpen;
    sinceOpen.start();
    QTest::keyClicks(&m_view, QStringLiteral("typed"));
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_doc.IsModified(); }, 2000));
    // The old period would have ended 80 ms after the open; Qt's coarse
    // timers may fire up to 5 % early.
    EXPECT_GE(sinceOpen.elapsed(), 190);
    EXPECT_TRUE(ReadAllBytes(folder.filePath(QStringLiteral("talk.rtf"))).contains("typed"));
    EXPECT_TRUE(m_prompt.m_messages.isEmpty()); // no "file saved" box from the timer
}

TEST_F(QuillmereViewTest, EffectsOverAPartlyMarkedSelectionShowMixedThenCoverAllThenNoneByCommandOrKey)
{
    const struct {
        unsigned id;
        QTextFormat::Property property;
        QVariant on;
        Qt::Key key; // the editor's own key, which toggles back (none for underline: Ctrl+U is the window's)
    } effects[] = {
        {ID_CHAR_BOLD, QTextFormat::FontWeight, int(QFont::Bold), Qt::Key_B},
        {ID_CHAR_ITALIC, QTextFormat::FontItalic, true, Qt::Key_I},
        {ID_CHAR_UNDERLINE, QTextFormat::TextUnderlineStyle, int(QTextCharFormat::SingleUnderline), Qt::Key_unknown}};
    for (const auto &effect : effects) {
        m_doc.OnNewDocument();
        QTextCharFormat marked = Colored(Qt::blue);
        marked.setProperty(effect.property, effect.on);
        const auto has = [&](int i) { return FormatAt(i).property(effect.property) == effect.on; };
        Append(QStringLiteral("平常"));
        Append(QStringLiteral("加粗"), marked);
        Select(1, 4); // one plain character, both marked ones
        EXPECT_EQ(Check(effect.id), 2) << effect.id;

        ASSERT_TRUE(m_view.ExecuteIfEnabled(effect.id));
        EXPECT_TRUE(has(1) && has(2) && has(3)) << effect.id;
        EXPECT_FALSE(has(0)) << "outside the selection";
        EXPECT_EQ(FormatAt(1).foreground().style(), Qt::NoBrush) << "nothing but the effect changes";
        EXPECT_EQ(Check(effect.id), 1);
        EXPECT_TRUE(m_doc.IsModified());

        if (effect.key != Qt::Key_unknown)
            QTest::keyClick(&m_view, effect.key, Qt::ControlModifier);
        else
            ASSERT_TRUE(m_view.ExecuteIfEnabled(effect.id));
        EXPECT_FALSE(has(1) || has(2) || has(3)) << effect.id;
        EXPECT_EQ(FormatAt(3).foreground().color(), QColor(Qt::blue));
        EXPECT_EQ(Check(effect.id), 0);
    }
}

TEST_F(QuillmereViewTest, AlignmentMarksFollowTheSelectedParagraphs)
{
    Append(QStringLiteral("第一段\n第二段\n第三段"));
    Select(0, 0);
    EXPECT_EQ(Check(ID_PARA_LEFT), 1);
    EXPECT_EQ(Check(ID_PARA_CENTER), 0);
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_PARA_CENTER)); // the caret's paragraph alone
    Select(2, 6);                                         // the first two paragraphs
    EXPECT_EQ(Check(ID_PARA_CENTER), 2);
    EXPECT_EQ(Check(ID_PARA_LEFT), 2);

    QTest::keyClick(&m_view, Qt::Key_R, Qt::ControlModifier); // the editor's own key for right alignment
    EXPECT_EQ(Check(ID_PARA_RIGHT), 1);
    EXPECT_EQ(Check(ID_PARA_LEFT), 0);
    const QTextDocument &text = m_doc.GetTextDocument();
    EXPECT_EQ(text.findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(text.findBlockByNumber(2).blockFormat().alignment() & Qt::AlignRight, 0) << "beyond the selection";
}

TEST_F(QuillmereViewTest, ColourDialogMakesMixedColoursOneAndKeepsTheRest)
{
    Append(QStringLiteral("蓝色"), Bold(Colored(Qt::blue)));
    Append(QStringLiteral("绿色"), Colored(Qt::green));
    QTextCharFormat italic = Colored(Qt::green);
    italic.setFontItalic(true);
    Append(QStringLiteral(" two three"), italic);
    m_doc.SetModifiedFlag(false);
    Select(0, 4);
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FORMAT_COLOR)); // Cancel
    EXPECT_FALSE(m_doc.IsModified());

    m_dialogs.m_colorAnswer = Qt::red;
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FORMAT_COLOR));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(FormatAt(i).foreground().color(), QColor(Qt::red)) << i;
    EXPECT_EQ(FormatAt(1).fontWeight(), QFont::Bold);
    EXPECT_NE(FormatAt(2).fontWeight(), QFont::Bold) << "one word's bold spread to the other";
    EXPECT_TRUE(m_doc.IsModified());

    // No selection: the word that holds the caret, not the space before it.
    m_dialogs.m_colorAnswer = Qt::magenta;
    Select(6, 6); // inside "two"
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FORMAT_COLOR));
    for (const auto &[i, color] : {std::pair{4, Qt::green}, {5, Qt::magenta}, {7, Qt::magenta}, {9, Qt::green}})
        EXPECT_EQ(FormatAt(i).foreground().color(), QColor(color)) << i;
    EXPECT_TRUE(FormatAt(5).fontItalic()) << "a colour for the word took its other formats away";
}

TEST_F(QuillmereViewTest, ContextMenuRaisesItsCommandsThroughTheRoutingAndOpensTheFontDialog)
{
    QList<unsigned> raised;
    m_view.SetCommandRouting(
        [&](unsigned id) {
            raised.append(id);
            m_view.ExecuteIfEnabled(id);
        },
        [&](unsigned id) { return m_view.QueryState(id); });
    QTextCharFormat big;
    big.setFontPointSize(18);
    big.setFontFamilies(QStringList{QStringLiteral("Liberation Sans")});
    Append(QStringLiteral("字体"), big);
    Select(0, 2);
    m_dialogs.m_fontAnswer = QFont(QStringLiteral("Liberation Serif"), 16);

    QList<bool> enabled;
    QTimer::singleShot(0, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction *item : menu->actions())
            enabled.append(item->isEnabled());
        menu->actions().constLast()->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), m_view.viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(m_view.viewport(), &event);

    EXPECT_EQ(enabled, (QList<bool>{true, true, false, true})); // cut, copy, paste (nothing to paste), font
    EXPECT_EQ(raised, QList<unsigned>{ID_FORMAT_FONT});
    ASSERT_EQ(m_dialogs.m_shownFonts.size(), 1);
    EXPECT_EQ(m_dialogs.m_shownFonts[0].pointSize(), 18) << "the dialog starts from the selection's font";
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("体")), "face=Liberation Serif size=16");

    // With no selection the dialog starts from the word at the caret.
    Select(1, 1);
    m_dialogs.m_fontAnswer.reset();
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FORMAT_FONT));
    EXPECT_EQ(m_dialogs.m_shownFonts.value(1).pointSize(), 16);
}

TEST_F(QuillmereViewTest, LinePaneCountsTheLinesAsLaidOut)
{
    const auto pane = [this] { return m_view.QueryState(ID_INDICATOR_LINE); };
    EXPECT_TRUE(pane().m_bEnabled);
    EXPECT_EQ(pane().m_strText, QStringLiteral("Line 1"));

    m_view.setLineWrapMode(QTextEdit::FixedPixelWidth);
    m_view.setLineWrapColumnOrWidth(120);
    m_view.resize(300, 200);
    m_view.show();
    Append(QStringLiteral("a long paragraph that wraps onto several lines of the narrow editor\nsecond"));
    const QTextBlock first = m_doc.GetTextDocument().firstBlock();
    m_view.moveCursor(QTextCursor::End);
    const int wrapped = first.layout()->lineCount();
    ASSERT_GE(wrapped, 3);
    EXPECT_EQ(pane().m_strText, QStringLiteral("Line %1").arg(wrapped + 1));
    // A selection counts from its start.
    Select(0, m_doc.GetTextDocument().characterCount() - 1);
    EXPECT_EQ(pane().m_strText, QStringLiteral("Line 1"));
}

TEST_F(QuillmereViewTest, StartingFormatIsForWhatIsTypedAtTheStartNotForTheLoadedText)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("loaded.rtf"));
    WriteAllBytes(path, "{\\rtf1{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs40\\b\\i loaded}");
    ASSERT_TRUE(m_doc.OnOpenDocument(path));
    QTest::keyClicks(&m_view, QStringLiteral("ab"));

    EXPECT_EQ(Text(), QStringLiteral("abloaded"));
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("b")), "face=Arial size=12");
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("loaded")), "face=Times New Roman size=20 bold italic");
}

TEST_F(QuillmereViewTest, ALongTranscriptOpensWithItsStartLaidOutAndTheRestLaterWhileIdle)
{
    m_view.resize(300, 200);
    m_view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("long.rtf"));
    WriteAllBytes(path, "{\\rtf1 " + QByteArray("a line of the transcript\\par ").repeated(3000) + "the end}");
    ASSERT_TRUE(m_doc.OnOpenDocument(path));

    const QTextBlock last = m_doc.GetTextDocument().lastBlock();
    ASSERT_EQ(last.text(), QStringLiteral("the end"));
    EXPECT_EQ(m_view.textCursor().position(), 0);
    EXPECT_EQ(last.layout()->lineCount(), 0) << "the whole text was laid out before the first paint";
    EXPECT_TRUE(QTest::qWaitFor([&last] { return last.layout()->lineCount() == 1; }));
    QTest::keyClicks(&m_view, QStringLiteral("x"));
    EXPECT_TRUE(m_doc.GetTextDocument().firstBlock().text().startsWith(QStringLiteral("xa line")));
}

TEST_F(QuillmereViewTest, FindAndReplaceAcrossChineseText)
{
    Append(QStringLiteral("我听写，你听写。\n他们都在听写"));
    Select(0, 0);
    EXPECT_FALSE(Enabled(ID_EDIT_REPEAT)) << "nothing to find again yet";

    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_FIND));
    CFindReplaceDlg *dialog = m_view.FindReplaceDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->IsReplaceDialog());
    dialog->FindEdit()->setText(QStringLiteral("听写"));
    dialog->Button(CFindReplaceDlg::FindNext)->click();
    EXPECT_EQ(m_view.textCursor().selectionStart(), 1);
    // F3 goes on from the match, through the paragraph break, then round to the start.
    for (int expected : {5, 13, 1}) {
        ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_REPEAT));
        EXPECT_EQ(m_view.textCursor().selectionStart(), expected);
        EXPECT_EQ(m_view.textCursor().selectedText(), QStringLiteral("听写"));
    }

    // The replace dialog starts from the selected match.
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_REPLACE));
    dialog = m_view.FindReplaceDialog();
    ASSERT_TRUE(dialog != nullptr && dialog->IsReplaceDialog());
    EXPECT_EQ(dialog->FindEdit()->text(), QStringLiteral("听写"));
    dialog->ReplaceEdit()->setText(QStringLiteral("默写"));
    dialog->Button(CFindReplaceDlg::ReplaceOne)->click(); // the selected one, then on to the next
    EXPECT_EQ(Text(), QStringLiteral("我默写，你听写。\n他们都在听写"));
    EXPECT_EQ(m_view.textCursor().selectionStart(), 5);
    dialog->Button(CFindReplaceDlg::ReplaceAll)->click();
    EXPECT_EQ(Text(), QStringLiteral("我默写，你默写。\n他们都在默写"));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_UNDO)); // all of them in one step
    EXPECT_EQ(Text(), QStringLiteral("我默写，你听写。\n他们都在听写"));

    dialog->FindEdit()->setText(QStringLiteral("没有"));
    EXPECT_TRUE(dialog->Button(CFindReplaceDlg::FindNext)->isEnabled());
    Select(2, 2);
    dialog->Button(CFindReplaceDlg::FindNext)->click();
    EXPECT_EQ(m_view.textCursor().position(), 2) << "nothing found leaves the caret";
    EXPECT_TRUE(m_prompt.m_messages.isEmpty());
    dialog->close();
}

// The words of a PDF with their boxes in points, page by page, and the page size.
struct SPdfPage {
    QSizeF size;
    QList<std::pair<QString, QRectF>> words;
};

QList<SPdfPage> ReadPdfWords(const QString &path)
{
    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    if (!pdftotext.waitForFinished(30000))
        return {};
    const QString html = QString::fromUtf8(pdftotext.readAllStandardOutput());
    static const QRegularExpression tag(QStringLiteral(
        "<page width=\"([\\d.]+)\" height=\"([\\d.]+)\">|"
        "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    QList<SPdfPage> pages;
    for (const QRegularExpressionMatch &match : tag.globalMatch(html)) {
        const auto number = [&match](int group) { return match.captured(group).toDouble(); };
        if (match.hasCaptured(1))
            pages.append({QSizeF(number(1), number(2)), {}});
        else if (!pages.isEmpty())
            pages.last().words.append(
                {match.captured(7), QRectF(QPointF(number(3), number(4)), QPointF(number(5), number(6)))});
    }
    return pages;
}

TEST_F(QuillmereViewTest, PrintingPutsTheTextInsideHalfInchMarginsWithNothingAdded)
{
    QStringList lines;
    for (int i = 1; i <= 120; ++i)
        lines.append(QStringLiteral("L%1 听写 text").arg(i, 3, 10, QLatin1Char('0')));
    QTextCharFormat twelve;
    twelve.setFontPointSize(12);
    Append(lines.join(QLatin1Char('\n')), twelve);

    QTemporaryDir folder;
    m_dialogs.m_pdfPath = folder.filePath(QStringLiteral("printed.pdf"));
    m_view.Printer().setPageSize(QPageSize(QPageSize::A4));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FILE_PRINT));

    const QList<SPdfPage> pages = ReadPdfWords(m_dialogs.m_pdfPath);
    ASSERT_GE(pages.size(), 3) << "120 lines of 12 points";
    QStringList printed;
    for (const SPdfPage &page : pages) {
        const qreal bottom = page.size.height() - 36;
        QRectF inked;
        for (const auto &[word, box] : page.words) {
            // The next page's first line also sits in this page's content,
            // below the clip at the bottom margin, where no one sees it.
            if (box.top() >= bottom - 1)
                continue;
            printed.append(word);
            inked |= box;
        }
        EXPECT_NEAR(inked.left(), 36, 1) << "the left margin";
        EXPECT_NEAR(inked.top(), 36, 1) << "the top margin";
        EXPECT_LE(inked.right(), page.size.width() - 36);
        EXPECT_LE(inked.bottom(), bottom) << "the bottom margin";
        if (&page != &pages.last()) {
            EXPECT_GT(inked.bottom(), bottom - 25) << "a page filled down to its margin";
        }
    }
    // Every word once and in order, no page number among them.
    EXPECT_EQ(printed.join(QLatin1Char(' ')), lines.join(QLatin1Char(' ')));
}

} // namespace
