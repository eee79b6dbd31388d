// The reader against what real writers produce and against damaged input. Document -> RTF ->
// document leaves every supported property as it was, in RTF that other readers take as meant;
// load -> save -> load of real files changes nothing.
#include "RtfTestSupport.h"
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QBuffer>
#include <QDir>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

struct SText {
    QByteArray rtf;
    QString text; // as stored: no-break spaces and soft line breaks kept, paragraphs as "\n"
    bool damaged = false;
};

// Reads each, intact or damaged: a damaged file loads up to the damage and says why.
void ExpectTexts(std::initializer_list<SText> cases)
{
    for (const SText &test : cases) {
        SCOPED_TRACE(test.rtf.left(60).toStdString());
        QTextDocument document;
        CRtfReader reader;
        EXPECT_TRUE(reader.Read(test.rtf, document));
        EXPECT_EQ(reader.IsDamaged(), test.damaged);
        EXPECT_EQ(reader.ErrorString().isEmpty(), !test.damaged);
        EXPECT_EQ(CRtfReader::IsWhole(test.rtf), !test.damaged); // the quick look agrees with the reader
        EXPECT_EQ(document.toRawText().replace(QChar::ParagraphSeparator, u'\n'), test.text);
    }
}

// Every character and paragraph property, text in many scripts, pictures, and
// empty paragraphs in the middle and at the end.
void FillWithEveryProperty(QTextDocument &document)
{
    for (const char *name : {"first.png", "second.png"})
        document.addResource(QTextDocument::ImageResource, QUrl(QLatin1String(name)), MakeTestImage(12, 7));
    document.setHtml(QStringLiteral(
        "<body style='font-family:Arial; font-size:12pt; white-space:pre'><p>plain <span style='font-family:Times "
        "New Roman; font-size:10.5pt'><b>bold <i>bold italic</i></b></span><span style='font-family:Courier New; "
        "font-size:20pt'><u>underline <s style='color:#123456'>strike coloured</s></u></span><span "
        "style='font-family:宋体; font-size:9pt; background-color:yellow'>背景黄色<span style='color:red'>红字</span>"
        "</span><span style='font-family:\"Face; with {braces} \\\\ and ü\"'>odd face</span></p><p align=center "
        "style='margin-left:10px; margin-right:5px; text-indent:6px; margin-top:2px; margin-bottom:3px'>"
        "听写练习：我们明天见。Ünïcödé façade — “quotes” ‘single’ • </p><p style='text-align:right; "
        "margin-left:20px; text-indent:-20px'>😀👍🏽 𠀀 tab\there&#x2028;soft break \\{braces}&nbsp;nbsp "
        "ĄŁŻ "
        "Привет</p><p align=justify style='font-family:Noto Sans CJK SC; font-size:14pt'>日本語かな 한국어 ελληνικά "
        "עברית <img src='first.png' width=24 height=14> between <img src='second.png' width=100 height=33></p><p></p>"
        "</body>"));
    // Empty paragraphs, which HTML drops, in the middle and at the end.
    QTextCursor cursor(document.findBlockByNumber(2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(QStringLiteral("\n\n"));
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
}

} // namespace

TEST(RtfReader, SymbolsDestinationsBinaryDataUnicodeAndCodePages)
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
        // Hostile values stay bounded, stray braces end the file.
        {"{\\rtf1{\\fs99999999999999 \\uc999999 \\u99999999999 abc}{\\li-9999999999 b}}", u"b"_qs},
        {"{\\rtf1 after}}}}trailing", u"after"_qs},
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

// Files of real writers, and a hand-written one: text, faces in their code
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
        {"libreoffice-formats.rtf",
         QStringLiteral("Plain bold italic under strike red yellow café naïve\n我们明天见 中文 测试\n"
                        "Right aligned 😀 emoji\nJustified indented paragraph text."),
         {{u"bold"_qs, "face=Arial size=12 bold"}, {u"我"_qs, "face=SimSun size=14"}},
         {{u"我"_qs, "align=4 after=9.33333"}, {u"Justified"_qs, "align=8 left=96 first=48 after=9.33333"}}},
        // Character properties, and double-byte text with its own font as LibreOffice and Word write it.
        {"{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}{\\f2 SimSun;}}"
         "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
         "\\f1\\fs36\\b\\i\\ul\\strike\\cf1\\highlight2 all\\plain reset \\ul u\\ulnone y\\uldb dbl\\cb2 bg\\par"
         "\\plain\\f0\\fs24\\dbch\\af2{\\hich\\af0\\loch\\f0\\dbch\\afs32\\ab\\ai\\dbch \\u31895?}"
         "{\\loch\\f0 latin}\\par}",
         u"allreset uydblbg\n粗latin"_qs,
         {{u"all"_qs, "face=Courier New size=18 bold italic underline strike fg=#ff0000 bg=#0000ff"},
          {u"reset"_qs, "face=Arial size=12"},
          {u"y"_qs, "face=Arial size=12"},
          {u"dbl"_qs, "face=Arial size=12 underline"},
          {u"bg"_qs, "face=Arial size=12 underline bg=#0000ff"},
          {u"粗"_qs, "face=SimSun size=16 bold italic"},
          {u"latin"_qs, "face=Arial size=12"}},
         {}},
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

// A picture claiming a huge size is capped instead of allocating it. (Pictures that cannot be
// shown are the document tests' opening of such a file; the goal sizes, the round trip's.)
TEST(RtfReader, AHugePictureIsCapped)
{
    QByteArray png;
    QBuffer buffer(&png);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && MakeTestImage(8, 4).save(&buffer, "PNG"));
    const QByteArray huge =
        "{\\rtf1{\\pict\\pngblip\\picwgoal2000000000\\pichgoal2000000000\\picscalex100000 " + png.toHex() + "}\\par}";
    const QRegularExpressionMatch shown =
        QRegularExpression(u"shown ([^x]+)x"_qs).match(DescribeDocument(*ReadRtf(huge)));
    ASSERT_TRUE(shown.hasMatch());
    EXPECT_LE(shown.captured(1).toDouble(), 20000);
}

