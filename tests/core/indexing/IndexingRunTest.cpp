// The indexing run over real folder trees made here: every kind of file, updates,
// interruption and resume, outside programs missing, odd file names.
#include "core/indexing/IndexingRun.h"

#include "core/app/ProcessRunner.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/UnpackFolder.h"
#include "support/ArchiveFixture.h"
#include "support/DocumentFixtures.h"
#include "support/ReadOnlyMedia.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using archive::SlotDocuments;
using testing::setModifiedTime;
using testing::readFile;
using testing::writeFile;

constexpr const char* kSevenZip = "/usr/bin/7z";

// Every word the trees below use begins with one of these roots.
constexpr const char* kRoots =
    "perche citta bella nino senor uber visible text quarterly budget report hello vedra portable "
    "opendocument paragraph wordprocessing content zipped member alpha beta gamma delta secret template "
    "debug hidden comment photo growing extra chunk word";

class IndexingRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fx.workspace->PdfToTextCommand = "\"/usr/bin/pdftotext\"";
        fx.workspace->SevenZipCommand = std::string("\"") + kSevenZip + "\" x \"";
        ASSERT_TRUE(fx.openForIndexing());
        WordExtractor roots(*fx.workspace, *fx.store);
        roots.LoadRoots(kRoots, std::strlen(kRoots));
        fx.store->close();
        fs::create_directories(tree);
    }

    IndexingCounters index(const IndexingOptions& options = {}, RunMode mode = RunMode::Normal,
                           std::string start = {})
    {
        if (start.empty())
            start = tree.string() + "/";
        EXPECT_TRUE(fx.openForIndexing(fx.workspace->cacheSizes()));
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun run(*fx.workspace, *fx.store, lists);
        run.options() = options;
        run.setResultRowSink([this](const std::string& row, std::uint64_t) { rows.push_back(row); });
        if (afterFile)
            run.setFileObserver(afterFile);
        run.RunIndexing(start, mode);
        IndexingCounters counters = run.counters();
        EXPECT_TRUE(fx.store->close());
        return counters;
    }

    std::set<std::string> documentsWith(const std::string& word) { return fx.documentsWith(word); }

    std::set<std::string> allKeys()
    {
        std::set<std::string> keys;
        EXPECT_TRUE(fx.store->open());
        for (std::uint32_t k = 1; k <= fx.store->documentCount(); ++k)
            if (auto record = fx.store->readDocument(k))
                keys.insert(archive::reversed(record->key));
        fx.store->close();
        return keys;
    }

    std::vector<std::string> archiveFiles()
    {
        std::vector<std::string> files;
        for (int slot : archive::kCreationOrder)
            files.push_back(fx.fileBytes(slot));
        return files;
    }

    void zip(const fs::path& archive, const fs::path& from, const std::vector<std::string>& members)
    {
        std::vector<std::string> argv{kSevenZip, "a", "-tzip", archive.string()};
        for (const auto& member : members)
            argv.push_back(member);
        // 7z stores members relative to its current folder: run it from `from`.
        std::string here = fs::current_path().string();
        fs::current_path(from);
        app::ProcessOutcome outcome = app::RunProgram(*fx.workspace, argv);
        fs::current_path(here);
        ASSERT_TRUE(outcome.started);
        ASSERT_EQ(outcome.exitCode, 0);
    }

    testing::ArchiveFixture fx;
    fs::path tree = fx.folder.path() / "tree";
    std::vector<std::string> rows;
    std::function<void(const IndexingCounters&)> afterFile;
};

