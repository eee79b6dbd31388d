// Renders a tracker module through libopenmpt as stereo float frames at a chosen rate.
#pragma once

#include "CSource.h"

#include <memory>
#include <string>

namespace openmpt
{
class module;
}

class CModuleSource : public CSource
{
public:
    // Loads path (UTF-8) rendered at rate Hz; on failure returns null and sets error.
    static std::unique_ptr<CSource> Open(const std::string &path, int rate, int &error);
    ~CModuleSource() override;

    int Read(float *out, int frames) override;
    bool Seek(int64_t frame) override;
    int64_t LengthFrames() const override { return m_length; }
    int Rate() const override { return m_rate; }
    int FileChannels() const override { return 2; }

private:
    CModuleSource(std::unique_ptr<openmpt::module> module, int rate);

    std::unique_ptr<openmpt::module> m_module;
    int m_rate;
    int64_t m_length;
};
