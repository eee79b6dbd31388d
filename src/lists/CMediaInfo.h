// The description of one media file by libmediainfo: the general stream's
// values (track name, performer, bit rate) and the library's text report.
// The file is handed to the library one chunk at a time, where the library
// asks for it, so a caller on the interface thread can read a large file or a
// slow disk in short steps between events. The library itself
// ("libmediainfo.so.0", with the network libraries it needs) is loaded when
// the first description starts, not when the program does.
#pragma once

#include <QIODevice>
#include <QString>
#include <cstdint>
#include <memory>

class CMediaInfo
{
public:
    // What every value and the report read when the library gave no handle.
    static const QString kUnavailableText;
    // Bytes read from the file in one step.
    static constexpr qint64 kChunkBytes = 64 * 1024;
    // The library stops by itself after some megabytes of data it does not
    // recognise; past this many bytes the description ends whatever it asks.
    static constexpr qint64 kMaxBytesRead = 64 * 1024 * 1024;

    CMediaInfo();
    ~CMediaInfo();
    CMediaInfo(const CMediaInfo &) = delete;
    CMediaInfo &operator=(const CMediaInfo &) = delete;

    // Loads the library if no description has done so yet and makes the
    // handle; false when the library cannot be loaded (said once on stderr).
    bool IsAvailable();

    // Starts describing the file at path, forgetting the previous one. A file
    // that cannot be opened is described at once, with empty values.
    void Open(const QString &path);
    // The same from a source already open for reading; path names it in the report.
    void Open(std::unique_ptr<QIODevice> source, const QString &path);
    // Reads one chunk and hands it to the library. True once the description
    // is complete; it then reads nothing more.
    bool ReadStep();
    bool IsComplete() const { return m_pSource == nullptr; }

    // A value of the general stream ("Track", "Performer", "BitRate"); empty
    // when the file has none or the library could not read it.
    QString GetGeneral(const QString &parameter);
    // The library's standard (not complete) text report.
    QString Inform();

private:
    void SetStandardReport();
    void Finish();
    bool FollowSeekRequest();

    void *m_pHandle = nullptr;
    std::unique_ptr<QIODevice> m_pSource; // null once the description is complete
    std::uint64_t m_qwFileSize = 0;
    qint64 m_nBytesRead = 0;
};
