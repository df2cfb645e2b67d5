// The desktop's search box: ids that survive D-Bus for any file name, how a row is
// named, and the search kept open between calls yet current after an indexing run.
#include "core/utilities/DesktopSearch.h"

#include "core/app/HeadlessHost.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

namespace vedra::utilities {
namespace {

using testing::TempFolder;
using testing::readFile;
using testing::writeFile;

TEST(DesktopResultIdTest, EveryLabelComesBackAndEveryIdIsUtf8)
{
    const std::vector<std::string> labels = {
        "/docs/a.txt",
        "/docs/città/ü.html",        // UTF-8: kept as it reads
        "/docs/100%/x.txt",          // '%' escaped, or "%/x" could not be told from an escape
        "/docs/caf\xE9/r\xE9sum\xE9",  // cp1252 bytes: not UTF-8
        "/docs/%E9.txt",             // looks like an escape already
        "http://example.org/?q=%20",
    };
    for (const std::string& label : labels) {
        const std::string id = DesktopResultId(label);
        EXPECT_TRUE(app::isValidUtf8(id)) << id;
        EXPECT_EQ(LabelOfDesktopResultId(id), label) << id;
        EXPECT_FALSE(WordsOfWindowSearchId(id)) << id;
    }
    EXPECT_EQ(DesktopResultId("/docs/città"), "/docs/città");
    EXPECT_EQ(DesktopResultId("/d/caf\xE9"), "/d/caf%E9");
    EXPECT_EQ(DesktopResultId("/d/100%"), "/d/100%25");
}

TEST(DesktopResultIdTest, TextNoIdHoldsIsRefused)
{
    for (const char* id : {"", "%", "/a%", "/a%4", "/a%zz", "/a%4g"})
        EXPECT_FALSE(LabelOfDesktopResultId(id)) << id;
    const std::string windowId = WindowSearchId("casa 100%");
    EXPECT_FALSE(LabelOfDesktopResultId(windowId));
    EXPECT_EQ(WordsOfWindowSearchId(windowId), "casa 100%");
    EXPECT_EQ(WindowSearchCommand("/usr/bin/vedrareader", "casa mare"),
              (std::vector<std::string>{"/usr/bin/vedrareader", "--search", "casa mare"}));
}

TEST(DescribeDesktopResultTest, NameIsTheFileAndDescriptionWhereItLies)
{
    DesktopResult plain = DescribeDesktopResult("/docs/sub/a.txt", "/w/vedratemp/");
    EXPECT_EQ(plain.name, "a.txt");
    EXPECT_EQ(plain.description, "/docs/sub");
    EXPECT_EQ(plain.id, "/docs/sub/a.txt");

    DesktopResult top = DescribeDesktopResult("/a.txt", "");
    EXPECT_EQ(top.name, "a.txt");
    EXPECT_EQ(top.description, "/");

    DesktopResult folder = DescribeDesktopResult("/docs/sub/", "");
    EXPECT_EQ(folder.name, "sub");
    EXPECT_EQ(folder.description, "/docs");

    // A packed file's member: its own name, inside the packed file's folder path.
    DesktopResult member = DescribeDesktopResult("/docs/x.zip_vedratemp/inner/doc.txt", "");
    EXPECT_EQ(member.name, "doc.txt");
    EXPECT_EQ(member.description, "/docs/x.zip \xC2\xBB inner");
    DesktopResult topMember = DescribeDesktopResult("/docs/x.zip_vedratemp/doc.txt", "");
    EXPECT_EQ(topMember.name, "doc.txt");
    EXPECT_EQ(topMember.description, "/docs/x.zip");

    // A cp1252 file name is shown as UTF-8; its id keeps the bytes.
    DesktopResult cp1252 = DescribeDesktopResult("/d/caf\xE9/r\xE9sum\xE9.txt", "");
    EXPECT_EQ(cp1252.name, "résumé.txt");
    EXPECT_EQ(cp1252.description, "/d/café");
    EXPECT_EQ(LabelOfDesktopResultId(cp1252.id), "/d/caf\xE9/r\xE9sum\xE9.txt");

    DesktopResult web = DescribeDesktopResult("http://example.org/page", "");
    EXPECT_EQ(web.name, "http://example.org/page");
    EXPECT_EQ(web.description, "");
}

TEST(DescribeDesktopResultTest, TermsAreJoinedWithoutEmptyOnes)
{
    EXPECT_EQ(JoinDesktopTerms({"casa", "", "mare"}), "casa mare");
    EXPECT_EQ(JoinDesktopTerms({}), "");
    EXPECT_NE(WindowSearchText(0, "x"), WindowSearchText(1, "x"));
    EXPECT_NE(WindowSearchText(2, "x"), WindowSearchText(1, "x"));
    EXPECT_NE(WindowSearchText(1, "casa").find("casa"), std::string::npos);
}

// A working folder with one archive of `corpus`, and a program folder whose
// "xdg-open" records what it is given.
class DesktopSearchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(work / "Lemmi/Radici");
        writeFile(work / "Lemmi/Radici/RadiciParole.txt", "casa mare giardino\n");
        std::filesystem::create_directories(corpus / "sub");
        writeFile(corpus / "a.txt", "la casa al mare\n");
        writeFile(corpus / "sub/b.txt", "una casa\n");
        std::filesystem::create_directories(programs);
        writeFile(programs / "xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0.argv\"\n");
        std::filesystem::permissions(programs / "xdg-open", std::filesystem::perms::owner_all);
        probe = testing::testProbe(work);
        probe.searchPath = [this] { return std::vector<std::string>{programs.string()}; };
        writer = std::make_unique<app::Workspace>(host, probe);
        ASSERT_EQ(writer->PrepareWorkspace(), 1);
        indexing::NewArchive request;
        request.name = "docs";
        ASSERT_EQ(indexing::CreateArchive(*writer, request).number, 1);
        index();
    }

