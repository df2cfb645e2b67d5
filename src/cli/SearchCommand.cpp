// `vedra search`: the archive search, one result row per line, tab-separated in
// the list's column order (path, last updating, size, words, archive, N.pos.). The
// path is shown as a user opens it: a PDF's text as the PDF, a packed file's member
// as "x.zip » member".
// Only the rows printed are made (--limit): a common word finds thousands, and in
// the archive's order the rows past the limit are only counted.
#include "cli/CliCommands.h"
#include "cli/FilePreview.h"

#include "core/search/FilterLists.h"
#include "core/search/HitFinder.h"
#include "core/search/PreviewDocument.h"
#include "core/search/Relevance.h"
#include "core/search/ResultOrder.h"
#include "core/search/ResultLabel.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"
#include "core/search/SearchSession.h"

#include "core/app/MessageFormat.h"
#include "core/app/SystemProbe.h"
#include "core/app/TextEncoding.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <cstdio>
#include <ostream>

namespace vedra::cli {

// A JSON string of a text (shown as UTF-8, control characters escaped).
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

namespace {

// A score as JSON: four decimals, enough to tell rows apart and stable to compare.
std::string jsonNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", std::isfinite(value) ? value : 0.0);
    return text;
}

// The extract file as the preview shows it: each excerpt's hits marked [[...]],
// and each document named as a row is (the PDF, "x.zip » member"). The file
// itself keeps the stored labels.
std::string ShownExtract(const std::string& extract, const std::vector<search::HitWord>& words, int trimThreshold,
                         const std::string& temporaryFolder)
{
    constexpr std::string_view kDocument = " File: ";
    constexpr std::string_view kExcerpt = "..... ";
    std::string shown;
    std::size_t from = 0;
    while (from < extract.size()) {
        std::size_t end = extract.find('\n', from);
        end = end == std::string::npos ? extract.size() : end + 1;
        std::string_view line(extract.data() + from, end - from);
        from = end;
        std::string_view ending = line.substr(line.find_last_not_of("\r\n") + 1);
        std::string_view body = line.substr(0, line.size() - ending.size());
        const std::size_t dash = body.find(" - ");
        if (body.starts_with(kDocument) && dash != std::string_view::npos) {
            const std::string label(body.substr(dash + 3));
            shown += app::displayUtf8(body.substr(0, dash + 3)) +
                     search::ReadableLabel(search::SplitResultLabel(label, temporaryFolder));
        } else if (body.starts_with(kExcerpt)) {
            search::PreviewDocument excerpt;
            excerpt.appendText(body);
            search::MarkHits(excerpt, words, trimThreshold, false);
            shown += app::displayUtf8(search::RenderMarked(excerpt));
        } else {
            shown += app::displayUtf8(body);
        }
        shown += ending;
    }
    return shown;
}

// The orders --order takes; archive, the list's own, is the default.
enum class RowOrder { Archive, Relevance, Date, Size, Path };

std::optional<RowOrder> rowOrderNamed(std::string_view name)
{
    if (name == "archive")
        return RowOrder::Archive;
    if (name == "relevance")
        return RowOrder::Relevance;
    if (name == "date")
        return RowOrder::Date;
    if (name == "size")
        return RowOrder::Size;
    if (name == "path")
        return RowOrder::Path;
    return std::nullopt;
}

} // namespace

constexpr OptionSpec kSearchOptionList[] = {
    {.name = "--or"},
    {.name = "--all-archives"},
    {.name = "--contiguous",
     .value = OptionValue::Integer,
     .minimum = search::SearchOptions::kMinContiguityDistance,
     .maximum = search::SearchOptions::kMaxContiguityDistance,
     .valueText = "a number of characters"},
    {.name = "--words-or"},
    {.name = "--in-path"},
    {.name = "--files", .value = OptionValue::Text},
    {.name = "--dirs", .value = OptionValue::Text},
    {.name = "--on-disk", .value = OptionValue::Text},
    {.name = "--extracts"},
    {.name = "--json"},
    {.name = "--limit", .value = OptionValue::Integer, .minimum = 0, .valueText = "a number of rows"},
    {.name = "--count"},
    {.name = "--order", .value = OptionValue::Text},
};

