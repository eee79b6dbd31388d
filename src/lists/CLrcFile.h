// The start times read from a learner's ".lrc" timing file, in hundredths of a
// second and ascending order; each time starts one saved selection.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <vector>

// One selection row, in milliseconds.
struct CSelectionSpan {
    std::uint32_t m_dwStart;
    std::uint32_t m_dwEnd;
    friend bool operator==(const CSelectionSpan &, const CSelectionSpan &) = default;
};

// One time tag of an .lrc with the text its line carries after its tags.
struct CTimedText {
    std::uint32_t m_dwTime; // hundredths of a second, as the store keeps it
    QString m_strText;      // trimmed; empty when the line has no text
    friend bool operator==(const CTimedText &, const CTimedText &) = default;
};

class CLrcFile
{
public:
    // Most time tags taken from one line; further tags on it are ignored.
    static constexpr int kMaxTagsPerLine = 20;

    virtual ~CLrcFile() = default;

    // Adds the time tags of the file to the store (which is not cleared
    // first). False when the file cannot be opened or is empty.
    bool Load(const QString &path);

    // Adds the time tags of text already decoded.
    void AddTagsFromText(const QString &text);

    void RemoveAll() { m_times.clear(); }
    int GetCount() const { return static_cast<int>(m_times.size()); }
    // Time at an index in ascending order, in hundredths of a second.
    std::uint32_t GetAt(int index) const { return m_times.at(static_cast<size_t>(index)); }

    // The text of a file, decoded as Load decodes it: one entry per time the
    // store would take from the same file, in the store's order (equal times
    // in the order of the file), so entry i belongs to row i of
    // SelectionsFromTags for a store holding only this file. A line with
    // several tags gives its text to each; lines without an accepted time tag
    // ("[ti:...]", "[offset:...]") give nothing. False when the file cannot
    // be opened or is empty.
    static bool LoadTimedText(const QString &path, std::vector<CTimedText> &lines);
    static std::vector<CTimedText> TimedTextFromText(const QString &text);

private:
    // Appends the accepted tag times of one line to times.
    void AddTagsOfLine(QString line, std::vector<std::uint32_t> &times);
    void InsertSorted(std::vector<std::uint32_t> times);

    std::vector<std::uint32_t> m_times;
};

// Turns the stored times into selection rows: each time runs to the next one,
// the last runs to the media's length. Nothing is clipped.
std::vector<CSelectionSpan> SelectionsFromTags(const CLrcFile &store, std::uint32_t mediaLengthMs);
