// The reader against what real writers produce and against damaged input.
#include "RtfTestSupport.h"
#include "editor/CRtfReader.h"

#include <QBuffer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextImageFormat>
#include <gtest/gtest.h>

namespace
{

// The text as stored: no-break spaces and soft line breaks kept, paragraphs as "\n".
QString Plain(const QByteArray &rtf)
{
    return ReadRtf(rtf)->toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// The character format at a position (1-based: the character before it).
QTextCharFormat FormatAt(const QTextDocument &document, int position)
{
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.setPosition(position);
    return cursor.charFormat();
}

QTextCharFormat FormatOf(const QTextDocument &document, const QString &text)
{
    const int index = static_cast<int>(document.toPlainText().indexOf(text));
    EXPECT_GE(index, 0) << text.toStdString();
    return FormatAt(document, index + 1);
}

QByteArray PngBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QList<QTextImageFormat> Images(const QTextDocument &document)
{
    QList<QTextImageFormat> images;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().isImageFormat())
                images.append(it.fragment().charFormat().toImageFormat());
        }
    }
    return images;
}

} // namespace

TEST(RtfReaderGrammar, ControlSymbolsLineEndsAndUnknownWords)
{
    EXPECT_EQ(Plain("{\\rtf1 a\\\\b\\{c\\}d\\~e\\-f\\_g\\zzunknown42 h}"),
              QStringLiteral("a\\b{c}d\u00a0e\u00adf\u2011gh"));
    EXPECT_EQ(Plain("{\\rtf1 hel\r\nlo\\\r\nnext}"), QStringLiteral("hello\nnext"));
    EXPECT_EQ(Plain("{\\rtf1 \\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet}"),
              QStringLiteral("\u2014\u2013\u2018\u2019\u201c\u201d\u2022"));
    EXPECT_EQ(Plain("{\\rtf1 a\\tab b\\line c}"), QStringLiteral("a\tb\u2028c"));
    // The space after a word is its delimiter; a second space is text.
    EXPECT_EQ(Plain("{\\rtf1\\b  x\\b0 y}"), QStringLiteral(" xy"));
}

TEST(RtfReaderGrammar, SkipsDestinationsWhole)
{
    const QByteArray rtf = "{\\rtf1{\\stylesheet{\\s0 Normal;}}{\\info{\\title secret}}"
                           "{\\*\\themedata 0102{\\nested {\\deeper x}}}{\\*\\latentstyles\\lsdstimax376 y}"
                           "{\\*\\rsidtbl \\rsid123}{\\*\\unknowndest {\\b hidden}\\par}"
                           "{\\*\\generator Writer;}shown\\par}";
    EXPECT_EQ(Plain(rtf), QStringLiteral("shown"));
}

TEST(RtfReaderGrammar, BinSkipsExactlyItsBytesBracesIncluded)
{
    EXPECT_EQ(Plain("{\\rtf1{\\*\\blob\\bin6 }{x}{}}after\\par}"), QStringLiteral("after"));
    // \bin inside text is dropped, not read as groups.
    EXPECT_EQ(Plain("{\\rtf1 a\\bin3 {{{b}"), QStringLiteral("ab"));
}

TEST(RtfReaderUnicode, NegativeValuesSurrogatesAndFallbackSkipping)
{
    EXPECT_EQ(Plain("{\\rtf1 \\u-1793?}"), QString(QChar(0xf8ff)));
    EXPECT_EQ(Plain("{\\rtf1 \\u-10179?\\u-8704?}"), QStringLiteral("\U0001F600"));
    EXPECT_EQ(Plain("{\\rtf1 x\\u-10179?y}"), QStringLiteral("x\ufffdy")); // a lone high surrogate
    // \uc2: a GBK pair is the fallback; \'hh, a control word and \bin count as one unit each.
    EXPECT_EQ(Plain("{\\rtf1\\uc2\\u20013\\'d6\\'d0\\u25991\\emdash\\bin2 xyz}"), QStringLiteral("中文z"));
    // \uc is group state and a brace ends the skip.
    EXPECT_EQ(Plain("{\\rtf1{\\uc0\\u20013}\\u25991?{\\uc3\\u27979}ab}"), QStringLiteral("中文测ab"));
    EXPECT_EQ(Plain("{\\rtf1\\uc0 \\u55357\\uc1 \\u56832\\'3f!}"), QStringLiteral("\U0001F600!"));
}

TEST(RtfReaderUnicode, UprPrefersTheUnicodePart)
{
    EXPECT_EQ(Plain("{\\rtf1{\\upr{\\'d6\\'d0 ansi}{\\*\\ud{\\u20013? unicode}}}\\par}"), QStringLiteral("中 unicode"));
}

