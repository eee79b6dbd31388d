// Splits RTF bytes into tokens: braces, control words and symbols, hex bytes,
// runs of plain text and the binary data of \binN. Knows nothing of meaning.
#pragma once

#include <QByteArrayView>

enum class ERtfToken {
    GroupStart,
    GroupEnd,
    ControlWord,   // m_word, m_bHasParam, m_nParam
    ControlSymbol, // m_cSymbol (\\ \{ \} \~ \- \_ \* and line ends as '\n')
    HexByte,       // m_cByte from \'hh
    Text,          // m_text: a run of plain bytes, CR and LF removed
    Binary,        // m_text: the N bytes that follow \binN
    End,           // all bytes read
    Truncated      // the bytes end inside a \bin or a \'hh
};

class CRtfTokenizer
{
public:
    explicit CRtfTokenizer(QByteArrayView data) : m_data(data) {}

    // Reads the next token into the public fields below.
    ERtfToken Next();

    QByteArrayView m_word; // into the bytes being read
    bool m_bHasParam = false;
    int m_nParam = 0;
    char m_cSymbol = 0;
    unsigned char m_cByte = 0;
    QByteArrayView m_text;

    qsizetype Position() const { return m_nPos; }

private:
    ERtfToken ReadControl();
    ERtfToken ReadControlWord();
    ERtfToken ReadText();
    ERtfToken ReadBinary();

    QByteArrayView m_data;
    qsizetype m_nPos = 0;
};
