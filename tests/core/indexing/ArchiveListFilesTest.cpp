// The list files as the filters page reads and saves them: the text shown, the
// bytes written back, and that what was saved is what the next load takes.
#include "core/indexing/ArchiveListFiles.h"

#include "core/app/MessageTable.h"
#include "core/indexing/ArchiveLists.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vedra::indexing {
namespace {

using archive::SlotExcludedFolders;
using archive::SlotStopWords;
using archive::SlotTextExtensions;
using testing::ArchiveFixture;
namespace fs = std::filesystem;

class ArchiveListFilesTest : public ::testing::Test {
protected:
    void SetUp() override { ws().CurrentArchiveRecord[0] = 'C'; }

    app::Workspace& ws() { return *fx.workspace; }
    std::string listPath(int slot) { return ws().store().slotPath(slot); }
    bool shown(app::MessageKey key)
    {
        const std::string text(app::MessageTable(ws().LanguageIndex).text(key));
        for (const auto& message : fx.host.messages())
            if (message.text == text)
                return true;
        return false;
    }

    ArchiveFixture fx{1};
};

TEST_F(ArchiveListFilesTest, DisplayDecodesEachLineByItself)
{
    // A cp1252 "à" and a UTF-8 "é" in one file: each line is decoded as it is.
    EXPECT_EQ(ListTextForDisplay("citt\xE0\r\ncaf\xC3\xA9\r\n.txt\r\n"), "città\ncafé\n.txt");
    // A last entry without its CR LF, and LF alone, still give one line each.
    EXPECT_EQ(ListTextForDisplay(".a\n.b\r\n.c"), ".a\n.b\n.c");
    EXPECT_EQ(ListTextForDisplay(""), "");
    // An entry list on one line stays one line: its separators are the list's own.
    EXPECT_EQ(ListTextForDisplay(".a,.b;.c\r\n"), ".a,.b;.c");
}

TEST_F(ArchiveListFilesTest, SavedBytesAreCp1252EntriesEachEndedByCrLf)
{
    EXPECT_EQ(ListFileBytes("città\n.txt"), "citt\xE0\r\n.txt\r\n");
    // Blank lines and trailing blanks go; CR LF typed in comes out once.
    EXPECT_EQ(ListFileBytes("\n  \n.doc  \t\r\n\n.pdf\r\n"), ".doc\r\n.pdf\r\n");
    // Leading blanks are the user's: the list reader skips them anyway.
    EXPECT_EQ(ListFileBytes("  .c"), "  .c\r\n");
    // No cp1252 form: a blank, as everywhere else; a NUL would end the list.
    EXPECT_EQ(ListFileBytes("a\xE2\x82\xAC" "b\xE4\xB8\xAD" "c"), "a\x80" "b c\r\n");
    EXPECT_EQ(ListFileBytes(std::string("x\0y", 3)), "xy\r\n");
    EXPECT_EQ(ListFileBytes(""), "");
}

TEST_F(ArchiveListFilesTest, AnUneditedListIsSavedByteForByte)
{
    for (int slot : kEditableListSlots) {
        const std::string before = fx.fileBytes(slot);
        auto text = ReadListFile(ws(), slot);
        ASSERT_TRUE(text.has_value()) << slot;
        ASSERT_TRUE(SaveListFile(ws(), slot, *text)) << slot;
        EXPECT_EQ(fx.fileBytes(slot), before) << slot;
    }
    auto excluded = ReadListFile(ws(), SlotExcludedFolders);
    EXPECT_TRUE(excluded->starts_with("download_vedratemp\nvedratemp\nvedraarc\nrecycled\n/temp\ndebug\n")) << *excluded;
    EXPECT_TRUE(fx.host.messages().empty());
}

TEST_F(ArchiveListFilesTest, ASavedListIsWhatTheNextLoadTakes)
{
    ArchiveLists before;
    ASSERT_TRUE(before.load(*fx.store));
    EXPECT_TRUE(before.IsSubfolderExcluded("debug", {}, "/x/"));
    EXPECT_FALSE(before.HasIndexableText("photo.jpg", {}, 1));

    std::string excluded = *ReadListFile(ws(), SlotExcludedFolders);
    excluded.erase(excluded.find("debug\n"), 6);
    ASSERT_TRUE(SaveListFile(ws(), SlotExcludedFolders, excluded));
    ASSERT_TRUE(SaveListFile(ws(), SlotTextExtensions, *ReadListFile(ws(), SlotTextExtensions) + "\n.jpg"));
    ASSERT_TRUE(SaveListFile(ws(), SlotStopWords, "garden\n"));

    ArchiveLists after;
    ASSERT_TRUE(after.load(*fx.store));
    EXPECT_FALSE(after.IsSubfolderExcluded("debug", {}, "/x/"));
    EXPECT_TRUE(after.IsSubfolderExcluded("release", {}, "/x/"));
    EXPECT_TRUE(after.HasIndexableText("photo.jpg", {}, 1));
    EXPECT_EQ(fx.fileBytes(SlotStopWords), "garden\r\n");
}

TEST_F(ArchiveListFilesTest, AMissingListReadsEmptyAndSavingCreatesIt)
{
    fs::remove(listPath(SlotStopWords));
    EXPECT_EQ(ReadListFile(ws(), SlotStopWords), std::optional<std::string>(""));
    ASSERT_TRUE(SaveListFile(ws(), SlotStopWords, "uno\ndue"));
    EXPECT_EQ(fx.fileBytes(SlotStopWords), "uno\r\ndue\r\n");
}

TEST_F(ArchiveListFilesTest, AListThatCannotBeWrittenSaysSoAndStaysAsItWas)
{
    // A folder where the list file should be: no rename can replace it, not even
    // for root, so this stands for an archive on media that cannot be written.
    const std::string path = listPath(SlotTextExtensions);
    fs::remove(path);
    fs::create_directory(path);
    EXPECT_FALSE(SaveListFile(ws(), SlotTextExtensions, ".txt"));
    EXPECT_TRUE(shown(app::MessageKey::MsgWriteError));
    EXPECT_EQ(ws().BreakCode, app::StopCode::Break);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(fs::exists(path + ".tmp~"));
    EXPECT_EQ(ReadListFile(ws(), SlotTextExtensions), std::nullopt);
}

TEST_F(ArchiveListFilesTest, NoArchiveOrNoListSlotReadsAndWritesNothing)
{
    EXPECT_EQ(ReadListFile(ws(), archive::SlotWords), std::nullopt);
    const std::string words = fx.fileBytes(archive::SlotWords);
    EXPECT_FALSE(SaveListFile(ws(), archive::SlotWords, "x"));
    EXPECT_EQ(fx.fileBytes(archive::SlotWords), words);

    ws().CurrentArchiveRecord[0] = '?';
    EXPECT_EQ(ReadListFile(ws(), SlotTextExtensions), std::nullopt);
    EXPECT_FALSE(SaveListFile(ws(), SlotTextExtensions, ".x"));
    EXPECT_TRUE(shown(app::MessageKey::MsgNeedArchive));
    EXPECT_EQ(fx.fileBytes(SlotTextExtensions).substr(0, 6), ".doc\r\n");
}

} // namespace
} // namespace vedra::indexing
