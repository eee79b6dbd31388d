// The words of a text as the dictation check compares them. Whitespace of any
// kind and hyphens or dashes separate words; each Han character (the CJK
// ideographs with their extensions and compatibility forms) and each kana is a
// word of its own, so Chinese and Japanese need no spaces. Words are compared
// by a key: case-folded, with punctuation, apostrophes and quotes (straight or
// curly) left out. A stretch of punctuation alone is no word.
#pragma once

#include <QString>
#include <vector>

// One word, where it stands in the text and how it was spelt there.
struct CWord {
    qsizetype m_nStart;    // index of its first character in the text (UTF-16)
    qsizetype m_nLength;   // characters it covers in the text (UTF-16)
    QString m_strSpelling; // as written, punctuation included
    QString m_strKey;      // what is compared
};

class CWordList
{
public:
    // The words of the text in order.
    static std::vector<CWord> Split(const QString &text);

    // The key of a piece of text as Split would make it for one word.
    static QString KeyOf(QStringView text);
};
