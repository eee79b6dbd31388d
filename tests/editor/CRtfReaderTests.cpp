// The reader against what real writers produce and against damaged input.
#include "RtfTestSupport.h"
#include "editor/CRtfReader.h"

#include <QBuffer>
#include <QRegularExpression>
#include <QTextCursor>
#include <gtest/gtest.h>

namespace
{

struct SText {
    QByteArray rtf;
    QString text; // as stored: no-break spaces and soft line breaks kept, paragraphs as "\n"
};

// Reads each, intact or damaged: a damaged file loads up to the damage and says why.
void ExpectTexts(std::initializer_list<SText> cases, bool damaged = false)
{
    for (const SText &test : cases) {
        SCOPED_TRACE(test.rtf.left(60).toStdString());
        QTextDocument document;
        CRtfReader reader;
        EXPECT_TRUE(reader.Read(test.rtf, document));
        EXPECT_EQ(reader.IsDamaged(), damaged);
        EXPECT_EQ(reader.ErrorString().isEmpty(), !damaged);
        EXPECT_EQ(CRtfReader::IsWhole(test.rtf), !damaged); // the quick look agrees with the reader
        EXPECT_EQ(document.toRawText().replace(QChar::ParagraphSeparator, u'\n'), test.text);
    }
}

QByteArray ImageBytes(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

TEST(RtfReader, SymbolsDestinationsAndBinaryData)
{
    ExpectTexts({
        {"{\\rtf1 a\\\\b\\{c\\}d\\~e\\-f\\_g\\zzunknown42 h}", u"a\\b{c}d\u00a0e\u00adf\u2011gh"_qs},
        {"{\\rtf1 hel\r\nlo\\\r\nnext}", u"hello\nnext"_qs}, // bare line ends ignored; \ + line end = \par
        {"{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}",
         u"\u2014\u2013\u2018\u2019\u201c\u201d\u2022"_qs},
        {"{\\rtf1 a\\tab b\\line c}", u"a\tb\u2028c"_qs},
        // A final paragraph mark adds no paragraph.
        {"{\\rtf1 a\\par b\\par}", u"a\nb"_qs},
        {"{\\rtf1 a\\par b}", u"a\nb"_qs},
        {"{\\rtf1 a\\par\\par}", u"a\n"_qs},
        {"{\\rtf1 }", QString()},
        {"{\\rtf1\\b  x\\b0 y}", u" xy"_qs}, // one space delimits a word, a second is text
        {"{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title secret}}{\\*\\themedata 0102{\\nested {\\deeper x}}}"
         "{\\*\\latentstyles\\lsdstimax376 y}{\\*\\rsidtbl \\rsid123}{\\*\\unknowndest {\\b hidden}\\par}"
         "{\\*\\generator Writer;}shown\\par}",
         u"shown"_qs},
        {"{\\rtf1{\\*\\blob\\bin6 }{x}{}}after\\par}", u"after"_qs}, // braces inside \bin are data
        {"{\\rtf1 a\\bin3 {{{b}", u"ab"_qs},
        {"{\\rtf1{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result shown}}"
         "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}\\par}",
         u"shownlink"_qs},
        // Hostile values stay bounded, stray braces end the file, broken picture data is dropped.
        {"{\\rtf1{\\fs99999999999999 \\uc999999 \\u99999999999 abc}{\\li-9999999999 b}}", u"b"_qs},
        {"{\\rtf1 after}}}}trailing", u"after"_qs},
        {"{\\rtf1 a{\\pict\\pngblip 0badbeef}b\\par}", u"ab"_qs},
    });
}

TEST(RtfReader, UnicodeAndCodePages)
{
    ExpectTexts({
        {"{\\rtf1 \\u-1793?}", QString(QChar(0xf8ff))},
        {"{\\rtf1 x\\u-10179?y}", u"x\ufffdy"_qs}, // a lone high surrogate
        // \uc2 with a GBK pair as the fallback; \'hh, a control word and \bin count one unit each.
        {"{\\rtf1\\uc2\\u20013\\'d6\\'d0\\u25991\\emdash\\bin2 xyz}", u"中文z"_qs},
        // \uc is group state, and a brace ends the skip.
        {"{\\rtf1{\\uc0\\u20013}\\u25991?{\\uc3\\u27979}ab}", u"中文测ab"_qs},
        {"{\\rtf1\\uc0 \\u55357\\uc1 \\u56832\\'3f!}", u"\U0001F600!"_qs},
        {"{\\rtf1{\\upr{\\'d6\\'d0 ansi}{\\*\\ud{\\u20013? unicode}}}\\par}", u"中 unicode"_qs},
        // A font's \fcharset wins over \ansicpg, which holds only for fonts without one.
        {"{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}{\\f1\\fswiss\\fcharset0 Arial;}"
         "{\\f2\\fnil Plain;}{\\f3\\fcharset204 Cyr;}{\\f4\\fcharset238 CE;}{\\f5\\fcharset128 JP;}}"
         "\\f0\\'d6\\'d0 \\f1\\'e9 \\f2\\'ce\\'c4 \\f3\\'cf\\'f0 \\f4\\'a3 \\f5\\'82\\'b1\\par}",
         u"中 é 文 Пр Ł こ"_qs},
    });
}

// Files of real writers, and hand-written ones: text, faces in their code
// page, sizes, effects, colours and paragraphs.
TEST(RtfReader, TextFormatsAndParagraphs)
{
    using Checks = std::vector<std::pair<QString, std::string>>;
    struct SCase {
        QByteArray rtf; // or the name of a fixture
        QString text;
        Checks formats;
        Checks paragraphs;
    };
    const SCase cases[] = {
        {"wordpad-chinese.rtf", // \ansicpg936 GBK pairs and a raw ASCII trail byte (\'a8D)
         u"中文测试 Test\n第二段 ―A"_qs,
         {{u"中"_qs, "face=宋体 size=11"}, {u"第"_qs, "face=宋体 size=14"}},
         {}},
        {"word-style.rtf",
         u"听写 Title\nThe café was closed \u2014sadly. link"_qs,
         {{u"听"_qs, "face=宋体 size=16 bold"},
          {u"closed"_qs, "face=Calibri size=10.5 italic fg=#ff0000"},
          {u"link"_qs, "face=Calibri size=10.5 underline fg=#0000ff"}},
         {{u"听"_qs, "align=4 after=10.6667"}, {u"café"_qs, "align=8 first=28 after=10.6667"}}},
        {"macos-textedit.rtf",
         u"Hello 你好 red \U0001F600\ncentred"_qs,
         // No braces round each font in the font table.
         {{u"Hello"_qs, "face=Helvetica size=12"},
          {u"你"_qs, "face=PingFangSC-Regular size=12"},
          {u"red"_qs, "face=Helvetica size=12 fg=#fb0007"}},
         {{u"centred"_qs, "align=4"}}},
        {"libreoffice-formats.rtf",
         QStringLiteral("Plain bold italic under strike red yellow café naïve\n我们明天见 中文 测试\n"
                        "Right aligned 😀 emoji\nJustified indented paragraph text."),
         {{u"bold"_qs, "face=Arial size=12 bold"}, {u"我"_qs, "face=SimSun size=14"}},
         {{u"我"_qs, "align=4 after=9.33333"}, {u"Justified"_qs, "align=8 left=96 first=48 after=9.33333"}}},
        // A font name in its own code page, with an alternative name.
        {"{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f13\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5{\\*\\falt SimSun};}}"
         "\\f13 x\\par}",
         u"x"_qs,
         {{u"x"_qs, "face=宋体 size=12"}},
         {}},
        // Character properties, the colour table, and double-byte text with
        // its own font, size and effects as LibreOffice and Word write it.
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}{\\f2 SimSun;}}"
         "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
         "\\f1\\fs36\\b\\i\\ul\\strike\\cf1\\highlight2 all\\plain reset \\cf1 red\\cf0 auto "
         "\\ul u\\ul0 x\\ul u\\ulnone y\\uldb dbl\\b0 \\cb2 bg1\\cb0 \\chcbpat1 bg2\\plain\\par"
         "\\plain\\f0\\fs24\\dbch\\af2{\\hich\\af0\\loch\\f0\\dbch\\afs32\\ab\\ai\\dbch \\u31895?}"
         "{\\loch\\f0 latin}{\\loch\\af2\\hich\\af2\\dbch\\f2\\b \\u20013?}\\par}",
         u"allreset redauto uxuydblbg1bg2\n粗latin中"_qs,
         {{u"all"_qs, "face=Courier New size=18 bold italic underline strike fg=#ff0000 bg=#0000ff"},
          {u"reset"_qs, "face=Arial size=12"},
          {u"red"_qs, "face=Arial size=12 fg=#ff0000"},
          {u"auto"_qs, "face=Arial size=12"},
          {u"x"_qs, "face=Arial size=12"},
          {u"y"_qs, "face=Arial size=12"},
          {u"dbl"_qs, "face=Arial size=12 underline"},
          {u"bg1"_qs, "face=Arial size=12 underline bg=#0000ff"},
          {u"bg2"_qs, "face=Arial size=12 underline bg=#ff0000"},
          {u"粗"_qs, "face=SimSun size=16 bold italic"},
          {u"latin"_qs, "face=Arial size=12"},
          {u"中"_qs, "face=SimSun size=12 bold"}},
         {}},
        // Font and colour tables and the default font changed midway: each
        // paragraph takes them as they stand when it is read.
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;}"
         "\\cf1 one\\par{\\colortbl;\\red0\\green0\\blue255;}two\\par\\deff1 three\\par"
         "{\\fonttbl{\\f1 Times New Roman;}}four\\par{\\colortbl}five\\par}",
         u"one\ntwo\nthree\nfour\nfive"_qs,
         {{u"one"_qs, "face=Arial size=12 fg=#ff0000"},
          {u"two"_qs, "face=Arial size=12 fg=#0000ff"},
          {u"three"_qs, "face=Courier New size=12 fg=#0000ff"},
          {u"four"_qs, "face=Times New Roman size=12 fg=#0000ff"},
          {u"five"_qs, "face=Times New Roman size=12"}},
         {}},
        // Paragraph properties set anywhere inside the paragraph; indents carry on until \pard.
        {"{\\rtf1\\pard\\qc\\li300\\ri150\\fi-150\\sb60\\sa120 one\\par two\\qr\\par\\pard three\\qj\\par"
         "\\pard\\ql four}",
         u"one\ntwo\nthree\nfour"_qs,
         {},
         {{u"one"_qs, "align=4 left=20 right=10 first=-10 before=4 after=8"},
          {u"two"_qs, "align=2 left=20 right=10 first=-10 before=4 after=8"},
          {u"three"_qs, "align=8"},
          {u"four"_qs, "align=1"}}},
    };
    for (const SCase &test : cases) {
        SCOPED_TRACE(test.rtf.left(40).toStdString());
        const auto document = ReadRtf(test.rtf);
        EXPECT_EQ(document->toPlainText().toStdString(), test.text.toStdString());
        for (const auto &[text, format] : test.formats)
            EXPECT_EQ(FormatOf(*document, text), format) << text.toStdString();
        for (const auto &[text, paragraph] : test.paragraphs)
            EXPECT_EQ(ParagraphOf(*document, text), paragraph) << text.toStdString();
    }
}

