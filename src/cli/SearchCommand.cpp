// `vedra search`: the archive search, one result row per line, tab-separated in
// the list's column order (path, last updating, size, words, archive, N.pos.).
#include "cli/CliCommands.h"

#include "core/search/FilterLists.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"
#include "core/search/SearchSession.h"

#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"
#include "core/io/FileHandle.h"

#include <cstdio>
#include <cstdlib>
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
    static const char* const kUsage =
        "usage: vedra search [WORDS...] [--or] [--all-archives] [--contiguous N] [--words-or] [--in-path]\n"
        "                    [--files PATTERNS] [--dirs PATTERNS] [--on-disk ROOT] [--extracts] [--json]\n";
    app::Workspace& ws = context.workspace;
    ws.SearchTarget = app::SearchTarget::Archive;
    search::SearchSession session(ws);
    search::SearchRun& run = session.run();
    search::ResultList& results = session.results();
    std::string query;
    bool filesGiven = false;
    bool json = false;
    bool extracts = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool takesValue = arg == "--files" || arg == "--dirs" || arg == "--contiguous" || arg == "--on-disk";
        if (takesValue && i + 1 >= arguments.size()) {
            context.err << "vedra search: " << arg << " needs a value\n";
            return 2;
        }
        if (arg == "--or") {
            run.options().andWords = 0;
        } else if (arg == "--all-archives") {
            run.options().allArchives = 1;
        } else if (arg == "--words-or") {
            run.options().wordsOr = 1;
        } else if (arg == "--in-path") {
            run.options().inThePath = 1;
        } else if (arg == "--extracts") {
            extracts = true;
        } else if (arg == "--json") {
            json = true;
        } else if (arg == "--contiguous") {
            const std::string& value = arguments[++i];
            char* end = nullptr;
            long distance = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || !run.options().setContiguityDistance(static_cast<int>(distance))) {
                context.err << "vedra search: --contiguous takes a number of characters from "
                            << search::SearchOptions::kMinContiguityDistance << " to "
                            << search::SearchOptions::kMaxContiguityDistance << '\n';
                return 2;
            }
            run.options().setContiguity(true);
        } else if (arg == "--on-disk") {
            run.options().directOnDisk = 1;
            run.setDiskRoot(arguments[++i]);
        } else if (arg == "--files" || arg == "--dirs") {
            std::string value = search::QueryTextToCp1252(arguments[++i]);
            if (arg == "--files")
                run.setFilesText(value);
            else
                run.setDirectoriesText(value);
            filesGiven = true;
        } else if (!arg.empty() && arg[0] == '-') {
            context.err << "vedra search: unknown option '" << arg << "'\n";
            return 2;
        } else {
            query += (query.empty() ? "" : " ") + arg;
        }
    }
    if (query.empty() && !filesGiven) {
        context.err << kUsage;
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
    } else {
        // One write for the whole list: thousands of rows go out at once.
        std::string text;
        for (std::size_t r = 0; r < results.size(); ++r) {
            const search::ResultRow& row = results.row(r);
            for (std::size_t c = 0; c < search::ResultRow::kColumnCount; ++c) {
                if (c != 0)
                    text += '\t';
                text += app::displayUtf8(row.columns[c]);
            }
            text += '\n';
        }
        context.out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    if (extracts && !results.empty()) {
        // The extract of the first ten rows, as a click with no selection makes it.
        search::ExtractResult made = session.preview().ShowExtracts();
        if (made.outcome == search::ExtractOutcome::Written) {
            if (auto bytes = io::readFileBytes(ws.extractsPath))
                context.out << app::displayUtf8(*bytes);
        } else if (made.outcome == search::ExtractOutcome::Stopped) {
            return 1;
        }
    }
    return 0;
}

} // namespace vedra::cli
