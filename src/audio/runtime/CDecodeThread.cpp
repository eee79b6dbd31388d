#include "CDecodeThread.h"

namespace
{
// How long a full ring may wait before it is looked at again: far below the ring's
// length, so the output never runs dry while the thread sleeps.
constexpr std::chrono::milliseconds kIdle{5};
} // namespace

CDecodeThread::CDecodeThread(CMixer &mixer) : m_mixer(mixer), m_thread([this] { Run(); }) {}

CDecodeThread::~CDecodeThread()
{
    m_stopping = true;
    m_mixer.Wake();
    m_thread.join();
}

void CDecodeThread::Run()
{
    while (!m_stopping.load()) {
        if (!m_mixer.DecodeAhead())
            m_mixer.WaitForWork(kIdle);
    }
}
