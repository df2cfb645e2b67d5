// Mail read as the text of its messages: the decoders on their own, then a run
// over mail files written here in every encoding, checked word by word in the
// archive, and damaged mail that must not stop the run.
#include "core/indexing/MailText.h"

#include "core/archive/ArchiveFiles.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/IndexingRun.h"
#include "core/indexing/MoreTypes.h"
#include "core/indexing/UnpackFolder.h"
#include "core/indexing/WordExtractor.h"
#include "core/search/PreviewText.h"
#include "support/ArchiveFixture.h"
#include "support/DocumentFixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cctype>
#include <set>
#include <vector>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

std::string mailBase64(std::string_view bytes, std::size_t lineLength = 76)
{
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned value = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size())
            value |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size())
            value |= static_cast<unsigned char>(bytes[i + 2]);
        out += kDigits[(value >> 18) & 63];
        out += kDigits[(value >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(value >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? kDigits[value & 63] : '=';
        if ((column += 4) >= lineLength) {
            out += "\r\n";
            column = 0;
        }
    }
    return out + "\r\n";
}

// ---- the decoders ---------------------------------------------------------

TEST(MailDecoders, QuotedPrintableJoinsSoftBreaksAndKeepsBrokenEscapes)
{
    EXPECT_EQ(DecodeQuotedPrintable("lan=\r\ntern citt=C3=A0 a=3Db=  \r\nc=\nd"), "lantern citt\xC3\xA0 a=bc" "d");
    EXPECT_EQ(DecodeQuotedPrintable("100=% =zz end="), "100=% =zz end");
    EXPECT_EQ(DecodeQuotedPrintable("a_b=5F", true), "a b_");
    EXPECT_EQ(DecodeQuotedPrintable("a_b", false), "a_b");
}

TEST(MailDecoders, Base64SkipsLineEndsAndDecodesACutGroupAsFarAsItGoes)
{
    EXPECT_EQ(DecodeBase64(mailBase64("orchard lantern quill", 8)), "orchard lantern quill");
    EXPECT_EQ(DecodeBase64("b3JjaGFy\r\nZA=="), "orchard");
    EXPECT_EQ(DecodeBase64("b3JjaGFyZA"), "orchard");  // no padding
    EXPECT_EQ(DecodeBase64("b3Jj*aGFy!"), "orchar");  // junk skipped
    EXPECT_EQ(DecodeBase64("b3JjaG"), "orch");          // cut in a group
    EXPECT_EQ(DecodeBase64(""), "");
}

TEST(MailDecoders, CharsetsBecomeCp1252)
{
    EXPECT_EQ(CharsetToCp1252("perch\xC3\xA9 \xE2\x82\xAC", "UTF-8"), "perch\xE9 \x80");
    EXPECT_EQ(CharsetToCp1252("perch\xE9 \x80", "iso-8859-1"), "perch\xE9  ");
    EXPECT_EQ(CharsetToCp1252("\xA4 \xBD", "ISO-8859-15"), "\x80 \x9C");
    EXPECT_EQ(CharsetToCp1252("\x80 \x93", "windows-1252"), "\x80 \x93");
    EXPECT_EQ(CharsetToCp1252("plain", "us-ascii"), "plain");
    // Undeclared or unknown charsets: UTF-8 when it is, the bytes as they are if not.
    EXPECT_EQ(CharsetToCp1252("citt\xC3\xA0", ""), "citt\xE0");
    EXPECT_EQ(CharsetToCp1252("citt\xC3\xA0", "x-unknown"), "citt\xE0");
    EXPECT_EQ(CharsetToCp1252("citt\xE0", "koi8-r"), "citt\xE0");
}

TEST(MailDecoders, HeaderWordsJoinAcrossBlanksAndKeepPlainText)
{
    EXPECT_EQ(DecodeHeaderWords("=?UTF-8?Q?caf=C3=A9_noir?= =?ISO-8859-1?B?cGVyY2jp?= done"),
              "caf\xE9 noirperch\xE9 done");
    EXPECT_EQ(DecodeHeaderWords("Re: =?utf-8*it?q?citt=C3=A0?= <a@b>"), "Re: citt\xE0 <a@b>");
    EXPECT_EQ(DecodeHeaderWords("=?broken =?x?q?"), "=?broken =?x?q?");
    EXPECT_EQ(DecodeHeaderWords("=?utf-8?Z?abc?="), "abc");
}

TEST(MailDecoders, MultipartTakesTextPartsAndLeavesAttachments)
{
    const std::string mail =
        "From: Ann <ann@example.com>\r\nTo: Bob\r\n <bob@example.com>\r\nSubject: folded\r\n line\r\n"
        "Content-Type: multipart/mixed; boundary=\"outer\"\r\n\r\npreamble words\r\n"
        "--outer\r\nContent-Type: multipart/alternative; boundary=inner\r\n\r\n"
        "--inner\r\nContent-Type: text/plain\r\n\r\nplain part\r\n"
        "--inner\r\nContent-Type: text/html\r\n\r\n<div><b>html</b>&nbsp;part</div>\r\n--inner--\r\n"
        "--outer\r\nContent-Type: application/pdf\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
        mailBase64("attached words") + "--outer--\r\nepilogue\r\n";
    const std::string text = MailText(mail, false);
    EXPECT_NE(text.find("From: Ann <ann@example.com>\n"), std::string::npos) << text;
    EXPECT_NE(text.find("To: Bob <bob@example.com>\n"), std::string::npos) << text;
    EXPECT_NE(text.find("Subject: folded line\n"), std::string::npos) << text;
    EXPECT_NE(text.find("plain part"), std::string::npos) << text;
    EXPECT_NE(text.find("html"), std::string::npos) << text;
    for (const char* junk : {"<div>", "attached", "preamble", "epilogue", "boundary", "Content-Type"})
        EXPECT_EQ(text.find(junk), std::string::npos) << junk << " in " << text;
}

TEST(MailDecoders, MailboxSplitsMessagesAndUnquotesFromLines)
{
    const std::string box = "From ann@example.com Mon Jan  1 00:00:00 2024\nSubject: one\n\nfirst body\n"
                            ">From the start\n>>From deeper\n\n"
                            "From bob@example.com Tue Jan  2 00:00:00 2024\nSubject: two\n\nsecond body\n";
    const std::string text = MailText(box, true);
    EXPECT_EQ(text,
              "Subject: one\nfirst body\nFrom the start\n>From deeper\n\n"
              "Subject: two\nsecond body\n\n");
}

// ---- attachments -----------------------------------------------------------

std::vector<MailAttachment> allAttachments(std::string_view mail, bool mailbox = false)
{
    return MailAttachments(mail, mailbox, [](std::string_view) { return true; });
}

std::vector<std::string> namesOf(const std::vector<MailAttachment>& attachments)
{
    std::vector<std::string> names;
    for (const MailAttachment& attachment : attachments)
        names.push_back(attachment.name);
    return names;
}

std::string part(const std::string& headers, const std::string& body)
{
    return "--b\r\n" + headers + "\r\n\r\n" + body + "\r\n";
}

std::string mixed(const std::string& parts, bool closed = true)
{
    return "Subject: parts\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n" + parts +
           (closed ? "--b--\r\n" : "");
}

TEST(MailAttachmentNames, ParametersInEveryFormMailProgramsWrite)
{
    // RFC 2231: one value, continuations plain and encoded, a latin-1 charset.
    EXPECT_EQ(MailParameterUtf8("attachment; filename*=UTF-8''rapporto%20citt%C3%A0.pdf", "filename"),
              "rapporto citt\xC3\xA0.pdf");
    EXPECT_EQ(MailParameterUtf8("attachment; filename*0*=utf-8''caf%C3%A9; filename*1=\" noir\"; "
                                "filename*2*=%2Epdf",
                                "filename"),
              "caf\xC3\xA9 noir.pdf");
    EXPECT_EQ(MailParameterUtf8("attachment; filename*=iso-8859-1'it'perch%E9.txt", "filename"),
              "perch\xC3\xA9.txt");
    // Quoted with a ';' and an escaped quote; the other parameter left alone.
    EXPECT_EQ(MailParameterUtf8("attachment; size=10; filename=\"a;b \\\"c\\\".pdf\"; x=y", "filename"),
              "a;b \"c\".pdf");
    EXPECT_EQ(MailParameterUtf8("application/pdf; name=plain.pdf", "name"), "plain.pdf");
    // Encoded words in a quoted value, as many programs write them.
    EXPECT_EQ(MailParameterUtf8("attachment; filename=\"=?UTF-8?B?Y2l0dMOgLnBkZg==?=\"", "filename"),
              "citt\xC3\xA0.pdf");
    // "filename" is not "name"; a name with no value, no parameter at all.
    EXPECT_EQ(MailParameterUtf8("attachment; filename=x.pdf", "name"), "");
    EXPECT_EQ(MailParameterUtf8("attachment; filename", "filename"), "");
    EXPECT_EQ(MailParameterUtf8("attachment", "filename"), "");
}

TEST(MailAttachmentNames, MadeSafeForAFileOfTheUnpackFolder)
{
    EXPECT_EQ(SafeAttachmentName("../../etc/passwd"), "passwd");
    EXPECT_EQ(SafeAttachmentName("C:\\Users\\ann\\report.pdf"), "report.pdf");
    EXPECT_EQ(SafeAttachmentName(".."), "attachment");
    EXPECT_EQ(SafeAttachmentName("dir/"), "attachment");
    EXPECT_EQ(SafeAttachmentName(""), "attachment");
    EXPECT_EQ(SafeAttachmentName(std::string(kUnpackMarkName)), "vedra_unpacked");
    EXPECT_EQ(SafeAttachmentName("  ..hidden.txt  "), "hidden.txt");
    EXPECT_EQ(SafeAttachmentName("tab\there\n.pdf"), "tab_here_.pdf");
    // Long names keep their extension and are never cut inside a letter.
    EXPECT_EQ(SafeAttachmentName(std::string(194, 'a') + "\xC3\xA0\xC3\xA0.docx"), std::string(194, 'a') + ".docx");
    EXPECT_EQ(SafeAttachmentName(std::string(300, 'a')), std::string(200, 'a'));
}

TEST(MailAttachments, DecodedFromEachEncodingAndNamedInOrder)
{
    const std::string pdf = "%PDF-1.4 \x01\x02\xFF binary";
    const std::string mail = mixed(
        part("Content-Type: text/plain", "the body, not an attachment") +
        part("Content-Type: application/pdf; name=\"report.pdf\"\r\nContent-Transfer-Encoding: base64",
             mailBase64(pdf)) +
        part("Content-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"report.pdf\"\r\n"
             "Content-Transfer-Encoding: quoted-printable",
             "caf=C3=A9 =\r\nnoir") +
        part("Content-Type: application/rtf; name=report-2.pdf", "{\\rtf1 seven bit}") +
        part("Content-Type: application/pdf", "nameless") +
        part("Content-Type: text/html\r\nContent-Disposition: attachment; filename=page.html", "<p>text</p>"));
    const auto attachments = allAttachments(mail);
    // The second "report.pdf" is numbered past the one that holds "-2" already.
    EXPECT_EQ(namesOf(attachments),
              (std::vector<std::string>{"report.pdf", "report-2.pdf", "report-2-2.pdf", "attachment.pdf"}));
    ASSERT_EQ(attachments.size(), 4u);
    EXPECT_EQ(attachments[0].bytes, pdf);
    EXPECT_EQ(attachments[1].bytes, "caf\xC3\xA9 noir");
    EXPECT_EQ(attachments[2].bytes, "{\\rtf1 seven bit}");
    EXPECT_EQ(attachments[3].bytes, "nameless");
    // What a reader does not want keeps its name: the others' names do not move.
    const auto picked = MailAttachments(mail, false, [](std::string_view name) { return name == "attachment.pdf"; });
    ASSERT_EQ(picked.size(), 1u);
    EXPECT_EQ(picked[0].bytes, "nameless");
}

TEST(MailAttachments, FoundInAttachedMessagesAndEveryMessageOfAMailbox)
{
    const std::string inner = "Subject: inner\r\nContent-Type: multipart/mixed; boundary=\"c\"\r\n\r\n"
                              "--c\r\nContent-Type: text/plain\r\n\r\ninner text\r\n"
                              "--c\r\nContent-Type: application/pdf; name=inner.pdf\r\n\r\ninner pdf\r\n--c--\r\n";
    const std::string forwarded =
        mixed(part("Content-Type: message/rfc822\r\nContent-Transfer-Encoding: base64", mailBase64(inner)));
    EXPECT_EQ(namesOf(allAttachments(forwarded)), std::vector<std::string>{"inner.pdf"});
    const std::string box = "From a@example.com Mon Jan  1 00:00:00 2024\n" + mixed(part("Content-Type: "
                            "application/pdf; name=a.pdf", "first")) +
                            "\nFrom b@example.com Tue Jan  2 00:00:00 2024\n" +
                            mixed(part("Content-Type: application/pdf; name=a.pdf", "second"));
    const auto attachments = allAttachments(box, true);
    EXPECT_EQ(namesOf(attachments), (std::vector<std::string>{"a.pdf", "a-2.pdf"}));
    ASSERT_EQ(attachments.size(), 2u);
    EXPECT_EQ(attachments[1].bytes, "second");
    // A mail of text alone has none.
    EXPECT_TRUE(allAttachments("Subject: x\r\n\r\nbody\r\n").empty());
}

TEST(MailAttachments, DamageAndTheLimitsLeaveTheRestReadable)
{
    // Cut inside its base64, the closing delimiter never written: as far as it goes.
    const std::string cut = mailBase64("orchard lantern quill");
    EXPECT_EQ(allAttachments(mixed(part("Content-Type: application/pdf; name=cut.pdf\r\n"
                                        "Content-Transfer-Encoding: base64",
                                        cut.substr(0, 13)),
                                   false))
                  .at(0)
                  .bytes,
              "orchard l");
    // A wrong boundary: no part, no attachment, no crash.
    EXPECT_TRUE(allAttachments("Content-Type: multipart/mixed; boundary=zz\r\n\r\n--b\r\n"
                               "Content-Type: application/pdf\r\n\r\nx\r\n")
                    .empty());
    // Past the total, an attachment is left out whole; a later smaller one still fits.
    const std::string big(kMailAttachmentLimit - 10, 'x');
    const auto limited = allAttachments(mixed(part("Content-Type: application/pdf; name=big.pdf", big) +
                                              part("Content-Type: application/pdf; name=over.pdf", "0123456789ab") +
                                              part("Content-Type: application/pdf; name=fits.pdf", "0123")));
    EXPECT_EQ(namesOf(limited), (std::vector<std::string>{"big.pdf", "fits.pdf"}));
    // Nesting deeper than the limit is not followed.
    std::string deep;
    for (int i = 0; i <= kMailNestingLimit + 1; ++i)
        deep += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\n\n--b" + std::to_string(i) + "\n";
    EXPECT_TRUE(allAttachments(deep + "Content-Type: application/pdf; name=deep.pdf\n\nx\n").empty());
    // Many parts: no more than the count limit.
    std::string many;
    for (std::size_t i = 0; i < kMailAttachmentCountLimit + 10; ++i)
        many += part("Content-Type: application/pdf", "p");
    EXPECT_EQ(allAttachments(mixed(many)).size(), kMailAttachmentCountLimit);
}

// ---- a run over mail -------------------------------------------------------

constexpr const char* kMailRoots =
    "orchard lantern quill marble meadow copper harbor velvet ember thistle juniper saffron lighthouse "
    "citta perche cafe noise binary attached class office style xmlns div span boundary content multipart "
    "charset quoted printable utf iso text html plain base encoded tern mixed alternative sparrow willow "
    "falcon garden river window winter summer autumn";

class MailRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fx.openForIndexing());
        WordExtractor roots(*fx.workspace, *fx.store);
        roots.LoadRoots(kMailRoots, std::strlen(kMailRoots));
        fx.store->close();
        fs::create_directories(tree);
    }

    void addRoots(const std::string& words)
    {
        ASSERT_TRUE(fx.openForIndexing());
        WordExtractor roots(*fx.workspace, *fx.store);
        roots.LoadRoots(words.data(), words.size());
        fx.store->close();
    }

    void writeListsWithMoreTypes()
    {
        for (int slot : {archive::SlotTextExtensions, archive::SlotConvertedExtensions})
            writeFile(fx.store->slotPath(slot), archive::initialContent(slot, 1) + MoreTypesListBytes(slot));
    }

    void run()
    {
        ASSERT_TRUE(fx.openForIndexing(fx.workspace->cacheSizes()));
        ArchiveLists lists;
        lists.load(*fx.store);
        IndexingRun indexing(*fx.workspace, *fx.store, lists);
        indexing.RunIndexing(tree.string() + "/", RunMode::Normal);
        ASSERT_TRUE(fx.store->close());
    }

    std::set<std::string> holders(const std::string& word) { return fx.documentsWith(word); }

    void expectEveryWordIn(const std::string& key, std::initializer_list<const char*> words)
    {
        for (const char* word : words)
            EXPECT_TRUE(holders(word).contains(key)) << word << " not found in " << key;
    }

    void expectNowhere(std::initializer_list<const char*> words)
    {
        for (const char* word : words)
            EXPECT_TRUE(holders(word).empty()) << word << " registered";
    }

    using Set = std::set<std::string>;
    unsigned m_writes = 0;
    testing::ArchiveFixture fx;
    fs::path tree = fx.folder.path() / "tree";
};

