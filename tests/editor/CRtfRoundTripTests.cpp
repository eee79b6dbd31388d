// Document -> RTF -> document leaves every supported property as it was, in
// RTF that other readers take as meant; load -> save -> load of real files
// changes nothing.
#include "RtfTestSupport.h"
#include "editor/CRtfWriter.h"

#include <QDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

// Every character and paragraph property, text in many scripts, pictures, and
// empty paragraphs in the middle and at the end.
void FillWithEveryProperty(QTextDocument &document)
{
    for (const char *name : {"first.png", "second.png"})
        document.addResource(QTextDocument::ImageResource, QUrl(QLatin1String(name)), MakeTestImage(12, 7));
    document.setHtml(QStringLiteral(
        "<body style='font-family:Arial; font-size:12pt; white-space:pre'><p>plain "
        "<span style='font-family:Times New Roman; font-size:10.5pt'><b>bold <i>bold italic</i></b></span>"
        "<span style='font-family:Courier New; font-size:20pt'><u>underline <s style='color:#123456'>strike "
        "coloured</s></u></span>"
        "<span style='font-family:宋体; font-size:9pt; background-color:yellow'>背景黄色<span style='color:red'>红字"
        "</span></span><span style='font-family:\"Face; with {braces} \\\\ and ü\"'>odd face</span></p>"
        "<p align=center style='margin-left:10px; margin-right:5px; text-indent:6px; margin-top:2px; "
        "margin-bottom:3px'>听写练习：我们明天见。Ünïcödé façade — “quotes” ‘single’ • </p>"
        "<p style='text-align:right; margin-left:20px; text-indent:-20px'>😀👍🏽 𠀀 tab\there&#x2028;soft "
        "break "
        "\\{braces}&nbsp;nbsp ĄŁŻ Привет</p>"
        "<p align=justify style='font-family:Noto Sans CJK SC; font-size:14pt'>日本語かな 한국어 ελληνικά עברית "
        "<img src='first.png' width=24 height=14> between <img src='second.png' width=100 "
        "height=33></p><p></p></body>"));
    // Empty paragraphs, which HTML drops, in the middle and at the end.
    QTextCursor cursor(document.findBlockByNumber(2));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.insertText(QStringLiteral("\n\n"));
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
}

} // namespace

TEST(RtfRoundTrip, EveryPropertyAndTheEmptyDocument)
{
    for (const bool empty : {false, true}) {
        SCOPED_TRACE(empty ? "empty" : "every property");
        QTextDocument original;
        if (!empty)
            FillWithEveryProperty(original);
        const QByteArray rtf = CRtfWriter().Write(original);
        const auto copy = ReadRtf(rtf);
        EXPECT_EQ(DescribeDocument(*copy).toStdString(), DescribeDocument(original).toStdString()) << rtf.constData();
        EXPECT_EQ(copy->toPlainText(), original.toPlainText());
        EXPECT_EQ(copy->blockCount(), original.blockCount());
        // For other readers: header, charset per font, auto colour, twips, escapes,
        // \uN with a code-page fallback (a GBK pair under a Chinese font).
        const char *const written[] = {"{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1",
                                       "{\\f0\\fnil\\fcharset0 Arial;}",
                                       "{\\colortbl ;\\red18\\green52\\blue86;",
                                       "\\pard\\qc\\li150\\ri75\\fi90\\sb30\\sa45",
                                       "\\fcharset134 \\'cb\\'ce\\'cc\\'e5;",
                                       "\\uc2\\u-32564\\'b1\\'b3",
                                       "\\u160\\'a0nbsp",
                                       "tab\\tab here\\line soft",
                                       "\\\\\\{braces\\}",
                                       "\\u-10179 ?\\u-8704 ?"};
        for (const char *bytes : written)
            EXPECT_TRUE(empty || rtf.contains(bytes)) << bytes;
    }
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
