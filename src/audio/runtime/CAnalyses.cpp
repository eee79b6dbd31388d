#include "CAnalyses.h"

#include "CFfmpegSource.h"
#include "RuntimeError.h"
#include "ThreadName.h"

#include <vector>

namespace
{
constexpr int kBlockFrames = 8192;
}

CAnalyses &CAnalyses::Instance()
{
    static CAnalyses *analyses = new CAnalyses(); // a pass may outlive static destruction
    return *analyses;
}

HANALYSIS CAnalyses::Start(const std::string &path, ANALYSISPROC *proc, void *user)
{
    if (proc == nullptr)
        return Fail<HANALYSIS>(BASS_ERROR_ILLPARAM, 0);
    std::lock_guard lock(m_mutex);
    JoinFinished();
    const HANALYSIS handle = ++m_lastHandle;
    auto pass = std::make_unique<SPass>();
    pass->thread = std::thread(&CAnalyses::Run, handle, path, proc, user, std::ref(*pass));
    m_passes.emplace(handle, std::move(pass));
    SetRuntimeError(BASS_OK);
    return handle;
}

bool CAnalyses::End(HANALYSIS handle)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_passes.find(handle);
    if (found == m_passes.end())
        return Fail(BASS_ERROR_HANDLE, false);
    {
        std::lock_guard told(found->second->mutex); // waits for a procedure under way
        found->second->bEnded = true;
    }
    m_ended.push_back(std::move(found->second));
    m_passes.erase(found);
    JoinFinished();
    SetRuntimeError(BASS_OK);
    return true;
}

void CAnalyses::JoinFinished()
{
    for (auto pass = m_ended.begin(); pass != m_ended.end();) {
        if (!(*pass)->bFinished.load()) {
            ++pass;
            continue;
        }
        (*pass)->thread.join();
        pass = m_ended.erase(pass);
    }
}

void CAnalyses::JoinEnded()
{
    std::list<std::unique_ptr<SPass>> ended;
    {
        std::lock_guard lock(m_mutex);
        ended.swap(m_ended);
    }
    for (const std::unique_ptr<SPass> &pass : ended)
        pass->thread.join();
}

bool CAnalyses::Tell(SPass &pass, ANALYSISPROC *proc, HANALYSIS handle, const float *samples, DWORD frames, DWORD rate,
                     DWORD error, void *user)
{
    std::lock_guard lock(pass.mutex);
    if (pass.bEnded)
        return false;
    proc(handle, samples, frames, rate, error, user);
    return true;
}

void CAnalyses::Run(HANALYSIS handle, const std::string &path, ANALYSISPROC *proc, void *user, SPass &pass)
{
    NameThisThread("QuillmereScan");
    int error = BASS_OK;
    std::unique_ptr<CSource> source = CFfmpegSource::Open(path, error);
    if (source == nullptr) {
        Tell(pass, proc, handle, nullptr, 0, 0, static_cast<DWORD>(error), user);
    } else {
        std::vector<float> block(static_cast<size_t>(kBlockFrames) * 2);
        const auto rate = static_cast<DWORD>(source->Rate());
        bool told = true;
        while (told) {
            const int frames = source->Read(block.data(), kBlockFrames);
            if (frames <= 0)
                break;
            told = Tell(pass, proc, handle, block.data(), static_cast<DWORD>(frames), rate, BASS_OK, user);
        }
        if (told)
            Tell(pass, proc, handle, nullptr, 0, rate, BASS_OK, user);
    }
    pass.bFinished = true;
}
