#include "core/utilities/Notes.h"

#include "UtilitiesFixture.h"

namespace vedra::utilities {
namespace {

using testing::readFile;
using testing::writeFile;

std::time_t noonOf(int year, int month, int day)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

const std::time_t kNow = noonOf(2026, 12, 9);

class NotesTest : public UtilitiesTest {
protected:
    search::QueryWordTable words(const std::string& text)
    {
        search::QueryWordTable table;
        search::ParseQueryWords(text, false, 0, {}, nullptr, table);
        return table;
    }
    int search(const std::string& text, app::SearchTarget target = app::SearchTarget::Notes,
               bool andWords = true)
    {
        search::SearchOptions options;
        options.andWords = andWords ? 1 : 0;
        return SearchNotes(*ws, words(text), target, options, preview, kNow);
    }
    search::PreviewDocument preview;
};

TEST_F(NotesTest, FindsTheEntriesHoldingTheWordsAsWholeWords)
{
    writeFile(ws->notesPath, "la casa al mare\r\nsecond line\r\n\r\nil casale\r\n\r\n  \r\ncasa e mare\r\n\r\nmare solo\r\n");
    EXPECT_EQ(search("casa mare"), 2);
    EXPECT_EQ(search::RenderMarked(preview),
              "la [[casa]] al [[mare]]\r\nsecond line\r\n\r\n[[casa]] e [[mare]]\r\n\r\n");
    EXPECT_EQ(preview.spans()[0].colour, search::Colour::Blue);
    EXPECT_EQ(host.status(), ws->notesPath);

    EXPECT_EQ(search("casa mare", app::SearchTarget::Notes, false), 3) << "any word, casale is no casa";
    EXPECT_EQ(search(""), 4) << "without words every entry";
    EXPECT_EQ(search("nothing"), 0);
    EXPECT_TRUE(preview.empty());
}

TEST_F(NotesTest, TheQueryTextFormGoesByTheStoredTarget)
{
    writeFile(ws->notesPath, "la casa al mare\r\n\r\n");
    writeFile(ws->agendaPath, "casa in affitto\r\n\r\nla casa al mare\r\n\r\n");
    search::SearchOptions options;
    EXPECT_EQ(SearchNotesText(*ws, app::SearchTarget::Notes, "Casa, mare!", options, preview, kNow), 1);
    EXPECT_EQ(search::RenderMarked(preview), "la [[casa]] al [[mare]]\r\n\r\n");
    EXPECT_EQ(SearchNotesText(*ws, app::SearchTarget::Memorandum, "casa", options, preview, kNow), 2);
    EXPECT_EQ(SearchNotesText(*ws, app::SearchTarget::Archive, "casa", options, preview, kNow), -1);
    EXPECT_TRUE(preview.empty());
}

TEST_F(NotesTest, AMissingFileIsCreatedEmptyAndArchiveIsNoNotesTarget)
{
    fs::remove(ws->notesPath);
    EXPECT_EQ(search("casa"), 0);
    EXPECT_TRUE(fs::exists(ws->notesPath));
    EXPECT_EQ(search("casa", app::SearchTarget::Archive), -1);
    ws->agendaPath = (folder.path() / "file-in-the-way").string();
    fs::create_directories(ws->agendaPath);
    EXPECT_EQ(search("casa", app::SearchTarget::Memorandum), -1);
}

TEST_F(NotesTest, RemindersForTodayTomorrowAndOtherDates)
{
    ws->SetLanguage(0);
    EXPECT_EQ(ReminderHeading(*ws, "dentista 9/12/2026 ore 10", kNow), "Scade oggi: 9/12/2026");
    EXPECT_EQ(ReminderHeading(*ws, "dentista 09/12/2026", kNow), "Scade oggi: 09/12/2026");
    EXPECT_EQ(ReminderHeading(*ws, "cena 10/12/2026", kNow),
              "Data odierna: 09/12/2026\n\n" + std::string(17, ' ') + "Scade domani: 10/12/2026");
    EXPECT_EQ(ReminderHeading(*ws, "<Wed 09 Dec 2026 h:10 m:05>: memorandum=19/12/2026", kNow),
              "Data odierna: 09/12/2026\n\n" + std::string(17, ' ') + "Scade il: 19/12/2026");
    EXPECT_EQ(ReminderHeading(*ws, "<Wed 09 Dec 2026 h:10 m:05>: no date here", kNow), "");
    EXPECT_NE(ReminderHeading(*ws, "19/9/2026", kNow).find("Scade il"), std::string::npos)
        << "19/9 holds 9/... but is not today";

    ws->SetLanguage(1);
    EXPECT_EQ(ReminderHeading(*ws, "call 12/9/2026", kNow), "It falls due today: 12/9/2026") << "month first";
    EXPECT_NE(ReminderHeading(*ws, "call 12/10/2026", kNow).find("It falls due tomorrow: 12/10/2026"),
              std::string::npos);
    ws->SetLanguage(2);
    EXPECT_EQ(ReminderHeading(*ws, "9/12", kNow), "Caduca hoy9/12") << "a date without a year, every year";
}

TEST_F(NotesTest, DatedNotesShowTheirHeadingInThePreview)
{
    ws->SetLanguage(0);
    writeFile(ws->notesPath, "riunione 9/12/2026\r\n\r\n");
    EXPECT_EQ(search("riunione"), 1);
    EXPECT_EQ(preview.text(), "Scade oggi: 9/12/2026\r\nriunione 9/12/2026\r\n\r\n");
    EXPECT_TRUE(host.messages().empty()) << "notes show no message box";
}

TEST_F(NotesTest, AgendaRemindersAskAndCancelBlanksTheMarkerInPlace)
{
    const std::string first = "<Tue 08 Dec 2026 h:10 m:05>: memorandum=12/9/2026 pay the rent";
    const std::string second = "<Tue 08 Dec 2026 h:10 m:06>: memorandum=12/10/2026 pay the gas";
    const std::string plain = "rent contract in the drawer";
    writeFile(ws->agendaPath, first + "\r\n\r\n" + plain + "\r\n\r\n" + second + "\r\n\r\n");
    host.queueAnswer(app::MessageAnswer::Cancel);
    EXPECT_EQ(search("pay", app::SearchTarget::Memorandum), 2);
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[0].buttons, app::MessageButtons::OkCancel);
    EXPECT_EQ(host.messages()[0].text.rfind("Choose <Cancel> for not reviewing this message", 0), 0u);
    EXPECT_NE(host.messages()[0].text.find("It falls due today: 12/9/2026\n" + first), std::string::npos);
    EXPECT_EQ(host.messages()[1].buttons, app::MessageButtons::Ok) << "later boxes have OK only";

