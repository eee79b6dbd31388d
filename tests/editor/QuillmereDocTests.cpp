// The dictation document: where saves go, what the learner is told, the save
// question's answers, and that the file on disk is never left half written.
#include "editor/CQuillmereDoc.h"

#include "base/CPrompt.h"
#include "editor/CRtfReader.h"
#include "support/TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace
{

const QString g_strSaved = QStringLiteral("文件保存成功");

class QuillmereDocTest : public testing::Test
{
protected:
    QuillmereDocTest()
    {
        m_doc.SetStateChangedHandler([this] { ++m_nStateChanges; });
    }

    QString Path(const QString &name) const { return m_dir.filePath(name); }
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
            return QStringLiteral("<not RTF>");
        return document.toPlainText();
    }

    void WriteTranscript(const QString &path, const QString &text)
    {
        CQuillmereDoc other;
        QTextCursor(&other.GetTextDocument()).insertText(text);
        ASSERT_TRUE(other.OnSaveDocument(path).Succeeded());
    }

    QTemporaryDir m_dir;
    CRecordingPrompt m_prompt;
    CQuillmereDoc m_doc;
    int m_nStateChanges = 0;
};

// A save goes beside the current media and leaves the path name alone: an
// opened transcript is not written over.
TEST_F(QuillmereDocTest, SaveWithMediaWritesBesideItAndNotOverAnOpenedTranscript)
{
    m_doc.SetMediaPath(Path(QStringLiteral("talk.mp3")));
    Type(QStringLiteral("I heard it"));
    m_doc.OnFileSave();
    EXPECT_EQ(TextOfFile(Path(QStringLiteral("talk.rtf"))), QStringLiteral("I heard it"));
    EXPECT_EQ(m_prompt.m_messages, QStringList{g_strSaved});
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_EQ(m_doc.GetPathName(), QString());
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("Untitled"));

    // An auto-save says nothing; the next save speaks again.
    Type(QStringLiteral(" twice"));
    m_doc.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave);
    EXPECT_EQ(TextOfFile(Path(QStringLiteral("talk.rtf"))), QStringLiteral("I heard it twice"));
    EXPECT_EQ(m_prompt.m_messages.size(), 1);
    Type(QStringLiteral("!"));
    m_doc.OnFileSave();
    EXPECT_EQ(m_prompt.m_messages, (QStringList{g_strSaved, g_strSaved}));

    const QString oldPath = Path(QStringLiteral("old.rtf"));
    WriteTranscript(oldPath, QStringLiteral("old text"));
    const QByteArray oldBytes = ReadAllBytes(oldPath);
    ASSERT_TRUE(m_doc.OnOpenDocument(oldPath));
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("old.rtf"));
    EXPECT_FALSE(m_doc.IsModified());
    m_doc.SetMediaPath(Path(QStringLiteral("new.wma")));
    Type(QStringLiteral(" and more"));
    m_doc.OnFileSave();
    EXPECT_EQ(TextOfFile(Path(QStringLiteral("new.rtf"))), QStringLiteral("old text and more"));
    EXPECT_EQ(ReadAllBytes(oldPath), oldBytes);
    EXPECT_EQ(m_doc.GetPathName(), oldPath);
}

// Without media or a path name a save asks for a name; once there is one, the
// save question writes there even when media has come since.
TEST_F(QuillmereDocTest, SaveWithoutMediaOrPathNameAsksForANameTheQuestionThenPrefersIt)
{
    Type(QStringLiteral("draft"));
    m_doc.OnFileSave(); // dialog cancelled
    EXPECT_TRUE(m_prompt.m_messages.isEmpty());
    m_prompt.m_queuedAnswers = {CPrompt::IDYES};
    EXPECT_FALSE(m_doc.SaveModified()); // Yes, then the dialog cancelled: the text stays
    EXPECT_EQ(m_prompt.m_messages, QStringList{QStringLiteral("是否保存对“Untitled”的更改？")});
    EXPECT_EQ(m_prompt.m_proposedPaths, (QStringList{QStringLiteral("Untitled.rtf"), QStringLiteral("Untitled.rtf")}));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());

    const QString chosen = Path(QStringLiteral("draft.rtf"));
    m_prompt.m_saveAnswer = chosen;
    const int changesBefore = m_nStateChanges;
    m_doc.OnFileSave();
    EXPECT_EQ(TextOfFile(chosen), QStringLiteral("draft"));
    EXPECT_EQ(m_doc.GetPathName(), chosen);
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("draft.rtf"));
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_GT(m_nStateChanges, changesBefore); // the frame hears of the new title

    Type(QStringLiteral("!"));
    m_doc.OnFileSave();
    m_doc.SetMediaPath(Path(QStringLiteral("other.mp3")));
    Type(QStringLiteral("?"));
    m_prompt.m_queuedAnswers = {CPrompt::IDYES};
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(m_prompt.m_nFileDialogs, 3);
    EXPECT_EQ(TextOfFile(chosen), QStringLiteral("draft!?"));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("other.rtf"))));
}

