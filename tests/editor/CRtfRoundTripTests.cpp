// Document -> RTF -> document leaves every supported property as it was, and
// load -> save -> load of real files changes nothing.
#include "RtfTestSupport.h"
#include "editor/CRtfWriter.h"

#include <QDir>
#include <QTextCursor>
#include <QTextImageFormat>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

QTextCharFormat Face(const QString &face, double points)
{
    QTextCharFormat format;
    format.setFontFamilies({face});
    format.setFontPointSize(points);
    format.setFontWeight(QFont::Normal);
    format.setFontItalic(false);
    format.setFontUnderline(false);
    format.setFontStrikeOut(false);
    return format;
}

void AddImage(QTextCursor &cursor, const QString &name, double width, double height)
{
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), MakeTestImage(12, 7));
    QTextImageFormat image;
    image.setName(name);
    image.setWidth(width);
    image.setHeight(height);
    cursor.insertImage(image);
}

// Every character and paragraph property, text in many scripts, pictures, and
// empty paragraphs in the middle and at the end.
void FillWithEveryProperty(QTextDocument &document)
{
    QTextCursor cursor(&document);
    const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight, Qt::AlignJustify};
    for (int i = 0; i < 4; ++i) {
        QTextBlockFormat block;
        block.setAlignment(alignments[i]);
        block.setLeftMargin(10 * i);
        block.setRightMargin(5 * i);
        block.setTextIndent(i == 2 ? -20 : 6 * i);
        block.setTopMargin(2 * i);
        block.setBottomMargin(3 * i);
        i == 0 ? cursor.setBlockFormat(block) : cursor.insertBlock(block);
        cursor.insertText(QStringLiteral("paragraph %1 ").arg(i), Face(QStringLiteral("Arial"), 12));
    }
    QTextCharFormat format = Face(QStringLiteral("Times New Roman"), 10.5);
    format.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("bold "), format);
    format.setFontItalic(true);
    cursor.insertText(QStringLiteral("bold italic "), format);
    format = Face(QStringLiteral("Courier New"), 20);
    format.setFontUnderline(true);
    cursor.insertText(QStringLiteral("underline "), format);
    format.setFontStrikeOut(true);
    format.setForeground(QColor(0x12, 0x34, 0x56));
    cursor.insertText(QStringLiteral("strike coloured "), format);
    format = Face(QStringLiteral("宋体"), 9);
    format.setBackground(QColor(Qt::yellow));
    cursor.insertText(QStringLiteral("背景黄色"), format);
    format.setForeground(QColor(Qt::red));
    cursor.insertText(QStringLiteral("红字"), format);
    cursor.insertText(QStringLiteral("odd face "), Face(QStringLiteral("Face; with {braces} \\ and ü"), 12));
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("听写练习：我们明天见。Ünïcödé façade — “quotes” ‘single’ • "),
                      Face(QStringLiteral("SimSun"), 12));
    cursor.insertText(
        QStringLiteral("😀👍🏽 𠀀 tab\there\u2028soft break \\{braces}\u00a0nbsp ĄŁŻ Привет"),
        Face(QStringLiteral("Arial"), 12));
    cursor.insertText(QStringLiteral("日本語かな 한국어 ελληνικά עברית"), Face(QStringLiteral("Noto Sans CJK SC"), 14));
    cursor.insertBlock();
    cursor.insertBlock();
    AddImage(cursor, QStringLiteral("first.png"), 24, 14);
    cursor.insertText(QStringLiteral(" between "), Face(QStringLiteral("Arial"), 12));
    AddImage(cursor, QStringLiteral("second.png"), 100, 33);
    cursor.insertBlock();
    AddImage(cursor, QStringLiteral("third.png"), 12, 7);
    cursor.insertBlock();
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
        const auto first = ReadRtf(ReadFixture(name));
        const QByteArray saved = CRtfWriter().Write(*first);
        const auto second = ReadRtf(saved);
        EXPECT_EQ(DescribeDocument(*second).toStdString(), DescribeDocument(*first).toStdString());
        EXPECT_EQ(CRtfWriter().Write(*second), saved);
    }
}
