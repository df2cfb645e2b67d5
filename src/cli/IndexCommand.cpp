// `vedra index`: a normal (or single-folder) indexing run into the current archive.
#include "cli/CliCommands.h"

#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <ostream>
#include <unistd.h>

namespace vedra::cli {
namespace {

std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted = true;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
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

} // namespace

int runIndex(CliContext& context, const std::vector<std::string>& arguments)
{
    std::string path;
    indexing::IndexingOptions options;
    bool single = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (arg == "--single") {
            single = true;
        } else if (arg == "--unpack") {
            options.unpack = true;
        } else if (arg == "--no-subfolders") {
            options.subfolders = false;
        } else if (arg == "--files" || arg == "--dirs") {
            if (i + 1 >= arguments.size()) {
                context.err << "vedra index: " << arg << " needs a value\n";
                return 2;
            }
            (arg == "--files" ? options.fileFilter : options.folderFilter) = parsePatterns(arguments[++i]);
        } else if (!arg.empty() && arg[0] == '-') {
            context.err << "vedra index: unknown option '" << arg << "'\n";
            return 2;
        } else if (!path.empty()) {
            context.err << "vedra index: one path only\n";
            return 2;
        } else {
            path = arg;
        }
    }
    if (path.empty()) {
        context.err << "usage: vedra index PATH [--single] [--unpack] [--no-subfolders] [--files PATTERNS] "
                       "[--dirs PATTERNS]\n";
        return 2;
    }
    app::Workspace& ws = context.workspace;
    if (!ws.hasCurrentArchive()) {
        ws.showMessage(app::MessageKey::MsgNeedArchive);
        return 1;
    }
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    if (error || !std::filesystem::exists(absolute, error)) {
        context.err << "vedra index: '" << path << "' does not exist\n";
        return 1;
    }
    std::string start = absolute.string();
    if (std::filesystem::is_directory(absolute, error) && (start.empty() || start.back() != '/'))
        start += '/';

    archive::ArchiveStore& store = ws.store();
    if (!store.openForIndexing(archive::CacheSizes::fromWorkspace(ws))) {
        ws.showMessage(app::MessageKey::MsgCannotLoadData);
        return 1;
    }
    indexing::ArchiveLists lists;
    lists.load(store);
    indexing::IndexingRun run(ws, store, lists);
    run.options() = options;
    run.setResultRowSink([&](const std::string& row, std::uint64_t size) {
        context.out << row << " (" << size << " bytes)\n";
    });

    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    const auto started = std::chrono::steady_clock::now();
    auto lastShown = started;
    run.setFileObserver([&](const indexing::IndexingCounters& c) {
        auto now = std::chrono::steady_clock::now();
        if (!terminal || now - lastShown < std::chrono::milliseconds(200))
            return;
        lastShown = now;
        double seconds = std::chrono::duration<double>(now - started).count();
        double megabytes = static_cast<double>(c.bytesRead) / (1 << 20);
        context.err << "\r" << c.filesSeen << " files, " << std::fixed << std::setprecision(1) << megabytes
                    << " MB, " << (seconds > 0 ? megabytes / seconds : 0.0) << " MB/s   " << std::flush;
    });

    g_interrupted = false;
    auto previous = std::signal(SIGINT, onInterrupt);
    context.host.setOnDrain([&](int) {
        if (g_interrupted.exchange(false)) {
            ws.BreakCode = 27;
            context.host.setStatus("break...");
        }
    });
    run.RunIndexing(start, single ? indexing::RunMode::SingleFolder : indexing::RunMode::Normal);
    context.host.setOnDrain(nullptr);
    std::signal(SIGINT, previous == SIG_ERR ? SIG_DFL : previous);
    const bool stopped = ws.BreakCode == 27;
    const std::uint32_t documents = store.documentCount();
    store.close();
    if (terminal)
        context.err << "\r" << std::string(60, ' ') << "\r";

    const indexing::IndexingCounters& c = run.counters();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    auto label = [&](app::MessageKey key) { return std::string(ws.messages().text(key)); };
    context.out << label(app::MessageKey::MsgFoldersScanned) << c.foldersMet << '\n'
                << label(app::MessageKey::MsgFoldersIndexed) << c.foldersIndexed << '\n'
                << label(app::MessageKey::MsgFilePathsIndexed) << c.filesSeen << '\n'
                << label(app::MessageKey::MsgNewFilesWithText) << c.newDocuments << '\n'
                << label(app::MessageKey::MsgFilesWithText) << c.filesWithText << '\n'
                << label(app::MessageKey::MsgUpdatedFilesWithText) << c.filesUpdated << '\n'
                << label(app::MessageKey::MsgWordsIndexed) << c.wordsIndexed << '\n'
                << label(app::MessageKey::MsgTotalFiles) << documents << '\n'
                << "Bytes read: " << c.bytesRead << '\n'
                << label(app::MessageKey::MsgElapsedTime) << std::fixed << std::setprecision(2) << seconds << " s\n";
    return stopped ? 130 : 0;
}

} // namespace vedra::cli
