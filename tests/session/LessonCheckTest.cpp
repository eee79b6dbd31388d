// The lesson's check of the transcript against the reference of its recording, with
// the progress kept between checks and the hints: on the real document and files,
// without a window.
#include "editor/CQuillmereDoc.h"
#include "session/CLesson.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace
{

class LessonCheckTest : public testing::Test
{
protected:
    LessonCheckTest()
    {
        m_strMedia = m_dir.filePath(QStringLiteral("lesson.mp3"));
        WriteAllBytes(m_dir.filePath(QStringLiteral("lesson.lrc")),
                      "[ti:A lesson]\r\n[00:00.00]Welcome to your first dictation lesson.\r\n"
                      "[00:04.17]Listen to each sentence, then write down exactly what you hear.\r\n"
                      "[00:10.05]The old lighthouse stands at the end of a narrow road.\r\n");
        m_lesson.SetRecording(m_strMedia);
        m_lesson.LoadReference(14000);
    }
    SCheckReport CheckTyped(const QString &text)
    {
        m_doc.GetTextDocument().setPlainText(text);
        QString problem;
        SCheckReport report = m_lesson.Check(&problem);
        EXPECT_EQ(problem, QString());
        return report;
    }

    QTemporaryDir m_dir;
    QString m_strMedia;
    CQuillmereDoc m_doc;
    CLesson m_lesson{m_doc, m_dir.filePath(QStringLiteral("progress"))};
};

// One wrong and one missing word in the first two sentences, the third unwritten
// (totals and times are the whole program's check test's): each stretch is scored
// on its own, the unwritten one not at all, and the wrong word shows what was typed.
TEST_F(LessonCheckTest, TheReportMarksEachWordAndScoresTheAttemptedStretches)
{
    const SCheckReport report = CheckTyped(QStringLiteral(
        "Welcome to your first dictation lessen.\nListen to each sentence, then write exactly what you hear."));
    ASSERT_EQ(report.stretches.size(), 3u);
    EXPECT_EQ(report.stretches[0].percent, 83);
    EXPECT_EQ(report.stretches[1].percent, 91);
    EXPECT_FALSE(report.stretches[2].bAttempted);
    EXPECT_EQ(report.stretches[0].words.back(),
              (SMarkedWord{SMarkedWord::EMark::Wrong, QStringLiteral("lesson."), QStringLiteral("lessen.")}));
}

// Each check is kept with the recording; the next report shows the one before, and
// the hints taken between them.
TEST_F(LessonCheckTest, ProgressLastsAndHintsAreCounted)
{
    CheckTyped(QStringLiteral("Welcome to your first"));
    EXPECT_EQ(m_lesson.Hint(1000), QStringLiteral("dictation"));
    EXPECT_EQ(m_lesson.Hint(1000), QStringLiteral("dictation"));
    EXPECT_EQ(m_lesson.Hint(5000), QStringLiteral("Listen"));
    const SCheckReport second = CheckTyped(QStringLiteral("Welcome to your first dictation lesson."));
    EXPECT_EQ(second.previousPercent, 67);
    EXPECT_EQ(second.stretches[0].previous, 67);
    EXPECT_EQ(second.stretches[0].nHints, 2);
    EXPECT_EQ(second.nHints, 3);
    EXPECT_EQ(m_lesson.Hint(1000), std::nullopt) << "all written";

    const std::vector<SCheckRecord> kept = CProgressStore(m_dir.filePath(QStringLiteral("progress"))).Load(m_strMedia);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[1].percent, 100);
    EXPECT_EQ(kept[1].stretches[0].nHints, 2);
}

// A progress file that is not one is set aside and said so; checking goes on.
TEST_F(LessonCheckTest, ADamagedProgressFileIsSetAside)
{
    const CProgressStore store(m_dir.filePath(QStringLiteral("progress")));
    QDir().mkpath(m_dir.filePath(QStringLiteral("progress")));
    WriteAllBytes(store.FileFor(m_strMedia), "{\"checks\": [{\"date\": 3}");
    m_doc.GetTextDocument().setPlainText(QStringLiteral("Welcome"));
    QString problem;
    m_lesson.Check(&problem);
    EXPECT_TRUE(problem.contains(QStringLiteral("已损坏"))) << problem.toStdString();
    EXPECT_EQ(ReadAllBytes(store.FileFor(m_strMedia) + QStringLiteral(".damaged")), "{\"checks\": [{\"date\": 3}");
    EXPECT_EQ(store.Load(m_strMedia).size(), 1u);
}

// Without text in the .lrc the plain text file beside the recording is the reference.
TEST_F(LessonCheckTest, APlainTextFileIsTheReferenceWhenTheLrcHasNoText)
{
    WriteAllBytes(m_dir.filePath(QStringLiteral("lesson.lrc")), "[00:00.00]\r\n[00:04.17]\r\n");
    WriteAllBytes(m_dir.filePath(QStringLiteral("lesson.txt")), "\xEF\xBB\xBFOne two three.");
    m_lesson.LoadReference(14000);
    const SCheckReport report = CheckTyped(QStringLiteral("one two"));
    ASSERT_EQ(report.stretches.size(), 1u);
    EXPECT_EQ(report.totals.Percent(), 67);
    EXPECT_EQ(report.totals.m_nMissing, 1);
}

} // namespace
