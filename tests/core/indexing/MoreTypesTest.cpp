// The more-types rules: the lists a new archive gets with them (and without them,
// the description's bytes), the text sniff, and a run over files that only the
// rules read, or read differently.
#include "core/indexing/MoreTypes.h"

#include "core/app/ProcessRunner.h"
#include "core/app/SystemProbe.h"
#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using archive::SlotCompressedExtensions;
using archive::SlotConvertedExtensions;
using archive::SlotMediaExtensions;
using archive::SlotTextExtensions;
using testing::readFile;
using testing::writeFile;

// ---- the sniff ------------------------------------------------------------

struct SniffCase {
    const char* name;
    std::string head;
    bool text;
};

std::string repeated(const std::string& piece, std::size_t bytes)
{
    std::string out;
    while (out.size() < bytes)
        out += piece;
    out.resize(bytes);
    return out;
}

// `count` control bytes (0x01) spread over `total` bytes of letters.
std::string withControlBytes(std::size_t total, std::size_t count)
{
    std::string head(total, 'a');
    for (std::size_t i = 0; i < count; ++i)
        head[i * (total / count)] = '\x01';
    return head;
}

class TextSniff : public ::testing::TestWithParam<SniffCase> {};

TEST_P(TextSniff, TellsTextFromBinary)
{
    EXPECT_EQ(LooksLikeText(GetParam().head), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Heads, TextSniff,
    ::testing::Values(
        SniffCase{"Empty", "", true},
        SniffCase{"Ascii", "all: build\n\tcc -o prog main.c\r\n", true},
        SniffCase{"Utf8", "Perch\xC3\xA9 la citt\xC3\xA0 \xC3\xA8 bella \xE2\x82\xAC\n", true},
        SniffCase{"Cp1252", "Perch\xE9 la citt\xE0 \xE8 bella \x80\n", true},
        SniffCase{"Utf8CutAtTheEnd", repeated("citt\xC3\xA0 ", 4095) + "\xE2\x82", true},
        SniffCase{"TerminalLog", repeated("\x1B[31mERROR\x1B[0m disk full\b\b\n", 4096), true},
        SniffCase{"FormFeedsAndTabs", repeated("page\tone\f\v\n", 4096), true},
        SniffCase{"OneNul", repeated("plain text ", 4000) + std::string(1, '\0'), false},
        SniffCase{"Utf16", std::string("h\0e\0l\0l\0o\0", 10), false},
        SniffCase{"ElfHeader", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10), false},
        SniffCase{"ControlBytesAtTheLimit", withControlBytes(1000, 10), true},
        SniffCase{"ControlBytesPastTheLimit", withControlBytes(1000, 11), false},
        SniffCase{"InvalidUtf8FullOfControlBytes", repeated("\x01\xFF\x02\xFE noise \x03\x9C\x1F", 4096), false},
        SniffCase{"Cp1252UnassignedBytes", repeated("\x81\x8D\x8F\x90\x9D words ", 1000), false},
        SniffCase{"Utf8ControlBytes", repeated("\x01\x02\x03\xC3\xA0", 1000), false}),
    [](const ::testing::TestParamInfo<SniffCase>& info) { return std::string(info.param.name); });

TEST(TextSniffFile, ReadsOnlyTheHead)
{
    testing::TempFolder folder;
    // Binary bytes past the first 4 KiB do not count; a missing file is no text.
    writeFile(folder.path() / "late", std::string(kTextSniffBytes, 'a') + std::string(100, '\0'));
    writeFile(folder.path() / "early", std::string(kTextSniffBytes - 1, 'a') + std::string(1, '\0'));
    EXPECT_TRUE(FileLooksLikeText((folder.path() / "late").string()));
    EXPECT_FALSE(FileLooksLikeText((folder.path() / "early").string()));
    EXPECT_FALSE(FileLooksLikeText((folder.path() / "missing").string()));
}

// ---- the lists ------------------------------------------------------------

