#include "core/utilities/UtilityPage.h"

#include "UtilitiesFixture.h"

namespace vedra::utilities {
namespace {

using testing::readFile;
using testing::writeFile;

class UtilityPageTest : public UtilitiesTest {};

TEST_F(UtilityPageTest, AFirstVisitCreatesTheBrowserList)
{
    fs::remove(ws->browserListPath);
    app::BrowserChoice choice = FillBrowserList(*ws);
    EXPECT_EQ(choice.selected, "xdg-open");
    EXPECT_EQ(choice.browsers, (std::vector<std::string>{"xdg-open", "firefox", "chromium", "google-chrome"}));
    EXPECT_EQ(readFile(ws->browserListPath).substr(0, 10), std::string("xdg-open\r\n"));
}

TEST_F(UtilityPageTest, AChosenBrowserIsWrittenFirstAndReadAgain)
{
    FillBrowserList(*ws);
    std::string before = readFile(ws->browserListPath);
    ASSERT_TRUE(ChooseBrowser(*ws, "firefox\r\n"));
    std::string after = readFile(ws->browserListPath);
    std::string head = "firefox\r\n";
    head.resize(512, '\0');
    EXPECT_EQ(after.substr(0, 512), head) << "no stale bytes of the old name";
    EXPECT_EQ(after.substr(512), before.substr(512)) << "the entries are kept";
    EXPECT_EQ(FillBrowserList(*ws).selected, "firefox");

    EXPECT_FALSE(ChooseBrowser(*ws, ""));
    EXPECT_FALSE(ChooseBrowser(*ws, std::string(511, 'b')));
    EXPECT_EQ(FillBrowserList(*ws).selected, "firefox");
}

TEST_F(UtilityPageTest, ArchivesOnDiskAreTheUnderscoreFolders)
{
    for (const char* name : {"C_ZETA_9", ".C_HIDDEN_3", "plain", "x_longname", "C_ALPHA_1"})
        fs::create_directories(folder.path() / name);
    writeFile(folder.path() / "C_FILE_4", "not a folder");
    ArchivesOnDisk found = FillArchivesOnDisk(*ws);
    EXPECT_EQ(found.names, (std::vector<std::string>{"C_ALPHA_1", "C_UTIL_2", "C_ZETA_9"}));
    EXPECT_EQ(found.selected, 1) << "the current archive";

    host.pressEscape();
    host.setAcceptByDefault(true);
    found = FillArchivesOnDisk(*ws);
    EXPECT_TRUE(found.names.empty()) << "Escape confirmed stops the walk";
    EXPECT_NE(ws->BreakCode, app::StopCode::None);
}

TEST_F(UtilityPageTest, OpeningAnArchiveOnDisk)
{
    std::string catalogue(400, '\0');
    for (auto [number, name] : {std::pair{2, "C_UTIL_2"}, std::pair{3, "C_OTHER_3"}}) {
        archive::ArchiveEntry entry;
        entry.identification = name;
        entry.encode(reinterpret_cast<std::uint8_t*>(catalogue.data()) + 100 * number);
    }
    writeCatalogue(catalogue);
    fs::create_directories(folder.path() / "C_OTHER_3");
    writeFile(folder.path() / "C_OTHER_3" / "Introduzione.rtf", "{\\rtf1 hello}");

    bool opened = false;
    std::string introduction = OpenArchiveOnDisk(*ws, "C_OTHER_3", opened);
    EXPECT_TRUE(opened);
    EXPECT_EQ(introduction, (folder.path() / "C_OTHER_3" / "Introduzione.rtf").string());
    EXPECT_EQ(ws->currentArchiveName(), "C_OTHER_3");
    EXPECT_EQ(ws->ArchiveFolder, folder.slash() + "C_OTHER_3/");
    EXPECT_EQ(host.title(), "VedraReader - C_OTHER");
    EXPECT_EQ(static_cast<unsigned char>(readFile(folder.path() / "IND_ARC.PRI")[92]), 3u);

    EXPECT_EQ(OpenArchiveOnDisk(*ws, "C_UTIL_2", opened), "");
    EXPECT_TRUE(opened);
    EXPECT_EQ(OpenArchiveOnDisk(*ws, "C_MISSING_7", opened), "");
    EXPECT_FALSE(opened);
    EXPECT_EQ(ws->currentArchiveName(), "C_UTIL_2");
}

TEST_F(UtilityPageTest, WebSearchInTheChosenBrowser)
{
    EXPECT_EQ(WebSearchAddress("https://search.example/", "dante", 0),
              "https://search.example/ventiquor.asp?keyw=dante&cat=Religioni&pag=1&lang=IT_");
    fs::path browser = writeRecorder(pathFolder / "testbrowser");
    FillBrowserList(*ws);
    ASSERT_TRUE(ChooseBrowser(*ws, "testbrowser"));
    std::string commandLine;
    ASSERT_TRUE(LaunchWebSearch(*ws, "https://search.example/", "divina commedia", &commandLine));
    const std::string address = "https://search.example/ventiquor.asp?keyw=divina commedia&cat=Religioni&pag=1&lang=EN_";
    EXPECT_EQ(recordedArguments(browser), (std::vector<std::string>{browser.string(), address}));
    EXPECT_EQ(commandLine, "\"" + browser.string() + "\" \"" + address + "\"");
    EXPECT_FALSE(LaunchWebSearch(*ws, "https://search.example/", "   "));
}

TEST_F(UtilityPageTest, WebSearchWithoutABrowser)
{
    writeFile(ws->browserListPath, std::string(512, '\0') + "firefox\r\n");
    EXPECT_FALSE(LaunchWebSearch(*ws, "https://search.example/", "dante"));
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Select browser");
    ws->SetLanguage(0);
    EXPECT_FALSE(LaunchWebSearch(*ws, "https://search.example/", "dante"));
    ASSERT_EQ(host.messages().size(), 2u);
    EXPECT_EQ(host.messages()[1].text, "Scegliere un browser");
}

} // namespace
} // namespace vedra::utilities

