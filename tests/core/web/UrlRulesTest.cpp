#include "core/web/LinkAtCaret.h"
#include "core/web/UrlRules.h"

#include <gtest/gtest.h>

#include <string>

namespace vedra::web {
namespace {

std::string escaped(std::string text)
{
    EscapeLocalName(text);
    return text;
}

std::string unescaped(std::string text)
{
    UnescapeLocalName(text);
    return text;
}

TEST(ClassifyResultPath, AbsolutePathIsADiskFileAndTextInFrontIsDropped)
{
    auto plain = ClassifyResultPath("/home/anna/doc.txt");
    EXPECT_EQ(plain.kind, 'f');
    EXPECT_EQ(plain.path, "/home/anna/doc.txt");
    auto prefixed = ClassifyResultPath("Origin: /home/anna/doc.txt");
    EXPECT_EQ(prefixed.kind, 'f');
    EXPECT_EQ(prefixed.path, "/home/anna/doc.txt");
    EXPECT_EQ(ClassifyResultPath("file=\"/tmp/a b.txt").path, "/tmp/a b.txt");
}

TEST(ClassifyResultPath, RelativePathsAndAddressesAreWebAddresses)
{
    EXPECT_EQ(ClassifyResultPath("docs/cap1.txt").kind, 'w');
    EXPECT_EQ(ClassifyResultPath("www.example.com/a/b").kind, 'w');
    auto address = ClassifyResultPath("http://example.com/x/y.html");
    EXPECT_EQ(address.kind, 'w');
    EXPECT_EQ(address.path, "http://example.com/x/y.html");
    // "//" is no disk path, and neither is an "=/" inside an address's query.
    EXPECT_EQ(ClassifyResultPath("see //server/share").kind, 'w');
    EXPECT_EQ(ClassifyResultPath("https://example.com/?next=/home").kind, 'w');
}

TEST(ClassifyResultPath, PdfTextCopyIsCutBackToThePdf)
{
    EXPECT_EQ(ClassifyResultPath("/data/report.pdf.txt").path, "/data/report.pdf");
    EXPECT_EQ(ClassifyResultPath("/data/REPORT.PDF.txt").path, "/data/REPORT.PDF");
    EXPECT_EQ(ClassifyResultPath("www.x.org/paper.pdf.txt").path, "www.x.org/paper.pdf");
    EXPECT_EQ(CutPdfTextSuffix("/data/notes.txt"), "/data/notes.txt");
}

TEST(ClassifyResultPath, DownloadFolderNamesStandForWebPages)
{
    auto page = ClassifyResultPath("/opt/vedra/download_vedratemp/www.example.com%2Fa%3Fq%3D1");
    EXPECT_EQ(page.kind, 'w');
    EXPECT_EQ(page.path, "www.example.com/a?q=1");
    EXPECT_EQ(ClassifyResultPath("/opt/vedra/download_vedratemp/http//x.org").kind, 'w');
    auto file = ClassifyResultPath("copy of /opt/vedra/download_vedratemp/notes.txt");
    EXPECT_EQ(file.kind, 'f');
    EXPECT_EQ(file.path, "/opt/vedra/download_vedratemp/notes.txt");
}

TEST(AddressToOpen, SchemeIsPutInFrontOnlyWhenMissing)
{
    EXPECT_EQ(AddressToOpen("www.example.com"), "http://www.example.com");
    EXPECT_EQ(AddressToOpen("http://example.com"), "http://example.com");
    EXPECT_EQ(AddressToOpen("HTTP://example.com"), "HTTP://example.com");
    EXPECT_EQ(AddressToOpen("https://example.com"), "https://example.com");
}

TEST(LocalName, EscapesEveryTableCharacterAndKeepsADriveColon)
{
    EXPECT_EQ(escaped("a/b?c*d;e=f"), "a%2Fb%3Fc%2Bd%3Be%3Df");
    EXPECT_EQ(escaped("C:\\x:y"), "C:\\x%3Ay");
    EXPECT_EQ(escaped("http://h.org/p?q=1"), "http%3A%2F%2Fh.org%2Fp%3Fq%3D1");
}

TEST(LocalName, UnescapingGivesTheAddressBackInEitherCase)
{
    const std::string address = "http://h.org/a;b?q=1*2";
    EXPECT_EQ(unescaped(escaped(address)), address);
    EXPECT_EQ(unescaped("http%3a%2f%2fh.org%2fa%3bb%3fq%3d1%2b2"), address);
    EXPECT_EQ(unescaped("100%25 %41"), "100%25 %41");
}

TEST(LocalName, AddressGivesItsLastPartOrTheWholeAddress)
{
    EXPECT_EQ(LocalNameForAddress("http://h.org/dir/page.html"), "page.html");
    EXPECT_EQ(LocalNameForAddress("http://h.org/dir/p?a=1:2"), "p%3Fa%3D1%3A2");
    EXPECT_EQ(LocalNameForAddress("http://h.org/"), "http%3A%2F%2Fh.org%2F");
    EXPECT_EQ(LocalNameForAddress("http://h.org/ x"), "http%3A%2F%2Fh.org%2F x");
    EXPECT_EQ(LocalNameForAddress("www.h.org"), "www.h.org");
}

// An address is text from the archive or a page: its local name must stay one
// plain name inside the folder it is put in.
TEST(LocalName, HostileAddressesCannotLeaveTheFolder)
{
    const std::string hostile[] = {
        "..", ".", "http://evil.org/..", "http://evil.org/.", "../../etc/passwd", "http://e/..%2F..%2Fetc",
        std::string("http://e/a\0/../../x", 19), "....//....//", "http://e/" + std::string(2000, '/'),
        std::string("a\0b", 3),
    };
    for (const std::string& address : hostile) {
        std::string name = LocalNameForAddress(address);
        EXPECT_FALSE(name.empty()) << address;
        EXPECT_EQ(name.find('/'), std::string::npos) << name;
        EXPECT_EQ(name.find(".."), std::string::npos) << name;
        EXPECT_EQ(name.find('\0'), std::string::npos) << name;
        EXPECT_NE(name, ".");
    }
}

TEST(OpenLinkAtCaret, PlainWordIsSearchedInTheNotes)
{
    const std::string text = "first line\nsome Casa here\nlast";
    auto link = OpenLinkAtCaret(text, text.find("asa"));
    EXPECT_EQ(link.action, LinkAction::SearchNotes);
    EXPECT_EQ(link.target, "casa");
    EXPECT_EQ(OpenLinkAtCaret(text, std::nullopt).action, LinkAction::None);
    EXPECT_EQ(OpenLinkAtCaret("a , b", 2).action, LinkAction::None);
}

TEST(OpenLinkAtCaret, LineWithAnAddressOpensItWithTheScheme)
{
    const std::string text = "intro\nsee WWW.Example.com/Page now\nend";
    auto link = OpenLinkAtCaret(text, text.find("see"));
    EXPECT_EQ(link.action, LinkAction::OpenWebAddress);
    EXPECT_EQ(link.target, "http://WWW.Example.com/Page");
    auto secure = OpenLinkAtCaret("x https://www.e.org/a", 0);
    EXPECT_EQ(secure.target, "https://www.e.org/a");
    auto plain = OpenLinkAtCaret("go to http://e.org/b", 0);
    EXPECT_EQ(plain.target, "http://e.org/b");
}

TEST(OpenLinkAtCaret, LineWithADiskPathOpensTheFile)
{
    const std::string text = "header\r\nthe file /home/Anna/My Doc.txt  \r\nnext";
    auto link = OpenLinkAtCaret(text, text.find("file"));
    EXPECT_EQ(link.action, LinkAction::OpenFile);
    EXPECT_EQ(link.target, "/home/Anna/My Doc.txt");
}

TEST(OpenLinkAtCaret, TheLineEndsAtAStarAndEscapesAreDecodedFirst)
{
    auto link = OpenLinkAtCaret("caff%C3%A8 * www.e.org", 1);
    EXPECT_EQ(link.action, LinkAction::SearchNotes);
    EXPECT_EQ(link.target, "caffe");
}

TEST(OpenLinkAtCaret, OverlongLineIsIgnoredAndACaretPastTheEndIsClamped)
{
    std::string longLine(1200, 'a');
    longLine += " www.e.org";
    EXPECT_EQ(OpenLinkAtCaret(longLine, 5).action, LinkAction::None);
    auto last = OpenLinkAtCaret("one word", 5000);
    EXPECT_EQ(last.action, LinkAction::SearchNotes);
    EXPECT_EQ(last.target, "word");
}

} // namespace
} // namespace vedra::web
