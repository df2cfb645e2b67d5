// `vedra roots [list]`: the current archive's word roots, one a line.
// `vedra roots add WORD...`: adds the roots of the words to the current archive,
// so that words beginning with them are registered by the next indexing runs.
#include "cli/CliCommands.h"

#include "core/app/MessageFormat.h"
#include "core/app/TextEncoding.h"
#include "core/indexing/ArchiveRoots.h"
#include "core/search/QueryWords.h"

#include <ostream>

namespace vedra::cli {
namespace {

constexpr std::string_view kRootsUsage = "usage: vedra roots [list] | roots add WORD...\n";

int listRoots(CliContext& context)
{
    const indexing::ArchiveRootList list = indexing::ReadArchiveRoots(context.workspace);
    if (list.status == indexing::RootsStatus::NoArchive)
        return 1;
    if (list.status != indexing::RootsStatus::Done) {
        context.err << "vedra roots: cannot read " << list.path << '\n';
        return 1;
    }
    std::string text;
    for (const std::string& root : list.listing.roots)
        text += root + '\n';
    context.out << text;
    if (list.listing.damaged) {
        context.err << "vedra roots: " << list.path << " is damaged (at offset " << list.listing.damageOffset
                    << "); the roots listed are those that can be read\n";
        return 1;
    }
    return 0;
}

std::string outcomeLine(const indexing::WordRoot& entry)
{
    const std::string run = app::displayUtf8(entry.run);
    switch (entry.outcome) {
    case indexing::RootOutcome::Added: return run + ": root " + entry.root + " added";
    case indexing::RootOutcome::Present: return run + ": root " + entry.root + " is in the archive already";
    case indexing::RootOutcome::Pending: return run + ": root " + entry.root + " not added";
    case indexing::RootOutcome::BeginsWithDigit:
        return run + ": no root: a word that begins with a digit is registered without one";
    case indexing::RootOutcome::NoLetterOrDigit: return "'" + run + "': no root: it has no letter or digit";
    }
    return run;
}

int addRoots(CliContext& context, const ParsedOptions& given)
{
    std::vector<std::string> words;
    for (const std::string& word : given.words())
        words.push_back(search::QueryTextToCp1252(word));
    const indexing::RootsAddition addition = indexing::AddWordRoots(context.workspace, words);
    if (addition.status == indexing::RootsStatus::NoArchive || addition.status == indexing::RootsStatus::CannotOpen)
        return 1;
    if (addition.status == indexing::RootsStatus::Busy)
        return kExitArchiveBusy;
    for (const indexing::WordRoot& entry : addition.roots)
        context.out << outcomeLine(entry) << '\n';
    if (addition.addedCount() > 0) {
        context.out << context.workspace.messages().text(app::MessageKey::MsgRootsAddedReindex) << '\n';
        // An indexing run reads only new and changed files again.
        context.out << "vedra index reads again only the files changed since they were indexed: give those files "
                       "a new modification time (touch FILE...) and index their folder.\n";
    }
    return addition.status == indexing::RootsStatus::Done ? 0 : 1;
}

} // namespace

constexpr CliOptions kRootsListOptions{.verb = "roots list", .usage = kRootsUsage, .maxWords = 0};
// A word may begin with '-' ("-fpic" is looked up as "fpic").
constexpr CliOptions kRootsAddOptions{
    .verb = "roots add", .usage = "usage: vedra roots add WORD...\n", .minWords = 1, .dashWords = DashWords::Words};

int runRoots(CliContext& context, const std::vector<std::string>& arguments)
{
    const bool adding = !arguments.empty() && arguments[0] == "add";
    if (!arguments.empty() && !adding && arguments[0] != "list") {
        context.err << kRootsUsage;
        return 2;
    }
    const std::vector<std::string> rest(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end());
    std::optional<ParsedOptions> given = ParseOptions(adding ? kRootsAddOptions : kRootsListOptions, rest, context.err);
    if (!given)
        return 2;
    return adding ? addRoots(context, *given) : listRoots(context);
}

} // namespace vedra::cli
