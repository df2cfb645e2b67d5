// Entries are found in the raw bytes of the file so that a memorandum marker can be
// blanked at its exact offset; matching and display work on a cp1252 copy.
#include "core/utilities/Notes.h"

#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"
#include "core/search/HitFinder.h"
#include "core/search/SearchSession.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <optional>
#include <vector>

namespace vedra::utilities {
namespace {

// Reading a notes file creates it when it is missing (a new working folder), but an
// existing one is opened read-only: notes on a read-only disk can still be searched.
std::optional<io::FileHandle> openNotesForReading(app::Workspace& workspace, const std::string& path)
{
    if (auto file = workspace.probe().openFile(path, io::OpenMode::ReadOnly))
        return file;
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return workspace.probe().openFile(path, io::OpenMode::ReadWriteCreate);
}

constexpr std::size_t kTextBufferReserve = 1024;
constexpr std::size_t kDefaultTextBufferBytes = 256000 * 8;
constexpr std::size_t kTomorrowIndent = 17;
constexpr std::size_t kMinTimeStampPrefix = 15;

struct NoteEntry {
    std::size_t offset = 0;  // first byte of the entry in the file
    std::string raw;         // the entry's bytes, without the empty line after it
};

bool isBlankLine(std::string_view line)
{
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

std::vector<NoteEntry> splitEntries(const std::string& bytes)
{
    std::vector<NoteEntry> entries;
    std::optional<std::size_t> start;
    std::size_t end = 0;  // end of the entry's last line, line end excluded
    std::size_t pos = 0;
    while (pos <= bytes.size()) {
        std::size_t newline = bytes.find('\n', pos);
        std::size_t lineEnd = newline == std::string::npos ? bytes.size() : newline;
        std::string_view line(bytes.data() + pos, lineEnd - pos);
        if (isBlankLine(line)) {
            if (start)
                entries.push_back({*start, bytes.substr(*start, end - *start)});
            start.reset();
        } else {
            if (!start)
                start = pos;
            end = lineEnd > pos && bytes[lineEnd - 1] == '\r' ? lineEnd - 1 : lineEnd;
        }
        if (newline == std::string::npos)
            break;
        pos = newline + 1;
    }
    if (start)
        entries.push_back({*start, bytes.substr(*start, end - *start)});
    return entries;
}

bool isWordByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A whole-word occurrence of the query word in the folded text; a word shortened
// at the trim threshold, or typed longer than the cut, matches as a prefix.
bool holdsWord(const std::string& folded, const search::QueryWord& word, int trimThreshold)
{
    if (word.text.empty())
        return true;
    const bool wholeWord = word.fullLength <= trimThreshold && word.runLength <= word.fullLength;
    for (std::size_t at = folded.find(word.text); at != std::string::npos; at = folded.find(word.text, at + 1)) {
        std::size_t after = at + word.text.size();
        if (at > 0 && isWordByte(folded[at - 1]))
            continue;
        if (wholeWord && after < folded.size() && isWordByte(folded[after]))
            continue;
        return true;
    }
    return false;
}

bool entryMatches(const std::string& cp1252Entry, const search::QueryWordTable& words, bool andWords,
                  int trimThreshold)
{
    if (words.count <= 0)
        return true;
    std::string folded = cp1252Entry;
    search::FoldForSearch(folded);
    int found = 0;
    for (int i = 0; i < words.count && i < search::QueryWordTable::kMaxWords; ++i)
        if (holdsWord(folded, words.words[static_cast<std::size_t>(i)], trimThreshold))
            ++found;
    return andWords ? found == std::min(words.count, search::QueryWordTable::kMaxWords) : found > 0;
}

struct Day {
    int day = 0;
    int month = 0;
    int year = 0;
};

Day dayOf(std::time_t when, int dayOffset)
{
    std::tm local{};
    ::localtime_r(&when, &local);
    local.tm_mday += dayOffset;
    local.tm_hour = 12;  // away from a daylight-saving jump
    std::time_t normalised = std::mktime(&local);
    ::localtime_r(&normalised, &local);
    return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

std::string dateText(const Day& day, bool monthFirst)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", monthFirst ? day.month : day.day,
                  monthFirst ? day.day : day.month, day.year);
    return text;
}

// The entry's first date token: starts with a digit, holds '/'.
std::string firstDateToken(std::string_view entry)
{
    std::size_t pos = 0;
    while (pos < entry.size()) {
        while (pos < entry.size() && !isWordByte(entry[pos]) && entry[pos] != '/')
            ++pos;
        std::size_t start = pos;
        while (pos < entry.size() && (isWordByte(entry[pos]) || entry[pos] == '/'))
            ++pos;
        std::string_view token = entry.substr(start, pos - start);
        if (!token.empty() && token[0] >= '0' && token[0] <= '9' && token.find('/') != std::string_view::npos)
            return std::string(token);
    }
    return {};
}

// Whether a date token names `day`: numbers compared, so that 5/8/2008 is the same
// day as 05/08/2008. A token without a year names that day in every year.
bool namesDay(const std::string& token, const Day& day, bool monthFirst)
{
    std::vector<int> parts;
    std::size_t pos = 0;
    while (pos <= token.size()) {
        std::size_t slash = token.find('/', pos);
        std::string part = token.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        if (part.empty() || part.size() > 4 || part.find_first_not_of("0123456789") != std::string::npos)
            return false;
        parts.push_back(std::stoi(part));
        if (slash == std::string::npos)
            break;
        pos = slash + 1;
    }
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    int dayNumber = monthFirst ? parts[1] : parts[0];
    int month = monthFirst ? parts[0] : parts[1];
    if (dayNumber != day.day || month != day.month)
        return false;
    if (parts.size() == 3) {
        int year = parts[2] < 100 ? 2000 + parts[2] : parts[2];
        return year == day.year;
    }
    return true;
}

std::string toCp1252(std::string_view text)
{
    return app::isMultiByteUtf8(text) ? app::utf8ToCp1252(text) : std::string(text);
}

bool blankMarker(const app::Workspace& workspace, const std::string& path, std::size_t offset)
{
    auto file = workspace.probe().openFile(path, io::OpenMode::ReadWrite);
    return file && file->writeAt(offset, std::string(kMemorandumMarker.size(), ' '));
}

std::size_t textBufferBytes(const app::Workspace& workspace)
{
    std::size_t bytes = workspace.workBuffers.sizes().textBytes;
    return bytes > kTextBufferReserve ? bytes : kDefaultTextBufferBytes;
}

// The part of an entry that tells a duplicate.
std::string comparedPart(std::string_view entry)
{
    std::size_t marker = entry.find(kMemorandumMarker);
    if (marker != std::string_view::npos)
        return app::lowerAscii(std::string(entry.substr(marker + kMemorandumMarker.size())));
    std::size_t stamp = entry.find(">:");
    if (stamp != std::string_view::npos && stamp > kMinTimeStampPrefix)
        return app::lowerAscii(std::string(entry.substr(stamp + 2)));
    return app::lowerAscii(std::string(entry));
}

// Block by block, so a large notes file is never read whole; blocks overlap by the
// key's length so that a text across a block border is still seen.
bool fileHolds(const io::FileHandle& file, const std::string& key, std::size_t blockBytes)
{
    if (key.empty())
        return false;
    std::int64_t size = file.size();
    std::string block(std::max(blockBytes, key.size() * 2), '\0');
    const std::size_t step = block.size() - key.size() + 1;
    for (std::int64_t offset = 0; offset < size; offset += static_cast<std::int64_t>(step)) {
        std::int64_t read = file.readAt(static_cast<std::uint64_t>(offset), block.data(), block.size());
        if (read <= 0)
            return false;
        std::string text = app::lowerAscii(block.substr(0, static_cast<std::size_t>(read)));
        std::replace(text.begin(), text.end(), '\0', ' ');
        if (text.find(key) != std::string::npos)
            return true;
        if (read < static_cast<std::int64_t>(block.size()))
            break;
    }
    return false;
}

void appendShownEntry(search::PreviewDocument& preview, const std::string& heading, const std::string& text)
{
    if (!heading.empty()) {
        std::string line = app::utf8ToCp1252(heading);
        std::replace(line.begin(), line.end(), '\n', '\r');
        // "\r" then the line feed of CR LF: every line end of the preview is CR LF.
        std::string crlf;
        for (char c : line)
            crlf += c == '\r' ? std::string("\r\n") : std::string(1, c);
        preview.appendText(crlf + "\r\n");
    }
    preview.appendText(text + "\r\n\r\n");
}

} // namespace

std::string NotesFilePath(const app::Workspace& workspace, app::SearchTarget target)
{
    switch (target) {
    case app::SearchTarget::Notes:
        return workspace.notesPath;
    case app::SearchTarget::Memorandum:
        return workspace.agendaPath;
    default:
        return {};
    }
}

std::string ReminderHeading(const app::Workspace& workspace, std::string_view entry, std::time_t now)
{
    std::string token = firstDateToken(entry);
    if (token.empty())
        return {};
    const bool monthFirst = workspace.LanguageIndex == 1;
    const Day today = dayOf(now, 0);
    const app::MessageTable& texts = workspace.messages();
    if (namesDay(token, today, monthFirst))
        return std::string(texts.text(app::MessageKey::MsgDueToday)) + token;
    const bool tomorrow = namesDay(token, dayOf(now, 1), monthFirst);
    return std::string(texts.text(app::MessageKey::MsgTodayDate)) + dateText(today, monthFirst) + "\n\n" +
           std::string(kTomorrowIndent, ' ') +
           std::string(texts.text(tomorrow ? app::MessageKey::MsgDueTomorrow : app::MessageKey::MsgDueOn)) + token;
}

int SearchNotes(app::Workspace& workspace, const search::QueryWordTable& words, app::SearchTarget target,
                const search::SearchOptions& options, search::PreviewDocument& preview, std::time_t now)
{
    preview.clear();
    const std::string path = NotesFilePath(workspace, target);
    if (path.empty())
        return -1;
    if (!openNotesForReading(workspace, path))
        return -1;
    auto bytes = io::readFileBytes(path, static_cast<std::size_t>(-1), workspace.probe().openFile);
    if (!bytes)
        return -1;
    workspace.statusText = path;
    workspace.host().setStatus(path);

    const bool agenda = target == app::SearchTarget::Memorandum;
    const bool transcode = app::isMultiByteUtf8(*bytes);
    int shown = 0;
    bool firstBox = true;
    for (NoteEntry& entry : splitEntries(*bytes)) {
        std::string text = transcode ? app::utf8ToCp1252(entry.raw) : entry.raw;
        if (!entryMatches(text, words, options.andWords != 0, workspace.truncationThreshold))
            continue;
        ++shown;
        std::string heading = ReminderHeading(workspace, text, now);
        std::size_t marker = entry.raw.find(kMemorandumMarker);
        if (agenda && !heading.empty() && marker != std::string::npos) {
            std::string message;
            if (firstBox)
                message = std::string(workspace.messages().text(app::MessageKey::MsgCancelToHideUntilDate));
            message += heading + "\n" + app::displayUtf8(entry.raw);
            app::MessageAnswer answer =
                workspace.host().messageBox(message, firstBox ? app::MessageButtons::OkCancel : app::MessageButtons::Ok);
            firstBox = false;
            if (answer == app::MessageAnswer::Cancel) {
                if (blankMarker(workspace, path, entry.offset + marker)) {
                    std::size_t inText = text.find(kMemorandumMarker);
                    if (inText != std::string::npos)
                        text.replace(inText, kMemorandumMarker.size(), kMemorandumMarker.size(), ' ');
                } else {
                    workspace.showMessage(app::MessageKey::MsgWriteError);
                }
            }
        }
        appendShownEntry(preview, heading, text);
    }

    std::vector<search::HitWord> hitWords = search::HitWordsFrom(words);
    if (agenda) {
        // The agenda's hits are bold only.
        search::PreviewDocument marked;
        marked.appendText(preview.text());
        search::MarkHits(marked, hitWords, workspace.truncationThreshold, true);
        for (const auto& span : marked.spans())
            preview.mark(span.start, span.length, {true, search::Colour::None, false});
    } else {
        search::MarkHits(preview, hitWords, workspace.truncationThreshold, true);
    }
    return shown;
}

int SearchNotesText(app::Workspace& workspace, app::SearchTarget target, const std::string& queryText,
                    const search::SearchOptions& options, search::PreviewDocument& preview, std::time_t now)
{
    if (target != app::SearchTarget::Notes &&
        target != app::SearchTarget::Memorandum) {
        preview.clear();
        return -1;
    }
    search::QueryWordTable words;
    search::QueryLimits limits{workspace.minWordLength, workspace.maxWordLength, workspace.truncationThreshold};
    search::ParseQueryWords(queryText, false, 0, limits, nullptr, words);
    return SearchNotes(workspace, words, target, options, preview, now);
}

std::string BuildMemorandumEntry(const std::string& timeStamp, std::string_view note)
{
    std::string text(note);
    std::size_t slashZero = text.find("/0");
    if (slashZero != std::string::npos)
        text.erase(slashZero + 1, 1);
    if (!text.empty() && text[0] == '0')
        text.erase(0, 1);
    return timeStamp + ": " + std::string(kMemorandumMarker) + text;
}

std::string EntryClosing(std::string_view tail)
{
    auto endsWith = [&](std::string_view suffix) { return tail.ends_with(suffix); };
    if (tail.empty() || endsWith("\n\n") || endsWith("\n\r\n"))
        return {};
    // Cut inside the closing CR LF CR LF: only what is missing.
    if (endsWith("\n\r"))
        return "\n";
    if (endsWith("\n"))
        return "\r\n";
    if (endsWith("\r"))
        return "\n\r\n";
    return "\r\n\r\n";
}

AppendResult AppendNoteEntry(app::Workspace& workspace, const std::string& path, std::string_view entry)
{
    const std::size_t bufferBytes = textBufferBytes(workspace);
    if (entry.size() + kTextBufferReserve > bufferBytes) {
        workspace.showMessage(app::MessageKey::MsgTextTooLong);
        return AppendResult::TooLong;
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    auto file = workspace.probe().openFile(path, io::OpenMode::ReadWriteCreate);
    std::int64_t size = file ? file->size() : -1;
    if (size < 0) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        return AppendResult::WriteFailed;
    }
    if (fileHolds(*file, comparedPart(entry), bufferBytes) &&
        workspace.showMessage(app::MessageKey::MsgLemmaExists, app::MessageButtons::OkCancel) ==
            app::MessageAnswer::Cancel)
        return AppendResult::Declined;

    // A file edited by hand, or an append cut short by a crash, may not end with the
    // empty line that closes an entry; without one the new entry would be read as
    // part of the last. The cut entry is kept and closed, never cut back: it cannot
    // be told from text the user typed there.
    std::string record;
    if (size > 0) {
        char tail[4] = {};
        std::int64_t tailBytes = std::min<std::int64_t>(size, 4);
        if (file->readAt(static_cast<std::uint64_t>(size - tailBytes), tail, static_cast<std::size_t>(tailBytes)) !=
            tailBytes)
            tailBytes = 0;
        record = tailBytes > 0 ? EntryClosing(std::string_view(tail, static_cast<std::size_t>(tailBytes)))
                               : std::string("\r\n\r\n");
    }
    record += std::string(entry) + "\r\n\r\n";
    // One write of the whole entry: a crash leaves at most this entry cut, and the
    // next append closes it.
    if (!file->writeAt(static_cast<std::uint64_t>(size), record)) {
        // Whatever part reached the disk goes again: the notes stay as they were.
        file->truncate(static_cast<std::uint64_t>(size));
        workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        return AppendResult::WriteFailed;
    }
    return AppendResult::Appended;
}

AppendResult SaveNote(app::Workspace& workspace, NoteScope scope, std::string_view noteText,
                      search::PreviewDocument& preview, std::time_t now)
{
    if (scope == NoteScope::None) {
        workspace.showMessage(app::MessageKey::MsgChooseMemoOrNotes);
        return AppendResult::NoScope;
    }
    const std::string note = toCp1252(noteText);
    const app::SearchTarget target =
        scope == NoteScope::Memorandum ? app::SearchTarget::Memorandum : app::SearchTarget::Notes;
    std::string entry = note;
    if (scope == NoteScope::Memorandum) {
        std::string stamp = workspace.timeStamp;
        if (stamp.empty()) {
            char text[64];
            std::tm local{};
            ::localtime_r(&now, &local);
            std::strftime(text, sizeof text, "<%a %d %b %Y h:%H m:%M>", &local);
            stamp = text;
        }
        entry = BuildMemorandumEntry(stamp, note);
    }
    AppendResult result = AppendNoteEntry(workspace, NotesFilePath(workspace, target), entry);
    if (result != AppendResult::Appended)
        return result;
    search::QueryWordTable words;
    search::QueryLimits limits{workspace.minWordLength, workspace.maxWordLength, workspace.truncationThreshold};
    // The words as the entry holds them: a memorandum's date has lost its zeros.
    std::size_t marker = entry.find(kMemorandumMarker);
    std::string stored = marker == std::string::npos ? entry : entry.substr(marker + kMemorandumMarker.size());
    search::ParseQueryWords(stored, false, 0, limits, nullptr, words);
    SearchNotes(workspace, words, target, search::SearchOptions{}, preview, now);
    return result;
}

void ConnectNotesSearch(search::SearchSession& session)
{
    session.setNotesSearch([&session](app::SearchTarget target, const std::string& queryText) {
        return SearchNotesText(session.workspace(), target, queryText, session.run().options(),
                               session.preview().document());
    });
}

} // namespace vedra::utilities

