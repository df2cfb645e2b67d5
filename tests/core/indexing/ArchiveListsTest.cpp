// The archive's lists read from a freshly created archive, and the folder and
// file classification built on them.
#include "core/indexing/ArchiveLists.h"

#include "core/archive/ArchiveFiles.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>

namespace vedra::indexing {
namespace {

using archive::SlotCompressedExtensions;
using archive::SlotConvertedExtensions;
using archive::SlotExcludedFolders;
using archive::SlotMediaExtensions;
using archive::SlotTextExtensions;
using testing::ArchiveFixture;
using Entries = std::vector<std::string>;

PatternFilter filter(Entries patterns)
{
    return PatternFilter{std::move(patterns)};
}

class ArchiveListsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(lists.load(*fx.store)); }

    ArchiveFixture fx{1};
    ArchiveLists lists;
};

// ---- loading ----------------------------------------------------------------

TEST_F(ArchiveListsTest, LoadsTheInitialListsOfANewArchive)
{
    for (int slot : {SlotTextExtensions, SlotMediaExtensions, SlotCompressedExtensions, SlotConvertedExtensions})
        EXPECT_EQ(lists.entries(slot), archive::initialListEntries(slot)) << slot;
    EXPECT_EQ(lists.entries(SlotTextExtensions).size(), 28u);
    EXPECT_EQ(lists.entries(SlotMediaExtensions).size(), 31u);
    EXPECT_EQ(lists.buffer(SlotConvertedExtensions), ".docx\r\n.odt\r\n.pdf\r\n");
    EXPECT_EQ(ArchiveLists::loadOrder(),
              (std::array<int, 5>{SlotExcludedFolders, SlotTextExtensions, SlotMediaExtensions,
                                  SlotCompressedExtensions, SlotConvertedExtensions}));
}

TEST_F(ArchiveListsTest, ExcludedFoldersKeepTheirSeparatorsOnLoad)
{
    EXPECT_EQ(lists.entries(SlotExcludedFolders),
              (Entries{"download_vedratemp", "vedratemp", "vedraarc", "recycled", "/temp", "debug", "release",
                       "/windows/", "i386", "recycler", "/system/"}));
    const std::string& buffer = lists.buffer(SlotExcludedFolders);
    EXPECT_TRUE(buffer.starts_with("download_vedratemp\r\n")) << buffer;
    EXPECT_TRUE(
        buffer.ends_with("recycled\r\n/temp\r\ndebug\r\nrelease\r\n/windows/\r\ni386\r\nrecycler\r\n/system/\r\n"))
        << buffer;
    // The file itself is as it was made.
    EXPECT_EQ(fx.fileBytes(SlotExcludedFolders), buffer);
}

TEST(ArchiveListsOtherArchive, LaterArchivesHaveOnlyTheCommonExcludedFolders)
{
    ArchiveFixture fx(2);
    ArchiveLists lists;
    ASSERT_TRUE(lists.load(*fx.store));
    EXPECT_EQ(lists.entries(SlotExcludedFolders),
              (Entries{"recycled", "/temp", "debug", "release", "/windows/", "i386", "recycler", "/system/"}));
    EXPECT_EQ(lists.buffer(SlotExcludedFolders).substr(0, 10), "recycled\r\n");
}

TEST_F(ArchiveListsTest, SingleSeparatorsStayAndRunsBecomeOneBlank)
{
    lists.setList(SlotExcludedFolders, "/temp\r\n//srv//share\r\n/windows/\r\nab///cd////\r\n");
    EXPECT_EQ(lists.buffer(SlotExcludedFolders), "/temp\r\n srv share\r\n/windows/\r\nab cd \r\n");
    EXPECT_EQ(lists.entries(SlotExcludedFolders), (Entries{"/temp", "srv share", "/windows/", "ab cd"}));
    // Only "DIR." is transformed: a '/' in another list is text.
    lists.setList(SlotTextExtensions, "/x\r\n");
    EXPECT_EQ(lists.entries(SlotTextExtensions), Entries{"/x"});
}

