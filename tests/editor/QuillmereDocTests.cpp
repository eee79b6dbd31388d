// The dictation document: where saves go, what the learner is told, the save
// question's answers, and that the file on disk is never left half written.
// Its recovery copies: how each names its transcript, and a recovered text
// that comes back modified without touching the transcript.
#include "editor/CQuillmereDoc.h"

#include "base/CPrompt.h"
#include "editor/CRecoveryStore.h"
#include "editor/CRtfReader.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

const QString g_strSaved = u"文件保存成功"_qs;
const QString g_strQuestion = u"是否保存对“%1”的更改？"_qs;

class QuillmereDocTest : public testing::Test
{
protected:
    QString Path(const char16_t *name) const { return m_dir.filePath(QString::fromUtf16(name)); }
    QString Text() const { return m_doc.GetTextDocument().toPlainText(); }

    // Types at the end of the text, as the learner would.
    void Type(const QString &text)
    {
        QTextCursor cursor(&m_doc.GetTextDocument());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(text);
    }

    // The plain text of an RTF file, or "<not RTF>".
    static QString TextOfFile(const QString &path)
    {
        QTextDocument document;
        CRtfReader reader;
        if (!reader.Read(ReadAllBytes(path), document) || reader.IsDamaged())
            return u"<not RTF>"_qs;
        return document.toPlainText();
    }

    QTemporaryDir m_dir;
    CRecordingPrompt m_prompt;
    CQuillmereDoc m_doc;
};

// A save goes beside the current media (the whole program's Ctrl+S) and leaves the
// path name alone: an opened transcript is not written over. The save question on
// closing is the whole program's test.
TEST_F(QuillmereDocTest, SaveWithMediaWritesBesideItAndNotOverAnOpenedTranscript)
{
    // Not modified: no question, and a save, with media or without, writes and shows nothing.
    m_doc.SetMediaPath(Path(u"talk.mp3"));
    EXPECT_TRUE(m_doc.SaveModified());
    m_doc.OnFileSave();
    m_doc.SetMediaPath(QString());
    m_doc.OnFileSave();
    EXPECT_TRUE(m_prompt.m_messages.isEmpty());
    EXPECT_EQ(m_prompt.m_nFileDialogs, 0);
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());

    const QString oldPath = Path(u"old.rtf");
    WriteAllBytes(oldPath, "{\\rtf1 old text}");
    ASSERT_TRUE(m_doc.OnOpenDocument(oldPath));
    EXPECT_EQ(m_doc.GetTitle(), u"old.rtf"_qs);
    EXPECT_FALSE(m_doc.IsModified() || m_doc.GetTextDocument().isUndoAvailable()) << "opened, nothing to undo";
    m_doc.SetMediaPath(Path(u"new.wma"));
    Type(u" and more"_qs);
    m_doc.OnFileSave();
    EXPECT_EQ(TextOfFile(Path(u"new.rtf")), u"old text and more"_qs);
    EXPECT_EQ(m_prompt.m_messages, QStringList{g_strSaved});
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(ReadAllBytes(oldPath), "{\\rtf1 old text}");
    EXPECT_EQ(m_doc.GetPathName(), oldPath);
}

