// The program's profile: an INI file of sections and "key=value" lines. Keys
// and sections match without regard to letter case, every line the program
// does not know is kept as it stands, and Flush replaces the file atomically.
#pragma once

#include "base/CResult.h"

#include <QString>
#include <cstdint>
#include <vector>

class CIniProfile
{
public:
    CIniProfile() = default;
    // Reads the file when it exists; a missing file is an empty profile.
    explicit CIniProfile(const QString &path);

    const QString &GetPath() const { return m_strPath; }

    // The value as a signed 32-bit integer: leading blanks, an optional sign
    // and the digits that follow ("7abc" reads 7, "abc" reads 0). A missing
    // key gives the default.
    int GetProfileInt(const QString &section, const QString &key, int defaultValue) const;
    QString GetProfileString(const QString &section, const QString &key, const QString &defaultValue = {}) const;

    // Sets a value in memory, adding the section or key at its end when new.
    void WriteProfileInt(const QString &section, const QString &key, int value);
    void WriteProfileString(const QString &section, const QString &key, const QString &value);

    // Writes the whole profile to a temporary file beside it and renames it
    // into place. On failure the old file stays whole.
    CResult Flush() const;

    // The profile as text, as Flush writes it.
    QByteArray Serialize() const;
    // Replaces the contents with parsed text (UTF-8; invalid bytes are read
    // as GB18030 so an old profile's non-ASCII values survive).
    void Parse(QByteArrayView bytes);

private:
    struct Line {
        QString m_strKey; // empty for a comment or any line that is no key
        QString m_strText;
    };
    struct Section {
        QString m_strName;   // empty for the lines before the first section
        QString m_strHeader; // the "[name]" line as it stands in the file
        std::vector<Line> m_lines;
    };

    const Line *FindLine(const QString &section, const QString &key) const;
    Section &SectionFor(const QString &name);

    QString m_strPath;
    std::vector<Section> m_sections;
    bool m_bCrLf = false; // the file's lines end in CR LF
};