// The mails of the recall test: every encoding a mail program writes.
void writeRecallMails(const fs::path& tree, const std::string& attachment)
{
    writeFile(tree / "qp.eml",
              "From: sender@example.com\r\nSubject: orchard\r\nMIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
              "orchard lan=\r\ntern citt=C3=A0 qu=\r\nill\r\n");
    writeFile(tree / "base64.eml",
              "Subject: plain\r\nContent-Type: text/plain; charset=\"UTF-8\"\r\n"
              "Content-Transfer-Encoding: base64\r\n\r\n" +
                  mailBase64("marble meadow perch\xC3\xA9 copper\n"));
    writeFile(tree / "headers.eml",
              "From: =?ISO-8859-1?Q?Velvet_Caf=E9?= <velvet@example.com>\r\n"
              "To: =?UTF-8?B?" + mailBase64("harbor sparrow", 200).substr(0, 20) + "?=\r\n"
              "Cc: willow\r\n\tfalcon\r\n"
              "Subject: =?utf-8?q?ember_thistle?=\r\n =?utf-8?b?" + mailBase64(" winter", 200).substr(0, 12) +
              "?=\r\nDate: Mon, 1 Jan 2024 10:00:00 +0100\r\n\r\nbody\r\n");
    writeFile(tree / "latin1.eml",
              "Subject: latin\nContent-Type: text/plain; charset=iso-8859-1\nContent-Transfer-Encoding: 8bit\n\n"
              "juniper perch\xE9 saffron\n");
    writeFile(tree / "alternative.eml",
              "Subject: alt\r\nContent-Type: multipart/alternative; boundary=\"b1\"\r\n\r\n"
              "--b1\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\ngarden river\r\n"
              "--b1\r\nContent-Type: text/html; charset=utf-8\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
              "<html><head><style>p.office { xmlns: 0 }</style></head><body><div class=3D\"office\">garden "
              "<span>river</span> perch&eacute; summer</div></body></html>\r\n--b1--\r\n");
    writeFile(tree / "nested.eml",
              "Subject: nested\r\nContent-Type: multipart/mixed; boundary=\"outer\"\r\n\r\n"
              "--outer\r\nContent-Type: multipart/alternative; boundary=\"inner\"\r\n\r\n"
              "--inner\r\nContent-Type: text/plain; charset=iso-8859-15\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n\r\nautumn window =A4\r\n"
              "--inner\r\nContent-Type: text/html\r\n\r\n<p>autumn window</p>\r\n--inner--\r\n"
              "--outer\r\nContent-Type: application/octet-stream; name=\"noise.bin\"\r\n"
              "Content-Disposition: attachment; filename=\"noise.bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
                  attachment + "--outer--\r\n");
    writeFile(tree / "box.mbox",
              "From ann@example.com Mon Jan  1 00:00:00 2024\nSubject: first\n\nlighthouse\n\n"
              "From bob@example.com Tue Jan  2 00:00:00 2024\nSubject: second\nContent-Transfer-Encoding: base64\n\n" +
                  mailBase64("velvet") + "\n"
                  "From carl@example.com Wed Jan  3 00:00:00 2024\nSubject: third\n\n>From the harbor\nwillow\n");
    // A mailbox known by its first line only.
    writeFile(tree / "Inbox",
              "From ann@example.com Mon Jan  1 00:00:00 2024\nContent-Transfer-Encoding: base64\n\n" +
                  mailBase64("falcon lantern"));
}

