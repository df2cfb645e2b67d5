// Lengths are checked against the bytes left before anything is sized from them,
// so a damaged count cannot make the reader allocate or read past the end.
#include "core/search/PreviewDocumentCodec.h"

#include "core/archive/ByteOrder.h"

#include <cstdint>

namespace vedra::search {
namespace {

constexpr std::string_view kTag = "VPD1";
constexpr std::size_t kSpanBytes = 10;
constexpr std::uint8_t kBold = 1;
constexpr std::uint8_t kUnderline = 2;

void appendU32(std::string& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    archive::putU32le(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

std::uint32_t readU32(std::string_view bytes, std::size_t at)
{
    return archive::getU32le(reinterpret_cast<const std::uint8_t*>(bytes.data() + at));
}

std::uint8_t colourCode(Colour colour)
{
    switch (colour) {
    case Colour::None: return 0;
    case Colour::Blue: return 1;
    case Colour::Red: return 2;
    case Colour::Green: return 3;
    }
    return 0;
}

} // namespace

std::string EncodePreviewDocument(const PreviewDocument& document)
{
    std::string out(kTag);
    appendU32(out, static_cast<std::uint32_t>(document.text().size()));
    out += document.text();
    appendU32(out, static_cast<std::uint32_t>(document.spans().size()));
    for (const MarkedSpan& span : document.spans()) {
        appendU32(out, static_cast<std::uint32_t>(span.start));
        appendU32(out, static_cast<std::uint32_t>(span.length));
        out.push_back(static_cast<char>((span.bold ? kBold : 0) | (span.underline ? kUnderline : 0)));
        out.push_back(static_cast<char>(colourCode(span.colour)));
    }
    return out;
}

std::optional<PreviewDocument> DecodePreviewDocument(std::string_view bytes)
{
    if (bytes.size() < kTag.size() + 4 || bytes.substr(0, kTag.size()) != kTag)
        return std::nullopt;
    std::size_t at = kTag.size();
    const std::uint32_t textLength = readU32(bytes, at);
    at += 4;
    if (textLength > bytes.size() - at || bytes.size() - at - textLength < 4)
        return std::nullopt;
    PreviewDocument document;
    document.appendText(bytes.substr(at, textLength));
    at += textLength;
    const std::uint32_t spanCount = readU32(bytes, at);
    at += 4;
    if ((bytes.size() - at) % kSpanBytes != 0 || (bytes.size() - at) / kSpanBytes != spanCount)
        return std::nullopt;
    for (std::uint32_t i = 0; i < spanCount; ++i, at += kSpanBytes) {
        const std::uint32_t start = readU32(bytes, at);
        const std::uint32_t length = readU32(bytes, at + 4);
        const auto flags = static_cast<std::uint8_t>(bytes[at + 8]);
        const auto colour = static_cast<std::uint8_t>(bytes[at + 9]);
        if (length == 0 || start >= textLength || length > textLength - start || (flags & ~(kBold | kUnderline)) != 0 ||
            colour > 3)
            return std::nullopt;
        static constexpr Colour kColours[] = {Colour::None, Colour::Blue, Colour::Red, Colour::Green};
        document.mark(start, length, {(flags & kBold) != 0, kColours[colour], (flags & kUnderline) != 0});
    }
    return document;
}

} // namespace vedra::search
