// The folder trees' rules without a window: what a folder lists and in which order,
// the roots, the full path of an item, and what choosing an item does to the result
// list and the preview. Also the program picked in the tree for the browser list.
#include "core/search/FolderTree.h"

#include "core/search/QueryWords.h"
#include "core/search/SearchSession.h"
#include "core/utilities/UtilityPage.h"
#include "utilities/UtilitiesFixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace vedra::search {
namespace {

namespace fs = std::filesystem;
using testing::writeFile;

std::vector<std::string> labels(const std::vector<TreeChild>& children)
{
    std::vector<std::string> out;
    for (const TreeChild& child : children)
        out.push_back(child.label + (child.folder == IsTreeFolder(child.label) ? "" : " <kind differs>"));
    return out;
}

TEST(FolderTreeChildren, FoldersEndInSlashHiddenFoldersStayOutAndLetterCaseDoesNotSplitTheOrder)
{
    testing::TempFolder folder;
    const fs::path root = folder.path();
    writeFile(root / "b.txt", "b");
    writeFile(root / "Zeta.txt", "z");
    writeFile(root / "a.txt", "a");
    writeFile(root / "A.txt", "A");
    writeFile(root / ".profile", "p");
    fs::create_directories(root / "Cartella");
    fs::create_directories(root / "abc");
    fs::create_directories(root / ".git" / "objects");
    fs::create_symlink(root / "Cartella", root / "collegata");
    fs::create_symlink(root / "nowhere", root / "dangling");
    ASSERT_EQ(::mkfifo((root / "pipe").c_str(), 0600), 0);

    // Files beginning with '.' are files like any other; only folders so named are
    // left out. A link counts as what it leads to; a dangling one and a FIFO are
    // nothing a tree can show.
    EXPECT_EQ(labels(ListTreeChildren(folder.slash(), TreeContent::FoldersAndFiles)),
              (std::vector<std::string>{".profile", "A.txt", "a.txt", "abc/", "b.txt", "Cartella/", "collegata/",
                                        "Zeta.txt"}));
    EXPECT_EQ(labels(ListTreeChildren(folder.slash(), TreeContent::FoldersOnly)),
              (std::vector<std::string>{"abc/", "Cartella/", "collegata/"}));
    // The path may come without its '/'; a folder inside is listed by its own path.
    EXPECT_EQ(labels(ListTreeChildren(folder.path().string(), TreeContent::FoldersOnly)).size(), 3u);
    EXPECT_TRUE(ListTreeChildren(folder.slash() + ".git/", TreeContent::FoldersOnly).size() == 1);
}

TEST(FolderTreeChildren, EveryListingReadsTheDiskAgainAndAnUnreadableFolderListsNothing)
{
    testing::TempFolder folder;
    writeFile(folder.path() / "first.txt", "1");
    ASSERT_EQ(ListTreeChildren(folder.slash(), TreeContent::FoldersAndFiles).size(), 1u);
    writeFile(folder.path() / "second.txt", "2");
    fs::remove(folder.path() / "first.txt");
    EXPECT_EQ(labels(ListTreeChildren(folder.slash(), TreeContent::FoldersAndFiles)),
              (std::vector<std::string>{"second.txt"}));
    EXPECT_TRUE(ListTreeChildren(folder.slash() + "missing/", TreeContent::FoldersAndFiles).empty());
    EXPECT_TRUE(ListTreeChildren(folder.slash() + "second.txt/", TreeContent::FoldersAndFiles).empty());
}

TEST(FolderTreeRoots, EachRootOnceWithItsSlashAndOnlyWhenItCanBeEntered)
{
    testing::TempFolder folder;
    const std::string disk = (folder.path() / "disk").string();
    fs::create_directories(disk);
    writeFile(folder.path() / "plain", "not a folder");
    EXPECT_EQ(TreeRootLabels({"/", disk, disk + "/", (folder.path() / "gone").string(),
                              (folder.path() / "plain").string(), ""}),
              (std::vector<std::string>{"/", disk + "/"}));
    if (::geteuid() != 0) {
        // Root may enter any folder; everyone else needs its search permission.
        ::chmod(disk.c_str(), 0600);
        EXPECT_EQ(TreeRootLabels({disk}), std::vector<std::string>{});
        ::chmod(disk.c_str(), 0700);
    }
}

TEST(FolderTreePaths, TheWholeDiskIsNoFolderFilter)
{
    EXPECT_EQ(DirectoriesTextFor("/"), "");
    EXPECT_EQ(DirectoriesTextFor("/media/usb/"), "/media/usb/");
    EXPECT_EQ(DirectoriesTextFor("/media/usb/a.txt"), "");
}

class FolderTreeSelection : public utilities::UtilitiesTest {
protected:
    SearchSession& session()
    {
        if (!m_session)
            m_session = std::make_unique<SearchSession>(*ws);
        return *m_session;
    }

