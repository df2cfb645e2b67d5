// The archive's bytes, spelled out from the record layouts: every expected image
// below is built by hand from offsets and values, not taken from a run.
#include "core/archive/ArchiveStore.h"

#include "core/archive/Hashes.h"
#include "support/ArchiveFixture.h"
#include "support/GoldenBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace vedra::archive {
namespace {

using testing::ArchiveFixture;

using testing::le32;

// An image of `size` zero bytes with little-endian values poked at offsets.
struct Image {
    std::string bytes;
    explicit Image(std::size_t size) : bytes(size, '\0') {}
    Image& at(std::size_t offset, std::uint32_t value)
    {
        bytes.replace(offset, 4, le32(value));
        return *this;
    }
    Image& append(const std::string& more)
    {
        bytes += more;
        return *this;
    }
};

std::string text(const char* s) { return std::string(s) + '\0'; }

TEST(ArchiveCreation, EveryFileHasItsInitialContent)
{
    ArchiveFixture fx(1);
    EXPECT_EQ(fx.fileBytes(SlotDocuments), Image(196).at(100, 1).bytes);
    for (int slot : {SlotWords, SlotDocumentKeys, SlotRoots, SlotFolders})
        EXPECT_EQ(fx.fileBytes(slot), std::string(26004, '\0')) << slotPrefix(slot);
    EXPECT_EQ(fx.fileBytes(SlotResume), std::string(260, '\0'));
    EXPECT_EQ(fx.fileBytes(SlotPostings), std::string("LNK_PAR\0", 8));
    EXPECT_EQ(fx.fileBytes(SlotWordLists), "_PAR");
    EXPECT_EQ(fx.fileBytes(SlotConvertedExtensions), ".docx\r\n.odt\r\n.pdf\r\n");
    EXPECT_EQ(fx.fileBytes(SlotCompressedExtensions),
              ".chm\r\n.cab\r\n.chw\r\n.7z\r\n.zip\r\n.hws\r\n.rar\r\n.arj\r\n.tar\r\n.gz\r\n.z\r\n");
    EXPECT_EQ(fx.fileBytes(SlotExcludedFolders),
              "download_vedratemp\r\nvedratemp\r\nvedraarc\r\nrecycled\r\n/temp\r\ndebug\r\nrelease\r\n"
              "/windows/\r\ni386\r\nrecycler\r\n/system/\r\n");
    std::string textList = fx.fileBytes(SlotTextExtensions);
    EXPECT_EQ(textList.substr(0, 18), ".doc\r\n.pub\r\n.wri\r\n");
    EXPECT_EQ(std::count(textList.begin(), textList.end(), '\n'), 28);
    std::string media = fx.fileBytes(SlotMediaExtensions);
    EXPECT_EQ(std::count(media.begin(), media.end(), '\n'), 31);
    EXPECT_NE(media.find("\r\n****\r\n"), std::string::npos);
    std::string stops = fx.fileBytes(SlotStopWords);
    EXPECT_EQ(std::count(stops.begin(), stops.end(), '\n'), 57);
    EXPECT_EQ(stops.substr(0, 10), "uno\r\nuna\r\n");
    EXPECT_EQ(stops.substr(stops.size() - 10), "had\r\nfor\r\n");
    EXPECT_FALSE(std::filesystem::exists(fx.store->slotPath(SlotUnused)));
    EXPECT_FALSE(std::filesystem::exists(fx.store->slotPath(SlotPrograms)));
}

TEST(ArchiveCreation, OtherArchivesHaveNoExtraExcludedFolders)
{
    ArchiveFixture fx(2);
    EXPECT_EQ(fx.fileBytes(SlotExcludedFolders).substr(0, 10), "recycled\r\n");
}

TEST(ArchiveCreation, StopsAtTheFirstFailureInTheFixedOrder)
{
    ArchiveFixture fx(3);
    for (int slot : kCreationOrder)
        std::filesystem::remove(fx.store->slotPath(slot));
    // Order: 17, 16, 11, 4, 2, 0, 5, ...; a folder where "FMM.3" goes makes slot 2 fail.
    std::filesystem::create_directory(fx.store->slotPath(SlotMediaExtensions));
    EXPECT_EQ(fx.store->createArchiveFiles(), -1);
    for (int slot : {17, 16, 11, 4})
        EXPECT_TRUE(std::filesystem::is_regular_file(fx.store->slotPath(slot))) << slot;
    for (int slot : {0, 5, 12, 13, 1, 15, 3, 21, 6})
        EXPECT_FALSE(std::filesystem::exists(fx.store->slotPath(slot))) << slot;
}

TEST(Hashes, WordBucketsFromTheRule)
{
    // c0 'c' -> 60, c1 'i' -> 66, c2 't' (116, class 4): (60-48)*180+1 + 5*(66-44) + 4
    EXPECT_EQ(wordBucket("citta"), 2275u);
    // '2' = 50, '0' = 48, '1' = 49 (class 0): 2*180+1 + 5*4
    EXPECT_EQ(wordBucket("2012"), 381u);
    // One character: c1 = 0 is below 44, nothing more is added.
    EXPECT_EQ(wordBucket("7"), 1261u);
    // Two characters: c2 = 0 adds nothing. 'd' -> 61, 'i' -> 66
    EXPECT_EQ(wordBucket("di"), 13u * 180 + 1 + 5 * 22);
    // Third-character classes: '4' -> 1, '8' -> 2, 'f' -> 3, 'o' -> 4, and 0x80+ counts as 'z'.
    EXPECT_EQ(*wordBucket("aa4") - *wordBucket("aa"), 1u);
    EXPECT_EQ(*wordBucket("aa8") - *wordBucket("aa"), 2u);
    EXPECT_EQ(*wordBucket("aae") - *wordBucket("aa"), 2u);
    EXPECT_EQ(*wordBucket("aaf") - *wordBucket("aa"), 3u);
    EXPECT_EQ(*wordBucket("aan") - *wordBucket("aa"), 3u);
    EXPECT_EQ(*wordBucket("aao") - *wordBucket("aa"), 4u);
    EXPECT_EQ(wordBucket("\xE8\xE8\xE8"), wordBucket("zzz"));
    EXPECT_EQ(wordBucket("zzz"), 6500u);
    // Below '0': bucket 0.
    EXPECT_EQ(wordBucket("#abc"), 0u);
    // Capitals are not reduced and overflow the table: refused.
    EXPECT_FALSE(wordBucket("ZZZ").has_value());
}

TEST(Hashes, PathBucketsFromTheRule)
{
    // "txt.a/scod/": the reversed extension "txt." is skipped; then a, s, c.
    // 'a' -> 58, 's' -> 76, 'c' (99, class 2): (58-48)*180 + 5*(76-48) + 1 + 2
    EXPECT_EQ(pathBucket("txt.a/scod/"), 1943u);
    // "/scod/x/pmt/": the leading separator is skipped; s, c, o.
    // 's' -> 76, 'c' -> 60, 'o' (111, class 4): 28*180 + 5*12 + 1 + 4
    EXPECT_EQ(pathBucket("/scod/x/pmt/"), 5105u);
    // Capitals and separators are not collected; missing characters are '0', '1', '2'.
    EXPECT_EQ(pathBucket("/X/"), 0u * 180 + 5 * 1 + 1 + 0);
    // A leading '0' is skipped; the first digit then counts.
    EXPECT_EQ(pathBucket("07ab"), pathBucket("7ab"));
    // A short key keeps its dot: nothing is skipped below six characters.
    EXPECT_EQ(pathBucket("c.ab"), pathBucket("cab"));
}

// The golden sequence: one folder, two documents, three words (two in one bucket),
// one word repeated, postings and word lists; every byte checked.
TEST(ArchiveStoreGolden, FolderDocumentsWordsPostingsAndLists)
{
    ArchiveFixture fx(1);
    ArchiveStore& store = *fx.store;
    ASSERT_TRUE(fx.openForIndexing());

    bool added = false;
    auto folder = store.findOrAddFolder("/scod/r/", &added);
    ASSERT_TRUE(folder && added);
    EXPECT_EQ(*folder, 26004u + 9);

    auto doc1 = store.findOrAddDocument("txt.a/scod/", *folder);
    ASSERT_TRUE(doc1 && doc1->added);
    EXPECT_EQ(store.documentCount(), 1u);
    DocRecord record1;
    record1.number = 1;
    record1.lastWrite = 0x0102030405060708ULL;
    record1.size = 1234;
    record1.wordList = store.wordListEnd();
    record1.folderText = *folder;
    record1.key = "txt.a/scod/";
    ASSERT_TRUE(store.appendDocumentRecord(record1));

    auto citta = store.findOrAddWord("citta");
    ASSERT_TRUE(citta && citta->added);
    ASSERT_TRUE(store.addPosting(*citta, 1));
    ASSERT_TRUE(store.appendWordListEntry(citta->node));
    auto citazione = store.findOrAddWord("citazione");
    ASSERT_TRUE(citazione && citazione->added);
    ASSERT_TRUE(store.addPosting(*citazione, 1));
    ASSERT_TRUE(store.appendWordListEntry(citazione->node));
    auto again = store.findOrAddWord("citta");
    ASSERT_TRUE(again && !again->added);
    EXPECT_FALSE(store.addPosting(*again, 1)) << "one posting per word and document";
    ASSERT_TRUE(store.appendWordListEntry(again->node));
    ASSERT_TRUE(store.endWordList());

    auto doc2 = store.findOrAddDocument("txt.b/scod/", *folder);
    ASSERT_TRUE(doc2 && doc2->added);
    DocRecord record2 = record1;
    record2.number = 2;
    record2.size = 99;
    record2.wordList = store.wordListEnd();
    record2.key = "txt.b/scod/";
    ASSERT_TRUE(store.appendDocumentRecord(record2));
    auto twelve = store.findOrAddWord("2012");
    ASSERT_TRUE(store.addPosting(*twelve, 2));
    ASSERT_TRUE(store.appendWordListEntry(twelve->node));
    auto citta2 = store.findOrAddWord("citta");
    ASSERT_TRUE(store.addPosting(*citta2, 2));
    ASSERT_TRUE(store.appendWordListEntry(citta2->node));
    ASSERT_TRUE(store.endWordList());
    store.header().filesWithText = 2;
    ASSERT_TRUE(store.close());

    // PTH.: bucket 5105 -> node at 26004: greater 0, less 0, '\n', "/scod/r/".
    EXPECT_EQ(fx.fileBytes(SlotFolders),
              Image(26004).at(5105 * 4, 26004).append(le32(0) + le32(0) + "\n" + text("/scod/r/")).bytes);
    // ORD.: "txt.a/scod/" bucket 1943; "txt.b/scod/": b, s, c -> 'b' 59, 's' 76, 'c' class 2:
    // 11*180 + 5*28 + 1 + 2 = 2123. Nodes point at the records (196 and 196 + 37).
    EXPECT_EQ(pathBucket("txt.b/scod/"), 2123u);
    EXPECT_EQ(fx.fileBytes(SlotDocumentKeys),
              Image(26004)
                  .at(1943 * 4, 26004)
                  .at(2123 * 4, 26016)
                  .append(le32(0) + le32(0) + le32(196) + le32(0) + le32(0) + le32(196 + 37))
                  .bytes);
    // IND.: header (92 files with text = 2, 100 documents = 2), then two records of 25 + 12 bytes.
    auto recordBytes = [](std::uint32_t number, std::uint32_t size, std::uint32_t list, const char* key) {
        return le32(number) + le32(0x05060708) + le32(0x01020304) + le32(size) + le32(list) + le32(26013) + "f" +
               text(key);
    };
    EXPECT_EQ(fx.fileBytes(SlotDocuments),
              Image(196).at(92, 2).at(100, 2).append(recordBytes(1, 1234, 4, "txt.a/scod/")).append(
                  recordBytes(2, 99, 4 + 20, "txt.b/scod/")).bytes);
    // PAR.: "citta" at 26004 (bucket 2275), "citazione" (same bucket, smaller) at 26022
    // linked from citta's `less`, "2012" (bucket 381) at 26044.
    // LNK.: 8 {1,0} citta; 16 {1,0} citazione; 24 {2,0} 2012; 32 {2,8} citta.
    EXPECT_EQ(fx.fileBytes(SlotWords),
              Image(26004)
                  .at(2275 * 4, 26004)
                  .at(381 * 4, 26044)
                  .append(le32(0) + le32(26022) + le32(32) + text("citta"))
                  .append(le32(0) + le32(0) + le32(16) + text("citazione"))
                  .append(le32(0) + le32(0) + le32(24) + text("2012"))
                  .bytes);
    EXPECT_EQ(fx.fileBytes(SlotPostings), std::string("LNK_PAR\0", 8) + le32(1) + le32(0) + le32(1) + le32(0) +
                                              le32(2) + le32(0) + le32(2) + le32(8));
    // RCP.: doc 1: citta, citazione, citta, 0, 0; doc 2: 2012, citta, 0, 0.
    EXPECT_EQ(fx.fileBytes(SlotWordLists), "_PAR" + le32(26004) + le32(26022) + le32(26004) + le32(0) + le32(0) +
                                               le32(26044) + le32(26004) + le32(0) + le32(0));
    EXPECT_TRUE(fx.host.messages().empty());
}

TEST(ArchiveStoreReading, LookupsAfterReopening)
{
    ArchiveFixture fx(1);
    ArchiveStore& store = *fx.store;
    ASSERT_TRUE(fx.openForIndexing());
    auto folder = store.findOrAddFolder("/a/");
    auto doc = store.findOrAddDocument("x/a/", *folder);
    DocRecord record;
    record.number = 1;
    record.folderText = *folder;
    record.key = "x/a/";
    record.wordList = store.wordListEnd();
    ASSERT_TRUE(doc && store.appendDocumentRecord(record));
    auto word = store.findOrAddWord("zebra");
    store.addPosting(*word, 1);
    store.appendWordListEntry(word->node);
    store.appendWordListEntry(packShortWord("Il"));
    store.endWordList();
    ASSERT_TRUE(store.close());

    ASSERT_TRUE(store.open());
    auto found = store.findWord("zebra");
    ASSERT_TRUE(found);
    EXPECT_EQ(store.readPostings(found->postings), std::vector<std::uint32_t>{1});
    EXPECT_FALSE(store.findWord("zebr").has_value());
    EXPECT_EQ(store.readWordList(4), (std::vector<std::uint32_t>{found->node, packShortWord("Il")}));
    auto read = store.readDocument(1);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->key, "x/a/");
    EXPECT_FALSE(store.readDocument(0).has_value());
    EXPECT_FALSE(store.readDocument(2).has_value());
    // The same key again is found, not added, and its record comes with it.
    auto same = store.findOrAddDocument("x/a/", *folder);
    ASSERT_TRUE(same);
    EXPECT_FALSE(same->added);
    EXPECT_EQ(same->number, 1u);
    ASSERT_TRUE(same->record);
    EXPECT_EQ(same->record->key, "x/a/");
    // Rewriting the head changes only the first 25 bytes. A reader's files are
    // read-only: the rewrite is an indexing run's.
    store.close();
    ASSERT_TRUE(fx.openForIndexing());
    DocRecord changed = *read;
    changed.size = 777;
    changed.kind = 'c';
    ASSERT_TRUE(store.rewriteRecordHead(1, changed));
    auto reread = store.readDocument(1);
    EXPECT_EQ(reread->size, 777u);
    EXPECT_EQ(reread->kind, 'c');
    EXPECT_EQ(reread->key, "x/a/");
    store.close();
}

