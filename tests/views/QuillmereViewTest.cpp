// The editor pane: the Edit commands and when they are enabled, RTF through
// the clipboard, the auto-save timer, the font and colour dialogs, opening,
// find and replace, and printing. (The effects' marks: the format bar's test.)
#include "views/CQuillmereView.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/RtfTestSupport.h"
#include "support/TestSupport.h"
#include "views/IEditorDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
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
#include <gtest/gtest.h>
#include <optional>

namespace
{

// Answers the editor's dialogs as the test says and records the fonts they were shown.
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
        printer.setOutputFileName(m_pdfPath); // a name ending in .pdf prints a PDF
        return !m_pdfPath.isEmpty();
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
    static QTextCharFormat Colored(const QColor &color, QFont::Weight weight = QFont::Normal)
    {
        QTextCharFormat format;
        format.setForeground(color);
        format.setFontWeight(weight);
        return format;
    }

    CRecordingPrompt m_prompt;
    CTestEditorDialogs m_dialogs;
    CQuillmereDoc m_doc;
    CQuillmereView m_view;
};

// A fresh session's clipboard holds nothing, or data without a single format:
// every way of pasting then leaves the text as it was.
TEST_F(QuillmereViewTest, PastingFromAnEmptyClipboardChangesNothing)
{
    QTest::keyClicks(&m_view, QStringLiteral("kept"));
    for (bool emptyData : {false, true}) {
        if (emptyData)
            QApplication::clipboard()->setMimeData(new QMimeData);
        EXPECT_FALSE(Enabled(ID_EDIT_PASTE));
        EXPECT_FALSE(Enabled(ID_EDIT_PASTE_SPECIAL));
        QTest::keyClick(&m_view, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(&m_view, Qt::Key_Insert, Qt::ShiftModifier);
        m_view.paste();
        EXPECT_EQ(Text(), QStringLiteral("kept")) << emptyData;
    }
}

// The Edit commands follow the text and the selection; cut text carries RTF, which pastes
// with its formats, also alone on the clipboard, unless plain text is chosen.
TEST_F(QuillmereViewTest, EditCommandsFollowTheTextAndCutRtfPastesWithItsFormatsUnlessPlainTextIsChosen)
{
    for (unsigned id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_SELECT_ALL})
        EXPECT_FALSE(Enabled(id)) << id;
    QTest::keyClicks(&m_view, QStringLiteral("kept"));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO) && Enabled(ID_EDIT_SELECT_ALL));
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_SELECT_ALL));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_CHAR_BOLD));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_CUT));
    EXPECT_EQ(Text(), QString());
    const QByteArray rtf = QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf"));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));

    const std::tuple<unsigned, const char *, bool> cases[] = {{ID_EDIT_PASTE_SPECIAL, "无格式文本", false},
                                                              {ID_EDIT_PASTE_SPECIAL, "带格式文本 (RTF)", true},
                                                              {ID_EDIT_PASTE, "", true}};
    for (const auto &[id, choice, bold] : cases) {
        m_doc.OnNewDocument();
        if (id == ID_EDIT_PASTE) { // RTF alone on the clipboard
            auto *mime = new QMimeData;
            mime->setData(QStringLiteral("text/rtf"), rtf);
            QApplication::clipboard()->setMimeData(mime);
        }
        m_dialogs.m_pasteAnswer = QString::fromUtf8(choice);
        ASSERT_TRUE(m_view.ExecuteIfEnabled(id)) << choice;
        EXPECT_EQ(Text(), QStringLiteral("kept"));
        EXPECT_EQ(FormatAt(0).fontWeight() == QFont::Bold, bold) << choice;
    }
}

// Opening another transcript starts the period afresh; the timer shows no box.
TEST_F(QuillmereViewTest, AutoSaveRunsForTheSettingsMinutesFromTheOpeningOfTheTranscript)
{
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

// A colour makes mixed colours one and keeps the other formats; with no
// selection it goes to the word that holds the caret, not the space before it.
// The font dialog starts from the selection's font and keeps the colour it left alone.
TEST_F(QuillmereViewTest, ColourAndFontDialogsChangeOnlyTheirPartOfTheSelectionOrOfTheWordAtTheCaret)
{
    Append(QStringLiteral("蓝色"), Colored(Qt::blue, QFont::Bold));
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
    m_dialogs.m_colorAnswer = Qt::magenta;
    Select(6, 6); // inside "two"
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FORMAT_COLOR));
    for (const auto &[i, color] : {std::pair{4, Qt::green}, {5, Qt::magenta}, {7, Qt::magenta}, {9, Qt::green}})
        EXPECT_EQ(FormatAt(i).foreground().color(), QColor(color)) << i;
    EXPECT_TRUE(FormatAt(5).fontItalic()) << "a colour for the word took its other formats away";

    Select(0, 2);
    m_dialogs.m_fontAnswer = QFont(QStringLiteral("Liberation Serif"), 16);
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FORMAT_FONT));
    EXPECT_TRUE(m_dialogs.m_shownFonts.value(0).bold()) << "the dialog starts from the selection's font";
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("色绿")), "face=Liberation Serif size=16 fg=#ff0000");
    EXPECT_FALSE(FormatAt(2).hasProperty(QTextFormat::FontFamilies)) << "beyond the selection";
}

