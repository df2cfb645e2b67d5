#include "core/app/BrowserList.h"
#include "core/app/ExecutablesList.h"
#include "core/app/ProgramAssociations.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::app {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

std::string record(const std::string& text, std::size_t size)
{
    std::string bytes = text;
    bytes.resize(size, '\0');
    return bytes;
}

TEST(ExecutablesList, FindsByFileNameIgnoringCaseAndKeepsThePathCase)
{
    TempFolder folder;
    auto list = folder.path() / "Eseguibili.Vedra";
    writeFile(list, record("/opt/Tools/libreoffice", 256) + record("", 256) + record("/opt/Tools/PdfToText", 256));
    EXPECT_EQ(ExecutablesList::find(list, "pdftotext"), "/opt/Tools/PdfToText");
    EXPECT_EQ(ExecutablesList::find(list, "libreoffice"), "/opt/Tools/libreoffice");
    // "7z" must not match a path that merely contains it.
    EXPECT_FALSE(ExecutablesList::find(list, "tools").has_value());
    EXPECT_EQ(ExecutablesList::read(list), (std::vector<std::string>{"/opt/Tools/libreoffice", "/opt/Tools/PdfToText"}));
}

TEST(ExecutablesList, RecordFillsTheFirstFreeSlotOrTheSlotOfTheSameProgram)
{
    TempFolder folder;
    auto list = folder.path() / "Eseguibili.Vedra";
    writeFile(list, record("/usr/bin/firefox", 256) + record("", 256) + record("/old/7z", 256));
    ASSERT_TRUE(ExecutablesList::record(list, "pdftotext", "/usr/bin/pdftotext"));
    EXPECT_EQ(readFile(list), record("/usr/bin/firefox", 256) + record("/usr/bin/pdftotext", 256) + record("/old/7z", 256));
    ASSERT_TRUE(ExecutablesList::record(list, "7z", "/usr/bin/7z"));
    EXPECT_EQ(readFile(list).substr(512), record("/usr/bin/7z", 256));
    ASSERT_TRUE(ExecutablesList::record(list, "xdg-open", "/usr/bin/xdg-open"));
    EXPECT_EQ(readFile(list).size(), 1024u);
}

TEST(ExecutablesList, TooLongPathIsNotRecorded)
{
    TempFolder folder;
    auto list = folder.path() / "Eseguibili.Vedra";
    EXPECT_FALSE(ExecutablesList::record(list, "x", "/" + std::string(255, 'a')));
    EXPECT_TRUE(ExecutablesList::record(list, "x", "/" + std::string(254, 'a')));
    EXPECT_EQ(readFile(list).size(), 256u);
}

TEST(ExecutablesList, DamagedTailIsOverwrittenNotShifted)
{
    TempFolder folder;
    auto list = folder.path() / "Eseguibili.Vedra";
    writeFile(list, record("/usr/bin/firefox", 256) + "/usr/bi");
    ASSERT_TRUE(ExecutablesList::record(list, "7z", "/usr/bin/7z"));
    std::string bytes = readFile(list);
    EXPECT_EQ(bytes.size(), 512u);
    EXPECT_EQ(bytes.substr(256), record("/usr/bin/7z", 256));
}

TEST(BrowserList, MissingListIsRebuiltWithTheDefaults)
{
    TempFolder folder;
    auto list = folder.path() / "Browser.Vedra";
    BrowserChoice choice = BrowserList::readOrRebuild(list);
    EXPECT_EQ(choice.selected, "xdg-open");
    EXPECT_EQ(choice.browsers, (std::vector<std::string>{"xdg-open", "firefox", "chromium", "google-chrome"}));
    EXPECT_EQ(readFile(list), record("xdg-open\r\n", 512) + "xdg-open\r\nfirefox\r\nchromium\r\ngoogle-chrome\r\n");
}

TEST(BrowserList, ListShorterThanTenBytesIsRebuilt)
{
    TempFolder folder;
    auto list = folder.path() / "Browser.Vedra";
    writeFile(list, "opera\r\n");
    BrowserChoice choice = BrowserList::readOrRebuild(list);
    EXPECT_EQ(choice.selected, "xdg-open");
    EXPECT_EQ(choice.browsers.size(), 4u);
    EXPECT_EQ(readFile(list).size(), 512u + 44u);
}

TEST(BrowserList, ReadsSelectionAndLowerCasedEntriesWithoutDuplicates)
{
    TempFolder folder;
    auto list = folder.path() / "Browser.Vedra";
    writeFile(list, record("Firefox\r\n", 512) + "Firefox\r\nopera\r\nfirefox\r\nEPIPHANY\r\n");
    BrowserChoice choice = BrowserList::readOrRebuild(list);
    EXPECT_EQ(choice.selected, "Firefox");
    EXPECT_EQ(choice.browsers, (std::vector<std::string>{"firefox", "opera", "epiphany"}));
}

TEST(BrowserList, EntriesWithoutFinalLineEndAreRead)
{
    TempFolder folder;
    auto list = folder.path() / "Browser.Vedra";
    writeFile(list, record("opera\r\n", 512) + "opera\r\nlynx");
    EXPECT_EQ(BrowserList::readOrRebuild(list).browsers, (std::vector<std::string>{"opera", "lynx"}));
}

TEST(ProgramAssociations, AppendsOnceAndMatchesWholeNames)
{
    TempFolder folder;
    auto file = folder.path() / "EXE.1";
    ASSERT_TRUE(appendProgramAssociation(file, "p7z"));
    ASSERT_TRUE(appendProgramAssociation(file, "7z"));
    ASSERT_TRUE(appendProgramAssociation(file, "7z"));
    EXPECT_EQ(readFile(file), record("p7z=", 512) + record("7z=", 512));
}

TEST(ProgramAssociations, ExistingAssociationWithProgramIsKept)
{
    TempFolder folder;
    auto file = folder.path() / "EXE.1";
    writeFile(file, record("pdftotext=/usr/bin/evince", 512));
    ASSERT_TRUE(appendProgramAssociation(file, "pdftotext"));
    EXPECT_EQ(readFile(file).size(), 512u);
}

} // namespace
} // namespace vedra::app
