// libFuzzer entry: the archive search over a damaged archive. A small tree is
// indexed once; for each input its archive files are put back as they were, the
// bytes from the second on poke values into them (the scheme of the archive
// readers' target), and the first byte picks the query words. Then every kind of
// search runs: all words, any word, words OR, in the paths, all archives, direct on
// disk, and by file and folder name. Checked: an undamaged archive finds what the
// tree holds, and no document is listed twice by one search.
#include "FuzzCheck.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveCreator.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"
#include "core/search/PathList.h"
#include "core/search/ResultList.h"
#include "core/search/SearchRun.h"
#include "support/ArchiveFuzzBody.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

using vedra::fuzz::check;
namespace app = vedra::app;
namespace search = vedra::search;
namespace fs = std::filesystem;

// The first byte's bits pick among these; "zulu" has a root but no document, "al"
// is too short to be kept, "2012" is a number.
constexpr std::array<const char*, 8> kQueryWords = {"alpha", "bravo", "charlie", "delta",
                                                    "2012",  "echo",  "zulu",    "al"};

struct Setting {
    vedra::testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> workspace;
    fs::path tree;
    std::map<std::string, std::string> pristine;  // every archive file, by path

    Setting()
    {
        vedra::testing::writeFile(folder.path() / "Lemmi" / "Radici" / "RadiciParole.txt",
                                  "alpha bravo charlie delta echo zulu");
        workspace = std::make_unique<app::Workspace>(host, vedra::testing::testProbe(folder.path()));
        check(workspace->PrepareWorkspace() == 1);
        workspace->setPumpInterval(std::chrono::milliseconds(0));
        vedra::indexing::NewArchive request;
        request.name = "fuzz";
        request.announceEmpty = false;
        check(vedra::indexing::CreateArchive(*workspace, request).number == 1);

        tree = folder.path() / "tree";
        vedra::testing::writeFile(tree / "a.txt", "alpha bravo 2012\n");
        vedra::testing::writeFile(tree / "b.txt", "alpha charlie delta\n");
        vedra::testing::writeFile(tree / "sub" / "c.txt", "bravo delta echo alpha\n");
        vedra::testing::writeFile(tree / "sub" / "d.txt", "echo 2012 charlie\n");
        vedra::testing::writeFile(tree / "sub" / "deep" / "e.txt", "delta delta alpha echo bravo\n");
        vedra::archive::ArchiveStore& store = workspace->store();
        check(store.openForIndexing(workspace->cacheSizes()));
        vedra::indexing::ArchiveLists lists;
        lists.load(store);
        vedra::indexing::IndexingRun run(*workspace, store, lists);
        run.RunIndexing(tree.string() + "/", vedra::indexing::RunMode::Normal);
        check(store.close());
        // An index list, so that the path search has lines to match.
        vedra::testing::writeFile(workspace->ArchiveFolder + search::kPathListFileName,
                                  "x** alpha.pdf\r\ny**  bravo_delta.txt\r\nno mark\r\nz**\r\n");

        for (const auto& entry : fs::recursive_directory_iterator(workspace->ArchiveFolder))
            if (entry.is_regular_file())
                pristine[entry.path().string()] = vedra::testing::readFile(entry.path());
        check(!pristine.empty());
    }

    void restore()
    {
        for (const auto& [path, bytes] : pristine)
            vedra::testing::writeFile(path, bytes);
    }
};

Setting& setting()
{
    static Setting made;
    return made;
}

enum class Kind { AllWords, AnyWord, WordsOr, InThePath, AllArchives, OnDisk, FileNames, FolderNames, FilteredWords };

std::vector<std::string> runSearch(Setting& s, Kind kind, const std::string& query)
{
    app::Workspace& ws = *s.workspace;
    s.host.clearMessages();
    search::ResultList results;
    search::SearchRun run(ws, results);
    search::SearchOptions& options = run.options();
    std::string text = query;
    switch (kind) {
    case Kind::AllWords: options.andWords = 1; break;
    case Kind::AnyWord: options.andWords = 0; break;
    case Kind::WordsOr: options.wordsOr = 1; break;
    case Kind::InThePath: options.inThePath = 1; break;
    case Kind::AllArchives: options.allArchives = 1; options.andWords = 0; break;
    case Kind::OnDisk:
        options.directOnDisk = 1;
        run.setDiskRoot(s.tree.string());
        break;
    case Kind::FileNames:
        run.setFilesText("*.txt");
        text.clear();
        break;
    case Kind::FolderNames:
        run.setDirectoriesText("sub");
        text.clear();
        break;
    case Kind::FilteredWords:
        options.andWords = 0;
        run.setFilesText("c.txt,e.txt");
        run.setDirectoriesText("sub");
        break;
    }
    const int found = run.RunSearch(text);
    check(found >= 0 && found <= search::QueryWordTable::kMaxWords);
    check(!ws.store().isOpen());
    std::vector<std::string> labels;
    for (std::size_t i = 0; i < results.size(); ++i)
        labels.push_back(results.row(i).label());
    return labels;
}

// A document listed twice by one search: words OR lists a document once per word
// that holds it, so only the other kinds promise one row per document.
void checkOnePerDocument(Kind kind, const std::vector<std::string>& labels)
{
    if (kind == Kind::WordsOr || kind == Kind::OnDisk)
        return;
    std::set<std::string> seen(labels.begin(), labels.end());
    check(seen.size() == labels.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    Setting& s = setting();
    s.restore();
    std::string query;
    for (std::size_t k = 0; k < kQueryWords.size(); ++k)
        if ((data[0] >> k & 1) != 0)
            query += std::string(kQueryWords[k]) + " ";
    vedra::testing::pokeArchiveFiles(s.workspace->store(), data + 1, size - 1);
    const bool damaged = size >= 10;

    for (Kind kind : {Kind::AllWords, Kind::AnyWord, Kind::WordsOr, Kind::InThePath, Kind::AllArchives, Kind::OnDisk,
                      Kind::FileNames, Kind::FolderNames, Kind::FilteredWords}) {
        s.workspace->BreakCode = app::StopCode::None;
        std::vector<std::string> labels = runSearch(s, kind, query);
        checkOnePerDocument(kind, labels);
        // Whole, the archive answers as the tree does: "alpha" is in four documents,
        // two of them with "echo".
        const std::string treeFolder = s.tree.string() + "/";
        const auto inTree = std::count_if(labels.begin(), labels.end(),
                                          [&](const std::string& label) { return label.starts_with(treeFolder); });
        if (!damaged && kind == Kind::AnyWord && query == "alpha ")
            check(inTree == 4);
        if (!damaged && kind == Kind::AllWords && query == "alpha echo ")
            check(inTree == 2);
    }
    return 0;
}
