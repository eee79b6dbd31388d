#include "base/ModulePath.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

namespace
{

// A program folder, a home and a configuration home of the test's own.
class ConfigFolderTest : public testing::Test
{
protected:
    ConfigFolderTest() { QDir(m_root.path()).mkpath(u"prefix/bin"_qs); }
    ~ConfigFolderTest() override { MakeProgramFolderWritable(true); }

    void MakeProgramFolderWritable(bool writable)
    {
        QFile::setPermissions(m_strProgram,
                              writable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                       : QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    }
    QString FolderFor(const QString &configHome) const { return ConfigFolderFor(m_strProgram, configHome, m_strHome); }

    QTemporaryDir m_root;
    const QString m_strProgram = m_root.filePath(u"prefix/bin"_qs) + u'/';
    const QString m_strHome = m_root.filePath(u"home"_qs);
    const QString m_strConfig = m_root.filePath(u"config"_qs);
};

TEST_F(ConfigFolderTest, FolderFollowsWhetherTheProgramFolderMayBeWritten)
{
    // A build run where it was built keeps its files beside itself.
    EXPECT_EQ(FolderFor(m_strConfig), m_strProgram);
    EXPECT_EQ(ConfigFilePathFor(u"quillmere.ini"_qs, m_strProgram, m_strConfig, m_strHome),
              m_strProgram + u"quillmere.ini"_qs);
    EXPECT_FALSE(QDir(m_strConfig).exists());

    // An installed program's folder is read-only (for root as well, by its mode).
    MakeProgramFolderWritable(false);
    EXPECT_EQ(FolderFor(m_strConfig), m_strConfig + u"/quillmere/"_qs);
    EXPECT_EQ(FolderFor(QString()), m_strHome + u"/.config/quillmere/"_qs);
    // No program folder known: never the current folder.
    EXPECT_EQ(ConfigFolderFor(QString(), m_strConfig, m_strHome), m_strConfig + u"/quillmere/"_qs);

    // Installed (its libraries in the prefix's lib/quillmere), it never writes
    // into the prefix, even for someone allowed to.
    MakeProgramFolderWritable(true);
    QDir(m_root.path()).mkpath(u"prefix/lib/quillmere"_qs);
    EXPECT_EQ(FolderFor(m_strConfig), m_strConfig + u"/quillmere/"_qs);
}

TEST_F(ConfigFolderTest, FilesLeftBesideTheProgramAreTakenOverOnce)
{
    WriteAllBytes(m_strProgram + u"Playlist.Qpl"_qs, "/old/lesson.mp3\r\n");
    MakeProgramFolderWritable(false);
    const QString moved = m_strConfig + u"/quillmere/Playlist.Qpl"_qs;
    EXPECT_EQ(ConfigFilePathFor(u"Playlist.Qpl"_qs, m_strProgram, m_strConfig, m_strHome), moved);
    EXPECT_EQ(ReadAllBytes(moved), QByteArray("/old/lesson.mp3\r\n"));

    // Once the folder has its own file, the old one is no longer read.
    WriteAllBytes(moved, "/new/lesson.mp3\r\n");
    EXPECT_EQ(ConfigFilePathFor(u"Playlist.Qpl"_qs, m_strProgram, m_strConfig, m_strHome), moved);
    EXPECT_EQ(ReadAllBytes(moved), QByteArray("/new/lesson.mp3\r\n"));

    // A file never kept beside the program: only the folder is made, for the first write.
    const QString profile = ConfigFilePathFor(u"quillmere.ini"_qs, m_strProgram, QString(), m_strHome);
    EXPECT_EQ(profile, m_strHome + u"/.config/quillmere/quillmere.ini"_qs);
    EXPECT_TRUE(QDir(m_strHome + u"/.config/quillmere"_qs).exists());
    EXPECT_FALSE(QFile::exists(profile));
}

} // namespace