// Up to the deepest nesting the reader takes.
TEST(RtfReader, DamagedInputLoadsUpToTheDamage)
{
    ExpectTexts({{"{\\rtf1 first\\par second {\\b bold", u"first\nsecond bold"_qs, true},
                 {"{\\rtf1 text\\bin999999 short", u"text"_qs, true},
                 {"{\\rtf1 end\\'4", u"end"_qs, true},
                 {"{\\rtf1 deep" + QByteArray(100000, '{') + "x", u"deep"_qs, true},
                 {"{\\rtf1 \\u20013", u"中"_qs, true},
                 {"{\\rtf1 a" + QByteArray(1000, '{') + "b" + QByteArray(1001, '}'), u"a"_qs, true},
                 {"{\\rtf1 a" + QByteArray(999, '{') + "b" + QByteArray(1000, '}'), u"ab"_qs}});
}

TEST(RtfRoundTrip, EveryPropertyAndTheEmptyDocument)
{
    QTextDocument original, empty;
    FillWithEveryProperty(original);
    const QByteArray rtf = CRtfWriter().Write(original);
    EXPECT_EQ(DescribeDocument(*ReadRtf(rtf)).toStdString(), DescribeDocument(original).toStdString()) << rtf.data();
    EXPECT_EQ(DescribeDocument(*ReadRtf(CRtfWriter().Write(empty))), DescribeDocument(empty));
    // For other readers (LibreOffice's reading is its own test): header, charset per font, twips,
    // escapes, \uN with a code-page fallback (a GBK pair under a Chinese font).
    const char *const written[] = {"{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1",
                                   "\\pard\\qc\\li150\\ri75\\fi90\\sb30\\sa45",
                                   "\\fcharset134 \\'cb\\'ce\\'cc\\'e5;",
                                   "\\uc2\\u-32564\\'b1\\'b3",
                                   "\\u160\\'a0nbsp",
                                   "tab\\tab here\\line soft",
                                   "\\\\\\{braces\\}",
                                   "\\u-10179 ?\\u-8704 ?"};
    for (const char *bytes : written)
        EXPECT_TRUE(rtf.contains(bytes)) << bytes;
}

// Every fixture: load -> save -> load gives the same document and saving it
// again gives the same bytes.
TEST(RtfRoundTrip, FixturesAreStableAfterOneSave)
{
    const QDir folder(QStringLiteral(QUILLMERE_TEST_DATA "/rtf"));
    const QStringList names = folder.entryList({QStringLiteral("*.rtf")}, QDir::Files);
    ASSERT_GE(names.size(), 3);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        const auto first = ReadRtf(name.toLatin1());
        const QByteArray saved = CRtfWriter().Write(*first);
        const auto second = ReadRtf(saved);
        EXPECT_EQ(DescribeDocument(*second).toStdString(), DescribeDocument(*first).toStdString());
        EXPECT_EQ(CRtfWriter().Write(*second), saved);
    }
}
