// Text recognition with fake programs first: which files go to tesseract, how
// often (the cache must spare every second call), that limits and failures cost
// only the file concerned; then a real tesseract on pages rendered from a PDF.
#include "core/indexing/IndexingRun.h"

#include "core/archive/ArchiveStore.h"
#include "core/indexing/ContentHash.h"
#include "core/indexing/OcrReader.h"
#include "support/ArchiveFixture.h"
#include "support/DocumentFixtures.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <sstream>

#include <sys/stat.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

constexpr const char* kOcrRoots = "hello vedra alpha beta gamma delta paper chapter letter receipt";

void writeOcrScript(const fs::path& file, const std::string& body)
{
    writeFile(file, "#!/bin/sh\n" + body);
    ::chmod(file.c_str(), 0755);
}

// PATH set for the test's life and put back after it.
class PathFront {
public:
    explicit PathFront(const std::string& front, bool withSystem = true)
    {
        const char* old = std::getenv("PATH");
        m_old = old != nullptr ? old : "";
        ::setenv("PATH", (front + (withSystem ? ":/usr/bin:/bin" : "")).c_str(), 1);
    }
    ~PathFront() { ::setenv("PATH", m_old.c_str(), 1); }
    PathFront(const PathFront&) = delete;
    PathFront& operator=(const PathFront&) = delete;

private:
    std::string m_old;
};

// One archive with recognition on (or off), indexing trees with the fakes.
struct OcrIndexer {
    explicit OcrIndexer(bool ocr, const char* roots = kOcrRoots)
    {
        fx.workspace->PdfToTextCommand = "\"/usr/bin/pdftotext\"";
        if (ocr)
            writeFile(fx.store->slotPath(archive::SlotMediaExtensions),
                      fx.fileBytes(archive::SlotMediaExtensions) + OcrListBytes());
        fx.openForIndexing();
        WordExtractor extractor(*fx.workspace, *fx.store);
        extractor.LoadRoots(roots, std::strlen(roots));
        fx.store->close();
    }

    IndexingCounters index(const fs::path& tree, bool again = false)
    {
        IndexingCounters counters;
        if (!fx.openForIndexing(fx.workspace->cacheSizes()))
            return counters;
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun run(*fx.workspace, *fx.store, lists);
        run.options().rereadAll = again;
        run.RunIndexing(tree.string() + "/", RunMode::Normal);
        counters = run.counters();
        fx.store->close();
        return counters;
    }

    bool finds(const std::string& word, const std::string& inName)
    {
        for (const std::string& key : fx.documentsWith(word))
            if (key.find(inName) != std::string::npos)
                return true;
        return false;
    }

    testing::ArchiveFixture fx;
};

class OcrReaderTest : public ::testing::Test {
protected:
    testing::TempFolder scratch;
    fs::path tree = scratch.path() / "tree";
    fs::path bin = scratch.path() / "bin";
    fs::path calls = scratch.path() / "calls";

    void SetUp() override
    {
        fs::create_directories(bin);
        fs::create_directories(tree);
        // The "picture" holds its words as text: the fake reads them out. Names
        // ask for failures.
        writeOcrScript(bin / "tesseract", "echo \"tesseract $*\" >> '" + calls.string() + "'\n"
                                          "case \"$1\" in\n"
                                          "  *broken*) exit 1 ;;\n"
                                          "  *hang*) sleep 30 ;;\n"
                                          "esac\n"
                                          "cat \"$1\" > \"$2.txt\"\n");
        // Writes the pages a file named "pagesN" asks for (3 otherwise), ignoring -l.
        writeOcrScript(bin / "pdftoppm", "echo \"pdftoppm $*\" >> '" + calls.string() + "'\n"
                                         "for last; do :; done\n"
                                         "pages=3\n"
                                         "case \"$6\" in *pages60*) pages=60 ;; esac\n"
                                         "i=1\n"
                                         "while [ $i -le $pages ]; do\n"
                                         "  printf 'paper chapter page%02d\\n' $i > \"$last-$(printf %02d $i).png\"\n"
                                         "  i=$((i+1))\n"
                                         "done\n");
    }