TEST_F(MailRunTest, EveryWordOfEveryEncodingIsFoundAndNoEncodingJunk)
{
    // Short lines, so that each base64 run is a word the extraction would register
    // had the attachment been read as text; their roots are added for that.
    const std::string attachment = mailBase64("noise binary attached noise binary attached", 8);
    std::vector<std::string> runs;
    std::string piece;
    for (char c : attachment + "\n") {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            piece += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        } else {
            if (piece.size() >= 3 && std::isalpha(static_cast<unsigned char>(piece[0])))
                runs.push_back(piece);
            piece.clear();
        }
    }
    ASSERT_GT(runs.size(), 5u);
    std::string runRoots;
    for (const std::string& word : runs)
        runRoots += word.substr(0, 3) + " ";
    addRoots(runRoots);
    writeRecallMails(tree, attachment);
    writeListsWithMoreTypes();
    run();
    expectEveryWordIn("/tree/qp.eml", {"orchard", "lantern", "citta", "quill"});
    expectEveryWordIn("/tree/base64.eml", {"marble", "meadow", "perche", "copper"});
    expectEveryWordIn("/tree/headers.eml", {"velvet", "cafe", "harbor", "sparrow", "willow", "falcon", "ember",
                                            "thistle", "winter"});
    expectEveryWordIn("/tree/latin1.eml", {"juniper", "perche", "saffron"});
    expectEveryWordIn("/tree/alternative.eml", {"garden", "river", "perche", "summer"});
    expectEveryWordIn("/tree/nested.eml", {"autumn", "window"});
    EXPECT_EQ(holders("lighthouse"), Set{"/tree/box.mbox"});
    expectEveryWordIn("/tree/box.mbox", {"velvet", "harbor", "willow"});
    expectEveryWordIn("/tree/Inbox", {"falcon", "lantern"});
    expectNowhere({"tern", "noise", "binary", "attached", "div", "span", "class", "office", "style", "xmlns",
                   "boundary", "multipart", "charset", "quoted", "printable", "base", "mixed", "alternative",
                   "encoded"});
    for (const std::string& word : runs)
        EXPECT_TRUE(holders(word).empty()) << "base64 run " << word;
}

