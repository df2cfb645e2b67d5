// PDFs converted ahead of the walk: the archive must hold exactly the bytes of a
// run that converts each PDF when it reaches it, whatever the converters do (end
// out of order, fail, hang, get stopped), and nothing of theirs may outlive the run.
#include "core/indexing/IndexingRun.h"

#include "core/archive/ArchiveStore.h"
#include "support/ArchiveFixture.h"
#include "support/DocumentFixtures.h"
#include "support/ProcessEnds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::setModifiedTime;
using testing::readFile;
using testing::writeFile;

constexpr const char* kPdfRoots = "alpha beta gamma delta paper chapter text hello vedra slow broken empty";

void writeScript(const fs::path& file, const std::string& body)
{
    writeFile(file, "#!/bin/sh\n" + body);
    ::chmod(file.c_str(), 0755);
}

// Every file of a folder, by name, with its bytes.
std::map<std::string, std::string> folderFiles(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path().filename().string()] = readFile(entry.path());
    return files;
}

// Everything left below a folder, as paths relative to it.
std::set<std::string> everythingBelow(const fs::path& folder)
{
    std::set<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        found.insert(fs::relative(entry.path(), folder).string());
    return found;
}

// One archive in a working folder of its own, indexing a tree shared with others.
struct Indexer {
    explicit Indexer(const std::string& converter)
    {
        fx.workspace->PdfToTextCommand = "\"" + converter + "\"";
        fx.openForIndexing();
        WordExtractor roots(*fx.workspace, *fx.store);
        roots.LoadRoots(kPdfRoots, std::strlen(kPdfRoots));
        fx.store->close();
    }

    void index(const fs::path& tree, std::size_t converters)
    {
        ASSERT_TRUE(fx.openForIndexing(fx.workspace->cacheSizes()));
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun run(*fx.workspace, *fx.store, lists);
        run.options().pdfConverters = converters;
        run.setResultRowSink([this](const std::string& row, std::uint64_t) { rows.push_back(row); });
        run.RunIndexing(tree.string() + "/", RunMode::Normal);
        ASSERT_TRUE(fx.store->close());
    }

    std::map<std::string, std::string> archive() const { return folderFiles(fx.workspace->ArchiveFolder); }
    fs::path temporary() const { return fs::path(fx.workspace->WorkingFolder) / "vedratemp"; }

    testing::ArchiveFixture fx;
    std::vector<std::string> rows;
};

class PdfConvertersTest : public ::testing::Test {
protected:
    testing::TempFolder scratch;
    fs::path tree = scratch.path() / "tree";
    fs::path bin = scratch.path() / "bin";
    fs::path log = scratch.path() / "log";

    void SetUp() override { fs::create_directories(bin); }

    fs::path pdf(const std::string& relative, const std::string& words)
    {
        fs::path file = tree / relative;
        writeFile(file, testing::minimalPdf({words}));
        setModifiedTime(file, 1700000000);
        return file;
    }

    // The converter the runs use: records how many of it run at once, then does
    // what the PDF's name asks.
    fs::path converter(const std::string& extra = {})
    {
        fs::path script = bin / "pdftotext";
        fs::create_directories(scratch.path() / "running");
        writeScript(script, "running='" + (scratch.path() / "running").string() + "'\n"
                            "touch \"$running/$$\"\n"
                            "echo \"$(ls \"$running\" | wc -l) $3\" >> '" + log.string() + "'\n"
                            "sleep 0.05\n" + extra +
                            "case \"$3\" in\n"
                            "  *broken*) rm -f \"$running/$$\"; exit 1 ;;\n"
                            "  *empty*) : > \"$4\"; rm -f \"$running/$$\"; exit 0 ;;\n"
                            "esac\n"
                            "/usr/bin/pdftotext \"$@\"; status=$?\n"
                            "rm -f \"$running/$$\"\n"
                            "exit $status\n");
        return script;
    }

