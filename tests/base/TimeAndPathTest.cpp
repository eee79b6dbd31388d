#include "base/CodePage.h"
#include "base/MediaPaths.h"
#include "base/ModulePath.h"
#include "base/TimeUtils.h"

#include <gtest/gtest.h>

#include <filesystem>

// GBK and code page 1252 both ways are read and written by the RTF tests.
TEST(CodePage, OneHashForWhatTheCodePageLacksAndBadBytesNeverVanish)
{
    // An emoji is a surrogate pair: one "#", not two.
    EXPECT_EQ(EncodeCodePage(u"a😀b"_qs, 936), QByteArray("a#b"));
    EXPECT_EQ(EncodeCodePage(u"日本"_qs, 1252), QByteArray("##"));
    // Base letter plus combining accent is composed where the code page has it;
    // UTF-8 keeps everything and composes nothing.
    EXPECT_EQ(EncodeCodePage(u"e\u0301"_qs, 1252), QByteArray("\xE9"));
    EXPECT_EQ(EncodeCodePage(u"e\u0301😀"_qs, CP_UTF8_NUMBER), u"e\u0301😀"_qs.toUtf8());

    EXPECT_EQ(DecodeCodePage("a\xFF"
                             "b",
                             CP_UTF8_NUMBER),
              u"a\uFFFDb"_qs);
    EXPECT_EQ(DecodeCodePage("\x81", 936), u"\uFFFD"_qs); // truncated double-byte character
    EXPECT_EQ(DecodeCodePage("x\xE9", 99999), u"xé"_qs);  // unknown code page
}

TEST(CodePage, LearnerTextIsUtf8WhenValidElseGb18030)
{
    EXPECT_EQ(DecodeLearnerText("\xEF\xBB\xBF[00:01.00]\xE4\xB8\xAD"), u"[00:01.00]中"_qs);
    EXPECT_EQ(DecodeLearnerText("[00:01.00]\xD6\xD0\xCE\xC4"), u"[00:01.00]中文"_qs);
    EXPECT_EQ(DecodeLearnerText(""), QString());
}

TEST(MediaPaths, ReplaceTheExtensionOrAppendOne)
{
    EXPECT_EQ(MediaRtfPath(u"/d/a/b.mp3"_qs), u"/d/a/b.rtf"_qs);
    EXPECT_EQ(MediaLrcPath(u"/d/a/b.c.mp3"_qs), u"/d/a/b.c.lrc"_qs);
    // A "." in a folder name is no extension of the file.
    EXPECT_EQ(MediaRtfPath(u"/d/v1.2/track"_qs), u"/d/v1.2/track.rtf"_qs);
    EXPECT_EQ(MediaRtfPath(u"/d/课文/第一课.mp3"_qs), u"/d/课文/第一课.rtf"_qs);
    // No media loaded: no transcript path, not a file named ".rtf".
    EXPECT_EQ(MediaRtfPath(QString()), QString());
}

TEST(Timestamp, MinutesAndSecondsOrWithHoursAndReadBackWhereTheCaretStands)
{
    // The status bar's time drops whole hours.
    for (const auto &[seconds, shown] : {std::pair{0u, "00:00"},
                                         {59u, "00:59"},
                                         {3599u, "59:59"},
                                         {3600u, "00:00"},
                                         {3725u, "02:05"},
                                         {4294967295u, "28:15"}})
        EXPECT_EQ(FormatMinSec(seconds), QLatin1String(shown)) << seconds;
    EXPECT_EQ(FormatTimestamp(5999), u"[00:05]"_qs);
    EXPECT_EQ(FormatTimestamp(3599000), u"[59:59]"_qs);
    EXPECT_EQ(FormatTimestamp(3723000), u"[1:02:03]"_qs);

    const QString line = u"第一句 [1:02:03] then [00:05]x [75:00] [1:75:00] [00:61] [0:05"_qs;
    EXPECT_EQ(TimestampAt(line, 4), 3723000u);  // the opening bracket
    EXPECT_EQ(TimestampAt(line, 12), 3723000u); // the closing one
    EXPECT_EQ(TimestampAt(line, 13), std::nullopt);
    EXPECT_EQ(TimestampAt(line, line.indexOf(u"05]x"_qs) + 1), 5000u);
    EXPECT_EQ(TimestampAt(line, line.indexOf(u"75:00]"_qs)), 4500000u); // minutes past an hour
    EXPECT_EQ(TimestampAt(line, line.indexOf(u"1:75"_qs)), std::nullopt);
    EXPECT_EQ(TimestampAt(line, line.indexOf(u"00:61"_qs)), std::nullopt);
    EXPECT_EQ(TimestampAt(line, line.size() - 2), std::nullopt); // never closed
    EXPECT_EQ(TimestampAt(FormatTimestamp(3723000), 1), 3723000u);
}

TEST(ModulePath, TheProgramsFolderAndTheProfileBesideIt)
{
    EXPECT_EQ(DirectoryOfProgram(u"/opt/tools/q"_qs), u"/opt/tools/"_qs);
    EXPECT_EQ(DirectoryOfProgram(u"/q"_qs), u"/"_qs);
    QString directory;
    ASSERT_TRUE(GetModuleDirectory(directory));
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(directory, QString::fromStdString(self.parent_path().string()) + u'/');

    // Every ".exe" is replaced, folder names included; a program without one
    // gets ".ini" appended: the profile never is the program.
    EXPECT_EQ(ProfilePathForProgram(u"/a.exe.d/q.exe"_qs), u"/a.ini.d/q.ini"_qs);
    EXPECT_EQ(ProfilePathForProgram(u"/opt/q/quillmere"_qs), u"/opt/q/quillmere.ini"_qs);
    EXPECT_EQ(ProfilePathForProgram(u"/opt/Q.EXE"_qs), u"/opt/Q.EXE.ini"_qs);
}
