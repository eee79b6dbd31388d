// Feeds arbitrary bytes through the subtitle decoder and cue parser and checks
// the cues come out sorted by start, none ending before it starts or without
// text.
#include "lists/CSubtitleFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto cues =
        CSubtitleFile::FromBytes(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    for (std::size_t i = 0; i < cues.size(); ++i) {
        if (cues[i].m_dwEndMs < cues[i].m_dwStartMs || cues[i].m_strText.isEmpty())
            std::abort();
        if (i > 0 && cues[i - 1].m_dwStartMs > cues[i].m_dwStartMs)
            std::abort();
    }
    return 0;
}