    void index()
    {
        const indexing::IndexFolderResult result =
            indexing::IndexFolder(*writer, corpus.string(), indexing::IndexCommand::Normal, {});
        ASSERT_EQ(result.status, indexing::IndexStatus::Done);
    }

    std::vector<std::string> namesFound(DesktopSearch& search, const std::string& words)
    {
        std::vector<std::string> names;
        for (const DesktopResult& result : search.FirstResults(words, 10))
            names.push_back(result.description + "/" + result.name);
        // The order is the search's own; these tests are about which rows.
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string recorded()
    {
        const auto argv = programs / "xdg-open.argv";
        for (int i = 0; i < 200 && !std::filesystem::exists(argv); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return std::filesystem::exists(argv) ? readFile(argv) : std::string();
    }

    TempFolder folder;
    std::filesystem::path work = folder.path() / "vedraprog";
    std::filesystem::path corpus = folder.path() / "corpus";
    std::filesystem::path programs = folder.path() / "bin";
    app::HeadlessHost host;
    app::SystemProbe probe;
    std::unique_ptr<app::Workspace> writer;
};

TEST_F(DesktopSearchTest, FindsTheRowsAndStaysOpenUntilTheArchiveChanges)
{
    DesktopSearch search(host, probe);
    EXPECT_EQ(namesFound(search, "casa"),
              (std::vector<std::string>{corpus.string() + "/a.txt", corpus.string() + "/sub/b.txt"}));
    EXPECT_EQ(namesFound(search, "casa mare"), (std::vector<std::string>{corpus.string() + "/a.txt"}));
    EXPECT_EQ(search.FirstResults("casa", 1).size(), 1u);
    EXPECT_TRUE(search.FirstResults("   ", 10).empty());
    EXPECT_TRUE(search.FirstResults("giardino", 10).empty());
    // Searching changes nothing that would make the next call open the archive again.
    EXPECT_EQ(search.openCount(), 1);

    writeFile(corpus / "c.txt", "il giardino\n");
    index();
    EXPECT_EQ(namesFound(search, "giardino"), (std::vector<std::string>{corpus.string() + "/c.txt"}));
    EXPECT_EQ(search.openCount(), 2);
    namesFound(search, "giardino");
    EXPECT_EQ(search.openCount(), 2);
}

TEST_F(DesktopSearchTest, TheBestRowComesFirstWhereverTheArchiveListsIt)
{
    // The document holding the word most sits between two that hold it once,
    // so neither end of the archive's order puts it first.
    writeFile(corpus / "m1.txt", "il giardino e il mare\n");
    writeFile(corpus / "m2.txt", "mare mare mare mare mare\n");
    writeFile(corpus / "m3.txt", "un giardino e un mare\n");
    index();
    DesktopSearch search(host, probe);
    const std::vector<DesktopResult> found = search.FirstResults("mare", 10);
    ASSERT_EQ(found.size(), 4u);
    EXPECT_EQ(found[0].name, "m2.txt");
    ASSERT_EQ(search.FirstResults("mare", 1).size(), 1u);
    EXPECT_EQ(search.FirstResults("mare", 1)[0].name, "m2.txt");
}

TEST_F(DesktopSearchTest, OpeningGoesToTheRegisteredProgramAndNeverForAGoneFile)
{
    DesktopSearch search(host, probe);
    std::vector<DesktopResult> found = search.FirstResults("casa", 10);
    ASSERT_EQ(found.size(), 2u);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    EXPECT_EQ(search.Open(found[1].id), DesktopOpening::Started);
    EXPECT_EQ(recorded(), (corpus / "sub/b.txt").string() + "\n");
    std::filesystem::remove(programs / "xdg-open.argv");

    EXPECT_EQ(search.OpenFolder(found[1].id), DesktopOpening::Started);
    EXPECT_EQ(recorded(), (corpus / "sub").string() + "/\n");
    std::filesystem::remove(programs / "xdg-open.argv");

    std::filesystem::remove(corpus / "a.txt");
    EXPECT_EQ(search.Open(found[0].id), DesktopOpening::Missing);
    EXPECT_EQ(search.Open("/a%zz"), DesktopOpening::BadId);
    EXPECT_EQ(search.Describe(found[0].id)->name, "a.txt");
    EXPECT_FALSE(search.Describe("%"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(std::filesystem::exists(programs / "xdg-open.argv"));
}

} // namespace
} // namespace vedra::utilities
