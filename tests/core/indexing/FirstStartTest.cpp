// The first start: the archive DOCUMENTI over the documentation, unpacked.
#include "core/indexing/FirstStart.h"

#include "core/app/HeadlessHost.h"
#include "core/app/ProcessRunner.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/MoreTypes.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

TEST(FirstStart, MakesDocumentiAndReadsPackedFilesOnceOnly)
{
    testing::TempFolder folder;
    app::HeadlessHost host;
    // The unpacker on the PATH, as on a user's machine: a program started without a
    // catalogue has not looked for it yet.
    app::SystemProbe probe = testing::testProbe(folder.path());
    probe.searchPath = [] { return std::vector<std::string>{"/usr/bin"}; };
    app::Workspace ws(host, probe);
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    ws.setPumpInterval(std::chrono::milliseconds(0));
    ws.InitialiseSession();
    ASSERT_TRUE(ws.SevenZipCommand.empty());
    const fs::path docs = folder.path() / "doc";
    writeFile(docs / "readme.txt", "giardino lanterna");
    writeFile(docs / "pkg" / "changelog", "zipped marmalade words");
    ASSERT_EQ(app::RunProgram(ws, {"/usr/bin/gzip", (docs / "pkg" / "changelog").string()}).exitCode, 0);

    ASSERT_TRUE(NeedsFirstStart(ws));
    FirstStartResult result = RunFirstStart(ws, docs.string());
    ASSERT_EQ(result.archive.number, 1);
    EXPECT_EQ(result.archive.identification, "C_DOCUMENTI_1");
    EXPECT_EQ(result.run.status, IndexStatus::Done);
    EXPECT_EQ(result.run.counters.newDocuments, 3u) << "readme.txt, changelog.gz and its member";
    for (const auto& message : host.messages())
        EXPECT_EQ(message.text.find("ready but empty"), std::string::npos) << message.text;
    ASSERT_TRUE(ws.store().open());
    EXPECT_TRUE(ws.store().findWord("marmalade").has_value()) << "the packed file was unpacked and read";
    EXPECT_TRUE(ws.store().findWord("giardino").has_value());
    ws.store().close();
    EXPECT_FALSE(fs::exists(docs / "pkg" / "changelog.gz_vedratemp"));
    EXPECT_EQ(ws.SevenZipPath, "/usr/bin/7z");

    EXPECT_FALSE(NeedsFirstStart(ws));
    EXPECT_EQ(RunFirstStart(ws, docs.string()).archive.number, -1) << "a catalogue exists: nothing is made";
}

TEST(FirstStart, TheFirstArchiveReadsMoreTypes)
{
    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace ws(host, testing::testProbe(folder.path()));
    ASSERT_EQ(ws.PrepareWorkspace(), 1);
    ws.setPumpInterval(std::chrono::milliseconds(0));
    const fs::path docs = folder.path() / "doc";
    writeFile(docs / "pkg" / "README.md", "# orchidea\n");
    writeFile(docs / "pkg" / "blob", std::string("marmo\0\0", 7));
    FirstStartResult result = RunFirstStart(ws, docs.string());
    ASSERT_EQ(result.archive.number, 1);
    EXPECT_EQ(testing::readFile(ws.store().slotPath(archive::SlotTextExtensions)),
              archive::initialContent(archive::SlotTextExtensions, 1) +
                  MoreTypesListBytes(archive::SlotTextExtensions));
    ASSERT_TRUE(ws.store().open());
    EXPECT_TRUE(ws.store().findWord("orchidea").has_value());
    EXPECT_FALSE(ws.store().findWord("marmo").has_value()) << "a binary file without extension";
    ws.store().close();
}

} // namespace
} // namespace vedra::indexing
