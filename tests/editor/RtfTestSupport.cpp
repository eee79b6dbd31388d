#include "RtfTestSupport.h"

#include "editor/CRtfReader.h"

#include <QFile>
#include <QTextBlock>
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

QString DescribeImage(const QTextDocument &document, const QTextImageFormat &format)
{
    const QVariant resource = document.resource(QTextDocument::ImageResource, QUrl(format.name()));
    const QImage image = resource.value<QImage>().convertToFormat(QImage::Format_ARGB32);
    const size_t pixels = qHashBits(image.constBits(), size_t(image.sizeInBytes()));
    return QStringLiteral("  picture %1x%2 shown %3x%4 pixels %5\n")
        .arg(image.width())
        .arg(image.height())
        .arg(format.width())
        .arg(format.height())
        .arg(pixels);
}

QString DescribeFragment(const QTextDocument &document, const QTextFragment &fragment)
{
    const QTextCharFormat format = fragment.charFormat();
    if (format.isImageFormat())
        return DescribeImage(document, format.toImageFormat()).repeated(fragment.length());
    QString text = fragment.text();
    text.replace(QChar(0x2028), QStringLiteral("<line>")).replace(u'\t', QStringLiteral("<tab>"));
    return QStringLiteral("  [%1] face=%2 size=%3%4%5%6%7 fg=%8 bg=%9\n")
        .arg(text, format.fontFamilies().toStringList().value(0))
        .arg(format.fontPointSize())
        .arg(format.fontWeight() >= QFont::DemiBold ? QStringLiteral(" bold") : QString())
        .arg(format.fontItalic() ? QStringLiteral(" italic") : QString())
        .arg(format.fontUnderline() ? QStringLiteral(" underline") : QString())
        .arg(format.fontStrikeOut() ? QStringLiteral(" strike") : QString())
        .arg(Color(format.foreground(), format.hasProperty(QTextFormat::ForegroundBrush)),
             Color(format.background(), format.hasProperty(QTextFormat::BackgroundBrush)));
}

} // namespace

QString DescribeDocument(const QTextDocument &document)
{
    QString description;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        description += QStringLiteral("paragraph align=%1 left=%2 right=%3 first=%4 before=%5 after=%6\n")
                           .arg(int(format.alignment() & Qt::AlignHorizontal_Mask))
                           .arg(format.leftMargin())
                           .arg(format.rightMargin())
                           .arg(format.textIndent())
                           .arg(format.topMargin())
                           .arg(format.bottomMargin());
        for (auto it = block.begin(); !it.atEnd(); ++it)
            description += DescribeFragment(document, it.fragment());
    }
    return description;
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
