#include "CModuleSource.h"

#include "AudioApi.h"

#include <fstream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <vector>

std::unique_ptr<CSource> CModuleSource::Open(const std::string &path, int rate, int &error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = BASS_ERROR_FILEOPEN;
        return nullptr;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    try {
        auto module = std::make_unique<openmpt::module>(bytes);
        module->set_repeat_count(0);
        // Volume ramping smooths note starts the way the module flags ask for.
        module->set_render_param(openmpt::module::RENDER_VOLUMERAMPING_STRENGTH, -1);
        error = BASS_OK;
        return std::unique_ptr<CSource>(new CModuleSource(std::move(module), rate));
    } catch (const std::exception &) {
        error = BASS_ERROR_FILEFORM;
        return nullptr;
    }
}

CModuleSource::CModuleSource(std::unique_ptr<openmpt::module> module, int rate)
    : m_module(std::move(module)), m_rate(rate),
      m_length(static_cast<int64_t>(m_module->get_duration_seconds() * rate + 0.5))
{
    // Modules carry a song title and sometimes an artist, but no bit rate.
    AddTag("title", m_module->get_metadata("title"));
    AddTag("artist", m_module->get_metadata("artist"));
}

CModuleSource::~CModuleSource() = default;

int CModuleSource::Read(float *out, int frames)
{
    return static_cast<int>(m_module->read_interleaved_stereo(m_rate, static_cast<std::size_t>(frames), out));
}

bool CModuleSource::Seek(int64_t frame)
{
    if (frame < 0 || frame > m_length)
        return false;
    m_module->set_position_seconds(static_cast<double>(frame) / m_rate);
    return true;
}
