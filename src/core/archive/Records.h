// The fixed-layout records of an archive, with explicit little-endian codecs.
// Every integer is 32-bit little-endian; every offset is absolute in the file that
// holds the thing pointed to; offset 0 means none.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::archive {

// BucketTable, at the head of "PAR.", "ORD.", "RAD." and "PTH.":
//   0  int32[6501]  slot i = offset of the root node of bucket i, 0 = none
// Nodes therefore start at offset 26004 or later.
inline constexpr std::uint32_t kBucketCount = 6501;
inline constexpr std::uint32_t kBucketTableSize = kBucketCount * 4;  // 26004

// WordNode, in "PAR.":
//   0  int32  greater   offset of the subtree of larger words, 0 = none
//   4  int32  less      offset of the subtree of smaller words, 0 = none
//   8  int32  postings  offset in "LNK." of the newest posting of the word
//  12  chars  word, NUL-terminated (lower case, folded, at most the truncation length)
// A reader fetches 92 bytes: the header and up to 80 characters.
struct WordNode {
    static constexpr std::size_t kHeaderSize = 12;
    static constexpr std::size_t kReadSize = 92;
    std::uint32_t greater = 0;
    std::uint32_t less = 0;
    std::uint32_t postings = 0;
    std::string word;

    std::size_t encodedSize() const { return kHeaderSize + word.size() + 1; }
    void encode(std::string& out) const;
    // Empty when the bytes hold no terminated word.
    static std::optional<WordNode> decode(const std::uint8_t* bytes, std::size_t size);
};

// Posting, in "LNK." (which begins with the 8 bytes "LNK_PAR\0"):
//   0  int32  document number
//   4  int32  next (older) posting of the same word, 0 = end
struct Posting {
    static constexpr std::size_t kSize = 8;
    std::uint32_t document = 0;
    std::uint32_t next = 0;

    void encode(std::uint8_t* out) const;
    static Posting decode(const std::uint8_t* bytes);
};

// DocKeyNode, in "ORD." after the bucket table; node of document k at 26004 + 12*(k-1):
//   0  int32  greater
//   4  int32  less
//   8  int32  offset of the document record in "IND."
struct DocKeyNode {
    static constexpr std::size_t kSize = 12;
    std::uint32_t greater = 0;
    std::uint32_t less = 0;
    std::uint32_t record = 0;

    void encode(std::uint8_t* out) const;
    static DocKeyNode decode(const std::uint8_t* bytes);
};

inline constexpr std::uint32_t docKeyNodeOffset(std::uint32_t documentNumber)
{
    return kBucketTableSize + DocKeyNode::kSize * (documentNumber - 1);
}

// The header of "IND." (196 bytes, otherwise zero):
//  92  int32  number of files whose text was indexed
// 100  int32  number of documents
struct DocumentHeader {
    static constexpr std::size_t kSize = 196;
    std::int32_t filesWithText = 0;
    std::int32_t documents = 0;

    void encode(std::uint8_t* out) const;
    static DocumentHeader decode(const std::uint8_t* bytes);
};

// DocRecord, in "IND." after its header; 25 + name length + 1 bytes:
//   0  int32    document number
//   4  8 bytes  last-write time, FILETIME (100-ns ticks since 1601, UTC)
//  12  int32    file size (low 32 bits)
//  16  int32    offset in "RCP." of the document's word list, 0 = content not read
//  20  int32    offset in "PTH." of the text of the folder node holding the document
//  24  char     kind: 'f' disk, 'w' web page, 'c' rewritten by a marking update
//  25  chars    key name: "\folder\file" REVERSED, NUL-terminated
// A reader fetches 1052 bytes; key names are kept to 1027 bytes with their NUL.
// The kind of a record whose file is gone from a folder a run walked: its postings
// are taken out of the word lists and walks skip it; a file that comes back at
// the same place takes the record up again.
inline constexpr char kRemovedKind = 'x';

// The FILETIME a record holds for a modification time given in seconds and
// nanoseconds from 1970; 0 before 1601.
std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds);

struct DocRecord {
    static constexpr std::size_t kFixedSize = 25;
    static constexpr std::size_t kReadSize = 1052;
    static constexpr std::size_t kMaxKeyBytes = 1027;  // with the terminator
    std::uint32_t number = 0;
    std::uint64_t lastWrite = 0;
    std::uint32_t size = 0;
    std::uint32_t wordList = 0;
    std::uint32_t folderText = 0;
    char kind = 'f';
    std::string key;  // reversed, as stored

    std::size_t encodedSize() const { return kFixedSize + key.size() + 1; }
    void encode(std::string& out) const;
    // The first 25 bytes only (an update rewrites them in place).
    void encodeFixed(std::uint8_t* out) const;
    static std::optional<DocRecord> decode(const std::uint8_t* bytes, std::size_t size);
    // The same into `out`, whose key keeps its storage: a walk decodes thousands.
    // False, with `out` unspecified, where decode gives nothing.
    static bool decodeInto(const std::uint8_t* bytes, std::size_t size, DocRecord& out);
};

// FolderNode, in "PTH."; 9 + path length + 1 bytes:
//   0  int32  greater
//   4  int32  less
//   8  byte   10 ('\n')
//   9  chars  full folder path with its trailing separator, REVERSED, NUL-terminated
// Records and the folder walk refer to a folder by the offset of its text (node + 9).
struct FolderNode {
    static constexpr std::size_t kTextOffset = 9;
    std::uint32_t greater = 0;
    std::uint32_t less = 0;
    std::string text;  // reversed, as stored

    std::size_t encodedSize() const { return kTextOffset + text.size() + 1; }
    void encode(std::string& out) const;
    static std::optional<FolderNode> decode(const std::uint8_t* bytes, std::size_t size);
};

// DocWordList, in "RCP." (which begins with the 4 bytes "_PAR"): per document one
// block of int32 entries, each a WordNode offset in "PAR." or a packed short word
// (first byte 0, then up to three characters); then int32 0 (end) and int32 0
// (offset of a continuation block; never written, but followed when non-zero).
std::uint32_t packShortWord(std::string_view word);

// RootNode, in "RAD."; 8 + root length + 1 bytes:
//   0  int32  greater
//   4  int32  less
//   8  chars  root (at most three characters), NUL-terminated
struct RootNode {
    static constexpr std::size_t kHeaderSize = 8;
    std::uint32_t greater = 0;
    std::uint32_t less = 0;
    std::string root;

    std::size_t encodedSize() const { return kHeaderSize + root.size() + 1; }
    void encode(std::string& out) const;
    static std::optional<RootNode> decode(const std::uint8_t* bytes, std::size_t size);
};

// Reverses a key or path byte by byte, as archive keys are stored.
std::string reversed(std::string_view text);

} // namespace vedra::archive
