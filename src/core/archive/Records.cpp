// Decoders take the bytes available and refuse a text with no NUL inside them, so
// a record cut short by a damaged offset reads as absent, never as a text running
// past the buffer. A document key is looked for only within the 1052 bytes a
// reader fetches, however many are passed.
#include "core/archive/Records.h"

#include "core/archive/ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace vedra::archive {
namespace {

void appendU32(std::string& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    putU32le(bytes, value);
    out.append(reinterpret_cast<const char*>(bytes), 4);
}

// The NUL-terminated text at bytes[from, size); empty optional without a NUL.
std::optional<std::string> terminatedText(const std::uint8_t* bytes, std::size_t size, std::size_t from)
{
    if (from > size)
        return std::nullopt;
    const void* nul = std::memchr(bytes + from, 0, size - from);
    if (nul == nullptr)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(bytes + from), static_cast<const std::uint8_t*>(nul) - (bytes + from));
}

} // namespace

void WordNode::encode(std::string& out) const
{
    appendU32(out, greater);
    appendU32(out, less);
    appendU32(out, postings);
    out.append(word);
    out.push_back('\0');
}

std::optional<WordNode> WordNode::decode(const std::uint8_t* bytes, std::size_t size)
{
    if (size < kHeaderSize + 1)
        return std::nullopt;
    auto word = terminatedText(bytes, size, kHeaderSize);
    if (!word)
        return std::nullopt;
    return WordNode{getU32le(bytes), getU32le(bytes + 4), getU32le(bytes + 8), std::move(*word)};
}

void Posting::encode(std::uint8_t* out) const
{
    putU32le(out, document);
    putU32le(out + 4, next);
}

Posting Posting::decode(const std::uint8_t* bytes)
{
    return Posting{getU32le(bytes), getU32le(bytes + 4)};
}

void DocKeyNode::encode(std::uint8_t* out) const
{
    putU32le(out, greater);
    putU32le(out + 4, less);
    putU32le(out + 8, record);
}

DocKeyNode DocKeyNode::decode(const std::uint8_t* bytes)
{
    return DocKeyNode{getU32le(bytes), getU32le(bytes + 4), getU32le(bytes + 8)};
}

void DocumentHeader::encode(std::uint8_t* out) const
{
    std::memset(out, 0, kSize);
    putI32le(out + 92, filesWithText);
    putI32le(out + 100, documents);
}

DocumentHeader DocumentHeader::decode(const std::uint8_t* bytes)
{
    return DocumentHeader{getI32le(bytes + 92), getI32le(bytes + 100)};
}

std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds)
{
    constexpr std::int64_t kEpochDifference = 11644473600;  // 1601-01-01 to 1970-01-01
    std::int64_t since1601 = seconds + kEpochDifference;
    if (since1601 < 0)
        return 0;
    return static_cast<std::uint64_t>(since1601) * 10'000'000ULL + static_cast<std::uint64_t>(nanoseconds / 100);
}

void DocRecord::encodeFixed(std::uint8_t* out) const
{
    putU32le(out, number);
    putU64le(out + 4, lastWrite);
    putU32le(out + 12, size);
    putU32le(out + 16, wordList);
    putU32le(out + 20, folderText);
    out[24] = static_cast<std::uint8_t>(kind);
}

void DocRecord::encode(std::string& out) const
{
    std::uint8_t fixed[kFixedSize];
    encodeFixed(fixed);
    out.append(reinterpret_cast<const char*>(fixed), kFixedSize);
    out.append(key);
    out.push_back('\0');
}

std::optional<DocRecord> DocRecord::decode(const std::uint8_t* bytes, std::size_t size)
{
    DocRecord record;
    if (!decodeInto(bytes, size, record))
        return std::nullopt;
    return record;
}

bool DocRecord::decodeInto(const std::uint8_t* bytes, std::size_t size, DocRecord& out)
{
    if (size < kFixedSize + 1)
        return false;
    const std::size_t end = std::min(size, kReadSize);
    const void* nul = std::memchr(bytes + kFixedSize, 0, end - kFixedSize);
    if (nul == nullptr)
        return false;
    out.number = getU32le(bytes);
    out.lastWrite = getU64le(bytes + 4);
    out.size = getU32le(bytes + 12);
    out.wordList = getU32le(bytes + 16);
    out.folderText = getU32le(bytes + 20);
    out.kind = static_cast<char>(bytes[24]);
    out.key.assign(reinterpret_cast<const char*>(bytes + kFixedSize),
                   static_cast<const std::uint8_t*>(nul) - (bytes + kFixedSize));
    return true;
}

void FolderNode::encode(std::string& out) const
{
    appendU32(out, greater);
    appendU32(out, less);
    out.push_back('\n');
    out.append(text);
    out.push_back('\0');
}

std::optional<FolderNode> FolderNode::decode(const std::uint8_t* bytes, std::size_t size)
{
    if (size < kTextOffset + 1)
        return std::nullopt;
    auto text = terminatedText(bytes, size, kTextOffset);
    if (!text)
        return std::nullopt;
    return FolderNode{getU32le(bytes), getU32le(bytes + 4), std::move(*text)};
}

std::uint32_t packShortWord(std::string_view word)
{
    std::uint8_t bytes[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < 3 && i < word.size(); ++i)
        bytes[i + 1] = static_cast<std::uint8_t>(word[i]);
    return getU32le(bytes);
}

void RootNode::encode(std::string& out) const
{
    appendU32(out, greater);
    appendU32(out, less);
    out.append(root);
    out.push_back('\0');
}

std::optional<RootNode> RootNode::decode(const std::uint8_t* bytes, std::size_t size)
{
    if (size < kHeaderSize + 1)
        return std::nullopt;
    auto root = terminatedText(bytes, size, kHeaderSize);
    if (!root)
        return std::nullopt;
    return RootNode{getU32le(bytes), getU32le(bytes + 4), std::move(*root)};
}

std::string reversed(std::string_view text)
{
    return std::string(text.rbegin(), text.rend());
}

} // namespace vedra::archive