namespace vedra::utilities {
namespace {

TEST_F(UtilityPageTest, TheBrowserListIsEditedWithoutLosingTheChoice)
{
    FillBrowserList(*ws);
    ASSERT_TRUE(ChooseBrowser(*ws, "chromium"));
    EXPECT_EQ(BrowserListLines(*ws), "xdg-open\r\nfirefox\r\nchromium\r\ngoogle-chrome\r\n");
    EXPECT_EQ(host.status(), ws->browserListPath);

    ASSERT_TRUE(SaveBrowserListLines(*ws, "firefox\nopera\r\n\nvivaldi"));
    app::BrowserChoice choice = FillBrowserList(*ws);
    EXPECT_EQ(choice.selected, "chromium");
    EXPECT_EQ(choice.browsers, (std::vector<std::string>{"firefox", "opera", "vivaldi"}));

    ASSERT_TRUE(AddToBrowserList(*ws, "/opt/Brave/BRAVE"));
    ASSERT_TRUE(AddToBrowserList(*ws, "/usr/bin/opera"));
    EXPECT_EQ(FillBrowserList(*ws).browsers, (std::vector<std::string>{"firefox", "opera", "vivaldi", "brave"}));
    EXPECT_FALSE(AddToBrowserList(*ws, "/usr/bin/"));

    // A hand-edited list whose last entry has no line end keeps it apart.
    std::string edited = testing::readFile(ws->browserListPath);
    testing::writeFile(ws->browserListPath, edited.substr(0, edited.size() - 2));
    ASSERT_TRUE(AddToBrowserList(*ws, "/usr/bin/links"));
    EXPECT_EQ(FillBrowserList(*ws).browsers.back(), "links");
    EXPECT_EQ(FillBrowserList(*ws).browsers.size(), 5u);
}

} // namespace
} // namespace vedra::utilities
