#include "CDecodeThread.h"

#include "ThreadName.h"

CDecodeThread::CDecodeThread(CMixer &mixer) : m_mixer(mixer), m_thread([this] { Run(); }) {}

CDecodeThread::~CDecodeThread()
{
    m_stopping = true;
    m_mixer.Wake();
    m_thread.join();
}

void CDecodeThread::Run()
{
    NameThisThread("QuillmereDecode");
    while (!m_stopping.load()) {
        if (!m_mixer.DecodeAhead())
            m_mixer.WaitForWork();
    }
}
