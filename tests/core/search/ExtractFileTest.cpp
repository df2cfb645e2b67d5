#include "core/search/ExtractFile.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace vedra::search {
namespace {

using testing::readFile;
using testing::TempFolder;
using testing::testProbe;
using testing::writeFile;

HitWord extractWord(const std::string& word)
{
    HitWord hit;
    hit.text = word;
    hit.fullLength = static_cast<int>(word.size());
    return hit;
}

const std::string kSeparator = std::string(128, '-') + "\n";
const std::string kNoResults = "No results matched the search options set\r\n\r\n";

class ExtractFileTest : public ::testing::Test {
protected:
    ExtractFileTest() { workspace.extractsPath = folder.slash() + "estratti.vedra"; }

    std::string document(const std::string& name, const std::string& content)
    {
        std::string path = folder.slash() + name;
        writeFile(path, content);
        return path;
    }

    ExtractRow row(const std::string& path, long number, std::vector<std::string> query)
    {
        ExtractRow r;
        r.path = path;
        r.number = number;
        for (const std::string& word : query)
            r.queryWords.push_back(extractWord(word));
        return r;
    }

    std::string extract() const { return readFile(workspace.extractsPath); }

    static std::size_t excerptCount(const std::string& text)
    {
        std::size_t count = 0;
        for (std::size_t at = text.find("N.file: "); at != std::string::npos; at = text.find("N.file: ", at + 1))
            ++count;
        return count;
    }

    TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testProbe(folder.path())};
    ExtractRequest request;
};

TEST_F(ExtractFileTest, ExactBytesForAHitAndForANoResultDocument)
{
    std::string hitPath = document("contratto.txt", "Il contratto di Mario Rossi scade domani.");
    std::string missPath = document("altro.txt", "Nulla di utile qui.");
    request.extractLength = 20;
    request.rows = {row(hitPath, 7, {"rossi"}), row(missPath, 8, {"rossi"})};

    ExtractResult result = BuildExtract(workspace, request, 0, 1);
    EXPECT_EQ(result.outcome, ExtractOutcome::Written);
    EXPECT_EQ(result.excerptCount, 1u);
    EXPECT_EQ(result.lastRow, 1u);

    // "rossi" at 22; the excerpt starts 20 / 2 = 10 before it and holds 20
    // characters of the lower-cased search text.
    std::string expected = " File: 7 - " + hitPath + "\r\n" +
                           "N.file: 7 / 1 - Pos.: 22 / 41\r\n" +
                           ".....  di mario rossi scad .....\r\n" + kSeparator +
                           " File: 8 - " + missPath + "\r\n" + kNoResults;
    EXPECT_EQ(extract(), expected);
    EXPECT_EQ(workspace.statusText, workspace.extractsPath + ": 1 - 2");
    EXPECT_EQ(host.status(), workspace.statusText);
}

TEST_F(ExtractFileTest, ExcerptIsClippedAtBothEndsOfTheText)
{
    std::string path = document("corto.txt", "casa bella");
    request.extractLength = 200;
    request.rows = {row(path, 1, {"bella"})};
    BuildExtract(workspace, request, 0, 0);
    EXPECT_EQ(extract(), " File: 1 - " + path + "\r\nN.file: 1 / 1 - Pos.: 5 / 10\r\n..... casa bella .....\r\n" +
                             kSeparator);
}

TEST_F(ExtractFileTest, CloseHitsShareOneExcerpt)
{
    request.extractLength = 200;
    std::string close = document("close.txt", "alfa" + std::string(46, ' ') + "beta e poi fine");
    request.rows = {row(close, 1, {"alfa", "beta"})};
    BuildExtract(workspace, request, 0, 0);
    EXPECT_EQ(excerptCount(extract()), 1u);

    // The same word again 50 characters on lies inside the excerpt already written.
    std::string twice = document("twice.txt", "alfa" + std::string(46, ' ') + "alfa");
    request.rows = {row(twice, 2, {"alfa"})};
    BuildExtract(workspace, request, 0, 0);
    EXPECT_EQ(excerptCount(extract()), 1u);
}

