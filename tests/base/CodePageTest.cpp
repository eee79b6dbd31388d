#include "base/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, EncodesAndDecodesGbk)
{
    const QString chinese = QStringLiteral("中文");
    EXPECT_EQ(EncodeCodePage(chinese, 936), QByteArray("\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(DecodeCodePage("\xD6\xD0\xCE\xC4", 936), chinese);
    EXPECT_EQ(DecodeCodePage("caf\xE9", 1252), QStringLiteral("café"));
}

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

TEST(CodePage, BufferConversionsFollowTheirContract)
{
    char16_t wide[8];
    EXPECT_EQ(WideFromCodePage("\xD6\xD0", wide, 8, 936), 1);
    EXPECT_EQ(wide[0], u'中');
    EXPECT_EQ(wide[1], 0);
    EXPECT_EQ(WideFromCodePage(nullptr, wide, 8, 936), 0);
    EXPECT_EQ(WideFromCodePage("", wide, 8, 936), 0);
    EXPECT_EQ(WideFromCodePage("abcdefgh", wide, 8, 936), 0); // no room for the terminator

    char bytes[8] = "zzzzzzz";
    EXPECT_EQ(CodePageFromWide(u"中a", bytes, 8, 936), 3);
    EXPECT_EQ(QByteArray(bytes), QByteArray("\xD6\xD0"
                                            "a"));
    EXPECT_EQ(bytes[4], 0); // cleared
    EXPECT_EQ(CodePageFromWide(u"a", bytes, 0, 936), 0);
    EXPECT_EQ(CodePageFromWide(u"a", nullptr, 8, 936), 0);
    EXPECT_EQ(CodePageLength(u"中a", 936), 4);
    EXPECT_EQ(CodePageLength(u"", 936), 1);
}
