#include "lists/CReferenceText.h"
#include "lists/CSubtitleFile.h"
#include "lists/ReferenceStretchPrinter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <QStringEncoder>
#include <QTemporaryDir>

namespace
{

using Stretches = std::vector<CReferenceStretch>;

Stretches FromUtf8(const char *text)
{
    return CSubtitleFile::FromText(QString::fromUtf8(text));
}

} // namespace

// SRT with and without numbers and VTT with its header, notes and settings give their cues
// without markup, sorted by start, empty ones dropped and backward ends clamped; garbage none.
TEST(SubtitleFile, CuesOfSrtAndVttWithoutMarkupSortedAndClamped)
{
    const std::pair<const char *, Stretches> cases[] = {
        {"1\r\n00:00:01,000 --> 00:00:02,500\r\n<i>Hello</i> there,\r\n<font color=\"#ff0000\">my friend.</font>\r\n"
         "\r\n00:01:02,345 --> 00:01:04,000\r\n{\\an8}<b>Upstairs</b> <u>now</u>!\r\n\r\n"
         "3\r\n01:00:00,05 --> 01:00:01,5\r\nTen&amp;five\r\n", // fractions of one and two digits
         {{1000, 2500, u"Hello there, my friend."_qs},
          {62345, 64000, u"Upstairs now!"_qs},
          {3600050, 3601500, u"Ten&five"_qs}}},
        {"00:00:01,000 --> 00:00:02,500\rOne\r\r00:00:03,000 --> 00:00:04,000\nTwo\n", // CR and LF line ends
         {{1000, 2500, u"One"_qs}, {3000, 4000, u"Two"_qs}}},
        {"WEBVTT - lesson one\nKind: captions\n\nNOTE written by hand\nover two lines\n\n"
         "STYLE\n::cue(.loud) { color: red }\n\nREGION\nid:bottom width:40%\n\n"
         "intro\n00:01.000 --> 00:02.500 align:start position:10%\n<v Anna>Good <00:00:01.500><c.loud>morning</c></v>"
         "\n\n00:00:03.000 --> 00:00:04.000 line:0\n&lt;not a tag&gt;\n",
         {{1000, 2500, u"Good morning"_qs}, {3000, 4000, u"<not a tag>"_qs}}},
        {"00:00:05.000 --> 00:00:07.000\nlate\n\n00:00:01.000 --> 00:00:06.000\nearly, overlapping\n\n"
         "00:00:05.000 --> 00:00:04.000\nends before it starts\n\n00:00:02.000 --> 00:00:03.000\n<i></i>\n\n"
         "00:00:02.500 --> 00:00:03.000\n\n",
         {{1000, 6000, u"early, overlapping"_qs}, {5000, 7000, u"late"_qs}, {5000, 5000, u"ends before it starts"_qs}}},
    };
    for (const auto &[text, cues] : cases)
        EXPECT_EQ(FromUtf8(text), cues) << text;
    // Garbage and broken times give none.
    for (const char *text :
         {"", "\n\n\n", "-->", "00:01.000 -->\ntext", "00:01 --> 00:02\ntext", "1:2:3:4.000 --> 00:02.000\ntext",
          "00:01.0000 --> 00:02.000\ntext", "9999999999:00:00.000 --> 00:02.000\ntext", "<<<>>>{\\{\\}}"}) {
        EXPECT_TRUE(FromUtf8(text).empty()) << text;
    }
}

TEST(SubtitleFile, ByteOrderMarksAndGbkAreDecoded)
{
    const QString text = u"1\r\n00:00:01,000 --> 00:00:02,000\r\n你好\r\n"_qs;
    const QByteArray gbk = "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xC4\xE3\xBA\xC3\r\n"; // "你好" in GBK
    for (const QByteArray &bytes : {QByteArray("\xEF\xBB\xBF") + text.toUtf8(), text.toUtf8(), gbk,
                                    QByteArray("\xFF\xFE") + QStringEncoder(QStringConverter::Utf16LE).encode(text),
                                    QByteArray("\xFE\xFF") + QStringEncoder(QStringConverter::Utf16BE).encode(text)}) {
        EXPECT_EQ(CSubtitleFile::FromBytes(bytes), (Stretches{{1000, 2000, u"你好"_qs}}))
            << bytes.toHex().left(8).data();
    }
}

// The reference text of a recording: the .lrc's lines when it has text, else
// the subtitles beside the recording (.srt before .vtt), else a plain text file.
TEST(ReferenceText, TheLrcsTextThenSubtitlesThenAPlainTextFile)
{
    QTemporaryDir dir;
    const QString media = dir.filePath(u"第一课.mp3"_qs);
    const QString lrc = dir.filePath(u"第一课.lrc"_qs);
    WriteAllBytes(lrc, "[00:01.00]\n[00:02.00]\n");
    EXPECT_TRUE(CReferenceText::ForRecording(lrc, media, 9000).empty()) << "times only and no text file";
    WriteAllBytes(CReferenceText::PlainTextPathFor(media), "\xef\xbb\xbfHello there.\r\nGoodbye.");
    EXPECT_EQ(CReferenceText::ForRecording(lrc, media, 9000), (Stretches{{0, 9000, u"Hello there.\r\nGoodbye."_qs}}));

    WriteAllBytes(dir.filePath(u"第一课.vtt"_qs), "WEBVTT\n\n00:01.000 --> 00:02.000\nFrom vtt\n");
    EXPECT_EQ(CSubtitleFile::PathFor(media), dir.filePath(u"第一课.vtt"_qs));
    WriteAllBytes(dir.filePath(u"第一课.srt"_qs), "00:00:03,000 --> 00:00:04,000\nFrom srt\n");
    EXPECT_EQ(CReferenceText::ForRecording(lrc, media, 9000), (Stretches{{3000, 4000, u"From srt"_qs}}));

    WriteAllBytes(lrc, "[00:01.00]From lrc\n");
    EXPECT_EQ(CReferenceText::ForRecording(lrc, media, 9000), (Stretches{{1000, 9000, u"From lrc"_qs}}));
}
