// The preview between clicks: opening a document at its first hit, paging hits and
// blocks, the extract file and its Continue, the in-document search, the exported
// list and the status line.
#include "core/search/PreviewSession.h"

#include "core/app/HeadlessHost.h"
#include "core/app/ProcessRunner.h"
#include "core/app/Workspace.h"
#include "core/search/SearchRun.h"
#include "support/DocumentFixtures.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vedra::search {
namespace {

using app::SearchTarget;

using testing::readFile;
using testing::writeFile;

TEST(StatusLineText, PadsShortTextsAndCutsLongOnesInTheMiddle)
{
    EXPECT_EQ(StatusLineText("abc"), "abc" + std::string(60, ' '));
    const std::string fiftyFour(54, 'x');
    EXPECT_EQ(StatusLineText(fiftyFour), fiftyFour + std::string(9, ' '));
    const std::string path = "/home/user/documents/projects/2026/reports/quarterly-summary.txt";
    ASSERT_GE(path.size(), 55u);
    const std::string shown = StatusLineText(path);
    EXPECT_EQ(shown.size(), 63u);
    EXPECT_EQ(shown.substr(0, 14), "/home/user/../");
    EXPECT_EQ(shown.substr(14, 38), path.substr(path.size() - 38));
}

class PreviewSessionTest : public ::testing::Test {
protected:
    PreviewSessionTest()
    {
        workspace.PrepareWorkspace();
        workspace.setPumpInterval(std::chrono::milliseconds(0));
        workspace.extractsPath = folder.slash() + "estratti.vedra";
    }

    std::string document(const std::string& name, const std::string& content)
    {
        std::string path = folder.slash() + name;
        writeFile(path, content);
        return path;
    }

    void query(const std::string& text)
    {
        ParseQueryWords(text, true, 0, {}, nullptr, run.words());
    }

    std::size_t addRow(const std::string& path, const std::string& words, long number)
    {
        ResultRowInput input;
        input.path = path;
        input.wordsText = words;
        input.lastWrite = 0;
        input.documentNumber = number;
        input.archiveName = "demo";
        results.append(FormatResultRow(input));
        return results.size() - 1;
    }