TEST(RtfReader, PicturesAtTheirGoalSizeShppictPreferredHugeOnesCapped)
{
    const QImage image = MakeTestImage(8, 4);
    const QByteArray jpeg = ImageBytes(image, "JPEG");
    const QByteArray rtf = "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip\\picw8\\pich4\\picwgoal1500\\pichgoal750"
                           "\\picscalex50\\picscaley200 " +
                           ImageBytes(image, "PNG").toHex() +
                           "}}{\\nonshppict{\\pict\\wmetafile8 0102}}b{\\pict\\jpegblip\\bin" +
                           QByteArray::number(jpeg.size()) + " " + jpeg + "}c\\par}";
    QTextDocument document;
    CRtfReader reader;
    ASSERT_TRUE(reader.Read(rtf, document));
    EXPECT_EQ(reader.DroppedPictures(), 0); // the metafile for older readers is not the picture itself
    EXPECT_EQ(document.toPlainText(), u"a\ufffcb\ufffcc"_qs);
    const QString pictures = DescribeDocument(document);
    EXPECT_TRUE(pictures.contains(u"picture 8x4 shown 50x100 "_qs)) << pictures.toStdString();
    EXPECT_TRUE(pictures.contains(u"picture 8x4 shown 8x4 "_qs)) << "no goal: the picture's own size";

    // A metafile and broken picture data are dropped, and counted.
    ASSERT_TRUE(reader.Read("{\\rtf1 a{\\pict\\wmetafile8 0102}b{\\pict\\pngblip 89504e470d0a1a0a00}c}", document));
    EXPECT_EQ(document.toPlainText(), u"abc"_qs);
    EXPECT_EQ(reader.DroppedPictures(), 2);

    // A picture claiming a huge size is capped instead of allocating it.
    const QByteArray huge = "{\\rtf1{\\pict\\pngblip\\picwgoal2000000000\\pichgoal2000000000\\picscalex100000 " +
                            ImageBytes(image, "PNG").toHex() + "}\\par}";
    const QRegularExpressionMatch shown =
        QRegularExpression(u"shown ([^x]+)x"_qs).match(DescribeDocument(*ReadRtf(huge)));
    ASSERT_TRUE(shown.hasMatch());
    EXPECT_LE(shown.captured(1).toDouble(), 20000);
}

