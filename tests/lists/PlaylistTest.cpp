// The playlist file and the text file it is read and written through.
#include "lists/CPlaylist.h"
#include "lists/CTextFile.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace
{

QStringList ReadLines(const QString &path)
{
    CTextFile file(path, CTextFile::modeRead);
    QStringList lines;
    QString line;
    while (file.ReadString(line))
        lines.append(line);
    return lines;
}

class PlaylistTest : public ::testing::Test
{
protected:
    QString MakeFile(const QString &name) const
    {
        WriteAllBytes(m_dir.filePath(name), "media");
        return m_dir.filePath(name);
    }
    QTemporaryDir m_dir;
    const QString m_list = m_dir.filePath(u"Playlist.Qpl"_qs);
};

} // namespace

// Duplicates stay; a blank line, a short name, a missing file, a folder and a
// wildcard pattern are no media files.
TEST_F(PlaylistTest, LoadKeepsOnlyLinesNamingExistingFiles)
{
    const QString existing = MakeFile(u"a.mp3"_qs);
    const QStringList lines = {
        existing, QString(), u"xy"_qs, m_dir.filePath(u"gone.mp3"_qs), m_dir.path(), m_dir.filePath(u"*.mp3"_qs),
        existing};
    WriteAllBytes(m_list, (lines.join(u"\r\n"_qs) + u"\r\n"_qs).toUtf8());
    CPlaylist playlist;
    ASSERT_TRUE(playlist.Load(m_list));
    EXPECT_EQ(playlist.Paths(), (QStringList{existing, existing}));
    EXPECT_FALSE(playlist.Load(m_dir.path())); // a folder where the file should be
    EXPECT_EQ(playlist.GetCount(), 2);
}

// A failed save, which keeps the old file, is the playlist pane's test.
TEST_F(PlaylistTest, SaveWritesOnePathAndCrLfPerItemAndLoadCreatesAMissingFile)
{
    CPlaylist none;
    ASSERT_TRUE(none.Load(m_list));
    EXPECT_EQ(none.GetCount(), 0);
    EXPECT_TRUE(QFile::exists(m_list));

    const QString chinese = MakeFile(u"第一课 听写.mp3"_qs);
    const QString plain = MakeFile(u"b.ogg"_qs);
    CPlaylist playlist;
    for (const QString &path : {chinese, plain, chinese})
        playlist.Add(path);
    ASSERT_TRUE(playlist.Save(m_list));
    EXPECT_EQ(ReadAllBytes(m_list), (QStringList{chinese, plain, chinese, QString()}.join(u"\r\n"_qs)).toUtf8());
    CPlaylist reloaded;
    ASSERT_TRUE(reloaded.Load(m_list));
    EXPECT_EQ(reloaded.Paths(), playlist.Paths());
    ASSERT_TRUE(CPlaylist().Save(m_list));
    EXPECT_EQ(ReadAllBytes(m_list), QByteArray());
}

TEST(TextFile, LinesComeBackWithoutTheirEndsAndAFileNeverClosedReplacesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"lines"_qs);
    const std::pair<QByteArray, QStringList> cases[] = {
        {"one\r\n\r\ntwo\r\n", {u"one"_qs, QString(), u"two"_qs}},
        {"one\ntwo", {u"one"_qs, u"two"_qs}},
        {"one\rtwo\r", {u"one\rtwo"_qs}}, // a lone CR ends no line
        {QByteArray(5000, 'x') + "\r\nnext\r\n", {QString(4095, u'x'), QString(905, u'x'), u"next"_qs}},
    };
    for (const auto &[bytes, lines] : cases) {
        WriteAllBytes(path, bytes);
        EXPECT_EQ(ReadLines(path), lines) << bytes.left(20).constData();
    }

    // A file written but never closed replaces nothing and leaves nothing behind. (A failed
    // write is the playlist pane's failed save.)
    WriteAllBytes(path, "old\r\n");
    {
        CTextFile file(path, CTextFile::modeCreate | CTextFile::modeWrite);
        file.WriteString(u"half"_qs);
    }
    EXPECT_EQ(ReadAllBytes(path), QByteArray("old\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u"lines"_qs});
}
