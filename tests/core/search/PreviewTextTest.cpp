// The text behind a result through the real converters: members of packed files
// unpacked again into the temporary folder (reused, redone when the packed file
// changes, nested, holding a PDF), and the reasons given when there is no text.
#include "core/search/PreviewText.h"

#include "core/app/HeadlessHost.h"
#include "core/app/ProcessRunner.h"
#include "core/app/Workspace.h"
#include "support/DocumentFixtures.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace vedra::search {
namespace {

using testing::readFile;
using testing::writeFile;

constexpr const char* kSevenZip = "/usr/bin/7z";
constexpr const char* kPdfToText = "/usr/bin/pdftotext";

class PreviewTextTest : public ::testing::Test {
protected:
    PreviewTextTest()
    {
        workspace.PrepareWorkspace();
        workspace.setPumpInterval(std::chrono::milliseconds(0));
        workspace.SevenZipCommand = std::string("\"") + kSevenZip + "\" x \"";
        workspace.PdfToTextCommand = std::string("\"") + kPdfToText + "\"";
    }

    void SetUp() override
    {
        if (!std::filesystem::exists(kSevenZip))
            GTEST_SKIP() << "7z is not installed";
    }

    // A zip at `zip` of the files and folders named in `staging`.
    void makeZip(const std::string& zip, const std::string& staging, const std::vector<std::string>& names)
    {
        std::vector<std::string> argv{kSevenZip, "a", "-tzip", zip};
        for (const std::string& name : names)
            argv.push_back(staging + name);
        app::ProcessOutcome made = app::RunProgram(workspace, argv);
        ASSERT_TRUE(made.started);
        ASSERT_EQ(made.exitCode, 0);
    }

    std::string temporary() const { return workspace.WorkingFolder + "vedratemp/"; }

    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testing::testProbe(folder.path())};
    const std::string docs = folder.slash() + "docs/";
    const std::string staging = folder.slash() + "staging/";
};

TEST_F(PreviewTextTest, AMemberWhoseUnpackFolderIsGoneIsUnpackedAgainIntoTheTemporaryFolder)
{
    writeFile(staging + "sub/deep.txt", "the first words\n");
    makeZip(docs + "pack.zip", staging, {"sub"});
    const std::string label = docs + "pack.zip_vedratemp/sub/deep.txt";

    PreviewTextSource first = FindPreviewText(workspace, label);
    ASSERT_TRUE(first.found()) << first.subject;
    EXPECT_TRUE(first.path.starts_with(temporary())) << first.path;
    EXPECT_EQ(readFile(first.path), "the first words\n");
    EXPECT_FALSE(std::filesystem::exists(docs + "pack.zip_vedratemp")) << "nothing beside the packed file";
    EXPECT_EQ(std::filesystem::directory_iterator(docs)->path().filename(), "pack.zip");

    // Made once: a second look reads the same unpacked copy.
    writeFile(first.path, "the copy kept\n");
    PreviewTextSource again = FindPreviewText(workspace, label);
    ASSERT_TRUE(again.found());
    EXPECT_EQ(readFile(again.path), "the copy kept\n");

    // A packed file changed since is unpacked afresh.
    writeFile(staging + "sub/deep.txt", "the second words\n");
    std::filesystem::remove(docs + "pack.zip");
    makeZip(docs + "pack.zip", staging, {"sub"});
    testing::setModifiedTime(docs + "pack.zip", std::time(nullptr) + 60);
    PreviewTextSource changed = FindPreviewText(workspace, label);
    ASSERT_TRUE(changed.found());
    EXPECT_EQ(readFile(changed.path), "the second words\n");
}

TEST_F(PreviewTextTest, NestedPacksAndAPdfInsideThemGoThroughEachConverter)
{
    if (!std::filesystem::exists(kPdfToText))
        GTEST_SKIP() << "pdftotext is not installed";
    writeFile(staging + "report.pdf", testing::minimalPdf({"Quarterly figures of Vedra"}));
    makeZip(staging + "inner.zip", staging, {"report.pdf"});
    makeZip(docs + "outer.zip", staging, {"inner.zip"});

    PreviewTextSource text = FindPreviewText(workspace, docs + "outer.zip_vedratemp/inner.zip_vedratemp/report.pdf.txt");
    ASSERT_TRUE(text.found()) << static_cast<int>(text.problem) << " " << text.subject;
    EXPECT_TRUE(text.path.starts_with(temporary())) << text.path;
    EXPECT_NE(readFile(text.path).find("Quarterly figures of Vedra"), std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(docs), {}), 1) << "only outer.zip in the user's folder";
}

