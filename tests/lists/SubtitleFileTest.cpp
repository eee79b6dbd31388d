#include "lists/CReferenceText.h"
#include "lists/CSubtitleFile.h"
#include "lists/ReferenceStretchPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace
{

using Stretches = std::vector<CReferenceStretch>;

Stretches FromUtf8(const char *text)
{
    return CSubtitleFile::FromText(QString::fromUtf8(text));
}

QByteArray Utf16(const QString &text, bool bigEndian)
{
    QByteArray bytes = bigEndian ? QByteArrayLiteral("\xFE\xFF") : QByteArrayLiteral("\xFF\xFE");
    for (const QChar c : text) {
        const char high = static_cast<char>(c.unicode() >> 8);
        const char low = static_cast<char>(c.unicode() & 0xFF);
        bytes += bigEndian ? QByteArray{&high, 1} + QByteArray{&low, 1} : QByteArray{&low, 1} + QByteArray{&high, 1};
    }
    return bytes;
}

} // namespace

TEST(SubtitleFile, SrtCuesWithAndWithoutNumbersAndWithMarkup)
{
    const Stretches cues = FromUtf8("1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>Hello</i> there,\r\n"
                                    "<font color=\"#ff0000\">my friend.</font>\r\n\r\n"
                                    "00:01:02,345 --> 00:01:04,000\r\n{\\an8}<b>Upstairs</b> <u>now</u>!\r\n\r\n"
                                    "3\r\n01:00:00,05 --> 01:00:01,5\r\nTen&amp;five\r\n");
    const Stretches expected{
        {1000, 2500, QStringLiteral("Hello there, my friend.")},
        {62345, 64000, QStringLiteral("Upstairs now!")},
        {3600050, 3601500, QStringLiteral("Ten&five")}, // fractions of one and two digits
    };
    EXPECT_EQ(cues, expected);
    EXPECT_EQ(CSubtitleFile::FromText(QString::fromUtf8("00:00:01,000 --> 00:00:02,500\rOne\r\r"
                                                        "00:00:03,000 --> 00:00:04,000\nTwo\n")),
              (Stretches{{1000, 2500, QStringLiteral("One")}, {3000, 4000, QStringLiteral("Two")}}))
        << "CR and LF line ends";
}

TEST(SubtitleFile, VttHeaderNotesSettingsAndTagsArePassedOver)
{
    const Stretches cues = FromUtf8("WEBVTT - lesson one\nKind: captions\n\n"
                                    "NOTE written by hand\nover two lines\n\n"
                                    "STYLE\n::cue(.loud) { color: red }\n\n"
                                    "REGION\nid:bottom width:40%\n\n"
                                    "intro\n00:01.000 --> 00:02.500 align:start position:10%\n"
                                    "<v Anna>Good <00:00:01.500><c.loud>morning</c></v>\n\n"
                                    "00:00:03.000 --> 00:00:04.000 line:0\n&lt;not a tag&gt;\n");
    const Stretches expected{
        {1000, 2500, QStringLiteral("Good morning")},
        {3000, 4000, QStringLiteral("<not a tag>")},
    };
    EXPECT_EQ(cues, expected);
}

TEST(SubtitleFile, CuesAreSortedByStartEmptyOnesDroppedAndBackwardEndsClamped)
{
    const Stretches cues = FromUtf8("00:00:05.000 --> 00:00:07.000\nlate\n\n"
                                    "00:00:01.000 --> 00:00:06.000\nearly, overlapping\n\n"
                                    "00:00:05.000 --> 00:00:04.000\nends before it starts\n\n"
                                    "00:00:02.000 --> 00:00:03.000\n<i></i>\n\n"
                                    "00:00:02.500 --> 00:00:03.000\n\n");
    const Stretches expected{
        {1000, 6000, QStringLiteral("early, overlapping")},
        {5000, 7000, QStringLiteral("late")},
        {5000, 5000, QStringLiteral("ends before it starts")},
    };
    EXPECT_EQ(cues, expected);
}