// The lookup that only looks: it finds what findOrAddDocument finds, in the right
// folder, and changes no byte when the key is absent.
TEST(ArchiveStoreReading, FindDocumentAddsNothing)
{
    ArchiveFixture fx(1);
    ArchiveStore& store = *fx.store;
    ASSERT_TRUE(fx.openForIndexing());
    auto folder = store.findOrAddFolder("/a/");
    auto other = store.findOrAddFolder("/b/");
    ASSERT_TRUE(store.findOrAddDocument("fdp.x/a/", *folder));
    DocRecord record;
    record.number = 1;
    record.lastWrite = 42;
    record.folderText = *folder;
    record.key = "fdp.x/a/";
    ASSERT_TRUE(store.appendDocumentRecord(record));
    ASSERT_TRUE(store.close());
    const std::string keys = fx.fileBytes(SlotDocumentKeys);

    ASSERT_TRUE(fx.openForIndexing());
    auto found = store.findDocument("fdp.x/a/", *folder);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->number, 1u);
    EXPECT_FALSE(found->added);
    ASSERT_TRUE(found->record);
    EXPECT_EQ(found->record->lastWrite, 42u);
    auto elsewhere = store.findDocument("fdp.x/a/", *other);
    ASSERT_TRUE(elsewhere);
    EXPECT_EQ(elsewhere->number, 0u) << "the same name in another folder is another document";
    EXPECT_FALSE(elsewhere->record);
    auto absent = store.findDocument("fdp.y/a/", *folder);
    ASSERT_TRUE(absent);
    EXPECT_EQ(absent->number, 0u);
    EXPECT_EQ(store.documentCount(), 1u);
    ASSERT_TRUE(store.close());
    EXPECT_EQ(fx.fileBytes(SlotDocumentKeys), keys);
    EXPECT_TRUE(fx.host.messages().empty());
}