    // The most converters the log saw running together, and the PDFs they got.
    int mostAtOnce() const
    {
        int most = 0;
        for (const auto& [count, path] : logLines())
            most = std::max(most, count);
        return most;
    }
    std::multiset<std::string> converted() const
    {
        std::multiset<std::string> paths;
        for (const auto& [count, path] : logLines())
            paths.insert(path);
        return paths;
    }
    std::vector<std::pair<int, std::string>> logLines() const
    {
        std::vector<std::pair<int, std::string>> lines;
        std::string text = readFile(log);
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = std::min(text.find('\n', at), text.size());
            std::string line = text.substr(at, end - at);
            std::size_t blank = line.find(' ');
            if (blank != std::string::npos)
                lines.emplace_back(std::atoi(line.c_str()), line.substr(blank + 1));
            at = end + 1;
        }
        return lines;
    }
};

TEST_F(PdfConvertersTest, AheadAndOneAtATimeWriteTheSameArchive)
{
    for (int i = 0; i < 12; ++i)
        pdf("part" + std::to_string(i % 3) + "/sub" + std::to_string(i % 2) + "/paper" + std::to_string(i) + ".pdf",
            "paper chapter alpha" + std::string(i % 2 ? " beta" : " gamma") + " text" + std::to_string(i));
    pdf("paper-top.pdf", "hello vedra delta");
    writeFile(tree / "part1/notes.txt", "alpha beta gamma text");
    writeFile(tree / "part2/sub0/readme", "delta hello");
    // Excluded folders are not walked: their PDFs must not be converted ahead either.
    pdf("part0/debug/hidden.pdf", "hidden words");
    fs::path script = converter();

    Indexer once(script.string());
    once.index(tree, 0);
    EXPECT_EQ(mostAtOnce(), 1) << "one at a time";
    std::multiset<std::string> onceConverted = converted();
    EXPECT_EQ(onceConverted.size(), 13u);
    fs::remove(log);
    Indexer ahead(script.string());
    ahead.index(tree, 3);
    EXPECT_GE(mostAtOnce(), 2) << "the converters ran side by side";
    EXPECT_LE(mostAtOnce(), 3) << "never more than allowed";
    EXPECT_EQ(converted(), onceConverted) << "the same PDFs converted, each once";
    EXPECT_EQ(readFile(log).find("hidden"), std::string::npos);
    EXPECT_EQ(ahead.archive(), once.archive());
    EXPECT_TRUE(everythingBelow(ahead.temporary()).empty());
    EXPECT_TRUE(ahead.rows.empty());

    // A second run: one PDF changed, one new, the rest unchanged and not converted again.
    fs::path changed = tree / "part1/sub1/paper1.pdf";
    writeFile(changed, testing::minimalPdf({"paper delta empty words now"}));
    setModifiedTime(changed, 1700100000);
    pdf("part2/sub1/paper-new.pdf", "hello beta chapter");
    fs::remove(log);
    once.index(tree, 0);
    onceConverted = converted();
    EXPECT_EQ(onceConverted, (std::multiset<std::string>{changed.string(), (tree / "part2/sub1/paper-new.pdf").string()}))
        << "unchanged PDFs are not converted again";
    fs::remove(log);
    ahead.index(tree, 3);
    EXPECT_EQ(converted(), onceConverted);
    EXPECT_EQ(ahead.archive(), once.archive());
    EXPECT_TRUE(everythingBelow(ahead.temporary()).empty());
}

