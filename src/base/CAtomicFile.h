// Writes a file so that it is either replaced whole or not at all: the bytes
// go to a temporary file beside the target, which is synced and renamed over
// the target only when every byte was written.
#pragma once

#include "base/CResult.h"

#include <QByteArrayView>
#include <QString>

class CAtomicFile
{
public:
    explicit CAtomicFile(const QString &path);
    ~CAtomicFile(); // removes the temporary file unless Commit succeeded
    CAtomicFile(const CAtomicFile &) = delete;
    CAtomicFile &operator=(const CAtomicFile &) = delete;

    // Creates the temporary file.
    CResult Open();
    // Appends the bytes; fails when not all of them could be written.
    CResult Write(QByteArrayView bytes);
    // Syncs the temporary file and renames it over the target. Once anything
    // has failed, nothing is renamed and the first failure is returned again.
    CResult Commit();

private:
    CResult Fail();

    QString m_strPath;
    QByteArray m_tempPath;
    int m_fd = -1;
    int m_nError = 0;
    bool m_bCommitted = false;
};
