// `vedra notes add TEXT...`, `vedra memo add TEXT...`: save a note in the archive's
// notes file or a memorandum in the agenda; `vedra notes search WORDS... [--or]`,
// `vedra memo search WORDS... [--or]`: the entries holding the words, hits marked
// [[like this]], reminders before dated entries.
#include "cli/CliCommands.h"

#include "core/app/TextEncoding.h"
#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"
#include "core/utilities/Notes.h"

#include <ostream>

namespace vedra::cli {
namespace {

void printPreview(CliContext& context, const search::PreviewDocument& preview)
{
    std::string text = search::RenderMarked(preview);
    std::string lines;
    for (char c : text)
        if (c != '\r')
            lines += c;
    context.out << app::displayUtf8(lines);
}

constexpr OptionSpec kOrOption[] = {{.name = "--or"}};

int runNotesVerb(CliContext& context, const std::vector<std::string>& arguments, utilities::NoteScope scope,
                 const char* verb, const CliOptions& addOptions, const CliOptions& searchOptions)
{
    const std::string usage = std::string("usage: vedra ") + verb + " add TEXT... | " + verb + " search WORDS... [--or]\n";
    if (arguments.empty() || (arguments[0] != "add" && arguments[0] != "search")) {
        context.err << usage;
        return 2;
    }
    const bool adding = arguments[0] == "add";
    std::optional<ParsedOptions> given = ParseOptions(adding ? addOptions : searchOptions,
                                                      std::vector<std::string>(arguments.begin() + 1, arguments.end()),
                                                      context.err);
    if (!given)
        return 2;
    app::Workspace& ws = context.workspace;
    const app::SearchTarget target =
        scope == utilities::NoteScope::Memorandum ? app::SearchTarget::Memorandum : app::SearchTarget::Notes;
    const std::string path = utilities::NotesFilePath(ws, target);
    if (path.empty()) {
        context.err << "vedra: no current archive; create one first (vedra create NAME)\n";
        return 1;
    }
    const std::string text = given->joinedWords();

    search::PreviewDocument preview;
    if (adding) {
        if (text.empty()) {
            context.err << usage;
            return 2;
        }
        utilities::AppendResult result = utilities::SaveNote(ws, scope, text, preview);
        if (result != utilities::AppendResult::Appended)
            return 1;
        context.out << "Saved in " << path << '\n';
        printPreview(context, preview);
        return 0;
    }
    search::QueryWordTable words;
    search::QueryLimits limits{ws.minWordLength, ws.maxWordLength, ws.truncationThreshold};
    search::ParseQueryWords(search::QueryTextToCp1252(text), false, 0, limits, nullptr, words);
    search::SearchOptions options;
    options.andWords = given->has("--or") ? 0 : 1;
    int found = utilities::SearchNotes(ws, words, target, options, preview);
    if (found < 0) {
        ws.showMessage(app::MessageKey::MsgCannotReadFile);
        context.err << path << '\n';
        return 1;
    }
    printPreview(context, preview);
    context.out << "Entries: " << found << '\n';
    return 0;
}

} // namespace

// A note's text and the words searched may begin with '-'.
constexpr CliOptions kNotesAddOptions{.verb = "notes add", .dashWords = DashWords::Words};
constexpr CliOptions kNotesSearchOptions{.verb = "notes search", .options = kOrOption, .dashWords = DashWords::Words};
constexpr CliOptions kMemoAddOptions{.verb = "memo add", .dashWords = DashWords::Words};
constexpr CliOptions kMemoSearchOptions{.verb = "memo search", .options = kOrOption, .dashWords = DashWords::Words};

int runNotes(CliContext& context, const std::vector<std::string>& arguments)
{
    return runNotesVerb(context, arguments, utilities::NoteScope::Notes, "notes", kNotesAddOptions,
                        kNotesSearchOptions);
}

int runMemo(CliContext& context, const std::vector<std::string>& arguments)
{
    return runNotesVerb(context, arguments, utilities::NoteScope::Memorandum, "memo", kMemoAddOptions,
                        kMemoSearchOptions);
}

} // namespace vedra::cli
