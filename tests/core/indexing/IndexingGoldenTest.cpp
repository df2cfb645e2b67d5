// One small indexing session, byte for byte: an archive created, its roots
// loaded, a folder and two documents registered and their text indexed. The
// expected files are written here from the record layouts and the word rules.
#include "core/indexing/WordExtractor.h"

#include "core/archive/ArchiveStore.h"
#include "core/archive/Hashes.h"
#include "core/archive/Records.h"
#include "core/indexing/IndexingRun.h"
#include "support/ArchiveFixture.h"
#include "support/GoldenBytes.h"

#include <gtest/gtest.h>

#include <utime.h>

namespace vedra::indexing {
namespace {

using archive::SlotDocumentKeys;
using archive::SlotDocuments;
using archive::SlotFolders;
using archive::SlotPostings;
using archive::SlotRoots;
using archive::SlotWordLists;
using archive::SlotWords;

using testing::buckets;
using testing::le32;
using testing::le64;
using testing::reversedText;
using testing::z;

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
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);

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

// A run over a start folder holding a CR LF web page, a folder "filesystems" and a
// folder "system", with the first archive's excluded-folder list ("/system/").
TEST(IndexingGolden, ARunKeepsLineEndWordsApartAndExcludesOnlyTheFolderNamedSystem)
{
    testing::ArchiveFixture fx(1);
    ASSERT_TRUE(fx.openForIndexing());
    {
        WordExtractor roots(*fx.workspace, *fx.store);
        const std::string words = "casa parola citta";
        roots.LoadRoots(words.data(), words.size());
    }
    ASSERT_TRUE(fx.store->close());

    const std::string start = fx.folder.slash() + "start/";
    testing::writeFile(start + "page.htm", "<p>casa\r\nparola</p>\r\n");
    testing::writeFile(start + "filesystems/f.txt", "citta\n");
    testing::writeFile(start + "system/s.txt", "citta casa\n");
    struct utimbuf page {1'600'000'000, 1'600'000'000};
    struct utimbuf text {1'600'000'100, 1'600'000'100};
    ASSERT_EQ(::utime((start + "page.htm").c_str(), &page), 0);
    ASSERT_EQ(::utime((start + "filesystems/f.txt").c_str(), &text), 0);

    ASSERT_TRUE(fx.openForIndexing());
    ArchiveLists lists;
    ASSERT_TRUE(lists.load(*fx.store));
    IndexingRun run(*fx.workspace, *fx.store, lists);
    run.RunIndexing(start, RunMode::Normal);
    ASSERT_TRUE(fx.store->close());
    EXPECT_EQ(run.counters().foldersExcluded, 1u);

    // "PTH.": the start folder's node at 26004 (9 + path + NUL), "filesystems/"
    // after it; "system/" never added. Buckets of the reversed paths:
    //   "/trats/..."       t, r, a -> (77-48)*180 + 5*(75-48) + 1 + 2 = 5358
    //   "/smetsyselif/..." s, m, e -> (76-48)*180 + 5*(70-48) + 1 + 2 = 5153
    const std::string filesystems = start + "filesystems/";
    const auto startNode = static_cast<std::uint32_t>(26004);
    const auto filesystemsNode = static_cast<std::uint32_t>(startNode + 9 + start.size() + 1);
    EXPECT_EQ(fx.fileBytes(SlotFolders), buckets({{5358, startNode}, {5153, filesystemsNode}}) + le32(0) + le32(0) +
                                             "\n" + z(reversedText(start)) + le32(0) + le32(0) + "\n" +
                                             z(reversedText(filesystems)));

    // Words in order of registration: casa and parola (the page's line end is a
    // blank), citta. Nodes of 12 + word + NUL; each node's posting offset is where
    // its first posting went: 8, 16, 24.
    //   casa 2235   parola 4575   citta 2275 (word hash, as in the test above)
    EXPECT_EQ(fx.fileBytes(SlotWords), buckets({{2235, 26004}, {4575, 26021}, {2275, 26040}}) + le32(0) + le32(0) +
                                           le32(8) + z("casa") + le32(0) + le32(0) + le32(16) + z("parola") +
                                           le32(0) + le32(0) + le32(24) + z("citta"));
    EXPECT_EQ(fx.fileBytes(SlotPostings),
              std::string("LNK_PAR\0", 8) + le32(1) + le32(0) + le32(1) + le32(0) + le32(2) + le32(0));
    // Word lists: the page's at 4 (casa, parola, end, continuation), f.txt's at 20.
    EXPECT_EQ(fx.fileBytes(SlotWordLists), "_PAR" + le32(26004) + le32(26021) + le32(0) + le32(0) + le32(26040) +
                                               le32(0) + le32(0));

    // Keys: "mth.egap/trats/" skips its extension: e, g, a -> 14*180 + 5*16 + 1 + 2 = 2603;
    // "txt.f/smetsyselif/": f, s, m -> 15*180 + 5*28 + 1 + 3 = 2844.
    const std::string pageKey = reversedText("/start/page.htm");
    const std::string textKey = reversedText("/filesystems/f.txt");
    const auto secondRecord = static_cast<std::uint32_t>(196 + 25 + pageKey.size() + 1);
    EXPECT_EQ(fx.fileBytes(SlotDocumentKeys), buckets({{2603, 26004}, {2844, 26016}}) + le32(0) + le32(0) +
                                                  le32(196) + le32(0) + le32(0) + le32(secondRecord));

    // Records: number, FILETIME (100 ns since 1601), size, word list, folder text
    // (node + 9), kind, reversed key.
    auto fileTime = [](std::uint64_t unixSeconds) { return (unixSeconds + 11644473600ULL) * 10'000'000ULL; };
    std::string header(196, '\0');
    header.replace(92, 4, le32(2));
    header.replace(100, 4, le32(2));
    EXPECT_EQ(fx.fileBytes(SlotDocuments),
              header + le32(1) + le64(fileTime(1'600'000'000)) + le32(21) + le32(4) + le32(startNode + 9) + "f" +
                  z(pageKey) + le32(2) + le64(fileTime(1'600'000'100)) + le32(6) + le32(20) +
                  le32(filesystemsNode + 9) + "f" + z(textKey));
}

} // namespace
} // namespace vedra::indexing
