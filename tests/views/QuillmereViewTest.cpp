// The editor pane: the Edit commands and when they are enabled, RTF through
// the clipboard, and the document's commands reached through the pane.
#include "views/CQuillmereView.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfWriter.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace
{

class QuillmereViewTest : public testing::Test
{
protected:
    QuillmereViewTest() : m_view(m_doc)
    {
        m_doc.SetCurrentPathSource([this] { return m_strMediaPath; });
        QApplication::clipboard()->clear();
    }

    bool Enabled(unsigned id) { return m_view.QueryState(id).m_bEnabled; }
    QString Text() const { return m_doc.GetTextDocument().toPlainText(); }

    CRecordingPrompt m_prompt;
    CQuillmereDoc m_doc;
    CQuillmereView m_view;
    QString m_strMediaPath;
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

TEST_F(QuillmereViewTest, DocumentCommandsReachTheDocument)
{
    QTemporaryDir dir;
    m_strMediaPath = dir.filePath(QStringLiteral("talk.mp3"));
    EXPECT_TRUE(Enabled(ID_FILE_SAVE));
    EXPECT_FALSE(Enabled(ID_OLE_EDIT_LINKS));
    EXPECT_FALSE(m_view.ExecuteIfEnabled(ID_OLE_EDIT_LINKS));

    QTest::keyClicks(&m_view, QStringLiteral("typed"));
    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FILE_SAVE));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("talk.rtf"))));
    EXPECT_EQ(m_prompt.m_messages, QStringList{QStringLiteral("文件保存成功")});

    ASSERT_TRUE(m_view.ExecuteIfEnabled(ID_FILE_SAVE_AS)); // the dialog is cancelled
    EXPECT_EQ(m_prompt.m_nFileDialogs, 1);
}

} // namespace