TEST_F(IndexingRunTest, EveryKindOfFileIsRead)
{
    writeFile(tree / "cp1252.txt", "Perch\xE9 la citt\xE0 \xE8 bella\r\n");
    writeFile(tree / "utf8.txt", "ni\xC3\xB1o se\xC3\xB1or \xC3\xBC" "ber\n");
    writeFile(tree / "page.html",
              "<html><head><script>var hidden = 1;</script><style>p{}</style></head><body><p>visible</p>"
              "<!-- comment secret --><p>text</p></body></html>");
    std::string office = std::string("\xD0\xCF\x11\xE0\x01\x02", 6);
    for (char c : std::string("Quarterly budget report"))
        office += std::string(1, c) + '\0';
    office += std::string(40, '\0') + "\x07\x08";
    writeFile(tree / "budget.doc", office);
    writeFile(tree / "photo.jpg", std::string("\xFF\xD8\xFF\xE0", 4) + "JFIF delta gamma");
    writeFile(tree / "report.pdf", testing::minimalPdf({"Hello Vedra Portable"}));
    fs::path staging = fx.folder.path() / "staging";
    writeFile(staging / "odt" / "content.xml", "<office:text><text:p>Opendocument paragraph</text:p></office:text>");
    zip(tree / "letter.odt", staging / "odt", {"content.xml"});
    writeFile(staging / "docx" / "word" / "document.xml", "<w:body><w:t>Wordprocessing content</w:t></w:body>");
    zip(tree / "memo.docx", staging / "docx", {"word"});
    writeFile(staging / "zip" / "inside.txt", "zipped member");
    zip(tree / "bundle.zip", staging / "zip", {"inside.txt"});
    writeFile(tree / "Template" / "t.txt", "template");
    writeFile(tree / "Debug" / "d.txt", "debug");
    writeFile(tree / "debugger" / "x.txt", "hidden");
    writeFile(tree / "one" / "note.txt", "alpha");
    writeFile(tree / "two" / "note.txt", "beta words");
    writeFile(tree / "tiny.txt", "gamm");

    IndexingCounters counters = index();
    EXPECT_TRUE(rows.empty()) << rows.front();
    const std::string t = "/tree/";
    EXPECT_EQ(documentsWith("perche"), std::set<std::string>{t + "cp1252.txt"});
    EXPECT_EQ(documentsWith("citta"), std::set<std::string>{t + "cp1252.txt"});
    EXPECT_EQ(documentsWith("nino"), std::set<std::string>{t + "utf8.txt"});
    EXPECT_EQ(documentsWith("senor"), std::set<std::string>{t + "utf8.txt"});
    EXPECT_EQ(documentsWith("uber"), std::set<std::string>{t + "utf8.txt"});
    EXPECT_EQ(documentsWith("visible"), std::set<std::string>{t + "page.html"});
    EXPECT_EQ(documentsWith("text"), std::set<std::string>{t + "page.html"});
    EXPECT_TRUE(documentsWith("hidden").empty()) << "script text and the debugger folder are not read";
    EXPECT_TRUE(documentsWith("secret").empty()) << "comments are not read";
    EXPECT_EQ(documentsWith("quarterly"), std::set<std::string>{t + "budget.doc"});
    EXPECT_EQ(documentsWith("budget"), std::set<std::string>{t + "budget.doc"});
    EXPECT_TRUE(documentsWith("delta").empty()) << "an image is recorded by name only";
    EXPECT_EQ(documentsWith("portable"), std::set<std::string>{t + "report.pdf.txt"});
    EXPECT_EQ(documentsWith("opendocument"), std::set<std::string>{"/letter.odt_vedratemp/content.xml"});
    // A ".docx" name passes the text test too (an extension of five characters), so
    // the packed file is read as it is besides its unpacked member.
    EXPECT_EQ(documentsWith("wordprocessing").count("/word/document.xml"), 1u);
    EXPECT_TRUE(documentsWith("zipped").empty()) << "a zip is skipped without the unpack option";
    EXPECT_TRUE(documentsWith("template").empty());
    EXPECT_TRUE(documentsWith("debug").empty());
    EXPECT_EQ(documentsWith("alpha"), std::set<std::string>{"/one/note.txt"});
    EXPECT_EQ(documentsWith("beta"), std::set<std::string>{"/two/note.txt"});
    EXPECT_EQ(allKeys().count("/tree/tiny.txt"), 1u) << "fewer than five bytes: recorded, not read";

    std::set<std::string> keys = allKeys();
    for (const char* name : {"/tree/photo.jpg", "/tree/report.pdf", "/tree/letter.odt", "/tree/memo.docx"})
        EXPECT_EQ(keys.count(name), 1u) << name;
    EXPECT_EQ(keys.count("/tree/bundle.zip"), 0u) << "no trace of a skipped zip";
    EXPECT_EQ(counters.newDocuments, 14u);
    // Nothing of the unpacking and conversion is left behind.
    for (auto& entry : fs::recursive_directory_iterator(tree))
        EXPECT_EQ(entry.path().string().find("_vedratemp"), std::string::npos) << entry.path();
    EXPECT_TRUE(fs::is_empty(fx.workspace->WorkingFolder + "vedratemp"));
}

TEST_F(IndexingRunTest, UnpackOptionReadsCompressedMembers)
{
    fs::path staging = fx.folder.path() / "staging";
    writeFile(staging / "inside.txt", "zipped member");
    zip(tree / "bundle.zip", staging, {"inside.txt"});
    IndexingOptions options;
    options.unpack = true;
    index(options);
    EXPECT_EQ(documentsWith("zipped"), std::set<std::string>{"/bundle.zip_vedratemp/inside.txt"});
    EXPECT_EQ(allKeys().count("/tree/bundle.zip"), 1u);
    EXPECT_FALSE(fs::exists(tree / "bundle.zip_vedratemp"));
}

// ---- what a run may delete --------------------------------------------------

// Files of the user's in folders whose names hold "_vedratemp": a folder of notes,
// the working folder's local copies of web results, a file named so.
const std::vector<std::pair<std::string, std::string>> kUserFiles = {
    {"x_vedratemp_y/a.txt", "alpha"},
    {"notes_vedratemp/b.txt", "beta words"},
    {"notes_vedratemp/deeper/c.txt", "delta"},
    {"report_vedratemp.txt", "gamma"},
    {"vedraprog/download_vedratemp/www.example.org_index.htm", "<p>hello</p>"},
    {"vedraprog/download_vedratemp/sub/d.txt", "comment"},
};