TEST_F(ArchiveListsTest, EntriesAreSplitAtCarriageReturnCommaAndSemicolon)
{
    lists.setList(SlotTextExtensions, " .a, .b;.c\r\n\r\n,; .d  \r\n.E\r.f;;.g");
    EXPECT_EQ(lists.entries(SlotTextExtensions), (Entries{".a", ".b", ".c", ".d", ".e", ".f", ".g"}));
    EXPECT_EQ(lists.buffer(SlotTextExtensions), " .a, .b;.c\r\n\r\n,; .d  \r\n.E\r.f;;.g");
}

TEST_F(ArchiveListsTest, ALineFeedAloneEndsAnEntryAndBlanksInsideAreKept)
{
    lists.setList(SlotExcludedFolders, "old stuff\nbackup\n\n");
    EXPECT_EQ(lists.entries(SlotExcludedFolders), (Entries{"old stuff", "backup"}));
}

TEST_F(ArchiveListsTest, AListEndsAtANulByte)
{
    lists.setList(SlotTextExtensions, std::string(".a\r\n\0.b\r\n", 9));
    EXPECT_EQ(lists.entries(SlotTextExtensions), Entries{".a"});
    EXPECT_EQ(lists.buffer(SlotTextExtensions), ".a\r\n");
}

TEST_F(ArchiveListsTest, OnlyTheFirst2047BytesOfAListFileAreRead)
{
    std::string bytes;
    for (int i = 0; i < 255; ++i)
        bytes += ".e" + std::to_string(1000 + i) + "\r\n";  // 8 bytes each: 2040 in all
    ASSERT_EQ(bytes.size(), 2040u);
    bytes += ".abcdefgh\r\n.zzz\r\n";
    testing::writeFile(fx.store->slotPath(SlotTextExtensions), bytes);

    ASSERT_TRUE(lists.load(*fx.store));
    EXPECT_EQ(lists.buffer(SlotTextExtensions), bytes.substr(0, 2047));
    const Entries& entries = lists.entries(SlotTextExtensions);
    ASSERT_EQ(entries.size(), 256u);
    EXPECT_EQ(entries.front(), ".e1000");
    EXPECT_EQ(entries[254], ".e1254");
    EXPECT_EQ(entries.back(), ".abcdef");  // cut with the buffer

    // A list of exactly 2047 bytes keeps its last entry whole.
    std::string exact = bytes.substr(0, 2040) + ".abcde";
    exact += "\r";
    ASSERT_EQ(exact.size(), 2047u);
    testing::writeFile(fx.store->slotPath(SlotTextExtensions), exact);
    ASSERT_TRUE(lists.load(*fx.store));
    EXPECT_EQ(lists.entries(SlotTextExtensions).back(), ".abcde");
}

TEST_F(ArchiveListsTest, AMissingListIsCreatedEmpty)
{
    const std::string path = fx.store->slotPath(SlotConvertedExtensions);
    ASSERT_EQ(lists.ConversionClass("a.pdf", false), ConversionKind::Pdf);
    std::filesystem::remove(path);

    ASSERT_TRUE(lists.load(*fx.store));
    ASSERT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_TRUE(lists.entries(SlotConvertedExtensions).empty());
    EXPECT_EQ(lists.ConversionClass("a.pdf", false), ConversionKind::None);
    // The others are untouched.
    EXPECT_EQ(lists.entries(SlotTextExtensions).size(), 28u);
}

TEST_F(ArchiveListsTest, AListThatCannotBeReadFailsTheLoadButNotTheOtherLists)
{
    const std::string path = fx.store->slotPath(SlotTextExtensions);
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);  // exists, yet cannot be read as a file

    EXPECT_FALSE(lists.load(*fx.store));
    EXPECT_TRUE(lists.entries(SlotTextExtensions).empty());
    EXPECT_EQ(lists.entries(SlotMediaExtensions).size(), 31u);
    EXPECT_EQ(lists.entries(SlotConvertedExtensions).size(), 3u);
    EXPECT_FALSE(lists.entries(SlotExcludedFolders).empty());
}

