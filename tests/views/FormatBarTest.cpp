// The format bar over an editor: the lists and the buttons' check marks follow the selection when
// the program is idle, the buttons raise their commands, and a choice changes only the selection's
// face or size and hands the caret back.
#include "views/CFormatBar.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
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
        box->setFocus();
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
    QWidget m_window; // owns the three below
    CToolBarFormView *m_pForm = new CToolBarFormView;
    CQuillmereView *m_pView = new CQuillmereView(m_doc);
    CFormatBar *m_pBar = new CFormatBar;
};

TEST_F(FormatBarTest, TheListsAndTheBoldButtonFollowTheSelectionAndTheListsStayEmptyOverMixedOnes)
{
    Append("一二三", "Arial", 12);         // 0-3
    Append("abc", "Arial", 10.5);          // 3-6
    Append("def", "Courier New", 7, true); // 6-9
    const std::tuple<int, int, const char *, int> cases[] = {
        {2, 2, "Arial|12", 0},       // the caret in 12-point Arial
        {1, 5, "Arial|", 0},         // two sizes
        {4, 6, "Arial|10", 0},       // 10.5 points show as 10
        {7, 9, "Courier New|72", 1}, // 7 points: the first entry that begins with 7
        {8, 2, "|", 2},              // two faces, selected backwards, partly bold
    };
    for (const auto &[from, to, shown, bold] : cases) {
        Select(from, to);
        m_pBar->OnUpdateCmdUI();
        EXPECT_EQ(Boxes(), QString::fromUtf8(shown)) << from << "-" << to;
        EXPECT_EQ(m_pBar->ButtonCheck(ID_CHAR_BOLD), bold) << from << "-" << to;
    }
    // Over the partly bold selection the button makes all of it bold, then none; nothing else changes.
    for (int check : {1, 0}) {
        m_pBar->Button(ID_CHAR_BOLD)->click();
        m_pBar->OnUpdateCmdUI();
        EXPECT_EQ(m_pBar->ButtonCheck(ID_CHAR_BOLD), check);
    }
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("de")), "face=Courier New size=7");
    EXPECT_EQ(FormatOf(m_doc.GetTextDocument(), QStringLiteral("f")), "face=Courier New size=7 bold") << "beyond it";
}

// A list closed with a choice or without one gives the focus back to the
// editor; while a list has the focus, the selection moving does not change it.
TEST_F(FormatBarTest, AChoiceChangesOnlyTheSelectionAndAClosedListGivesTheFocusBack)
{
    Append("before ", "Times New Roman", 12);
    Append("听写", "Times New Roman", 12, true);
    Append(" after", "Courier New", 20);
    m_window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
    Select(7, 9);
    Choose(m_pBar->FontSizeBox(), QStringLiteral("16"));
    EXPECT_TRUE(m_pView->hasFocus());
    Choose(m_pBar->FontNameBox(), QStringLiteral("Arial"));
    const QTextDocument &text = m_doc.GetTextDocument();
    EXPECT_EQ(FormatOf(text, QStringLiteral("听写")), "face=Arial size=16 bold");
    EXPECT_EQ(FormatOf(text, QStringLiteral(" 听")), "face=Times New Roman size=12");
    EXPECT_EQ(FormatOf(text, QStringLiteral(" after")), "face=Courier New size=20");

    m_pBar->FontSizeBox()->setFocus();
    m_pBar->FontSizeBox()->showPopup();
    QTest::keyClick(m_pBar->FontSizeBox()->view(), Qt::Key_Escape); // closed without a choice
    EXPECT_TRUE(m_pView->hasFocus());
    m_pBar->OnUpdateCmdUI();
    m_pBar->FontNameBox()->setFocus();
    Select(10, 12);
    m_pBar->OnUpdateCmdUI();
    EXPECT_EQ(Boxes(), QStringLiteral("Arial|16"));
    m_pView->setFocus();
    m_pBar->OnUpdateCmdUI();
    EXPECT_EQ(Boxes(), QStringLiteral("Courier New|20"));
}

} // namespace
