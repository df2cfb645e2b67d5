// How soon the window shows the first screen of a search's rows: the window is
// opened on an existing working folder (offscreen: QT_QPA_PLATFORM=offscreen), each
// query is started as the search button starts it, and the time is taken from the
// start to the moment the result list's model answers the first 40 rows' texts
// (all of them when the search finds fewer). Then the search runs to its end and
// the list is checked complete. Each search starts on an empty list. Every query
// runs once untimed, then --runs times.
//   vedra_first_rows --workdir DIR [--runs N] WORD...
// Prints per query the median and longest first-screen time, the whole search's
// median, and the rows; then the median and p99 over all samples.
#include "BenchClock.h"

#include "core/app/Workspace.h"
#include "ui/CScovaroDlg.h"
#include "ui/ForwardingHost.h"
#include "ui/ResultListModel.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kScreenRows = 40;

// The first screen's texts, as the view asks for them when it draws.
void readScreen(const vedra::ui::ResultListModel& model, int rows)
{
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < model.columnCount(); ++column)
            (void)model.data(model.index(row, column), Qt::DisplayRole);
}

double nearestRank(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    std::size_t rank = static_cast<std::size_t>(share * static_cast<double>(values.size()) + 0.999999);
    return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    std::string workdir;
    int runs = 10;
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--workdir" && i + 1 < argc)
            workdir = argv[++i];
        else if (arg == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            words.push_back(arg);
    }
    if (workdir.empty() || words.empty()) {
        std::fprintf(stderr, "usage: vedra_first_rows --workdir DIR [--runs N] WORD...\n");
        return 2;
    }
    vedra::app::SystemProbe probe = vedra::app::SystemProbe::real();
    const std::string folder = std::filesystem::absolute(workdir).lexically_normal().string();
    probe.currentDirectory = [folder] { return folder; };
    vedra::ui::ForwardingHost host;
    vedra::app::Workspace workspace(host, probe);
    if (workspace.PrepareWorkspace() < 0)
        return 1;
    workspace.LanguageIndex = 1;
    workspace.OpenCatalogueAtStart();
    workspace.InitialiseSession();
    vedra::ui::CScovaroDlg dialog(workspace);
    // Questions are answered No, OK otherwise.
    auto answer = [](const std::string&, vedra::app::MessageButtons buttons) {
        return buttons == vedra::app::MessageButtons::YesNo || buttons == vedra::app::MessageButtons::YesNoCancel
                   ? vedra::app::MessageAnswer::No
                   : vedra::app::MessageAnswer::Ok;
    };
    dialog.setMessageResponder(answer);
    host.setMessageResponder(answer);
    host.setTarget(&dialog);
    dialog.initialise();
    dialog.resize(1000, 700);
    dialog.show();
    QApplication::processEvents();
    workspace.SearchTarget = vedra::app::SearchTarget::Archive;
    vedra::ui::ResultListModel& model = *dialog.resultModel();

    QElapsedTimer clock;
    double firstScreen = -1;
    QObject::connect(&model, &QAbstractItemModel::modelReset, [&] {
        if (firstScreen < 0 && model.rowCount() >= kScreenRows) {
            readScreen(model, kScreenRows);
            firstScreen = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        }
    });

    std::vector<double> all;
    bool complete = true;
    std::printf("%-14s %9s %9s %9s %9s\n", "query", "first med", "first max", "whole med", "rows");
    for (const std::string& word : words) {
        std::vector<double> first, whole;
        std::size_t rows = 0;
        for (int run = -1; run < runs; ++run) {
            // An empty list first, as "Clean from list" leaves it: the rows counted are
            // the new search's, and no question stands between the words and the walk.
            dialog.session().results().clear();
            model.reload();
            QApplication::processEvents();
            firstScreen = -1;
            clock.start();
            dialog.StartSearch(word);
            if (firstScreen < 0) {
                // Fewer rows than a screen: they show when the search ends.
                readScreen(model, std::min(model.rowCount(), kScreenRows));
                firstScreen = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            }
            const double end = static_cast<double>(clock.nsecsElapsed()) / 1e6;
            rows = dialog.session().results().size();
            complete = complete && static_cast<std::size_t>(model.rowCount()) == rows;
            if (run < 0)
                continue;  // the first run brings the archive into the page cache
            first.push_back(firstScreen);
            whole.push_back(end);
            all.push_back(firstScreen);
        }
        std::printf("%-14s %9.2f %9.2f %9.2f %9zu\n", word.c_str(), nearestRank(first, 0.5),
                    nearestRank(first, 1.0), nearestRank(whole, 0.5), rows);
    }
    std::printf("first screen over all %zu searches: median %.2f ms, p99 %.2f ms%s\n", all.size(),
                nearestRank(all, 0.5), nearestRank(all, 0.99), complete ? "" : "; LIST INCOMPLETE");
    return complete ? 0 : 1;
}