    std::string blanked = first;
    blanked.replace(blanked.find("memorandum="), 11, std::string(11, ' '));
    EXPECT_EQ(readFile(ws->agendaPath), blanked + "\r\n\r\n" + plain + "\r\n\r\n" + second + "\r\n\r\n");
    for (const auto& span : preview.spans()) {
        EXPECT_TRUE(span.bold);
        EXPECT_EQ(span.colour, search::Colour::None) << "the agenda's hits are not blue";
    }

    EXPECT_EQ(search("rent", app::SearchTarget::Memorandum), 2);
    EXPECT_EQ(host.messages().size(), 2u) << "a blanked memorandum reminds no more";
}

TEST_F(NotesTest, MemorandumEntries)
{
    EXPECT_EQ(BuildMemorandumEntry("<Wed 09 Dec 2026 h:10 m:05>", "05/08/2008 dentist"),
              "<Wed 09 Dec 2026 h:10 m:05>: memorandum=5/8/2008 dentist");
    EXPECT_EQ(BuildMemorandumEntry("<s>", "call 31/12/2026"), "<s>: memorandum=call 31/12/2026");
}

TEST_F(NotesTest, AppendAddsTheEntryAndAnEmptyLine)
{
    fs::remove(ws->notesPath);
    EXPECT_EQ(AppendNoteEntry(*ws, ws->notesPath, "first note"), AppendResult::Appended);
    EXPECT_EQ(AppendNoteEntry(*ws, ws->notesPath, "second note"), AppendResult::Appended);
    EXPECT_EQ(readFile(ws->notesPath), "first note\r\n\r\nsecond note\r\n\r\n");
    EXPECT_TRUE(host.messages().empty());

    writeFile(ws->notesPath, "edited by hand");
    EXPECT_EQ(AppendNoteEntry(*ws, ws->notesPath, "third"), AppendResult::Appended);
    writeFile(ws->agendaPath, "one line\n");
    EXPECT_EQ(AppendNoteEntry(*ws, ws->agendaPath, "next"), AppendResult::Appended);
    EXPECT_EQ(readFile(ws->notesPath), "edited by hand\r\n\r\nthird\r\n\r\n") << "kept apart from the last entry";
    EXPECT_EQ(readFile(ws->agendaPath), "one line\n\r\nnext\r\n\r\n");
}

// A kill inside an append leaves the file ending anywhere in the last entry or in
// its closing empty line. The reader must take it, the entries before must stay
// whole, and the next entry must never be read as part of the cut one.
TEST_F(NotesTest, AnAppendCutAtAnyByteNeverMergesWithTheNextEntry)
{
    const std::string before = "first entry\r\nsecond line\r\n\r\n";
    const std::string last = "<Wed 09 Dec 2026 h:11 m:00>: memorandum=pay the rent\r\nby friday\r\n\r\n";
    for (std::size_t cut = 0; cut <= last.size(); ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        const std::string left = before + last.substr(0, cut);
        writeFile(ws->notesPath, left);
        ASSERT_GE(search(""), 1);
        ASSERT_EQ(AppendNoteEntry(*ws, ws->notesPath, "after the crash"), AppendResult::Appended);
        const std::string file = readFile(ws->notesPath);
        EXPECT_EQ(file.substr(0, left.size()), left) << "nothing before the end is rewritten";

        const bool cutEntryHasText = last.substr(0, cut).find_first_not_of(" \r\n") != std::string::npos;
        ASSERT_EQ(search(""), cutEntryHasText ? 3 : 2);
        std::vector<std::string> entries;
        const std::string shown = preview.text();
        for (std::size_t at = 0; at < shown.size();) {
            std::size_t end = shown.find("\r\n\r\n", at);
            ASSERT_NE(end, std::string::npos);
            entries.push_back(shown.substr(at, end - at));
            at = end + 4;
        }
        ASSERT_EQ(entries.size(), cutEntryHasText ? 3u : 2u);
        EXPECT_EQ(entries.front(), "first entry\r\nsecond line");
        EXPECT_EQ(entries.back(), "after the crash");
        if (cutEntryHasText) {
            EXPECT_EQ(last.compare(0, entries[1].size(), entries[1]), 0) << entries[1];
        }
        EXPECT_EQ(search("crash"), 1);
        EXPECT_EQ(search("rent crash"), 0) << "the cut entry and the new one are apart";
    }
}

TEST_F(NotesTest, ADuplicateAsksFirst)
{
    writeFile(ws->agendaPath, "<Tue 08 Dec 2026 h:10 m:05>: memorandum=Call Bob 5/1/2027\r\n\r\n");
    const std::string before = readFile(ws->agendaPath);
    host.queueAnswer(app::MessageAnswer::Cancel);
    EXPECT_EQ(AppendNoteEntry(*ws, ws->agendaPath, "<Wed 09 Dec 2026 h:11 m:00>: memorandum=call bob 5/1/2027"),
              AppendResult::Declined);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "This lemma is already present. Continue ?");
    EXPECT_EQ(readFile(ws->agendaPath), before);