TEST(RtfReaderCodePages, WordPadChineseFixture)
{
    const auto document = ReadRtf(ReadFixture(QStringLiteral("wordpad-chinese.rtf")));
    EXPECT_EQ(document->toPlainText(), QStringLiteral("中文测试 Test\n第二段 ―A"));
    EXPECT_EQ(FormatOf(*document, QStringLiteral("中")).fontFamilies().toStringList(), QStringList{u"宋体"_qs});
    EXPECT_EQ(FormatOf(*document, QStringLiteral("第")).fontPointSize(), 14);
}

TEST(RtfReaderCodePages, CharsetWinsOverAnsiCodePage)
{
    const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}"
                           "{\\f1\\fswiss\\fcharset0 Arial;}{\\f2\\fnil Plain;}{\\f3\\fcharset204 Cyr;}"
                           "{\\f4\\fcharset238 CE;}{\\f5\\fcharset128 JP;}}"
                           "\\f0\\'d6\\'d0 \\f1\\'e9 \\f2\\'ce\\'c4 \\f3\\'cf\\'f0 \\f4\\'a3 \\f5\\'82\\'b1\\par}";
    EXPECT_EQ(Plain(rtf), QStringLiteral("中 é 文 Пр Ł こ"));
}

TEST(RtfReaderCodePages, FontNamesInTheirCodePageAndMacFontTable)
{
    const auto word = ReadRtf("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f13\\fnil\\fcharset134 \\'cb\\'ce\\'cc\\'e5"
                              "{\\*\\falt SimSun};}}\\f13 x\\par}");
    EXPECT_EQ(FormatOf(*word, QStringLiteral("x")).fontFamilies().toStringList(), QStringList{u"宋体"_qs});

    const auto mac = ReadRtf("{\\rtf1\\ansi\\ansicpg1252\\cocoartf2639{\\fonttbl\\f0\\fswiss\\fcharset0 Helvetica;"
                             "\\f1\\fnil\\fcharset134 PingFangSC-Regular;}\\f0\\fs24 Hi \\f1 \\'d6\\'d0\\par}");
    EXPECT_EQ(mac->toPlainText(), QStringLiteral("Hi 中"));
    EXPECT_EQ(FormatOf(*mac, QStringLiteral("H")).fontFamilies().toStringList(), QStringList{u"Helvetica"_qs});
    EXPECT_EQ(FormatOf(*mac, QStringLiteral("中")).fontFamilies().toStringList(),
              QStringList{u"PingFangSC-Regular"_qs});
}

