// An archive whose disk or folder refuses writing: a reader opens its files for
// reading only and never asks to write them; opening for indexing or creating
// files says which file or folder cannot be written and changes nothing.
#include "core/archive/ArchiveStore.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageFormat.h"
#include "core/app/Workspace.h"
#include "support/ReadOnlyMedia.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::archive {
namespace {

using app::MessageKey;
using testing::WriteRefusal;

class ReadOnlyStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        archiveFolder = folder.slash() + "C_TEST_1/";
        refusal.setPaths({archiveFolder});
        refusal.setRefusing(false);
        ws = std::make_unique<app::Workspace>(host, refusal.wrap(testing::testProbe(folder.path())));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->ArchiveNumber = 1;
        ws->ArchiveNumberText = "1";
        ws->ArchiveFolder = archiveFolder;
        std::filesystem::create_directories(archiveFolder);
        store = std::make_unique<ArchiveStore>(ws->storeContext());
        ASSERT_EQ(store->createArchiveFiles(), 1);

        ASSERT_TRUE(store->openForIndexing(CacheSizes{}));
        auto folderText = store->findOrAddFolder("/a/");
        ASSERT_TRUE(folderText);
        ASSERT_TRUE(store->findOrAddDocument("x/a/", *folderText));
        DocRecord record;
        record.number = 1;
        record.folderText = *folderText;
        record.key = "x/a/";
        record.wordList = store->wordListEnd();
        ASSERT_TRUE(store->appendDocumentRecord(record));
        auto word = store->findOrAddWord("zebra");
        ASSERT_TRUE(word);
        store->addPosting(*word, 1);
        store->appendWordListEntry(word->node);
        store->endWordList();
        ASSERT_TRUE(store->close());
        before = testing::filesUnder(archiveFolder);
        refusal.forgetWriteOpens();
        refusal.setRefusing(true);
    }

    std::string cannotWrite(const std::string& what) const
    {
        return app::formatMessage(ws->messages().text(MessageKey::MsgCannotWrite), {std::string_view(what)});
    }
    std::string lastMessage() const { return host.messages().empty() ? std::string() : host.messages().back().text; }

    testing::TempFolder folder;
    std::string archiveFolder;
    WriteRefusal refusal{{}};
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
    std::unique_ptr<ArchiveStore> store;
    std::map<std::string, std::string> before;
};

TEST_F(ReadOnlyStore, ReadingNeverAsksToWrite)
{
    for (bool mapped : {true, false}) {
        ASSERT_TRUE(store->open(mapped)) << mapped;
        auto zebra = store->findWord("zebra");
        ASSERT_TRUE(zebra);
        EXPECT_EQ(store->readPostings(zebra->postings), std::vector<std::uint32_t>{1});
        EXPECT_EQ(store->readWordList(4), std::vector<std::uint32_t>{zebra->node});
        auto record = store->readDocument(1);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->key, "x/a/");
        EXPECT_EQ(store->folderText(record->folderText), "/a/");
        // Reopening a reader's file keeps it read-only.
        EXPECT_TRUE(store->reopenSlot(SlotWords));
        EXPECT_TRUE(store->findWord("zebra").has_value());
        EXPECT_FALSE(store->writeRefused());
        EXPECT_TRUE(store->close());
    }
    EXPECT_TRUE(refusal.writeOpens().empty()) << refusal.writeOpens().front();
    EXPECT_TRUE(host.messages().empty()) << lastMessage();
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
    EXPECT_EQ(testing::filesUnder(archiveFolder), before);
}

TEST_F(ReadOnlyStore, OpeningForIndexingNamesTheFileAndWritesNothing)
{
    for (int error : {EROFS, EACCES, EPERM}) {
        refusal.setError(error);
        const std::size_t shown = host.messages().size();
        EXPECT_FALSE(store->openForIndexing(CacheSizes{})) << error;
        EXPECT_TRUE(store->writeRefused());
        EXPECT_FALSE(store->isOpen());
        ASSERT_EQ(host.messages().size(), shown + 1) << error;
        EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder + "IND.1"));
        EXPECT_TRUE(store->close());
    }
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
    EXPECT_EQ(testing::filesUnder(archiveFolder), before);

    // Any other failure to open is not a matter of writing: no message here.
    refusal.setError(EIO);
    EXPECT_FALSE(store->openForIndexing(CacheSizes{}));
    EXPECT_FALSE(store->writeRefused());
    EXPECT_EQ(host.messages().size(), 3u);

    // Writable again, the same store opens for indexing as before.
    refusal.setRefusing(false);
    EXPECT_TRUE(store->openForIndexing(CacheSizes{}));
    EXPECT_FALSE(store->writeRefused());
    EXPECT_TRUE(store->close());
}

TEST_F(ReadOnlyStore, AReadOnlyResumeFileAloneKeepsTheRunFromStarting)
{
    refusal.setPaths({archiveFolder + "NTD.1"});
    EXPECT_FALSE(store->openForIndexing(CacheSizes{}));
    EXPECT_TRUE(store->writeRefused());
    EXPECT_FALSE(store->isOpen());
    EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder + "NTD.1"));
    // The other files were opened for writing, then closed unwritten.
    EXPECT_EQ(testing::filesUnder(archiveFolder), before);
}

TEST_F(ReadOnlyStore, CreatingNamesTheFileOrTheFolderThatCannotBeWritten)
{
    // "SCM." comes first in the creation order. Present, the file is named.
    EXPECT_EQ(store->createArchiveFiles(), -1);
    EXPECT_TRUE(store->writeRefused());
    EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder + "SCM.1"));
    EXPECT_EQ(testing::filesUnder(archiveFolder), before);

    // Missing, its folder is what cannot be written.
    std::filesystem::remove(archiveFolder + "SCM.1");
    EXPECT_EQ(store->createSlotFile(SlotConvertedExtensions), -1);
    EXPECT_EQ(lastMessage(), cannotWrite(archiveFolder));
    EXPECT_FALSE(std::filesystem::exists(archiveFolder + "SCM.1"));
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
}

} // namespace
} // namespace vedra::archive
