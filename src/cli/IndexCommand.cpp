// `vedra index`: a normal, single-folder or update indexing run into the current archive.
#include "cli/CliCommands.h"

#include "core/indexing/IndexFolder.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <iomanip>
#include <iterator>
#include <optional>
#include <ostream>
#include <unistd.h>

namespace vedra::cli {
namespace {

// Ctrl-C, and the stop a session or a service manager sends (SIGTERM, SIGHUP):
// each stops the run the same way, so that the converters end, their folders go
// and the resume point is kept. The signal's number, 0 before one.
std::atomic<int> g_interrupted{0};
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onInterrupt(int signal)
{
    g_interrupted = signal;
    // A second one ends the program at once.
    std::signal(signal, SIG_DFL);
}

// Patterns are separated by commas, semicolons or blanks; at most ten are kept.
indexing::PatternFilter parsePatterns(const std::string& text)
{
    indexing::PatternFilter filter;
    std::string current;
    auto flush = [&] {
        if (!current.empty() && filter.patterns.size() < 10)
            filter.patterns.push_back(current.substr(0, 63));
        current.clear();
    };
    for (char c : text) {
        if (c == ',' || c == ';' || c == ' ' || c == '\t')
            flush();
        else
            current.push_back(c);
    }
    flush();
    return filter;
}

// The summary as one JSON object: the counters under the names the code gives
// them, and every file not read with its reason.
std::string summaryJson(const indexing::IndexFolderResult& result)
{
    const indexing::IndexingCounters& c = result.counters;
    auto number = [](const char* name, std::uint64_t value) {
        return std::string("  \"") + name + "\": " + std::to_string(value) + ",\n";
    };
    std::string text = "{\n";
    text += std::string("  \"stopped\": ") +
            (result.status == indexing::IndexStatus::Stopped ? "true" : "false") + ",\n";
    text += number("foldersScanned", c.foldersMet);
    text += number("foldersIndexed", c.foldersIndexed);
    text += number("foldersExcluded", c.foldersExcluded);
    text += number("filesIndexed", c.filesSeen);
    text += number("newFilesWithText", c.newFilesWithText);
    text += number("filesWithText", c.filesWithText);
    text += number("filesUpdated", c.filesUpdated);
    text += number("filesNotRead", c.notRead.size());
    text += number("filesGone", c.filesRemoved);
    text += number("wordsIndexed", c.wordsIndexed);
    text += number("totalFiles", result.totalDocuments);
    text += number("bytesRead", c.bytesRead);
    if (c.filesRecognised + c.recognisedFromCache + c.pagesRecognised > 0) {
        text += number("filesRecognised", c.filesRecognised);
        text += number("recognisedFromCache", c.recognisedFromCache);
        text += number("pagesRecognised", c.pagesRecognised);
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f", result.seconds);
    text += std::string("  \"seconds\": ") + seconds + ",\n";
    text += "  \"notRead\": [";
    for (std::size_t i = 0; i < c.notRead.size(); ++i)
        text += std::string(i == 0 ? "\n" : ",\n") + "    {\"path\": " + jsonString(c.notRead[i].path) +
                ", \"reason\": " + jsonString(std::string(indexing::notReadReasonText(c.notRead[i].reason))) + "}";
    text += c.notRead.empty() ? "]\n" : "\n  ]\n";
    return text + "}\n";
}

} // namespace

constexpr OptionSpec kIndexOptionList[] = {
    {.name = "--single", .excludes = "--update"},
    {.name = "--update"},
    {.name = "--unpack"},
    {.name = "--no-subfolders"},
    {.name = "--files", .value = OptionValue::Text},
    {.name = "--dirs", .value = OptionValue::Text},
    {.name = "--converter-time", .value = OptionValue::Integer, .minimum = 0, .maximum = 86400,
     .valueText = "a number of seconds"},
    {.name = "--converter-memory", .value = OptionValue::Integer, .minimum = 0, .maximum = 1 << 20,
     .valueText = "a number of MB"},
    {.name = "--json"},
};

constexpr CliOptions kIndexOptions{
    .verb = "index",
    .options = kIndexOptionList,
    .usage = "usage: vedra index PATH [--single | --update] [--unpack] [--no-subfolders] [--files PATTERNS] "
             "[--dirs PATTERNS]\n"
             "       [--converter-time SECONDS] [--converter-memory MB] [--json]\n",
    .minWords = 1,
    .maxWords = 1,
    .tooManyWords = "one path only",
};

int runIndex(CliContext& context, const std::vector<std::string>& arguments)
{
    std::optional<ParsedOptions> given = ParseOptions(kIndexOptions, arguments, context.err);
    if (!given)
        return 2;
    const std::string path = given->words()[0];
    if (path.empty()) {
        context.err << kIndexOptions.usage;
        return 2;
    }
    indexing::IndexingOptions options;
    indexing::IndexCommand command = indexing::IndexCommand::Normal;
    if (given->has("--single"))
        command = indexing::IndexCommand::SingleFolder;
    if (given->has("--update"))
        command = indexing::IndexCommand::Update;
    if (given->has("--unpack"))
        options.unpack = true;
    if (given->has("--no-subfolders"))
        options.subfolders = false;
    if (std::optional<std::string> patterns = given->text("--files"))
        options.fileFilter = parsePatterns(*patterns);
    if (std::optional<std::string> patterns = given->text("--dirs"))
        options.folderFilter = parsePatterns(*patterns);
    app::Workspace& ws = context.workspace;
    if (std::optional<std::int64_t> seconds = given->number("--converter-time"))
        ws.OutsideProgramTime = std::chrono::seconds(*seconds);
    if (std::optional<std::int64_t> megabytes = given->number("--converter-memory"))
        ws.OutsideProgramMemoryMb = static_cast<std::uint64_t>(*megabytes);
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    const auto started = std::chrono::steady_clock::now();
    auto lastShown = started;
    indexing::IndexFolderHooks hooks;
    // With --json the output is the JSON object alone.
    std::ostream& rows = given->has("--json") ? context.err : context.out;
    hooks.onRow = [&](const std::string& row, std::uint64_t size) {
        rows << row << " (" << size << " bytes)\n";
    };
    hooks.onFile = [&](const indexing::IndexingCounters& c) {
        auto now = std::chrono::steady_clock::now();
        if (!terminal || now - lastShown < std::chrono::milliseconds(200))
            return;
        lastShown = now;
        double seconds = std::chrono::duration<double>(now - started).count();
        double megabytes = static_cast<double>(c.bytesRead) / (1 << 20);
        context.err << "\r" << c.filesSeen << " files, " << std::fixed << std::setprecision(1) << megabytes
                    << " MB, " << (seconds > 0 ? megabytes / seconds : 0.0) << " MB/s   " << std::flush;
    };

    g_interrupted = 0;
    int stoppedBy = 0;
    sighandler_t previous[std::size(kStopSignals)];
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
        previous[i] = std::signal(kStopSignals[i], onInterrupt);
    context.host.setOnDrain([&](int) {
        if (int signal = g_interrupted.exchange(0)) {
            stoppedBy = signal;
            ws.BreakCode = app::StopCode::Break;
            context.host.setStatus("break...");
        }
    });
    indexing::IndexFolderResult result = indexing::IndexFolder(ws, path, command, options, hooks);
    context.host.setOnDrain(nullptr);
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
        std::signal(kStopSignals[i], previous[i] == SIG_ERR ? SIG_DFL : previous[i]);
    if (terminal)
        context.err << "\r" << std::string(60, ' ') << "\r";
    switch (result.status) {
    case indexing::IndexStatus::NoArchive:
    case indexing::IndexStatus::CannotOpen:
        return 1;
    case indexing::IndexStatus::Busy:
        return kExitArchiveBusy;
    case indexing::IndexStatus::MissingPath:
        context.err << "vedra index: '" << path << "' does not exist\n";
        return 1;
    case indexing::IndexStatus::Done:
    case indexing::IndexStatus::Stopped:
        break;
    }
    if (given->has("--json")) {
        context.out << summaryJson(result);
    } else {
        for (const std::string& line : indexing::IndexSummaryLines(ws, result))
            context.out << line << '\n';
    }
    if (result.status != indexing::IndexStatus::Stopped)
        return 0;
    // As a shell reports a program its signal ended; Escape and others as Ctrl-C.
    return 128 + (stoppedBy != 0 ? stoppedBy : SIGINT);
}

} // namespace vedra::cli