TEST_F(PdfConvertersTest, FailingEmptyAndSlowConvertersAmongGoodOnes)
{
    // paper1 holds its converter until the walk has waited for it a while; the
    // converters behind it go on meanwhile.
    fs::path gate = scratch.path() / "gate";
    for (const char* name : {"a/paper0.pdf", "a/paper1-slow.pdf", "a/paper2-broken.pdf", "a/paper3.pdf",
                             "b/paper4-empty.pdf", "b/paper5.pdf", "c/paper6.pdf"})
        pdf(name, std::string("paper text ") + name);
    fs::path script =
        converter("case \"$3\" in *slow*) while [ ! -e '" + gate.string() + "' ]; do sleep 0.01; done ;; esac\n");

    std::string seenWhileHeld;
    auto openGateLater = [&](Indexer& indexer) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        indexer.fx.host.setOnDrain([&, deadline, this](int) {
            if (fs::exists(gate))
                return;
            // Everything after the slow one that can be converted meanwhile is.
            std::string text = readFile(log);
            bool behind = text.find("paper3.pdf") != std::string::npos && text.find("paper4") != std::string::npos;
            if (behind || std::chrono::steady_clock::now() > deadline) {
                seenWhileHeld = text;
                writeFile(gate, "open");
            }
        });
    };
    Indexer once(script.string());
    // One at a time nothing can run behind the slow converter: open the gate at once.
    writeFile(gate, "open");
    once.index(tree, 0);
    fs::remove(gate);
    fs::remove(log);

    Indexer ahead(script.string());
    openGateLater(ahead);
    ahead.index(tree, 2);
    EXPECT_NE(seenWhileHeld.find("paper3.pdf"), std::string::npos) << "converted behind the slow one";
    EXPECT_EQ(ahead.archive(), once.archive());
    EXPECT_EQ(ahead.rows, once.rows);
    EXPECT_TRUE(everythingBelow(ahead.temporary()).empty());
    EXPECT_EQ(ahead.fx.workspace->BreakCode, app::StopCode::None);
}

// A converter that hangs is ended at its time limit, ahead or one at a time; the
// run goes on, lists the PDF and indexes the others alike.
TEST_F(PdfConvertersTest, ConverterPastItsTimeLimitIsEndedAndItsPdfListed)
{
    for (const char* name : {"a/paper0.pdf", "a/paper1-hang.pdf", "a/paper2.pdf", "b/paper3.pdf"})
        pdf(name, std::string("paper text ") + name);
    fs::path script = converter("case \"$3\" in *hang*) echo partial > \"$4\"; trap '' TERM; exec /bin/sleep 30 ;; esac\n");
    std::vector<std::string> expectedRows{"ERRORE in DECOMPATTAZIONE pdf " + (tree / "a/paper1-hang.pdf").string()};
    std::map<std::string, std::string> firstArchive;
    for (std::size_t converters : {std::size_t{0}, std::size_t{2}}) {
        Indexer indexer(script.string());
        indexer.fx.workspace->OutsideProgramTime = std::chrono::seconds(1);
        auto started = std::chrono::steady_clock::now();
        indexer.index(tree, converters);
        auto took = std::chrono::steady_clock::now() - started;
        EXPECT_LT(took, std::chrono::seconds(6)) << converters << " converters";
        EXPECT_EQ(indexer.rows, expectedRows) << converters << " converters";
        EXPECT_EQ(indexer.fx.workspace->BreakCode, app::StopCode::None);
        EXPECT_TRUE(everythingBelow(indexer.temporary()).empty()) << "the partial text stayed";
        if (firstArchive.empty())
            firstArchive = indexer.archive();
        else
            EXPECT_EQ(indexer.archive(), firstArchive) << "ahead and one at a time differ";
    }
    siginfo_t info{};
    EXPECT_FALSE(::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0) << "a zombie";
}