    int callsOf(const std::string& program) const
    {
        if (!fs::exists(calls))
            return 0;
        std::istringstream lines(readFile(calls));
        int count = 0;
        for (std::string line; std::getline(lines, line);)
            count += line.starts_with(program + " ") ? 1 : 0;
        return count;
    }

    void clearCalls() { fs::remove(calls); }

    void makeTree(const fs::path& at)
    {
        writeFile(at / "scan.png", "hello vedra alpha\n");
        writeFile(at / "photos/receipt.JPG", "receipt gamma\n");
        writeFile(at / "notes.txt", "delta beta\n");
        writeFile(at / "scan.pdf", testing::minimalPdf({"12"}));
        writeFile(at / "typed.pdf",
                  testing::minimalPdf({"paper chapter alpha beta gamma delta letter", "receipt hello vedra words"}));
    }
};

TEST(OcrRulesTest, ScannedPdfThresholdIsPerPage)
{
    EXPECT_TRUE(PdfTextIsScanned(""));
    EXPECT_TRUE(PdfTextIsScanned("\f\f\f"));
    EXPECT_TRUE(PdfTextIsScanned(std::string(39, 'a') + "\f"));
    EXPECT_FALSE(PdfTextIsScanned(std::string(40, 'a') + "\f"));
    // Digits and blanks are no letters: a page of page numbers is a scan.
    EXPECT_TRUE(PdfTextIsScanned(std::string(200, '7') + std::string(200, ' ') + "\f"));
    // Two pages need twice the letters; a last page without its form feed counts.
    EXPECT_TRUE(PdfTextIsScanned(std::string(50, 'a') + "\f" + std::string(29, 'b') + "\f"));
    EXPECT_FALSE(PdfTextIsScanned(std::string(50, 'a') + "\f" + std::string(30, 'b')));
    EXPECT_TRUE(PdfTextIsScanned(std::string(50, 'a') + "\f" + std::string(29, 'b') + "\r\n"));
    // Accented letters in UTF-8 count.
    std::string accents;
    for (int i = 0; i < 20; ++i)
        accents += "\xc3\xa0";
    EXPECT_FALSE(PdfTextIsScanned(accents + "\f"));
}

TEST(OcrRulesTest, PicturesAreTheMultimediaImageTypes)
{
    for (const char* name : {"a.png", "b.jpg", "c.jpeg", "d.tif", "e.tiff", "f.gif", "g.bmp", "x.y.png"})
        EXPECT_TRUE(IsOcrPicture(name)) << name;
    for (const char* name : {"png", "a.svg", "a.pdf", "a.png.txt", "a.webp", "a.pngx", ""})
        EXPECT_FALSE(IsOcrPicture(name)) << name;
}

