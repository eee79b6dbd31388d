// Reads an RTF file into a QTextDocument: text in every code page, character
// and paragraph formats, and PNG / JPEG pictures. Sizes come out in the
// document's units: font sizes in points, indents, spacing and picture sizes
// in pixels at 96 per inch (15 twips to the pixel).
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QColor>
#include <QHash>
#include <QList>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <optional>
#include <utility>
#include <vector>

class QTextDocument;
class CRtfTokenizer;
enum class ERtfToken;

class CRtfReader
{
public:
    // Replaces the document's contents with the RTF. Returns false, leaving
    // the document untouched, when the bytes are not RTF at all. A damaged
    // file (cut short, nested too deep) loads up to the damage and returns
    // true with IsDamaged() set. Afterwards the document is not modified and
    // has nothing to undo.
    bool Read(QByteArrayView rtf, QTextDocument &document);

    // Whether the bytes start as RTF.
    static bool IsRtf(QByteArrayView rtf);
    // Whether Read would load the bytes whole (RTF, not damaged). Looks at the
    // groups alone, far quicker than a Read, so a refused file costs little
    // and a good one is read once.
    static bool IsWhole(QByteArrayView rtf);

    bool IsDamaged() const { return m_bDamaged; }
    // Pictures of the last Read that are not shown: kinds other than PNG and
    // JPEG, or data that does not decode. A save does not keep them.
    int DroppedPictures() const { return m_nDroppedPictures; }
    // Why the last Read failed or what was damaged; empty after a clean read.
    const QString &ErrorString() const { return m_error; }

private:
    enum class EDestination { Text, Skip, FontTable, ColorTable, Picture, UprAnsi };

    struct SCharProps {
        int nFont = -1; // -1: the default font
        int nHalfPoints = 24;
        bool bBold = false;
        bool bItalic = false;
        bool bUnderline = false;
        bool bStrike = false;
        int nForeground = 0; // colour table index, 0 = automatic
        int nBackground = 0;
        // Double-byte text (\dbch) may have its own font, size, bold and
        // italic (\af, \afs, \ab, \ai); -1 where it has none of its own.
        bool bDoubleByte = false;
        int nDbchFont = -1;
        int nDbchHalfPoints = -1;
        int nDbchBold = -1;
        int nDbchItalic = -1;
        int Font() const { return bDoubleByte && nDbchFont >= 0 ? nDbchFont : nFont; }
        int HalfPoints() const { return bDoubleByte && nDbchHalfPoints > 0 ? nDbchHalfPoints : nHalfPoints; }
        bool Bold() const { return bDoubleByte && nDbchBold >= 0 ? nDbchBold != 0 : bBold; }
        bool Italic() const { return bDoubleByte && nDbchItalic >= 0 ? nDbchItalic != 0 : bItalic; }
        bool operator==(const SCharProps &) const = default;
    };

    struct SParaProps {
        int nAlignment = 0; // 0 left, 1 centre, 2 right, 3 justified
        int nLeft = 0;      // the indents and spacing in twips
        int nRight = 0;
        int nFirst = 0;
        int nBefore = 0;
        int nAfter = 0;
        bool operator==(const SParaProps &) const = default;
    };

    struct SState {
        EDestination eDest = EDestination::Text;
        EDestination eUprOuter = EDestination::Text;
        int nUc = 1;
        SCharProps chr;
        SParaProps para;
    };

    struct SFont {
        QString name;
        int nCharset = -1; // -1: none given, the document's code page applies
    };

    struct SPicture {
        QByteArray format; // "PNG", "JPEG" or empty for kinds we do not show
        QByteArray data;
        int nPendingNibble = -1;
        bool bTooLarge = false;
        int nWidth = 0, nHeight = 0;         // \picw \pich, pixels
        int nWidthGoal = 0, nHeightGoal = 0; // twips
        int nScaleX = 100, nScaleY = 100;
    };

    void Reset(QTextDocument &document);
    bool Parse(CRtfTokenizer &tokenizer);
    bool ConsumeFallback(ERtfToken token, CRtfTokenizer &tokenizer);
    bool PushGroup();
    bool PopGroup();
    void OnControlWord(QByteArrayView word, bool hasParam, int param);
    bool OnDestinationWord(QByteArrayView word);
    bool OnCharacterWord(QByteArrayView word, bool hasParam, int param);
    bool OnParagraphWord(QByteArrayView word, int param);
    bool OnSpecialCharacterWord(QByteArrayView word);
    void OnPictureWord(QByteArrayView word, int param);
    void OnControlSymbol(char symbol);
    void OnText(QByteArrayView text);
    void OnHexByte(char byte);
    void OnBinary(QByteArrayView data);
    void OnUnicode(int value);

    void OnFontTableText(QByteArrayView text);
    void FinishFontName();
    void OnColorTableText(QByteArrayView text);
    void AppendPictureHex(QByteArrayView text);
    void FinishPicture();

    int CodePageOfFont(int font) const;
    void AppendBytes(QByteArrayView bytes);
    void AppendChars(const QString &text);
    void PrepareText();
    void DecodePendingBytes();
    void FlushText();
    void FlushSurrogate();
    void EnsureBlock();
    void EndParagraph();
    void Finish();
    const QTextCharFormat &CharFormat(const SCharProps &props);
    QTextCharFormat MakeCharFormat(const SCharProps &props) const;
    const QTextBlockFormat &BlockFormat(const SParaProps &props);
    static QTextBlockFormat MakeBlockFormat(const SParaProps &props);
    void SetBlockFormat(const SParaProps &props);

    SState &State() { return m_states.back(); }

    std::vector<SState> m_states;
    QTextDocument *m_pDocument = nullptr;
    QTextCursor m_cursor;
    bool m_bStar = false;
    int m_nSkipUnits = 0; // fallback units still to skip after \uN
    char16_t m_highSurrogate = 0;

    int m_nAnsiCodePage = 1252;
    int m_nDefaultFont = 0;
    QHash<int, SFont> m_fonts;
    int m_nFontDef = -1; // the font table entry being read
    QByteArray m_fontNameBytes;
    QString m_fontName;
    QList<QColor> m_colors;
    int m_rgb[3] = {0, 0, 0};
    bool m_bColorGiven = false;
    SPicture m_picture;
    int m_nImages = 0;
    int m_nDroppedPictures = 0;

    QByteArray m_pendingBytes; // a run of \'hh and plain bytes, decoded as one
    int m_nPendingCodePage = 0;
    QString m_text; // decoded text waiting for one insertion with m_textProps
    SCharProps m_textProps;
    // The formats made so far, reused for runs and paragraphs alike: the same
    // format object is quicker to insert than an equal new one. The character
    // formats depend on the font and colour tables and the default font, and
    // are forgotten whenever one of those changes.
    std::vector<std::pair<SCharProps, QTextCharFormat>> m_charFormats;
    std::vector<std::pair<SParaProps, QTextBlockFormat>> m_blockFormats;
    // The paragraph state the cursor's block was formatted from, if any; a
    // block inserted after it starts with the same format.
    std::optional<SParaProps> m_blockProps;
    SParaProps m_lastPara;        // the paragraph state when content last arrived
    bool m_bBlockPending = false; // a \par ended the block; the next content opens one

    bool m_bDamaged = false;
    QString m_error;
};