TEST_F(PdfConvertersTest, BreakWhileConvertingEndsEveryConverterAndLeavesNoFile)
{
    for (int i = 0; i < 8; ++i)
        pdf("f" + std::to_string(i % 2) + "/paper" + std::to_string(i) + ".pdf", "paper text");
    // Every converter hangs after writing a piece of its output and its process id.
    auto hanging = [this](const std::string& name) {
        fs::path pids = scratch.path() / (name + "-pids");
        fs::create_directories(pids);
        fs::path script = bin / name;
        writeScript(script, "echo partial > \"$4\"\necho $$ > '" + pids.string() + "'/$$\nexec /bin/sleep 30\n");
        return std::make_pair(script, pids);
    };
    auto count = [](const fs::path& folder) {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    };
    // Break while the walk waits for the text of its first PDF, once `wanted`
    // converters are up (or after a while, so that a fault cannot hang the test).
    auto breakWhen = [&](Indexer& indexer, const fs::path& pids, std::size_t wanted) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        indexer.fx.host.setOnDrain([&indexer, pids, wanted, deadline, count](int) {
            bool waiting = indexer.fx.host.title().find("paper0.pdf") != std::string::npos && count(pids) >= wanted;
            if (waiting || std::chrono::steady_clock::now() > deadline)
                indexer.fx.workspace->BreakCode = app::StopCode::Break;
        });
    };
    auto [aheadScript, aheadPids] = hanging("ahead-pdftotext");
    auto [onceScript, oncePids] = hanging("once-pdftotext");

    Indexer ahead(aheadScript.string());
    breakWhen(ahead, aheadPids, 3);
    auto started = std::chrono::steady_clock::now();
    ahead.index(tree, 3);
    auto took = std::chrono::steady_clock::now() - started;
    Indexer once(onceScript.string());
    breakWhen(once, oncePids, 1);
    once.index(tree, 0);

    std::vector<pid_t> converters;
    for (const auto& entry : fs::directory_iterator(aheadPids))
        converters.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
    ASSERT_EQ(converters.size(), 3u) << "three converters were running at the Break";
    for (pid_t pid : converters)
        EXPECT_TRUE(testing::processEnds(pid)) << pid;
    siginfo_t info{};
    EXPECT_FALSE(::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid != 0) << "a zombie";
    EXPECT_TRUE(everythingBelow(ahead.temporary()).empty());
    EXPECT_LT(took, std::chrono::seconds(10)) << "the Break did not wait for the converters";
    EXPECT_EQ(ahead.fx.workspace->BreakCode, app::StopCode::Break);
    EXPECT_EQ(ahead.archive(), once.archive()) << "stopped at the same point";

    // The next runs resume and finish alike; nothing of the stopped one stays.
    for (const fs::path& script : {aheadScript, onceScript})
        writeScript(script, "exec /usr/bin/pdftotext \"$@\"\n");
    for (Indexer* indexer : {&ahead, &once}) {
        indexer->fx.host.setOnDrain({});
        indexer->fx.workspace->BreakCode = app::StopCode::None;
    }
    ahead.index(tree, 3);
    once.index(tree, 0);
    EXPECT_EQ(ahead.archive(), once.archive());
    EXPECT_TRUE(everythingBelow(ahead.temporary()).empty());
}

TEST_F(PdfConvertersTest, FolderLeftByAKilledRunIsRemovedAndALiveOneKept)
{
    pdf("paper.pdf", "paper text");
    Indexer ahead(converter().string());
    // A process id that no longer exists: a child that ended and was reaped.
    pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    fs::path left = ahead.temporary() / ("pdf-" + std::to_string(dead) + "-AbCdEf");
    writeFile(left / "1.txt", "old text");
    fs::path live = ahead.temporary() / ("pdf-" + std::to_string(::getppid()) + "-AbCdEf");
    writeFile(live / "1.txt", "another run's text");
    fs::path user = ahead.temporary() / "pdf-notes";
    writeFile(user / "mine.txt", "not the program's");

    ahead.index(tree, 2);
    EXPECT_FALSE(fs::exists(left));
    EXPECT_EQ(readFile(live / "1.txt"), "another run's text");
    EXPECT_EQ(readFile(user / "mine.txt"), "not the program's");
}

} // namespace
} // namespace vedra::indexing
