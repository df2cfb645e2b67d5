// libFuzzer entry: random bytes as an introduction page. Besides the sanitizers'
// checks, the reader's promises are checked: every span lies inside the text,
// spans do not overlap, and the text is never longer than the input.
#include "core/search/RtfText.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    vedra::search::PreviewDocument text = vedra::search::ReadRtfText(input);
    if (text.text().size() > size)
        std::abort();
    std::size_t previousEnd = 0;
    for (const vedra::search::MarkedSpan& span : text.spans()) {
        if (span.length == 0 || span.start < previousEnd || span.start + span.length > text.text().size())
            std::abort();
        previousEnd = span.start + span.length;
    }
    return 0;
}