TEST(MoreTypesLists, FitTheListBuffersAndNameNoTypeTwice)
{
    const std::string text = archive::initialContent(SlotTextExtensions, 1) + MoreTypesListBytes(SlotTextExtensions);
    const std::string unpacked =
        archive::initialContent(SlotConvertedExtensions, 1) + MoreTypesListBytes(SlotConvertedExtensions);
    EXPECT_LE(text.size(), ArchiveLists::kMaxListBytes);
    EXPECT_LE(unpacked.size(), ArchiveLists::kMaxListBytes);
    EXPECT_EQ(MoreTypesListEntries(SlotTextExtensions).front(), kMoreTypesMarker);
    EXPECT_TRUE(MoreTypesListEntries(SlotMediaExtensions).empty());

    // A type in two lists would be both read and unpacked, or read and skipped.
    std::set<std::string> seen;
    for (int slot : {SlotTextExtensions, SlotMediaExtensions, SlotCompressedExtensions, SlotConvertedExtensions})
        for (const std::string& entry : archive::initialListEntries(slot))
            seen.insert(entry);
    for (int slot : {SlotTextExtensions, SlotConvertedExtensions})
        for (const std::string& entry : MoreTypesListEntries(slot)) {
            EXPECT_TRUE(seen.insert(entry).second) << entry << " is listed already";
            EXPECT_TRUE(entry == kMoreTypesMarker || (entry.size() >= 2 && entry[0] == '.')) << entry;
            EXPECT_EQ(app::lowerAscii(entry), entry);
        }
    for (const char* type : {".ott", ".ods", ".odp", ".odg", ".xlsx", ".pptx", ".epub"})
        EXPECT_EQ(std::count(MoreTypesListEntries(SlotConvertedExtensions).begin(),
                             MoreTypesListEntries(SlotConvertedExtensions).end(), type),
                  1)
            << type;
}

class MoreTypesListsTest : public ::testing::Test {
protected:
    void withMoreTypes()
    {
        for (int slot : {SlotTextExtensions, SlotConvertedExtensions})
            lists.setList(slot, archive::initialContent(slot, 1) + MoreTypesListBytes(slot));
    }

    testing::ArchiveFixture fx{1};
    ArchiveLists lists;
    PatternFilter none;
};

TEST_F(MoreTypesListsTest, TheMarkerSwitchesTheRulesWhereverItStands)
{
    ASSERT_TRUE(lists.load(*fx.store));
    EXPECT_FALSE(lists.readsMoreTypes());
    EXPECT_FALSE(lists.HasIndexableText("notes.xyz", none, 5));
    withMoreTypes();
    EXPECT_TRUE(lists.readsMoreTypes());
    // Edited by hand: the marker among others, after a comma; or gone.
    lists.setList(SlotTextExtensions, ".doc, * ;.md\r\n");
    EXPECT_TRUE(lists.readsMoreTypes());
    lists.setList(SlotTextExtensions, ".doc\r\n.md\r\n*.*\r\n");
    EXPECT_FALSE(lists.readsMoreTypes()) << "only the entry \"*\" itself";
    // Past the 2047 bytes read of a list, the marker is not there.
    lists.setList(SlotTextExtensions, std::string(ArchiveLists::kMaxListBytes, ' ') + "\r\n*\r\n");
    EXPECT_FALSE(lists.readsMoreTypes());
}

TEST_F(MoreTypesListsTest, UnknownTypesPassTheNameTestOnlyWithTheRules)
{
    ASSERT_TRUE(lists.load(*fx.store));
    struct Name {
        const char* name;
        bool unknownByDefault;  // IsUnknownType with the description's lists
        bool unknownWithRules;
        bool passesByDefault;   // HasIndexableText during a run
        bool passesWithRules;
    };
    const Name names[] = {
        {"readme", true, true, true, true},          // no extension: passes either way; sniffed with the rules
        {"apache-2.0", true, true, false, true},     // ".0" is in no list
        {"notes.xyz", true, true, false, true},
        {"guide.md", true, false, false, true},      // listed with the rules
        {"chapter.xhtml", true, true, true, true},   // five bytes: passes; sniffed with the rules
        {"content.opf", true, true, false, true},
        {"sheet.ods", true, false, false, false},    // unpacked with the rules, never read itself
        {"book.epub", true, false, true, true},      // five bytes pass the name test; the run decides
        {"photo.jpg", false, false, false, false},   // "FMM."
        {"bundle.zip", false, false, false, false},  // "CMP."
        {"letter.odt", false, false, false, false},  // "SCM."
        {"page.html", false, false, true, true},     // holds ".ht"
        {"notes.txt", false, false, true, true},     // ".tx?"
        {"source.cpp", false, false, true, true},    // "FIL."
    };
    for (const Name& n : names) {
        EXPECT_EQ(lists.IsUnknownType(n.name), n.unknownByDefault) << n.name;
        EXPECT_EQ(lists.HasIndexableText(n.name, none, 5), n.passesByDefault) << n.name;
    }
    withMoreTypes();
    for (const Name& n : names) {
        EXPECT_EQ(lists.IsUnknownType(n.name), n.unknownWithRules) << n.name;
        EXPECT_EQ(lists.HasIndexableText(n.name, none, 5), n.passesWithRules) << n.name;
    }
    // A file filter still decides first.
    EXPECT_FALSE(lists.HasIndexableText("notes.xyz", PatternFilter{{".txt", ".doc"}}, 5));
    for (const char* name : {"sheet.ods", "deck.pptx", "book.epub", "table.xlsx", "form.ott"})
        EXPECT_EQ(lists.ConversionClass(name, false), ConversionKind::DocumentXml) << name;
    EXPECT_EQ(lists.ConversionClass("report.pdf", false), ConversionKind::Pdf);
}