TEST_F(MailRunTest, WithoutTheRulesMailIsReadAsItIs)
{
    writeFile(tree / "base64.mbox",
              "From ann@example.com Mon Jan  1 00:00:00 2024\nContent-Transfer-Encoding: base64\n\n" +
                  mailBase64("orchard lantern"));
    writeFile(tree / "plain.eml", "Subject: x\n\nmeadow\n");
    run();
    EXPECT_TRUE(holders("orchard").empty()) << "a default archive reads the bytes as they are";
    EXPECT_TRUE(holders("meadow").empty()) << "an unlisted type is recorded by name";
}

TEST_F(MailRunTest, DamagedMailNeverStopsTheRun)
{
    // Cut inside a base64 part, a boundary never written, a header with no colon,
    // a header line of ten megabytes, a mailbox of nothing but separators.
    const std::string body = mailBase64("orchard lantern quill marble meadow copper harbor");
    writeFile(tree / "cut.eml", "Content-Type: multipart/mixed; boundary=x\n\n--x\n"
                                "Content-Type: text/plain\nContent-Transfer-Encoding: base64\n\n" +
                                    body.substr(0, body.size() / 2));
    writeFile(tree / "noboundary.eml",
              "Content-Type: multipart/alternative; boundary=\"never\"\n\njuniper saffron\n");
    writeFile(tree / "nocolon.eml", "Subject ember\nFrom: a\nthis is no header\n\nthistle\n");
    writeFile(tree / "long.eml", "Subject: " + std::string(10u << 20, 'x') + "\nX-Other: " +
                                     std::string(1000, '=') + "?\n\nsparrow\n");
    writeFile(tree / "separators.mbox", "From \nFrom \n\nFrom x\n");
    writeFile(tree / "deep.eml", [] {
        std::string mail;
        for (int i = 0; i < 200; ++i)
            mail += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\n\n--b" +
                    std::to_string(i) + "\n";
        return mail + "\nwillow\n";
    }());
    writeFile(tree / "after.txt", "falcon\n");
    writeListsWithMoreTypes();
    run();
    expectEveryWordIn("/tree/cut.eml", {"orchard", "lantern", "quill"});
    expectEveryWordIn("/tree/noboundary.eml", {"juniper", "saffron"});
    expectEveryWordIn("/tree/nocolon.eml", {"thistle"});
    expectEveryWordIn("/tree/long.eml", {"sparrow"});
    EXPECT_EQ(holders("falcon"), Set{"/tree/after.txt"}) << "the run went on";
}