// No (go on unsaved) is checked at an item switch in QuillmereAppTest.
TEST_F(QuillmereDocTest, SaveQuestionAnswers)
{
    m_doc.SetMediaPath(Path(QStringLiteral("unit3.mp3")));
    const QString transcript = Path(QStringLiteral("unit3.rtf"));
    Type(QStringLiteral("typed"));

    m_prompt.m_queuedAnswers = {CPrompt::IDCANCEL};
    EXPECT_FALSE(m_doc.CanCloseFrame()); // closing the window asks the same question
    EXPECT_EQ(m_prompt.m_messages, QStringList{QStringLiteral("是否保存对“%1”的更改？").arg(transcript)});
    EXPECT_EQ(Text(), QStringLiteral("typed"));
    EXPECT_TRUE(m_doc.IsModified());
    EXPECT_FALSE(QFile::exists(transcript));

    m_prompt.m_queuedAnswers = {CPrompt::IDYES};
    EXPECT_TRUE(m_doc.SaveModified());
    EXPECT_EQ(TextOfFile(transcript), QStringLiteral("typed"));
    EXPECT_FALSE(m_doc.IsModified());

    // Not modified: no question, the replacement goes ahead, and a save, with media or
    // without, writes and shows nothing.
    m_prompt.m_messages.clear();
    const QByteArray saved = ReadAllBytes(transcript);
    EXPECT_TRUE(m_doc.SaveModified());
    m_doc.OnFileSave();
    m_doc.SetMediaPath(QString());
    m_doc.OnFileSave();
    EXPECT_TRUE(m_prompt.m_messages.isEmpty());
    EXPECT_EQ(m_prompt.m_nFileDialogs, 0);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("unit3.rtf")});
    EXPECT_EQ(ReadAllBytes(transcript), saved);
}

TEST_F(QuillmereDocTest, FailedWriteNamesTheFileKeepsTheTextAndTheOldFile)
{
    m_doc.SetMediaPath(Path(QStringLiteral("talk.mp3")));
    const QString transcript = Path(QStringLiteral("talk.rtf"));
    WriteTranscript(transcript, QStringLiteral("old"));
    const QByteArray oldBytes = ReadAllBytes(transcript);
    Type(QString(20000, QLatin1Char('x')));
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
    EXPECT_EQ(ReadAllBytes(transcript), oldBytes);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("talk.rtf")});
}

TEST_F(QuillmereDocTest, TranscriptThatCannotBeOpenedIsReportedAndLeftAloneANewOneStartsEmpty)
{
    const QString current = Path(QStringLiteral("current.rtf"));
    WriteTranscript(current, QStringLiteral("current"));
    ASSERT_TRUE(m_doc.OnOpenDocument(current));
    Type(QStringLiteral(" typed"));

    const QString notRtf = Path(QStringLiteral("notes.rtf"));
    WriteAllBytes(notRtf, "just some text");
    const QString damaged = Path(QStringLiteral("cut.rtf"));
    WriteAllBytes(damaged, R"({\rtf1\ansi{\fonttbl{\f0 Arial;}}\f0 half a para)");
    const QString folder = Path(QStringLiteral("folder.rtf"));
    QDir(m_dir.path()).mkdir(QStringLiteral("folder.rtf"));
    const QString missing = Path(QStringLiteral("missing.rtf"));

    for (const QString &path : {notRtf, damaged, folder, missing}) {
        const QByteArray before = ReadAllBytes(path);
        m_prompt.m_messages.clear();
        EXPECT_FALSE(m_doc.OnOpenDocument(path)) << path.toStdString();
        ASSERT_EQ(m_prompt.m_messages.size(), 1) << path.toStdString();
        EXPECT_TRUE(m_prompt.m_messages[0].contains(path)) << m_prompt.m_messages[0].toStdString();
        EXPECT_EQ(ReadAllBytes(path), before);
        EXPECT_EQ(Text(), QStringLiteral("current typed"));
        EXPECT_TRUE(m_doc.IsModified());
        EXPECT_EQ(m_doc.GetPathName(), current);
    }
    EXPECT_FALSE(QFile::exists(missing));

    ASSERT_TRUE(m_doc.OnNewDocument()); // the modified text is simply replaced
    EXPECT_EQ(Text(), QString());
    EXPECT_EQ(m_doc.GetTitle(), QStringLiteral("Untitled"));
    EXPECT_EQ(m_doc.GetPathName(), QString());
    EXPECT_FALSE(m_doc.IsModified());
    EXPECT_FALSE(m_doc.GetTextDocument().isUndoAvailable());
}

