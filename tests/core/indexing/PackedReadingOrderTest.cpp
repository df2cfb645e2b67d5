// The text in order of packed documents: member paths that never leave the
// document, the spine, sheet and slide orders that differ from the file order,
// and damaged package files.
#include "core/indexing/PackedReadingOrder.h"

#include "core/indexing/UnpackFolder.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;

PackedMemberReader packedMembersFrom(const std::map<std::string, std::string>& members)
{
    return [members](const std::string& path) -> std::optional<std::string> {
        auto it = members.find(path);
        if (it == members.end())
            return std::nullopt;
        return it->second;
    };
}

const char* const kPackedContainer =
    "<?xml version=\"1.0\"?><container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\">"
    "<rootfiles><rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
    "</rootfiles></container>";

TEST(PackedReadingOrder, MemberPathsStayInsideTheDocument)
{
    EXPECT_EQ(ResolveMemberPath("OEBPS/", "text/ch%201.xhtml#start"), "OEBPS/text/ch 1.xhtml");
    EXPECT_EQ(ResolveMemberPath("OEBPS/text/", "../images/./a.png"), "OEBPS/images/a.png");
    EXPECT_EQ(ResolveMemberPath("", "a.xhtml?x=1"), "a.xhtml");
    EXPECT_EQ(ResolveMemberPath("OEBPS/", "../../etc/passwd"), "");
    EXPECT_EQ(ResolveMemberPath("", "/etc/passwd"), "");
    EXPECT_EQ(ResolveMemberPath("", "%2e%2e/secret"), "");
    EXPECT_EQ(ResolveMemberPath("OEBPS/", "http://example.org/a.xhtml"), "");
    EXPECT_EQ(ResolveMemberPath("", "#only-a-fragment"), "");
    EXPECT_EQ(ResolveMemberPath("", "a%00b"), "");
    // A colon after a slash is part of a name, not a scheme.
    EXPECT_EQ(ResolveMemberPath("", "text/a:b.xhtml"), "text/a:b.xhtml");
}

TEST(PackedReadingOrder, SpineGivesTheReadingOrderNotTheManifest)
{
    EXPECT_EQ(OpfPathOf(kPackedContainer), "OEBPS/content.opf");
    EXPECT_EQ(OpfPathOf("<container><rootfiles></rootfiles></container>"), "");
    EXPECT_EQ(OpfPathOf("<rootfile full-path=\"../x.opf\"/>"), "");

    const std::string opf =
        "<package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>"
        "<item id=\"c1\" href=\"text/one.xhtml\" media-type=\"application/xhtml+xml\"/>"
        "<item id=\"c2\" href='text/two%20b.xhtml' media-type=\"application/xhtml+xml\"/>"
        "<item id=\"nav\" href=\"nav.xhtml\" properties=\"nav\"/>"
        "<item id=\"evil\" href=\"../../outside.xhtml\"/>"
        "</manifest><spine toc=\"ncx\"><itemref idref=\"c2\"/><itemref idref=\"missing\"/>"
        "<itemref idref=\"evil\"/><itemref idref=\"c1\" linear=\"no\"/></spine></package>";
    EXPECT_EQ(SpineMembers(opf, "OEBPS/content.opf"),
              (std::vector<std::string>{"OEBPS/text/two b.xhtml", "OEBPS/text/one.xhtml"}));
    // Without a spine, no order: the members are then read as they are.
    EXPECT_TRUE(SpineMembers("<package><manifest><item id=\"a\" href=\"a.xhtml\"/></manifest></package>", "p.opf")
                    .empty());
}

TEST(PackedReadingOrder, EpubPagesFollowTheSpineAndAreReadOnce)
{
    const auto read = packedMembersFrom({
        {"META-INF/container.xml", kPackedContainer},
        {"OEBPS/content.opf", "<package><manifest><item id=\"a\" href=\"a.xhtml\"/><item id=\"b\" href=\"b.xhtml\"/>"
                              "</manifest><spine><itemref idref=\"b\"/><itemref idref=\"a\"/><itemref idref=\"b\"/>"
                              "</spine></package>"},
        {"OEBPS/a.xhtml", "<html><head><title>a.xhtml</title><style>p{}</style></head><body><p>second</p></body>"
                          "</html>"},
        {"OEBPS/b.xhtml", "<html><body><p>first</p></body></html>"},
    });
    auto book = ReadPackedInOrder("novel.epub", read);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->name, "text.xhtml");
    EXPECT_LT(book->text.find("first"), book->text.find("second"));
    EXPECT_EQ(book->text.find("first", book->text.find("first") + 1), std::string::npos);
    EXPECT_EQ(book->text.find("a.xhtml"), std::string::npos);
    EXPECT_EQ(book->text.find("<head"), std::string::npos);
    EXPECT_EQ(book->members, (std::vector<std::string>{"OEBPS/b.xhtml", "OEBPS/a.xhtml"}));

    // A package whose spine names nothing that is there, or no package at all.
    EXPECT_FALSE(ReadPackedInOrder("novel.epub", packedMembersFrom({{"META-INF/container.xml", kPackedContainer},
                                                                    {"OEBPS/content.opf", "<package><manifest>"}})));
    EXPECT_FALSE(ReadPackedInOrder("novel.epub", packedMembersFrom({})));
    EXPECT_FALSE(ReadPackedInOrder("letter.docx", read));
}