// Without media or a path name a save asks for a name; once there is one, the
// save question writes there even when media has come since.
TEST_F(QuillmereDocTest, SaveWithoutMediaOrPathNameAsksForANameTheQuestionThenPrefersIt)
{
    Type(u"draft"_qs);
    m_doc.OnFileSave(); // dialog cancelled
    EXPECT_TRUE(m_prompt.m_messages.isEmpty());
    m_prompt.m_queuedAnswers = {CPrompt::IDYES};
    EXPECT_FALSE(m_doc.SaveModified()); // Yes, then the dialog cancelled: the text stays
    EXPECT_EQ(m_prompt.m_messages, QStringList{g_strQuestion.arg(u"Untitled"_qs)});
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());

    const QString chosen = Path(u"draft.rtf");
    m_prompt.m_saveAnswer = chosen;
    m_doc.OnFileSave();
    EXPECT_EQ(TextOfFile(chosen), u"draft"_qs);
    EXPECT_EQ(m_doc.GetPathName(), chosen);
    EXPECT_EQ(m_doc.GetTitle(), u"draft.rtf"_qs);
    EXPECT_FALSE(m_doc.IsModified());

    Type(u"!"_qs);
    m_doc.OnFileSave();
    m_doc.SetMediaPath(Path(u"other.mp3"));
    Type(u"?"_qs);
    m_prompt.m_queuedAnswers = {CPrompt::IDYES};
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(m_prompt.m_messages.last(), g_strQuestion.arg(chosen));
    EXPECT_EQ(m_prompt.m_nFileDialogs, 3);
    EXPECT_EQ(TextOfFile(chosen), u"draft!?"_qs);
    EXPECT_FALSE(QFile::exists(Path(u"other.rtf")));
}

TEST_F(QuillmereDocTest, FailedWriteNamesTheFileKeepsTheTextAndTheOldFile)
{
    m_doc.SetMediaPath(Path(u"talk.mp3"));
    const QString transcript = Path(u"talk.rtf");
    WriteAllBytes(transcript, "{\\rtf1 old}");
    Type(QString(20000, u'x'));
    {
        const CFileSizeLimit limit(4096);
        m_doc.OnFileSave();
        m_prompt.m_queuedAnswers = {CPrompt::IDYES};
        EXPECT_FALSE(m_doc.SaveModified()); // the failed save keeps the text
    }
    ASSERT_EQ(m_prompt.m_messages.size(), 3);
    EXPECT_TRUE(m_prompt.m_messages[0].contains(transcript)) << m_prompt.m_messages[0].toStdString();
    EXPECT_FALSE(m_prompt.m_messages.contains(g_strSaved));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_EQ(Text().size(), 20000);
    EXPECT_EQ(ReadAllBytes(transcript), "{\\rtf1 old}");
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{u"talk.rtf"_qs});
}

TEST_F(QuillmereDocTest, TranscriptThatCannotBeOpenedOrShownWholeIsReportedAndLeftAlone)
{
    const QString current = Path(u"current.rtf");
    WriteAllBytes(current, "{\\rtf1 current}");
    ASSERT_TRUE(m_doc.OnOpenDocument(current));
    Type(u" typed"_qs);
    WriteAllBytes(Path(u"notes.rtf"), "just some text");
    WriteAllBytes(Path(u"cut.rtf"), R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 half a para)");
    QDir(m_dir.path()).mkdir(u"folder.rtf"_qs);
    for (const QString &path : {Path(u"notes.rtf"), Path(u"cut.rtf"), Path(u"folder.rtf"), Path(u"missing.rtf")}) {
        const QByteArray before = ReadAllBytes(path);
        m_prompt.m_messages.clear();
        EXPECT_FALSE(m_doc.OnOpenDocument(path)) << path.toStdString();
        ASSERT_EQ(m_prompt.m_messages.size(), 1) << path.toStdString();
        EXPECT_TRUE(m_prompt.m_messages[0].contains(path)) << m_prompt.m_messages[0].toStdString();
        EXPECT_EQ(ReadAllBytes(path), before);
        EXPECT_EQ(Text(), u"current typed"_qs);
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(m_doc.GetPathName(), current);
    }
    EXPECT_FALSE(QFile::exists(Path(u"missing.rtf")));

    // Pictures the editor cannot show open with the text; the learner hears a save would not keep them.
    const QByteArray pictures =
        "{\\rtf1 a{\\pict\\wmetafile8\\picw4\\pich2 0102}b{\\pict\\pngblip 89504e470d0a1a0a00}c}";
    WriteAllBytes(Path(u"pictures.rtf"), pictures);
    m_prompt.m_messages.clear();
    ASSERT_TRUE(m_doc.OnOpenDocument(Path(u"pictures.rtf")));
    EXPECT_EQ(Text(), u"abc"_qs);
    EXPECT_EQ(ReadAllBytes(Path(u"pictures.rtf")), pictures);
    ASSERT_EQ(m_prompt.m_messages.size(), 1);
    EXPECT_TRUE(m_prompt.m_messages[0].contains(Path(u"pictures.rtf")));
    EXPECT_TRUE(m_prompt.m_messages[0].contains(u"2 幅图片"_qs));
}

