// The disk scan over real folder trees in a temporary folder: listing order,
// what is left out, the work file, Break and Escape, and the program locator.
#include "core/indexing/DiskScan.h"

#include "core/app/SystemProbe.h"
#include "core/indexing/ArchiveLists.h"
#include "support/ArchiveFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <unistd.h>
#include <utility>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::ArchiveFixture;
using testing::writeExecutable;
using testing::writeFile;
using Listed = std::vector<std::pair<std::string, std::uint64_t>>;
using Names = std::vector<std::string>;

class DiskScanTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(lists.load(*fx.store));
        root = fx.folder.slash() + "tree/";
        fs::create_directories(root);
        // Every case relies on the random temporary path holding no excluded fragment.
        ASSERT_FALSE(lists.IsFolderExcluded(root)) << root;
    }

    // A List scan from `start` that records what is reported.
    DiskScanResult list(DiskScanOptions options)
    {
        options.onFile = [this](const std::string& path, std::uint64_t size) { files.emplace_back(path, size); };
        options.onFolder = [this](const std::string& path) { folders.push_back(path); };
        DiskScan scan(*fx.workspace, lists);
        return scan.run(options);
    }

    DiskScanResult listFrom(const std::string& start)
    {
        DiskScanOptions options;
        options.start = start;
        return list(options);
    }

    Names fileNames() const
    {
        Names names;
        for (const auto& [path, size] : files)
            names.push_back(path.substr(root.size()));
        return names;
    }

    Names folderNames() const
    {
        Names names;
        for (const auto& path : folders)
            names.push_back(path.substr(root.size()));
        return names;
    }

    std::string workFile() const { return DiskScan::workFilePath(*fx.workspace); }

    ArchiveFixture fx{1};
    ArchiveLists lists;
    std::string root;
    Listed files;
    Names folders;
};

// ---- listing --------------------------------------------------------------------

TEST_F(DiskScanTest, ListsBreadthFirstInByteOrderSkippingDotNames)
{
    writeFile(root + "b.txt", "bb");
    writeFile(root + "a.txt", "a");
    writeFile(root + "C.txt", "CCC");
    writeFile(root + "readme", "12345");
    writeFile(root + "pic.jpg", "jpeg");  // counted, not listed: name only
    writeFile(root + ".hidden.txt", "h");
    writeFile(root + ".dotdir/in.txt", "d");
    writeFile(root + "sub2/x.txt", "x");
    writeFile(root + "sub1/y.txt", "y");
    writeFile(root + "sub1/deep/z.txt", "z");
    fs::create_directories(root + "sub1/empty");

    DiskScanOptions options;
    options.start = root;
    options.listFolders = true;
    DiskScanResult result = list(options);

    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(fileNames(), (Names{"C.txt", "a.txt", "b.txt", "readme", "sub1/y.txt", "sub2/x.txt", "sub1/deep/z.txt"}));
    EXPECT_EQ(files[0].second, 3u);
    EXPECT_EQ(files[3].second, 5u);
    EXPECT_EQ(folderNames(), (Names{"sub1/", "sub2/", "sub1/deep/", "sub1/empty/"}));
    EXPECT_EQ(result.folderCount, 4u);
    EXPECT_EQ(result.fileCount, 8u);
    EXPECT_FALSE(fs::exists(workFile()));
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);
}

TEST_F(DiskScanTest, ExcludedFoldersAreNeitherListedNorWalked)
{
    writeFile(root + "Template/t.txt", "t");  // path holds "temp"
    writeFile(root + "Debug/d.txt", "d");     // name is an entry
    writeFile(root + "debugger/g.txt", "g");  // name is not, path holds "debug"
    writeFile(root + "Release/r.txt", "r");
    writeFile(root + "keep/k.txt", "k");
    writeFile(root + "keep/temporary/q.txt", "q");

    DiskScanOptions options;
    options.start = root;
    options.listFolders = true;
    DiskScanResult result = list(options);

    EXPECT_EQ(fileNames(), Names{"keep/k.txt"});
    EXPECT_EQ(folderNames(), Names{"keep/"});
    EXPECT_EQ(result.folderCount, 1u);
}

