// Recovery copies on disk: where they go, how each names its transcript, and
// a recovered text that comes back modified without touching the transcript.
#include "editor/CQuillmereDoc.h"
#include "editor/CRecoveryStore.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <utility>

namespace
{

class RecoveryStoreTest : public testing::Test
{
protected:
    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QStringList FilesInStore() const { return QDir(m_store.Directory()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir m_dir;
    CRecoveryStore m_store{m_dir.filePath(QStringLiteral("state/quillmere/recovery"))};
    CRecordingPrompt m_prompt;
};

TEST_F(RecoveryStoreTest, TheFolderFollowsTheStateHomeWhenItIsAnAbsolutePath)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    const QString home = QDir::homePath() + QStringLiteral("/.local/state/quillmere/recovery");
    for (const auto &[stateHome, expected] : {std::pair{"/var/st", QStringLiteral("/var/st/quillmere/recovery")},
                                              std::pair{"", home}, std::pair{"relative/st", home}}) {
        qputenv("XDG_STATE_HOME", stateHome);
        EXPECT_EQ(CRecoveryStore::DefaultDirectory(), expected) << stateHome;
    }
    qputenv("XDG_STATE_HOME", saved);
}

TEST_F(RecoveryStoreTest, EachTranscriptHasACopyOfItsOwnThatNamesIt)
{
    const QString a = QStringLiteral("/lessons/a/第一课.rtf");
    const QString b = QStringLiteral("/lessons/b/第一课.rtf"); // same name, another folder
    const QString longName = QStringLiteral("/l/") + QString(300, QChar(u'课')) + QStringLiteral(".rtf");
    ASSERT_TRUE(m_store.Write(a, "{\\rtf1 a}").Succeeded());
    ASSERT_TRUE(m_store.Write(b, "{\\rtf1 b}").Succeeded());
    ASSERT_TRUE(m_store.Write(QString(), "{\\rtf1 untitled}").Succeeded());
    ASSERT_TRUE(m_store.Write(longName, "{\\rtf1 long}").Succeeded());
    ASSERT_TRUE(m_store.Write(a, "{\\rtf1 a again}").Succeeded()); // replaces, not adds

    EXPECT_TRUE(QFileInfo(m_store.CopyPathFor(a)).fileName().startsWith(QStringLiteral("第一课-")));
    EXPECT_EQ(QFileInfo(m_store.CopyPathFor(QString())).fileName(), QStringLiteral("Untitled.rtf"));
    EXPECT_LE(QFile::encodeName(QFileInfo(m_store.CopyPathFor(longName)).fileName()).size(), 255);
    EXPECT_EQ(QFileInfo(m_store.Directory()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);

    QMap<QString, QByteArray> found; // transcript → the copy's bytes
    for (const CRecoveryStore::SCopy &copy : m_store.List()) {
        found.insert(copy.m_strTranscriptPath, ReadAllBytes(copy.m_strCopyPath));
        EXPECT_LE(qAbs(copy.m_written.secsTo(QDateTime::currentDateTime())), 60);
    }
    const QMap<QString, QByteArray> expected = {
        {a, "{\\rtf1 a again}"}, {b, "{\\rtf1 b}"}, {QString(), "{\\rtf1 untitled}"}, {longName, "{\\rtf1 long}"}};
    EXPECT_EQ(found, expected);
}

TEST_F(RecoveryStoreTest, ACopyWithoutItsNoteIsStillOfferedAndLeftoversOfAKilledWriteGo)
{
    const QString transcript = Path(QStringLiteral("talk.rtf"));
    ASSERT_TRUE(m_store.Write(transcript, "{\\rtf1 kept}").Succeeded());
    const QString copy = m_store.CopyPathFor(transcript);
    QFile::remove(copy.chopped(4) + QStringLiteral(".path"));
    WriteAllBytes(copy + QStringLiteral(".a1B2c3"), "{\\rtf1 half");
    WriteAllBytes(copy.chopped(4) + QStringLiteral(".path.Zz9Yy8"), "/half");

    m_store.RemoveUnfinishedWrites();
    EXPECT_EQ(FilesInStore(), QStringList{QFileInfo(copy).fileName()});
    const std::vector<CRecoveryStore::SCopy> copies = m_store.List();
    ASSERT_EQ(copies.size(), 1U);
    EXPECT_EQ(copies[0].m_strCopyPath, copy);
    EXPECT_EQ(copies[0].m_strTranscriptPath, QString()); // untitled, but the text is there

    m_store.RemoveCopy(copy);
    EXPECT_TRUE(FilesInStore().isEmpty());
    EXPECT_TRUE(m_store.List().empty());
}

// The recovered text comes back as the modified document of its transcript;
// the transcript itself, or a folder that is gone, is not touched.
TEST_F(RecoveryStoreTest, ARecoveredTextIsTheModifiedDocumentOfItsTranscript)
{
    const QString transcript = Path(QStringLiteral("第一课.rtf"));
    WriteAllBytes(transcript, "{\\rtf1 on disk}");
    const QString gone = Path(QStringLiteral("gone/课.rtf"));
    ASSERT_TRUE(m_store.Write(transcript, "{\\rtf1 typed before the crash}").Succeeded());
    const struct {
        QString transcript;
        QString title;
    } cases[] = {{transcript, QStringLiteral("第一课.rtf")},
                 {QString(), QStringLiteral("Untitled")},
                 {gone, QStringLiteral("课.rtf")}};
    for (const auto &test : cases) {
        SCOPED_TRACE(test.transcript.toStdString());
        CQuillmereDoc document;
        ASSERT_TRUE(document.OnRecoverDocument(m_store.CopyPathFor(transcript), test.transcript));
        EXPECT_EQ(document.GetTextDocument().toPlainText(), QStringLiteral("typed before the crash"));
        EXPECT_TRUE(document.IsModified());
        EXPECT_EQ(document.GetPathName(), test.transcript);
        EXPECT_EQ(document.GetTitle(), test.title);
        EXPECT_EQ(ReadAllBytes(transcript), "{\\rtf1 on disk}");
    }

    // The auto-save timer does not write it either: only the learner's own save does.
    CQuillmereDoc recovered;
    ASSERT_TRUE(recovered.OnRecoverDocument(m_store.CopyPathFor(transcript), transcript));
    recovered.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave);
    EXPECT_EQ(ReadAllBytes(transcript), "{\\rtf1 on disk}");
    recovered.OnFileSave();
    EXPECT_TRUE(ReadAllBytes(transcript).contains("typed before the crash"));
    recovered.SetModifiedFlag();
    recovered.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave); // once saved, the timer saves it like any other text
    EXPECT_FALSE(recovered.IsModified());

    // A transcript whose folder is gone is saved through the dialog, not into a failure.
    CQuillmereDoc document;
    ASSERT_TRUE(document.OnRecoverDocument(m_store.CopyPathFor(transcript), gone));
    m_prompt.m_saveAnswer = Path(QStringLiteral("rescued.rtf"));
    EXPECT_TRUE(document.DoFileSave());
    EXPECT_TRUE(m_prompt.m_messages.isEmpty()) << m_prompt.m_messages.join(u'|').toStdString();
    EXPECT_TRUE(ReadAllBytes(Path(QStringLiteral("rescued.rtf"))).contains("typed before the crash"));
    EXPECT_FALSE(QDir(Path(QStringLiteral("gone"))).exists());
}

} // namespace
