// Roots the user adds to the current archive: cut as the roots reader cuts a
// roots file, added once, written as an indexing run writes, refused cleanly by a
// damaged tree; words indexed afterwards are registered. And the window's offer
// after a search, answered through the host.
#include "core/indexing/ArchiveRoots.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageFormat.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/archive/ByteOrder.h"
#include "core/archive/Hashes.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/WordExtractor.h"
#include "support/ArchiveFixture.h"
#include "support/IndexFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

struct CutCase {
    const char* word;  // cp1252
    std::vector<std::pair<std::string, RootOutcome>> roots;
};

class RootsOfWordTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(RootsOfWordTest, CutsAsTheRootsReaderAfterTheIndexersFolding)
{
    std::vector<std::pair<std::string, RootOutcome>> got;
    for (const WordRoot& entry : RootsOfWord(GetParam().word))
        got.emplace_back(entry.root, entry.outcome);
    EXPECT_EQ(got, GetParam().roots);
}

INSTANTIATE_TEST_SUITE_P(
    Words, RootsOfWordTest,
    ::testing::Values(CutCase{"tcp", {{"tcp", RootOutcome::Pending}}},
                      CutCase{"QString", {{"qst", RootOutcome::Pending}}},
                      CutCase{"Citt\xE0", {{"cit", RootOutcome::Pending}}},
                      // à is folded before the cut; á is not, and separates.
                      CutCase{"\xE0" "baco", {{"aba", RootOutcome::Pending}}},
                      CutCase{"F\xE1" "brica", {{"f", RootOutcome::Pending}, {"bri", RootOutcome::Pending}}},
                      // Letters and digits share a run, as in a roots file.
                      CutCase{"x11", {{"x11", RootOutcome::Pending}}},
                      CutCase{"2012abc", {{"", RootOutcome::BeginsWithDigit}}},
                      CutCase{"e-mail", {{"e", RootOutcome::Pending}, {"mai", RootOutcome::Pending}}},
                      CutCase{"ok", {{"ok", RootOutcome::Pending}}},
                      CutCase{"---", {{"", RootOutcome::NoLetterOrDigit}}},
                      CutCase{"", {{"", RootOutcome::NoLetterOrDigit}}}));

class ArchiveRootsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        // Roots of its own, so that the archive does not depend on the default roots.
        writeFile(folder.path() / "Lemmi" / "Radici" / "r.txt", "alpha gamma\n");
        writeFile(folder.path() / "tree" / "a.txt", "alpha tcpdump json gamma");
    }
    void createArchive()
    {
        NewArchive request;
        request.name = "docs";
        ASSERT_EQ(CreateArchive(*ws, request).number, 1);
        host.clearMessages();
    }
    std::string rootBytes() const { return readFile(ws->store().slotPath(archive::SlotRoots)); }
    bool registered(const std::string& word)
    {
        if (!ws->store().open())
            return false;
        const bool found = ws->store().findWord(word).has_value();
        ws->store().close();
        return found;
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(ArchiveRootsTest, AddedRootsAreListedAndAddingThemAgainChangesNoByte)
{
    createArchive();
    const std::string before = rootBytes();
    RootsAddition addition = AddWordRoots(*ws, {"tcpdump", "json", "gamma", "1999"});
    ASSERT_EQ(addition.status, RootsStatus::Done);
    ASSERT_EQ(addition.roots.size(), 4u);
    EXPECT_EQ(addition.roots[0].outcome, RootOutcome::Added);
    EXPECT_EQ(addition.roots[1].outcome, RootOutcome::Added);
    EXPECT_EQ(addition.roots[2].outcome, RootOutcome::Present);
    EXPECT_EQ(addition.roots[3].outcome, RootOutcome::BeginsWithDigit);
    EXPECT_EQ(addition.addedCount(), 2u);
    EXPECT_GT(rootBytes().size(), before.size());

    const ArchiveRootList list = ReadArchiveRoots(*ws);
    ASSERT_EQ(list.status, RootsStatus::Done);
    EXPECT_FALSE(list.listing.damaged);
    EXPECT_EQ(list.listing.roots, (std::vector<std::string>{"alp", "gam", "jso", "tcp"}));

    const std::string after = rootBytes();
    addition = AddWordRoots(*ws, {"JSON", "tcp"});
    EXPECT_EQ(addition.status, RootsStatus::Done);
    EXPECT_EQ(addition.addedCount(), 0u);
    EXPECT_EQ(rootBytes(), after);
    EXPECT_TRUE(host.messages().empty()) << host.messages().front().text;
}

TEST_F(ArchiveRootsTest, TheTreeIsTheOneTheRootsReaderWritesForTheSameWords)
{
    createArchive();
    ASSERT_EQ(AddWordRoots(*ws, {"Citt\xE0", "x11", "e-mail", "tcp"}).status, RootsStatus::Done);

    testing::ArchiveFixture fx;
    ASSERT_TRUE(fx.openForIndexing());
    WordExtractor extractor(*fx.workspace, *fx.store);
    const std::string roots = "alpha gamma\ncitta x11 e-mail tcp\n";
    extractor.LoadRoots(roots.data(), roots.size());
    ASSERT_TRUE(fx.store->close());
    EXPECT_EQ(rootBytes(), fx.fileBytes(archive::SlotRoots));
}

TEST_F(ArchiveRootsTest, WordsIndexedAfterTheRootIsAddedAreRegistered)
{
    createArchive();
    ASSERT_TRUE(testing::indexFolder(*ws, folder.path() / "tree"));
    EXPECT_TRUE(registered("alpha"));
    EXPECT_FALSE(registered("json")) << "no root yet";

    ASSERT_EQ(AddWordRoots(*ws, {"json"}).addedCount(), 1u);
    writeFile(folder.path() / "tree" / "b.txt", "json again");
    ASSERT_TRUE(testing::indexFolder(*ws, folder.path() / "tree"));
    EXPECT_TRUE(registered("json"));
    EXPECT_FALSE(registered("tcpdump"));
}

TEST_F(ArchiveRootsTest, WithoutAnArchiveNothingIsDone)
{
    EXPECT_EQ(AddWordRoots(*ws, {"json"}).status, RootsStatus::NoArchive);
    EXPECT_EQ(ReadArchiveRoots(*ws).status, RootsStatus::NoArchive);
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[0].text, ws->messages().text(app::MessageKey::MsgNeedArchive));
}