TEST_F(DiskScanTest, TheStartFolderIsWalkedEvenWhenItsPathIsExcluded)
{
    const std::string start = root + "Template/";
    writeFile(start + "t.txt", "t");
    writeFile(start + "inner/i.txt", "i");
    listFrom(start);
    // The folder tests apply to the sub-folders a walk finds: inner's path holds "temp".
    EXPECT_EQ(fileNames(), Names{"Template/t.txt"});
}

TEST_F(DiskScanTest, FilesAreTestedForTextAndFolderFiltersOnlyWhenListed)
{
    writeFile(root + "page.html", "h");
    writeFile(root + "main.c", "c");
    writeFile(root + "arrow.cur", "c");
    writeFile(root + "bundle.zip", "z");
    writeFile(root + "paper.pdf", "p");
    writeFile(root + "notes.txt", "n");

    listFrom(root);
    EXPECT_EQ(fileNames(), (Names{"main.c", "notes.txt", "page.html", "paper.pdf"}));

    files.clear();
    DiskScanOptions during;
    during.start = root;
    during.runMode = 5;
    list(during);
    EXPECT_EQ(fileNames(), (Names{"main.c", "notes.txt", "page.html"}));

    files.clear();
    folders.clear();
    DiskScanOptions foldersOnly;
    foldersOnly.start = root;
    foldersOnly.listFiles = false;
    foldersOnly.listFolders = true;
    fs::create_directories(root + "sub");
    DiskScanResult result = list(foldersOnly);
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(folderNames(), Names{"sub/"});
    EXPECT_EQ(result.fileCount, 6u);
}

TEST_F(DiskScanTest, FileAndFolderFiltersNarrowTheList)
{
    writeFile(root + "report1.txt", "r");
    writeFile(root + "photo.jpg", "p");
    writeFile(root + "projects/report2.jpg", "r");
    writeFile(root + "projects/notes.txt", "n");
    writeFile(root + "projects/deep/report3.txt", "r");
    writeFile(root + "music/report4.txt", "r");

    DiskScanOptions options;
    options.start = root;
    options.listFolders = true;
    options.fileFilter = PatternFilter{{"report"}};
    options.folderFilter = PatternFilter{{"projects"}};
    list(options);

    // The start folder's files fail the folder filter; music is not added.
    EXPECT_EQ(fileNames(), (Names{"projects/report2.jpg", "projects/deep/report3.txt"}));
    EXPECT_EQ(folderNames(), (Names{"projects/", "projects/deep/"}));
}

TEST_F(DiskScanTest, AMaskPicksFilesButEverySubfolderIsWalked)
{
    writeFile(root + "a.txt", "a");
    writeFile(root + "b.doc", "b");
    writeFile(root + "sub/c.TXT", "c");
    writeFile(root + "sub/d.doc", "d");

    DiskScanResult result = listFrom(root + "*.txt");
    EXPECT_EQ(fileNames(), (Names{"a.txt", "sub/c.TXT"}));
    EXPECT_EQ(result.fileCount, 2u);

    files.clear();
    listFrom(root + "sub/d.doc");
    EXPECT_EQ(fileNames(), Names{"sub/d.doc"});
}

TEST_F(DiskScanTest, LinksToFoldersAreNotFollowedAndLinksToFilesAreListed)
{
    writeFile(root + "a.txt", "aaaa");
    fs::create_directory_symlink(root, root + "loop");
    fs::create_symlink(root + "a.txt", root + "link.txt");
    fs::create_symlink(root + "missing.txt", root + "dangling.txt");
    ASSERT_EQ(::mkfifo((root + "pipe.txt").c_str(), 0600), 0);

    DiskScanResult result = listFrom(root);
    EXPECT_TRUE(result.completed);
    ASSERT_EQ(fileNames(), (Names{"a.txt", "link.txt"}));
    EXPECT_EQ(files[1].second, 4u);
    EXPECT_EQ(result.folderCount, 0u);
}

TEST_F(DiskScanTest, KernelTreesAreNeverWalked)
{
    DiskScanResult result = listFrom("/proc/");
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.fileCount, 0u);
    EXPECT_TRUE(files.empty());
}