// A save killed at any moment leaves the previous transcript whole: the target
// is always the old or the new document, never a mixture or a stump.
TEST_F(QuillmereDocTest, KilledSaveLeavesTheTargetWhole)
{
    const QString target = Path(u"talk.rtf");
    WriteAllBytes(target, "{\\rtf1 old transcript}");
    QString newText;
    for (int line = 0; line < 20000; ++line)
        newText += u"第%1行 the learner typed this line.\n"_qs.arg(line);
    newText.chop(1);
    Type(newText);

    // The size and time of the target: a write or a rename changes one.
    const auto stampOfTarget = [&target] {
        const QFileInfo info(target);
        return std::pair(info.size(), info.lastModified());
    };
    for (int round = 0; round < 16; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                (void)m_doc.OnSaveDocument(target);
        }
        // Odd rounds wait until the target first changes on disk: the moment a careless
        // save would have it half written. A save takes about 0.1 s.
        const bool watchTarget = round % 2 == 1;
        const auto before = stampOfTarget();
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(watchTarget ? 3000 : round * 25);
        while (std::chrono::steady_clock::now() < end && !(watchTarget && stampOfTarget() != before)) {
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const QString text = TextOfFile(target);
        ASSERT_TRUE(text == u"old transcript"_qs || text == newText) << round << ": " << text.left(40).toStdString();
    }
    // The temporary files the killed children left do not stop the next save.
    ASSERT_TRUE(m_doc.OnSaveDocument(target).Succeeded());
    EXPECT_EQ(TextOfFile(target), newText);
}

class RecoveryStoreTest : public QuillmereDocTest
{
protected:
    CRecoveryStore m_store{m_dir.filePath(u"state/quillmere/recovery"_qs)};
};