struct RunCase {
    const char* name;
    RunMode mode;
    bool update;
    bool unpack;
};

class IndexingRunUserFolders : public IndexingRunTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(IndexingRunUserFolders, AreIntactAfterTheRunAndOnlyItsOwnUnpackFolderIsGone)
{
    const RunCase& c = GetParam();
    for (const auto& [file, text] : kUserFiles)
        writeFile(tree / file, text);
    fs::path staging = fx.folder.path() / "staging";
    writeFile(staging / "inside.txt", "zipped member");
    zip(tree / "bundle.zip", staging, {"inside.txt"});
    IndexingOptions options;
    options.unpack = c.unpack;
    if (c.update) {
        index(options);
        for (const auto& [file, text] : kUserFiles)
            setModifiedTime(tree / file, std::time(nullptr) + 100);
        setModifiedTime(tree / "bundle.zip", std::time(nullptr) + 100);
        options.markUpdates = true;
    }
    index(options, c.mode);

    for (const auto& [file, text] : kUserFiles) {
        ASSERT_TRUE(fs::exists(tree / file)) << file;
        EXPECT_EQ(testing::readFile(tree / file), text) << file;
    }
    EXPECT_FALSE(fs::exists(tree / "bundle.zip_vedratemp"));
    EXPECT_EQ(documentsWith("gamma"), std::set<std::string>{"/tree/report_vedratemp.txt"}) << "read like any file";
    if (c.unpack) {
        EXPECT_EQ(documentsWith("zipped"), std::set<std::string>{"/bundle.zip_vedratemp/inside.txt"});
    }
    EXPECT_TRUE(rows.empty()) << rows.front();
}