TEST(OcrRulesTest, Sha256MatchesKnownDigests)
{
    EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two blocks, and a length whose padding needs a block of its own.
    EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(Sha256Hex(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    testing::TempFolder folder;
    writeFile(folder.path() / "abc", "abc");
    EXPECT_EQ(FileSha256Hex((folder.path() / "abc").string()), Sha256Hex("abc"));
    EXPECT_FALSE(FileSha256Hex((folder.path() / "none").string()));
}

TEST_F(OcrReaderTest, OffByDefaultNothingIsRecognised)
{
    PathFront path(bin.string());
    makeTree(tree);
    OcrIndexer archive(false);
    IndexingCounters counters = archive.index(tree);
    EXPECT_EQ(callsOf("tesseract"), 0);
    EXPECT_EQ(callsOf("pdftoppm"), 0);
    EXPECT_EQ(counters.filesRecognised, 0u);
    EXPECT_FALSE(archive.finds("hello", "scan.png"));
    EXPECT_TRUE(archive.finds("delta", "notes.txt"));
    EXPECT_FALSE(fs::exists(archive.fx.workspace->WorkingFolder + "vedraocr"));
}

TEST_F(OcrReaderTest, PicturesAndScannedPdfsGoToTesseractTypedPdfsDoNot)
{
    PathFront path(bin.string());
    makeTree(tree);
    OcrIndexer archive(true);
    IndexingCounters counters = archive.index(tree);
    // Two pictures and the three pages of the scan; the typed PDF is not rendered.
    EXPECT_EQ(callsOf("tesseract"), 5);
    ASSERT_EQ(callsOf("pdftoppm"), 1);
    const std::string log = readFile(calls);
    EXPECT_NE(log.find("pdftoppm -r 300 -l 50 -png " + (tree / "scan.pdf").string()), std::string::npos) << log;
    EXPECT_EQ(log.find("typed.pdf"), std::string::npos) << log;
    EXPECT_NE(log.find("-l eng+ita+spa"), std::string::npos) << log;
    EXPECT_EQ(counters.filesRecognised, 3u);
    EXPECT_EQ(counters.pagesRecognised, 5u);
    EXPECT_TRUE(archive.finds("hello", "scan.png"));
    EXPECT_TRUE(archive.finds("receipt", "receipt.JPG"));
    EXPECT_TRUE(archive.finds("chapter", "scan.pdf"));
    EXPECT_TRUE(archive.finds("letter", "typed.pdf"));
    // The pages rendered are gone; the texts are kept by content.
    for (const auto& entry : fs::directory_iterator(archive.fx.workspace->WorkingFolder + "vedratemp"))
        EXPECT_FALSE(entry.path().filename().string().starts_with("ocr-")) << entry.path();
    auto hash = FileSha256Hex((tree / "scan.png").string());
    ASSERT_TRUE(hash);
    EXPECT_EQ(readFile(OcrCachePath(*archive.fx.workspace, *hash)), "hello vedra alpha\n\f");
}

TEST_F(OcrReaderTest, CachedTextsSpareTesseractAfterReindexAndMove)
{
    PathFront path(bin.string());
    makeTree(tree);
    OcrIndexer archive(true);
    archive.index(tree);
    ASSERT_EQ(callsOf("tesseract"), 5);
    clearCalls();

    IndexingCounters again = archive.index(tree, true);
    EXPECT_EQ(callsOf("tesseract"), 0);
    EXPECT_EQ(callsOf("pdftoppm"), 0);
    EXPECT_EQ(again.recognisedFromCache, 3u);

    // Moved and renamed: new documents with old contents.
    const fs::path moved = scratch.path() / "moved";
    fs::rename(tree, moved);
    fs::rename(moved / "scan.png", moved / "renamed.png");
    IndexingCounters after = archive.index(moved);
    EXPECT_EQ(callsOf("tesseract"), 0);
    EXPECT_EQ(after.recognisedFromCache, 3u);
    EXPECT_TRUE(archive.finds("hello", "renamed.png"));
    EXPECT_TRUE(archive.finds("chapter", "moved/scan.pdf"));

    // A changed picture is read again.
    writeFile(moved / "renamed.png", "hello beta\n");
    archive.index(moved, true);
    EXPECT_EQ(callsOf("tesseract"), 1);
}

TEST_F(OcrReaderTest, PageLimitHoldsEvenWhenTheRendererIgnoresIt)
{
    PathFront path(bin.string());
    writeFile(tree / "pages60.pdf", testing::minimalPdf({""}));
    OcrIndexer archive(true);
    archive.index(tree);
    EXPECT_EQ(callsOf("tesseract"), kDefaultOcrPageLimit);
    EXPECT_TRUE(archive.finds("chapter", "pages60.pdf"));
}

TEST_F(OcrReaderTest, FailuresAndHangsCostOnlyTheirFile)
{
    PathFront path(bin.string());
    writeFile(tree / "a-broken.png", "alpha\n");
    writeFile(tree / "b-hang.png", "beta\n");
    writeFile(tree / "c.png", "gamma\n");
    writeFile(tree / "d.txt", "delta\n");
    OcrIndexer archive(true);
    archive.fx.workspace->OutsideProgramTime = std::chrono::seconds(1);
    archive.fx.workspace->OutsideProgramTimePerMb = std::chrono::seconds(0);
    const auto start = std::chrono::steady_clock::now();
    IndexingCounters counters = archive.index(tree);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(archive.finds("gamma", "c.png"));
    EXPECT_TRUE(archive.finds("delta", "d.txt"));
    EXPECT_FALSE(archive.finds("alpha", "a-broken.png"));
    std::set<std::string> notRead;
    for (const FileNotRead& file : counters.notRead)
        notRead.insert(fs::path(file.path).filename().string() + ":" + std::string(notReadReasonText(file.reason)));
    EXPECT_EQ(notRead.size(), 2u);
    EXPECT_TRUE(notRead.contains("a-broken.png:" + std::string(notReadReasonText(NotReadReason::ConversionFailed))));
    EXPECT_TRUE(notRead.contains("b-hang.png:" + std::string(notReadReasonText(NotReadReason::PastLimit))));
    // The next run tries again only the file past its limit: the same programs
    // would fail on the broken one again, so it stays not read without a call.
    clearCalls();
    counters = archive.index(tree);
    EXPECT_EQ(callsOf("tesseract"), 1);
    notRead.clear();
    for (const FileNotRead& file : counters.notRead)
        notRead.insert(fs::path(file.path).filename().string());
    EXPECT_EQ(notRead, (std::set<std::string>{"a-broken.png", "b-hang.png"}));
    // A new tesseract is given it again.
    writeOcrScript(bin / "tesseract", "echo \"tesseract $*\" >> '" + calls.string() + "'\n"
                                      "cat \"$1\" > \"$2.txt\"\n");
    clearCalls();
    archive.index(tree);
    EXPECT_EQ(callsOf("tesseract"), 2);
    EXPECT_TRUE(archive.finds("alpha", "a-broken.png"));
}

TEST_F(OcrReaderTest, MissingTesseractLeavesTheFilesForALaterRun)
{
    fs::remove(bin / "tesseract");
    writeFile(tree / "scan.png", "hello\n");
    OcrIndexer archive(true);
    std::optional<PathFront> none(std::in_place, (scratch.path() / "none").string(), false);
    ASSERT_TRUE(FindInPath("tesseract").empty());
    IndexingCounters counters = archive.index(tree);
    EXPECT_EQ(counters.filesRecognised, 0u);
    EXPECT_FALSE(archive.finds("hello", "scan.png"));
    // Installed later: the picture, unchanged, is read by the next run.
    writeOcrScript(bin / "tesseract", "cat \"$1\" > \"$2.txt\"\n");
    none.reset();
    PathFront installed(bin.string());
    archive.index(tree);
    EXPECT_TRUE(archive.finds("hello", "scan.png"));
}

TEST_F(OcrReaderTest, CacheIsWrittenWholeAndBounded)
{
    OcrIndexer archive(true);
    const std::string big(kOcrTextLimit + 100, 'x');
    ASSERT_TRUE(WriteOcrCache(*archive.fx.workspace, "abc", big));
    auto kept = ReadOcrCache(*archive.fx.workspace, "abc");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->size(), kOcrTextLimit);
    EXPECT_FALSE(ReadOcrCache(*archive.fx.workspace, "def"));
    EXPECT_FALSE(ReadOcrCache(*archive.fx.workspace, ""));
    // Only the text itself in the folder: no temporary file left behind.
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(OcrCacheFolder(*archive.fx.workspace))) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1u);
}