TEST(SubtitleFile, ByteOrderMarksAndGbkAreDecoded)
{
    const QString text = QStringLiteral("1\r\n00:00:01,000 --> 00:00:02,000\r\n你好，世界\r\n");
    const Stretches expected{{1000, 2000, QStringLiteral("你好，世界")}};
    EXPECT_EQ(CSubtitleFile::FromBytes(QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8()), expected);
    EXPECT_EQ(CSubtitleFile::FromBytes(text.toUtf8()), expected);
    EXPECT_EQ(CSubtitleFile::FromBytes(Utf16(text, false)), expected);
    EXPECT_EQ(CSubtitleFile::FromBytes(Utf16(text, true)), expected);
    // "你好" in GBK.
    EXPECT_EQ(CSubtitleFile::FromBytes(QByteArrayLiteral("00:00:01,000 --> 00:00:02,000\n\xC4\xE3\xBA\xC3\n")),
              (Stretches{{1000, 2000, QStringLiteral("你好")}}));
}

TEST(SubtitleFile, GarbageAndBrokenTimesGiveNoCues)
{
    for (const char *text :
         {"", "\n\n\n", "-->", "00:01.000 -->\ntext", "00:01 --> 00:02\ntext", "1:2:3:4.000 --> 00:02.000\ntext",
          "00:01.0000 --> 00:02.000\ntext", "9999999999:00:00.000 --> 00:02.000\ntext", "<<<>>>{\\{\\}}"}) {
        EXPECT_TRUE(FromUtf8(text).empty()) << text;
    }
}

TEST(SubtitleFile, TenThousandCuesAreAllRead)
{
    QString text;
    for (int i = 0; i < 10000; ++i) {
        const int ms = i * 1000;
        text += QStringLiteral("%1\r\n%2 --> %3\r\nline %1\r\n\r\n")
                    .arg(i + 1)
                    .arg(QStringLiteral("%1:%2:%3,000")
                             .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
                             .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
                             .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0')))
                    .arg(QStringLiteral("99:00:00,000"));
    }
    const Stretches cues = CSubtitleFile::FromText(text);
    ASSERT_EQ(cues.size(), 10000u);
    EXPECT_EQ(cues[9999], (CReferenceStretch{9999000, 356400000, QStringLiteral("line 10000")}));
    EXPECT_EQ(cues[4321].m_dwStartMs, 4321000u);
}

TEST(SubtitleFile, TheSubtitlesBesideARecordingAreTheReferenceWhenTheLrcHasNoText)
{
    QTemporaryDir dir;
    const QString media = dir.filePath(QStringLiteral("第一课.mp3"));
    const QString lrc = dir.filePath(QStringLiteral("第一课.lrc"));
    WriteAllBytes(CReferenceText::PlainTextPathFor(media), "Plain text.");
    WriteAllBytes(lrc, "[00:01.00]\n");
    EXPECT_TRUE(CSubtitleFile::PathFor(media).isEmpty());

    WriteAllBytes(dir.filePath(QStringLiteral("第一课.vtt")), "WEBVTT\n\n00:01.000 --> 00:02.000\nFrom vtt\n");
    EXPECT_EQ(CSubtitleFile::PathFor(media), dir.filePath(QStringLiteral("第一课.vtt")));
    WriteAllBytes(dir.filePath(QStringLiteral("第一课.srt")), "00:00:03,000 --> 00:00:04,000\nFrom srt\n");
    EXPECT_EQ(CSubtitleFile::PathFor(media), dir.filePath(QStringLiteral("第一课.srt")));
    EXPECT_EQ(CReferenceText::ForRecording(lrc, media, 9000), (Stretches{{3000, 4000, QStringLiteral("From srt")}}));

    WriteAllBytes(lrc, "[00:01.00]From lrc\n");
    EXPECT_EQ(CReferenceText::ForRecording(lrc, media, 9000), (Stretches{{1000, 9000, QStringLiteral("From lrc")}}));
}
