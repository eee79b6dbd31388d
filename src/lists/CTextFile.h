// A line-oriented text file in a multi-byte code page. Reading hands back one
// line per call without its line end; writing converts each string to the code
// page and writes every LF as CR LF. A file opened for writing is written to a
// temporary file beside it and only replaces the real file when Close succeeds,
// so a failed write never leaves a half-written file behind. The first failure
// (open, read or write) is kept and handed back by Close; after it, reads find
// nothing and writes are dropped.
#pragma once

#include "base/CAtomicFile.h"
#include "base/CResult.h"
#include "base/CodePage.h"

#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

class CTextFile
{
public:
    enum OpenFlags : std::uint32_t {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
    };
    // Bytes one ReadString call takes at most, a line end included.
    static constexpr int kMaxLineBytes = 4095;

    // Opens the file at once; a failure shows in Status and in Close.
    CTextFile(const QString &path, std::uint32_t openFlags);
    ~CTextFile();
    CTextFile(const CTextFile &) = delete;
    CTextFile &operator=(const CTextFile &) = delete;

    // Reads the next line (or the next kMaxLineBytes-byte piece of a longer
    // one). Returns false at the end of the file or after a failure, leaving
    // the string alone.
    bool ReadString(QString &line);

    // Writes the string in the code page, LF as CR LF, no line end of its own.
    // Writes are buffered: a failure may show only at Close.
    void WriteString(const QString &text);

    // Finishes the file and returns the first failure of its whole life. For a
    // written file this is where it replaces the old one, and only when
    // nothing failed; otherwise the old file stays whole. A written file that
    // is never closed is discarded.
    CResult Close();

    // The first failure so far; success while all went well.
    const CResult &Status() const { return m_status; }

    const QString &GetFilePath() const { return m_strPath; }

private:
    void OpenForReading(std::uint32_t openFlags);
    void OpenForWriting(std::uint32_t openFlags);
    int ReadLineBytes(char *buffer);
    void WritePending();
    void Fail(const CResult &failure);
    void FailForDevice(const QFileDevice &device);

    QString m_strPath;
    int m_nCodePage = CP_CURRENT_ANSI;
    std::unique_ptr<QFile> m_pReadFile;
    std::unique_ptr<CAtomicFile> m_pWriteFile;
    QByteArray m_pending; // converted bytes not yet handed to the file
    CResult m_status;
};
