// The level envelope of a recording, measured by one pass over its samples on the
// player's analysis thread. The window's thread never waits for it: the envelope grows
// as the pass decodes, and Grown and Finished arrive through the event loop. A
// recording measured before is taken from the cache instead, and one measured whole
// is kept there.
#pragma once

#include "audio/IMediaPlayer.h"
#include "lists/CEnvelopeCache.h"
#include "lists/CLevelEnvelope.h"

#include <QObject>
#include <memory>
#include <mutex>
#include <vector>

class CRecordingAnalysis : public QObject
{
    Q_OBJECT

public:
    // Starts measuring path, unless the cache has it; Finished follows through the event
    // loop at once when no pass can start or the cache had it.
    CRecordingAnalysis(IMediaPlayer &player, const QString &path, const CEnvelopeCache &cache,
                       QObject *parent = nullptr);
    // Ends the pass and waits for it.
    ~CRecordingAnalysis() override;

    const QString &Path() const { return m_strPath; }
    int WindowMs() const { return CLevelEnvelope::kDefaultWindowMs; }
    // The peaks measured so far, from window first on.
    std::vector<float> PeaksFrom(int first) const;
    // The whole envelope, once Finished(true) has arrived; null before.
    const CLevelEnvelope *Envelope() const { return m_bFinished ? m_pEnvelope.get() : nullptr; }

signals:
    void Grown(int windows);
    void Finished(bool whole);

private:
    void OnBlock(const float *samples, int frames, int rate);
    void OnEnd(bool whole);
    void TellWhole(bool whole, int windows);

    QString m_strPath;
    const CEnvelopeCache &m_cache;
    mutable std::mutex m_mutex; // the envelope: fed on the pass's thread, read on the window's
    std::unique_ptr<CLevelEnvelope> m_pEnvelope;
    int m_nToldWindows = 0; // on the pass's thread
    bool m_bFinished = false;
    std::unique_ptr<IMediaPlayer::IAnalysis> m_pPass; // last: it ends first
};