// ---- creation -------------------------------------------------------------

// Every file of archive 1 made in `folder`, by slot; the folder is then emptied,
// so that a second archive has the same paths (the roots folder is in "PTH.").
std::map<int, std::string> createdArchiveFiles(const testing::TempFolder& folder, bool moreTypes)
{
    std::map<int, std::string> files;
    {
        app::HeadlessHost host;
        app::Workspace ws(host, testing::testProbe(folder.path()));
        EXPECT_EQ(ws.PrepareWorkspace(), 1);
        writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "casa\nparola\n");
        NewArchive request;
        request.name = "prova";
        request.moreTypes = moreTypes;
        EXPECT_EQ(CreateArchive(ws, request).number, 1);
        for (int slot : archive::kCreationOrder)
            files[slot] = readFile(folder.path() / "C_PROVA_1" / (std::string(archive::slotPrefix(slot)) + "1"));
        EXPECT_FALSE(fs::exists(folder.path() / "C_PROVA_1" / "DescrizioneArc.vedra"));
    }
    for (const auto& entry : fs::directory_iterator(folder.path()))
        fs::remove_all(entry.path());
    return files;
}

TEST(MoreTypesCreation, OnlyTheTwoListsGetTheirEntriesAppended)
{
    testing::TempFolder folder;
    const std::map<int, std::string> plain = createdArchiveFiles(folder, false);
    const std::map<int, std::string> more = createdArchiveFiles(folder, true);
    for (int slot : archive::kCreationOrder) {
        if (slot == SlotTextExtensions || slot == SlotConvertedExtensions) {
            EXPECT_EQ(plain.at(slot), archive::initialContent(slot, 1)) << archive::slotPrefix(slot);
            EXPECT_EQ(more.at(slot), plain.at(slot) + MoreTypesListBytes(slot)) << archive::slotPrefix(slot);
        } else {
            // Compared whole, not printed: the tree files are 26 KB of zeros.
            EXPECT_TRUE(more.at(slot) == plain.at(slot)) << archive::slotPrefix(slot);
        }
    }
    EXPECT_GT(plain.at(archive::SlotRoots).size(), 26004u) << "the roots were loaded";
    EXPECT_EQ(more.at(SlotConvertedExtensions),
              ".docx\r\n.odt\r\n.pdf\r\n.ott\r\n.ods\r\n.ots\r\n.odp\r\n.otp\r\n.odg\r\n.otg\r\n.xlsx\r\n.xlsm\r\n"
              ".xltx\r\n.pptx\r\n.pptm\r\n.ppsx\r\n.potx\r\n.docm\r\n.dotx\r\n.epub\r\n");
    EXPECT_TRUE(more.at(SlotTextExtensions).starts_with(plain.at(SlotTextExtensions) + "*\r\n.md\r\n.rst\r\n"));
}

// ---- a run with the rules ---------------------------------------------------

constexpr const char* kMoreTypesRoots =
    "orchard lantern quill marble meadow copper harbor velvet ember thistle juniper saffron "
    "style table office xmlns application opendocument mimetype relationships schemas binary noise verra cafe";

class MoreTypesRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx.workspace->SevenZipCommand = "\"/usr/bin/7z\" x \"";
        ASSERT_TRUE(fx.openForIndexing());
        WordExtractor roots(*fx.workspace, *fx.store);
        roots.LoadRoots(kMoreTypesRoots, std::strlen(kMoreTypesRoots));
        fx.store->close();
        fs::create_directories(tree);
    }

    void writeListsWithMoreTypes()
    {
        for (int slot : {SlotTextExtensions, SlotConvertedExtensions})
            writeFile(fx.store->slotPath(slot), archive::initialContent(slot, 1) + MoreTypesListBytes(slot));
    }

    void run(bool unpack = false)
    {
        ASSERT_TRUE(fx.openForIndexing(fx.workspace->cacheSizes()));
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun indexing(*fx.workspace, *fx.store, lists);
        indexing.options().unpack = unpack;
        indexing.RunIndexing(tree.string() + "/", RunMode::Normal);
        ASSERT_TRUE(fx.store->close());
    }

    std::set<std::string> holders(const std::string& word) { return fx.documentsWith(word); }

    // Whether a document has the key, and whether its text was read.
    std::optional<bool> readDocument(const std::string& key)
    {
        std::optional<bool> read;
        EXPECT_TRUE(fx.store->open());
        for (std::uint32_t k = 1; k <= fx.store->documentCount(); ++k)
            if (auto record = fx.store->readDocument(k); record && archive::reversed(record->key) == key)
                read = record->wordList != 0;
        fx.store->close();
        return read;
    }

    void zipFolder(const fs::path& archive, const fs::path& from)
    {
        std::string here = fs::current_path().string();
        fs::current_path(from);
        app::ProcessOutcome outcome =
            app::RunProgram(*fx.workspace, {"/usr/bin/7z", "a", "-tzip", archive.string(), "."});
        fs::current_path(here);
        ASSERT_TRUE(outcome.started);
        ASSERT_EQ(outcome.exitCode, 0);
    }

    using Set = std::set<std::string>;
    testing::ArchiveFixture fx;
    fs::path tree = fx.folder.path() / "tree";
};

TEST_F(MoreTypesRunTest, FilesOfNoListedTypeAreReadWhenTheirHeadIsText)
{
    writeFile(tree / "notes.xyz", "orchard citt\xC3\xA0 lantern\n");
    writeFile(tree / "Apache-2.0", "quill of the license\n");
    writeFile(tree / "legacy.abc", "marble perch\xE9\r\n");
    writeFile(tree / "blob.bin", std::string("\x7F" "ELF\0\0", 6) + " meadow " + std::string(64, '\0'));
    writeFile(tree / "firmware", std::string("\0\0copper\0\0", 10));
    writeFile(tree / "noise.qqq", repeated("\x01\xFF\x02 harbor \x03\x1F\x9C", 600));
    writeFile(tree / "late.dat", "velvet" + std::string(10, '\0'));  // a listed type: read as ever
    writeListsWithMoreTypes();
    run();
    EXPECT_EQ(holders("orchard"), Set{"/tree/notes.xyz"});
    EXPECT_EQ(holders("quill"), Set{"/tree/Apache-2.0"});
    EXPECT_EQ(holders("marble"), Set{"/tree/legacy.abc"});
    EXPECT_EQ(holders("velvet"), Set{"/tree/late.dat"});
    for (const char* word : {"meadow", "copper", "harbor"})
        EXPECT_TRUE(holders(word).empty()) << word << " of a binary file";
    // Binary files keep their names in the archive.
    for (const char* key : {"/tree/blob.bin", "/tree/firmware", "/tree/noise.qqq"})
        EXPECT_EQ(readDocument(key), std::optional<bool>(false)) << key;
}

TEST_F(MoreTypesRunTest, CharacterReferencesOfMarkupAreReadAsLetters)
{
    // As spreadsheet writers spell the letters of their shared strings.
    writeFile(tree / "sheet1.xml", "<c t=\"inlineStr\"><is><t>verr&#224; caf&eacute;</t></is></c>\n");
    writeFile(tree / "plain.txt", "verr&#224;\n");
    writeListsWithMoreTypes();
    run();
    EXPECT_EQ(holders("verra"), Set{"/tree/sheet1.xml"}) << "a text file keeps its bytes as they are";
    EXPECT_EQ(holders("cafe"), Set{"/tree/sheet1.xml"});
}

