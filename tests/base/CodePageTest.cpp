#include "base/CodePage.h"

#include <gtest/gtest.h>

// GBK and code page 1252 both ways are read and written by the RTF tests.
TEST(CodePage, CharactersOutsideTheCodePageBecomeOneHashEach)
{
    // An emoji is a surrogate pair: one "#", not two.
    EXPECT_EQ(EncodeCodePage(QStringLiteral("a😀b"), 936), QByteArray("a#b"));
    EXPECT_EQ(EncodeCodePage(QStringLiteral("日本"), 1252), QByteArray("##"));
    // Base letter plus combining accent is composed where the code page has it.
    EXPECT_EQ(EncodeCodePage(QStringLiteral("e\u0301"), 1252), QByteArray("\xE9"));
    // UTF-8 keeps everything and composes nothing.
    EXPECT_EQ(EncodeCodePage(QStringLiteral("e\u0301😀"), CP_UTF8_NUMBER), QStringLiteral("e\u0301😀").toUtf8());
}

TEST(CodePage, BadBytesNeverVanish)
{
    const QString text = DecodeCodePage("a\xFF"
                                        "b",
                                        CP_UTF8_NUMBER);
    EXPECT_EQ(text, QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(DecodeCodePage("\x81", 936), QStringLiteral("\uFFFD")); // truncated double-byte character
    EXPECT_EQ(DecodeCodePage("x\xE9", 99999), QStringLiteral("xé"));  // unknown code page
}

TEST(CodePage, LearnerTextIsUtf8WhenValidElseGb18030)
{
    EXPECT_EQ(DecodeLearnerText("\xEF\xBB\xBF[00:01.00]\xE4\xB8\xAD"), QStringLiteral("[00:01.00]中"));
    EXPECT_EQ(DecodeLearnerText("[00:01.00]\xD6\xD0\xCE\xC4"), QStringLiteral("[00:01.00]中文"));
    EXPECT_EQ(DecodeLearnerText(""), QString());
}