TEST(RtfReader, ReplacesTheDocumentOnlyWithRtfAndLeavesNothingToUndo)
{
    QTextDocument document;
    document.setPlainText(u"old"_qs);
    QTextCursor(&document).insertText(u"typed "_qs);
    CRtfReader reader;
    for (const char *notRtf : {"plain text, not rtf", "", "{\\rt"}) {
        EXPECT_FALSE(reader.Read(notRtf, document)) << notRtf;
        EXPECT_FALSE(CRtfReader::IsRtf(notRtf));
        EXPECT_FALSE(reader.ErrorString().isEmpty());
        EXPECT_EQ(document.toPlainText(), u"typed old"_qs);
    }
    ASSERT_TRUE(reader.Read("{\\rtf1 loaded\\par}", document));
    EXPECT_EQ(document.toPlainText(), u"loaded"_qs);
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(document.isUndoAvailable());
    EXPECT_TRUE(document.isUndoRedoEnabled());
}

TEST(RtfReader, DamagedInputLoadsUpToTheDamage)
{
    ExpectTexts({{"{\\rtf1 first\\par second {\\b bold", u"first\nsecond bold"_qs},
                 {"{\\rtf1 text\\bin999999 short", u"text"_qs},
                 {"{\\rtf1 end\\'4", u"end"_qs},
                 {"{\\rtf1 deep" + QByteArray(100000, '{') + "x", u"deep"_qs},
                 {"{\\rtf1 \\u20013", u"中"_qs},
                 {"{\\rtf1 a" + QByteArray(1000, '{') + "b" + QByteArray(1001, '}'), u"a"_qs}},
                true);
    // The deepest nesting the reader takes.
    ExpectTexts({{"{\\rtf1 a" + QByteArray(999, '{') + "b" + QByteArray(1000, '}'), u"ab"_qs}});
}