TEST_F(ExtractFileTest, DistantHitsGetNumberedExcerpts)
{
    request.extractLength = 200;
    std::string far = document("far.txt", "alfa" + std::string(246, ' ') + "beta" + std::string(300, ' ') + "alfa");
    request.rows = {row(far, 4, {"alfa"})};
    BuildExtract(workspace, request, 0, 0);
    std::string text = extract();
    EXPECT_EQ(excerptCount(text), 2u);
    EXPECT_NE(text.find("N.file: 4 / 1 - Pos.: 0 / 558\r\n"), std::string::npos);
    EXPECT_NE(text.find("N.file: 4 / 2 - Pos.: 554 / 558\r\n"), std::string::npos);

    // Two words 250 apart: each gets its own excerpt.
    request.rows = {row(far, 4, {"alfa", "beta"})};
    BuildExtract(workspace, request, 0, 0);
    text = extract();
    EXPECT_NE(text.find("N.file: 4 / 1 - Pos.: 0 / 558\r\n"), std::string::npos);
    EXPECT_NE(text.find("N.file: 4 / 2 - Pos.: 250 / 558\r\n"), std::string::npos);
}

TEST_F(ExtractFileTest, HitAcrossTheBlockBorderIsExtracted)
{
    request.extractLength = 20;
    request.blockBytes = 64;
    request.options.contiguity = true;
    std::string path = document("border.txt", std::string(55, '.') + "mario rossi" + std::string(30, '.'));
    request.rows = {row(path, 3, {"rossi", "mario"})};
    BuildExtract(workspace, request, 0, 0);
    std::string text = extract();
    EXPECT_EQ(excerptCount(text), 1u);
    EXPECT_NE(text.find("N.file: 3 / 1 - Pos.: 55 / 96\r\n"), std::string::npos);
    // The block read again from "mario" holds the group; the excerpt cannot start
    // before the block.
    EXPECT_NE(text.find("..... mario rossi......... .....\r\n"), std::string::npos);
}

TEST_F(ExtractFileTest, Utf8DocumentFoundByFoldedWord)
{
    request.extractLength = 20;
    std::string path = document("citta.txt", "Vivo in citt\xC3\xA0 da anni");
    request.rows = {row(path, 5, {"citta"})};
    BuildExtract(workspace, request, 0, 0);
    EXPECT_NE(extract().find("N.file: 5 / 1 - Pos.: 8 / 22\r\n..... vivo in citta da ann ....."),
              std::string::npos);
}

TEST_F(ExtractFileTest, NoHitWritesTheNoResultLine)
{
    request.extractLength = 200;
    std::string path = document("none.txt", "casale e casamento");
    request.rows = {row(path, 9, {"casa"})};
    BuildExtract(workspace, request, 0, 0);
    EXPECT_EQ(extract(), " File: 9 - " + path + "\r\n" + kNoResults);
}

TEST_F(ExtractFileTest, ItalianNoResultLineIsWrittenInCp1252)
{
    workspace.SetLanguage(0);
    request.rows = {row(document("none.txt", "x"), 1, {"casa"})};
    BuildExtract(workspace, request, 0, 0);
    EXPECT_NE(extract().find("Nessun risultato rispondente alle opzioni di ricerca impostate\r\n\r\n"),
              std::string::npos);
}

TEST_F(ExtractFileTest, NamesOnlyWritesDocumentLinesAndSkipsTheExtractFile)
{
    request.extractLength = 0;
    std::string path = document("a.txt", "casa");
    request.rows = {row(path, 1, {"casa"}), row(workspace.extractsPath, 2, {"casa"})};
    BuildExtract(workspace, request, 0, 1);
    EXPECT_EQ(extract(), " File: 1 - " + path + "\r\n");
}

TEST_F(ExtractFileTest, WebPageLines)
{
    request.extractLength = 200;
    ExtractRow web = row("http://example.org/page", 12, {"casa"});
    web.storedExtract = "casa vendita";
    web.previewText = " Una casa.";
    request.rows = {row(document("a.txt", "x"), 1, {"casa"}), web};
    BuildExtract(workspace, request, 1, 1);
    EXPECT_EQ(extract(), " File: 12 - http://example.org/page\r\nN.file: 1 Pos.: 1\r\nKey words-> casa vendita Una casa.\r\n");
}

