// What the tempo add-on plugs into a channel: a time stretcher and pitch shifter on
// stereo float frames. The main library drives it; the add-on supplies it.
#pragma once

class CTimeStretch
{
public:
    virtual ~CTimeStretch() = default;

    virtual void Configure(int rate) = 0;
    // 1.0 plays at the source's own speed.
    virtual void SetTempo(double factor) = 0;
    virtual void SetPitch(double semitones) = 0;
    virtual void Put(const float *frames, int count) = 0;
    // Takes up to count processed frames; returns how many.
    virtual int Receive(float *frames, int count) = 0;
    // The source has ended: push the last frames through.
    virtual void Flush() = 0;
    // Drops everything buffered (on a seek).
    virtual void Clear() = 0;
};
