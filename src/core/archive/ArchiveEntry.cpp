// A text field reads up to its first NUL or the field's end, so an unterminated
// field still decodes; on encoding it is cut one byte short so a NUL always
// follows. Encoding starts from zeros, so the unused areas are always zero.
#include "core/archive/ArchiveEntry.h"

#include "core/archive/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace vedra::archive {
namespace {

std::string fixedText(const std::uint8_t* bytes, std::size_t width)
{
    const void* nul = std::memchr(bytes, 0, width);
    std::size_t length = nul ? static_cast<const std::uint8_t*>(nul) - bytes : width;
    return std::string(reinterpret_cast<const char*>(bytes), length);
}

void putFixedText(std::uint8_t* out, std::size_t width, const std::string& text)
{
    std::size_t length = std::min(text.size(), width - 1);
    std::memcpy(out, text.data(), length);
}

} // namespace

ArchiveEntry ArchiveEntry::decode(const std::uint8_t* bytes)
{
    ArchiveEntry entry;
    entry.identification = fixedText(bytes, kIdentificationSize);
    entry.keptValue = getI32le(bytes + 48);
    entry.creationDate = fixedText(bytes + 52, kCreationDateSize);
    entry.extractLength = getU16le(bytes + 72);
    entry.minWordLength = getI32le(bytes + 84);
    entry.truncationLength = getI32le(bytes + 88);
    return entry;
}

void ArchiveEntry::encode(std::uint8_t* out) const
{
    std::memset(out, 0, kSize);
    putFixedText(out, kIdentificationSize, identification);
    putI32le(out + 48, keptValue);
    putFixedText(out + 52, kCreationDateSize, creationDate);
    putU16le(out + 72, extractLength);
    putI32le(out + 84, minWordLength);
    putI32le(out + 88, truncationLength);
    putU16le(out + 92, 0);
}

} // namespace vedra::archive