TEST(ArchiveStoreReading, EqualNamesInTwoFoldersAreTwoDocuments)
{
    ArchiveFixture fx(1);
    ArchiveStore& store = *fx.store;
    ASSERT_TRUE(fx.openForIndexing());
    auto one = store.findOrAddFolder("/1/trap/");
    auto two = store.findOrAddFolder("/2/trap/");
    ASSERT_TRUE(one && two && *one != *two);
    for (auto folder : {*one, *two}) {
        auto lookup = store.findOrAddDocument("txt.eton/trap/", folder);
        ASSERT_TRUE(lookup && lookup->added);
        DocRecord record;
        record.number = store.documentCount();
        record.folderText = folder;
        record.key = "txt.eton/trap/";
        ASSERT_TRUE(store.appendDocumentRecord(record));
    }
    EXPECT_EQ(store.documentCount(), 2u);
    // The second node hangs on the first one's `greater`.
    std::uint8_t node[12];
    std::string keys = fx.fileBytes(SlotDocumentKeys);
    store.close();
    keys = fx.fileBytes(SlotDocumentKeys);
    ASSERT_EQ(keys.size(), 26004u + 24);
    std::memcpy(node, keys.data() + 26004, 12);
    EXPECT_EQ(node[0] | (node[1] << 8) | (node[2] << 16), 26016);
}