// Pictures the editor cannot show open with the text, and the learner hears
// that a save would not keep them; the file stays as it was.
TEST_F(QuillmereDocTest, TranscriptWithPicturesItCannotShowOpensAndSaysSo)
{
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    image.save(&buffer, "PNG");
    const QByteArray metafile = "{\\pict\\wmetafile8\\picw4\\pich2 0102030405}";
    const QByteArray broken = "{\\pict\\pngblip 89504e470d0a1a0a00}";
    const struct {
        QByteArray rtf;
        int dropped;
    } cases[] = {{"{\\rtf1 a{\\pict\\pngblip " + png.toHex() + "}b}", 0},
                 {"{\\rtf1 a" + metafile + "b" + broken + "c}", 2},
                 // The metafile a writer adds for older readers is not the picture itself.
                 {"{\\rtf1 a{\\*\\shppict{\\pict\\pngblip " + png.toHex() + "}}{\\nonshppict" + metafile + "}b}", 0}};
    const QString path = Path(QStringLiteral("pictures.rtf"));
    for (const auto &test : cases) {
        SCOPED_TRACE(test.rtf.left(40).toStdString());
        WriteAllBytes(path, test.rtf);
        m_prompt.m_messages.clear();
        ASSERT_TRUE(m_doc.OnOpenDocument(path));
        EXPECT_TRUE(Text().startsWith(u'a'));
        EXPECT_FALSE(m_doc.IsModified());
        EXPECT_EQ(ReadAllBytes(path), test.rtf);
        ASSERT_EQ(m_prompt.m_messages.size(), test.dropped > 0 ? 1 : 0);
        if (test.dropped > 0) {
            EXPECT_TRUE(m_prompt.m_messages[0].contains(path));
            EXPECT_TRUE(m_prompt.m_messages[0].contains(QStringLiteral("%1 幅图片").arg(test.dropped)));
        }
    }
}

// A save killed at any moment leaves the previous transcript whole: the target
// is always the old or the new document, never a mixture or a stump.
TEST_F(QuillmereDocTest, KilledSaveLeavesTheTargetWhole)
{
    const QString target = Path(QStringLiteral("talk.rtf"));
    const QString oldText = QStringLiteral("old transcript");
    WriteTranscript(target, oldText);
    QString newText;
    for (int line = 0; line < 20000; ++line)
        newText += QStringLiteral("第%1行 the learner typed this line.\n").arg(line);
    newText.chop(1);
    Type(newText);

    // The inode, size and time of the target: a write or a rename changes one.
    const auto stampOfTarget = [&target] {
        struct stat info {
        };
        (void)::stat(QFile::encodeName(target).constData(), &info);
        return std::tuple(info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    };
    for (int round = 0; round < 16; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;)
                (void)m_doc.OnSaveDocument(target);
        }
        // Odd rounds wait until the target first changes on disk: the moment a careless
        // save would have it half written.
        const bool watchTarget = round % 2 == 1;
        const auto before = stampOfTarget();
        const auto end = std::chrono::steady_clock::now() +
                         std::chrono::milliseconds(watchTarget ? 3000 : round * 25); // a save takes about 0.1 s
        while (std::chrono::steady_clock::now() < end && !(watchTarget && stampOfTarget() != before)) {
        }
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        const QString text = TextOfFile(target);
        ASSERT_TRUE(text == oldText || text == newText) << "round " << round << ": " << text.left(40).toStdString();
    }
    // The temporary files the killed children left do not stop the next save.
    ASSERT_TRUE(m_doc.OnSaveDocument(target).Succeeded());
    EXPECT_EQ(TextOfFile(target), newText);
}

} // namespace
