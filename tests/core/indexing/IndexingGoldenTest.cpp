// One small indexing session, byte for byte: an archive created, its roots
// loaded, a folder and two documents registered and their text indexed. The
// expected files are written here from the record layouts and the word rules.
#include "core/indexing/WordExtractor.h"

#include "core/archive/ArchiveStore.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

namespace vedra::indexing {
namespace {

using archive::SlotDocumentKeys;
using archive::SlotDocuments;
using archive::SlotFolders;
using archive::SlotPostings;
using archive::SlotRoots;
using archive::SlotWordLists;
using archive::SlotWords;

std::string le32(std::uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

std::string z(const char* s) { return std::string(s) + '\0'; }

// A zero-filled bucket table with slots set.
std::string buckets(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> slots)
{
    std::string table(26004, '\0');
    for (auto [bucket, offset] : slots)
        table.replace(bucket * 4, 4, le32(offset));
    return table;
}

TEST(IndexingGolden, TwoDocumentsWithEveryKindOfWord)
{
    testing::ArchiveFixture fx(1);
    archive::ArchiveStore& store = *fx.store;
    ASSERT_TRUE(fx.openForIndexing());
    WordExtractor extractor(*fx.workspace, store);
    ASSERT_TRUE(extractor.loadStopWords());
    const std::string roots = "citta casa parola di";
    extractor.LoadRoots(roots.data(), roots.size());

    auto folder = store.findOrAddFolder("/scod/r/");
    ASSERT_TRUE(folder);
    auto indexDocument = [&](const char* key, std::string text, std::uint64_t time, std::uint32_t size) {
        auto lookup = store.findOrAddDocument(key, *folder);
        ASSERT_TRUE(lookup && lookup->added);
        archive::DocRecord record;
        record.number = store.documentCount();
        record.lastWrite = time;
        record.size = size;
        record.wordList = store.wordListEnd();
        record.folderText = *folder;
        record.key = key;
        extractor.beginDocument(record.number);
        extractor.IndexChunk(text.data(), text.size(), "/r/docs/file");
        ASSERT_TRUE(store.endWordList());
        ASSERT_TRUE(store.appendDocumentRecord(record));
    };
    // Citta: a new word. casa: another bucket. DI: a short capitalised word, packed
    // and kept as "di" (a root). the: a stop word. xyzzy: no root. 2012: a number.
    // citta again: a second list entry, no second posting.
    indexDocument("txt.a/scod/", "Citta casa DI the xyzzy 2012 citta", 111, 34);
    // parola: new; 7: a one-digit number; Casa: a known word, a new posting for document 2.
    indexDocument("txt.b/scod/", "parola 7 Casa", 222, 13);
    store.header().filesWithText = 2;
    ASSERT_TRUE(store.close());
    EXPECT_TRUE(fx.host.messages().empty());
    EXPECT_EQ(fx.workspace->BreakCode, 0);

    // Buckets, from the word hash (c0, c1 at or above 'a' less 39; third-character class):
    //   citta 12*180+1 + 5*(66-44) + 4 = 2275     casa 2161 + 5*(58-44) + 4 = 2235
    //   di    13*180+1 + 5*(66-44)     = 2451     2012 2*180+1 + 5*(48-44)  = 381
    //   parola 25*180+1 + 70 + 4       = 4575     7    7*180+1              = 1261
    // Nodes: 12 bytes + word + NUL, appended in order of first registration.
    //   citta 26004 (18)  casa 26022 (17)  di 26039 (15)  2012 26054 (17)  parola 26071 (19)  7 26090
    // Postings, 8 bytes each from offset 8: citta 8, casa 16, di 24, 2012 32, parola 40, 7 48, casa(2) 56.
    EXPECT_EQ(fx.fileBytes(SlotWords),
              buckets({{2275, 26004}, {2235, 26022}, {2451, 26039}, {381, 26054}, {4575, 26071}, {1261, 26090}}) +
                  le32(0) + le32(0) + le32(8) + z("citta") + le32(0) + le32(0) + le32(56) + z("casa") + le32(0) +
                  le32(0) + le32(24) + z("di") + le32(0) + le32(0) + le32(32) + z("2012") + le32(0) + le32(0) +
                  le32(40) + z("parola") + le32(0) + le32(0) + le32(48) + z("7"));
    EXPECT_EQ(fx.fileBytes(SlotPostings), std::string("LNK_PAR\0", 8) + le32(1) + le32(0) + le32(1) + le32(0) +
                                              le32(1) + le32(0) + le32(1) + le32(0) + le32(2) + le32(0) + le32(2) +
                                              le32(0) + le32(2) + le32(16));
    // Word lists: document 1 at 4: citta, casa, "DI" packed (0, 'D', 'I', 0), di, 2012, citta, end,
    // continuation; document 2 at 4 + 8*4 = 36: parola, 7, casa, end, continuation.
    const std::uint32_t packedDi = 0x00494400;
    EXPECT_EQ(fx.fileBytes(SlotWordLists), "_PAR" + le32(26004) + le32(26022) + le32(packedDi) + le32(26039) + le32(26054) +
                                               le32(26004) + le32(0) + le32(0) + le32(26071) + le32(26090) +
                                               le32(26022) + le32(0) + le32(0));
    // Roots: cit 2275, cas 2235, par 4575, di 2451; nodes of 8 bytes + root + NUL.
    EXPECT_EQ(fx.fileBytes(SlotRoots), buckets({{2275, 26004}, {2235, 26016}, {4575, 26028}, {2451, 26040}}) +
                                           le32(0) + le32(0) + z("cit") + le32(0) + le32(0) + z("cas") + le32(0) +
                                           le32(0) + z("par") + le32(0) + le32(0) + z("di"));
    // Folder "/scod/r/": s, c, o -> 28*180 + 5*12 + 1 + 4 = 5105.
    EXPECT_EQ(fx.fileBytes(SlotFolders), buckets({{5105, 26004}}) + le32(0) + le32(0) + "\n" + z("/scod/r/"));
    // Keys: "txt.a/scod/" a, s, c -> 10*180 + 5*28 + 1 + 2 = 1943; "txt.b/scod/" -> 2123.
    EXPECT_EQ(fx.fileBytes(SlotDocumentKeys), buckets({{1943, 26004}, {2123, 26016}}) + le32(0) + le32(0) +
                                                  le32(196) + le32(0) + le32(0) + le32(196 + 37));
    std::string header(196, '\0');
    header.replace(92, 4, le32(2));
    header.replace(100, 4, le32(2));
    auto record = [](std::uint32_t number, std::uint32_t time, std::uint32_t size, std::uint32_t list,
                     const char* key) {
        return le32(number) + le32(time) + le32(0) + le32(size) + le32(list) + le32(26013) + "f" + z(key);
    };
    EXPECT_EQ(fx.fileBytes(SlotDocuments),
              header + record(1, 111, 34, 4, "txt.a/scod/") + record(2, 222, 13, 36, "txt.b/scod/"));
}

} // namespace
} // namespace vedra::indexing
