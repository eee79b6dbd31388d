// LibreOffice reads what our writer wrote: the document is converted to ODT
// by a headless office and its content.xml is checked, and LibreOffice's own
// RTF of it reads back with the same text and effects.
#include "RtfTestSupport.h"
#include "editor/CRtfWriter.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace
{

// What content.xml says: the properties of each automatic style, and the
// style and text of every paragraph and span.
struct SOdtContent {
    QMap<QString, QString> styles; // name -> "attr=value;" of its property elements
    struct SElement {
        bool bParagraph;
        QString style;
        QString text;
    };
    QList<SElement> elements;

    // The properties of the first span whose text is text, or of the first
    // paragraph that contains it.
    QString StyleOf(const QString &text, bool paragraph) const
    {
        for (const SElement &element : elements) {
            if (element.bParagraph == paragraph && (paragraph ? element.text.contains(text) : element.text == text))
                return styles.value(element.style);
        }
        ADD_FAILURE() << "no element with " << text.toStdString();
        return {};
    }
};

SOdtContent ParseContent(const QByteArray &xml)
{
    SOdtContent content;
    QXmlStreamReader reader(xml);
    QString style;
    QList<qsizetype> open; // indexes of the elements being read
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
            content.elements.append({name == u"text:p", attribute(u"text:style-name"), QString()});
            open.append(content.elements.size() - 1);
        } else if (reader.isCharacters()) {
            for (const qsizetype index : open)
                content.elements[index].text += reader.text().toString();
        } else if (reader.isEndElement() && textElement && !open.isEmpty()) {
            open.removeLast();
        }
    }
    return content;
}

// Converts the RTF to another format with LibreOffice, using a profile of its
// own so parallel runs do not share one; returns the converted file.
QByteArray Convert(const QByteArray &rtf, const QString &format)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("doc.rtf")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(rtf) == rtf.size());
    file.close();
    QProcess office;
    office.start(QStringLiteral("soffice"),
                 {QStringLiteral("-env:UserInstallation=file://") + folder.filePath(QStringLiteral("profile")),
                  QStringLiteral("--headless"), QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"),
                  folder.filePath(QStringLiteral("out")), file.fileName()});
    EXPECT_TRUE(office.waitForFinished(300000)) << "LibreOffice did not finish";
    QFile result(folder.filePath(QStringLiteral("out/doc.") + format));
    EXPECT_TRUE(result.open(QIODevice::ReadOnly)) << office.readAllStandardError().constData();
    return result.readAll();
}

QByteArray ContentXml(const QByteArray &odt)
{
    QTemporaryDir folder;
    QFile file(folder.filePath(QStringLiteral("doc.odt")));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(odt) == odt.size());
    file.close();
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file.fileName(), QStringLiteral("content.xml")});
    EXPECT_TRUE(unzip.waitForFinished(60000));
    return unzip.readAllStandardOutput();
}

QTextCharFormat Face(double points, const QString &face = QStringLiteral("Arial"))
{
    QTextCharFormat format;
    format.setFontFamilies({face});
    format.setFontPointSize(points);
    return format;
}

} // namespace

TEST(LibreOfficeInterop, ReadsWhatWeWrite)
{
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed (libreoffice-writer-nogui)";
    QTextDocument document;
    QTextCursor cursor(&document);
    QTextBlockFormat paragraph;
    paragraph.setAlignment(Qt::AlignHCenter);
    cursor.setBlockFormat(paragraph);
    cursor.insertText(QStringLiteral("Centred title"), Face(18));
    paragraph.setAlignment(Qt::AlignRight);
    cursor.insertBlock(paragraph);
    cursor.insertText(QStringLiteral("plain "), Face(12));
    const auto effect = [&cursor](const char *word, auto set) {
        QTextCharFormat format = Face(12);
        set(format);
        cursor.insertText(QLatin1String(word), format);
    };
    effect("Boldword", [](QTextCharFormat &format) { format.setFontWeight(QFont::Bold); });
    effect("Italicword", [](QTextCharFormat &format) { format.setFontItalic(true); });
    effect("Underword", [](QTextCharFormat &format) { format.setFontUnderline(true); });
    effect("Strikeword", [](QTextCharFormat &format) { format.setFontStrikeOut(true); });
    effect("Colourword", [](QTextCharFormat &format) {
        format.setForeground(QColor(0xff, 0x00, 0x00));
        format.setBackground(QColor(0xff, 0xff, 0x00));
    });
    cursor.insertBlock(QTextBlockFormat());
    cursor.insertText(QStringLiteral("我们明天见面，café"), Face(14, QStringLiteral("宋体")));
    QTextCharFormat bold = Face(14, QStringLiteral("宋体"));
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(QStringLiteral("粗体"), bold);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Ünïcödé tab\there \U0001F600"), Face(12));
    const QByteArray rtf = CRtfWriter().Write(document);

    const SOdtContent content = ParseContent(ContentXml(Convert(rtf, QStringLiteral("odt"))));
    struct SCase {
        const char *text;
        bool bParagraph;
        const char *property;
    };
    const SCase cases[] = {
        {"Centred title", true, "fo:text-align=center;"},
        {"plain Boldword", true, "fo:text-align=end;"},
        {"Centred title", false, "fo:font-size=18pt;"},
        {"Boldword", false, "fo:font-weight=bold;"},
        {"Italicword", false, "fo:font-style=italic;"},
        {"Underword", false, "style:text-underline-style=solid;"},
        {"Strikeword", false, "style:text-line-through-style=solid;"},
        {"Colourword", false, "fo:color=#ff0000;"},
        {"Colourword", false, "fo:background-color=#ffff00;"},
        {"我们明天见面，café", false, "14pt;"},
    };
    for (const SCase &test : cases) {
        const QString style = content.StyleOf(QString::fromUtf8(test.text), test.bParagraph);
        EXPECT_TRUE(style.contains(QLatin1String(test.property))) << test.text << ": " << style.toStdString();
    }

    // LibreOffice's own RTF of our file reads back with the text and effects.
    const auto copy = ReadRtf(Convert(rtf, QStringLiteral("rtf")));
    EXPECT_EQ(copy->toPlainText(), document.toPlainText());
    for (const QString &text : {u"Boldword"_qs, u"Ünïcödé"_qs})
        EXPECT_EQ(FormatOf(*copy, text), FormatOf(document, text));
    // LibreOffice names the Chinese face oddly; its size and bold come through.
    EXPECT_NE(FormatOf(*copy, u"粗体"_qs).find("size=14 bold"), std::string::npos) << FormatOf(*copy, u"粗体"_qs);
}
