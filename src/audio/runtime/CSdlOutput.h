// The output through SDL: its default device in callback mode (float stereo), for every
// driver SDL has (ALSA, its dummy and disk drivers the tests use) when the PulseAudio
// server is not reached directly.
#pragma once

#include "COutput.h"

#include <cstdint>
#include <memory>

class CSdlOutput final : public COutput
{
public:
    // Opens and starts the default device at rate Hz; null and error set on failure.
    static std::unique_ptr<CSdlOutput> Open(CMixer &mixer, CSyncDispatcher &syncs, int rate, int &error);
    // Pauses, then closes the device: no callback runs once this returns.
    ~CSdlOutput() override;

    // True once SDL has stopped the device for good.
    bool IsLost() const override;

private:
    CSdlOutput(CMixer &mixer, CSyncDispatcher &syncs, int rate);
    static void Callback(void *self, uint8_t *stream, int length);

    uint32_t m_device = 0;
};
