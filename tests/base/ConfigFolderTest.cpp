#include "base/ModulePath.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace
{

// A program folder, a home and a configuration home of the test's own.
class ConfigFolderTest : public testing::Test
{
protected:
    ConfigFolderTest() { QDir(m_root.path()).mkpath(QStringLiteral("prefix/bin")); }
    ~ConfigFolderTest() override { MakeProgramFolderWritable(true); }

    QString ProgramFolder() const { return m_root.filePath(QStringLiteral("prefix/bin")) + QLatin1Char('/'); }
    QString Home() const { return m_root.filePath(QStringLiteral("home")); }
    QString ConfigHome() const { return m_root.filePath(QStringLiteral("config")); }

    void MakeProgramFolderWritable(bool writable)
    {
        QFile::setPermissions(ProgramFolder(),
                              writable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                       : QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    }

    static void Write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    static QByteArray Read(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_root;
};

TEST_F(ConfigFolderTest, FolderFollowsWhetherTheProgramFolderMayBeWritten)
{
    // A build run where it was built keeps its files beside itself.
    EXPECT_EQ(ConfigFolderFor(ProgramFolder(), ConfigHome(), Home()), ProgramFolder());
    EXPECT_EQ(ConfigFilePathFor(QStringLiteral("quillmere.ini"), ProgramFolder(), ConfigHome(), Home()),
              ProgramFolder() + QStringLiteral("quillmere.ini"));
    EXPECT_FALSE(QDir(ConfigHome()).exists());

    // An installed program's folder is read-only (for root as well, by its mode).
    MakeProgramFolderWritable(false);
    EXPECT_EQ(ConfigFolderFor(ProgramFolder(), ConfigHome(), Home()), ConfigHome() + QStringLiteral("/quillmere/"));
    EXPECT_EQ(ConfigFolderFor(ProgramFolder(), QString(), Home()), Home() + QStringLiteral("/.config/quillmere/"));
    // No program folder known: never the current folder.
    EXPECT_EQ(ConfigFolderFor(QString(), ConfigHome(), Home()), ConfigHome() + QStringLiteral("/quillmere/"));

    // Installed (its libraries in the prefix's lib/quillmere), it never writes
    // into the prefix, even for someone allowed to.
    MakeProgramFolderWritable(true);
    QDir(m_root.path()).mkpath(QStringLiteral("prefix/lib/quillmere"));
    EXPECT_EQ(ConfigFolderFor(ProgramFolder(), ConfigHome(), Home()), ConfigHome() + QStringLiteral("/quillmere/"));
}

TEST_F(ConfigFolderTest, FilesLeftBesideTheProgramAreTakenOverOnce)
{
    Write(ProgramFolder() + QStringLiteral("Playlist.Qpl"), "/old/lesson.mp3\r\n");
    MakeProgramFolderWritable(false);
    const QString moved = ConfigHome() + QStringLiteral("/quillmere/Playlist.Qpl");

    EXPECT_EQ(ConfigFilePathFor(QStringLiteral("Playlist.Qpl"), ProgramFolder(), ConfigHome(), Home()), moved);
    EXPECT_EQ(Read(moved), QByteArray("/old/lesson.mp3\r\n"));

    // Once the folder has its own file, the old one is no longer read.
    Write(moved, "/new/lesson.mp3\r\n");
    EXPECT_EQ(ConfigFilePathFor(QStringLiteral("Playlist.Qpl"), ProgramFolder(), ConfigHome(), Home()), moved);
    EXPECT_EQ(Read(moved), QByteArray("/new/lesson.mp3\r\n"));

    // A file never kept beside the program: only the folder is made, for the first write.
    const QString profile = ConfigFilePathFor(QStringLiteral("quillmere.ini"), ProgramFolder(), QString(), Home());
    EXPECT_EQ(profile, Home() + QStringLiteral("/.config/quillmere/quillmere.ini"));
    EXPECT_TRUE(QDir(Home() + QStringLiteral("/.config/quillmere")).exists());
    EXPECT_FALSE(QFile::exists(profile));
}

} // namespace