TEST_F(ArchiveListsTest, UpperCaseEntriesMatchLowerCasedNames)
{
    lists.setList(SlotTextExtensions, ".JPG\r\n");
    EXPECT_EQ(lists.entries(SlotTextExtensions), Entries{".jpg"});
    EXPECT_TRUE(lists.HasIndexableText("photo.jpg", {}, 0));
    EXPECT_EQ(lists.buffer(SlotTextExtensions), ".JPG\r\n");
}

// ---- folders ----------------------------------------------------------------

TEST_F(ArchiveListsTest, AFolderWhosePathHoldsAnEntryIsNotWalked)
{
    EXPECT_TRUE(lists.IsFolderExcluded("/home/u/Template/"));  // "temp" inside
    EXPECT_TRUE(lists.IsFolderExcluded("/home/u/debugger/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/mnt/c/WINDOWS/fonts/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/srv/i386/x/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/opt/vedraprog/vedratemp/"));
    EXPECT_FALSE(lists.IsFolderExcluded("/home/u/documents/"));
    EXPECT_FALSE(lists.IsFolderExcluded("/home/u/te/mp/"));
    EXPECT_FALSE(lists.IsFolderExcluded(""));
}

// An entry written with separators matches at folder boundaries: "/system/" is a
// folder named system, "/temp" one whose name begins with temp.
TEST_F(ArchiveListsTest, AnEntryWithSeparatorsMatchesWholeFolderNamesOnly)
{
    EXPECT_FALSE(lists.IsFolderExcluded("/usr/share/doc/filesystems/"));
    EXPECT_FALSE(lists.IsFolderExcluded("/lib/systemd/system-generators/"));
    EXPECT_FALSE(lists.IsFolderExcluded("/home/u/ecosystem/"));
    EXPECT_FALSE(lists.IsFolderExcluded("/home/u/Mytemp/"));
    EXPECT_FALSE(lists.IsFolderExcluded("/srv/otherwindows/x/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/usr/lib/system/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/mnt/c/System/drivers/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/home/u/temporary/"));
    EXPECT_EQ(lists.FolderExclusionEntry("/mnt/c/System/drivers/"), "/system/");
    EXPECT_EQ(lists.FolderExclusionEntry("/home/u/temporary/"), "/temp");
    EXPECT_EQ(lists.FolderExclusionEntry("/src/Debug/x/"), "debug");
    EXPECT_EQ(lists.FolderExclusionEntry("/usr/share/doc/filesystems/"), "");
    // A separator alone names nothing, and does not exclude every folder.
    lists.setList(SlotExcludedFolders, "debug\r\n/\r\n");
    EXPECT_FALSE(lists.IsFolderExcluded("/home/u/documents/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/home/u/debug/"));
}

TEST_F(ArchiveListsTest, AnExcludedFolderListThatDoesNotBeginAboveAIsSwitchedOff)
{
    for (const char* list : {" temp\r\n", "\r\ntemp\r\n", "Atemp\r\ntemp\r\n", "#temp\r\n", ""}) {
        lists.setList(SlotExcludedFolders, list);
        EXPECT_FALSE(lists.IsFolderExcluded("/home/u/temp/")) << list;
    }
    lists.setList(SlotExcludedFolders, "Btemp\r\ntemp\r\n");
    EXPECT_TRUE(lists.IsFolderExcluded("/home/u/temp/"));
    // A first entry "/temp" begins with 't' once its separators are passed: on.
    lists.setList(SlotExcludedFolders, "/temp\r\n");
    EXPECT_TRUE(lists.IsFolderExcluded("/home/u/temp/"));
    lists.setList(SlotExcludedFolders, "//temp\r\n");
    EXPECT_FALSE(lists.IsFolderExcluded("/home/u/temp/")) << "a run of separators is a blank";
}

