// How long the window can go without drawing while the engine works, and how
// soon Break takes effect. The engine keeps the window alive by draining its
// events between units of work; the longest time between two drains is the
// longest the window freezes. This indexes a folder into a new archive, runs
// long searches on it, and then presses Break (BreakCode Break, what the button
// does) in the middle of a second indexing run and of a long search.
//
//   vedra_responsiveness --workdir DIR --folder PATH [--folder PATH]... [--query WORDS]...
//
// DIR should be a new folder: the archives RESP and RESP2 are created in it.
#include "BenchClock.h"
#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/IndexFolder.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using vedra::bench::percentile;

double nowMillis()
{
    return vedra::bench::nowMicros() / 1e3;
}

// Records the time between drains, and can press Break after a delay.
class DrainClock {
public:
    explicit DrainClock(vedra::app::HeadlessHost& host, vedra::app::Workspace& workspace)
        : m_host(host), m_workspace(workspace)
    {
    }

    void start(double breakAfterMillis = -1)
    {
        m_gaps.clear();
        m_started = m_last = nowMillis();
        m_breakAfter = breakAfterMillis;
        m_breakPressedAt = -1;
        m_host.setOnDrain([this](int) {
            double now = nowMillis();
            m_gaps.push_back(now - m_last);
            m_last = now;
            if (m_breakAfter >= 0 && m_breakPressedAt < 0 && now - m_started >= m_breakAfter) {
                m_workspace.BreakCode = vedra::app::StopCode::Break;
                m_breakPressedAt = now;
            }
        });
    }

    // Prints the gaps and, when Break was pressed, how long the work went on.
    void report(const char* what)
    {
        double end = nowMillis();
        m_gaps.push_back(end - m_last);
        m_host.setOnDrain(nullptr);
        std::printf("%-34s %8.0f ms  drains %7zu  gap median %6.1f ms  p99 %6.1f ms  max %7.1f ms", what,
                    end - m_started, m_gaps.size() - 1, percentile(m_gaps, 0.5), percentile(m_gaps, 0.99),
                    percentile(m_gaps, 1.0));
        if (m_breakPressedAt >= 0)
            std::printf("  stopped %6.1f ms after Break", end - m_breakPressedAt);
        else if (m_breakAfter >= 0)
            std::printf("  (ended before Break)");
        std::printf("\n");
    }

private:
    vedra::app::HeadlessHost& m_host;
    vedra::app::Workspace& m_workspace;
    std::vector<double> m_gaps;
    double m_started = 0;
    double m_last = 0;
    double m_breakAfter = -1;
    double m_breakPressedAt = -1;
};

bool makeArchive(vedra::app::Workspace& workspace, const char* name)
{
    vedra::indexing::NewArchive request;
    request.name = name;
    vedra::indexing::CreatedArchive created = vedra::indexing::CreateArchive(workspace, request);
    if (created.number < 0)
        std::fprintf(stderr, "cannot create the archive %s: %s\n", name, created.error.c_str());
    return created.number >= 0;
}

int usage()
{
    std::fprintf(stderr, "usage: vedra_responsiveness --workdir DIR --folder PATH [--query WORDS]...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    std::string workdir;
    std::vector<std::string> folders;
    std::vector<std::string> queries;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (i + 1 >= argc)
            return usage();
        if (arg == "--workdir")
            workdir = argv[++i];
        else if (arg == "--folder")
            folders.emplace_back(argv[++i]);
        else if (arg == "--query")
            queries.emplace_back(argv[++i]);
        else
            return usage();
    }
    if (workdir.empty() || folders.empty())
        return usage();
    if (queries.empty())
        queries = {"license", "software free", "include"};
    std::filesystem::create_directories(workdir);

    vedra::app::HeadlessHost host;
    vedra::app::SystemProbe probe = vedra::app::SystemProbe::real();
    probe.currentDirectory = [workdir] { return std::filesystem::absolute(workdir).string(); };
    vedra::app::Workspace workspace(host, probe);
    if (workspace.PrepareWorkspace() < 0) {
        std::fprintf(stderr, "cannot prepare %s\n", workdir.c_str());
        return 1;
    }
    DrainClock clock(host, workspace);

    if (!makeArchive(workspace, "resp"))
        return 1;
    for (const std::string& folder : folders) {
        clock.start();
        auto indexed = vedra::indexing::IndexFolder(workspace, folder, vedra::indexing::IndexCommand::Normal, {});
        clock.report(("index " + folder).c_str());
        std::printf("  %u documents in the archive\n", indexed.totalDocuments);
    }

    for (const std::string& words : queries) {
        for (int wordsOr = 0; wordsOr <= 1; ++wordsOr) {
            vedra::search::ResultList results;
            vedra::search::SearchRun run(workspace, results);
            run.options().andWords = 1;
            run.options().wordsOr = wordsOr;
            clock.start();
            run.RunSearch(words);
            std::string label = (wordsOr ? "search words-OR '" : "search '") + words + "'";
            clock.report(label.c_str());
            std::printf("  %zu rows\n", results.size());
        }
    }

    // Break in the middle of a search that walks the whole dictionary.
    {
        vedra::search::ResultList results;
        vedra::search::SearchRun run(workspace, results);
        run.options().wordsOr = 1;
        clock.start(2);
        run.RunSearch("ion");
        clock.report("search words-OR 'ion', Break at 2 ms");
        std::printf("  %zu rows kept\n", results.size());
    }

    // Break in the middle of an indexing run.
    if (!makeArchive(workspace, "resp2"))
        return 1;
    clock.start(500);
    auto stopped = vedra::indexing::IndexFolder(workspace, folders.back(), vedra::indexing::IndexCommand::Normal, {});
    clock.report("index, Break at 0.5 s");
    std::printf("  %llu files seen before the stop\n", static_cast<unsigned long long>(stopped.counters.filesSeen));
    return 0;
}
