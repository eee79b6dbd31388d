// The editor pane: the Edit commands and when they are enabled, and RTF
// through the clipboard.
#include "views/CQuillmereView.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfWriter.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace
{

class QuillmereViewTest : public testing::Test
{
protected:
    QuillmereViewTest() : m_view(m_doc) { QApplication::clipboard()->clear(); }

    bool Enabled(unsigned id) { return m_view.QueryState(id).m_bEnabled; }
    QString Text() const { return m_doc.GetTextDocument().toPlainText(); }

    CRecordingPrompt m_prompt;
    CQuillmereDoc m_doc;
    CQuillmereView m_view;
};

TEST_F(QuillmereViewTest, EditCommandsFollowTheTextTheSelectionAndTheClipboard)
{
    EXPECT_EQ(m_view.accessibleName(), QStringLiteral("听写文本"));
    for (unsigned id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_SELECT_ALL})
        EXPECT_FALSE(Enabled(id)) << id;

    QTest::keyClicks(&m_view, QStringLiteral("hello"));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(Enabled(ID_EDIT_UNDO));
    EXPECT_TRUE(Enabled(ID_EDIT_SELECT_ALL));
    EXPECT_FALSE(Enabled(ID_EDIT_COPY));

    EXPECT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_SELECT_ALL));
    EXPECT_TRUE(Enabled(ID_EDIT_CUT));
    EXPECT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_CUT));
    EXPECT_EQ(Text(), QString());
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
    EXPECT_TRUE(Enabled(ID_EDIT_PASTE));

    EXPECT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_PASTE));
    EXPECT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_PASTE));
    EXPECT_EQ(Text(), QStringLiteral("hellohello"));
    EXPECT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_UNDO));
    EXPECT_EQ(Text(), QStringLiteral("hello"));
}

TEST_F(QuillmereViewTest, RtfOnTheClipboardKeepsItsFormats)
{
    QTextDocument source;
    QTextCursor cursor(&source);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("粗体"), bold);
    auto *rtfOnly = new QMimeData;
    rtfOnly->setData(QStringLiteral("text/rtf"), CRtfWriter().Write(source));
    QApplication::clipboard()->setMimeData(rtfOnly);

    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_PASTE));
    EXPECT_EQ(Text(), QStringLiteral("粗体"));
    QTextCursor pasted(&m_doc.GetTextDocument());
    pasted.setPosition(1);
    EXPECT_EQ(pasted.charFormat().fontWeight(), QFont::Bold);

    // Copied text carries RTF that pastes back with the same formats.
    m_view.selectAll();
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_EDIT_COPY));
    EXPECT_TRUE(QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf")).startsWith("{\\rtf1"));
}

} // namespace