TEST(ArchiveStoreReading, WordBelowZeroLandsInBucketZeroAndIsFound)
{
    ArchiveFixture fx(1);
    ASSERT_TRUE(fx.openForIndexing());
    auto word = fx.store->findOrAddWord("#hash");
    ASSERT_TRUE(word);
    EXPECT_EQ(word->node, 26004u);
    fx.store->close();
    EXPECT_EQ(fx.fileBytes(SlotWords).substr(0, 4), le32(26004));
    ASSERT_TRUE(fx.store->open());
    EXPECT_TRUE(fx.store->findWord("#hash").has_value());
}

TEST(ArchiveStoreReading, FreshArchiveHasNoDocuments)
{
    ArchiveFixture fx(1);
    ASSERT_TRUE(fx.store->open());
    EXPECT_EQ(fx.fileBytes(SlotDocumentKeys).size(), 26004u);
    EXPECT_EQ(fx.store->documentCount(), 0u);
    EXPECT_FALSE(fx.store->readDocument(0).has_value());
    EXPECT_FALSE(fx.store->readDocument(1).has_value());
}

TEST(ArchiveStoreRoots, InsertedOnceAndFound)
{
    ArchiveFixture fx(1);
    ASSERT_TRUE(fx.openForIndexing());
    EXPECT_TRUE(fx.store->addRoot("cit"));
    EXPECT_TRUE(fx.store->addRoot("cit"));
    EXPECT_TRUE(fx.store->addRoot("cio"));
    EXPECT_TRUE(fx.store->addRoot("ci"));
    EXPECT_TRUE(fx.store->hasRoot("cit"));
    EXPECT_TRUE(fx.store->hasRoot("cio"));
    EXPECT_TRUE(fx.store->hasRoot("ci"));
    EXPECT_FALSE(fx.store->hasRoot("cip"));
    fx.store->close();
    // "cit" and "cio" share bucket 2275 ('t' and 'o' are both class 4): "cit" at 26004,
    // "cio" (smaller) at 26016 on its `less`. "ci" has no third character: bucket 2271.
    std::string roots = fx.fileBytes(SlotRoots);
    EXPECT_EQ(roots.substr(26004),
              le32(0) + le32(26016) + text("cit") + le32(0) + le32(0) + text("cio") + le32(0) + le32(0) + text("ci"));
    EXPECT_EQ(roots.substr(2275 * 4, 4), le32(26004));
    EXPECT_EQ(roots.substr(2271 * 4, 4), le32(26028));
}