TEST(PackedReadingOrder, WorkbookSheetsInWorkbookOrderWithNamesAndCells)
{
    const std::string workbook =
        "<workbook xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
        "<sheet name=\"Spring &amp; Summer\" sheetId=\"2\" r:id=\"rId7\"/>"
        "<sheet name=\"Winter\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>";
    const std::string rels =
        "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId7\" Target=\"/xl/worksheets/sheet2.xml\"/>"
        "<Relationship Id=\"rId9\" Target=\"http://example.org\" TargetMode=\"External\"/></Relationships>";
    EXPECT_EQ(WorkbookSheets(workbook, rels),
              (std::vector<std::pair<std::string, std::string>>{{"Spring & Summer", "xl/worksheets/sheet2.xml"},
                                                                {"Winter", "xl/worksheets/sheet1.xml"}}));
    const auto read = packedMembersFrom({
        {"xl/workbook.xml", workbook},
        {"xl/_rels/workbook.xml.rels", rels},
        {"xl/sharedStrings.xml", "<sst><si><t>garden</t></si><si><r><t>wind</t></r><r><t>ow</t></r>"
                                 "<rPh><t>phonetic</t></rPh></si></sst>"},
        {"xl/worksheets/sheet1.xml", "<worksheet><sheetData><row><c t=\"s\"><v>1</v></c><c t=\"b\"><v>1</v></c>"
                                     "<c t=\"s\"><v>99</v></c></row></sheetData></worksheet>"},
        {"xl/worksheets/sheet2.xml", "<worksheet><sheetData><row><c t=\"s\"><v>0</v></c><c><v>42</v></c></row>"
                                     "<row><c t=\"inlineStr\"><is><t>pillow</t></is></c></row></sheetData>"
                                     "</worksheet>"},
    });
    auto book = ReadPackedInOrder("plan.xlsx", read);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->name, "text.txt");
    EXPECT_EQ(book->text, "Spring & Summer\ngarden\t42\npillow\nWinter\nwindow\n");
    EXPECT_EQ(book->members, (std::vector<std::string>{"xl/sharedStrings.xml", "xl/worksheets/sheet2.xml",
                                                       "xl/worksheets/sheet1.xml"}));
}

TEST(PackedReadingOrder, SlidesInPresentationOrderAndOpenDocumentNames)
{
    const auto read = packedMembersFrom({
        {"ppt/presentation.xml", "<p:presentation xmlns:r=\"r\"><p:sldIdLst><p:sldId id=\"257\" r:id=\"rId3\"/>"
                                 "<p:sldId id=\"256\" r:id=\"rId2\"/></p:sldIdLst></p:presentation>"},
        {"ppt/_rels/presentation.xml.rels", "<Relationships><Relationship Id=\"rId2\" Target=\"slides/slide1.xml\"/>"
                                            "<Relationship Id=\"rId3\" Target=\"slides/slide2.xml\"/></Relationships>"},
        {"ppt/slides/slide1.xml", "<p:sld><p:cSld><p:spTree><a:p><a:r><a:t>later</a:t></a:r></a:p></p:spTree>"
                                  "</p:cSld></p:sld>"},
        {"ppt/slides/slide2.xml", "<p:sld><p:cSld name=\"Opening\"><p:spTree><a:p><a:r><a:t>ear</a:t></a:r>"
                                  "<a:r><a:t>lier</a:t></a:r></a:p></p:spTree></p:cSld></p:sld>"},
    });
    auto deck = ReadPackedInOrder("talk.pptx", read);
    ASSERT_TRUE(deck);
    EXPECT_EQ(deck->text, "Opening\nearlier\nlater\n");

    const auto sheet = packedMembersFrom({{"content.xml",
        "<office:document-content><office:body><office:spreadsheet><table:table table:name=\"Pantry\">"
        "<table:table-row><table:table-cell><text:p>flour</text:p></table:table-cell><table:table-cell>"
        "<text:p>sugar<text:s/>&amp; salt</text:p></table:table-cell></table:table-row></table:table>"
        "<table:table table:name=\"Cellar\"><table:table-row><table:table-cell><text:p><![CDATA[wine]]></text:p>"
        "</table:table-cell></table:table-row></table:table></office:spreadsheet></office:body>"
        "</office:document-content>"}});
    auto ods = ReadPackedInOrder("stock.ods", sheet);
    ASSERT_TRUE(ods);
    EXPECT_EQ(ods->text, "Pantry\nflour\tsugar & salt\t\nCellar\nwine\t\n");
    auto odp = ReadPackedInOrder("talk.odp", packedMembersFrom({{"content.xml",
        "<draw:page draw:name=\"Welcome\"><draw:frame><text:p>hello</text:p></draw:frame></draw:page>"}}));
    ASSERT_TRUE(odp);
    EXPECT_EQ(odp->text, "Welcome\nhello\t\n");
}

