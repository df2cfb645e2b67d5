// Taking postings out of word lists: the one change the archive's lists get
// besides appends, so that a changed file is not found for a word it lost and a
// file gone from the disk is not found at all.
#include "core/archive/ArchiveStore.h"

#include "core/archive/ByteOrder.h"

#include <algorithm>
#include <memory>

namespace vedra::archive {

namespace {

bool readU32At(const CachedFile& file, std::uint64_t offset, std::uint32_t& value)
{
    std::uint8_t bytes[4];
    if (offset + 4 > file.size() || file.readAt(offset, bytes, sizeof bytes) != sizeof bytes)
        return false;
    value = getU32le(bytes);
    return true;
}

} // namespace

void ArchiveStore::forEachDocument(const std::function<void(std::uint32_t, const DocRecord&)>& visit)
{
    constexpr std::size_t kWindow = 1 << 20;
    const CachedFile& keys = file(SlotDocumentKeys);
    const CachedFile& documents = file(SlotDocuments);
    auto window = std::make_unique_for_overwrite<std::uint8_t[]>(kWindow);
    std::uint64_t windowFrom = 0;
    std::size_t windowSize = 0;
    DocRecord record;
    const std::uint32_t count = documentCount();
    for (std::uint32_t number = 1; number <= count; ++number) {
        std::uint8_t node[DocKeyNode::kSize];
        if (keys.readAt(docKeyNodeOffset(number), node, sizeof node) != sizeof node)
            continue;
        const std::uint64_t at = DocKeyNode::decode(node).record;
        if (at < DocumentHeader::kSize || at >= documents.size())
            continue;
        // A record lies whole in the window, or the window moves to it.
        if (at < windowFrom || at + DocRecord::kReadSize > windowFrom + windowSize) {
            windowFrom = at;
            windowSize = documents.readAt(at, window.get(), kWindow);
        }
        const std::size_t offset = static_cast<std::size_t>(at - windowFrom);
        if (offset < windowSize && DocRecord::decodeInto(window.get() + offset, windowSize - offset, record))
            visit(number, record);
    }
}

bool ArchiveStore::isWordNode(std::uint32_t entry)
{
    const CachedFile& words = file(SlotWords);
    if (entry < kBucketTableSize || std::uint64_t{entry} + WordNode::kHeaderSize + 1 > words.size())
        return false;
    // A packed short word's first byte is 0: any other entry is a node.
    if ((entry & 0xFFu) != 0)
        return true;
    std::uint8_t bytes[WordNode::kReadSize];
    const std::size_t got = words.readAt(entry, bytes, sizeof bytes);
    if (got <= WordNode::kHeaderSize)
        return false;
    const auto* text = reinterpret_cast<const char*>(bytes + WordNode::kHeaderSize);
    const std::size_t length = std::find(text, text + (got - WordNode::kHeaderSize), '\0') - text;
    if (length == 0 || length == got - WordNode::kHeaderSize)
        return false;
    std::optional<WordLookup> found = findWord(std::string_view(text, length));
    return found && found->node == entry;
}

bool ArchiveStore::unlinkPostings(const std::map<std::uint32_t, std::vector<std::uint32_t>>& documentsByWord)
{
    CachedFile& words = file(SlotWords);
    CachedFile& postings = file(SlotPostings);
    // Every head in the file, none held: the walks below read them there.
    if (!postings.flush() || !writeHeldHeads())
        return false;
    for (const auto& [node, documents] : documentsByWord) {
        if (documents.empty())
            continue;
        // Where the link to the posting at hand lies: the word's head first.
        CachedFile* linkFile = &words;
        std::uint64_t linkAt = std::uint64_t{node} + 8;
        std::uint32_t offset = 0;
        if (!readU32At(words, linkAt, offset)) {
            damaged("Error");
            return false;
        }
        // Older postings lie at smaller offsets, so a walk that does not descend is a cycle.
        std::uint32_t limit = 0xFFFFFFFFu;
        while (offset != 0) {
            std::uint8_t bytes[Posting::kSize];
            if (offset < 8 || offset >= limit || std::uint64_t{offset} + Posting::kSize > postings.size() ||
                postings.readAt(offset, bytes, sizeof bytes) != sizeof bytes) {
                damaged("Error");
                return false;
            }
            limit = offset;
            const Posting posting = Posting::decode(bytes);
            if (std::binary_search(documents.begin(), documents.end(), posting.document)) {
                std::uint8_t next[4];
                putU32le(next, posting.next);
                if (!linkFile->writeAt(linkAt, next, sizeof next)) {
                    writeFailed();
                    return false;
                }
            } else {
                linkFile = &postings;
                linkAt = std::uint64_t{offset} + 4;
            }
            offset = posting.next;
        }
    }
    // What this run knows of its heads no longer holds: every head is read again.
    m_posted = PostedWords{};
    m_posted.runStart = 0xFFFFFFFFFFFFFFFFull;
    return true;
}

} // namespace vedra::archive
