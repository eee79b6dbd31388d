// Level envelopes kept between runs, so a recording opened again shows its waveform
// at once: a file per recording in $XDG_CACHE_HOME/quillmere/envelopes, named by a
// digest of the recording's path, size and modification time (a changed recording is
// measured again). Written whole or not at all; an entry that cannot be read whole is
// ignored.
#pragma once

#include "base/CResult.h"
#include "lists/CLevelEnvelope.h"

#include <QString>
#include <memory>

class CEnvelopeCache
{
public:
    // Entries in folder; empty: $XDG_CACHE_HOME/quillmere/envelopes.
    explicit CEnvelopeCache(const QString &folder = QString());

    // The envelope kept for the recording as it is now; none when there is none.
    std::unique_ptr<CLevelEnvelope> Load(const QString &mediaPath) const;
    CResult Store(const QString &mediaPath, const CLevelEnvelope &envelope) const;
    // The entry for the recording as it is now; empty when the recording is missing.
    QString FileFor(const QString &mediaPath) const;

private:
    QString m_strFolder;
};
