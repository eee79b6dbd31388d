// LibreOffice reads what our writer wrote: each document is converted to ODT
// by a headless office and its content.xml is checked.
#include "RtfTestSupport.h"
#include "editor/CRtfReader.h"
#include "editor/CRtfWriter.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace
{

// What content.xml says: the properties of each automatic style, and the
// style of every paragraph and span with its text.
struct SOdtContent {
    QMap<QString, QString> styles;                 // name -> "attr=value;" of its property elements
    QList<std::pair<QString, QString>> paragraphs; // style, text
    QList<std::pair<QString, QString>> spans;
};

SOdtContent ParseContent(const QByteArray &xml)
{
    SOdtContent content;
    QXmlStreamReader reader(xml);
    QString style;
    QList<std::pair<bool, qsizetype>> open; // paragraph or span, index in its list
    const auto attribute = [&reader](QStringView name) {
        for (const QXmlStreamAttribute &candidate : reader.attributes()) {
            if (candidate.qualifiedName() == name)
                return candidate.value().toString();
        }
        return QString();
    };
    while (!reader.atEnd()) {
        reader.readNext();
        const QString name = reader.qualifiedName().toString();
        const bool textElement = name == u"text:p" || name == u"text:span";
        if (reader.isStartElement() && name == u"style:style") {
            style = attribute(u"style:name");
        } else if (reader.isStartElement() && name.endsWith(u"-properties") && !style.isEmpty()) {
            for (const QXmlStreamAttribute &property : reader.attributes())
                content.styles[style] +=
                    property.qualifiedName().toString() + u'=' + property.value().toString() + u';';
        } else if (reader.isStartElement() && textElement) {
            auto &list = name == u"text:p" ? content.paragraphs : content.spans;
            list.append(std::pair<QString, QString>(attribute(u"text:style-name"), QString()));
            open.append({name == u"text:p", list.size() - 1});
        } else if (reader.isCharacters()) {
            for (const auto &[paragraph, index] : open)
                (paragraph ? content.paragraphs : content.spans)[index].second += reader.text().toString();
        } else if (reader.isEndElement() && textElement && !open.isEmpty()) {
            open.removeLast();
        }
    }
    return content;
}

QString StyleOfSpan(const SOdtContent &content, const QString &text)
{
    for (const auto &[style, spanText] : content.spans) {
        if (spanText == text)
            return content.styles.value(style);
    }
    ADD_FAILURE() << "no span " << text.toStdString();
    return {};
}

QString StyleOfParagraph(const SOdtContent &content, const QString &text)
{
    for (const auto &[style, paragraphText] : content.paragraphs) {
        if (paragraphText.contains(text))
            return content.styles.value(style);
    }
    ADD_FAILURE() << "no paragraph " << text.toStdString();
    return {};
}

// Converts the RTF to another format with LibreOffice, using a profile of its
// own so parallel runs do not share one; returns the path of the result.
QString Convert(const QTemporaryDir &folder, const QByteArray &rtf, const QString &format)
{
    QDir(folder.path()).mkpath(QStringLiteral("out"));
    QFile file(folder.filePath(QStringLiteral("doc.rtf")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(rtf) == rtf.size());
    file.close();
    QProcess office;
    office.start(QStringLiteral("soffice"),
                 {QStringLiteral("-env:UserInstallation=file://") + folder.filePath(QStringLiteral("profile")),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"),
                  folder.filePath(QStringLiteral("out")), file.fileName()});
    EXPECT_TRUE(office.waitForFinished(300000)) << "LibreOffice did not finish";
    const QString result = folder.filePath(QStringLiteral("out/doc.") + format);
    EXPECT_TRUE(QFile::exists(result)) << office.readAllStandardError().constData();
    return result;
}

QByteArray ConvertToOdtContent(const QByteArray &rtf)
{
    QTemporaryDir folder;
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"),
                {QStringLiteral("-p"), Convert(folder, rtf, QStringLiteral("odt")), QStringLiteral("content.xml")});
    EXPECT_TRUE(unzip.waitForFinished(60000));
    return unzip.readAllStandardOutput();
}

QTextCharFormat Face(double points)
{
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("Arial")});
    format.setFontPointSize(points);
    return format;
}

} // namespace

