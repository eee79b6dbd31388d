#include "RtfTestSupport.h"

#include "editor/CRtfReader.h"

#include <QFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>
#include <QTextImageFormat>
#include <QUrl>
#include <gtest/gtest.h>

namespace
{

QString Color(const QBrush &brush, bool has)
{
    return has && brush.style() != Qt::NoBrush ? brush.color().name() : QStringLiteral("none");
}

QString DescribeFormat(const QTextCharFormat &format)
{
    return QStringLiteral("face=%1 size=%2%3%4%5%6 fg=%7 bg=%8")
        .arg(format.fontFamilies().toStringList().value(0))
        .arg(format.fontPointSize())
        .arg(format.fontWeight() >= QFont::DemiBold ? QStringLiteral(" bold") : QString())
        .arg(format.fontItalic() ? QStringLiteral(" italic") : QString())
        .arg(format.fontUnderline() ? QStringLiteral(" underline") : QString())
        .arg(format.fontStrikeOut() ? QStringLiteral(" strike") : QString())
        .arg(Color(format.foreground(), format.hasProperty(QTextFormat::ForegroundBrush)),
             Color(format.background(), format.hasProperty(QTextFormat::BackgroundBrush)));
}

QString DescribeParagraph(const QTextBlockFormat &format)
{
    return QStringLiteral("align=%1 left=%2 right=%3 first=%4 before=%5 after=%6")
        .arg(int(format.alignment() & Qt::AlignHorizontal_Mask))
        .arg(format.leftMargin())
        .arg(format.rightMargin())
        .arg(format.textIndent())
        .arg(format.topMargin())
        .arg(format.bottomMargin());
}

QString DescribeFragment(const QTextDocument &document, const QTextFragment &fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    if (!format.isImageFormat()) {
        QString text = fragment.text();
        text.replace(QChar(0x2028), QStringLiteral("<line>")).replace(u'\t', QStringLiteral("<tab>"));
        return QStringLiteral("  [%1] %2\n").arg(text, DescribeFormat(format));
    }
    const QTextImageFormat picture = format.toImageFormat();
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(picture.name()));
    const QImage image = resource.value<QImage>().convertToFormat(QImage::Format_ARGB32);
    const size_t pixels = qHashBits(image.constBits(), size_t(image.sizeInBytes()));
    return QStringLiteral("  picture %1x%2 shown %3x%4 pixels %5\n")
        .arg(image.width())
        .arg(image.height())
        .arg(picture.width())
        .arg(picture.height())
        .arg(pixels)
        .repeated(fragment.length());
}

QTextCursor CursorAt(const QTextDocument &document, const QString &text)
{
    const auto index = document.toPlainText().indexOf(text);
    EXPECT_GE(index, 0) << text.toStdString();
    QTextCursor cursor(const_cast<QTextDocument *>(&document));
    cursor.setPosition(static_cast<int>(index) + 1); // the format of the character before
    return cursor;
}

} // namespace

QString DescribeDocument(const QTextDocument &document)
{
    QString description;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        description += QStringLiteral("paragraph ") + DescribeParagraph(block.blockFormat()) + u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it)
            description += DescribeFragment(document, it.fragment());
    }
    return description;
}

std::string FormatOf(const QTextDocument &document, const QString &text)
{
    return DescribeFormat(CursorAt(document, text).charFormat()).toStdString();
}

std::string ParagraphOf(const QTextDocument &document, const QString &text)
{
    return DescribeParagraph(CursorAt(document, text).blockFormat()).toStdString();
}

std::unique_ptr<QTextDocument> ReadRtf(const QByteArray &rtf)
{
    auto document = std::make_unique<QTextDocument>();
    CRtfReader reader;
    EXPECT_TRUE(reader.Read(rtf, *document)) << reader.ErrorString().toStdString();
    EXPECT_FALSE(reader.IsDamaged()) << reader.ErrorString().toStdString();
    return document;
}

QByteArray ReadFixture(const QString &name)
{
    QFile file(QStringLiteral(QUILLMERE_TEST_DATA "/rtf/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    return file.readAll();
}

QImage MakeTestImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgba(x * 255 / width, y * 255 / height, (x * y) & 255, 255));
    }
    return image;
}
