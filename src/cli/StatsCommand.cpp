// `vedra stats FILE [WORDS...] [--or]`: the word-statistics report of one file, as
// the information window shows it: the title line, then the body, the list heading
// marked **like this**.
#include "cli/CliCommands.h"

#include "core/app/TextEncoding.h"
#include "core/search/PreviewDocument.h"
#include "core/search/QueryWords.h"
#include "core/search/WordStatistics.h"

#include <ostream>

namespace vedra::cli {

constexpr OptionSpec kStatsOptionList[] = {{.name = "--or"}};

// The words counted may begin with '-'; the file only after `--`, so that a
// misplaced option is not read as a file name.
constexpr CliOptions kStatsOptions{
    .verb = "stats",
    .options = kStatsOptionList,
    .usage = "usage: vedra stats FILE [WORDS...] [--or]\n",
    .minWords = 1,
    .dashWords = DashWords::Words,
};

int runStats(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kStatsOptions, arguments, context.err);
    if (!given)
        return 2;
    const std::string file = given->words()[0];
    if (file.empty() || (file[0] == '-' && !given->escaped(0))) {
        context.err << kStatsOptions.usage;
        return 2;
    }
    app::Workspace& ws = context.workspace;
    const bool wordsOr = given->has("--or");
    const std::string query = given->joinedWords(1);

    search::WordStatisticsRequest request;
    request.languageIndex = ws.LanguageIndex;
    request.queryText = query;
    request.limits = {ws.minWordLength, ws.maxWordLength, ws.truncationThreshold};
    search::ParseQueryWords(search::QueryTextToCp1252(query), true, 0, request.limits, nullptr, request.queryWords);
    request.wordsOr = wordsOr;
    // No search ran: the one file named is the list, and no time was spent searching.
    request.listedDocuments = 1;
    request.elapsedTimeText = "0.00 s";
    request.statusText = file;
    request.archiveName = ws.currentArchiveName();
    request.documentPath = file;
    request.operationInProgress = ws.busy;

    search::WordStatisticsReport report = search::BuildWordStatistics(ws, request);
    context.out << app::displayUtf8(report.title) << '\n';
    std::string marked = search::RenderMarked(report.body, "**", "**");
    // Per line: the file name is raw bytes among cp1252 text.
    std::size_t start = 0;
    while (start < marked.size()) {
        std::size_t end = marked.find('\n', start);
        if (end == std::string::npos)
            end = marked.size();
        context.out << app::displayUtf8(std::string_view(marked).substr(start, end - start)) << '\n';
        start = end + 1;
    }
    if (report.outcome == search::WordStatisticsOutcome::DocumentUnreadable) {
        ws.showMessage(app::MessageKey::MsgCannotReadFile);
        return 1;
    }
    return 0;
}

} // namespace vedra::cli