constexpr CliOptions kSearchOptions{
    .verb = "search",
    .options = kSearchOptionList,
    .usage = "usage: vedra search [WORDS...] [--or] [--all-archives] [--contiguous N] [--words-or] [--in-path]\n"
             "                    [--files PATTERNS] [--dirs PATTERNS] [--on-disk ROOT] [--extracts] [--json]\n"
             "                    [--limit N] [--count] [--order relevance|archive|date|size|path]\n",
};

int runSearch(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kSearchOptions, arguments, context.err);
    if (!given)
        return 2;
    RowOrder order = RowOrder::Archive;
    if (std::optional<std::string> name = given->text("--order")) {
        const std::optional<RowOrder> named = rowOrderNamed(*name);
        if (!named) {
            context.err << "vedra search: --order takes relevance, archive, date, size or path, not '" << *name
                        << "'\n";
            return 2;
        }
        order = *named;
    }
    const std::string query = given->joinedWords();
    if (query.empty() && !given->has("--files") && !given->has("--dirs")) {
        context.err << kSearchOptions.usage;
        return 2;
    }
    app::Workspace& ws = context.workspace;
    ws.SearchTarget = app::SearchTarget::Archive;
    search::SearchSession session(ws);
    search::SearchRun& run = session.run();
    search::ResultList& results = session.results();
    if (given->has("--or"))
        run.options().andWords = 0;
    if (given->has("--all-archives"))
        run.options().allArchives = 1;
    if (given->has("--words-or"))
        run.options().wordsOr = 1;
    if (given->has("--in-path"))
        run.options().inThePath = 1;
    if (std::optional<std::int64_t> distance = given->number("--contiguous")) {
        run.options().setContiguityDistance(static_cast<int>(*distance));
        run.options().setContiguity(true);
    }
    if (std::optional<std::string> root = given->text("--on-disk")) {
        run.options().directOnDisk = 1;
        run.setDiskRoot(*root);
    }
    if (std::optional<std::string> patterns = given->text("--files"))
        run.setFilesText(search::QueryTextToCp1252(*patterns));
    if (std::optional<std::string> patterns = given->text("--dirs"))
        run.setDirectoriesText(search::QueryTextToCp1252(*patterns));
    const bool json = given->has("--json");
    const bool extracts = given->has("--extracts");
    // In the archive's order only the rows printed are read: the rest are counted.
    const std::optional<std::int64_t> limit = given->number("--limit");
    if (limit && order == RowOrder::Archive)
        run.keepRowsUpTo(std::max<std::size_t>(static_cast<std::size_t>(*limit), extracts ? 10 : 1));
    run.RunSearch(search::QueryTextToCp1252(query));
    // After each "root not in the dictionary" message, how to add the root.
    for (const std::string& word : run.takeRootlessWords())
        context.err << app::formatMessage(ws.messages().text(app::MessageKey::MsgRootAddHint), {word}) << '\n';
    const std::size_t shown =
        std::min<std::size_t>(results.size(), static_cast<std::size_t>(limit.value_or(static_cast<std::int64_t>(results.size()))));
    const std::size_t found = run.rowsFound();
    const bool count = given->has("--count");
    // The rows printed, in the order asked for: newest first by date, largest
    // first by size, paths ascending; the relevance order best first with scores.
    std::vector<std::size_t> printed;
    std::vector<double> scores;
    switch (order) {
    case RowOrder::Archive:
        printed.resize(shown);
        std::iota(printed.begin(), printed.end(), std::size_t{0});
        break;
    case RowOrder::Relevance:
        for (const search::RankedRow& ranked : search::RelevanceOrder(session, shown)) {
            printed.push_back(ranked.row);
            scores.push_back(ranked.score);
        }
        break;
    case RowOrder::Date:
    case RowOrder::Size:
    case RowOrder::Path: {
        const search::ResultColumn column = order == RowOrder::Date   ? search::ResultColumn::LastUpdating
                                            : order == RowOrder::Size ? search::ResultColumn::Size
                                                                      : search::ResultColumn::Path;
        printed = search::SortedRows(results, column,
                                     order == RowOrder::Path ? search::SortDirection::Ascending
                                                             : search::SortDirection::Descending);
        printed.resize(shown);
        break;
    }
    }
    const std::string temporaryFolder = ws.WorkingFolder + "vedratemp/";
    if (json) {
        static const char* const kKeys[] = {"path", "lastUpdating", "size", "words", "archive", "position"};
        std::string text = count ? "{\"count\": " + std::to_string(found) + ", \"rows\": [" : "[";
        for (std::size_t at = 0; at < printed.size(); ++at) {
            const std::size_t r = printed[at];
            const search::ResultRow& row = results.row(r);
            const search::LabelParts parts = search::SplitResultLabel(row.label(), temporaryFolder);
            text += at ? ",\n " : "\n ";
            text += '{';
            for (std::size_t c = 0; c < search::ResultRow::kColumnCount; ++c) {
                text += c ? ", \"" : "\"";
                text += kKeys[c];
                text += "\": ";
                text += c == 0 ? jsonString(search::ReadableLabel(parts)) : jsonString(row.columns[c]);
            }
            // The label as the archive stores it, and a member's packed file apart.
            text += ", \"label\": " + jsonString(row.label());
            text += ", \"packedFile\": " + (parts.isMember() ? jsonString(parts.file) : std::string("null"));
            text += ", \"member\": " + (parts.isMember() ? jsonString(search::ReadableMember(parts)) : std::string("null"));
            // Rows without a record of a disk file (web pages, names) cannot be stale.
            const std::optional<search::FileChange> change = results.fileChange(r);
            const bool stale = change && change->stale();
            text += stale ? ", \"stale\": true, \"staleReason\": \"" + search::FileChangeCode(*change) + "\""
                          : std::string(", \"stale\": false, \"staleReason\": \"\"");
            if (at < scores.size())
                text += ", \"score\": " + jsonNumber(scores[at]);
            text += '}';
        }
        text += printed.empty() ? "]" : "\n]";
        text += count ? "}\n" : "\n";
        context.out.write(text.data(), static_cast<std::streamsize>(text.size()));
    } else {
        // One write for the whole list: thousands of rows go out at once.
        std::string text;
        for (const std::size_t r : printed) {
            const search::ResultRow& row = results.row(r);
            text += search::ReadableLabel(search::SplitResultLabel(row.label(), temporaryFolder));
            for (std::size_t c = 1; c < search::ResultRow::kColumnCount; ++c) {
                text += '\t';
                text += app::displayUtf8(row.columns[c]);
            }
            text += '\n';
        }
        if (count)
            text += std::to_string(found) + '\n';
        context.out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    if (extracts && !results.empty()) {
        // The extract of the first ten rows, as a click with no selection makes it.
        search::ExtractResult made = session.preview().ShowExtracts();
        for (const search::ExtractResult::UnreadableRow& unreadable : made.unreadable) {
            const std::string shownRow =
                search::ReadableLabel(search::SplitResultLabel(results.row(unreadable.row).label(), temporaryFolder));
            context.err << "vedra: " << PreviewTextProblemText(unreadable.source, shownRow) << '\n';
        }
        if (made.outcome == search::ExtractOutcome::Written) {
            if (auto bytes = io::readFileBytes(ws.extractsPath))
                context.out << ShownExtract(*bytes, session.preview().queryHitWords(), ws.truncationThreshold,
                                            temporaryFolder);
        } else if (made.outcome == search::ExtractOutcome::Stopped) {
            return 1;
        }
    }
    return 0;
}

} // namespace vedra::cli