// The caches change no byte: the same operations with no caches, with caches that
// end inside nodes and tiny append buffers, and with caches larger than the files.
class CacheIndependence : public ::testing::TestWithParam<CacheSizes> {};

std::vector<std::string> runSequence(const CacheSizes& caches)
{
    ArchiveFixture fx(1);
    ArchiveStore& store = *fx.store;
    if (!store.openForIndexing(caches))
        return {};
    std::uint32_t document = 0;
    for (int f = 0; f < 6; ++f) {
        auto folder = store.findOrAddFolder("/" + std::to_string(f) + "redlof/toor/");
        for (int d = 0; d < 8; ++d) {
            std::string key = "txt." + std::to_string(d) + "elif/" + std::to_string(f) + "redlof/";
            auto lookup = store.findOrAddDocument(key, *folder);
            if (!lookup)
                return {};
            DocRecord record;
            record.number = ++document;
            record.folderText = *folder;
            record.key = key;
            record.wordList = store.wordListEnd();
            store.appendDocumentRecord(record);
            for (int w = 0; w < 40; ++w) {
                std::string word = "w" + std::to_string((w * 7 + d * 13 + f) % 97) + "x";
                auto found = store.findOrAddWord(word);
                if (!found)
                    return {};
                store.addPosting(*found, document);
                store.appendWordListEntry(found->node);
            }
            store.endWordList();
        }
    }
    store.close();
    std::vector<std::string> files;
    for (int slot : {SlotDocuments, SlotWords, SlotDocumentKeys, SlotFolders, SlotPostings, SlotWordLists})
        files.push_back(fx.fileBytes(slot));
    return files;
}

TEST_P(CacheIndependence, SameBytesAsWithoutCaches)
{
    static const std::vector<std::string> reference = runSequence(CacheSizes{0, 0, 0, 0, 0});
    ASSERT_EQ(reference.size(), 6u);
    EXPECT_GT(reference[1].size(), 26004u + 1000);
    std::vector<std::string> files = runSequence(GetParam());
    ASSERT_EQ(files.size(), reference.size());
    for (std::size_t i = 0; i < files.size(); ++i)
        EXPECT_TRUE(files[i] == reference[i]) << "file " << i << " differs";
}

INSTANTIATE_TEST_SUITE_P(Sizes, CacheIndependence,
                         ::testing::Values(CacheSizes{26010, 20, 26010, 26010, 13},
                                           CacheSizes{27000, 500, 26100, 26100, 1 << 10},
                                           CacheSizes{64 << 20, 64 << 20, 64 << 20, 64 << 20, 1 << 20}));

} // namespace
} // namespace vedra::archive