    // The marked spans as the text they cover.
    std::vector<std::string> marked(Colour colour) const
    {
        std::vector<std::string> out;
        for (const MarkedSpan& span : preview.document().spans())
            if (span.colour == colour)
                out.push_back(preview.document().text().substr(span.start, span.length));
        return out;
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testing::testProbe(folder.path())};
    ResultList results;
    SearchRun run{workspace, results};
    PreviewSession preview{workspace, results, run};
};

TEST_F(PreviewSessionTest, OpensAtTheFirstHitAndShowsTheTextAsWritten)
{
    const std::string path = document("a.txt", "Prima riga.\nLa Casa di Mario.\nIl casale.\n");
    query("casa");
    ASSERT_EQ(preview.OpenPreviewFile(path, 0, ReadMode::Search), 0);
    preview.ShowHits();
    EXPECT_EQ(preview.document().text(), readFile(path)) << "capitals kept, not the search's lower case";
    EXPECT_EQ(preview.positionField(), 15) << "the whole word, not the one inside casale";
    EXPECT_EQ(preview.sizeField(), static_cast<std::int64_t>(readFile(path).size()));
    EXPECT_EQ(preview.scrollPosition(), 15u);
    ASSERT_FALSE(preview.document().spans().empty());
    EXPECT_TRUE(preview.document().spans()[0].bold);
    EXPECT_EQ(marked(Colour::Blue).front(), "Casa");
    EXPECT_EQ(workspace.statusText, path);

    EXPECT_EQ(preview.OpenPreviewFile(folder.slash() + "missing.txt", 0, ReadMode::Search), -2);
}

TEST_F(PreviewSessionTest, ContinueStepsFromHitToHitAndStartsAgainAtTheEnd)
{
    const std::string path = document("a.txt", "uno alfa due alfa tre " + std::string(300, '.') + " alfa fine\n");
    query("alfa");
    ASSERT_EQ(preview.OpenPreviewFile(path, 0, ReadMode::Search), 0);
    preview.ShowHits();
    std::vector<std::int64_t> positions{preview.positionField()};
    for (int i = 0; i < 3; ++i) {
        preview.ContinuePreview();
        positions.push_back(preview.positionField());
    }
    EXPECT_EQ(positions, (std::vector<std::int64_t>{4, 13, 323, 4}));
    EXPECT_TRUE(preview.continueEnabled());
    EXPECT_EQ(run.options().andWords, 1) << "AND is put back after Continue";
}

TEST_F(PreviewSessionTest, ADocumentWithoutWordsIsShownByBlocksAndPagedToItsEnd)
{
    const std::size_t block = TextBlockBytes(workspace);
    std::string text;
    while (text.size() < block + 5000)
        text += "riga di testo semplice\n";
    const std::size_t row = addRow(document("long.txt", text), "", 1);
    ASSERT_TRUE(preview.ShowDocument(row));
    EXPECT_EQ(preview.document().text().size(), block);
    EXPECT_TRUE(preview.continueEnabled());
    EXPECT_TRUE(preview.document().spans().empty());

    preview.ContinuePreview();
    EXPECT_EQ(preview.document().text(), text.substr(block));
    EXPECT_EQ(preview.positionField(), static_cast<std::int64_t>(text.size()));
    EXPECT_FALSE(preview.continueEnabled()) << "the end of the document";
    preview.ContinuePreview();
    EXPECT_EQ(preview.document().text(), text.substr(0, block)) << "then the top again";
}

TEST_F(PreviewSessionTest, AnUnreadableDocumentSaysSoWithItsPath)
{
    const std::size_t row = addRow(folder.slash() + "gone.txt", "", 1);
    EXPECT_FALSE(preview.ShowDocument(row));
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_NE(host.messages()[0].text.find("It is impossible to read the file"), std::string::npos);
    EXPECT_NE(host.messages()[0].text.find(folder.slash() + "gone.txt"), std::string::npos);
    EXPECT_TRUE(preview.document().empty());
}

TEST_F(PreviewSessionTest, ExtractsOfTheFirstTenRowsThenContinueShowsTheNextOnes)
{
    for (int i = 0; i < 12; ++i)
        addRow(document("d" + std::to_string(10 + i) + ".txt", "testo con la parola rossi numero " +
                                                                    std::to_string(i) + "\n"),
               "rossi ", 100 + i);
    query("rossi");
    ExtractResult first = preview.ShowExtracts();
    ASSERT_EQ(first.outcome, ExtractOutcome::Written);
    EXPECT_EQ(first.lastRow, 9u);
    EXPECT_TRUE(preview.showsExtractFile());
    EXPECT_TRUE(preview.continueEnabled());
    EXPECT_TRUE(preview.readable);
    const std::string& text = preview.document().text();
    EXPECT_NE(text.find(" File: 100 - "), std::string::npos);
    EXPECT_EQ(text.find(" File: 110 - "), std::string::npos);
    EXPECT_FALSE(marked(Colour::Red).empty()) << "document headers";
    EXPECT_FALSE(marked(Colour::Green).empty()) << "excerpt headers";
    EXPECT_EQ(marked(Colour::Blue).size(), 10u) << "the word in each excerpt";

    preview.ContinuePreview();
    EXPECT_NE(preview.document().text().find(" File: 110 - "), std::string::npos);
    EXPECT_NE(preview.document().text().find(" File: 111 - "), std::string::npos);
    EXPECT_EQ(preview.document().text().find(" File: 100 - "), std::string::npos);
    EXPECT_NE(workspace.statusText.find(": 11 - 12"), std::string::npos);
}

TEST_F(PreviewSessionTest, ExtractsAndContinueFollowTheOrderTheListShows)
{
    for (int i = 0; i < 12; ++i)
        addRow(document("s" + std::to_string(10 + i) + ".txt", "la parola rossi qui\n"), "rossi ", 100 + i);
    query("rossi");
    std::vector<std::size_t> order;
    for (std::size_t row = 12; row-- > 0;)
        order.push_back(row);
    preview.setShownOrder([&order]() -> const std::vector<std::size_t>& { return order; });
    auto shows = [this](int number) {
        return preview.document().text().find(" File: " + std::to_string(number) + " - ") != std::string::npos;
    };

    ASSERT_EQ(preview.ShowExtracts().outcome, ExtractOutcome::Written);
    EXPECT_TRUE(shows(111) && shows(102)) << "the first ten rows shown: the list sorted the other way";
    EXPECT_FALSE(shows(101) || shows(100));
    preview.ContinuePreview();
    EXPECT_TRUE(shows(101) && shows(100));
    EXPECT_FALSE(shows(111));

    // Rows 3 and 5 selected are shown at places 8 and 6: the extract runs from
    // the first to the last of them as shown.
    results.setSelected(3, true);
    results.setSelected(5, true);
    ASSERT_EQ(preview.ShowExtracts().outcome, ExtractOutcome::Written);
    EXPECT_TRUE(shows(105) && shows(104) && shows(103));
    EXPECT_FALSE(shows(106) || shows(102));

    // An order that no longer covers the list (rows cleaned since) is not used.
    results.clearSelection();
    order.resize(5);
    ASSERT_EQ(preview.ShowExtracts().outcome, ExtractOutcome::Written);
    EXPECT_TRUE(shows(100) && shows(109));
    EXPECT_FALSE(shows(110));
}

TEST_F(PreviewSessionTest, ExtractsSearchEachRowForTheWordsItWasFoundWith)
{
    addRow(document("a.txt", "mario e basta\n"), "mario ", 1);
    addRow(document("b.txt", "rossi e basta\n"), "rossi ", 2);
    query("mario rossi");
    ASSERT_EQ(preview.ShowExtracts().outcome, ExtractOutcome::Written);
    const std::string extract = readFile(workspace.extractsPath);
    EXPECT_NE(extract.find("..... mario e basta"), std::string::npos);
    EXPECT_NE(extract.find("..... rossi e basta"), std::string::npos);
    EXPECT_EQ(extract.find("No results"), std::string::npos);
}

TEST_F(PreviewSessionTest, InTheFileSearchesTheDocumentShown)
{
    const std::size_t row = addRow(document("a.txt", "Una riga.\nLa casa di Mario Rossi.\n"), "", 1);
    ASSERT_TRUE(preview.ShowDocument(row));
    query("rossi");
    EXPECT_TRUE(preview.SearchInDocument());
    EXPECT_EQ(marked(Colour::Blue), (std::vector<std::string>{"Rossi"}));
    EXPECT_EQ(preview.positionField(), 27);

    query("verdi");
    EXPECT_FALSE(preview.SearchInDocument());
    EXPECT_EQ(preview.document().text().substr(0, 9), "Una riga.") << "the start of the file, as written";
    EXPECT_TRUE(preview.document().spans().empty());
}

TEST_F(PreviewSessionTest, AgendaMarkersAreBlueAndMemorandumHitsAreNotColoured)
{
    workspace.agendaPath = document("agenda.txt", "<12/09/2026: dentista\r\n<13/09/2026: riunione\r\n");
    ASSERT_EQ(preview.OpenPreviewFile(workspace.agendaPath, 0, ReadMode::Plain), 0);
    preview.ShowBlock();
    EXPECT_EQ(marked(Colour::Blue), (std::vector<std::string>{"<12/09/2026:", "<13/09/2026:"}));

    workspace.SearchTarget = SearchTarget::Memorandum;
    query("riunione");
    ASSERT_EQ(preview.OpenPreviewFile(workspace.agendaPath, 0, ReadMode::Search), 0);
    preview.ShowHits();
    EXPECT_TRUE(marked(Colour::Blue).empty());
    EXPECT_EQ(marked(Colour::None), (std::vector<std::string>{"riunione"}));
}

TEST_F(PreviewSessionTest, TheReadableViewBlanksBinaryBytes)
{
    const std::string path = document("blob.bin", std::string("ab\x01\x02" "cd parola\x7f", 14));
    query("parola");
    preview.readable = true;
    ASSERT_EQ(preview.OpenPreviewFile(path, 0, ReadMode::Search), 0);
    preview.ShowHits();
    EXPECT_EQ(preview.document().text(), "ab  cd parola ");
}

TEST_F(PreviewSessionTest, WebAddressesArePreviewedThroughTheirLocalCopy)
{
    const std::string copy = document("www.example.org%2Fpage", "pagina con rossi\n");
    EXPECT_EQ(preview.OpenPreviewFile("www.example.org/page", 0, ReadMode::Plain), -2) << "no way to fetch it";
    std::vector<std::string> asked;
    preview.setWebResolver([&](const std::string& address) {
        asked.push_back(address);
        return std::optional<std::string>(copy);
    });
    query("rossi");
    ASSERT_EQ(preview.OpenPreviewFile("www.example.org/page", 0, ReadMode::Search), 0);
    preview.ShowHits();
    EXPECT_EQ(asked, (std::vector<std::string>{"www.example.org/page"}));
    EXPECT_EQ(preview.currentPath(), "www.example.org/page");
    EXPECT_EQ(marked(Colour::Blue), (std::vector<std::string>{"rossi"}));
}

TEST_F(PreviewSessionTest, AClickedWebResultShowsItsPageEvenWithWords)
{
    const std::string copy = document("page.html", "<p>Il giardino di rossi</p>\n");
    const std::string file = document("b.txt", "rossi qui\n");
    const std::size_t fileRow = addRow(file, "rossi", 1);
    const std::size_t webRow = addRow("www.example.org/page.html", "rossi", 2);
    std::vector<std::string> asked;
    std::optional<std::string> answer = copy;
    preview.setWebResolver([&](const std::string& address) {
        asked.push_back(address);
        return answer;
    });
    query("rossi");

    // A file row with words gives the extract, and fetches nothing.
    preview.ShowClickedRow(fileRow, true);
    EXPECT_TRUE(preview.showsExtractFile());
    EXPECT_TRUE(asked.empty());

    preview.ShowClickedRow(webRow, true);
    EXPECT_EQ(asked, (std::vector<std::string>{"www.example.org/page.html"}));
    EXPECT_FALSE(preview.showsExtractFile());
    EXPECT_EQ(preview.currentPath(), "www.example.org/page.html");
    // A page is shown as the hit search read it, lower-cased.
    EXPECT_NE(preview.document().text().find("il giardino di rossi"), std::string::npos);
    EXPECT_EQ(marked(Colour::Blue), (std::vector<std::string>{"rossi"}));

    // A page that cannot be had: its resolver has spoken, the preview adds nothing.
    answer.reset();
    preview.ShowClickedRow(webRow, false);
    EXPECT_TRUE(preview.document().empty());
    EXPECT_TRUE(host.messages().empty());
    preview.ShowClickedRow(results.size(), true);
    EXPECT_EQ(asked.size(), 2u);
}

TEST_F(PreviewSessionTest, APdfIsShownThroughItsConvertedText)
{
    if (!std::filesystem::exists("/usr/bin/pdftotext"))
        GTEST_SKIP() << "pdftotext is not installed";
    workspace.PdfToTextCommand = "\"/usr/bin/pdftotext\"";
    const std::string pdf = document("report.pdf", testing::minimalPdf({"Quarterly figures of Vedra"}));
    const std::size_t row = addRow(pdf, "", 1);
    query("figures");
    ASSERT_TRUE(preview.ShowDocument(row));
    EXPECT_EQ(preview.currentPath(), pdf);
    EXPECT_TRUE(std::filesystem::exists(pdf + ".txt"));
    EXPECT_EQ(marked(Colour::Blue), (std::vector<std::string>{"figures"}));
}

TEST_F(PreviewSessionTest, AnOpenDocumentIsShownThroughItsUnpackedText)
{
    const char* sevenZip = "/usr/bin/7z";
    if (!std::filesystem::exists(sevenZip))
        GTEST_SKIP() << "7z is not installed";
    workspace.SevenZipCommand = std::string("\"") + sevenZip + "\" x \"";
    writeFile(folder.slash() + "staging/content.xml", "<text:p>Verbale della riunione di marzo</text:p>");
    const std::string odt = folder.slash() + "verbale.odt";
    std::string here = std::filesystem::current_path().string();
    std::filesystem::current_path(folder.slash() + "staging");
    app::ProcessOutcome zipped = app::RunProgram(workspace, {sevenZip, "a", "-tzip", odt, "content.xml"});
    std::filesystem::current_path(here);
    ASSERT_TRUE(zipped.started);
    ASSERT_EQ(zipped.exitCode, 0);

    const std::size_t row = addRow(odt, "", 1);
    query("riunione");
    ASSERT_TRUE(preview.ShowDocument(row));
    EXPECT_EQ(preview.currentPath(), odt);
    EXPECT_EQ(marked(Colour::Blue), (std::vector<std::string>{"riunione"}));
    EXPECT_FALSE(std::filesystem::exists(folder.slash() + "verbale.odt_vedratemp")) << "nothing unpacked beside it";
}

TEST_F(PreviewSessionTest, ExtractsReadPdfAndPackedRowsThroughTheirConverters)
{
    const char* sevenZip = "/usr/bin/7z";
    if (!std::filesystem::exists("/usr/bin/pdftotext") || !std::filesystem::exists(sevenZip))
        GTEST_SKIP() << "pdftotext or 7z is not installed";
    workspace.PdfToTextCommand = "\"/usr/bin/pdftotext\"";
    workspace.SevenZipCommand = std::string("\"") + sevenZip + "\" x \"";
    const std::string pdf = document("docs/report.pdf", testing::minimalPdf({"Quarterly zebrafish figures"}));
    const std::string member = document("staging/member.txt", "a packed zebrafish swims\n");
    const std::string zip = folder.slash() + "docs/pack.zip";
    app::ProcessOutcome zipped = app::RunProgram(workspace, {sevenZip, "a", "-tzip", zip, member});
    ASSERT_TRUE(zipped.started);
    ASSERT_EQ(zipped.exitCode, 0);

    // The rows as a run leaves them: the PDF's text and the member by their keys,
    // their unpack folder removed.
    addRow(pdf + ".txt", "zebrafish ", 6);
    addRow(zip + "_vedratemp/member.txt", "zebrafish ", 4);
    const std::size_t lost = addRow(folder.slash() + "docs/lost.zip_vedratemp/member.txt", "zebrafish ", 2);
    query("zebrafish");
    ExtractResult made = preview.ShowExtracts();
    ASSERT_EQ(made.outcome, ExtractOutcome::Written);
    EXPECT_EQ(made.excerptCount, 2u);
    const std::string extract = readFile(workspace.extractsPath);
    EXPECT_NE(extract.find(" File: 6 - " + pdf + ".txt\r\n"), std::string::npos) << "the stored label, as written";
    EXPECT_NE(extract.find("..... quarterly zebrafish figures"), std::string::npos) << extract;
    EXPECT_NE(extract.find("..... a packed zebrafish swims"), std::string::npos) << extract;
    EXPECT_NE(extract.find(" File: 2 - " + folder.slash() + "docs/lost.zip_vedratemp/member.txt\r\nNo results"),
              std::string::npos)
        << extract;
    ASSERT_EQ(made.unreadable.size(), 1u);
    EXPECT_EQ(made.unreadable[0].row, lost);
    EXPECT_EQ(made.unreadable[0].source.problem, PreviewTextProblem::PackedFileGone);
    EXPECT_FALSE(std::filesystem::exists(zip + "_vedratemp")) << "unpacked in the temporary folder only";
    EXPECT_TRUE(host.messages().empty()) << "an extract asks nothing";
}

TEST_F(PreviewSessionTest, ExportedListHoldsTheSelectedLabelsOrAll)
{
    workspace.extractsPath = folder.slash() + "Magazzino/estratti.vedra";
    std::filesystem::create_directories(folder.slash() + "Magazzino");
    addRow("/data/one.txt", "", 1);
    addRow("/data/two words.txt", "", 2);
    addRow("www.example.org/x", "", 3);
    auto all = preview.ExportFoundFiles();
    ASSERT_TRUE(all.has_value());
    EXPECT_EQ(all->rfind(folder.slash() + "Magazzino/", 0), 0u);
    EXPECT_EQ(all->substr(all->size() - 10), "_FExtr.txt");
    EXPECT_EQ(readFile(*all), "/data/one.txt\r\n/data/two words.txt\r\nwww.example.org/x\r\n");
    EXPECT_EQ(host.messages().back().text, "File path: " + *all);

    results.setSelected(1, true);
    auto selected = preview.ExportFoundFiles();
    ASSERT_TRUE(selected.has_value());
    EXPECT_EQ(readFile(*selected), "/data/two words.txt\r\n");

    // A list sorted on the screen is exported as it is shown.
    const std::vector<std::size_t> shown = {2, 0, 1};
    results.clearSelection();
    auto sorted = preview.ExportFoundFiles(shown);
    ASSERT_TRUE(sorted.has_value());
    EXPECT_EQ(readFile(*sorted), "www.example.org/x\r\n/data/one.txt\r\n/data/two words.txt\r\n");
    results.setSelected(0, true);
    results.setSelected(2, true);
    EXPECT_EQ(readFile(*preview.ExportFoundFiles(shown)), "www.example.org/x\r\n/data/one.txt\r\n");
}

} // namespace
} // namespace vedra::search
