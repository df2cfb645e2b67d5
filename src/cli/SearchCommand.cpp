// `vedra search`: the archive search, one result row per line, tab-separated in
// the list's column order (path, last updating, size, words, archive, N.pos.).
#include "cli/CliCommands.h"

#include "core/search/FilterLists.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"

#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"

#include <ostream>

namespace vedra::cli {

int runSearch(CliContext& context, const std::vector<std::string>& arguments)
{
    search::ResultList results;
    search::SearchRun run(context.workspace, results);
    std::string query;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--or") {
            run.options().andWords = 0;
        } else if (arg == "--all-archives") {
            run.options().allArchives = 1;
        } else if (arg == "--files" || arg == "--dirs") {
            if (i + 1 >= arguments.size()) {
                context.err << "vedra search: " << arg << " needs a value\n";
                return 2;
            }
            std::string value = app::lowerAscii(search::QueryTextToCp1252(arguments[++i]));
            if (arg == "--files")
                run.fileFilter() = search::ParseFileFilterList(value);
            else
                run.folderFilter() = search::ParseFolderFilterList(value);
        } else if (!arg.empty() && arg[0] == '-') {
            context.err << "vedra search: unknown option '" << arg << "'\n";
            return 2;
        } else {
            query += (query.empty() ? "" : " ") + arg;
        }
    }
    if (query.empty()) {
        context.err << "usage: vedra search WORDS... [--or] [--all-archives] [--files PATTERNS] [--dirs PATTERNS]\n";
        return 2;
    }
    run.RunSearch(search::QueryTextToCp1252(query));
    for (std::size_t r = 0; r < results.size(); ++r) {
        const search::ResultRow& row = results.row(r);
        for (std::size_t c = 0; c < search::ResultRow::kColumnCount; ++c)
            context.out << (c ? "\t" : "") << app::displayUtf8(row.columns[c]);
        context.out << '\n';
    }
    return 0;
}

} // namespace vedra::cli