TEST(LibreOfficeInterop, ReadsWriterOutput)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed (libreoffice-writer-nogui)";
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(centred);
    cursor.insertText(QStringLiteral("Centred title"), Face(18));
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    cursor.insertBlock(right);
    QTextCharFormat format = Face(12);
    cursor.insertText(QStringLiteral("plain "), format);
    format.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("Boldword"), format);
    format = Face(12);
    format.setFontItalic(true);
    cursor.insertText(QStringLiteral("Italicword"), format);
    format = Face(12);
    format.setFontUnderline(true);
    cursor.insertText(QStringLiteral("Underword"), format);
    format = Face(12);
    format.setFontStrikeOut(true);
    cursor.insertText(QStringLiteral("Strikeword"), format);
    format = Face(12);
    format.setForeground(QColor(0xff, 0x00, 0x00));
    format.setBackground(QColor(0xff, 0xff, 0x00));
    cursor.insertText(QStringLiteral("Colourword"), format);
    cursor.insertBlock(QTextBlockFormat());
    format = Face(14);
    format.setFontFamilies({QStringLiteral("宋体")});
    cursor.insertText(QStringLiteral("我们明天见面，café"), format);

    const SOdtContent content = ParseContent(ConvertToOdtContent(CRtfWriter().Write(document)));
    EXPECT_TRUE(StyleOfParagraph(content, QStringLiteral("Centred title")).contains(u"fo:text-align=center;"));
    EXPECT_TRUE(StyleOfParagraph(content, QStringLiteral("plain Boldword")).contains(u"fo:text-align=end;"));
    EXPECT_TRUE(StyleOfSpan(content, QStringLiteral("Centred title")).contains(u"fo:font-size=18pt;"));
    EXPECT_TRUE(StyleOfSpan(content, QStringLiteral("Boldword")).contains(u"fo:font-weight=bold;"));
    EXPECT_TRUE(StyleOfSpan(content, QStringLiteral("Italicword")).contains(u"fo:font-style=italic;"));
    EXPECT_TRUE(StyleOfSpan(content, QStringLiteral("Underword")).contains(u"style:text-underline-style=solid;"));
    EXPECT_TRUE(StyleOfSpan(content, QStringLiteral("Strikeword")).contains(u"style:text-line-through-style=solid;"));
    const QString colour = StyleOfSpan(content, QStringLiteral("Colourword"));
    EXPECT_TRUE(colour.contains(u"fo:color=#ff0000;")) << colour.toStdString();
    EXPECT_TRUE(colour.contains(u"fo:background-color=#ffff00;")) << colour.toStdString();
    const QString chinese = StyleOfSpan(content, QStringLiteral("我们明天见面，café"));
    EXPECT_TRUE(chinese.contains(u"14pt;")) << chinese.toStdString();
}

// Our RTF saved again by LibreOffice reads back with the same text and effects.
TEST(LibreOfficeInterop, ReadsBackWhatItSavedFromOurs)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed (libreoffice-writer-nogui)";
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextCharFormat format = Face(12);
    cursor.insertText(QStringLiteral("Ünïcödé 听写练习 "), format);
    format.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("粗体 bold"), format);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("tab\there \U0001F600"), Face(14));
    QTemporaryDir folder;
    QFile saved(Convert(folder, CRtfWriter().Write(document), QStringLiteral("rtf")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const auto copy = ReadRtf(saved.readAll());
    EXPECT_EQ(copy->toPlainText(), document.toPlainText());
    QTextCursor bold(copy.get());
    bold.setPosition(static_cast<int>(copy->toPlainText().indexOf(u"粗")) + 1);
    EXPECT_EQ(bold.charFormat().fontWeight(), QFont::Bold);
    QTextCursor large(copy.get());
    large.setPosition(static_cast<int>(copy->toPlainText().indexOf(u"tab")) + 1);
    EXPECT_EQ(large.charFormat().fontPointSize(), 14);
}

// What LibreOffice wrote (fixtures made once with soffice --convert-to rtf)
// reads with its text and formats.
TEST(LibreOfficeInterop, WritesWhatWeRead)
{
    const auto document = ReadRtf(ReadFixture(QStringLiteral("libreoffice-formats.rtf")));
    EXPECT_EQ(document->toPlainText(),
              QStringLiteral("Plain bold italic under strike red yellow café naïve\n我们明天见 中文 测试\n"
                             "Right aligned 😀 emoji\nJustified indented paragraph text."));
    QTextCursor cursor(document.get());
    cursor.setPosition(static_cast<int>(document->toPlainText().indexOf(u"bold")) + 1);
    EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
    cursor.setPosition(static_cast<int>(document->toPlainText().indexOf(u"我")) + 1);
    EXPECT_EQ(cursor.charFormat().fontPointSize(), 14);
    EXPECT_EQ(cursor.charFormat().fontFamilies().toStringList(), QStringList{u"SimSun"_qs});
    EXPECT_EQ(cursor.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextBlockFormat last = document->lastBlock().blockFormat();
    EXPECT_EQ(last.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_EQ(last.leftMargin(), 96);
    EXPECT_EQ(last.textIndent(), 48);
}