TEST_F(ArchiveListsTest, ASubfolderIsLeftOutOnlyWhenItsNameIsAnEntry)
{
    const PatternFilter none;
    EXPECT_TRUE(lists.IsSubfolderExcluded("Debug", none, "/src/"));
    EXPECT_TRUE(lists.IsSubfolderExcluded("RELEASE", none, "/src/"));
    EXPECT_TRUE(lists.IsSubfolderExcluded("temp", none, "/src/"));
    EXPECT_FALSE(lists.IsSubfolderExcluded("debugger", none, "/src/"));
    EXPECT_FALSE(lists.IsSubfolderExcluded("Template", none, "/src/"));
    EXPECT_FALSE(lists.IsSubfolderExcluded("xdebug", none, "/src/"));
    // debugger is added, but then not walked, as its path holds "debug"; so is Template.
    EXPECT_TRUE(lists.IsFolderExcluded("/src/debugger/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/src/Template/"));
    // "/system/" and "/windows/" name the folders system and windows.
    EXPECT_TRUE(lists.IsSubfolderExcluded("System", none, "/src/"));
    EXPECT_TRUE(lists.IsSubfolderExcluded("windows", none, "/src/"));
    EXPECT_FALSE(lists.IsSubfolderExcluded("filesystems", none, "/src/"));
    EXPECT_EQ(lists.NameExclusionEntry("System"), "/system/");
    EXPECT_EQ(lists.NameExclusionEntry("Debug"), "debug");
    EXPECT_EQ(lists.NameExclusionEntry("filesystems"), "");
    // An entry naming a path is no folder name.
    lists.setList(SlotExcludedFolders, "/usr/share/\r\n");
    EXPECT_FALSE(lists.IsSubfolderExcluded("share", none, "/usr/"));
    EXPECT_TRUE(lists.IsFolderExcluded("/usr/share/doc/"));
}

TEST_F(ArchiveListsTest, AnActiveFolderFilterKeepsOnlyFoldersThatPassOrLeadToAnAbsolutePattern)
{
    const PatternFilter fragment = filter({"projects"});
    EXPECT_FALSE(lists.IsSubfolderExcluded("Projects", fragment, "/home/u/"));
    EXPECT_FALSE(lists.IsSubfolderExcluded("src", fragment, "/home/u/projects/"));  // inside
    EXPECT_TRUE(lists.IsSubfolderExcluded("music", fragment, "/home/u/"));

    const PatternFilter absolute = filter({"/home/u/projects/"});
    EXPECT_FALSE(lists.IsSubfolderExcluded("home", absolute, "/"));      // on the way
    EXPECT_FALSE(lists.IsSubfolderExcluded("u", absolute, "/home"));     // parent without its '/'
    EXPECT_FALSE(lists.IsSubfolderExcluded("projects", absolute, "/home/u/"));
    EXPECT_FALSE(lists.IsSubfolderExcluded("a", absolute, "/home/u/projects/"));
    EXPECT_TRUE(lists.IsSubfolderExcluded("usr", absolute, "/"));
    EXPECT_TRUE(lists.IsSubfolderExcluded("proj", absolute, "/home/u/"));  // a prefix of a name is not on the way

    const PatternFilter two = filter({"/data/", "docs"});
    EXPECT_FALSE(lists.IsSubfolderExcluded("data", two, "/"));
    EXPECT_FALSE(lists.IsSubfolderExcluded("docs", two, "/home/"));
    EXPECT_TRUE(lists.IsSubfolderExcluded("home", two, "/"));

    // No filter, or "*.*", leaves the walk alone; the list still applies.
    for (const PatternFilter& open : {PatternFilter{}, filter({"*.*"}), filter({""}), filter({" x"})}) {
        EXPECT_FALSE(lists.IsSubfolderExcluded("music", open, "/home/u/"));
        EXPECT_TRUE(lists.IsSubfolderExcluded("debug", open, "/home/u/"));
    }
    // An entry of the list wins over the filter.
    EXPECT_TRUE(lists.IsSubfolderExcluded("debug", filter({"debug"}), "/src/"));
}