TEST(PackedReadingOrder, DamagedPackageFilesGiveWhatTheyHold)
{
    // Cut inside a tag, an attribute value, a comment and a CDATA section.
    for (const std::string cut : {"<package><manifest><item id=\"a\" href=\"a.x", "<spine><itemref idref=",
                                  "<!-- never closed", "<![CDATA[ open", "<<<>>>&#xFFFFFFFFF;&#;&", "<a b=\"c>"}) {
        EXPECT_TRUE(SpineMembers(cut, "p.opf").empty()) << cut;
        EXPECT_EQ(OpfPathOf(cut), "") << cut;
        EXPECT_TRUE(WorkbookSheets(cut, cut).empty()) << cut;
        auto ods = ReadPackedInOrder("x.ods", packedMembersFrom({{"content.xml", cut}}));
        ASSERT_TRUE(ods);
        EXPECT_EQ(ods->text, "");
    }
    // A spine cut after its first itemref still gives that page.
    EXPECT_EQ(SpineMembers("<manifest><item id=\"a\" href=\"a.xhtml\"/></manifest><spine><itemref idref=\"a\"/><item",
                           "p.opf"),
              std::vector<std::string>{"a.xhtml"});
}

TEST(PackedReadingOrder, WrittenMemberReplacesItsSourcesAndNoLinkIsFollowed)
{
    testing::TempFolder temp;
    const std::string folder = temp.slash() + "book.epub_vedratemp/";
    ASSERT_EQ(PrepareUnpackFolder(folder), UnpackFolderState::Ready);
    fs::create_directories(folder + "META-INF");
    fs::create_directories(folder + "OEBPS");
    testing::writeFile(folder + "META-INF/container.xml", kPackedContainer);
    testing::writeFile(folder + "OEBPS/content.opf",
                       "<package><manifest><item id=\"a\" href=\"a.xhtml\"/><item id=\"s\" href=\"secret.xhtml\"/>"
                       "</manifest><spine><itemref idref=\"s\"/><itemref idref=\"a\"/></spine></package>");
    testing::writeFile(folder + "OEBPS/a.xhtml", "<p>inside</p>");
    const std::string outside = temp.slash() + "secret.xhtml";
    testing::writeFile(outside, "<p>outside</p>");
    fs::create_symlink(outside, folder + "OEBPS/secret.xhtml");

    ASSERT_TRUE(WritePackedTextMember("book.epub", folder));
    const std::string text = testing::readFile(folder + "text.xhtml");
    EXPECT_NE(text.find("inside"), std::string::npos);
    EXPECT_EQ(text.find("outside"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder + "OEBPS/a.xhtml"));
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_TRUE(fs::exists(folder + "OEBPS/content.opf"));
    // Written once: a second call finds the member there and changes nothing.
    EXPECT_FALSE(WritePackedTextMember("book.epub", folder));

    // Never in a folder the program did not unpack into.
    const std::string users = temp.slash() + "mine_vedratemp/";
    fs::create_directories(users + "META-INF");
    testing::writeFile(users + "META-INF/container.xml", kPackedContainer);
    EXPECT_FALSE(WritePackedTextMember("book.epub", users));
    EXPECT_FALSE(fs::exists(users + "text.xhtml"));
}

} // namespace
} // namespace vedra::indexing
