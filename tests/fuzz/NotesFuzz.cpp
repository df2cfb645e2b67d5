// libFuzzer entry: random bytes as the notes file or the agenda, searched with a
// random query, and a random note saved into it. The first byte holds the flags;
// the query runs up to the first NUL byte and the file's bytes follow it.
// Checked: every entry is shown when no word is asked for and never more than the
// file holds, the marks lie inside the preview, a search changes the file only by
// blanking reminders in place, and a saved note is found by its own words.
#include "FuzzCheck.h"

#include "core/app/HeadlessHost.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"
#include "core/search/SearchOptions.h"
#include "core/utilities/Notes.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace {

using vedra::fuzz::check;
namespace app = vedra::app;
namespace search = vedra::search;
namespace utilities = vedra::utilities;

// Noon of 9 December 2026: the corpus's reminders fall on it, the day after, or not.
constexpr std::time_t kNow = 1796817600;

struct Setting {
    vedra::testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> workspace;

    Setting()
    {
        workspace = std::make_unique<app::Workspace>(host, vedra::testing::testProbe(folder.path()));
        workspace->PrepareWorkspace();
        workspace->setPumpInterval(std::chrono::milliseconds(0));
        workspace->notesPath = folder.slash() + "notes/vedranote.txt";
        workspace->agendaPath = folder.slash() + "notes/Agenda.Vedra";
        workspace->timeStamp = "<Wed 09 Dec 2026 h:12 m:00>";
    }
};

Setting& setting()
{
    static Setting made;
    return made;
}

// Entries are runs of lines holding something besides blanks, tabs and CR.
std::size_t countEntries(std::string_view bytes)
{
    std::size_t entries = 0;
    bool inEntry = false;
    std::size_t start = 0;
    while (start <= bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        std::string_view line = bytes.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        bool blank = line.find_first_not_of(" \t\r") == std::string_view::npos;
        if (!blank && !inEntry)
            ++entries;
        inEntry = !blank;
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return entries;
}

void checkMarks(const search::PreviewDocument& preview)
{
    for (const search::MarkedSpan& span : preview.spans())
        check(span.length > 0 && span.start + span.length <= preview.text().size());
}

bool plainWords(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return c == ' ' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    Setting& s = setting();
    app::Workspace& ws = *s.workspace;
    s.host.clearMessages();
    ws.BreakCode = app::StopCode::None;

    const std::uint8_t flags = data[0];
    const app::SearchTarget target = (flags & 1) != 0 ? app::SearchTarget::Memorandum : app::SearchTarget::Notes;
    ws.LanguageIndex = (flags >> 2) % 3;
    s.host.setAcceptByDefault((flags & 0x10) == 0);
    search::SearchOptions options;
    options.andWords = (flags >> 1) & 1;

    std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::size_t nul = rest.find('\0');
    const std::string query(nul == std::string_view::npos ? std::string_view() : rest.substr(0, nul));
    const std::string file(nul == std::string_view::npos ? rest : rest.substr(nul + 1));

    const std::string path = utilities::NotesFilePath(ws, target);
    vedra::testing::writeFile(path, file);

    search::PreviewDocument preview;
    const int shown = utilities::SearchNotesText(ws, target, query, options, preview, kNow);
    check(shown >= 0);
    checkMarks(preview);
    const std::size_t entries = countEntries(file);
    check(static_cast<std::size_t>(shown) <= entries);
    search::QueryWordTable words;
    search::ParseQueryWords(query, false, 0, {ws.minWordLength, ws.maxWordLength, ws.truncationThreshold}, nullptr,
                            words);
    if (words.count == 0)
        check(static_cast<std::size_t>(shown) == entries);
    check((shown == 0) == preview.empty());

    // A search only ever blanks a reminder's marker where it stands.
    const std::string after = vedra::testing::readFile(path);
    check(after.size() == file.size());
    for (std::size_t k = 0; k < after.size(); ++k)
        check(after[k] == file[k] || (after[k] == ' ' && target == app::SearchTarget::Memorandum));

    const std::string heading = utilities::ReminderHeading(ws, file, kNow);
    check(app::isValidUtf8(heading));
    const std::string entry = utilities::BuildMemorandumEntry(ws.timeStamp, query);
    check(entry.starts_with(ws.timeStamp + ": memorandum=") && entry.size() <= ws.timeStamp.size() + 13 + query.size());

    if ((flags & 0x20) != 0) {
        // The host answers questions as the flags say: "already there" may decline.
        const utilities::NoteScope scope =
            (flags & 0x40) != 0 ? utilities::NoteScope::Memorandum : utilities::NoteScope::Notes;
        search::PreviewDocument saved;
        utilities::AppendResult result = utilities::SaveNote(ws, scope, query, saved, kNow);
        check(result != utilities::AppendResult::NoScope && result != utilities::AppendResult::WriteFailed);
        checkMarks(saved);
        if (result == utilities::AppendResult::Appended && plainWords(query)) {
            search::QueryWordTable own;
            search::ParseQueryWords(query, false, 0, {ws.minWordLength, ws.maxWordLength, ws.truncationThreshold},
                                    nullptr, own);
            if (own.count > 0)
                check(!saved.empty());
        }
    }
    return 0;
}
