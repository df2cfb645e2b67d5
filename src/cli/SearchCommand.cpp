// `vedra search`: the archive search, one result row per line, tab-separated in
// the list's column order (path, last updating, size, words, archive, N.pos.).
#include "cli/CliCommands.h"

#include "core/search/FilterLists.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"

#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"

#include <cstdio>
#include <ostream>

namespace vedra::cli {
namespace {

// A JSON string of a column (shown as UTF-8, control characters escaped).
std::string jsonString(const std::string& column)
{
    std::string text = app::displayUtf8(column);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

int runSearch(CliContext& context, const std::vector<std::string>& arguments)
{
    search::ResultList results;
    search::SearchRun run(context.workspace, results);
    std::string query;
    bool filesGiven = false;
    bool json = false;
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
            std::string value = search::QueryTextToCp1252(arguments[++i]);
            if (arg == "--files") {
                run.setFilesText(value);
                filesGiven = true;
            } else {
                run.setDirectoriesText(value);
                filesGiven = true;
            }
        } else if (arg == "--json") {
            json = true;
        } else if (!arg.empty() && arg[0] == '-') {
            context.err << "vedra search: unknown option '" << arg << "'\n";
            return 2;
        } else {
            query += (query.empty() ? "" : " ") + arg;
        }
    }
    if (query.empty() && !filesGiven) {
        context.err << "usage: vedra search WORDS... [--or] [--all-archives] [--files PATTERNS] [--dirs PATTERNS] "
                       "[--json]\n";
        return 2;
    }
    run.RunSearch(search::QueryTextToCp1252(query));
    if (json) {
        static const char* const kKeys[] = {"path", "lastUpdating", "size", "words", "archive", "position"};
        context.out << "[";
        for (std::size_t r = 0; r < results.size(); ++r) {
            context.out << (r ? ",\n " : "\n ") << "{";
            for (std::size_t c = 0; c < search::ResultRow::kColumnCount; ++c)
                context.out << (c ? ", " : "") << '"' << kKeys[c] << "\": " << jsonString(results.row(r).columns[c]);
            context.out << "}";
        }
        context.out << (results.size() ? "\n]\n" : "]\n");
        return 0;
    }
    for (std::size_t r = 0; r < results.size(); ++r) {
        const search::ResultRow& row = results.row(r);
        for (std::size_t c = 0; c < search::ResultRow::kColumnCount; ++c)
            context.out << (c ? "\t" : "") << app::displayUtf8(row.columns[c]);
        context.out << '\n';
    }
    return 0;
}

} // namespace vedra::cli