TEST_F(ExtractFileTest, VeryLongFileAsksAndNoSkipsIt)
{
    std::string path = document("huge.txt", "casa");
    ASSERT_EQ(::truncate(path.c_str(), kVeryLongFileBytes + 1), 0);
    request.rows = {row(path, 1, {"casa"})};
    host.queueAnswer(app::MessageAnswer::No);
    BuildExtract(workspace, request, 0, 0);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].buttons, app::MessageButtons::YesNo);
    EXPECT_NE(host.messages()[0].text.find(path), std::string::npos);
    EXPECT_EQ(extract(), " File: 1 - " + path + "\r\n");
}

TEST_F(ExtractFileTest, UnwritableExtractFileStopsWithTheWriteError)
{
    workspace.extractsPath = folder.slash() + "missing/estratti.vedra";
    request.rows = {row(document("a.txt", "casa"), 1, {"casa"})};
    ExtractResult result = BuildExtract(workspace, request, 0, 0);
    EXPECT_EQ(result.outcome, ExtractOutcome::Stopped);
    EXPECT_EQ(workspace.BreakCode, app::StopCode::Break);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Writing error.");
}

TEST_F(ExtractFileTest, EscapeConfirmedStopsTheExtract)
{
    workspace.setPumpInterval(std::chrono::milliseconds(0));
    host.pressEscape();
    request.rows = {row(document("a.txt", "casa"), 1, {"casa"}), row(document("b.txt", "casa"), 2, {"casa"})};
    ExtractResult result = BuildExtract(workspace, request, 0, 1);
    EXPECT_EQ(result.outcome, ExtractOutcome::Stopped);
    EXPECT_EQ(workspace.BreakCode, app::StopCode::Suspend);
    EXPECT_EQ(extract().find(" File: 2"), std::string::npos);
}

TEST_F(ExtractFileTest, ShowExtractsTakesTenRowsAndMarksTheHeaders)
{
    request.extractLength = 20;
    for (long n = 0; n < 12; ++n)
        request.rows.push_back(row(document("d" + std::to_string(n) + ".txt", "una casa"), n, {"casa"}));
    PreviewDocument preview;
    ExtractResult result = ShowExtracts(workspace, request, preview);
    EXPECT_EQ(result.outcome, ExtractOutcome::Written);
    EXPECT_EQ(result.lastRow, 9u);
    EXPECT_EQ(excerptCount(extract()), 10u);
    EXPECT_EQ(preview.text(), extract());

    std::string rendered = RenderMarked(preview, "<", ">");
    std::string firstDocument = " <File: 0 - " + folder.slash() + "d0.txt\r\n><N.file: 0 / 1 - Pos.: 4 / 8>\r\n";
    EXPECT_EQ(rendered.substr(0, firstDocument.size()), firstDocument);
    ASSERT_FALSE(preview.spans().empty());
    EXPECT_EQ(preview.spans()[0].colour, Colour::Red);
    EXPECT_TRUE(preview.spans()[0].underline);
}

TEST_F(ExtractFileTest, ShowExtractsUsesTheSelection)
{
    request.extractLength = 20;
    for (long n = 0; n < 5; ++n)
        request.rows.push_back(row(document("d" + std::to_string(n) + ".txt", "una casa"), n, {"casa"}));
    request.firstSelected = 2;
    request.lastSelected = 3;
    PreviewDocument preview;
    ExtractResult result = ShowExtracts(workspace, request, preview);
    EXPECT_EQ(result.firstRow, 2u);
    EXPECT_EQ(result.lastRow, 3u);
    EXPECT_EQ(extract().substr(0, 10), " File: 2 -");
    EXPECT_EQ(excerptCount(extract()), 2u);
}

TEST_F(ExtractFileTest, NamesOnlyQuestionCancelledWritesNothing)
{
    request.extractLength = 0;
    request.rows = {row(document("a.txt", "casa"), 1, {"casa"})};
    host.queueAnswer(app::MessageAnswer::Cancel);
    PreviewDocument preview;
    EXPECT_EQ(ShowExtracts(workspace, request, preview).outcome, ExtractOutcome::NamesRefused);
    EXPECT_FALSE(std::filesystem::exists(workspace.extractsPath));

    request.extractLength = 2001;
    EXPECT_EQ(ShowExtracts(workspace, request, preview).outcome, ExtractOutcome::NothingToDo);
    EXPECT_FALSE(std::filesystem::exists(workspace.extractsPath));
}

} // namespace
} // namespace vedra::search