// ---- A real tesseract on pages rendered from a PDF. ----

const char* const kRecallLines[] = {
    "The committee received several letters about the harbour",
    "project during the winter months. Most writers asked",
    "whether the bridge would reopen before summer, and others",
    "wanted clearer answers about the budget and the schedule.",
    "Il comune ha ricevuto molte lettere sul progetto del porto",
    "durante i mesi invernali e sulla chiusura della strada.",
    "Engineers measured the foundation again after the storm",
    "and found that the concrete had settled only slightly.",
};

// One page of Helvetica 12 pt, as a typed letter.
std::string recallPdf()
{
    return testing::minimalPdf(std::vector<std::string>(std::begin(kRecallLines), std::end(kRecallLines)), 12, 18,
                               720);
}

std::set<std::string> longWords()
{
    std::set<std::string> words;
    for (const char* line : kRecallLines) {
        std::string word;
        for (const char* c = line;; ++c) {
            if (*c != '\0' && std::isalpha(static_cast<unsigned char>(*c))) {
                word += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
                continue;
            }
            if (word.size() >= 5)
                words.insert(word);
            word.clear();
            if (*c == '\0')
                break;
        }
    }
    return words;
}

// The share of the long words that the archive finds in the scans of one page
// rendered at `dpi`, out of those it finds when the same text is read as text
// (stop words and the like are no fault of recognition).
double recallAt(const fs::path& scratchFolder, int dpi, std::size_t& counted)
{
    const fs::path pages = scratchFolder / "scans";
    const fs::path typed = scratchFolder / "typed";
    fs::create_directories(pages);
    std::string text;
    for (const char* line : kRecallLines)
        text += std::string(line) + "\n";
    writeFile(typed / "letter.txt", text);
    writeFile(scratchFolder / "letter.pdf", recallPdf());
    const std::string command = "pdftoppm -r " + std::to_string(dpi) + " -png '" +
                                (scratchFolder / "letter.pdf").string() + "' '" + (pages / "page").string() + "'";
    if (std::system(command.c_str()) != 0)
        return -1;
    // The PDF itself stays out of the tree: only the "scans" are read.
    OcrIndexer archive(true, text.c_str());
    archive.index(typed);
    archive.index(pages);
    std::size_t found = 0;
    counted = 0;
    for (const std::string& word : longWords()) {
        bool inText = false;
        bool inScan = false;
        for (const std::string& key : archive.fx.documentsWith(word)) {
            inText = inText || key.find("letter.txt") != std::string::npos;
            inScan = inScan || key.find(".png") != std::string::npos;
        }
        if (!inText)
            continue;
        ++counted;
        if (inScan)
            ++found;
        else
            std::printf("not recognised at %d dpi: %s\n", dpi, word.c_str());
    }
    return counted == 0 ? -1 : static_cast<double>(found) / static_cast<double>(counted);
}

TEST(OcrRecallTest, ScansAt300DpiGiveNinetyFivePercentOfLongWords)
{
    if (FindInPath("tesseract").empty() || FindInPath("pdftoppm").empty())
        GTEST_SKIP() << "tesseract or pdftoppm is not installed";
    testing::TempFolder folder;
    std::size_t counted150 = 0;
    std::size_t counted300 = 0;
    const double at150 = recallAt(folder.path() / "150", 150, counted150);
    const double at300 = recallAt(folder.path() / "300", 300, counted300);
    std::printf("recall of words of 5 letters or more: %.1f%% at 150 dpi, %.1f%% at 300 dpi (of %zu words)\n",
                100 * at150, 100 * at300, counted300);
    // Nearly every long word must be a registered word of the text, or the
    // figure says little.
    EXPECT_GE(counted300, longWords().size() * 3 / 4);
    EXPECT_GE(at300, 0.95);
    EXPECT_GE(at150, 0.0) << "the 150 dpi scans could not be made";
}

} // namespace
} // namespace vedra::indexing