TEST_F(DiskScanTest, AMissingStartFolderListsNothing)
{
    DiskScanResult result = listFrom(root + "absent/");
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.completed);
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(fs::exists(workFile()));
}

// ---- files that cannot be read ------------------------------------------------------

TEST_F(DiskScanTest, WithATextSearchUnreadableFilesAreListedWithTheirSuffix)
{
    writeFile(root + "broken.txt", "bb");
    writeFile(root + "locked.txt", "lll");
    writeFile(root + "match.txt", "m");
    writeFile(root + "nomatch.txt", "n");

    Names asked;
    DiskScanOptions options;
    options.start = root;
    options.checkAccess = [](const std::string& path) {
        if (path.ends_with("/broken.txt"))
            return FileAccess::CannotRead;
        if (path.ends_with("/locked.txt"))
            return FileAccess::CannotOpen;
        return FileAccess::Readable;
    };
    options.acceptFile = [&](const std::string& path) {
        asked.push_back(path.substr(root.size()));
        return path.find("nomatch") == std::string::npos;
    };
    list(options);

    EXPECT_EQ(fileNames(),
              (Names{"broken.txt IMPOSSIBILE LEGGERE I DATI", "locked.txt IMPOSSIBILE APRIRE", "match.txt"}));
    EXPECT_EQ(files[0].second, 2u);
    EXPECT_EQ(files[1].second, 3u);
    EXPECT_EQ(asked, (Names{"match.txt", "nomatch.txt"}));
}

TEST_F(DiskScanTest, AFileThatVanishesDuringTheScanCannotBeOpened)
{
    writeFile(root + "a.txt", "a");
    writeFile(root + "b.txt", "bb");
    writeFile(root + "c.txt", "c");
    DiskScanOptions options;
    options.start = root;
    // Deleted after the folder was read, as a temporary file of another program is.
    options.acceptFile = [&](const std::string& path) {
        if (path.ends_with("/a.txt"))
            fs::remove(root + "b.txt");
        return true;
    };
    list(options);
    EXPECT_EQ(fileNames(), (Names{"a.txt", "b.txt IMPOSSIBILE APRIRE", "c.txt"}));
    EXPECT_EQ(files[1].second, 2u);
}

TEST_F(DiskScanTest, WithoutATextSearchNoFileIsOpened)
{
    writeFile(root + "a.txt", "a");
    int checks = 0;
    DiskScanOptions options;
    options.start = root;
    options.checkAccess = [&](const std::string&) {
        ++checks;
        return FileAccess::CannotOpen;
    };
    list(options);
    EXPECT_EQ(fileNames(), Names{"a.txt"});
    EXPECT_EQ(checks, 0);
}

// ---- the work file ---------------------------------------------------------------

TEST_F(DiskScanTest, TheWorkFileQueuesFoldersAndGoesAwayAtTheEnd)
{
    writeFile(root + "a.txt", "a");
    writeFile(root + "sub/b.txt", "b");
    // A stale queue from an earlier scan is emptied, not walked.
    writeFile(workFile(), std::string("/nonexistent/\0", 14));

    std::string seen;
    DiskScanOptions options;
    options.start = root;
    options.onFile = [&](const std::string& path, std::uint64_t) {
        if (path.ends_with("b.txt"))
            seen = testing::readFile(workFile());
    };
    DiskScan scan(*fx.workspace, lists);
    DiskScanResult result = scan.run(options);

    EXPECT_TRUE(result.completed);
    EXPECT_EQ(seen, root + '\0' + root + "sub/" + '\0');
    EXPECT_FALSE(fs::exists(workFile()));
}

TEST_F(DiskScanTest, TheWorkFileLiesInTheRedirectFolderWhenOneIsUsed)
{
    const std::string redirect = fx.folder.slash() + "home/C_TEST_1_rep/";
    fs::create_directories(redirect);
    fx.workspace->RedirectFolder = redirect;
    ASSERT_EQ(workFile(), redirect + "CartelleRicerca.vedra");
    writeFile(root + "a.txt", "a");

    bool inRedirect = false;
    bool inWorking = true;
    DiskScanOptions options;
    options.start = root;
    options.onFile = [&](const std::string&, std::uint64_t) {
        inRedirect = fs::exists(redirect + "CartelleRicerca.vedra");
        inWorking = fs::exists(fx.workspace->WorkingFolder + "CartelleRicerca.vedra");
    };
    DiskScan(*fx.workspace, lists).run(options);

    EXPECT_TRUE(inRedirect);
    EXPECT_FALSE(inWorking);
    EXPECT_FALSE(fs::exists(redirect + "CartelleRicerca.vedra"));
}

