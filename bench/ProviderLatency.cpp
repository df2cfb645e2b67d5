// The desktop search box's wait: the time from a question to vedra-search-provider
// on the session bus until its answer is back, measured in one client process so
// that no process start is counted. Per query: GNOME Shell's first results
// (GetInitialResultSet, then GetResultMetas of the first five ids, which is what
// the shell needs before it draws a row), and KRunner's Match.
//   vedra_provider_latency ROUNDS QUERY...
// Prints one line per kind: median and 90th percentile (nearest rank) in ms over
// every run of every query, and the rows the first query gave.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const QString kService = QStringLiteral("org.vedrareader.SearchProvider");

QDBusMessage call(const QString& path, const QString& interface, const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, 60000);
}

double percentile(std::vector<double> values, double rank)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(std::ceil(rank * static_cast<double>(values.size()))) - 1;
    return values[std::min(index, values.size() - 1)];
}

double millisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vedra_provider_latency ROUNDS QUERY...\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    QStringList queries;
    for (int i = 2; i < argc; ++i)
        queries << QString::fromLocal8Bit(argv[i]);
    // The first question starts the provider and opens the archive: timed apart.
    auto start = std::chrono::steady_clock::now();
    QDBusMessage first = call(QStringLiteral("/org/vedrareader/SearchProvider"),
                              QStringLiteral("org.gnome.Shell.SearchProvider2"), QStringLiteral("GetInitialResultSet"),
                              {QStringList{QStringLiteral("zzzunfound")}});
    const double startMs = millisecondsSince(start);
    if (first.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "no answer: %s\n", qPrintable(first.errorMessage()));
        return 1;
    }
    std::printf("first question (bus start, archive opened): %.1f ms\n", startMs);

    std::vector<double> gnome;
    std::vector<double> runner;
    std::vector<int> gnomeRows(queries.size(), 0);
    for (int round = 0; round < rounds; ++round) {
        for (qsizetype q = 0; q < queries.size(); ++q) {
            const QStringList terms = queries[q].split(QLatin1Char(' '), Qt::SkipEmptyParts);
            start = std::chrono::steady_clock::now();
            QDBusMessage ids = call(QStringLiteral("/org/vedrareader/SearchProvider"),
                                    QStringLiteral("org.gnome.Shell.SearchProvider2"),
                                    QStringLiteral("GetInitialResultSet"), {terms});
            const QStringList found = ids.arguments().value(0).toStringList();
            if (!found.isEmpty())
                call(QStringLiteral("/org/vedrareader/SearchProvider"), QStringLiteral("org.gnome.Shell.SearchProvider2"),
                     QStringLiteral("GetResultMetas"), {QStringList(found.mid(0, 5))});
            gnome.push_back(millisecondsSince(start));
            gnomeRows[q] = static_cast<int>(found.size());

            start = std::chrono::steady_clock::now();
            QDBusMessage matches = call(QStringLiteral("/org/vedrareader/KRunner"), QStringLiteral("org.kde.krunner1"),
                                        QStringLiteral("Match"), {queries[q]});
            runner.push_back(millisecondsSince(start));
            if (matches.type() != QDBusMessage::ReplyMessage) {
                std::fprintf(stderr, "Match failed: %s\n", qPrintable(matches.errorMessage()));
                return 1;
            }
        }
    }
    std::printf("%-44s %8s %8s %6s\n", "kind", "median", "p90", "runs");
    std::printf("%-44s %8.1f %8.1f %6zu\n", "GNOME: GetInitialResultSet + GetResultMetas", percentile(gnome, 0.5),
                percentile(gnome, 0.9), gnome.size());
    std::printf("%-44s %8.1f %8.1f %6zu\n", "KRunner: Match", percentile(runner, 0.5), percentile(runner, 0.9),
                runner.size());
    std::printf("rows given (of at most 20):");
    for (qsizetype q = 0; q < queries.size(); ++q)
        std::printf(" %s=%d", qPrintable(queries[q]), gnomeRows[q]);
    std::printf("\n");
    return 0;
}
