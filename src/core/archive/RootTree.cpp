// A lookup descends one bucket's tree by comparing texts, so a node is a root only
// when it lies in its own bucket and a descent for its text would lead to it:
// those two checks make the list exactly what lookups find. Nodes are visited once
// each, so a cycle or a shared child ends that branch instead of the walk.
#include "core/archive/RootTree.h"

#include "core/archive/ByteOrder.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace vedra::archive {
namespace {

constexpr std::size_t kMaxRootLength = 3;

class RootTreeWalk {
public:
    RootTreeWalk(const std::uint8_t* bytes, std::size_t size) : m_bytes(bytes), m_size(size) {}

    RootTreeListing run()
    {
        for (std::uint32_t bucket = 0; bucket < kBucketCount; ++bucket) {
            const std::uint32_t slot = bucket * 4;
            if (std::uint64_t{slot} + 4 > m_size) {
                damage(slot);
                break;
            }
            walkBucket(bucket, getU32le(m_bytes + slot));
        }
        std::sort(m_listing.roots.begin(), m_listing.roots.end());
        return std::move(m_listing);
    }

private:
    // The root text of a node that lies wholly inside the file; none otherwise.
    std::optional<std::string> rootAt(std::uint32_t node) const
    {
        if (node < kBucketTableSize || std::uint64_t{node} + RootNode::kHeaderSize + 1 > m_size)
            return std::nullopt;
        const std::size_t available = std::min<std::size_t>(m_size - node, RootNode::kHeaderSize + kMaxRootLength + 1);
        std::optional<RootNode> decoded = RootNode::decode(m_bytes + node, available);
        if (!decoded)
            return std::nullopt;
        return std::move(decoded->root);
    }

    // A lookup of key k reaches a node when k is greater than every ancestor it
    // passed on the greater side and smaller than every one it passed on the less
    // side: each node carries that open interval, and its root is listed when it
    // lies inside it.
    void walkBucket(std::uint32_t bucket, std::uint32_t top)
    {
        struct Pending {
            std::uint32_t node;
            std::optional<std::string> above;  // roots reaching the node are greater than this
            std::optional<std::string> below;  // ... and smaller than this
        };
        std::vector<Pending> stack;
        if (top != 0)
            stack.push_back({top, std::nullopt, std::nullopt});
        while (!stack.empty()) {
            Pending next = std::move(stack.back());
            stack.pop_back();
            std::optional<std::string> root = rootAt(next.node);
            if (!root || !m_visited.insert(next.node).second) {
                damage(next.node);
                continue;
            }
            const std::uint32_t greater = getU32le(m_bytes + next.node);
            const std::uint32_t less = getU32le(m_bytes + next.node + 4);
            if (greater != 0)
                stack.push_back({greater, *root, next.below});
            if (less != 0)
                stack.push_back({less, next.above, *root});
            if (root->empty())
                continue;
            const std::optional<std::uint32_t> own = wordBucket(*root);
            const bool reachable = (!next.above || *next.above < *root) && (!next.below || *root < *next.below);
            if (!own || *own != bucket || !reachable) {
                damage(next.node);
                continue;
            }
            m_listing.roots.push_back(std::move(*root));
        }
    }

    void damage(std::uint32_t offset)
    {
        if (!m_listing.damaged)
            m_listing.damageOffset = offset;
        m_listing.damaged = true;
    }

    const std::uint8_t* m_bytes;
    std::size_t m_size;
    std::unordered_set<std::uint32_t> m_visited;
    RootTreeListing m_listing;
};

} // namespace

RootTreeListing ListRootTree(const std::uint8_t* bytes, std::size_t size)
{
    return RootTreeWalk(bytes, size).run();
}

} // namespace vedra::archive
