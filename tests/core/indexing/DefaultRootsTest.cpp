// The built-in word roots: the same bytes as the resource they are built from, in
// the form the root loader reads, and installed only where the user has no roots.
#include "core/indexing/DefaultRoots.h"

#include "core/indexing/WordExtractor.h"
#include "support/ArchiveFixture.h"
#include "support/SourceTree.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

std::vector<std::string> rootLines()
{
    std::vector<std::string> lines;
    std::string_view text = DefaultWordRoots();
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            lines.emplace_back(text);
            break;
        }
        lines.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool hasRoot(const std::vector<std::string>& lines, const std::string& root)
{
    return std::binary_search(lines.begin(), lines.end(), root);
}

std::vector<std::string> folderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

fs::path rootsFolder(const TempFolder& folder)
{
    return folder.path() / "Lemmi" / "Radici";
}

TEST(DefaultRoots, EmbeddedTextIsTheResourceByteForByte)
{
    const fs::path resource = fs::path(testing::sourceTree()) / "resources" / "RadiciParole.txt";
    ASSERT_TRUE(fs::is_regular_file(resource)) << resource;
    EXPECT_EQ(DefaultWordRoots(), readFile(resource));
}

TEST(DefaultRoots, OneRootPerLineSortedUniqueAndLowerCaseAscii)
{
    const std::string_view text = DefaultWordRoots();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(text.find('\r'), std::string_view::npos);

    const std::vector<std::string> lines = rootLines();
    EXPECT_GT(lines.size(), 2000u);
    EXPECT_TRUE(std::adjacent_find(lines.begin(), lines.end(), std::greater_equal<>()) == lines.end())
        << "not strictly ascending";
    for (const std::string& line : lines) {
        EXPECT_GE(line.size(), 1u) << "empty line";
        EXPECT_LE(line.size(), 3u) << line;
        EXPECT_TRUE(std::all_of(line.begin(), line.end(),
                                [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); }))
            << line;
    }
}

TEST(DefaultRoots, EverySingleLetterIsARoot)
{
    // Apostrophes cut one-letter runs from the lists: "house's", "l'arrivo".
    const std::vector<std::string> lines = rootLines();
    for (char c = 'a'; c <= 'z'; ++c)
        EXPECT_TRUE(hasRoot(lines, std::string(1, c))) << c;
}

TEST(DefaultRoots, HoldsTheRootsOfCommonWordsOfEachLanguage)
{
    const std::vector<std::string> lines = rootLines();
    // English
    for (const char* root : {"hou", "the", "wat", "and", "of", "is"})
        EXPECT_TRUE(hasRoot(lines, root)) << root;
    // Italian: "perché" and "città" fold to "perche" and "citta".
    for (const char* root : {"cas", "per", "cit", "gio", "ess"})
        EXPECT_TRUE(hasRoot(lines, root)) << root;
    // Spanish: ñ folds to n ("niño"), while á and ó are not folded and cut the
    // word, so "árbol" gives "rbol" and "canción" gives "canci" and "n".
    for (const char* root : {"nin", "rbo", "can", "n", "muj"})
        EXPECT_TRUE(hasRoot(lines, root)) << root;
}

TEST(DefaultRoots, LacksRootsNoListedWordBeginsWith)
{
    const std::vector<std::string> lines = rootLines();
    // No listed word and too few packages' words begin with these.
    for (const char* root : {"qzx", "xqz", "vqj", "jqv"})
        EXPECT_FALSE(hasRoot(lines, root)) << root;
}

TEST(DefaultRoots, LoadedRootsLetCommonWordsBeIndexed)
{
    testing::ArchiveFixture fx;
    ASSERT_TRUE(fx.openForIndexing());
    WordExtractor extractor(*fx.workspace, *fx.store);
    ASSERT_TRUE(extractor.loadStopWords());
    const std::string_view roots = DefaultWordRoots();
    extractor.LoadRoots(roots.data(), roots.size());
    for (const std::string& line : rootLines())
        ASSERT_TRUE(fx.store->hasRoot(line)) << line;

    extractor.beginDocument(1, {});
    // cp1252 bytes, as a document would hold them.
    std::string chunk = "house perch\xE9 citt\xE0 ni\xF1o casa qzxzz";
    extractor.IndexChunk(chunk.data(), chunk.size(), "/home/u/doc.txt");
    for (const char* word : {"house", "perche", "citta", "nino", "casa"})
        EXPECT_TRUE(fx.store->findWord(word).has_value()) << word;
    EXPECT_FALSE(fx.store->findWord("qzxzz").has_value()) << "the root filter was not on";
}

TEST(DefaultRootsInstall, WritesTheRootsIntoAnEmptyWorkingFolder)
{
    TempFolder folder;
    ASSERT_TRUE(InstallDefaultRoots(folder.slash()));
    EXPECT_EQ(readFile(rootsFolder(folder) / "RadiciParole.txt"), DefaultWordRoots());
    EXPECT_EQ(folderEntries(rootsFolder(folder)), std::vector<std::string>{"RadiciParole.txt"});
    EXPECT_EQ(folderEntries(folder.path() / "Lemmi"), std::vector<std::string>{"Radici"})
        << "the temporary file was left behind";
}