TEST_F(DiskScanTest, NoWorkFileMeansNoScan)
{
    writeFile(root + "a.txt", "a");
    fx.workspace->RedirectFolder = fx.folder.slash() + "no/such/folder/";
    DiskScanResult result = listFrom(root);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.completed);
    EXPECT_TRUE(files.empty());
}

TEST_F(DiskScanTest, LongPathsRoundTripThroughTheWorkFile)
{
    // Folder paths longer than one 512-byte read of the queue.
    std::string deep = root;
    for (int i = 0; i < 6; ++i)
        deep += std::string(120, static_cast<char>('a' + i)) + "/";
    ASSERT_GT(deep.size(), 700u);
    writeFile(deep + "far.txt", "f");
    writeFile(root + "near.txt", "n");

    DiskScanResult result = listFrom(root);
    EXPECT_TRUE(result.completed);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].first, deep + "far.txt");
    EXPECT_EQ(result.folderCount, 6u);
}

// ---- stopping -------------------------------------------------------------------

TEST_F(DiskScanTest, BreakStopsTheScanAndTheWorkFileIsStillDeleted)
{
    for (int i = 0; i < 20; ++i)
        writeFile(root + "f" + std::to_string(10 + i) + ".txt", "x");
    writeFile(root + "sub/later.txt", "x");
    fx.host.setOnDrain([&](int count) {
        if (count == 5)
            fx.workspace->BreakCode = app::StopCode::Suspend;
    });

    DiskScanResult result = listFrom(root);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(fileNames(), (Names{"f10.txt", "f11.txt", "f12.txt", "f13.txt"}));
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Suspend);
    EXPECT_FALSE(fs::exists(workFile()));
}

TEST_F(DiskScanTest, EscapeConfirmedStopsTheScan)
{
    writeFile(root + "a.txt", "a");
    writeFile(root + "b.txt", "b");
    fx.host.pressEscape();

    DiskScanResult result = listFrom(root);
    EXPECT_FALSE(result.completed);
    EXPECT_TRUE(files.empty());
    ASSERT_EQ(fx.host.messages().size(), 1u);
    EXPECT_EQ(fx.host.messages()[0].buttons, app::MessageButtons::OkCancel);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Suspend);
    EXPECT_FALSE(fs::exists(workFile()));
}

TEST_F(DiskScanTest, EscapeCancelledLetsTheScanFinish)
{
    writeFile(root + "a.txt", "a");
    writeFile(root + "b.txt", "b");
    fx.host.queueAnswer(app::MessageAnswer::Cancel);
    fx.host.pressEscape();

    DiskScanResult result = listFrom(root);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(fileNames(), (Names{"a.txt", "b.txt"}));
    EXPECT_EQ(fx.host.messages().size(), 1u);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);
}

TEST_F(DiskScanTest, AScanBegunWithBreakSetWalksNothing)
{
    writeFile(root + "a.txt", "a");
    fx.workspace->BreakCode = app::StopCode::Suspend;
    DiskScanResult result = listFrom(root);
    EXPECT_FALSE(result.completed);
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Suspend);
    EXPECT_FALSE(fs::exists(workFile()));
}

// ---- locating a program ----------------------------------------------------------------

class DiskScanLocate : public DiskScanTest {
protected:
    void SetUp() override
    {
        DiskScanTest::SetUp();
        std::string lowered = app::lowerAscii(root);
        ASSERT_EQ(lowered.find("pack"), std::string::npos);
        ASSERT_EQ(lowered.find("uninst"), std::string::npos);
        ASSERT_EQ(lowered.find('$'), std::string::npos);
    }