TEST_F(ArchiveRootsTest, WordsWithoutRootsDoNotOpenTheArchive)
{
    createArchive();
    fs::remove(ws->store().slotPath(archive::SlotRoots));
    const RootsAddition addition = AddWordRoots(*ws, {"42", "..."});
    EXPECT_EQ(addition.status, RootsStatus::Done);
    EXPECT_EQ(addition.addedCount(), 0u);
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(ArchiveRootsTest, ADamagedTreeStopsTheAddingWithItsMessage)
{
    createArchive();
    // The bucket of "jso" points past the end of the file.
    const std::string path = ws->store().slotPath(archive::SlotRoots);
    std::string bytes = readFile(path);
    archive::putU32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + *archive::wordBucket("jso") * 4,
                      static_cast<std::uint32_t>(bytes.size() + 100));
    writeFile(path, bytes);

    const RootsAddition addition = AddWordRoots(*ws, {"json", "tcp"});
    EXPECT_EQ(addition.status, RootsStatus::Failed);
    EXPECT_EQ(addition.roots[0].outcome, RootOutcome::Pending);
    EXPECT_EQ(addition.roots[1].outcome, RootOutcome::Pending) << "nothing after the damage is added";
    EXPECT_FALSE(host.messages().empty());
    EXPECT_EQ(readFile(path), bytes);

    const ArchiveRootList list = ReadArchiveRoots(*ws);
    EXPECT_TRUE(list.listing.damaged);
    EXPECT_EQ(list.listing.roots, (std::vector<std::string>{"alp", "gam"}));
}

TEST_F(ArchiveRootsTest, TheOfferAddsTheRootsAcceptedAndSaysToIndexAgain)
{
    createArchive();
    host.queueAnswer(app::MessageAnswer::Yes);
    host.queueAnswer(app::MessageAnswer::No);
    EXPECT_EQ(OfferToAddRoots(*ws, {"json", "tcpdump", "json"}), 1u);
    ASSERT_EQ(host.messages().size(), 3u) << "one question per word, once";
    const std::string_view question = ws->messages().text(app::MessageKey::MsgAddRootQuestion);
    EXPECT_EQ(host.messages()[0].text, app::formatMessage(question, {"json"}));
    EXPECT_EQ(host.messages()[0].buttons, app::MessageButtons::YesNo);
    EXPECT_EQ(host.messages()[1].text, app::formatMessage(question, {"tcpdump"}));
    EXPECT_EQ(host.messages()[2].text, ws->messages().text(app::MessageKey::MsgRootsAddedReindex));
    EXPECT_EQ(ReadArchiveRoots(*ws).listing.roots, (std::vector<std::string>{"alp", "gam", "jso"}));

    host.clearMessages();
    const std::string before = rootBytes();
    host.queueAnswer(app::MessageAnswer::No);
    EXPECT_EQ(OfferToAddRoots(*ws, {"tcpdump"}), 0u);
    EXPECT_EQ(host.messages().size(), 1u) << "no answer Yes, nothing to tell";
    EXPECT_EQ(rootBytes(), before);
}

} // namespace
} // namespace vedra::indexing