TEST(ArchiveListsFolderFilter, EmptyOrStarDotStarLetsEverythingThrough)
{
    EXPECT_TRUE(PassesFolderFilter("/any/", {}));
    EXPECT_TRUE(PassesFolderFilter("/any/", filter({""})));
    EXPECT_TRUE(PassesFolderFilter("/any/", filter({"", "zzz"})));
    EXPECT_TRUE(PassesFolderFilter("/any/", filter({"*.*"})));
    EXPECT_TRUE(PassesFolderFilter("/any/", filter({"x*.*"})));
    // "*.*" counts only in the first pattern.
    EXPECT_FALSE(PassesFolderFilter("/any/", filter({"zzz", "*.*"})));
}

TEST(ArchiveListsFolderFilter, ThePathMustHoldOneOfTheFirstTenPatterns)
{
    const PatternFilter patterns = filter({"alpha", "", "Beta"});
    EXPECT_TRUE(PassesFolderFilter("/home/ALPHA/x/", patterns));
    EXPECT_TRUE(PassesFolderFilter("/home/beta/", patterns));  // an empty slot is skipped, not a stop
    EXPECT_FALSE(PassesFolderFilter("/home/gamma/", patterns));

    Entries eleven(10, "nomatch");
    eleven.push_back("gamma");
    EXPECT_FALSE(PassesFolderFilter("/home/gamma/", filter(eleven)));
    eleven[9] = "gamma";
    EXPECT_TRUE(PassesFolderFilter("/home/gamma/", filter(eleven)));

    // Patterns are held to 63 bytes, as the page's table holds them.
    std::string longPattern(63, 'p');
    EXPECT_TRUE(PassesFolderFilter("/" + longPattern + "/", filter({longPattern + "XYZ"})));
}

// ---- conversion class ---------------------------------------------------------

TEST_F(ArchiveListsTest, ConversionClassComparesWholeEntries)
{
    EXPECT_EQ(lists.ConversionClass("report.pdf", false), ConversionKind::Pdf);
    EXPECT_EQ(lists.ConversionClass("REPORT.PDF", true), ConversionKind::Pdf);
    EXPECT_EQ(lists.ConversionClass("letter.docx", false), ConversionKind::DocumentXml);
    EXPECT_EQ(lists.ConversionClass("sheet.odt", false), ConversionKind::DocumentXml);
    EXPECT_EQ(lists.ConversionClass("bundle.zip", true), ConversionKind::Compressed);
    EXPECT_EQ(lists.ConversionClass("bundle.zip", false), ConversionKind::Skip);
    EXPECT_EQ(lists.ConversionClass("a.tar.gz", true), ConversionKind::Compressed);
    EXPECT_EQ(lists.ConversionClass("a.Z", true), ConversionKind::Compressed);
    EXPECT_EQ(static_cast<int>(ConversionKind::Compressed), 3);
    EXPECT_EQ(static_cast<int>(ConversionKind::DocumentXml), 2);

    // Parts and extensions of entries are no match.
    EXPECT_EQ(lists.ConversionClass("old.doc", false), ConversionKind::None);   // ".doc" of ".docx"
    EXPECT_EQ(lists.ConversionClass("a.pd", false), ConversionKind::None);
    EXPECT_EQ(lists.ConversionClass("a.zi", false), ConversionKind::None);
    EXPECT_EQ(lists.ConversionClass("a.zipx", false), ConversionKind::None);
    EXPECT_EQ(lists.ConversionClass("a.pdf.txt", false), ConversionKind::None);
    EXPECT_EQ(lists.ConversionClass("pdf", false), ConversionKind::None);
    EXPECT_EQ(lists.ConversionClass("", false), ConversionKind::None);
}

TEST_F(ArchiveListsTest, ConvertedListsWinOverCompressedListsAndFollowEdits)
{
    lists.setList(SlotConvertedExtensions, ".pdf;.epub");
    lists.setList(SlotCompressedExtensions, ".epub,.xz");
    EXPECT_EQ(lists.ConversionClass("book.epub", false), ConversionKind::DocumentXml);
    EXPECT_EQ(lists.ConversionClass("a.xz", false), ConversionKind::Skip);
    EXPECT_EQ(lists.ConversionClass("letter.docx", false), ConversionKind::None);
}

