#include "lists/CPlaylist.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QScopeGuard>
#include <QTemporaryDir>

namespace
{

class PlaylistTest : public ::testing::Test
{
protected:
    QString Path(const QString &name) const { return m_dir.filePath(name); }
    QString MakeFile(const QString &name) const
    {
        WriteAllBytes(Path(name), "media");
        return Path(name);
    }
    QTemporaryDir m_dir;
    const QString m_list = Path(QStringLiteral("Playlist.Qpl"));
};

} // namespace

TEST_F(PlaylistTest, LoadKeepsOnlyLinesNamingExistingFiles)
{
    const QString existing = MakeFile(QStringLiteral("a.mp3"));
    // Duplicates stay; a blank line, a short name, a missing file, the folder
    // and a wildcard pattern are no media files.
    const QStringList lines = {existing,
                               QString(),
                               QStringLiteral("xy"),
                               Path(QStringLiteral("gone.mp3")),
                               m_dir.path(),
                               Path(QStringLiteral("*.mp3")),
                               existing};
    WriteAllBytes(m_list, (lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toUtf8());
    CPlaylist playlist;
    ASSERT_TRUE(playlist.Load(m_list));
    EXPECT_EQ(playlist.Paths(), (QStringList{existing, existing}));

    CPlaylist fromFolder;
    EXPECT_FALSE(fromFolder.Load(m_dir.path())); // a folder where the file should be
    EXPECT_EQ(fromFolder.GetCount(), 0);
}

TEST_F(PlaylistTest, AFileOfThreeCharactersIsNeverAnEntry)
{
    // Names relative to the current folder, which is put back however the test ends.
    const QString previous = QDir::currentPath();
    const auto restore = qScopeGuard([&previous] { QDir::setCurrent(previous); });
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    MakeFile(QStringLiteral("abc"));
    EXPECT_FALSE(CPlaylist::IsPlaylistEntry(QStringLiteral("abc")));
    MakeFile(QStringLiteral("abcd"));
    EXPECT_TRUE(CPlaylist::IsPlaylistEntry(QStringLiteral("abcd")));
}

TEST_F(PlaylistTest, SaveWritesOnePathAndCrLfPerItemAndLoadCreatesAMissingFile)
{
    CPlaylist none;
    ASSERT_TRUE(none.Load(m_list));
    EXPECT_EQ(none.GetCount(), 0);
    EXPECT_TRUE(QFile::exists(m_list));

    const QString chinese = MakeFile(QStringLiteral("第一课 听写.mp3"));
    const QString plain = MakeFile(QStringLiteral("b.ogg"));
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

TEST_F(PlaylistTest, FailedSaveSaysSoAndKeepsTheOldFile)
{
    WriteAllBytes(m_list, "/old/item.mp3\r\n");
    CPlaylist playlist;
    for (int i = 0; i < 100; ++i)
        playlist.Add(Path(QStringLiteral("item-%1.mp3").arg(i)));
    CResult saved;
    {
        CFileSizeLimit limit(512);
        saved = playlist.Save(m_list);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(saved.Message().contains(QStringLiteral("Playlist.Qpl")));
    EXPECT_EQ(ReadAllBytes(m_list), QByteArray("/old/item.mp3\r\n"));
}

TEST(PlaylistIndex, RememberedIndexOutsideTheListOpensTheFirstItem)
{
    EXPECT_EQ(StartupPlaylistIndex(1, 3), 1);
    EXPECT_EQ(StartupPlaylistIndex(3, 3), 0);
    EXPECT_EQ(StartupPlaylistIndex(-4, 3), 0);
    EXPECT_EQ(StartupPlaylistIndex(0, 0), -1);
    EXPECT_EQ(CurrentIndexAfterRemoving(2, 0), 1);
    EXPECT_EQ(CurrentIndexAfterRemoving(2, 3), 2);
}
