// Drives the real pdftotext and 7z (poppler-utils, p7zip-full) over files the tests
// make themselves: a PDF written byte by byte, archives packed by 7z.
#include "core/indexing/OutsideTools.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "support/DocumentFixtures.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::minimalPdf;
using testing::readFile;
using testing::writeFile;

constexpr const char* kPdfToText = "/usr/bin/pdftotext";
constexpr const char* kSevenZipProgram = "/usr/bin/7z";

// A stand-in tool that writes each argument it got, NUL-terminated, to `argsFile`.
void writeArgumentRecorder(const fs::path& tool, const fs::path& argsFile)
{
    writeFile(tool, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" + argsFile.string() + "'\n");
    ::chmod(tool.c_str(), 0755);
}

std::vector<std::string> recordedArguments(const fs::path& argsFile)
{
    std::vector<std::string> arguments;
    std::string bytes = readFile(argsFile);
    for (std::size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        arguments.push_back(bytes.substr(start, end - start));
    return arguments;
}

class OutsideTools : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::access(kPdfToText, X_OK), 0) << "poppler-utils is not installed (scripts/install-deps)";
        ASSERT_EQ(::access(kSevenZipProgram, X_OK), 0) << "p7zip-full is not installed (scripts/install-deps)";
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        ws->PdfToTextCommand = std::string("\"") + kPdfToText + "\"";
        ws->SevenZipCommand = std::string("\"") + kSevenZipProgram + "\" x \"";
        fs::create_directories(dir);
    }
    void TearDown() override { ::unsetenv("VEDRA_PWNED"); }

    // Packs `members` (files, or folders with their contents) under their own names.
    void zip(const fs::path& archive, const std::vector<fs::path>& members, const std::string& password = {})
    {
        std::vector<std::string> argv{kSevenZipProgram, "a", "-tzip"};
        if (!password.empty())
            argv.push_back("-p" + password);
        argv.push_back(archive.string());
        for (const fs::path& member : members)
            argv.push_back(member.string());
        app::ProcessOutcome outcome = app::RunProgram(*ws, argv);
        ASSERT_TRUE(outcome.started);
        ASSERT_EQ(outcome.exitCode, 0) << "7z could not pack " << archive;
    }

    testing::TempFolder folder;
    fs::path dir = folder.path() / "docs";
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

// ---- Command texts -----------------------------------------------------------

TEST_F(OutsideTools, ProgramPathIsTheTextBetweenTheFirstQuotes)
{
    EXPECT_EQ(ProgramPathFromCommand("\"/w/a b/pdftotext\""), "/w/a b/pdftotext");
    EXPECT_EQ(ProgramPathFromCommand("\"/w/7z\" x \""), "/w/7z");
    EXPECT_EQ(ProgramPathFromCommand("\"\""), "");
    EXPECT_EQ(ProgramPathFromCommand(""), "");
    EXPECT_EQ(ProgramPathFromCommand("/no/quotes"), "");
    EXPECT_EQ(ProgramPathFromCommand("\"/unclosed"), "");
}

TEST_F(OutsideTools, CommandLinesAreShownAsTheProgramAlwaysBuiltThem)
{
    ws->PdfToTextCommand = "\"/w/pdftotext\"";
    ws->SevenZipCommand = "\"/w/7z\" x \"";
    EXPECT_EQ(PdfToTextCommandLine(*ws, "/d/a b.pdf", "/w/vedratemp/12.pdf.txt", true),
              "\"/w/pdftotext\" -eol dos \"/d/a b.pdf\" \"/w/vedratemp/12.pdf.txt\"");
    EXPECT_EQ(PdfToTextCommandLine(*ws, "/d/a b.pdf", "/d/a b.pdf.txt", false),
              "\"/w/pdftotext\" \"/d/a b.pdf\" \"/d/a b.pdf.txt\"");
    EXPECT_EQ(SevenZipCommandLine(*ws, "/d/r.odt", "/d/r.odt_vedratemp/"),
              "\"/w/7z\" x \"/d/r.odt\" -o\"/d/r.odt_vedratemp/\" -r-y-pno");
    EXPECT_EQ(UnpackFolderFor("/d/r.odt"), "/d/r.odt_vedratemp/");
}

