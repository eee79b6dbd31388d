#include "CPulseOutput.h"

#include <algorithm>
#include <pulse/pulseaudio.h>

namespace
{
// The name of the stream's thread (at most 15 characters).
constexpr const char *kThreadName = "QuillmereOutput";

// Holds the thread's lock for a scope; callbacks run under it too.
class CLoopLock
{
public:
    explicit CLoopLock(pa_threaded_mainloop *loop) : m_loop(loop) { pa_threaded_mainloop_lock(loop); }
    ~CLoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    CLoopLock(const CLoopLock &) = delete;
    CLoopLock &operator=(const CLoopLock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

// Under the thread's lock: waits until the state is ready (true) or no longer good (false).
template <typename Current, typename State, typename Good>
bool WaitUntilReady(pa_threaded_mainloop *loop, Current current, State ready, Good good)
{
    for (State state = current(); state != ready; state = current()) {
        if (!good(state))
            return false;
        pa_threaded_mainloop_wait(loop);
    }
    return true;
}
} // namespace

CPulseOutput::CPulseOutput(CMixer &mixer, CSyncDispatcher &syncs, int rate) : COutput(mixer, syncs, rate)
{
    m_bufferFrames = kBufferFrames;
}

std::unique_ptr<CPulseOutput> CPulseOutput::Open(CMixer &mixer, CSyncDispatcher &syncs, int rate)
{
    std::unique_ptr<CPulseOutput> output(new CPulseOutput(mixer, syncs, rate));
    // What is rendered before the server's sizes are known is placed by the sizes asked for.
    mixer.SetLatencyFrames(kBufferFrames);
    if (!output->Connect(rate))
        return nullptr;
    return output;
}

CPulseOutput::~CPulseOutput()
{
    if (m_loop == nullptr)
        return;
    // Joins the thread first: no callback runs from it after this, so the rest needs no
    // lock. Leaving calls the state callbacks at once; they are taken off first.
    pa_threaded_mainloop_stop(m_loop);
    if (m_stream != nullptr) {
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_write_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
    }
    if (m_context != nullptr) {
        pa_context_set_state_callback(m_context, nullptr, nullptr);
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
    }
    pa_threaded_mainloop_free(m_loop);
}

bool CPulseOutput::Connect(int rate)
{
    if (!StartThread())
        return false;
    const CLoopLock lock(m_loop);
    if (!WaitUntilReady(
            m_loop, [this] { return pa_context_get_state(m_context); }, PA_CONTEXT_READY, PA_CONTEXT_IS_GOOD))
        return false;
    if (!StartStream(rate))
        return false;
    if (!WaitUntilReady(
            m_loop, [this] { return pa_stream_get_state(m_stream); }, PA_STREAM_READY, PA_STREAM_IS_GOOD))
        return false;
    AdoptBufferSizes();
    return true;
}

bool CPulseOutput::StartThread()
{
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr)
        return false;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Quillmere");
    if (m_context == nullptr)
        return false;
    pa_context_set_state_callback(m_context, &CPulseOutput::OnContextState, this);
    // No server is started for us: without one, SDL's drivers are tried instead.
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        return false;
    pa_threaded_mainloop_set_name(m_loop, kThreadName);
    return pa_threaded_mainloop_start(m_loop) >= 0;
}

// Two buffers held, one asked for at a time.
bool CPulseOutput::StartStream(int rate)
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, static_cast<uint32_t>(rate), 2};
    m_stream = pa_stream_new(m_context, "Quillmere", &spec, nullptr);
    if (m_stream == nullptr)
        return false;
    pa_stream_set_state_callback(m_stream, &CPulseOutput::OnStreamState, this);
    pa_stream_set_write_callback(m_stream, &CPulseOutput::OnWritable, this);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(2 * kBufferFrames * kFrameBytes);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(kBufferFrames * kFrameBytes);
    attributes.fragsize = static_cast<uint32_t>(-1);
    return pa_stream_connect_playback(m_stream, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) >= 0;
}

// The server may grant other sizes than asked; a request comes when what it still holds
// falls to tlength - minreq, so that much lies between a block rendered and the ear.
void CPulseOutput::AdoptBufferSizes()
{
    const pa_buffer_attr *granted = pa_stream_get_buffer_attr(m_stream);
    if (granted == nullptr || granted->minreq < kFrameBytes)
        return;
    m_bufferFrames = static_cast<int>(granted->minreq / kFrameBytes);
    const uint32_t queued = granted->tlength > granted->minreq ? granted->tlength - granted->minreq : granted->minreq;
    m_mixer.SetLatencyFrames(static_cast<int>(queued / kFrameBytes));
}

void CPulseOutput::OnContextState(pa_context *context, void *self)
{
    auto *output = static_cast<CPulseOutput *>(self);
    if (!PA_CONTEXT_IS_GOOD(pa_context_get_state(context)))
        output->m_bLost = true;
    pa_threaded_mainloop_signal(output->m_loop, 0);
}

void CPulseOutput::OnStreamState(pa_stream *stream, void *self)
{
    auto *output = static_cast<CPulseOutput *>(self);
    if (!PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        output->m_bLost = true;
    pa_threaded_mainloop_signal(output->m_loop, 0);
}

// Renders what the server asks for into its own memory, a buffer at a time at most, so
// each block's ends fit the block.
void CPulseOutput::OnWritable(pa_stream *stream, size_t bytes, void *self)
{
    auto *output = static_cast<CPulseOutput *>(self);
    while (bytes >= kFrameBytes) {
        void *memory = nullptr;
        size_t granted = std::min(bytes, static_cast<size_t>(output->m_bufferFrames) * kFrameBytes);
        if (pa_stream_begin_write(stream, &memory, &granted) < 0 || memory == nullptr)
            return;
        const size_t frames = granted / kFrameBytes;
        if (frames == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        output->Render(static_cast<float *>(memory), static_cast<int>(frames));
        if (pa_stream_write(stream, memory, frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        bytes -= frames * kFrameBytes;
    }
}