TEST_F(MailRunTest, AttachmentsAreReadAsMembersAndGoWithTheirMail)
{
    auto writeMail = [&](const std::string& parts) {
        writeFile(tree / "mail.eml", mixed(part("Content-Type: text/plain", "garden") + parts));
        // Later than any time the run recorded.
        fs::last_write_time(tree / "mail.eml", fs::file_time_type::clock::now() + std::chrono::seconds(
                                                   60 * static_cast<int>(++m_writes)));
    };
    const std::string pdf = vedra::testing::minimalPdf({"meadow lighthouse"});
    writeMail(part("Content-Type: application/pdf\r\nContent-Disposition: attachment; "
                   "filename*=UTF-8''report.pdf\r\nContent-Transfer-Encoding: base64",
                   mailBase64(pdf)) +
              part("Content-Type: application/octet-stream; name=notes.bin", "sparrow sparrow"));
    writeFile(tree / "other.txt", "falcon\n");
    writeListsWithMoreTypes();
    fx.workspace->PdfToTextCommand = "\"/usr/bin/pdftotext\"";
    run();
    EXPECT_EQ(holders("garden"), Set{"/tree/mail.eml"}) << "the mail's own text stays one document";
    EXPECT_EQ(holders("lighthouse"), Set{"/mail.eml_vedratemp/report.pdf.txt"});
    EXPECT_TRUE(holders("sparrow").empty()) << "an attachment of no type the run reads";
    EXPECT_FALSE(fs::exists(tree / "mail.eml_vedratemp")) << "the run removes what it unpacked";

    // The preview decodes the attachment again and reads its converted text.
    const std::string label = (tree / "mail.eml_vedratemp/report.pdf.txt").string();
    const search::PreviewTextSource source = search::FindPreviewText(*fx.workspace, label);
    ASSERT_TRUE(source.found()) << source.subject;
    EXPECT_NE(readFile(source.path).find("meadow lighthouse"), std::string::npos);

    // Changed: the PDF gone, a text file attached instead.
    writeMail(part("Content-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=list.txt",
                   "willow thistle"));
    run();
    EXPECT_TRUE(holders("lighthouse").empty()) << "the member the mail lost is gone";
    EXPECT_EQ(holders("willow"), Set{"/mail.eml_vedratemp/list.txt"});

    fs::remove(tree / "mail.eml");
    run();
    EXPECT_TRUE(holders("willow").empty()) << "a deleted mail takes its members along";
    EXPECT_TRUE(holders("garden").empty());
    EXPECT_EQ(holders("falcon"), Set{"/tree/other.txt"});
}

