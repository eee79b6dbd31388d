// Feeds arbitrary bytes through the timing-file decoder and tag parser and
// checks the store stays in ascending order.
#include "base/CodePage.h"
#include "lists/CLrcFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    CLrcFile store;
    store.AddTagsFromText(
        DecodeLearnerText(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size))));
    for (int i = 1; i < store.GetCount(); ++i) {
        if (store.GetAt(i - 1) > store.GetAt(i))
            std::abort();
    }
    const auto rows = SelectionsFromTags(store, 60000);
    if (rows.size() != static_cast<std::size_t>(store.GetCount()))
        std::abort();
    return 0;
}
