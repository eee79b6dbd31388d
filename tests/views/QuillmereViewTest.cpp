// The editor pane: the Edit commands and when they are enabled, and RTF
// through the clipboard.
#include "views/CQuillmereView.h"

#include "app/Resource.h"
#include "editor/CQuillmereDoc.h"
#include "editor/CRtfWriter.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <limits>

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

TEST_F(QuillmereViewTest, AutoSaveTimerRunsForTheSettingsMinutes)
{
    int minutes = 0;
    m_view.SetAutoSaveMinutesSource([&minutes] { return minutes; });
    m_view.RestartAutoSave();
    EXPECT_EQ(m_view.GetAutoSavePeriod(), 0);

    minutes = 2;
    m_view.RestartAutoSave();
    EXPECT_EQ(m_view.GetAutoSavePeriod(), 120000);
    m_view.StopAutoSave();
    EXPECT_EQ(m_view.GetAutoSavePeriod(), 0);

    // A hand-edited profile: no overflow into a negative or tiny period, no timer for a negative one.
    minutes = std::numeric_limits<int>::max();
    m_view.RestartAutoSave();
    EXPECT_EQ(m_view.GetAutoSavePeriod(), std::numeric_limits<int>::max());
    minutes = -5;
    m_view.RestartAutoSave();
    EXPECT_EQ(m_view.GetAutoSavePeriod(), 0);
}

TEST_F(QuillmereViewTest, OpeningAnotherTranscriptStartsTheAutoSavePeriodAfresh)
{
    QTemporaryDir folder;
    const QString media = folder.filePath(QStringLiteral("talk.mp3"));
    const QString other = folder.filePath(QStringLiteral("other.rtf"));
    WriteAllBytes(other, "{\\rtf1 other}");
    m_doc.SetCurrentPathSource([&media] { return media; });
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
    EXPECT_FALSE(m_doc.m_bAutoSaving);
}

} // namespace