TEST_F(OutsideTools, ArgumentVectorsCarryEverySwitchSeparately)
{
    fs::path argsFile = folder.path() / "args";
    fs::path tool = folder.path() / "tool";
    writeArgumentRecorder(tool, argsFile);
    ws->PdfToTextCommand = "\"" + tool.string() + "\"";
    ws->SevenZipCommand = "\"" + tool.string() + "\" x \"";

    ASSERT_EQ(ConvertPdf(*ws, "/d/a.pdf", "/t/1.pdf.txt", true).exitCode, 0);
    EXPECT_EQ(recordedArguments(argsFile), (std::vector<std::string>{"-eol", "dos", "/d/a.pdf", "/t/1.pdf.txt"}));
    ASSERT_EQ(ConvertPdf(*ws, "/d/a.pdf", "/d/a.pdf.txt", false).exitCode, 0);
    EXPECT_EQ(recordedArguments(argsFile), (std::vector<std::string>{"/d/a.pdf", "/d/a.pdf.txt"}));
    ASSERT_EQ(UnpackWith7z(*ws, "/d/r.odt", "/d/r.odt_vedratemp/").exitCode, 0);
    EXPECT_EQ(recordedArguments(argsFile),
              (std::vector<std::string>{"x", "/d/r.odt", "-o/d/r.odt_vedratemp/", "-r-", "-y", "-pno"}));
    ASSERT_EQ(ConvertPdf(*ws, "-x.pdf", "@out", true).exitCode, 0);
    EXPECT_EQ(recordedArguments(argsFile), (std::vector<std::string>{"-eol", "dos", "./-x.pdf", "./@out"}))
        << "a name read as a switch must stay a name";
}

// ---- pdftotext ---------------------------------------------------------------

TEST_F(OutsideTools, PdfConvertedForIndexingHasDosLineEnds)
{
    fs::path pdf = dir / "hello.pdf";
    fs::path out = folder.path() / "vedratemp" / "1.pdf.txt";
    writeFile(pdf, minimalPdf({"Hello Vedra PDF", "Second line"}));
    app::ProcessOutcome outcome = ConvertPdf(*ws, pdf.string(), out.string(), true);
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_FALSE(outcome.stoppedByBreak);
    EXPECT_EQ(readFile(out).substr(0, 30), "Hello Vedra PDF\r\nSecond line\r\n");
}

