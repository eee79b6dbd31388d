#include "lists/CPlaylist.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

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
};

} // namespace

TEST_F(PlaylistTest, LoadKeepsOnlyLinesNamingExistingFiles)
{
    const QString existing = MakeFile(QStringLiteral("a.mp3"));
    const QString shortName = QStringLiteral("xy");
    WriteAllBytes(Path(QStringLiteral("Playlist.Qpl")),
                  (existing + QStringLiteral("\r\n\r\n") + shortName + QStringLiteral("\r\n") +
                   Path(QStringLiteral("gone.mp3")) + QStringLiteral("\r\n") + m_dir.path() + QStringLiteral("\r\n") +
                   Path(QStringLiteral("*.mp3")) + QStringLiteral("\r\n") + existing + QStringLiteral("\r\n"))
                      .toUtf8());
    CPlaylist playlist;
    ASSERT_TRUE(playlist.Load(Path(QStringLiteral("Playlist.Qpl"))));
    // Duplicates stay; the folder and the wildcard pattern are no media files.
    EXPECT_EQ(playlist.Paths(), (QStringList{existing, existing}));
}

TEST_F(PlaylistTest, AFileOfThreeCharactersIsNeverAnEntry)
{
    QDir::setCurrent(m_dir.path());
    MakeFile(QStringLiteral("abc"));
    EXPECT_FALSE(CPlaylist::IsPlaylistEntry(QStringLiteral("abc")));
    MakeFile(QStringLiteral("abcd"));
    EXPECT_TRUE(CPlaylist::IsPlaylistEntry(QStringLiteral("abcd")));
}

TEST_F(PlaylistTest, MissingFileIsCreatedEmpty)
{
    CPlaylist playlist;
    ASSERT_TRUE(playlist.Load(Path(QStringLiteral("Playlist.Qpl"))));
    EXPECT_EQ(playlist.GetCount(), 0);
    EXPECT_TRUE(QFile::exists(Path(QStringLiteral("Playlist.Qpl"))));
    EXPECT_EQ(QFileInfo(Path(QStringLiteral("Playlist.Qpl"))).size(), 0);
}

TEST_F(PlaylistTest, SaveWritesOnePathAndCrLfPerItemAndRoundTripsChinese)
{
    const QString chinese = MakeFile(QStringLiteral("第一课 听写.mp3"));
    const QString plain = MakeFile(QStringLiteral("b.ogg"));
    CPlaylist playlist;
    playlist.Add(chinese);
    playlist.Add(plain);
    playlist.Add(chinese);
    ASSERT_TRUE(playlist.Save(Path(QStringLiteral("Playlist.Qpl"))));
    EXPECT_EQ(ReadAllBytes(Path(QStringLiteral("Playlist.Qpl"))),
              (chinese + QStringLiteral("\r\n") + plain + QStringLiteral("\r\n") + chinese + QStringLiteral("\r\n"))
                  .toUtf8());

    CPlaylist reloaded;
    ASSERT_TRUE(reloaded.Load(Path(QStringLiteral("Playlist.Qpl"))));
    EXPECT_EQ(reloaded.Paths(), playlist.Paths());

    CPlaylist empty;
    ASSERT_TRUE(empty.Save(Path(QStringLiteral("Playlist.Qpl"))));
    EXPECT_EQ(QFileInfo(Path(QStringLiteral("Playlist.Qpl"))).size(), 0);
}

TEST_F(PlaylistTest, FailedSaveSaysSoAndKeepsTheOldFile)
{
    const QString file = Path(QStringLiteral("Playlist.Qpl"));
    WriteAllBytes(file, "/old/item.mp3\r\n");
    CPlaylist playlist;
    for (int i = 0; i < 100; ++i)
        playlist.Add(Path(QStringLiteral("item-%1.mp3").arg(i)));
    CResult saved;
    {
        CFileSizeLimit limit(512);
        saved = playlist.Save(file);
    }
    EXPECT_FALSE(saved);
    EXPECT_TRUE(saved.Message().contains(QStringLiteral("Playlist.Qpl")));
    EXPECT_EQ(ReadAllBytes(file), QByteArray("/old/item.mp3\r\n"));
}

TEST_F(PlaylistTest, UnreadablePlaylistIsReportedAndLeavesTheListEmpty)
{
    CPlaylist playlist;
    EXPECT_FALSE(playlist.Load(m_dir.path())); // a folder where the file should be
    EXPECT_EQ(playlist.GetCount(), 0);
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

TEST(PlaylistIndex, PlaylistFileLiesBesideTheProgram)
{
    EXPECT_TRUE(PlaylistFilePath().endsWith(QStringLiteral("/Playlist.Qpl")));
    EXPECT_TRUE(QFileInfo(PlaylistFilePath()).isAbsolute());
}