TEST(RtfReaderCodePages, MacTextEditFixture)
{
    const auto document = ReadRtf(ReadFixture(QStringLiteral("macos-textedit.rtf")));
    EXPECT_EQ(document->toPlainText(), QStringLiteral("Hello 你好 red \U0001F600\ncentred"));
    EXPECT_EQ(FormatOf(*document, QStringLiteral("red")).foreground().color(), QColor(251, 0, 7));
    EXPECT_EQ(document->lastBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST(RtfReaderCodePages, WordFixture)
{
    const auto document = ReadRtf(ReadFixture(QStringLiteral("word-style.rtf")));
    EXPECT_EQ(document->toPlainText(), QStringLiteral("听写 Title\nThe café was closed \u2014sadly. link"));
    const QTextCharFormat title = FormatOf(*document, QStringLiteral("听"));
    EXPECT_EQ(title.fontFamilies().toStringList(), QStringList{u"宋体"_qs});
    EXPECT_EQ(title.fontPointSize(), 16);
    EXPECT_EQ(title.fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatOf(*document, QStringLiteral("closed")).foreground().color(), QColor(Qt::red));
    EXPECT_TRUE(FormatOf(*document, QStringLiteral("link")).fontUnderline());
    EXPECT_EQ(document->firstBlock().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(document->lastBlock().blockFormat().textIndent(), 28);
}

TEST(RtfReaderFormats, CharacterPropertiesAndColourTable)
{
    const auto document =
        ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier "
                "New;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
                "\\f1\\fs36\\b\\i\\ul\\strike\\cf1\\highlight2 all\\plain reset "
                "\\cf1 red\\cf0 auto \\ul u\\ul0 x\\ul u\\ulnone y\\uldb dbl\\b0 \\cb2 bg1\\cb0 \\chcbpat1 bg2\\par}");
    const QTextCharFormat all = FormatOf(*document, QStringLiteral("all"));
    EXPECT_EQ(all.fontFamilies().toStringList(), QStringList{u"Courier New"_qs});
    EXPECT_EQ(all.fontPointSize(), 18);
    EXPECT_EQ(all.fontWeight(), QFont::Bold);
    EXPECT_TRUE(all.fontItalic() && all.fontUnderline() && all.fontStrikeOut());
    EXPECT_EQ(all.foreground().color(), QColor(Qt::red));
    EXPECT_EQ(all.background().color(), QColor(Qt::blue));

    const QTextCharFormat reset = FormatOf(*document, QStringLiteral("reset"));
    EXPECT_EQ(reset.fontFamilies().toStringList(), QStringList{u"Arial"_qs});
    EXPECT_EQ(reset.fontPointSize(), 12);
    EXPECT_FALSE(reset.fontItalic() || reset.fontUnderline() || reset.fontStrikeOut());
    EXPECT_FALSE(reset.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(reset.hasProperty(QTextFormat::BackgroundBrush));

    EXPECT_EQ(FormatOf(*document, QStringLiteral("red")).foreground().color(), QColor(Qt::red));
    EXPECT_FALSE(FormatOf(*document, QStringLiteral("auto")).hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_FALSE(FormatOf(*document, QStringLiteral("x")).fontUnderline());
    EXPECT_FALSE(FormatOf(*document, QStringLiteral("y")).fontUnderline());
    EXPECT_TRUE(FormatOf(*document, QStringLiteral("dbl")).fontUnderline());
    EXPECT_EQ(FormatOf(*document, QStringLiteral("bg1")).background().color(), QColor(Qt::blue));
    EXPECT_EQ(FormatOf(*document, QStringLiteral("bg2")).background().color(), QColor(Qt::red));
}

// LibreOffice and Word give double-byte text its own font, size and effects.
TEST(RtfReaderFormats, DoubleByteRunsUseTheirAssociatedProperties)
{
    const auto document = ReadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 SimSun;}}\\plain\\f0\\fs24\\dbch\\af1"
                                  "{\\hich\\af0\\loch\\f0\\dbch\\afs32\\ab\\ai\\dbch \\u31895?}"
                                  "{\\loch\\f0 latin}{\\loch\\af1\\hich\\af1\\dbch\\f1\\b \\u20013?}\\par}");
    const QTextCharFormat cjk = FormatOf(*document, QStringLiteral("粗"));
    EXPECT_EQ(cjk.fontFamilies().toStringList(), QStringList{u"SimSun"_qs});
    EXPECT_EQ(cjk.fontPointSize(), 16);
    EXPECT_EQ(cjk.fontWeight(), QFont::Bold);
    EXPECT_TRUE(cjk.fontItalic());
    const QTextCharFormat latin = FormatOf(*document, QStringLiteral("latin"));
    EXPECT_EQ(latin.fontFamilies().toStringList(), QStringList{u"Arial"_qs});
    EXPECT_EQ(latin.fontPointSize(), 12);
    EXPECT_EQ(latin.fontWeight(), QFont::Normal);
    const QTextCharFormat word = FormatOf(*document, QStringLiteral("中"));
    EXPECT_EQ(word.fontFamilies().toStringList(), QStringList{u"SimSun"_qs});
    EXPECT_EQ(word.fontWeight(), QFont::Bold);
}

TEST(RtfReaderFormats, ParagraphPropertiesApplyToTheirWholeParagraph)
{
    const auto document = ReadRtf("{\\rtf1\\pard\\qc\\li300\\ri150\\fi-150\\sb60\\sa120 one\\par "
                                  "two\\qr\\par\\pard three\\qj\\par\\pard\\ql four}");
    ASSERT_EQ(document->blockCount(), 4);
    const QTextBlockFormat one = document->findBlockByNumber(0).blockFormat();
    EXPECT_EQ(one.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(one.leftMargin(), 20);
    EXPECT_EQ(one.rightMargin(), 10);
    EXPECT_EQ(one.textIndent(), -10);
    EXPECT_EQ(one.topMargin(), 4);
    EXPECT_EQ(one.bottomMargin(), 8);
    const QTextBlockFormat two = document->findBlockByNumber(1).blockFormat();
    EXPECT_EQ(two.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(two.leftMargin(), 20); // no \pard: the indents carry on
    const QTextBlockFormat three = document->findBlockByNumber(2).blockFormat();
    EXPECT_EQ(three.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_EQ(three.leftMargin(), 0);
    EXPECT_EQ(document->findBlockByNumber(3).text(), QStringLiteral("four"));
}

TEST(RtfReaderFormats, FinalParagraphMarkAddsNoParagraph)
{
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\par b\\par}")->blockCount(), 2);
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\par b}")->blockCount(), 2);
    EXPECT_EQ(ReadRtf("{\\rtf1 a\\par\\par}")->blockCount(), 2);
    EXPECT_EQ(ReadRtf("{\\rtf1 }")->blockCount(), 1);
}

TEST(RtfReaderPictures, PngAndJpegAtTheirGoalSizeShppictPreferred)
{
    const QImage image = MakeTestImage(8, 4);
    const QByteArray png = PngBytes(image);
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    const QByteArray rtf = "{\\rtf1 a{\\*\\shppict{\\pict\\pngblip\\picw8\\pich4\\picwgoal1500\\pichgoal750"
                           "\\picscalex50\\picscaley200 " +
                           png.toHex() +
                           "}}{\\nonshppict{\\pict\\wmetafile8 0102}}b"
                           "{\\pict\\jpegblip\\bin" +
                           QByteArray::number(jpeg.size()) + " " + jpeg + "}c\\par}";
    const auto document = ReadRtf(rtf);
    const QList<QTextImageFormat> images = Images(*document);
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(images[0].width(), 50);
    EXPECT_EQ(images[0].height(), 100);
    EXPECT_EQ(images[1].width(), 8); // no goal: the picture's own size
    const QImage shown = document->resource(QTextDocument::ImageResource, QUrl(images[0].name()))
                             .value<QImage>()
                             .convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(shown, image.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(document->toPlainText(), QStringLiteral("a\ufffcb\ufffcc"));
}

TEST(RtfReaderPictures, ObjectsAndFieldsShowTheirResult)
{
    EXPECT_EQ(Plain("{\\rtf1{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0102}{\\result shown}}"
                    "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}\\par}"),
              QStringLiteral("shownlink"));
}

TEST(RtfReaderFormats, ALoadIsNeitherAnEditNorUndoable)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("old"));
    QTextCursor(&document).insertText(QStringLiteral("typed "));
    CRtfReader reader;
    ASSERT_TRUE(reader.Read("{\\rtf1 loaded\\par}", document));
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(document.isUndoAvailable());
    EXPECT_TRUE(document.isUndoRedoEnabled());
    EXPECT_EQ(document.toPlainText(), QStringLiteral("loaded"));
}

TEST(RtfReaderDamage, RefusesWhatIsNotRtf)
{
    QTextDocument document;
    document.setPlainText(QStringLiteral("keep"));
    CRtfReader reader;
    EXPECT_FALSE(reader.Read("plain text, not rtf", document));
    EXPECT_FALSE(reader.ErrorString().isEmpty());
    EXPECT_EQ(document.toPlainText(), QStringLiteral("keep"));
    EXPECT_FALSE(reader.Read("", document));
    EXPECT_FALSE(reader.Read("{\\rt", document));
}

TEST(RtfReaderDamage, LoadsUpToTheDamage)
{
    const auto read = [](const QByteArray &rtf) {
        auto document = std::make_unique<QTextDocument>();
        CRtfReader reader;
        EXPECT_TRUE(reader.Read(rtf, *document));
        EXPECT_TRUE(reader.IsDamaged()) << rtf.left(60).toStdString();
        EXPECT_FALSE(reader.ErrorString().isEmpty());
        return document->toPlainText();
    };
    EXPECT_EQ(read("{\\rtf1 first\\par second {\\b bold"), QStringLiteral("first\nsecond bold"));
    EXPECT_EQ(read("{\\rtf1 text\\bin999999 short"), QStringLiteral("text"));
    EXPECT_EQ(read("{\\rtf1 end\\'4"), QStringLiteral("end"));
    EXPECT_EQ(read("{\\rtf1 deep" + QByteArray(100000, '{') + "x"), QStringLiteral("deep"));
    EXPECT_EQ(read("{\\rtf1 \\u20013"), QStringLiteral("中"));
}

TEST(RtfReaderDamage, HostileValuesStayBounded)
{
    EXPECT_EQ(Plain("{\\rtf1{\\fs99999999999999 \\uc999999 \\u99999999999 abc}{\\li-9999999999 b}}"),
              QStringLiteral("b"));
    EXPECT_EQ(Plain("{\\rtf1 after}}}}trailing"), QStringLiteral("after"));
    // A picture claiming a huge size is capped instead of allocating it.
    const QByteArray rtf = "{\\rtf1{\\pict\\pngblip\\picwgoal2000000000\\pichgoal2000000000\\picscalex100000 " +
                           PngBytes(MakeTestImage(2, 2)).toHex() + "}\\par}";
    const QList<QTextImageFormat> images = Images(*ReadRtf(rtf));
    ASSERT_EQ(images.size(), 1);
    EXPECT_LE(images[0].width(), 20000);
    // Broken picture data is dropped, the text around it kept.
    EXPECT_EQ(Plain("{\\rtf1 a{\\pict\\pngblip 0badbeef}b\\par}"), QStringLiteral("ab"));
}