    host.queueAnswer(app::MessageAnswer::Ok);
    EXPECT_EQ(AppendNoteEntry(*ws, ws->agendaPath, "<Wed 09 Dec 2026 h:11 m:00>: memorandum=call bob 5/1/2027"),
              AppendResult::Appended);
    EXPECT_EQ(AppendNoteEntry(*ws, ws->agendaPath, "call"), AppendResult::Appended);
    EXPECT_EQ(host.messages().size(), 3u) << "a short word found inside an entry asks too";
}

TEST_F(NotesTest, ADuplicateAcrossABlockBorderIsSeen)
{
    std::string filler(ws->workBuffers.sizes().textBytes - 5, 'x');
    writeFile(ws->notesPath, filler + " unique phrase here\r\n\r\n");
    host.setAcceptByDefault(false);
    EXPECT_EQ(AppendNoteEntry(*ws, ws->notesPath, "unique phrase"), AppendResult::Declined);
}

TEST_F(NotesTest, TooLongAndUnwritableLeaveTheFileAlone)
{
    writeFile(ws->notesPath, "kept\r\n\r\n");
    std::string huge(ws->workBuffers.sizes().textBytes, 'a');
    EXPECT_EQ(AppendNoteEntry(*ws, ws->notesPath, huge), AppendResult::TooLong);
    EXPECT_EQ(host.messages().back().text, "Text too long");
    EXPECT_EQ(readFile(ws->notesPath), "kept\r\n\r\n");

    fs::path folderInTheWay = folder.path() / "notes-dir";
    fs::create_directories(folderInTheWay);
    EXPECT_EQ(AppendNoteEntry(*ws, folderInTheWay.string(), "x"), AppendResult::WriteFailed);
    EXPECT_EQ(host.messages().back().text, "Writing error.");
    EXPECT_EQ(ws->BreakCode, app::StopCode::Break);
}

TEST_F(NotesTest, SaveNoteBuildsTheEntryAndShowsIt)
{
    ws->timeStamp = "<Wed 09 Dec 2026 h:10 m:05>";
    EXPECT_EQ(SaveNote(*ws, NoteScope::None, "x", preview, kNow), AppendResult::NoScope);
    EXPECT_EQ(host.messages().back().text, "Choose an option: <Memorandum> or <Notes>");

    EXPECT_EQ(SaveNote(*ws, NoteScope::Notes, "città di mare", preview, kNow), AppendResult::Appended);
    EXPECT_EQ(readFile(ws->notesPath), "citt\xe0 di mare\r\n\r\n") << "written in cp1252";
    EXPECT_EQ(search::RenderMarked(preview), "[[citt\xe0]] [[di]] [[mare]]\r\n\r\n");

    fs::remove(ws->agendaPath);
    EXPECT_EQ(SaveNote(*ws, NoteScope::Memorandum, "05/01/2027 renew", preview, kNow), AppendResult::Appended);
    EXPECT_EQ(readFile(ws->agendaPath), "<Wed 09 Dec 2026 h:10 m:05>: memorandum=5/1/2027 renew\r\n\r\n");
    EXPECT_NE(preview.text().find("memorandum=5/1/2027 renew"), std::string::npos);
}

} // namespace
} // namespace vedra::utilities
