// A line-oriented text file in a multi-byte code page. Reading hands back one
// line per call without its line end; writing converts each string to the code
// page and writes every LF as CR LF. A file opened for writing is written to a
// temporary file beside it and only replaces the real file when Close succeeds,
// so a failed write never leaves a half-written file behind.
#pragma once

#include "lists/CodePage.h"

#include "app/CAtomicFile.h"

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

    // Opens the file at once; throws CFileException when it cannot be opened.
    CTextFile(const QString &path, std::uint32_t openFlags);
    ~CTextFile();
    CTextFile(const CTextFile &) = delete;
    CTextFile &operator=(const CTextFile &) = delete;

    // Reads the next line (or the next kMaxLineBytes-byte piece of a longer
    // one). Returns false at the end of the file, leaving the string alone.
    bool ReadString(QString &line);

    // Writes the string in the code page, LF as CR LF, no line end of its own.
    // Throws CFileException when the write fails (the failure may also show
    // only at Close, since writes are buffered).
    void WriteString(const QString &text);

    // Finishes the file. For a written file this is where it replaces the old
    // one; throws CFileException when that fails, leaving the old file whole.
    // A written file that is never closed is discarded.
    void Close();

    const QString &GetFilePath() const { return m_strPath; }

private:
    void OpenForReading(std::uint32_t openFlags);
    void OpenForWriting(std::uint32_t openFlags);
    int ReadLineBytes(char *buffer);
    void WritePending();
    [[noreturn]] void ThrowForDevice(const QFileDevice &device) const;
    [[noreturn]] void ThrowForWriteError() const;

    QString m_strPath;
    int m_nCodePage = CP_CURRENT_ANSI;
    std::unique_ptr<QFile> m_pReadFile;
    std::unique_ptr<CAtomicFile> m_pWriteFile;
    QByteArray m_pending; // converted bytes not yet handed to the file
};
