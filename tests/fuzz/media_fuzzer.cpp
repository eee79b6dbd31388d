// Writes arbitrary bytes to a file and opens it as a stream and as a module; whatever
// opens is read, sought and measured. Each step is bounded: a few blocks per read, a
// few seeks, so one input never runs long.
#include "AudioApi.h"
#include "CFfmpegSource.h"
#include "CModuleSource.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
constexpr int kBlock = 1024;
constexpr int kBlocksPerRead = 4;

const std::string &InputPath()
{
    static const std::string path = [] {
        av_log_set_level(AV_LOG_QUIET);
        std::atexit([] { std::remove(InputPath().c_str()); });
        return (std::filesystem::temp_directory_path() / ("quillmere-media-fuzz-" + std::to_string(getpid()))).string();
    }();
    return path;
}

bool WriteInput(const std::uint8_t *data, std::size_t size)
{
    std::FILE *file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

// Reads a few blocks; no read may claim more than it was asked for.
void ReadSome(CSource &source, std::vector<float> &block)
{
    for (int i = 0; i < kBlocksPerRead; ++i) {
        const int got = source.Read(block.data(), kBlock);
        if (got < 0 || got > kBlock)
            std::abort();
        if (got == 0)
            return;
    }
}

void Exercise(CSource &source)
{
    if (source.Rate() <= 0 || source.FileChannels() < 1 || source.FileChannels() > 2 || source.LengthFrames() < 0)
        std::abort();
    std::vector<float> block(static_cast<size_t>(kBlock) * 2);
    ReadSome(source, block);
    const int64_t length = source.LengthFrames();
    for (const int64_t target : {length / 2, length - 1, length, int64_t{0}, length + 1}) {
        // A damaged file's length becomes exact once a read meets its end: ask again.
        const bool beyond = target > source.LengthFrames();
        if (source.Seek(target) && (beyond || target < 0))
            std::abort(); // a frame outside the file is refused
        ReadSome(source, block);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (!WriteInput(data, size))
        return 0;
    int error = 0;
    if (std::unique_ptr<CSource> stream = CFfmpegSource::Open(InputPath(), error))
        Exercise(*stream);
    if (std::unique_ptr<CSource> module = CModuleSource::Open(InputPath(), 44100, error))
        Exercise(*module);
    return 0;
}