INSTANTIATE_TEST_SUITE_P(EveryRun, IndexingRunUserFolders,
                         ::testing::Values(RunCase{"Normal", RunMode::Normal, false, false},
                                           RunCase{"NormalUnpacking", RunMode::Normal, false, true},
                                           RunCase{"SingleFolder", RunMode::SingleFolder, false, false},
                                           RunCase{"SingleFolderUnpacking", RunMode::SingleFolder, false, true},
                                           RunCase{"Update", RunMode::Normal, true, false},
                                           RunCase{"UpdateUnpacking", RunMode::Normal, true, true}),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST_F(IndexingRunTest, AUserFolderNamedLikeAnUnpackFolderIsWalkedLikeAnyOther)
{
    for (const auto& [file, text] : kUserFiles)
        writeFile(tree / file, text);
    // A list that does not name vedratemp (as any archive but the first).
    writeFile(fx.store->slotPath(archive::SlotExcludedFolders), "debug\r\n");
    index();
    EXPECT_EQ(documentsWith("alpha"), std::set<std::string>{"/x_vedratemp_y/a.txt"});
    EXPECT_EQ(documentsWith("beta"), std::set<std::string>{"/notes_vedratemp/b.txt"});
    EXPECT_EQ(documentsWith("delta"), std::set<std::string>{"/deeper/c.txt"});
    EXPECT_EQ(documentsWith("comment"), std::set<std::string>{"/sub/d.txt"});
    for (const auto& [file, text] : kUserFiles)
        EXPECT_EQ(testing::readFile(tree / file), text) << file;
}

TEST_F(IndexingRunTest, ALeftoverUnpackFolderGoesAndAForeignOneIsNeverUnpackedInto)
{
    // What a killed run left: the mark and a member.
    writeFile(tree / "old.zip_vedratemp" / std::string(kUnpackMarkName), "");
    writeFile(tree / "old.zip_vedratemp" / "member.txt", "alpha");
    // A folder of the user's where the unpacker would write.
    writeFile(tree / "bundle.zip_vedratemp" / "mine.txt", "beta words");
    fs::path staging = fx.folder.path() / "staging";
    writeFile(staging / "mine.txt", "zipped member");
    zip(tree / "bundle.zip", staging, {"mine.txt"});
    IndexingOptions options;
    options.unpack = true;
    index(options);
    EXPECT_FALSE(fs::exists(tree / "old.zip_vedratemp"));
    EXPECT_EQ(testing::readFile(tree / "bundle.zip_vedratemp" / "mine.txt"), "beta words") << "not overwritten";
    EXPECT_TRUE(rows.empty()) << rows.front();
    // The zip went to the working folder's temporary folder instead, under the same
    // key; the user's file of that name is a document of its own.
    EXPECT_EQ(documentsWith("zipped"), std::set<std::string>{"/bundle.zip_vedratemp/mine.txt"});
    EXPECT_EQ(documentsWith("beta"), std::set<std::string>{"/bundle.zip_vedratemp/mine.txt"});
    EXPECT_TRUE(documentsWith("alpha").empty()) << "a leftover is removed, not indexed";
    EXPECT_TRUE(fs::is_empty(fx.workspace->WorkingFolder + "vedratemp")) << "nothing left of the detour";
}

TEST_F(IndexingRunTest, AFolderThatCannotBeWrittenHasItsArchivesUnpackedInTheWorkingFolder)
{
    fs::path staging = fx.folder.path() / "staging";
    writeFile(staging / "inside.txt", "zipped member");
    zip(tree / "docs" / "bundle.zip", staging, {"inside.txt"});
    auto before = testing::filesUnder(tree);
    {
        testing::ReallyReadOnly readOnly({tree / "docs"});
        if (!readOnly.active())
            GTEST_SKIP() << "no way to make a folder read-only here";
        IndexingOptions options;
        options.unpack = true;
        index(options);
    }
    EXPECT_TRUE(rows.empty()) << rows.front();
    EXPECT_EQ(documentsWith("zipped"), std::set<std::string>{"/bundle.zip_vedratemp/inside.txt"});
    EXPECT_EQ(testing::filesUnder(tree), before) << "the read-only folder is as it was";
    EXPECT_TRUE(fs::is_empty(fx.workspace->WorkingFolder + "vedratemp")) << "the mirrored folders are gone";
}

TEST_F(IndexingRunTest, BreakAmongUnpackedMembersLeavesThemForTheNextRun)
{
    fs::path staging = fx.folder.path() / "staging";
    writeFile(staging / "a.txt", "alpha words");
    writeFile(staging / "b.txt", "beta words");
    zip(tree / "bundle.zip", staging, {"a.txt", "b.txt"});
    fx.host.setOnDrain([this](int) {
        if (fx.host.title().find("a.txt") != std::string::npos && fx.workspace->BreakCode == app::StopCode::None &&
            fx.host.messages().empty())
            fx.host.pressEscape();
    });
    IndexingOptions options;
    options.unpack = true;
    index(options);
    fx.host.setOnDrain(nullptr);
    const std::string unpacked = (tree / "bundle.zip_vedratemp").string() + "/";
    ASSERT_TRUE(IsOwnUnpackFolder(unpacked)) << "kept, with its mark, for the resume";
    EXPECT_TRUE(documentsWith("beta").empty());
    EXPECT_EQ(fx.fileBytes(archive::SlotResume).substr(0, unpacked.size()), unpacked);

    index(options);
    EXPECT_EQ(documentsWith("beta"), std::set<std::string>{"/bundle.zip_vedratemp/b.txt"});
    EXPECT_EQ(documentsWith("alpha"), std::set<std::string>{"/bundle.zip_vedratemp/a.txt"});
    EXPECT_FALSE(fs::exists(unpacked));
}

TEST_F(IndexingRunTest, SecondRunOverAnUnchangedTreeChangesNoByte)
{
    writeFile(tree / "a.txt", "alpha beta");
    writeFile(tree / "sub" / "b.txt", "gamma delta");
    writeFile(tree / "report.pdf", testing::minimalPdf({"Hello Vedra"}));
    index();
    std::vector<std::string> first = archiveFiles();
    IndexingCounters again = index();
    EXPECT_EQ(again.newDocuments, 0u);
    EXPECT_EQ(again.wordsIndexed, 0u);
    std::vector<std::string> second = archiveFiles();
    for (std::size_t i = 0; i < first.size(); ++i)
        EXPECT_TRUE(first[i] == second[i]) << archive::slotPrefix(archive::kCreationOrder[i]) << " changed";
}

TEST_F(IndexingRunTest, TouchedFileGetsItsNewTimeAndOnlyItsNewWords)
{
    writeFile(tree / "a.txt", "alpha beta");
    setModifiedTime(tree / "a.txt", 1'600'000'000);
    index();
    std::string postingsBefore = fx.fileBytes(archive::SlotPostings);

    writeFile(tree / "a.txt", "alpha beta gamma");
    setModifiedTime(tree / "a.txt", 1'700'000'000);
    IndexingCounters counters = index();
    EXPECT_EQ(counters.filesUpdated, 1u);
    EXPECT_EQ(counters.newDocuments, 0u);
    // One new posting (gamma): alpha and beta are already posted for the document.
    EXPECT_EQ(fx.fileBytes(archive::SlotPostings).size(), postingsBefore.size() + 8);
    EXPECT_EQ(documentsWith("gamma"), std::set<std::string>{"/tree/a.txt"});
    ASSERT_TRUE(fx.store->open());
    auto record = fx.store->readDocument(1);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->lastWrite, FileTimeFromUnix(1'700'000'000, 0));
    EXPECT_EQ(record->size, 16u);
    // The new words are reachable from the document's own list.
    auto gamma = fx.store->findWord("gamma");
    ASSERT_TRUE(gamma);
    std::vector<std::uint32_t> list = fx.store->readWordList(record->wordList);
    EXPECT_NE(std::find(list.begin(), list.end(), gamma->node), list.end());
    fx.store->close();
}

TEST_F(IndexingRunTest, TimeGoingBackOrStayingIsUnchangedWhateverTheSize)
{
    // Only a later time is a change: a file restored from a backup, or rewritten
    // within the same time, is not read again.
    for (std::int64_t seconds : {std::int64_t{1'600'000'000}, std::int64_t{1'700'000'000}}) {
        SCOPED_TRACE(seconds);
        writeFile(tree / "a.txt", "alpha");
        setModifiedTime(tree / "a.txt", 1'700'000'000);
        index();
        writeFile(tree / "a.txt", "alpha beta");
        setModifiedTime(tree / "a.txt", seconds);
        IndexingCounters counters = index();
        EXPECT_EQ(counters.filesUpdated, 0u);
        EXPECT_TRUE(documentsWith("beta").empty());
        fs::remove(tree / "a.txt");
        index();
    }
}

TEST(IndexingRunDeterminism, SameTreeIntoTwoFreshArchivesGivesTheSameBytes)
{
    testing::TempFolder shared;
    fs::path tree = shared.path() / "tree";
    writeFile(tree / "a.txt", "alpha beta gamma");
    writeFile(tree / "z" / "b.txt", "delta alpha");
    writeFile(tree / "m" / "c.html", "<p>hello vedra</p>");
    std::vector<std::vector<std::string>> images;
    for (int i = 0; i < 2; ++i) {
        testing::ArchiveFixture fx;
        ASSERT_TRUE(fx.openForIndexing(fx.workspace->cacheSizes()));
        WordExtractor roots(*fx.workspace, *fx.store);
        roots.LoadRoots(kRoots, std::strlen(kRoots));
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun run(*fx.workspace, *fx.store, lists);
        run.RunIndexing(tree.string() + "/", RunMode::Normal);
        ASSERT_TRUE(fx.store->close());
        std::vector<std::string> files;
        for (int slot : archive::kCreationOrder)
            files.push_back(fx.fileBytes(slot));
        images.push_back(files);
    }
    for (std::size_t i = 0; i < images[0].size(); ++i)
        EXPECT_TRUE(images[0][i] == images[1][i]) << archive::slotPrefix(archive::kCreationOrder[i]);
}

TEST_F(IndexingRunTest, EscapeDuringALongFileStopsAndTheNextRunResumes)
{
    // Several chunks of text (a chunk is a quarter of the text buffer).
    std::string big;
    while (big.size() < 3'000'000)
        big += "alpha beta gamma delta ";
    big += "extra";
    writeFile(tree / "a_big.txt", big);
    writeFile(tree / "later" / "b.txt", "growing");
    fx.host.setOnDrain([this](int) {
        if (fx.host.title().find("a_big") != std::string::npos && fx.workspace->BreakCode == app::StopCode::None &&
            fx.host.messages().empty())
            fx.host.pressEscape();
    });
    IndexingCounters first = index();
    fx.host.setOnDrain(nullptr);
    ASSERT_GE(fx.host.messages().size(), 2u);
    EXPECT_EQ(fx.host.messages()[0].text, "Do you want to suspend current operation?");
    EXPECT_EQ(fx.host.messages().back().text,
              "The indexing of the disk is not completed.\n\nYou can fill it at any other time.");
    EXPECT_EQ(fx.host.title(), ".......");
    EXPECT_LT(first.bytesRead, 3'000'000u) << "stopped after the current chunk";
    EXPECT_TRUE(documentsWith("extra").empty());
    EXPECT_TRUE(documentsWith("growing").empty());
    std::string resume = fx.fileBytes(archive::SlotResume);
    EXPECT_EQ(resume.substr(0, tree.string().size() + 1), tree.string() + "/");

    std::size_t shown = fx.host.messages().size();
    index();
    ASSERT_GT(fx.host.messages().size(), shown);
    EXPECT_EQ(fx.host.messages()[shown].text,
              "Completion of indexing interrupted.\n\nYou may need to repeat the operation,\n"
              "if files already indexed have been modified.");
    EXPECT_EQ(documentsWith("extra"), std::set<std::string>{"/tree/a_big.txt"}) << "the stopped file is read again";
    EXPECT_EQ(documentsWith("growing"), std::set<std::string>{"/later/b.txt"});
    EXPECT_EQ(fx.fileBytes(archive::SlotResume), std::string(1024, '\0'));
}

TEST_F(IndexingRunTest, KilledRunLeavesAnArchiveThatOpensAndSearches)
{
    for (int f = 0; f < 40; ++f) {
        std::string text;
        for (int w = 0; w < 4000; ++w)
            text += (w % 3 ? "alpha " : "beta ") + std::string("word") + std::to_string((w * 7 + f) % 500) + " ";
        writeFile(tree / ("d" + std::to_string(f % 4)) / ("f" + std::to_string(f) + ".txt"), text);
    }
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        index();
        ::_exit(0);
    }
    ::usleep(150'000);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);

    ASSERT_TRUE(fx.store->open());
    std::uint32_t documents = fx.store->documentCount();
    for (std::uint32_t k = 1; k <= documents; ++k)
        fx.store->readDocument(k);
    fx.workspace->BreakCode = app::StopCode::None;
    if (auto alpha = fx.store->findWord("alpha"))
        fx.store->readPostings(alpha->postings);
    fx.store->close();
    // And a new run completes the archive.
    fx.workspace->BreakCode = app::StopCode::None;
    index();
    EXPECT_EQ(documentsWith("alpha").size(), 40u);
}

// A run whose last writes stop at one of the archive's files, as a kill part-way
// through them would leave it: the files written before stay, that one and those
// after it keep their old bytes. Whichever file it is, no link on disk may point
// past what was written, and the next run must index every document fully.
class IndexingRunCutOffAtTheEnd : public IndexingRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(IndexingRunCutOffAtTheEnd, NextRunStillIndexesEveryDocument)
{
    for (int f = 0; f < 12; ++f)
        writeFile(tree / ("d" + std::to_string(f % 3)) / ("f" + std::to_string(f) + ".txt"),
                  std::string("alpha beta gamma") + (f == 7 ? " secret" : ""));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // From here on every write to the chosen file fails (ENOSPC).
        bool ok = fx.openForIndexing(fx.workspace->cacheSizes());
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun run(*fx.workspace, *fx.store, lists);
        run.RunIndexing(tree.string() + "/", RunMode::Normal);
        std::string target = fx.store->slotPath(GetParam());
        int full = ::open("/dev/full", O_WRONLY);
        bool swapped = false;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            if (fs::read_symlink(entry.path(), error) == fs::path(target)) {
                swapped = ::dup2(full, std::stoi(entry.path().filename().string())) >= 0;
                break;
            }
        }
        fx.store->close();
        ::_exit(ok && swapped ? 0 : 3);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child could not cut the file off";

    index();
    std::set<std::string> expected;
    for (int f = 0; f < 12; ++f)
        expected.insert("/d" + std::to_string(f % 3) + "/f" + std::to_string(f) + ".txt");
    EXPECT_EQ(documentsWith("alpha"), expected);
    EXPECT_EQ(documentsWith("secret"), std::set<std::string>{"/d1/f7.txt"});
    // The failed close left the run open: the next one undid it, and says only that.
    ASSERT_EQ(fx.host.messages().size(), 1u);
    EXPECT_EQ(fx.host.messages().front().text, fx.workspace->messages().text(app::MessageKey::MsgRunUndone));
}

INSTANTIATE_TEST_SUITE_P(Files, IndexingRunCutOffAtTheEnd,
                         ::testing::Values(archive::SlotPostings, archive::SlotWordLists, archive::SlotFolders,
                                           archive::SlotWords, archive::SlotDocuments, archive::SlotDocumentKeys),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(archive::slotPrefix(info.param)).substr(0, 3);
                         });

TEST_F(IndexingRunTest, MissingConverterLeavesTheNameAndARow)
{
    fx.workspace->PdfToTextCommand = "\"/nonexistent/pdftotext\"";
    fx.workspace->SevenZipCommand = "\"/nonexistent/7z\" x \"";
    writeFile(tree / "a.pdf", testing::minimalPdf({"Hello"}));
    writeFile(tree / "b.odt", "not really");
    writeFile(tree / "c.txt", "alpha");
    index();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], "ERRORE in DECOMPATTAZIONE pdf " + (tree / "a.pdf").string());
    EXPECT_EQ(rows[1], "ERRORE in DECOMPATTAZIONE " + (tree / "b.odt").string());
    std::set<std::string> keys = allKeys();
    EXPECT_EQ(keys.count("/tree/a.pdf"), 1u);
    EXPECT_EQ(keys.count("/tree/b.odt"), 1u);
    EXPECT_EQ(documentsWith("alpha"), std::set<std::string>{"/tree/c.txt"}) << "the run went on";
    // Both are tried again once the converters are there.
    fx.workspace->PdfToTextCommand = "\"/usr/bin/pdftotext\"";
    fx.workspace->SevenZipCommand = std::string("\"") + kSevenZip + "\" x \"";
    IndexingCounters again = index();
    EXPECT_EQ(documentsWith("hello"), std::set<std::string>{"/tree/a.pdf.txt"});
    ASSERT_EQ(again.notRead.size(), 1u) << "b.odt is no zip, 7z fails on it";
    EXPECT_EQ(again.notRead[0].path, (tree / "b.odt").string());
}

std::uint64_t recordedTime(testing::ArchiveFixture& fx, const std::string& key)
{
    std::uint64_t time = ~std::uint64_t{0};
    EXPECT_TRUE(fx.store->open());
    for (std::uint32_t k = 1; k <= fx.store->documentCount(); ++k)
        if (auto record = fx.store->readDocument(k); record && archive::reversed(record->key) == key)
            time = record->lastWrite;
    fx.store->close();
    return time;
}

// The walk looks at each file once; a PDF looked at ahead of the walk (to convert
// it meanwhile) lends its time to the walk's check. A file rewritten with the same
// size is found changed by its time alone, with the converters ahead or not.
TEST_F(IndexingRunTest, SameSizeAndALaterTimeIsAChangeForTextAndForPdfsLookedAtAhead)
{
    for (std::size_t converters : {std::size_t{0}, std::size_t{2}}) {
        SCOPED_TRACE(converters);
        const fs::path base = tree / ("c" + std::to_string(converters));
        for (const char* folder : {"a", "b", "c"})
            writeFile(base / folder / "note.txt", "alpha beta");
        writeFile(base / "c" / "deep" / "paper.pdf", testing::minimalPdf({"Hello alpha"}));
        for (const char* file : {"a/note.txt", "b/note.txt", "c/note.txt", "c/deep/paper.pdf"})
            setModifiedTime(base / file, 1'600'000'000);
        IndexingOptions options;
        options.pdfConverters = converters;
        index(options);

        writeFile(base / "b" / "note.txt", "gamma beta");
        writeFile(base / "c" / "deep" / "paper.pdf", testing::minimalPdf({"Hello gamma"}));
        setModifiedTime(base / "b" / "note.txt", 1'600'000'001);
        setModifiedTime(base / "c" / "deep" / "paper.pdf", 1'600'000'002);
        IndexingCounters counters = index(options);
        EXPECT_EQ(counters.filesUpdated, 2u);
        EXPECT_EQ(documentsWith("gamma"), (std::set<std::string>{"/b/note.txt", "/deep/paper.pdf.txt"}));
        EXPECT_EQ(recordedTime(fx, "/deep/paper.pdf"), FileTimeFromUnix(1'600'000'002, 0));
        EXPECT_EQ(recordedTime(fx, "/b/note.txt"), FileTimeFromUnix(1'600'000'001, 0));
        fs::remove_all(base);
        index(options);
    }
}

// A file that turns into a folder between the listing and its reading fails to
// open for root too: the failure every user can meet (a file replaced while the
// run goes).
TEST_F(IndexingRunTest, FileThatCannotBeReadIsListedAndReadByTheNextRun)
{
    writeFile(tree / "a.txt", "alpha");
    writeFile(tree / "b.txt", "beta");
    writeFile(tree / "c.txt", "gamma");
    bool swapped = false;
    afterFile = [&](const IndexingCounters&) {
        if (swapped)
            return;
        swapped = true;
        fs::remove(tree / "b.txt");
        fs::create_directory(tree / "b.txt");
    };
    IndexingCounters first = index();
    afterFile = nullptr;
    ASSERT_TRUE(swapped);
    ASSERT_EQ(first.notRead.size(), 1u);
    EXPECT_EQ(first.notRead[0].path, (tree / "b.txt").string());
    EXPECT_EQ(first.notRead[0].reason, NotReadReason::ReadError);
    EXPECT_EQ(first.filesWithText, 2u) << "the file not read is not counted as read";
    EXPECT_EQ(first.newFilesWithText, 2u);
    EXPECT_EQ(first.newDocuments, 3u) << "its name is registered";
    EXPECT_EQ(recordedTime(fx, "/tree/b.txt"), 0u);
    EXPECT_TRUE(documentsWith("beta").empty());

    // Readable again, even with an older time than the listing saw: time 0 is older still.
    fs::remove(tree / "b.txt");
    writeFile(tree / "b.txt", "beta delta");
    setModifiedTime(tree / "b.txt", 1'000'000'000);
    IndexingCounters second = index();
    EXPECT_TRUE(second.notRead.empty());
    EXPECT_EQ(second.filesWithText, 1u) << "only the file not read before";
    EXPECT_EQ(second.filesUpdated, 1u);
    EXPECT_EQ(documentsWith("beta"), std::set<std::string>{"/tree/b.txt"});
    EXPECT_EQ(documentsWith("delta"), std::set<std::string>{"/tree/b.txt"});
    EXPECT_NE(recordedTime(fx, "/tree/b.txt"), 0u);

    IndexingCounters third = index();
    EXPECT_EQ(third.filesWithText, 0u) << "read once it is like any file";
    EXPECT_TRUE(third.notRead.empty());
}

TEST_F(IndexingRunTest, ChangedFileThatCannotBeReadKeepsItsWordsAndIsReadAgain)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads a file without permissions";
    writeFile(tree / "a.txt", "alpha");
    index();
    writeFile(tree / "a.txt", "alpha beta");
    setModifiedTime(tree / "a.txt", ::time(nullptr) + 10);
    fs::permissions(tree / "a.txt", fs::perms::none);
    IndexingCounters locked = index();
    fs::permissions(tree / "a.txt", fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(locked.notRead.size(), 1u);
    EXPECT_EQ(locked.notRead[0].reason, NotReadReason::PermissionDenied);
    EXPECT_EQ(locked.filesUpdated, 0u);
    EXPECT_EQ(locked.filesWithText, 0u);
    EXPECT_EQ(documentsWith("alpha"), std::set<std::string>{"/tree/a.txt"}) << "what it held stays";
    IndexingCounters unlocked = index();
    EXPECT_TRUE(unlocked.notRead.empty());
    EXPECT_EQ(documentsWith("beta"), std::set<std::string>{"/tree/a.txt"});
}

// pdftotext leaves no text for a damaged PDF; with the converters running ahead
// of the walk and without them.
TEST_F(IndexingRunTest, FailedConversionIsListedAndConvertedByTheNextRun)
{
    for (std::size_t converters : {std::size_t{0}, DefaultPdfConverters()}) {
        SCOPED_TRACE(converters);
        const std::string name = "r" + std::to_string(converters) + ".pdf";
        writeFile(tree / name, "not a pdf at all");
        setModifiedTime(tree / name, 1'600'000'000);
        IndexingOptions options;
        options.pdfConverters = converters;
        IndexingCounters broken = index(options);
        ASSERT_EQ(broken.notRead.size(), 1u);
        EXPECT_EQ(broken.notRead[0].path, (tree / name).string());
        EXPECT_EQ(broken.notRead[0].reason, NotReadReason::ConversionFailed);
        EXPECT_EQ(recordedTime(fx, "/tree/" + name), 0u);

        const std::string word = converters == 0 ? "quarterly" : "budget";
        writeFile(tree / name, testing::minimalPdf({"Hello " + word}));
        setModifiedTime(tree / name, 1'600'000'000);
        IndexingCounters fixed = index(options);
        EXPECT_TRUE(fixed.notRead.empty());
        EXPECT_EQ(documentsWith(word), std::set<std::string>{"/tree/" + name + ".txt"});
        fs::remove(tree / name);
    }
}

TEST_F(IndexingRunTest, OddFileNamesReachTheConverterWhole)
{
    // A shell would run both substitutions; the path comes from the environment
    // because a file name cannot hold a '/'.
    fs::path pwned = fx.folder.path() / "pwned";
    ::setenv("VEDRA_PWNED", pwned.c_str(), 1);
    std::string name = "my \"odd\" file's $(touch $VEDRA_PWNED) `touch $VEDRA_PWNED`.pdf";
    writeFile(tree / name, testing::minimalPdf({"Hello Vedra"}));
    index();
    EXPECT_EQ(documentsWith("vedra"), std::set<std::string>{"/tree/" + name + ".txt"});
    EXPECT_FALSE(fs::exists(pwned));
    EXPECT_TRUE(rows.empty());
    ::unsetenv("VEDRA_PWNED");
}

TEST_F(IndexingRunTest, SingleFolderRunStopsAfterTheFirstFolder)
{
    writeFile(tree / "a.txt", "alpha");
    writeFile(tree / "sub" / "b.txt", "beta");
    index(IndexingOptions{}, RunMode::SingleFolder);
    EXPECT_EQ(documentsWith("alpha").size(), 1u);
    EXPECT_TRUE(documentsWith("beta").empty());
    EXPECT_EQ(fx.fileBytes(archive::SlotResume), std::string(260, '\0')) << "no resume point outside normal runs";
}

TEST_F(IndexingRunTest, RootsModeFillsTheRootTreeAndAddsOnlyItsFolder)
{
    writeFile(tree / "roots.txt", "zebra\nquokka\n");
    std::string keysBefore = fx.fileBytes(archive::SlotDocumentKeys);
    std::string foldersBefore = fx.fileBytes(archive::SlotFolders);
    index(IndexingOptions{}, RunMode::Roots);
    ASSERT_TRUE(fx.store->open());
    EXPECT_TRUE(fx.store->hasRoot("zeb"));
    EXPECT_TRUE(fx.store->hasRoot("quo"));
    fx.store->close();
    EXPECT_EQ(fx.fileBytes(archive::SlotDocumentKeys), keysBefore) << "no document";
    // The start folder's node, as every run adds it: greater, less, '\n', the
    // reversed path "/eert/..." in bucket e, e, r -> (62-48)*180 + 5*(62-48) + 1 + 4.
    std::string expected = foldersBefore;
    expected.replace(2595 * 4, 4, std::string("\x94\x65\0\0", 4));  // 26004
    const std::string path = tree.string() + "/";
    expected += std::string(8, '\0') + "\n" + std::string(path.rbegin(), path.rend()) + '\0';
    EXPECT_EQ(fx.fileBytes(archive::SlotFolders), expected);
}

TEST(FileTime, FromUnixTime)
{
    EXPECT_EQ(FileTimeFromUnix(0, 0), 116444736000000000ULL);
    EXPECT_EQ(FileTimeFromUnix(1, 500), 116444736010000005ULL);
    EXPECT_EQ(FileTimeFromUnix(-11644473601, 0), 0u);
}

} // namespace
} // namespace vedra::indexing
