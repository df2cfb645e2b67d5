// The information window's paging through the notes file: the ring of 100 starts,
// forward and back, the wrap from slot 99 to 0, the words, a file that changed.
#include "core/utilities/NotesPager.h"

#include "UtilitiesFixture.h"

#include <string>

namespace vedra::utilities {
namespace {

using testing::writeFile;

class NotesPagerTest : public UtilitiesTest {
protected:
    // `count` entries "entry N ..." of about 40 bytes each, as the program writes them.
    std::string notes(int count, const std::string& extra = {})
    {
        std::string text;
        for (int i = 1; i <= count; ++i)
            text += "entry " + std::to_string(i) + (i % 2 == 0 ? " casa" : " mare") + extra + " of the notes\r\n\r\n";
        return text;
    }
    NotesPageQuery query(std::size_t pageBytes, const std::string& wordsText = {})
    {
        NotesPageQuery q;
        q.path = ws->notesPath;
        q.pageBytes = pageBytes;
        q.andWords = true;
        search::ParseQueryWords(wordsText, false, 0, {}, nullptr, q.words);
        return q;
    }
    // The numbers of the entries a part shows, e.g. "3 4".
    static std::string shown(const NotesPage& page)
    {
        std::string numbers;
        const std::string& text = page.text.text();
        for (std::size_t at = text.find("entry "); at != std::string::npos; at = text.find("entry ", at + 1)) {
            std::size_t end = text.find(' ', at + 6);
            numbers += (numbers.empty() ? "" : " ") + text.substr(at + 6, end - at - 6);
        }
        return numbers;
    }
    NotesPager pager;
};

TEST_F(NotesPagerTest, PagesForwardAndBackThroughMoreThanThreePartsAndComesRoundAtTheEnd)
{
    writeFile(ws->notesPath, notes(8));
    // Two entries (29 characters each) a part: a part ends once its text reaches 50.
    const NotesPageQuery q = query(50);
    EXPECT_EQ(shown(pager.Current(*ws, q)), "1 2");
    EXPECT_EQ(shown(pager.Next(*ws, q)), "3 4");
    EXPECT_EQ(pager.index(), 1);
    EXPECT_EQ(shown(pager.Next(*ws, q)), "5 6");
    NotesPage last = pager.Next(*ws, q);
    EXPECT_EQ(shown(last), "7 8");
    EXPECT_TRUE(last.reachedEnd);
    EXPECT_EQ(last.next, 0u) << "after the last part the top comes again";
    EXPECT_EQ(shown(pager.Next(*ws, q)), "1 2");
    EXPECT_EQ(pager.index(), 4);

    EXPECT_EQ(shown(pager.Previous(*ws, q)), "7 8");
    EXPECT_EQ(shown(pager.Previous(*ws, q)), "5 6");
    EXPECT_EQ(shown(pager.Previous(*ws, q)), "3 4");
    EXPECT_EQ(shown(pager.Previous(*ws, q)), "1 2");
    EXPECT_EQ(pager.index(), 0);
    EXPECT_EQ(shown(pager.Previous(*ws, q)), "1 2") << "never below slot 0";
    EXPECT_EQ(pager.index(), 0);
    EXPECT_EQ(shown(pager.Next(*ws, q)), "3 4") << "the starts seen are still remembered";
}

TEST_F(NotesPagerTest, SlotNinetyNineGoesOnToSlotZeroWhichThenHoldsTheHundredthStart)
{
    writeFile(ws->notesPath, notes(105));
    const NotesPageQuery q = query(1);  // one entry a part
    EXPECT_EQ(shown(pager.Current(*ws, q)), "1");
    for (int i = 0; i < 98; ++i)
        pager.Next(*ws, q);
    EXPECT_EQ(pager.index(), 98);
    EXPECT_EQ(shown(pager.Next(*ws, q)), "100");
    EXPECT_EQ(pager.index(), 99);
    ASSERT_TRUE(pager.startAt(0).has_value());
    EXPECT_NE(*pager.startAt(0), 0u) << "slot 0 now holds the start of the part after slot 99's";

    EXPECT_EQ(shown(pager.Next(*ws, q)), "101");
    EXPECT_EQ(pager.index(), 0);
    EXPECT_EQ(shown(pager.Previous(*ws, q)), "101") << "slot 0 is the bottom of the ring";
    EXPECT_EQ(shown(pager.Next(*ws, q)), "102");
    EXPECT_EQ(pager.index(), 1);
    EXPECT_EQ(shown(pager.Previous(*ws, q)), "101");
}

TEST_F(NotesPagerTest, OnlyEntriesWithTheWordsAreShownAndThePartsStillMoveOn)
{
    writeFile(ws->notesPath, notes(8));
    const NotesPageQuery q = query(40, "casa");
    NotesPage first = pager.Current(*ws, q);
    EXPECT_EQ(shown(first), "2 4");
    EXPECT_EQ(first.entries, 2);
    EXPECT_EQ(RenderMarked(first.text).find("[[casa]]") != std::string::npos, true) << RenderMarked(first.text);
    EXPECT_EQ(shown(pager.Next(*ws, q)), "6 8");

    pager.Reset();
    NotesPage none = pager.Current(*ws, query(40, "montagna"));
    EXPECT_TRUE(none.opened);
    EXPECT_EQ(none.entries, 0);
    EXPECT_TRUE(none.text.empty());
    EXPECT_TRUE(none.reachedEnd);
}

TEST_F(NotesPagerTest, AFileShortenedSinceItsStartWasRememberedIsReadFromTheTop)
{
    writeFile(ws->notesPath, notes(8));
    const NotesPageQuery q = query(50);
    pager.Current(*ws, q);
    pager.Next(*ws, q);
    pager.Next(*ws, q);
    writeFile(ws->notesPath, notes(2));
    NotesPage page = pager.Previous(*ws, q);  // slot 1 remembers an offset past the new end
    EXPECT_EQ(page.start, 0u);
    EXPECT_EQ(shown(page), "1 2");
    EXPECT_EQ(*pager.startAt(1), 0u) << "the slot keeps what was shown";
}

TEST_F(NotesPagerTest, AMissingFileIsCreatedEmptyAndAnUnopenableOneShowsNothing)
{
    std::filesystem::remove(ws->notesPath);
    NotesPage page = pager.Current(*ws, query(60));
    EXPECT_TRUE(page.opened);
    EXPECT_TRUE(page.text.empty());
    EXPECT_TRUE(std::filesystem::exists(ws->notesPath));

    NotesPageQuery blocked = query(60);
    blocked.path = (folder.path() / "afile" / "notes.txt").string();
    writeFile(folder.path() / "afile", "a file where a folder should be");
    pager.Reset();
    EXPECT_FALSE(pager.Next(*ws, blocked).opened);
    EXPECT_EQ(pager.index(), 1);
    EXPECT_FALSE(pager.startAt(2).has_value()) << "nothing shown, nothing remembered";
}

TEST_F(NotesPagerTest, AnEntryLongerThanTheScanIsShownCutAndTheNextPartGoesOnAfterIt)
{
    std::string huge = "entry 1 " + std::string(kNotesPageScanBytes + 100, 'x') + "\r\n\r\nentry 2 mare\r\n\r\n";
    writeFile(ws->notesPath, huge);
    const NotesPageQuery q = query(1000);
    NotesPage first = pager.Current(*ws, q);
    EXPECT_EQ(shown(first), "1");
    EXPECT_FALSE(first.reachedEnd);
    EXPECT_EQ(first.next, kNotesPageScanBytes);
    NotesPage second = pager.Next(*ws, q);
    EXPECT_EQ(shown(second), "2") << "the rest of the long entry has no 'entry' in it";
    EXPECT_TRUE(second.reachedEnd);
}

} // namespace
} // namespace vedra::utilities