    std::unique_ptr<SearchSession> m_session;
};

TEST_F(FolderTreeSelection, AFolderFillsTheDirectoriesBoxAndIsListedOnce)
{
    const std::string docs = (folder.path() / "docs").string() + "/";
    fs::create_directories(docs);
    ResultList& results = session().results();

    TreeSelection chosen = SelectInFilesTree(*ws, session(), docs);
    EXPECT_EQ(chosen.directoriesText, docs);
    EXPECT_EQ(chosen.filesText, "");
    EXPECT_TRUE(chosen.rowAdded);
    EXPECT_FALSE(chosen.documentShown);
    EXPECT_EQ(host.status(), docs);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results.row(0).label(), docs);
    EXPECT_EQ(results.row(0)[ResultColumn::Size], "") << "a folder's size means nothing";
    EXPECT_EQ(results.row(0)[ResultColumn::Words], "");
    EXPECT_FALSE(results.row(0)[ResultColumn::LastUpdating].empty()) << "its time comes from the disk";
    EXPECT_EQ(session().run().counters().documents + session().run().counters().nameRows, 0);

    chosen = SelectInFilesTree(*ws, session(), docs);
    EXPECT_FALSE(chosen.rowAdded);
    EXPECT_EQ(results.size(), 1u) << "a second choice of the same folder adds no row";

    // The whole disk is listed but filters nothing.
    chosen = SelectInFilesTree(*ws, session(), "/");
    EXPECT_EQ(chosen.directoriesText, "");
    EXPECT_EQ(results.size(), 2u);
}

TEST_F(FolderTreeSelection, AFileFillsTheFilesBoxAndShowsItsTextFromTheTopWithoutHits)
{
    std::string text = "Prima riga del documento.\n";
    while (text.size() < 300000)
        text += "riempitivo senza parole cercate\n";
    text += "Qui la parola vedra compare.\n";
    const std::string path = (folder.path() / "docs" / "Lungo.txt").string();
    writeFile(path, text);
    ParseQueryWords("vedra", true, 0, {}, nullptr, session().run().words());
    ASSERT_GT(session().run().words().count, 0);

    TreeSelection chosen = SelectInFilesTree(*ws, session(), path);
    EXPECT_EQ(chosen.filesText, "Lungo.txt");
    EXPECT_EQ(chosen.directoriesText, "");
    EXPECT_TRUE(chosen.rowAdded);
    ASSERT_TRUE(chosen.documentShown);
    const PreviewSession& preview = session().preview();
    EXPECT_EQ(preview.currentPath(), path);
    EXPECT_EQ(preview.document().text().substr(0, 25), "Prima riga del documento.");
    EXPECT_TRUE(preview.document().spans().empty()) << "no hit is looked for";
    EXPECT_EQ(session().results().row(0)[ResultColumn::Size], SizeText(text.size()));

    // A file listed already (by a search, say) is shown from its row, not listed again.
    chosen = SelectInFilesTree(*ws, session(), path);
    EXPECT_FALSE(chosen.rowAdded);
    EXPECT_TRUE(chosen.documentShown);
    EXPECT_EQ(session().results().size(), 1u);
}

TEST_F(FolderTreeSelection, AFileThatCannotBeReadIsListedAndSaysSo)
{
    const std::string path = (folder.path() / "gone.txt").string();
    TreeSelection chosen = SelectInFilesTree(*ws, session(), path);
    EXPECT_TRUE(chosen.rowAdded);
    EXPECT_FALSE(chosen.documentShown);
    EXPECT_EQ(session().results().row(0)[ResultColumn::Size], "");
    EXPECT_EQ(messagesWith(path), 1);
}

TEST_F(FolderTreeSelection, OnlyAProgramPickedInTheTreeJoinsTheBrowserList)
{
    const fs::path program = folder.path() / "opt" / "Navigatore";
    testing::writeExecutable(program);
    const fs::path text = folder.path() / "opt" / "leggimi.txt";
    writeFile(text, "not a program");

    EXPECT_EQ(utilities::AddProgramPickedInTree(*ws, text.string()), utilities::ProgramPick::NotAProgram);
    EXPECT_EQ(host.status(), "Not a program: " + text.string());
    EXPECT_EQ(utilities::FillBrowserList(*ws).browsers.size(), 4u);

    EXPECT_EQ(utilities::AddProgramPickedInTree(*ws, program.string()), utilities::ProgramPick::Added);
    EXPECT_EQ(host.status(), "Added to the browser list: navigatore");
    EXPECT_EQ(utilities::FillBrowserList(*ws).browsers.back(), "navigatore");
    EXPECT_EQ(testing::readFile(ws->browserListPath).substr(512),
              "xdg-open\r\nfirefox\r\nchromium\r\ngoogle-chrome\r\nnavigatore\r\n");

    EXPECT_EQ(utilities::AddProgramPickedInTree(*ws, program.string()), utilities::ProgramPick::AlreadyListed);
    EXPECT_EQ(utilities::FillBrowserList(*ws).browsers.size(), 5u);
    EXPECT_EQ(utilities::FillBrowserList(*ws).selected, "xdg-open") << "picking is not choosing";

    ws->SetLanguage(0);
    utilities::AddProgramPickedInTree(*ws, text.string());
    EXPECT_EQ(host.status(), "Non \xE8 un programma: " + text.string());
}

} // namespace
} // namespace vedra::search