namespace vedra::utilities {

NotesPage ReadNotesPage(app::Workspace& workspace, const std::string& path, const search::QueryWordTable& words,
                        bool andWords, std::uint64_t start, std::size_t pageBytes, std::time_t now)
{
    NotesPage page;
    auto file = openNotesForReading(workspace, path);
    const std::int64_t size = file ? file->size() : -1;
    if (size < 0)
        return page;
    page.opened = true;
    // The file may have shrunk since the offset was remembered: a start past its end
    // begins again at the top.
    if (start >= static_cast<std::uint64_t>(size))
        start = 0;
    page.start = start;
    const std::uint64_t left = static_cast<std::uint64_t>(size) - start;
    const std::size_t scanBytes = static_cast<std::size_t>(std::min<std::uint64_t>(left, kNotesPageScanBytes));
    std::string bytes(scanBytes, '\0');
    const std::int64_t read = scanBytes == 0 ? 0 : file->readAt(start, bytes.data(), bytes.size());
    if (read < 0)
        return page;
    bytes.resize(static_cast<std::size_t>(read));
    const bool wholeRest = static_cast<std::uint64_t>(read) == left;

    std::vector<NoteEntry> entries = splitEntries(bytes);
    // An entry cut by the end of the scan starts the next page, unless nothing else
    // would be shown: then it is shown as far as it was read.
    if (!wholeRest && entries.size() > 1)
        entries.pop_back();
    page.next = 0;
    page.reachedEnd = true;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (page.text.text().size() >= pageBytes) {
            page.next = start + entries[i].offset;
            page.reachedEnd = false;
            break;
        }
        std::string text = app::isMultiByteUtf8(entries[i].raw) ? app::utf8ToCp1252(entries[i].raw) : entries[i].raw;
        if (!entryMatches(text, words, andWords, workspace.truncationThreshold))
            continue;
        appendShownEntry(page.text, ReminderHeading(workspace, text, now), text);
        ++page.entries;
    }
    if (page.reachedEnd && !wholeRest) {
        page.reachedEnd = false;
        page.next = entries.empty() ? start + bytes.size() : start + entries.back().offset + entries.back().raw.size();
        if (page.next >= static_cast<std::uint64_t>(size)) {
            page.next = 0;
            page.reachedEnd = true;
        }
    }
    search::MarkHits(page.text, search::HitWordsFrom(words), workspace.truncationThreshold, true);
    return page;
}

} // namespace vedra::utilities
