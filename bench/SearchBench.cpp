// The in-process cost of one search: SearchRun::RunSearch on the current archive of
// an existing working folder, as the window runs it (the archive files opened,
// the words looked up, the postings walked, the files closed), then the rows a
// window shows made (`--shown`, default 20, with the stale look-up of each), with
// the window's heap settings and without the start-up and exit of a process. Each
// query runs once untimed (so the page cache holds what it reads), then `--runs`
// times; the samples of all queries of a kind are pooled and their median and 99th
// percentile printed.
//
//   vedra_search_bench --workdir DIR [--runs N] [--shown N] --query KIND WORDS [--query KIND WORDS]...
//
//   KIND is a label for the summary; "or" runs the words as an OR query, any
//   other label as an AND query (the default of the search). One line per query
//   (kind, words, result rows, median and p99 us) follows the summary lines.
#include "BenchClock.h"
#include "core/app/HeadlessHost.h"
#include "core/app/LargePages.h"
#include "core/app/Workspace.h"
#include "core/search/QueryWords.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

using vedra::bench::nowMicros;
using vedra::bench::percentile;

struct Query {
    std::string kind;
    std::string words;
    std::size_t rows = 0;
    std::vector<double> micros;
};

int usage()
{
    std::fprintf(stderr,
                 "usage: vedra_search_bench --workdir DIR [--runs N] [--shown N] --query KIND WORDS [--query KIND WORDS]...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string workdir;
    int runs = 200;
    long shown = 20;
    std::vector<Query> queries;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--workdir" && i + 1 < argc) {
            workdir = argv[++i];
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else if (arg == "--shown" && i + 1 < argc) {
            shown = std::atol(argv[++i]);
        } else if (arg == "--query" && i + 2 < argc) {
            queries.push_back(Query{argv[i + 1], argv[i + 2], 0, {}});
            i += 2;
        } else {
            return usage();
        }
    }
    if (workdir.empty() || queries.empty() || runs < 1 || shown < 0)
        return usage();

    vedra::app::KeepFreedHeapForReuse(32 << 20);  // as the window does
    std::error_code error;
    std::string folder = std::filesystem::absolute(workdir, error).lexically_normal().string();
    vedra::app::SystemProbe probe = vedra::app::SystemProbe::real();
    probe.currentDirectory = [folder] { return folder; };
    vedra::app::HeadlessHost host;
    vedra::app::Workspace workspace(host, probe);
    if (workspace.PrepareWorkspace() < 0)
        return 1;
    if (workspace.OpenCatalogueAtStart() != vedra::app::CatalogueState::ArchiveOpened) {
        std::fprintf(stderr, "vedra_search_bench: no current archive in %s\n", folder.c_str());
        return 1;
    }
    workspace.InitialiseSession();

    auto runOnce = [&](const Query& query) {
        vedra::search::ResultList results;
        vedra::search::SearchRun run(workspace, results);
        if (query.kind == "or")
            run.options().andWords = 0;
        run.RunSearch(vedra::search::QueryTextToCp1252(query.words));
        // The rows the list shows, as the window's model asks for them.
        std::size_t made = 0;
        for (std::size_t r = 0; r < results.size() && r < static_cast<std::size_t>(shown); ++r) {
            made += results.row(r).label().size();
            made += results.fileChange(r).has_value() ? 1 : 0;
        }
        if (made == 0 && results.size() > 0 && shown > 0)
            std::fprintf(stderr, "vedra_search_bench: an empty row\n");
        return results.size();
    };
    for (Query& query : queries)
        query.rows = runOnce(query);
    // Queries take turns, so a burst of load from elsewhere spreads over all kinds.
    for (int r = 0; r < runs; ++r) {
        for (Query& query : queries) {
            double start = nowMicros();
            std::size_t rows = runOnce(query);
            query.micros.push_back(nowMicros() - start);
            if (rows != query.rows) {
                std::fprintf(stderr, "vedra_search_bench: '%s' gave %zu rows, then %zu\n", query.words.c_str(),
                             query.rows, rows);
                return 1;
            }
        }
    }

    std::map<std::string, std::vector<double>> byKind;
    std::vector<std::string> kinds;
    for (const Query& query : queries) {
        if (byKind.find(query.kind) == byKind.end())
            kinds.push_back(query.kind);
        auto& pooled = byKind[query.kind];
        pooled.insert(pooled.end(), query.micros.begin(), query.micros.end());
    }
    std::printf("%-10s %8s %12s %12s\n", "kind", "samples", "median us", "p99 us");
    for (const std::string& kind : kinds) {
        const auto& samples = byKind[kind];
        std::printf("%-10s %8zu %12.1f %12.1f\n", kind.c_str(), samples.size(), percentile(samples, 0.5),
                    percentile(samples, 0.99));
    }
    std::printf("\n%-10s %-28s %8s %12s %12s\n", "kind", "query", "rows", "median us", "p99 us");
    for (const Query& query : queries)
        std::printf("%-10s %-28s %8zu %12.1f %12.1f\n", query.kind.c_str(), query.words.c_str(), query.rows,
                    percentile(query.micros, 0.5), percentile(query.micros, 0.99));
    workspace.ShutdownSave(workspace.LanguageIndex);
    return 0;
}