TEST_F(MailRunTest, WithoutTheRulesNoAttachmentIsWritten)
{
    writeFile(tree / "mail.eml",
              mixed(part("Content-Type: application/pdf; name=report.pdf\r\nContent-Transfer-Encoding: base64",
                         mailBase64(vedra::testing::minimalPdf({"meadow lighthouse"})))));
    fx.workspace->PdfToTextCommand = "\"/usr/bin/pdftotext\"";
    run();
    EXPECT_TRUE(holders("lighthouse").empty());
    EXPECT_TRUE(holders("meadow").empty());
}

TEST_F(MailRunTest, ThePreviewShowsTheDecodedText)
{
    writeFile(tree / "base64.eml",
              "Subject: =?utf-8?q?citt=C3=A0?=\nContent-Transfer-Encoding: base64\n\n" + mailBase64("orchard lantern"));
    const std::string mail = (tree / "base64.eml").string();
    search::PreviewTextSource source = search::FindPreviewText(*fx.workspace, mail);
    ASSERT_TRUE(source.found());
    EXPECT_NE(source.path, mail);
    EXPECT_TRUE(source.path.starts_with(fx.workspace->WorkingFolder + "vedratemp/")) << source.path;
    EXPECT_EQ(readFile(source.path), "Subject: citt\xE0\norchard lantern\n");
    EXPECT_EQ(readFile(mail).find("orchard"), std::string::npos);
    // Made once; a newer mail makes it again.
    EXPECT_EQ(search::FindPreviewText(*fx.workspace, mail).path, source.path);
    fs::last_write_time(mail, fs::last_write_time(source.path) + std::chrono::seconds(5));
    writeFile(mail, "Subject: again\n\nmeadow\n");
    fs::last_write_time(mail, fs::last_write_time(source.path) + std::chrono::seconds(5));
    EXPECT_EQ(readFile(search::FindPreviewText(*fx.workspace, mail).path), "Subject: again\nmeadow\n");
}

} // namespace
} // namespace vedra::indexing
