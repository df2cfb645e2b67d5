// libFuzzer entry: random text through every URL rule. Besides the sanitizers'
// checks, the rules' own promises are checked: a local name is one plain name, an
// escaped address holds no byte a request line cannot carry, escaping a text
// without '%' is undone exactly.
#include "core/web/HttpFetch.h"
#include "core/web/LinkAtCaret.h"
#include "core/web/UrlRules.h"
#include "core/web/WebEscapes.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void check(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vedra::web;
    const std::string text(reinterpret_cast<const char*>(data), size);

    ClassifiedPath classified = ClassifyResultPath(text);
    check(classified.kind == 'f' || classified.kind == 'w');
    check(classified.kind == 'w' || classified.path.empty() || classified.path[0] == '/' ||
          classified.path.find(kDownloadFolderName) != std::string::npos);
    AddressToOpen(classified.path);

    std::string name = LocalNameForAddress(text);
    check(name.find('/') == std::string::npos && name.find("..") == std::string::npos &&
          name.find('\0') == std::string::npos && name != ".");

    if (text.find('%') == std::string::npos) {
        std::string escaped = text;
        EscapeLocalName(escaped);
        UnescapeLocalName(escaped);
        check(escaped == text);
    }

    std::string address = NormaliseFetchAddress(text);
    std::string scheme = address.substr(0, 8);
    for (char& c : scheme)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    check(address.empty() || scheme.rfind("http://", 0) == 0 || scheme == "https://");
    EscapeUrlAccents(address);
    EscapeUnsafeUrlBytes(address);
    for (char c : address)
        check(static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F);

    std::string headers = text;
    int kind = -1;
    ParseResponseHeaders(headers, kind);
    check(kind >= kContentOther && kind <= kContentPacked && headers.size() == text.size());

    std::size_t caret = size > 0 ? data[0] * 7u : 0;
    LinkAtCaret link = OpenLinkAtCaret(text, caret);
    check(link.action != LinkAction::None || link.target.empty());

    std::string decoded = text;
    DecodeWebEscapes(decoded);
    check(decoded.size() <= text.size());
    FoldAccents(decoded);
    return 0;
}