// A long transcript opens with its start laid out and the rest later, while
// idle; what is typed at its start takes the starting format, not the text's.
TEST_F(QuillmereViewTest, AnOpenedTranscriptShowsItsStartFirstAndTextTypedThereTakesTheStartingFormat)
{
    m_view.resize(300, 200);
    m_view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("long.rtf"));
    WriteAllBytes(path, "{\\rtf1{\\fonttbl{\\f0 Times New Roman;}}\\f0\\fs40\\b\\i loaded\\par " +
                            QByteArray("a line of the transcript\\par ").repeated(3000) + "the end}");
    ASSERT_TRUE(m_doc.OnOpenDocument(path));

    const QTextBlock last = m_doc.GetTextDocument().lastBlock();
    ASSERT_EQ(last.text(), QStringLiteral("the end"));
    EXPECT_EQ(last.layout()->lineCount(), 0) << "the whole text was laid out before the first paint";
    EXPECT_TRUE(QTest::qWaitFor([&last] { return last.layout()->lineCount() == 1; }));
    QTest::keyClicks(&m_view, QStringLiteral("ab"));
    EXPECT_EQ(m_doc.GetTextDocument().firstBlock().text(), QStringLiteral("abloaded"));
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("b")), "face=Arial size=12");
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("loaded")), "face=Times New Roman size=20 bold italic");
}

TEST_F(QuillmereViewTest, FindAndReplaceAcrossChineseText)
{
    Append(QStringLiteral("我听写，你听写。\n他们都在听写"));
    Select(0, 0);
    EXPECT_FALSE(Enabled(ID_EDIT_REPEAT)) << "nothing to find again yet";
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_FIND));
    CFindReplaceDlg *dialog = m_view.FindReplaceDialog();
    ASSERT_TRUE(dialog != nullptr && !dialog->IsReplaceDialog());
    dialog->FindEdit()->setText(QStringLiteral("听写"));
    dialog->Button(CFindReplaceDlg::FindNext)->click();
    EXPECT_EQ(m_view.textCursor().selectionStart(), 1);
    // F3 goes on from the match, through the paragraph break, then round to the start.
    for (int expected : {5, 13, 1}) {
        ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_REPEAT));
        EXPECT_EQ(m_view.textCursor().selectionStart(), expected);
    }
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_REPLACE));
    dialog = m_view.FindReplaceDialog();
    ASSERT_TRUE(dialog != nullptr && dialog->IsReplaceDialog());
    EXPECT_EQ(dialog->FindEdit()->text(), QStringLiteral("听写")) << "from the selected match";
    dialog->ReplaceEdit()->setText(QStringLiteral("默写"));
    dialog->Button(CFindReplaceDlg::ReplaceOne)->click(); // the selected one, then on to the next
    EXPECT_EQ(Text(), QStringLiteral("我默写，你听写。\n他们都在听写"));
    EXPECT_EQ(m_view.textCursor().selectionStart(), 5);
    dialog->Button(CFindReplaceDlg::ReplaceAll)->click();
    EXPECT_EQ(Text(), QStringLiteral("我默写，你默写。\n他们都在默写"));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_UNDO)); // all of them in one step
    EXPECT_EQ(Text(), QStringLiteral("我默写，你听写。\n他们都在听写"));

    dialog->FindEdit()->setText(QStringLiteral("没有"));
    Select(2, 2);
    dialog->Button(CFindReplaceDlg::FindNext)->click();
    EXPECT_EQ(m_view.textCursor().position(), 2) << "nothing found leaves the caret";
    dialog->close();
}

// 120 lines of 12 points printed on A4 (595 x 842 points) into a PDF, where
// pdftotext finds every word once and in order, no page number among them.
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

    QProcess pdftotext;
    pdftotext.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), m_dialogs.m_pdfPath, QStringLiteral("-")});
    ASSERT_TRUE(pdftotext.waitForFinished(30000));
    const QString found = QString::fromUtf8(pdftotext.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral(R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    const qreal bottom = 841.89 - 36;
    QStringList printed;
    QRectF inked;
    for (const QRegularExpressionMatch &match : word.globalMatch(found)) {
        const auto at = [&match](int group) { return match.captured(group).toDouble(); };
        // The next page's first line also sits in this page's content, below
        // the clip at the bottom margin, where no one sees it.
        if (at(2) < bottom - 1) {
            printed.append(match.captured(5));
            inked |= QRectF(QPointF(at(1), at(2)), QPointF(at(3), at(4)));
        }
    }
    EXPECT_NEAR(inked.left(), 36, 1) << "the left margin";
    EXPECT_NEAR(inked.top(), 36, 1) << "the top margin";
    EXPECT_LE(inked.bottom(), bottom) << "the bottom margin";
    EXPECT_EQ(printed.join(QLatin1Char(' ')), lines.join(QLatin1Char(' ')));
}

} // namespace