TEST_F(MoreTypesRunTest, WithoutTheRulesNothingChanges)
{
    writeFile(tree / "notes.xyz", "orchard lantern\n");
    writeFile(tree / "firmware", std::string("\0\0copper\0\0", 10));
    writeFile(tree / "sheet1.xml", "<t>verr&#224;</t>\n");
    run();
    EXPECT_TRUE(holders("verra").empty()) << "references are read as they are written";
    EXPECT_TRUE(holders("orchard").empty()) << "an unlisted type is recorded by name";
    EXPECT_EQ(holders("copper"), Set{"/tree/firmware"}) << "a name without extension is read as it is";
}

TEST_F(MoreTypesRunTest, PackedDocumentsAreReadThroughTheirMembersOnly)
{
    const fs::path staging = fx.folder.path() / "staging";
    const std::string ns = "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                           "xmlns:style=\"s\" xmlns:table=\"t\" xmlns:text=\"x\"";
    writeFile(staging / "ods" / "mimetype", "application/vnd.oasis.opendocument.spreadsheet");
    writeFile(staging / "ods" / "content.xml",
              "<office:document-content " + ns + "><office:automatic-styles><style:style style:name=\"ce1\"/>"
              "</office:automatic-styles><office:body><office:spreadsheet><table:table table:name=\"S\">"
              "<table:table-row><table:table-cell><text:p>juniper</text:p></table:table-cell></table:table-row>"
              "</table:table></office:spreadsheet></office:body></office:document-content>");
    zipFolder(tree / "sheet.ods", staging / "ods");
    writeFile(staging / "docx" / "[Content_Types].xml",
              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>");
    writeFile(staging / "docx" / "_rels" / ".rels",
              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
              "<Relationship Id=\"rId1\" Target=\"word/document.xml\"/></Relationships>");
    writeFile(staging / "docx" / "word" / "document.xml",
              "<w:document xmlns:w=\"w\"><w:body><w:p><w:r><w:t>saffron</w:t></w:r></w:p></w:body></w:document>");
    zipFolder(tree / "memo.docx", staging / "docx");
    writeListsWithMoreTypes();
    run();
    // A spreadsheet is read as its text in order, written beside its members.
    EXPECT_EQ(holders("juniper"), Set{"/sheet.ods_vedratemp/text.txt"});
    EXPECT_EQ(holders("saffron"), Set{"/word/document.xml"});
    for (const char* word : {"application", "opendocument", "mimetype", "office", "style", "table", "xmlns",
                             "relationships", "schemas"})
        EXPECT_TRUE(holders(word).empty()) << word;
    EXPECT_EQ(readDocument("/tree/memo.docx"), std::optional<bool>(false)) << "the packed bytes are not read";
    EXPECT_EQ(readDocument("/sheet.ods_vedratemp/mimetype"), std::optional<bool>(false));
    EXPECT_FALSE(fs::exists(tree / "sheet.ods_vedratemp"));
}

TEST_F(MoreTypesRunTest, MarkupSplitAcrossChunksLeavesNoTagWords)
{
    // Chunks of 4096 bytes, so that tags straddle many chunk ends.
    app::WorkBufferSizes sizes = fx.workspace->workBuffers.sizes();
    sizes.textUsable = 4 * 4096;
    fx.workspace->workBuffers.release();
    ASSERT_TRUE(fx.workspace->workBuffers.allocate(sizes));
    std::string page = "<?xml version=\"1.0\"?><office:document-content>";
    int cells = 0;
    while (page.size() < 200'000) {
        page += "<table:table-cell office:value-type=\"string\" table:style-name=\"ce" + std::to_string(cells) +
                "\" xmlns:style=\"urn:style\"><text:p>ember thistle</text:p></table:table-cell>\r\n";
        ++cells;
    }
    page += "<text:p>juniper</text:p></office:document-content>";
    writeFile(tree / "big.xml", page);
    writeFile(tree / "chapter.xhtml",
              "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><style>p.table { margin: 0 }</style></head>"
              "<body><p class=\"office\">saffron</p></body></html>");
    writeListsWithMoreTypes();
    run();
    EXPECT_EQ(holders("ember"), Set{"/tree/big.xml"});
    EXPECT_EQ(holders("juniper"), Set{"/tree/big.xml"}) << "the last chunk is read";
    EXPECT_EQ(holders("saffron"), Set{"/tree/chapter.xhtml"});
    for (const char* word : {"office", "table", "style", "xmlns"})
        EXPECT_TRUE(holders(word).empty()) << word;
}

} // namespace
} // namespace vedra::indexing
