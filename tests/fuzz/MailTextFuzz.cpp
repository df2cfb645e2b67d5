// libFuzzer entry: random bytes as a mail file and as a mailbox, and through each
// decoder. Besides the sanitizers' checks, the decoders' promises are checked:
// none of them grows its input (base64 shrinks it by a quarter), and the text of
// a mail stays within twice its bytes, and attachments keep their limits and get
// names fit for files.
#include "core/indexing/MailText.h"

#include <cstdint>
#include <set>
#include <string>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vedra::indexing;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    if (MailText(input, false).size() > 2 * size + 64 || MailText(input, true).size() > 2 * size + 64)
        std::abort();
    if (DecodeQuotedPrintable(input).size() > size || DecodeQuotedPrintable(input, true).size() > size)
        std::abort();
    if (DecodeBase64(input).size() > size / 4 * 3 + 2)
        std::abort();
    for (std::string_view charset : {"utf-8", "iso-8859-1", "iso-8859-15", "windows-1252", "", "x-unknown"})
        if (CharsetToCp1252(input, charset).size() > size)
            std::abort();
    (void)DecodeHeaderWords(input);
    // Attachments: within the limits, each name safe for a file and unique.
    for (bool mailbox : {false, true}) {
        std::size_t total = 0;
        std::set<std::string> names;
        for (const MailAttachment& attachment : MailAttachments(input, mailbox, [](std::string_view) { return true; })) {
            total += attachment.bytes.size();
            const std::string& name = attachment.name;
            if (name.empty() || name.front() == '.' || name.find('/') != std::string::npos ||
                name.find('\\') != std::string::npos || name.size() > 200 || !names.insert(name).second)
                std::abort();
        }
        if (total > kMailAttachmentLimit || names.size() > kMailAttachmentCountLimit)
            std::abort();
    }
    (void)LooksLikeMbox(input);
    return 0;
}
