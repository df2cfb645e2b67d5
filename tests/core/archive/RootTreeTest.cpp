// The root tree read as a list: exactly the roots a lookup finds, from trees the
// store wrote and from hand-made bytes; every kind of damage ends a branch, never
// the program, and is reported.
#include "core/archive/RootTree.h"

#include "core/archive/ArchiveFiles.h"
#include "core/archive/ByteOrder.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vedra::archive {
namespace {

RootTreeListing listBytes(const std::string& bytes)
{
    return ListRootTree(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A "RAD." file written by the store with these roots, in this order.
std::string storeTree(const std::vector<std::string>& roots)
{
    testing::ArchiveFixture fx;
    EXPECT_TRUE(fx.openForIndexing());
    for (const std::string& root : roots)
        EXPECT_TRUE(fx.store->addRoot(root)) << root;
    EXPECT_TRUE(fx.store->close());
    return fx.fileBytes(SlotRoots);
}

// Appends a node by hand and links it from `slot`; returns its offset.
std::uint32_t appendNode(std::string& bytes, std::uint32_t slot, const std::string& root)
{
    const auto offset = static_cast<std::uint32_t>(bytes.size());
    RootNode{0, 0, root}.encode(bytes);
    putU32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + slot, offset);
    return offset;
}

std::uint32_t slotOf(const std::string& root)
{
    return *wordBucket(root) * 4;
}

const std::vector<std::string> kRoots = {"mon", "cas", "the", "a", "zz", "abc", "ab", "x11", "123", "tcp", "cat", "car"};

std::vector<std::string> sorted(std::vector<std::string> roots)
{
    std::sort(roots.begin(), roots.end());
    return roots;
}

TEST(RootTree, ListsEveryRootTheStoreWroteOnceAndInOrder)
{
    std::vector<std::string> withRepeats = kRoots;
    withRepeats.push_back("cas");
    const RootTreeListing listing = listBytes(storeTree(withRepeats));
    EXPECT_FALSE(listing.damaged);
    EXPECT_EQ(listing.roots, sorted(kRoots));
}

TEST(RootTree, AnEmptyTreeListsNothing)
{
    const RootTreeListing listing = listBytes(std::string(kBucketTableSize, '\0'));
    EXPECT_FALSE(listing.damaged);
    EXPECT_TRUE(listing.roots.empty());
}

TEST(RootTree, HandMadeBytesFromTheByteTable)
{
    // "cat" in its bucket, "car" as its less child, "cau" as its greater child.
    std::string bytes(kBucketTableSize, '\0');
    const std::uint32_t cat = appendNode(bytes, slotOf("cat"), "cat");
    appendNode(bytes, cat + 4, "car");
    appendNode(bytes, cat, "cau");
    const RootTreeListing listing = listBytes(bytes);
    EXPECT_FALSE(listing.damaged);
    EXPECT_EQ(listing.roots, (std::vector<std::string>{"car", "cat", "cau"}));
}

TEST(RootTree, EveryTruncationIsDamageAndListsOnlyRootsThatWereThere)
{
    const std::string full = storeTree(kRoots);
    const std::vector<std::string> all = sorted(kRoots);
    std::vector<std::size_t> sizes;
    for (std::size_t size = 0; size < kBucketTableSize; size += 997)
        sizes.push_back(size);
    for (std::size_t size = kBucketTableSize - 1; size < full.size(); ++size)
        sizes.push_back(size);
    for (std::size_t size : sizes) {
        const RootTreeListing listing = listBytes(full.substr(0, size));
        EXPECT_TRUE(listing.damaged) << size;
        EXPECT_TRUE(std::includes(all.begin(), all.end(), listing.roots.begin(), listing.roots.end())) << size;
    }
}

TEST(RootTree, OffsetsOutsideTheNodesAreDamage)
{
    for (std::uint32_t wrong : {std::uint32_t{4}, kBucketTableSize - 1, std::uint32_t{0xFFFFFFF0u}}) {
        std::string bytes(kBucketTableSize, '\0');
        const std::uint32_t cat = appendNode(bytes, slotOf("cat"), "cat");
        putU32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + cat + 4, wrong);
        const RootTreeListing listing = listBytes(bytes);
        EXPECT_TRUE(listing.damaged) << wrong;
        EXPECT_EQ(listing.damageOffset, wrong);
        EXPECT_EQ(listing.roots, std::vector<std::string>{"cat"}) << "the sound part is still listed";
    }
}

TEST(RootTree, CyclesEndTheWalk)
{
    std::string bytes(kBucketTableSize, '\0');
    const std::uint32_t cat = appendNode(bytes, slotOf("cat"), "cat");
    const std::uint32_t car = appendNode(bytes, cat + 4, "car");
    // car's greater child is cat again; cat's greater child is itself.
    putU32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + car, cat);
    putU32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + cat, cat);
    const RootTreeListing listing = listBytes(bytes);
    EXPECT_TRUE(listing.damaged);
    EXPECT_EQ(listing.damageOffset, cat);
    EXPECT_EQ(listing.roots, (std::vector<std::string>{"car", "cat"}));
}

TEST(RootTree, RootsALookupCannotReachAreNotListed)
{
    std::string bytes(kBucketTableSize, '\0');
    const std::uint32_t cat = appendNode(bytes, slotOf("cat"), "cat");
    // "caz" is greater than "cat" but hangs on its less side; "mon" sits in the
    // bucket of "cat".
    appendNode(bytes, cat + 4, "caz");
    appendNode(bytes, cat, "mon");
    const RootTreeListing listing = listBytes(bytes);
    EXPECT_TRUE(listing.damaged);
    EXPECT_EQ(listing.roots, std::vector<std::string>{"cat"});
}

TEST(RootTree, ARootWithoutItsTerminatorIsDamage)
{
    std::string bytes(kBucketTableSize, '\0');
    appendNode(bytes, slotOf("cat"), "cat");
    bytes.back() = 's';  // "cats" running to the end of the file
    EXPECT_TRUE(listBytes(bytes).damaged);
    bytes += std::string("xyz\0", 4);  // a terminator, but past three characters
    const RootTreeListing listing = listBytes(bytes);
    EXPECT_TRUE(listing.damaged);
    EXPECT_TRUE(listing.roots.empty());
}

TEST(RootTree, AFlippedByteNeverBreaksTheListing)
{
    const std::string full = storeTree(kRoots);
    for (std::size_t at = kBucketTableSize; at < full.size(); ++at) {
        for (unsigned char mask : {0x01, 0x80, 0xFF}) {
            std::string bytes = full;
            bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) ^ mask);
            const RootTreeListing listing = listBytes(bytes);
            EXPECT_TRUE(std::is_sorted(listing.roots.begin(), listing.roots.end())) << at;
            EXPECT_TRUE(std::adjacent_find(listing.roots.begin(), listing.roots.end()) == listing.roots.end()) << at;
        }
    }
}

} // namespace
} // namespace vedra::archive