TEST_F(RecoveryStoreTest, EachTranscriptHasACopyOfItsOwnThatNamesIt)
{
    const QString a = u"/lessons/a/第一课.rtf"_qs;
    const QString b = u"/lessons/b/第一课.rtf"_qs; // same name, another folder
    const QString longName = u"/l/"_qs + QString(300, QChar(u'课')) + u".rtf"_qs;
    const QMap<QString, QByteArray> expected = {
        {a, "{\\rtf1 a again}"}, {b, "{\\rtf1 b}"}, {QString(), "{\\rtf1 untitled}"}, {longName, "{\\rtf1 long}"}};
    ASSERT_TRUE(m_store.Write(a, "{\\rtf1 a}").Succeeded()); // replaced below, not added to
    for (auto it = expected.begin(); it != expected.end(); ++it)
        ASSERT_TRUE(m_store.Write(it.key(), it.value()).Succeeded());

    EXPECT_TRUE(QFileInfo(m_store.CopyPathFor(a)).fileName().startsWith(u"第一课-"_qs));
    EXPECT_EQ(QFileInfo(m_store.CopyPathFor(QString())).fileName(), u"Untitled.rtf"_qs);
    EXPECT_LE(QFile::encodeName(QFileInfo(m_store.CopyPathFor(longName)).fileName()).size(), 255);
    EXPECT_EQ(QFileInfo(m_store.Directory()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    QMap<QString, QByteArray> found; // transcript → the copy's bytes
    for (const CRecoveryStore::SCopy &copy : m_store.List())
        found.insert(copy.m_strTranscriptPath, ReadAllBytes(copy.m_strCopyPath));
    EXPECT_EQ(found, expected);
}

TEST_F(RecoveryStoreTest, ACopyWithoutItsNoteIsStillOfferedAndLeftoversOfAKilledWriteGo)
{
    const QString transcript = Path(u"talk.rtf");
    ASSERT_TRUE(m_store.Write(transcript, "{\\rtf1 kept}").Succeeded());
    const QString copy = m_store.CopyPathFor(transcript);
    QFile::remove(copy.chopped(4) + u".path"_qs);
    WriteAllBytes(copy + u".a1B2c3"_qs, "{\\rtf1 half");
    WriteAllBytes(copy.chopped(4) + u".path.Zz9Yy8"_qs, "/half");

    m_store.RemoveUnfinishedWrites();
    const auto filesInStore = [this] { return QDir(m_store.Directory()).entryList(QDir::Files | QDir::Hidden); };
    EXPECT_EQ(filesInStore(), QStringList{QFileInfo(copy).fileName()});
    const std::vector<CRecoveryStore::SCopy> copies = m_store.List();
    ASSERT_EQ(copies.size(), 1U);
    EXPECT_EQ(std::pair(copies[0].m_strCopyPath, copies[0].m_strTranscriptPath), std::pair(copy, QString()))
        << "untitled, but the text is there";

    m_store.RemoveCopy(copy);
    EXPECT_TRUE(filesInStore().isEmpty());
    EXPECT_TRUE(m_store.List().empty());
}

// The recovered text comes back as the modified document of its transcript, which is not touched.
TEST_F(RecoveryStoreTest, ARecoveredTextIsTheModifiedDocumentOfItsTranscript)
{
    const QString transcript = Path(u"第一课.rtf");
    WriteAllBytes(transcript, "{\\rtf1 on disk}");
    const QString gone = Path(u"gone/课.rtf");
    ASSERT_TRUE(m_store.Write(transcript, "{\\rtf1 typed before the crash}").Succeeded());
    const QString copy = m_store.CopyPathFor(transcript);
    const std::pair<QString, QString> cases[] = {
        {transcript, u"第一课.rtf"_qs}, {QString(), u"Untitled"_qs}, {gone, u"课.rtf"_qs}}; // path name, title
    for (const auto &[pathName, title] : cases) {
        ASSERT_TRUE(m_doc.OnRecoverDocument(copy, pathName));
        EXPECT_EQ(Text(), u"typed before the crash"_qs);
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(m_doc.GetPathName(), pathName);
        EXPECT_EQ(m_doc.GetTitle(), title);
        m_doc.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave); // the timer does not write it
        EXPECT_EQ(ReadAllBytes(transcript), "{\\rtf1 on disk}");
    }

    // Only the learner's own save does; once saved, the timer saves it like any other text.
    ASSERT_TRUE(m_doc.OnRecoverDocument(copy, transcript));
    m_doc.OnFileSave();
    EXPECT_TRUE(ReadAllBytes(transcript).contains("typed before the crash"));
    m_doc.SetModifiedFlag();
    m_doc.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave);
    EXPECT_FALSE(m_doc.IsModified());

    // A transcript whose folder is gone is saved through the dialog, not into a failure.
    ASSERT_TRUE(m_doc.OnRecoverDocument(copy, gone));
    m_prompt.m_messages.clear();
    m_prompt.m_saveAnswer = Path(u"rescued.rtf");
    EXPECT_TRUE(m_doc.DoFileSave());
    EXPECT_TRUE(m_prompt.m_messages.isEmpty()) << m_prompt.m_messages.join(u'|').toStdString();
    EXPECT_TRUE(ReadAllBytes(Path(u"rescued.rtf")).contains("typed before the crash"));
    EXPECT_FALSE(QDir(Path(u"gone")).exists());
}

} // namespace
