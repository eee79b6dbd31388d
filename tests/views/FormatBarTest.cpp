// The format bar over an editor: the lists follow the selection when the
// program is idle, a choice changes only the selection's face or size and
// hands the caret back, and the buttons show the editor's check marks.
#include "views/CFormatBar.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfWriter.h"
#include "editor/RtfTestSupport.h"
#include "support/TestSupport.h"
#include "views/CQuillmereView.h"
#include "widgets/CToolBarFormView.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <tuple>

namespace
{

class FormatBarTest : public testing::Test
{
protected:
    FormatBarTest()
    {
        auto *layout = new QVBoxLayout(&m_window);
        m_pForm = new CToolBarFormView;
        m_pView = new CQuillmereView(m_doc);
        m_pBar = new CFormatBar;
        m_pForm->SetViewTarget(m_pView);
        m_pForm->SetToolBar(m_pBar);
        m_pBar->SetEditor(m_pView);
        m_pBar->SetCommandRouting([this](unsigned id) { m_pForm->ExecuteIfEnabled(id); },
                                  [this](unsigned id) { return m_pForm->QueryState(id); });
        layout->addWidget(m_pForm);
        layout->addWidget(m_pView);
        m_doc.GetTextDocument().clear();
    }

    // Text appended in one face and size.
    void Append(const char *text, const char *face, qreal points, bool bold = false)
    {
        QTextCharFormat format;
        format.setFontFamilies(QStringList{QString::fromUtf8(face)});
        format.setFontPointSize(points);
        format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString::fromUtf8(text), format);
    }

    void Select(int from, int to)
    {
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.setPosition(from);
        cursor.setPosition(to, QTextCursor::KeepAnchor);
        m_pView->setTextCursor(cursor);
    }

    // Opens the list, goes to the entry and presses Enter, as the learner would.
    void Choose(QComboBox *box, const QString &entry)
    {
        box->showPopup();
        box->view()->setCurrentIndex(box->model()->index(box->findText(entry), 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
    }

    // What the two boxes show, "face|size".
    QString Boxes() const
    {
        return m_pBar->FontNameBox()->currentText() + QLatin1Char('|') + m_pBar->FontSizeBox()->currentText();
    }

    CRecordingPrompt m_prompt;
    CQuillmereDoc m_doc;
    QWidget m_window;
    CToolBarFormView *m_pForm;
    CQuillmereView *m_pView;
    CFormatBar *m_pBar;
};

TEST_F(FormatBarTest, TheListsShowTheSelectionsFaceAndSizeAndStayEmptyOverMixedOnes)
{
    Append("一二三", "Arial", 12);   // 0-3
    Append("abc", "Arial", 10.5);    // 3-6
    Append("def", "Courier New", 7); // 6-9
    const std::tuple<int, int, const char *> cases[] = {
        {2, 2, "Arial|12"},       // the caret in 12-point Arial
        {1, 5, "Arial|"},         // two sizes
        {8, 2, "|"},              // two faces, selected backwards
        {4, 6, "Arial|10"},       // 10.5 points show as 10
        {7, 9, "Courier New|72"}, // 7 points: the first entry that begins with 7
    };
    for (const auto &[from, to, shown] : cases) {
        Select(from, to);
        m_pBar->OnUpdateCmdUI();
        EXPECT_EQ(Boxes(), QString::fromUtf8(shown)) << from << "-" << to;
    }
}

TEST_F(FormatBarTest, AChosenSizeOrFaceChangesOnlyTheSelectionAndTheRtfNamesTheFace)
{
    Append("before ", "Times New Roman", 12);
    Append("听写", "Times New Roman", 12, true);
    Append(" after", "Times New Roman", 12);
    Select(7, 9);
    Choose(m_pBar->FontSizeBox(), QStringLiteral("16"));
    Choose(m_pBar->FontNameBox(), QStringLiteral("Arial"));
    const QTextDocument &text = m_doc.GetTextDocument();
    EXPECT_EQ(FormatOf(text, QStringLiteral("听写")), "face=Arial size=16 bold");
    EXPECT_EQ(FormatOf(text, QStringLiteral("写")), "face=Arial size=16 bold");
    for (const char *outside : {" 听", " after"})
        EXPECT_EQ(FormatOf(text, QString::fromUtf8(outside)), "face=Times New Roman size=12") << outside;
    const QByteArray rtf = CRtfWriter().Write(m_doc.GetTextDocument());
    // Font names appear in the RTF's font table alone.
    EXPECT_TRUE(rtf.contains(" Arial;}") && rtf.contains(" Times New Roman;}")) << rtf.constData();
}

// What the command does to the text is the editor's own test.
TEST_F(FormatBarTest, TheBoldButtonShowsTheEditorsMarkAndRaisesItsCommand)
{
    Append("plain ", "Arial", 12);
    Append("bold", "Arial", 12, true);
    Select(2, 8);
    for (int check : {2, 1, 0}) { // mixed, then all bold, then none
        m_pBar->OnUpdateCmdUI();
        EXPECT_EQ(m_pBar->ButtonCheck(ID_CHAR_BOLD), check);
        m_pBar->Button(ID_CHAR_BOLD)->click();
    }
}

TEST_F(FormatBarTest, ClosingAListGivesTheFocusBackAndTheListsAreLeftAloneWhileInUse)
{
    Append("abc", "Arial", 12);
    Append("def", "Courier New", 20);
    m_window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    m_pBar->FontSizeBox()->setFocus();
    m_pBar->FontSizeBox()->showPopup();
    QTest::keyClick(m_pBar->FontSizeBox()->view(), Qt::Key_Escape); // closed without a choice
    EXPECT_TRUE(m_pView->hasFocus());

    Select(1, 2);
    m_pBar->OnUpdateCmdUI();
    m_pBar->FontNameBox()->setFocus();
    Select(4, 5);
    m_pBar->OnUpdateCmdUI();
    EXPECT_EQ(Boxes(), QStringLiteral("Arial|12"));
    m_pView->setFocus();
    m_pBar->OnUpdateCmdUI();
    EXPECT_EQ(Boxes(), QStringLiteral("Courier New|20"));
}

} // namespace
