// The tempo add-on's time stretcher: SoundTouch with settings suited to speech.
#pragma once

#include "../CTimeStretch.h"

#include <memory>

namespace soundtouch
{
class SoundTouch;
}

class CSoundTouchStretch : public CTimeStretch
{
public:
    CSoundTouchStretch();
    ~CSoundTouchStretch() override;

    void Configure(int rate) override;
    void SetTempo(double factor) override;
    void SetPitch(double semitones) override;
    void Put(const float *frames, int count) override;
    int Receive(float *frames, int count) override;
    void Flush() override;
    void Clear() override;

private:
    void UseAntiAliasFilterFor(double semitones);

    std::unique_ptr<soundtouch::SoundTouch> m_touch;
};
