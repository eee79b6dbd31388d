// Conversions between UTF-16 text and the multi-byte code pages the program's
// own text files and the learner's files are written in.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// Code page numbers as the files and the RTF format name them.
inline constexpr int CP_CURRENT_ANSI = -1; // the locale's character set
inline constexpr int CP_UTF8_NUMBER = 65001;

// The iconv name for a code page number ("GBK" for 936); empty when unknown.
// -1 gives the locale's character set.
QByteArray CodePageName(int codePage);

// Decodes bytes of a code page into UTF-16, composed to precomposed characters
// except for UTF-8. Bytes that do not decode become U+FFFD. An unknown code
// page decodes as Latin-1 so no byte is ever lost.
QString DecodeCodePage(QByteArrayView bytes, int codePage);

// Encodes UTF-16 into a code page; every character the code page cannot hold
// becomes "#". Base-plus-accent pairs are composed first (not for UTF-8).
QByteArray EncodeCodePage(QStringView text, int codePage);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(QByteArrayView bytes);

// Text a learner brings (an .lrc file): UTF-8 when the bytes are valid UTF-8
// (a byte-order mark skipped), else GB18030, which covers GBK and GB2312.
QString DecodeLearnerText(QByteArrayView bytes);