TEST(DefaultRootsInstall, AnInstalledRootsFileIsTakenOverTheBuiltInOne)
{
    TempFolder folder;
    writeFile(folder.path() / "share" / "RadiciParole.txt", "ab\ncas\n");
    ASSERT_TRUE(InstallDefaultRoots(folder.slash() + "work/", folder.slash() + "share/"));
    EXPECT_EQ(readFile(folder.path() / "work" / "Lemmi" / "Radici" / "RadiciParole.txt"), "ab\ncas\n");
    // A data folder without the file, or with an empty one: the built-in roots.
    writeFile(folder.path() / "empty" / "RadiciParole.txt", "");
    ASSERT_TRUE(InstallDefaultRoots(folder.slash() + "w2/", folder.slash() + "empty/"));
    EXPECT_EQ(readFile(folder.path() / "w2" / "Lemmi" / "Radici" / "RadiciParole.txt"), DefaultWordRoots());
    ASSERT_TRUE(InstallDefaultRoots(folder.slash() + "w3/", folder.slash() + "missing/"));
    EXPECT_EQ(readFile(folder.path() / "w3" / "Lemmi" / "Radici" / "RadiciParole.txt"), DefaultWordRoots());
}

TEST(DefaultRootsInstall, AcceptsAWorkingFolderWithoutTrailingSlash)
{
    TempFolder folder;
    ASSERT_TRUE(InstallDefaultRoots(folder.path().string()));
    EXPECT_EQ(readFile(rootsFolder(folder) / "RadiciParole.txt"), DefaultWordRoots());
}

TEST(DefaultRootsInstall, FillsAnExistingEmptyRootsFolder)
{
    TempFolder folder;
    fs::create_directories(rootsFolder(folder));
    ASSERT_TRUE(InstallDefaultRoots(folder.slash()));
    EXPECT_EQ(readFile(rootsFolder(folder) / "RadiciParole.txt"), DefaultWordRoots());
}

TEST(DefaultRootsInstall, LeavesAFolderWithAnyFileAlone)
{
    TempFolder folder;
    writeFile(rootsFolder(folder) / "Mie.txt", "casa\n");
    EXPECT_TRUE(InstallDefaultRoots(folder.slash()));
    EXPECT_EQ(folderEntries(rootsFolder(folder)), std::vector<std::string>{"Mie.txt"});
    EXPECT_EQ(readFile(rootsFolder(folder) / "Mie.txt"), "casa\n");
}

TEST(DefaultRootsInstall, NeverReplacesTheUsersRootsFile)
{
    TempFolder folder;
    writeFile(rootsFolder(folder) / "RadiciParole.txt", "mon\n");
    EXPECT_TRUE(InstallDefaultRoots(folder.slash()));
    EXPECT_EQ(readFile(rootsFolder(folder) / "RadiciParole.txt"), "mon\n");
}

TEST(DefaultRootsInstall, ASubfolderIsNotARootsFile)
{
    TempFolder folder;
    fs::create_directories(rootsFolder(folder) / "vecchie");
    ASSERT_TRUE(InstallDefaultRoots(folder.slash()));
    EXPECT_EQ(readFile(rootsFolder(folder) / "RadiciParole.txt"), DefaultWordRoots());
}

TEST(DefaultRootsInstall, DoesNotReplaceAnEntryOfTheSameNameThatIsNoFile)
{
    TempFolder folder;
    fs::create_directories(rootsFolder(folder) / "RadiciParole.txt");
    EXPECT_FALSE(InstallDefaultRoots(folder.slash()));
    EXPECT_TRUE(fs::is_directory(rootsFolder(folder) / "RadiciParole.txt"));
    EXPECT_EQ(folderEntries(folder.path() / "Lemmi"), std::vector<std::string>{"Radici"})
        << "the temporary file was left behind";
}

TEST(DefaultRootsInstall, FailsWhenTheFoldersCannotBeMade)
{
    TempFolder folder;
    writeFile(folder.path() / "Lemmi", "not a folder");
    EXPECT_FALSE(InstallDefaultRoots(folder.slash()));
    EXPECT_EQ(readFile(folder.path() / "Lemmi"), "not a folder");
}

TEST(DefaultRootsInstall, SecondCallKeepsTheFirstFile)
{
    TempFolder folder;
    ASSERT_TRUE(InstallDefaultRoots(folder.slash()));
    writeFile(rootsFolder(folder) / "RadiciParole.txt", "edited\n");
    EXPECT_TRUE(InstallDefaultRoots(folder.slash()));
    EXPECT_EQ(readFile(rootsFolder(folder) / "RadiciParole.txt"), "edited\n");
}

} // namespace
} // namespace vedra::indexing