    DiskScanResult locate(const std::string& program, const std::string& fileToOpen = {})
    {
        DiskScanOptions options;
        options.start = root;
        options.mode = DiskScanMode::LocateProgram;
        options.programName = program;
        options.fileToOpen = fileToOpen;
        options.onFile = [this](const std::string& path, std::uint64_t size) { files.emplace_back(path, size); };
        return DiskScan(*fx.workspace, lists).run(options);
    }
};

TEST_F(DiskScanLocate, TakesTheFirstExecutableWithTheExactNameOutsideSkippedPaths)
{
    // Breadth first, every decoy below is met before the real one.
    writeExecutable(root + "a$dir/7z");
    writeExecutable(root + "docs/7Z");
    writeExecutable(root + "docs/7za");
    writeFile(root + "docs/7z", "not executable");
    writeFile(root + "docs/7z.txt", "text");
    writeExecutable(root + "packages/7z");
    writeExecutable(root + "Uninstall/7z");
    writeExecutable(root + "zz/bin/7z");
    writeExecutable(root + "zz/bin/zzz/7z");

    DiskScanResult result = locate("7z");
    EXPECT_EQ(result.foundProgram, root + "zz/bin/7z");
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);  // a found program is not a stop request
    EXPECT_TRUE(fx.host.messages().empty());
    EXPECT_TRUE(files.empty());
    EXPECT_FALSE(fs::exists(workFile()));
}

TEST_F(DiskScanLocate, NothingFoundWalksTheWholeTree)
{
    writeExecutable(root + "bin/7za");
    writeExecutable(root + "uninst/7z");
    DiskScanResult result = locate("7z");
    EXPECT_TRUE(result.foundProgram.empty());
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.fileCount, 2u);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);
}

TEST_F(DiskScanLocate, AWaitingFileAsksForEachHitAndNoGoesOn)
{
    writeExecutable(root + "bin/pdftotext");
    writeExecutable(root + "zz/pdftotext");
    const std::string document = "/home/u/paper.pdf";
    fx.host.queueAnswer(app::MessageAnswer::No);
    fx.host.queueAnswer(app::MessageAnswer::Yes);

    DiskScanResult result = locate("pdftotext", document);
    EXPECT_EQ(result.foundProgram, root + "zz/pdftotext");
    ASSERT_EQ(fx.host.messages().size(), 2u);
    for (const auto& message : fx.host.messages()) {
        EXPECT_EQ(message.buttons, app::MessageButtons::YesNo);
        EXPECT_NE(message.text.find(document), std::string::npos) << message.text;
    }
    EXPECT_NE(fx.host.messages()[0].text.find(root + "bin/pdftotext"), std::string::npos);
    EXPECT_NE(fx.host.messages()[1].text.find(root + "zz/pdftotext"), std::string::npos);
    EXPECT_LT(fx.host.messages()[0].text.find(document), fx.host.messages()[0].text.find(root + "bin/"));
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::None);
}

TEST_F(DiskScanLocate, EveryHitRefusedFindsNothing)
{
    writeExecutable(root + "bin/pdftotext");
    fx.host.setAcceptByDefault(false);
    DiskScanResult result = locate("pdftotext", "/home/u/paper.pdf");
    EXPECT_TRUE(result.foundProgram.empty());
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(fx.host.messages().size(), 1u);
}

TEST_F(DiskScanLocate, EscapeDuringTheSearchStaysABreak)
{
    writeExecutable(root + "zz/7z");
    fx.host.pressEscape();
    DiskScanResult result = locate("7z");
    EXPECT_TRUE(result.foundProgram.empty());
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Suspend);
}


// ---- files screened by worker threads ---------------------------------------------

class DiskScanScreened : public DiskScanTest {
protected:
    // A tree of folders and files whose names say what the screen answers:
    // "no" rules a file out, "open"/"read" cannot be opened/read, others may hit.
    Names makeTree(int folders, int filesEach)
    {
        Names expected;
        for (int f = 0; f < folders; ++f) {
            std::string folder = "d" + std::to_string(100 + f) + "/";
            for (int i = 0; i < filesEach; ++i) {
                std::string kind = i % 5 == 1 ? "no" : i % 7 == 3 ? "open" : i % 11 == 4 ? "read" : "may";
                std::string name = folder + "f" + std::to_string(100 + i) + kind + ".txt";
                writeFile(root + name, "x");
                if (kind == "open")
                    expected.push_back(name + " IMPOSSIBILE APRIRE");
                else if (kind == "read")
                    expected.push_back(name + " IMPOSSIBILE LEGGERE I DATI");
                else if (kind == "may" && i % 2 == 0)
                    expected.push_back(name);  // acceptFile takes the even ones
            }
        }
        return expected;
    }

