#include "CAnalyses.h"

#include "CFfmpegSource.h"
#include "RuntimeError.h"

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
    const HANALYSIS handle = ++m_lastHandle;
    auto pass = std::make_unique<SPass>();
    pass->thread = std::thread(&CAnalyses::Run, handle, path, proc, user, std::cref(pass->bCancelled));
    m_passes.emplace(handle, std::move(pass));
    SetRuntimeError(BASS_OK);
    return handle;
}

bool CAnalyses::End(HANALYSIS handle)
{
    std::unique_ptr<SPass> pass;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_passes.find(handle);
        if (found == m_passes.end())
            return Fail(BASS_ERROR_HANDLE, false);
        pass = std::move(found->second);
        m_passes.erase(found);
    }
    pass->bCancelled = true;
    pass->thread.join();
    SetRuntimeError(BASS_OK);
    return true;
}

void CAnalyses::Run(HANALYSIS handle, const std::string &path, ANALYSISPROC *proc, void *user,
                    const std::atomic<bool> &cancelled)
{
    int error = BASS_OK;
    std::unique_ptr<CSource> source = CFfmpegSource::Open(path, error);
    if (source == nullptr) {
        proc(handle, nullptr, 0, 0, static_cast<DWORD>(error), user);
        return;
    }
    std::vector<float> block(static_cast<size_t>(kBlockFrames) * 2);
    const auto rate = static_cast<DWORD>(source->Rate());
    while (!cancelled.load()) {
        const int frames = source->Read(block.data(), kBlockFrames);
        if (frames <= 0)
            break;
        proc(handle, block.data(), static_cast<DWORD>(frames), rate, BASS_OK, user);
    }
    if (!cancelled.load())
        proc(handle, nullptr, 0, rate, BASS_OK, user);
}