// ---- multimedia ---------------------------------------------------------------

TEST_F(ArchiveListsTest, MultimediaComparesTheExtensionWithWholeEntries)
{
    EXPECT_TRUE(lists.IsMultimedia("photo.jpg"));
    EXPECT_TRUE(lists.IsMultimedia("PHOTO.JPEG"));
    EXPECT_TRUE(lists.IsMultimedia("arrow.cur"));
    EXPECT_TRUE(lists.IsMultimedia("song.mp3"));
    EXPECT_FALSE(lists.IsMultimedia("main.c"));  // ".c" is not ".cur"
    EXPECT_FALSE(lists.IsMultimedia("a.cu"));
    EXPECT_FALSE(lists.IsMultimedia("a.jp"));
    EXPECT_FALSE(lists.IsMultimedia("a.****"));  // the "****" entry has no dot
    EXPECT_FALSE(lists.IsMultimedia("jpg"));
    EXPECT_FALSE(lists.IsMultimedia(""));
}

TEST_F(ArchiveListsTest, ExtensionsAroundSevenBytesMatchOnlyWholeEntries)
{
    // Entries up to seven bytes are looked up packed into numbers, longer ones as texts.
    lists.setList(SlotMediaExtensions, ".abcdef,.abcdefg,.abcdefgh,.z,.abcdef\x07");
    for (const char* name : {"x.abcdef", "x.abcdefg", "x.abcdefgh", "x.z", "X.ABCDEFG", "x.abcdef\x07"})
        EXPECT_TRUE(lists.IsMultimedia(name)) << name;
    for (const char* name : {"x.abcde", "x.abcdeg", "x.abcdefghi", "x.zz", "x.", "x.abcdefgz", "x.abcdef\x0f"})
        EXPECT_FALSE(lists.IsMultimedia(name)) << name;

    // Against a plain comparison with every entry, over lists and names drawn
    // from a small alphabet so that heads, lengths and orders collide often.
    std::mt19937 random(20261210);
    auto draw = [&](std::size_t longest) {
        std::string text = ".";
        for (std::size_t n = random() % (longest + 1); n > 0; --n)
            text += "ab."[random() % 3];
        return text;
    };
    for (int round = 0; round < 200; ++round) {
        Entries entries;
        std::string list;
        for (int n = static_cast<int>(random() % 6); n > 0; --n) {
            entries.push_back(draw(9));
            list += entries.back() + ";";
        }
        lists.setList(SlotMediaExtensions, list);
        for (int ask = 0; ask < 20; ++ask) {
            const std::string name = "f" + draw(9);
            const std::string extension = name.substr(name.rfind('.'));
            const bool listed = std::find(entries.begin(), entries.end(), extension) != entries.end();
            ASSERT_EQ(lists.IsMultimedia(name), listed) << name << " in " << list;
        }
    }
}

// ---- HasIndexableText -----------------------------------------------------------

struct TextCase {
    const char* name;
    int runMode;
    bool passes;
};

class HasIndexableTextCases : public ArchiveListsTest, public ::testing::WithParamInterface<TextCase> {};

TEST_P(HasIndexableTextCases, WithTheInitialListsAndNoFilter)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(lists.HasIndexableText(c.name, {}, c.runMode), c.passes) << c.name << " mode " << c.runMode;
}

