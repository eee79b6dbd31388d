// The recovery copy of the text being typed: when it is written and when it
// goes.
#include "editor/CQuillmereDoc.h"
#include "frame/CRecoveryKeeper.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace std::chrono_literals;

namespace
{

class RecoveryKeeperTest : public testing::Test
{
protected:
    RecoveryKeeperTest() { m_keeper.SetTiming(kPeriod, kPause); }

    static constexpr std::chrono::milliseconds kPeriod = 600ms, kPause = 150ms;

    QString Path(const QString &name) const { return m_dir.filePath(name); }
    void Type(const QString &text)
    {
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
    }
    // The text of the copy of the transcript, empty when there is none.
    QByteArray CopyOf(const QString &transcript) const
    {
        return ReadAllBytes(m_keeper.Store().CopyPathFor(transcript));
    }
    bool WaitForCopyWith(const QString &transcript, const QByteArray &text, int ms = 5000) const
    {
        return QTest::qWaitFor([&] { return CopyOf(transcript).contains(text); }, ms);
    }
    QStringList FilesInStore() const { return QDir(m_keeper.Store().Directory()).entryList(QDir::Files); }

    QTemporaryDir m_dir;
    CRecordingPrompt m_prompt{CPrompt::IDYES};
    CQuillmereDoc m_doc;
    CRecoveryKeeper m_keeper{m_doc, m_dir.filePath(QStringLiteral("recovery"))};
};

// Timers only run late on a busy machine, never early: the "not yet" checks
// hold whatever the load; the "by now" checks wait generously.
TEST_F(RecoveryKeeperTest, CopiesAreWrittenWhenTypingRestsAtMostOnceAPeriod)
{
    m_doc.SetMediaPath(Path(QStringLiteral("talk.mp3")));
    const QString transcript = Path(QStringLiteral("talk.rtf"));
    QElapsedTimer clock;
    clock.start();
    Type(QStringLiteral("first"));
    QTest::qWait(50);
    EXPECT_TRUE(CopyOf(transcript).isEmpty() || clock.elapsed() >= kPause.count()) << "written before typing rested";
    ASSERT_TRUE(WaitForCopyWith(transcript, "first"));
    clock.restart();

    // Right after a copy: the next waits for the period, though typing rests.
    Type(QStringLiteral(" second"));
    QTest::qWait(2 * kPause.count());
    EXPECT_TRUE(!CopyOf(transcript).contains("second") || clock.elapsed() >= kPeriod.count());
    ASSERT_TRUE(WaitForCopyWith(transcript, "second"));

    // Typing that never rests is still copied, within two periods of its start.
    clock.restart();
    bool copied = false;
    for (int key = 0; !copied && clock.elapsed() < 10 * kPeriod.count(); ++key) {
        Type(QStringLiteral(" k%1").arg(key));
        QTest::qWait(kPause.count() / 3);
        copied = CopyOf(transcript).contains(" k0");
    }
    EXPECT_TRUE(copied);
    EXPECT_EQ(FilesInStore().size(), 2) << FilesInStore().join(u' ').toStdString(); // the copy and its note
}

TEST_F(RecoveryKeeperTest, TheCopyGoesWhenTheTextIsSavedDiscardedOrMovesToAnotherTranscript)
{
    const QString first = Path(QStringLiteral("first.rtf"));
    const QString second = Path(QStringLiteral("second.rtf"));

    Type(QStringLiteral("untitled text")); // no media, no path name
    ASSERT_TRUE(WaitForCopyWith(QString(), "untitled text"));
    m_doc.SetMediaPath(Path(QStringLiteral("first.wav"))); // now the save would go beside it
    Type(QStringLiteral("!"));
    ASSERT_TRUE(WaitForCopyWith(first, "untitled text!"));
    EXPECT_EQ(FilesInStore().size(), 2) << "the untitled copy went";

    m_doc.OnFileSave();
    EXPECT_TRUE(ReadAllBytes(first).contains("untitled text!"));
    EXPECT_TRUE(FilesInStore().isEmpty()) << "saved";

    Type(QStringLiteral(" more"));
    ASSERT_TRUE(WaitForCopyWith(first, " more"));
    m_prompt.m_queuedAnswers = {CPrompt::IDNO};
    ASSERT_TRUE(m_doc.SaveModified());
    m_doc.OnNewDocument();
    EXPECT_TRUE(QTest::qWaitFor([this] { return FilesInStore().isEmpty(); }, 5000)) << "discarded";
    EXPECT_FALSE(ReadAllBytes(first).contains(" more"));

    // Changes undone back to the saved text need no copy either.
    m_doc.SetMediaPath(Path(QStringLiteral("second.wav")));
    Type(QStringLiteral("x"));
    ASSERT_TRUE(WaitForCopyWith(second, "x"));
    m_doc.GetTextDocument().undo();
    EXPECT_TRUE(FilesInStore().isEmpty());
}

TEST_F(RecoveryKeeperTest, AFailedCopyIsToldOnceUntilOneSucceedsAgain)
{
    const QString folder = Path(QStringLiteral("recovery"));
    const auto blockFolder = [&] {
        QDir(folder).removeRecursively();
        WriteAllBytes(folder, "a file where the folder should be");
    };
    blockFolder();
    for (int round = 0; round < 3; ++round) {
        Type(QStringLiteral("x"));
        QTest::qWait(kPeriod.count() + kPause.count());
    }
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_prompt.m_messages.isEmpty(); }, 5000));
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_TRUE(m_prompt.m_messages[0].contains(QStringLiteral("恢复副本")));
    EXPECT_TRUE(m_prompt.m_messages[0].contains(folder));

    QFile::remove(folder);
    Type(QStringLiteral("y"));
    ASSERT_TRUE(WaitForCopyWith(QString(), "xxxy"));
    blockFolder();
    Type(QStringLiteral("z"));
    EXPECT_TRUE(QTest::qWaitFor([this] { return m_prompt.m_messages.size() == 2; }, 5000)) << "told again";
}

} // namespace