TEST_F(OutsideTools, PdfConvertedForThePreviewKeepsLineFeeds)
{
    fs::path pdf = dir / "hello.pdf";
    std::string out = pdf.string() + ".txt";
    writeFile(pdf, minimalPdf({"Hello Vedra PDF", "Second line"}));
    ASSERT_EQ(ConvertPdf(*ws, pdf.string(), out, false).exitCode, 0);
    std::string text = readFile(out);
    EXPECT_EQ(text.substr(0, 28), "Hello Vedra PDF\nSecond line\n");
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST_F(OutsideTools, DamagedPdfGivesAFailureStatusAndNoText)
{
    fs::path pdf = dir / "junk.pdf";
    fs::path out = dir / "junk.pdf.txt";
    writeFile(pdf, "%PDF-1.4\nthis is not a document\n");
    app::ProcessOutcome outcome = ConvertPdf(*ws, pdf.string(), out.string(), true);
    EXPECT_TRUE(outcome.started);
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(OutsideTools, MissingConverterIsNotStarted)
{
    fs::path pdf = dir / "hello.pdf";
    fs::path out = dir / "hello.pdf.txt";
    writeFile(pdf, minimalPdf({"Hello Vedra PDF"}));
    fs::path notExecutable = folder.path() / "pdftotext";
    writeFile(notExecutable, "#!/bin/sh\n");
    for (const std::string& command : {std::string("\"\""), std::string(), "\"" + (folder.path() / "nope").string() + "\"",
                                       "\"" + notExecutable.string() + "\"", "\"" + folder.path().string() + "\""}) {
        ws->PdfToTextCommand = command;
        app::ProcessOutcome outcome = ConvertPdf(*ws, pdf.string(), out.string(), true);
        EXPECT_FALSE(outcome.started) << command;
        EXPECT_FALSE(fs::exists(out)) << command;
    }
}

TEST_F(OutsideTools, HangingConverterEndsOnBreak)
{
    fs::path slow = folder.path() / "slow-pdftotext";
    writeFile(slow, "#!/bin/sh\nexec /bin/sleep 30\n");
    ::chmod(slow.c_str(), 0755);
    ws->PdfToTextCommand = "\"" + slow.string() + "\"";
    host.setOnDrain([this](int count) {
        if (count == 2)
            ws->BreakCode = app::StopCode::Suspend;
    });
    app::ProcessOutcome outcome = ConvertPdf(*ws, (dir / "a.pdf").string(), (dir / "a.txt").string(), true);
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.stoppedByBreak);
    EXPECT_EQ(ws->BreakCode, app::StopCode::Suspend);
}

// ---- 7z ----------------------------------------------------------------------

TEST_F(OutsideTools, ZipMembersAreUnpackedIntoTheTemporaryFolder)
{
    writeFile(dir / "src" / "a.txt", "first member");
    writeFile(dir / "src" / "sub" / "b.txt", "second member");
    fs::path archive = dir / "pack.zip";
    zip(archive, {dir / "src" / "a.txt", dir / "src" / "sub"});
    std::string target = UnpackFolderFor(archive.string());
    ASSERT_FALSE(fs::exists(target));

    app::ProcessOutcome outcome = UnpackWith7z(*ws, archive.string(), target);
    ASSERT_TRUE(outcome.started);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(readFile(target + "a.txt"), "first member");
    EXPECT_EQ(readFile(target + "sub/b.txt"), "second member");
}

TEST_F(OutsideTools, OpenDocumentTextIsReadThroughContentXml)
{
    writeFile(dir / "src" / "mimetype", "application/vnd.oasis.opendocument.text");
    writeFile(dir / "src" / "content.xml", "<office:text><text:p>Odt words</text:p></office:text>");
    fs::path document = dir / "letter.odt";
    zip(document, {dir / "src" / "mimetype", dir / "src" / "content.xml"});
    std::string target = UnpackFolderFor(document.string());
    ASSERT_EQ(UnpackWith7z(*ws, document.string(), target).exitCode, 0);
    EXPECT_EQ(readFile(target + "content.xml"), "<office:text><text:p>Odt words</text:p></office:text>");
}

TEST_F(OutsideTools, OfficeDocumentIsReadThroughWordDocumentXml)
{
    writeFile(dir / "src" / "[Content_Types].xml", "<Types/>");
    writeFile(dir / "src" / "word" / "document.xml", "<w:document><w:t>Docx words</w:t></w:document>");
    fs::path document = dir / "report.docx";
    zip(document, {dir / "src" / "[Content_Types].xml", dir / "src" / "word"});
    std::string target = UnpackFolderFor(document.string());
    ASSERT_EQ(UnpackWith7z(*ws, document.string(), target).exitCode, 0);
    EXPECT_EQ(readFile(target + "word/document.xml"), "<w:document><w:t>Docx words</w:t></w:document>");
    EXPECT_TRUE(fs::exists(target + "[Content_Types].xml"));
}

TEST_F(OutsideTools, ExistingFilesAreOverwrittenWithoutAQuestion)
{
    writeFile(dir / "src" / "a.txt", "new text");
    fs::path archive = dir / "pack.zip";
    zip(archive, {dir / "src" / "a.txt"});
    std::string target = UnpackFolderFor(archive.string());
    writeFile(target + "a.txt", "old text");
    app::ProcessOutcome outcome = UnpackWith7z(*ws, archive.string(), target);
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(readFile(target + "a.txt"), "new text");
}

TEST_F(OutsideTools, EncryptedArchiveFailsInsteadOfAskingForAPassword)
{
    writeFile(dir / "src" / "secret.txt", "secret text");
    fs::path archive = dir / "locked.zip";
    zip(archive, {dir / "src" / "secret.txt"}, "right");
    std::string target = UnpackFolderFor(archive.string());
    app::ProcessOutcome outcome = UnpackWith7z(*ws, archive.string(), target);
    EXPECT_TRUE(outcome.started);
    EXPECT_FALSE(outcome.stoppedByBreak);
    EXPECT_NE(outcome.exitCode, 0);
    EXPECT_NE(readFile(target + "secret.txt"), "secret text");
}

TEST_F(OutsideTools, MissingUnpackerIsNotStarted)
{
    writeFile(dir / "src" / "a.txt", "x");
    fs::path archive = dir / "pack.zip";
    zip(archive, {dir / "src" / "a.txt"});
    std::string target = UnpackFolderFor(archive.string());
    for (const std::string& command : {std::string(), "\"\" x \"" + std::string(),
                                       "\"" + (folder.path() / "7z").string() + "\" x \""}) {
        ws->SevenZipCommand = command;
        EXPECT_FALSE(UnpackWith7z(*ws, archive.string(), target).started) << command;
        EXPECT_FALSE(fs::exists(target)) << command;
    }
}

// ---- Names that a shell would read as code -----------------------------------

TEST_F(OutsideTools, OddFileNamesReachBothProgramsWhole)
{
    fs::path pwned = folder.path() / "pwned";
    ::setenv("VEDRA_PWNED", pwned.c_str(), 1);
    const std::string odd = "my  \"odd\" file's $(touch $VEDRA_PWNED) `touch $VEDRA_PWNED`;";

    fs::path pdf = dir / (odd + ".pdf");
    std::string text = pdf.string() + ".txt";
    writeFile(pdf, minimalPdf({"Hello Vedra PDF"}));
    ASSERT_EQ(ConvertPdf(*ws, pdf.string(), text, false).exitCode, 0);
    EXPECT_EQ(readFile(text).substr(0, 16), "Hello Vedra PDF\n");

    writeFile(dir / "src" / "member.txt", "inside the odd archive");
    fs::path archive = dir / (odd + ".zip");
    zip(archive, {dir / "src" / "member.txt"});
    std::string target = UnpackFolderFor(archive.string());
    ASSERT_EQ(UnpackWith7z(*ws, archive.string(), target).exitCode, 0);
    EXPECT_EQ(readFile(target + "member.txt"), "inside the odd archive");

    EXPECT_FALSE(fs::exists(pwned)) << "a file name was run as a command";
}

} // namespace
} // namespace vedra::indexing
