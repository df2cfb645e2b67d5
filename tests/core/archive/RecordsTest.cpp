// Each record against the bytes its layout gives, every truncated length, and a
// round trip.
#include "core/archive/Records.h"
#include "support/GoldenBytes.h"

#include <gtest/gtest.h>

namespace vedra::archive {
namespace {

using testing::le32;

const std::uint8_t* raw(const std::string& s)
{
    return reinterpret_cast<const std::uint8_t*>(s.data());
}

TEST(Records, WordNodeLayout)
{
    WordNode node{0x11223344, 26004, 8, "citta"};
    std::string bytes;
    node.encode(bytes);
    EXPECT_EQ(bytes, le32(0x11223344) + le32(26004) + le32(8) + std::string("citta\0", 6));
    EXPECT_EQ(node.encodedSize(), bytes.size());
    auto back = WordNode::decode(raw(bytes), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->greater, 0x11223344u);
    EXPECT_EQ(back->less, 26004u);
    EXPECT_EQ(back->postings, 8u);
    EXPECT_EQ(back->word, "citta");
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(WordNode::decode(raw(bytes), cut).has_value()) << cut;
}

TEST(Records, PostingAndKeyNodeLayout)
{
    std::uint8_t posting[8];
    Posting{7, 0x01020304}.encode(posting);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(posting), 8), le32(7) + le32(0x01020304));
    EXPECT_EQ(Posting::decode(posting).next, 0x01020304u);

    std::uint8_t key[12];
    DocKeyNode{1, 2, 196}.encode(key);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(key), 12), le32(1) + le32(2) + le32(196));
    EXPECT_EQ(DocKeyNode::decode(key).record, 196u);
    EXPECT_EQ(docKeyNodeOffset(1), 26004u);
    EXPECT_EQ(docKeyNodeOffset(3), 26028u);
}

TEST(Records, DocumentHeaderLayout)
{
    std::uint8_t header[DocumentHeader::kSize];
    DocumentHeader{5, 9}.encode(header);
    std::string expected(196, '\0');
    expected.replace(92, 4, le32(5));
    expected.replace(100, 4, le32(9));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(header), 196), expected);
    DocumentHeader back = DocumentHeader::decode(header);
    EXPECT_EQ(back.filesWithText, 5);
    EXPECT_EQ(back.documents, 9);
}

TEST(Records, DocRecordLayout)
{
    DocRecord record;
    record.number = 3;
    record.lastWrite = 0x0102030405060708ULL;
    record.size = 1234;
    record.wordList = 40;
    record.folderText = 26013;
    record.kind = 'w';
    record.key = "txt.a/scod/";
    std::string bytes;
    record.encode(bytes);
    EXPECT_EQ(bytes, le32(3) + le32(0x05060708) + le32(0x01020304) + le32(1234) + le32(40) + le32(26013) + "w" +
                         std::string("txt.a/scod/\0", 12));
    EXPECT_EQ(record.encodedSize(), bytes.size());
    auto back = DocRecord::decode(raw(bytes), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->lastWrite, record.lastWrite);
    EXPECT_EQ(back->kind, 'w');
    EXPECT_EQ(back->key, record.key);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(DocRecord::decode(raw(bytes), cut).has_value()) << cut;
    // A flipped byte in the fixed part changes only its field.
    bytes[12] ^= 0x01;
    EXPECT_EQ(DocRecord::decode(raw(bytes), bytes.size())->size, 1235u);
}

TEST(Records, DocRecordKeyIsReadFromAtMost1052Bytes)
{
    std::string bytes = std::string(25, '\0') + std::string(1100, 'k') + '\0';
    EXPECT_FALSE(DocRecord::decode(raw(bytes), bytes.size()).has_value());
}

TEST(Records, FolderAndRootNodeLayout)
{
    std::string folder;
    FolderNode{0, 26016, "/scod/"}.encode(folder);
    EXPECT_EQ(folder, le32(0) + le32(26016) + "\n" + std::string("/scod/\0", 7));
    EXPECT_EQ(FolderNode::decode(raw(folder), folder.size())->text, "/scod/");
    for (std::size_t cut = 0; cut < folder.size(); ++cut)
        EXPECT_FALSE(FolderNode::decode(raw(folder), cut).has_value()) << cut;

    std::string root;
    RootNode{5, 6, "cit"}.encode(root);
    EXPECT_EQ(root, le32(5) + le32(6) + std::string("cit\0", 4));
    EXPECT_EQ(RootNode{}.encodedSize(), 9u);
    EXPECT_EQ(RootNode::decode(raw(root), root.size())->root, "cit");
    for (std::size_t cut = 0; cut < root.size(); ++cut)
        EXPECT_FALSE(RootNode::decode(raw(root), cut).has_value()) << cut;
}

TEST(Records, ShortWordsPackBehindAZeroByte)
{
    EXPECT_EQ(packShortWord("DI"), 0x00494400u);
    EXPECT_EQ(packShortWord("x"), 0x00007800u);
    EXPECT_EQ(packShortWord("abcd"), 0x63626100u) << "only three characters are kept";
    EXPECT_EQ(reversed("/a/b.txt"), "txt.b/a/");
}

} // namespace
} // namespace vedra::archive
