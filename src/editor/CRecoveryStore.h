// The recovery copies of transcripts that were being typed and not yet saved:
// one RTF copy per transcript path in a folder of the learner's state, with a
// small file beside it that names the transcript it belongs to. A crash or a
// power cut then loses at most what was typed since the last copy.
#pragma once

#include "base/CResult.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <vector>

class CRecoveryStore
{
public:
    // One copy found in the folder.
    struct SCopy {
        QString m_strCopyPath;       // the RTF copy itself
        QString m_strTranscriptPath; // where it belongs; empty for an untitled text
        QDateTime m_written;         // when the copy was last written
    };

    explicit CRecoveryStore(const QString &directory);

    // "$XDG_STATE_HOME/quillmere/recovery", or "~/.local/state/quillmere/recovery"
    // when that is unset or not an absolute path.
    static QString DefaultDirectory();

    const QString &Directory() const { return m_strDirectory; }

    // The copy of the transcript at the path (empty: the untitled text). The
    // file name starts with the transcript's own name, so a learner who looks
    // into the folder sees which lesson it is.
    QString CopyPathFor(const QString &transcriptPath) const;

    // Replaces the copy for the transcript with the RTF bytes, whole or not at all.
    CResult Write(const QString &transcriptPath, QByteArrayView rtf) const;
    // Every copy in the folder, oldest first. A copy whose note is missing
    // counts as untitled, so its text is still offered.
    std::vector<SCopy> List() const;
    // Removes a copy and its note; nothing when there is none.
    void RemoveCopy(const QString &copyPath) const;
    // Temporary files left by a write that never finished (the process was killed).
    void RemoveUnfinishedWrites() const;

private:
    CResult WriteNote(const QString &copyPath, const QString &transcriptPath) const;

    QString m_strDirectory;
};
