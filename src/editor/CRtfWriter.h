// Writes a QTextDocument as RTF that word processors and the rich-edit
// control read back unchanged: text as ASCII or \uN with a code-page fallback,
// the character and paragraph formats CRtfReader reads, pictures as PNG.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>

class QTextBlock;
class QTextCharFormat;
class QTextDocument;
class QTextFragment;
class QTextImageFormat;

class CRtfWriter
{
public:
    QByteArray Write(const QTextDocument &document);

private:
    struct SFont {
        QString name;
        int nCharset = 0;
        bool operator==(const SFont &) const = default;
    };

    void WriteBlock(const QTextBlock &block);
    void WriteCharFormat(const QTextCharFormat &format, bool chinese);
    void WriteText(QStringView text, bool chinese);
    void WriteUnicode(char16_t unit, const QByteArray &fallback);
    void WriteImage(const QTextImageFormat &format);
    QByteArray Header() const;
    static QByteArray FontName(const SFont &font);

    const QByteArray &Fallback(char16_t unit, bool chinese);
    int FontIndex(const SFont &font);
    int ColorIndex(const QColor &color);
    void Word(const char *word);
    void Word(const char *word, qint64 param);
    void Raw(char c);
    void Hex(unsigned char byte);

    const QTextDocument *m_pDocument = nullptr;
    QByteArray m_body;
    qsizetype m_nLineStart = 0;
    bool m_bNeedDelimiter = false;
    int m_nUc = 1;
    QList<SFont> m_fonts;
    QList<QColor> m_colors;
    QHash<quint32, QByteArray> m_fallbacks;
};
