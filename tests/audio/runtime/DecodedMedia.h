// The whole of a test recording as the decoder gives it: interleaved stereo
// floats, for tests that compare what is played with the source.
#pragma once

#include "CFfmpegSource.h"
#include "CTestMedia.h"

#include <memory>
#include <string>
#include <vector>

// Everything the source yields from where it stands to its end.
inline std::vector<float> ReadAll(CSource &source)
{
    std::vector<float> all;
    std::vector<float> block(4096 * 2);
    while (const int got = source.Read(block.data(), 4096))
        all.insert(all.end(), block.begin(), block.begin() + got * 2);
    return all;
}

inline std::vector<float> DecodeWhole(const std::string &name)
{
    int error = 0;
    const std::unique_ptr<CSource> source = CFfmpegSource::Open(CTestMedia::Path(name), error);
    return source ? ReadAll(*source) : std::vector<float>();
}
