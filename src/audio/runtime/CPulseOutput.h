// The output on a PulseAudio server (PipeWire's PulseAudio service included), reached
// through libpulse. The server holds two buffers of the stream: it asks for the next
// buffer once one has been played, and the mixer renders straight into the server's
// memory. One wake per buffer is what keeps playing cheap: SDL's PulseAudio driver asks
// the server to hold a single buffer, and the server then asks for a few hundred frames
// at a time, waking the program several times a buffer.
#pragma once

#include "COutput.h"

#include <atomic>
#include <cstddef>
#include <memory>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

class CPulseOutput final : public COutput
{
public:
    // Connects to the server and starts a stream on its default sink at rate Hz; null
    // when no server answers or it refuses the stream.
    static std::unique_ptr<CPulseOutput> Open(CMixer &mixer, CSyncDispatcher &syncs, int rate);
    // Stops the stream's thread, then leaves the server: nothing is rendered once this
    // returns.
    ~CPulseOutput() override;

    // True once the server has gone away or dropped the stream.
    bool IsLost() const override { return m_bLost.load(); }

private:
    CPulseOutput(CMixer &mixer, CSyncDispatcher &syncs, int rate);
    // Starts the thread and waits, under its lock, until the stream is ready or failed.
    bool Connect(int rate);
    // Creates the thread and the context, and starts connecting.
    bool StartThread();
    // Under the thread's lock, with the context ready.
    bool StartStream(int rate);
    // Takes the buffer sizes the server granted.
    void AdoptBufferSizes();

    // On the stream's thread, under its lock.
    static void OnContextState(pa_context *context, void *self);
    static void OnStreamState(pa_stream *stream, void *self);
    static void OnWritable(pa_stream *stream, size_t bytes, void *self);

    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    std::atomic<bool> m_bLost{false};
};