TEST_F(PreviewTextTest, AMirroredLabelUnpacksAtTheSamePlace)
{
    writeFile(staging + "notes.txt", "zip member\n");
    makeZip(docs + "notes.zip", staging, {"notes.txt"});
    const std::string label = temporary() + docs.substr(1) + "notes.zip_vedratemp/notes.txt";
    PreviewTextSource text = FindPreviewText(workspace, label);
    ASSERT_TRUE(text.found());
    EXPECT_EQ(text.path, label);
    EXPECT_EQ(readFile(text.path), "zip member\n");
}

TEST_F(PreviewTextTest, SaysWhyThereIsNoText)
{
    writeFile(staging + "a.txt", "a\n");
    makeZip(docs + "pack.zip", staging, {"a.txt"});
    makeZip(docs + "never.zip", staging, {"a.txt"});

    PreviewTextSource gone = FindPreviewText(workspace, docs + "lost.zip_vedratemp/a.txt");
    EXPECT_EQ(gone.problem, PreviewTextProblem::PackedFileGone);
    EXPECT_EQ(gone.subject, docs + "lost.zip");
    EXPECT_TRUE(gone.path.empty());

    PreviewTextSource member = FindPreviewText(workspace, docs + "pack.zip_vedratemp/b.txt");
    EXPECT_EQ(member.problem, PreviewTextProblem::MemberMissing);

    EXPECT_EQ(FindPreviewText(workspace, docs + "nothing.pdf").problem, PreviewTextProblem::Missing);
    EXPECT_EQ(FindPreviewText(workspace, docs + "nothing.pdf.txt").subject, docs + "nothing.pdf");

    writeFile(docs + "r.pdf", testing::minimalPdf({"words"}));
    workspace.PdfToTextCommand = "\"" + folder.slash() + "no-such-pdftotext\"";
    EXPECT_EQ(FindPreviewText(workspace, docs + "r.pdf").problem, PreviewTextProblem::NotConverted);
    EXPECT_FALSE(std::filesystem::exists(docs + "r.pdf.txt"));

    workspace.SevenZipCommand = "\"" + folder.slash() + "no-such-7z\" x \"";
    PreviewTextSource unpacked = FindPreviewText(workspace, docs + "never.zip_vedratemp/a.txt");
    EXPECT_EQ(unpacked.problem, PreviewTextProblem::NotUnpacked);
    EXPECT_EQ(unpacked.subject, docs + "never.zip");
    EXPECT_TRUE(FindPreviewText(workspace, docs + "pack.zip_vedratemp/a.txt").found()) << "unpacked before, kept";

    // Not a disk path, or a file of its own: read as it is.
    EXPECT_EQ(FindPreviewText(workspace, "www.example.org/a.zip_vedratemp/x").path, "www.example.org/a.zip_vedratemp/x");
    EXPECT_EQ(FindPreviewText(workspace, docs + "plain.txt").path, docs + "plain.txt");
}

TEST_F(PreviewTextTest, APdfInAFolderTheUserCannotWriteIsConvertedBelowTheTemporaryFolderByItsPath)
{
    if (!std::filesystem::exists(kPdfToText))
        GTEST_SKIP() << "pdftotext is not installed";
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes any folder";
    writeFile(docs + "one/r.pdf", testing::minimalPdf({"first report"}));
    writeFile(docs + "two/r.pdf", testing::minimalPdf({"second report"}));
    std::filesystem::permissions(docs + "one", std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    std::filesystem::permissions(docs + "two", std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
    PreviewTextSource one = FindPreviewText(workspace, docs + "one/r.pdf");
    PreviewTextSource two = FindPreviewText(workspace, docs + "two/r.pdf");
    std::filesystem::permissions(docs + "one", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    std::filesystem::permissions(docs + "two", std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    ASSERT_TRUE(one.found());
    ASSERT_TRUE(two.found());
    EXPECT_TRUE(one.path.starts_with(temporary()));
    EXPECT_NE(readFile(one.path).find("first report"), std::string::npos);
    EXPECT_NE(readFile(two.path).find("second report"), std::string::npos) << "two PDFs of one name, two texts";
}

} // namespace
} // namespace vedra::search
