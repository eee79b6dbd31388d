#include "session/CRecordingAnalysis.h"

namespace
{
// How much new envelope is told at a time: a screenful grows smoothly, and the event
// loop is not flooded.
constexpr int kWindowsPerTelling = 200;
} // namespace

CRecordingAnalysis::CRecordingAnalysis(IMediaPlayer &player, const QString &path, const CEnvelopeCache &cache,
                                       QObject *parent)
    : QObject(parent), m_strPath(path), m_cache(cache)
{
    m_pEnvelope = cache.Load(path);
    if (m_pEnvelope != nullptr) {
        const int windows = m_pEnvelope->WindowCount();
        QMetaObject::invokeMethod(
            this, [this, windows] { TellWhole(true, windows); }, Qt::QueuedConnection);
        return;
    }
    m_pPass = player.Analyze(
        path, [this](const float *samples, int frames, int rate) { OnBlock(samples, frames, rate); },
        [this](bool whole) { OnEnd(whole); });
    if (m_pPass == nullptr)
        QMetaObject::invokeMethod(
            this, [this] { emit Finished(false); }, Qt::QueuedConnection);
}

CRecordingAnalysis::~CRecordingAnalysis()
{
    m_pPass.reset();
}

void CRecordingAnalysis::OnBlock(const float *samples, int frames, int rate)
{
    int windows = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_pEnvelope == nullptr)
            m_pEnvelope = std::make_unique<CLevelEnvelope>(rate, 2);
        m_pEnvelope->Feed(samples, static_cast<size_t>(frames));
        windows = m_pEnvelope->WindowCount();
    }
    if (windows - m_nToldWindows < kWindowsPerTelling)
        return;
    m_nToldWindows = windows;
    QMetaObject::invokeMethod(
        this, [this, windows] { emit Grown(windows); }, Qt::QueuedConnection);
}

void CRecordingAnalysis::OnEnd(bool whole)
{
    int windows = 0;
    {
        std::lock_guard lock(m_mutex);
        if (m_pEnvelope != nullptr) {
            m_pEnvelope->Finish();
            windows = m_pEnvelope->WindowCount();
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, whole, windows] {
            TellWhole(whole, windows);
            if (m_bFinished)
                (void)m_cache.Store(m_strPath, *m_pEnvelope); // only a later opening is slower without it
        },
        Qt::QueuedConnection);
}

void CRecordingAnalysis::TellWhole(bool whole, int windows)
{
    m_bFinished = whole && windows > 0;
    emit Grown(windows);
    emit Finished(m_bFinished);
}

std::vector<float> CRecordingAnalysis::PeaksFrom(int first) const
{
    std::lock_guard lock(m_mutex);
    std::vector<float> peaks;
    const int count = m_pEnvelope == nullptr ? 0 : m_pEnvelope->WindowCount();
    for (int window = std::max(first, 0); window < count; ++window)
        peaks.push_back(m_pEnvelope->PeakAt(window));
    return peaks;
}
