// Recovery copies on disk: where they go, how each names its transcript, and
// a recovered text that comes back modified without touching the transcript.
#include "editor/CQuillmereDoc.h"
#include "editor/CRecoveryStore.h"

#include "support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>
#include <utility>

namespace
{

class RecoveryStoreTest : public testing::Test
{
protected:
    QString Path(const char16_t *name) const { return m_dir.filePath(QString::fromUtf16(name)); }

    QTemporaryDir m_dir;
    CRecoveryStore m_store{m_dir.filePath(u"state/quillmere/recovery"_qs)};
    CRecordingPrompt m_prompt;
};

TEST_F(RecoveryStoreTest, TheFolderFollowsTheStateHomeWhenItIsAnAbsolutePath)
{
    const QByteArray saved = qgetenv("XDG_STATE_HOME");
    const QString home = QDir::homePath() + u"/.local/state/quillmere/recovery"_qs;
    for (const auto &[stateHome, expected] : {std::pair{"/var/st", u"/var/st/quillmere/recovery"_qs},
                                              std::pair{"", home}, std::pair{"relative/st", home}}) {
        qputenv("XDG_STATE_HOME", stateHome);
        EXPECT_EQ(CRecoveryStore::DefaultDirectory(), expected) << stateHome;
    }
    qputenv("XDG_STATE_HOME", saved);
}

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
    for (const CRecoveryStore::SCopy &copy : m_store.List()) {
        found.insert(copy.m_strTranscriptPath, ReadAllBytes(copy.m_strCopyPath));
        EXPECT_LE(qAbs(copy.m_written.secsTo(QDateTime::currentDateTime())), 60);
    }
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
    EXPECT_EQ(copies[0].m_strCopyPath, copy);
    EXPECT_EQ(copies[0].m_strTranscriptPath, QString()); // untitled, but the text is there

    m_store.RemoveCopy(copy);
    EXPECT_TRUE(filesInStore().isEmpty());
    EXPECT_TRUE(m_store.List().empty());
}

// The recovered text comes back as the modified document of its transcript;
// the transcript itself, or a folder that is gone, is not touched.
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
        CQuillmereDoc document;
        ASSERT_TRUE(document.OnRecoverDocument(copy, pathName));
        EXPECT_EQ(document.GetTextDocument().toPlainText(), u"typed before the crash"_qs);
        EXPECT_TRUE(document.IsModified());
        EXPECT_EQ(document.GetPathName(), pathName);
        EXPECT_EQ(document.GetTitle(), title);
        EXPECT_EQ(ReadAllBytes(transcript), "{\\rtf1 on disk}");
    }

    // The auto-save timer does not write it either: only the learner's own save does.
    CQuillmereDoc recovered;
    ASSERT_TRUE(recovered.OnRecoverDocument(copy, transcript));
    recovered.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave);
    EXPECT_EQ(ReadAllBytes(transcript), "{\\rtf1 on disk}");
    recovered.OnFileSave();
    EXPECT_TRUE(ReadAllBytes(transcript).contains("typed before the crash"));
    recovered.SetModifiedFlag();
    recovered.OnFileSave(CQuillmereDoc::ESaveKind::AutoSave); // once saved, the timer saves it like any other text
    EXPECT_FALSE(recovered.IsModified());

    // A transcript whose folder is gone is saved through the dialog, not into a failure.
    CQuillmereDoc document;
    ASSERT_TRUE(document.OnRecoverDocument(copy, gone));
    m_prompt.m_saveAnswer = Path(u"rescued.rtf");
    EXPECT_TRUE(document.DoFileSave());
    EXPECT_TRUE(m_prompt.m_messages.isEmpty()) << m_prompt.m_messages.join(u'|').toStdString();
    EXPECT_TRUE(ReadAllBytes(Path(u"rescued.rtf")).contains("typed before the crash"));
    EXPECT_FALSE(QDir(Path(u"gone")).exists());
}

} // namespace
