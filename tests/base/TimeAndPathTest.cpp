#include "base/ModulePath.h"
#include "base/TimeUtils.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <filesystem>

TEST(FormatMinSec, ShowsMinutesAndSecondsAndDropsWholeHours)
{
    EXPECT_EQ(FormatMinSec(0), QStringLiteral("00:00"));
    EXPECT_EQ(FormatMinSec(59), QStringLiteral("00:59"));
    EXPECT_EQ(FormatMinSec(60), QStringLiteral("01:00"));
    EXPECT_EQ(FormatMinSec(3599), QStringLiteral("59:59"));
    EXPECT_EQ(FormatMinSec(3600), QStringLiteral("00:00"));
    EXPECT_EQ(FormatMinSec(3725), QStringLiteral("02:05"));
    EXPECT_EQ(FormatMinSec(4294967295u), QStringLiteral("28:15")); // 71582788 min 15 s
}

TEST(Timestamp, WrittenAsMinutesAndSecondsOrWithHoursAndReadBackWhereTheCaretStands)
{
    EXPECT_EQ(FormatTimestamp(5999), QStringLiteral("[00:05]"));
    EXPECT_EQ(FormatTimestamp(3599000), QStringLiteral("[59:59]"));
    EXPECT_EQ(FormatTimestamp(3723000), QStringLiteral("[1:02:03]"));

    const QString line = QStringLiteral("第一句 [1:02:03] then [00:05]x [75:00] [1:75:00] [00:61] [0:05");
    EXPECT_EQ(TimestampAt(line, 4), 3723000u);  // the opening bracket
    EXPECT_EQ(TimestampAt(line, 12), 3723000u); // the closing one
    EXPECT_EQ(TimestampAt(line, 13), std::nullopt);
    EXPECT_EQ(TimestampAt(line, line.indexOf(QStringLiteral("05]x")) + 1), 5000u);
    EXPECT_EQ(TimestampAt(line, line.indexOf(QStringLiteral("75:00]"))), 4500000u); // minutes past an hour
    EXPECT_EQ(TimestampAt(line, line.indexOf(QStringLiteral("1:75"))), std::nullopt);
    EXPECT_EQ(TimestampAt(line, line.indexOf(QStringLiteral("00:61"))), std::nullopt);
    EXPECT_EQ(TimestampAt(line, line.size() - 2), std::nullopt); // never closed
    EXPECT_EQ(TimestampAt(FormatTimestamp(3723000), 1), 3723000u);
}

TEST(ModulePath, DirectoryKeepsTrailingSlash)
{
    EXPECT_EQ(DirectoryOfProgram(QStringLiteral("/opt/tools/q")), QStringLiteral("/opt/tools/"));
    EXPECT_EQ(DirectoryOfProgram(QStringLiteral("/q")), QStringLiteral("/"));

    QString directory;
    ASSERT_TRUE(GetModuleDirectory(directory));
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(directory, QString::fromStdString(self.parent_path().string()) + QLatin1Char('/'));
}

TEST(ModulePath, ProfileLiesBesideTheProgram)
{
    // Every ".exe" is replaced, folder names included.
    EXPECT_EQ(ProfilePathForProgram(QStringLiteral("/a.exe.d/q.exe")), QStringLiteral("/a.ini.d/q.ini"));
    // A program without ".exe" gets ".ini" appended: the profile never is the program.
    EXPECT_EQ(ProfilePathForProgram(QStringLiteral("/opt/q/quillmere")), QStringLiteral("/opt/q/quillmere.ini"));
    EXPECT_EQ(ProfilePathForProgram(QStringLiteral("/opt/Q.EXE")), QStringLiteral("/opt/Q.EXE.ini"));
}