INSTANTIATE_TEST_SUITE_P(
    ArchiveLists, HasIndexableTextCases,
    ::testing::Values(
        // step 1
        TextCase{"", 0, true}, TextCase{" a.txt", 0, false}, TextCase{"\x01x.doc", 0, false},
        // step 3: no extension, long extension
        TextCase{"readme", 0, true}, TextCase{"page.html", 0, true}, TextCase{"page.xhtml", 5, true},
        TextCase{"letter.docx", 0, true}, TextCase{"a.jpeg", 0, true},
        // step 4
        TextCase{"page.htm", 5, true}, TextCase{"a.ht", 5, true}, TextCase{"x.pdf", 0, true},
        TextCase{"x.pdf", 5, false}, TextCase{"x.pdf.jpg", 0, true}, TextCase{"x.pdf.jpg", 4, false},
        // step 5: txt and db families without being listed
        TextCase{"notes.txt", 5, true}, TextCase{"a.tx", 5, true}, TextCase{"a.ltx", 5, true},
        TextCase{"a.db", 5, true}, TextCase{"a.dbf", 5, true}, TextCase{"a.mdb", 5, true},
        TextCase{"a.xdx", 5, false}, TextCase{"a.t", 5, false}, TextCase{"a.d", 5, false},
        // step 6: whole "FIL." entries
        TextCase{"main.c", 5, true}, TextCase{"main.cpp", 5, true}, TextCase{"a.xl", 5, true},
        TextCase{"arrow.cur", 5, false}, TextCase{"a.cp", 5, false}, TextCase{"a.x", 5, false},
        TextCase{"photo.jpg", 0, false}, TextCase{"bundle.zip", 0, false}, TextCase{"a.tar.gz", 0, false},
        TextCase{"file.", 0, false}, TextCase{"notes.doc", 5, true}, TextCase{"estratti.vedra.doc", 5, false},
        TextCase{"estratti.vedra", 5, true}));

TEST_F(ArchiveListsTest, AnExtensionAddedToTheTextListIsRead)
{
    ASSERT_FALSE(lists.HasIndexableText("photo.jpg", {}, 5));
    lists.setList(SlotTextExtensions, lists.buffer(SlotTextExtensions) + ".jpg\r\n");
    EXPECT_TRUE(lists.HasIndexableText("photo.jpg", {}, 5));
    // Removing ".c" from the list makes C sources name-only; ".txt" needs no entry.
    lists.setList(SlotTextExtensions, ".h\r\n");
    EXPECT_FALSE(lists.HasIndexableText("main.c", {}, 5));
    EXPECT_TRUE(lists.HasIndexableText("notes.txt", {}, 5));
}

TEST_F(ArchiveListsTest, FileFilterPatternsDecideBeforeTheExtension)
{
    // Contained pattern passes even for a name-only type.
    EXPECT_TRUE(lists.HasIndexableText("report.jpg", filter({"report"}), 5));
    EXPECT_TRUE(lists.HasIndexableText("report.jpg", filter({"zzz", "REPORT"}), 5));
    // The first empty slot ends the test with a fail, even for ".txt".
    EXPECT_FALSE(lists.HasIndexableText("notes.txt", filter({"report"}), 5));
    EXPECT_FALSE(lists.HasIndexableText("notes.txt", filter({"report", "", "notes"}), 5));
    // "*.*" anywhere in the set lets everything through.
    EXPECT_TRUE(lists.HasIndexableText("photo.jpg", filter({"*.*"}), 5));
    EXPECT_TRUE(lists.HasIndexableText("photo.jpg", filter({"zzz", "*.*"}), 5));
    // A set that begins below '!' is not set.
    EXPECT_TRUE(lists.HasIndexableText("notes.txt", filter({" report"}), 5));
    EXPECT_FALSE(lists.HasIndexableText("photo.jpg", filter({" report"}), 5));
}

TEST_F(ArchiveListsTest, TenNonMatchingPatternsFallBackToTheExtensionRules)
{
    Entries ten(10, "zzz");
    EXPECT_TRUE(lists.HasIndexableText("notes.txt", filter(ten), 5));
    EXPECT_FALSE(lists.HasIndexableText("photo.jpg", filter(ten), 5));
    // An eleventh pattern is never looked at.
    Entries eleven = ten;
    eleven.push_back("photo");
    EXPECT_FALSE(lists.HasIndexableText("photo.jpg", filter(eleven), 5));
    // Nine plus one empty slot still fails at the empty slot.
    Entries nine(9, "zzz");
    EXPECT_FALSE(lists.HasIndexableText("notes.txt", filter(nine), 5));
}

} // namespace
} // namespace vedra::indexing
