#include "core/indexing/ArchiveCreator.h"

#include "core/indexing/IndexFolder.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/Catalogue.h"
#include "support/GoldenBytes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

class ArchiveCreatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
    }
    testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(ArchiveCreatorTest, NewArchiveIsEmptyOpenAndHasItsRoots)
{
    writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "casa\nparola\n");
    NewArchive request;
    request.name = "Prova";
    CreatedArchive created = CreateArchive(*ws, request);
    ASSERT_EQ(created.number, 1);
    EXPECT_EQ(created.identification, "C_PROVA_1");
    EXPECT_EQ(created.rootFilesRead, 1u);
    fs::path archive = folder.path() / "C_PROVA_1";
    EXPECT_EQ(fs::file_size(archive / "ORD.1"), 26004u) << "roots mode registers no document";
    EXPECT_EQ(fs::file_size(archive / "RAD.1"), 26004u + 24u);
    EXPECT_TRUE(ws->hasCurrentArchive());
    EXPECT_EQ(ws->ArchiveNumber, 1);
    EXPECT_EQ(host.title(), "VedraReader - C_PROVA");
    ASSERT_FALSE(host.messages().empty());
    EXPECT_EQ(host.messages().back().text.substr(0, 32), "The archive is ready but empty.\n");
    auto entry = archive::readCatalogueEntry(ws->catalogueFilePath(), 1);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->entry.truncationLength, 16);
    EXPECT_FALSE(fs::exists(archive / "DescrizioneArc.vedra"));
}

using testing::buckets;
using testing::le32;
using testing::reversedText;
using testing::z;

// The roots folder is the first run's start folder: its node heads "PTH.", and the
// folders of every later run come after it.
TEST_F(ArchiveCreatorTest, TheRootsFolderIsTheFirstNodeOfTheFolderTree)
{
    writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt", "alpha\n");
    NewArchive request;
    request.name = "Prova";
    ASSERT_EQ(CreateArchive(*ws, request).number, 1);
    const std::string roots = folder.slash() + "Lemmi/Radici/";
    // Bucket of the reversed "/icidaR/immeL/...": i, c, i (capitals are not
    // collected) -> (105-39-48)*180 + 5*(99-39-48) + 1 + 3 for 'i' in 102..110 = 3304.
    const std::string table = buckets({{3304, 26004}});
    const std::string rootsNode = le32(0) + le32(0) + "\n" + z(reversedText(roots));
    const fs::path pth = folder.path() / "C_PROVA_1" / "PTH.1";
    EXPECT_EQ(readFile(pth), table + rootsNode);

    writeFile(folder.path() / "docs" / "a.txt", "alpha");
    ASSERT_EQ(IndexFolder(*ws, (folder.path() / "docs").string(), IndexCommand::Normal, {}).status,
              IndexStatus::Done);
    const std::string after = readFile(pth);
    ASSERT_GT(after.size(), table.size() + rootsNode.size());
    EXPECT_EQ(after.substr(26004, rootsNode.size()), rootsNode);
    // The start folder's node follows: greater, less, '\n', its reversed path.
    EXPECT_EQ(after.substr(26004 + rootsNode.size()),
              le32(0) + le32(0) + "\n" + z(reversedText((folder.path() / "docs").string() + "/")));
}

TEST_F(ArchiveCreatorTest, NumbersFollowTheCatalogueAndInUseNumbersAreRefused)
{
    NewArchive request;
    request.name = "uno";
    ASSERT_EQ(CreateArchive(*ws, request).number, 1);
    request.name = "due";
    request.number = 9;  // above the next free number: the next one is taken
    ASSERT_EQ(CreateArchive(*ws, request).number, 2);
    request.name = "tre";
    request.number = 1;
    CreatedArchive refused = CreateArchive(*ws, request);
    EXPECT_EQ(refused.number, -1);
    EXPECT_NE(refused.error.find("in use"), std::string::npos);
    EXPECT_EQ(HighestArchiveNumber(*ws), 2);
    EXPECT_EQ(archive::readCatalogueEntry(ws->catalogueFilePath(), 1)->entry.identification, "C_UNO_1");
}

TEST_F(ArchiveCreatorTest, BadInputCreatesNothing)
{
    NewArchive request;
    for (int cut : {3, 31}) {
        request.name = "x";
        request.truncationLength = cut;
        EXPECT_EQ(CreateArchive(*ws, request).number, -1) << cut;
    }
    request.truncationLength = 16;
    request.name = std::string(50, 'N');
    CreatedArchive tooLong = CreateArchive(*ws, request);
    EXPECT_EQ(tooLong.number, -1);
    EXPECT_TRUE(tooLong.messageShown) << "the too-long message was shown by the engine";
    request.name = "a/b";
    EXPECT_FALSE(CreateArchive(*ws, request).messageShown) << "bad input is the caller's to report";
    request.name = "a/b";
    EXPECT_EQ(CreateArchive(*ws, request).number, -1);
    request.name = "";
    EXPECT_EQ(CreateArchive(*ws, request).number, -1);
    EXPECT_FALSE(fs::exists(ws->catalogueFilePath()));
}

TEST_F(ArchiveCreatorTest, DescriptionIsWrittenInTheSystemsCodePage)
{
    NewArchive request;
    request.name = "desc";
    request.description = "Archivio più bello";
    ASSERT_EQ(CreateArchive(*ws, request).number, 1);
    EXPECT_EQ(readFile(folder.path() / "C_DESC_1" / "DescrizioneArc.vedra"), "Archivio pi\xF9 bello");
}

TEST(ArchiveCreatorCancel, NumberGoesBackByOne)
{
    EXPECT_EQ(NumberAfterCancel(3), 2);
    EXPECT_EQ(NumberAfterCancel(2), 1);
    EXPECT_EQ(NumberAfterCancel(1), 1);
}

} // namespace
} // namespace vedra::indexing