    DiskScanOptions screened(int threads)
    {
        DiskScanOptions options;
        options.start = root;
        options.screenThreads = threads;
        options.screenFile = [](const std::string& path) {
            // Uneven work, so that workers finish out of order.
            std::this_thread::sleep_for(std::chrono::microseconds(path.size() % 3 * 200));
            if (path.ends_with("no.txt"))
                return FileScreen::NoHit;
            if (path.ends_with("open.txt"))
                return FileScreen::CannotOpen;
            if (path.ends_with("read.txt"))
                return FileScreen::CannotRead;
            return FileScreen::MayHit;
        };
        options.acceptFile = [this](const std::string& path) {
            EXPECT_EQ(std::this_thread::get_id(), walker) << "acceptFile runs on the walking thread";
            EXPECT_TRUE(path.ends_with("may.txt")) << path;
            return std::stoi(path.substr(path.rfind('f') + 1, 3)) % 2 == 0;
        };
        return options;
    }

    std::thread::id walker = std::this_thread::get_id();
};

TEST_F(DiskScanScreened, RowsComeInTheWalksOrderWhateverWorkerFinishesFirst)
{
    // More files than the look-ahead window, spread over many small folders.
    Names expected = makeTree(12, 40);
    for (int threads : {1, 3}) {
        files.clear();
        DiskScanResult result = list(screened(threads));
        EXPECT_TRUE(result.completed);
        EXPECT_EQ(result.fileCount, 480u);
        EXPECT_EQ(fileNames(), expected) << threads << " threads";
    }
}

TEST_F(DiskScanScreened, ACheckAccessHookKeepsTheOldWalkOnOneThread)
{
    makeTree(1, 6);
    DiskScanOptions options = screened(2);
    std::atomic<int> screens = 0;
    options.screenFile = [&](const std::string&) {
        ++screens;
        return FileScreen::NoHit;
    };
    options.checkAccess = [](const std::string&) { return FileAccess::Readable; };
    options.acceptFile = [](const std::string&) { return true; };
    list(options);
    EXPECT_EQ(screens, 0);
    EXPECT_FALSE(files.empty());
}

TEST_F(DiskScanScreened, ABreakWhileAFileIsScreenedListsNothingAfterIt)
{
    makeTree(1, 30);
    fx.workspace->setPumpInterval(std::chrono::milliseconds(0));
    std::atomic<bool> holding = false;
    std::atomic<bool> released = false;
    DiskScanOptions options = screened(2);
    auto plain = options.screenFile;
    options.screenFile = [&](const std::string& path) {
        if (path.ends_with("f109may.txt")) {
            holding = true;
            while (!released)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return plain(path);
    };
    Names asked;
    auto accept = options.acceptFile;
    options.acceptFile = [&](const std::string& path) {
        asked.push_back(path.substr(root.size()));
        return accept(path);
    };
    // The walk has listed what comes before the held file and waits for it,
    // pumping; the user breaks there.
    fx.host.setOnDrain([&](int) {
        if (holding && !released && !asked.empty() && asked.back() == "d100/f108may.txt") {
            fx.workspace->BreakCode = app::StopCode::Break;
            released = true;
        }
    });
    list(options);
    EXPECT_EQ(fx.workspace->BreakCode, app::StopCode::Break);
    EXPECT_TRUE(released) << "the walk waited for the held file";
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back(), "d100/f108may.txt") << "nothing from the held file on was asked";
    EXPECT_EQ(fileNames(), (Names{"d100/f100may.txt", "d100/f102may.txt", "d100/f103open.txt IMPOSSIBILE APRIRE",
                                  "d100/f104read.txt IMPOSSIBILE LEGGERE I DATI", "d100/f108may.txt"}));
    EXPECT_FALSE(fs::exists(workFile()));
}

} // namespace
} // namespace vedra::indexing
