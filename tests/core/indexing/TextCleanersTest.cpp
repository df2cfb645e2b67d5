#include "core/indexing/TextCleaners.h"

#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vedra::indexing {
namespace {

using namespace std::string_literals;

std::string squeeze(const std::string& bytes)
{
    std::string out(bytes.size(), '?');
    out.resize(SqueezeNuls(bytes.data(), bytes.size(), out.data()));
    return out;
}

// Runs StripMarkup on a copy and checks that it never grows the chunk.
std::string strip(std::string chunk, int mode)
{
    std::size_t before = chunk.size();
    std::size_t after = StripMarkup(chunk.data(), chunk.size(), mode);
    EXPECT_LE(after, before);
    chunk.resize(std::min(after, before));
    return chunk;
}

// ---- SqueezeNuls -------------------------------------------------------------

TEST(TextCleanersSqueezeNuls, Utf16LittleEndianTextBecomesReadable)
{
    const std::string utf16 = "H\0e\0l\0l\0o\0\0\0W\0"s;
    std::string out(utf16.size(), '?');
    std::size_t length = SqueezeNuls(utf16.data(), utf16.size(), out.data());
    EXPECT_EQ(length, 7u) << "the plain length, no terminator counted";
    EXPECT_EQ(out.substr(0, length), "Hello W");
}

TEST(TextCleanersSqueezeNuls, SingleNulsDropAndRunsBecomeOneBlank)
{
    EXPECT_EQ(squeeze("a\0\0\0\0\0b"s), "a b");
    EXPECT_EQ(squeeze("\0\0lead"s), " lead");
    EXPECT_EQ(squeeze("tail\0\0"s), "tail ");
    EXPECT_EQ(squeeze("x\0y\0\0z\0"s), "xy z");
    EXPECT_EQ(squeeze("\0"s), "");
    EXPECT_EQ(squeeze(""), "");
    EXPECT_EQ(squeeze("no nul at all"), "no nul at all");
}

TEST(TextCleanersSqueezeNuls, WorksInPlace)
{
    std::string bytes = "W\0o\0r\0d\0\0\0\0T\0w\0o\0"s;
    bytes.resize(SqueezeNuls(bytes.data(), bytes.size(), bytes.data()));
    EXPECT_EQ(bytes, "Word Two");
}

// ---- StripMarkup -------------------------------------------------------------

TEST(TextCleanersStripMarkup, ParagraphWordsAndACommentLeaveTwoWordsApart)
{
    EXPECT_EQ(strip("<p>alpha</p><!-- hidden note -->beta", 1), " alpha beta");
}

TEST(TextCleanersStripMarkup, CommentScriptAndStyleSpansGoInEveryMode)
{
    const std::string page = "a<!-- c1 -->b<script type=\"t\">var s = '<b>x</b>';</script>c<style>p { }</style>d";
    for (int mode : {0, 1, 2})
        EXPECT_EQ(strip(page, mode), "abcd") << "mode " << mode;
    EXPECT_EQ(strip("a<!-- <script> -->b</script>c", 0), "ab</script>c") << "the comment opens first";
    EXPECT_EQ(strip("a<script><!-- x --></script>b", 0), "ab");
    EXPECT_EQ(strip("x<!---->y", 0), "xy");
}

TEST(TextCleanersStripMarkup, ScriptAndStyleOpenOnlyAsWholeTagNames)
{
    for (const char* page : {"a<style>p{}</style>b", "a<style type=\"text/css\">p{}</style>b",
                             "a<style\n media=all>p{}</style>b", "a<script\tsrc=x></script>b", "a<script/>x</script>b"})
        EXPECT_EQ(strip(page, 0), "ab") << page;
    EXPECT_EQ(strip("a<stylesheet>b</style>c", 0), "a<stylesheet>b</style>c");
    EXPECT_EQ(strip("a<scripture>b</script>c", 0), "a<scripture>b</script>c");
    EXPECT_EQ(strip("a<style:style>b", 1), "a b");
}

// The shape of an OpenDocument text's content.xml: automatic styles, font faces
// and event listeners before the body, none of them closed by "</style>" or
// "</script>". Only the body's words are left, and all of them.
TEST(TextCleanersStripMarkup, OpenDocumentContentKeepsItsBodyText)
{
    const std::string content =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
        "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
        "xmlns:script=\"urn:oasis:names:tc:opendocument:xmlns:script:1.0\" office:version=\"1.3\">"
        "<office:scripts><office:event-listeners><script:event-listener script:language=\"ooo:script\" "
        "script:event-name=\"dom:load\" xlink:href=\"vnd.sun.star.script:Lib.Module.Main\"/>"
        "</office:event-listeners></office:scripts>"
        "<office:font-face-decls><style:font-face style:name=\"Liberation Serif\" "
        "svg:font-family=\"&apos;Liberation Serif&apos;\"/></office:font-face-decls>"
        "<office:automatic-styles><style:style style:name=\"P1\" style:family=\"paragraph\">"
        "<style:paragraph-properties fo:text-align=\"center\"/><style:text-properties fo:font-weight=\"bold\"/>"
        "</style:style><style:style style:name=\"Sect1\" style:family=\"section\"><style:section-properties>"
        "<style:columns fo:column-count=\"2\"/></style:section-properties></style:style></office:automatic-styles>"
        "<office:body><office:text><text:h text:style-name=\"P1\" text:outline-level=\"1\">Sample article</text:h>"
        "<text:p>We illustrate a paragraph</text:p><text:section text:style-name=\"Sect1\" text:name=\"S\">"
        "<text:p>set in two columns</text:p></text:section></office:text></office:body></office:document-content>";
    std::istringstream words(strip(content, 1));
    std::vector<std::string> found{std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
    EXPECT_EQ(found, (std::vector<std::string>{"Sample", "article", "We", "illustrate", "a", "paragraph", "set", "in",
                                               "two", "columns"}));
}

TEST(TextCleanersStripMarkup, ModeOneRemovesTagsAndTheirBracketBecomesABlank)
{
    EXPECT_EQ(strip("<html><body><b>bold</b>text</body></html>", 1), "   bold text  ");
    EXPECT_EQ(strip("<p>x</p>", 0), "<p>x</p>") << "mode 0 keeps tags";
    EXPECT_EQ(strip("<p>x</p>", 2), "<p>x</p>");
    EXPECT_EQ(strip("a < b and c > d", 1), "a   d") << "a stray '<' opens a tag up to the next '>'";
}

TEST(TextCleanersStripMarkup, ModeOneLeavesImageTagsAlone)
{
    EXPECT_EQ(strip("<img src=\"a.png\"><b>x</b>", 1), "<img src=\"a.png\"> x ");
    EXPECT_EQ(strip("<  img src=b>y", 1), "<  img src=b>y") << "blanks after '<' are skipped";
    EXPECT_EQ(strip("<IMG src=b>y", 1), " y") << "matching is case-sensitive";
}

TEST(TextCleanersStripMarkup, DescriptionTagKeepsTheTextAfterItsFirstEquals)
{
    EXPECT_EQ(strip("<meta name=\"description\" content=\"Fine words\">Body", 1), "\"Fine words\" Body");
    EXPECT_EQ(strip("<meta name=\"keywords\" content=\"k1\">Body", 1), " Body");
    EXPECT_EQ(strip("<p class=x description>y", 1), " y") << "an '=' before the word does not count";
    EXPECT_EQ(strip("<meta description=>z", 1), " z");
}

TEST(TextCleanersStripMarkup, NofollowTagsGo)
{
    EXPECT_EQ(strip("see <a href=\"u\" rel=\"nofollow\">link</a> end", 0), "see link</a> end");
    EXPECT_EQ(strip("see <a href=\"u\" rel=\"nofollow\">link</a> end", 2), "see link</a> end");
    EXPECT_EQ(strip("x<b>nofollow</b>", 0), "x<b>nofollow</b>") << "the word in running text stays";
    EXPECT_EQ(strip("<meta name=\"description\" content=\"nofollow rules\">", 1), "\"nofollow rules\" ");
}

TEST(TextCleanersStripMarkup, LineEndPairsBecomeOneBlankBelowModeTwo)
{
    EXPECT_EQ(strip("one\r\ntwo\nthree\rfour", 0), "one two\nthree\rfour");
    EXPECT_EQ(strip("registering\r\nan", 1), "registering an") << "the two words stay two";
    EXPECT_EQ(strip("a\r\n\r\nb\r\r\n", 1), "a  b\r ") << "each pair on its own";
    EXPECT_EQ(strip("end\r", 1), "end\r") << "a CR alone at the chunk's end stays";
    EXPECT_EQ(strip("one\r\ntwo", 2), "one\r\ntwo");
}

TEST(TextCleanersStripMarkup, AmpersandEntityAndTabs)
{
    for (int mode : {0, 1, 2}) {
        EXPECT_EQ(strip("R&amp;D\tlab", mode), "R&D lab") << "mode " << mode;
        EXPECT_EQ(strip("&amp;amp;", mode), "&amp;") << "one pass: the result is not decoded again";
    }
}

TEST(TextCleanersStripMarkup, OpenSpansAndTagsAtTheEndOfTheChunkAreCutOff)
{
    EXPECT_EQ(strip("text<!-- open", 0), "text");
    EXPECT_EQ(strip("text<script>var x = 1;", 0), "text");
    EXPECT_EQ(strip("text<style", 0), "text");
    EXPECT_EQ(strip("text<a href=", 1), "text");
    EXPECT_EQ(strip("x<a rel=nofollow", 0), "x");
    EXPECT_EQ(strip("", 1), "");
}

TEST(TextCleanersStripMarkup, TwoMegabyteChunk)
{
    const std::string unit = "<p>w&amp;\r\n</p>";
    const std::size_t units = (2u << 20) / unit.size();
    std::string chunk;
    std::string expected;
    for (std::size_t i = 0; i < units; ++i) {
        chunk += unit;
        expected += " w&  ";
    }
    EXPECT_EQ(strip(chunk, 1), expected);

    std::string unclosed(2u << 20, '<');
    EXPECT_EQ(strip(unclosed, 1), "");
    std::string comments;
    for (std::size_t i = 0; i < units; ++i)
        comments += "<!--x-->";
    EXPECT_EQ(strip(comments + "kept", 0), "kept");
}

// ---- ReadTextBetweenTags -----------------------------------------------------

class TextCleanersTagReader : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
    }

    std::string read(std::string_view text) { return ReadTextBetweenTags(*ws, text); }

    testing::TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
};

TEST_F(TextCleanersTagReader, Utf8LettersBecomeCp1252Bytes)
{
    EXPECT_EQ(read("<p>Caf\xC3\xA9 cr\xC3\xA8me</p>"), " Caf\xE9 cr\xE8me");
}

TEST_F(TextCleanersTagReader, PiecesAreTrimmedAndJoinedByOneBlank)
{
    EXPECT_EQ(read("<html><body>\r\n  <h1>Title</h1>\n<p>\tText here </p></body></html>"), " Title Text here");
    EXPECT_EQ(read("lead<p>body</p>tail"), " body") << "text outside a marker pair is not read";
    EXPECT_EQ(read("no markers"), "");
}

TEST_F(TextCleanersTagReader, LineBreakAfterBrTags)
{
    EXPECT_EQ(read("<p>one<br>two<BR/>three<Br>four<b>five<brand>six</p>"),
              " one\r\n two\r\n three four five six");
}

TEST_F(TextCleanersTagReader, LineBreakAfterPiecesOf128BytesOrMore)
{
    const std::string longPiece(128, 'x');
    const std::string shortPiece(127, 'y');
    EXPECT_EQ(read("<p>" + longPiece + "</p>"), " " + longPiece + "\r\n");
    EXPECT_EQ(read("<p>" + shortPiece + "</p>"), " " + shortPiece);
    EXPECT_EQ(read("<p>" + shortPiece + "     </p>"), " " + shortPiece) << "the trimmed piece is measured";
}

TEST_F(TextCleanersTagReader, OtherMarkers)
{
    EXPECT_EQ(ReadTextBetweenTags(*ws, "[a]x[b]y[", ']', '['), " x y");
}

TEST_F(TextCleanersTagReader, ReplacementTableAppliedToTheOutput)
{
    EXPECT_EQ(read("<p>it&apos;s &#8220;ok&#8221;&nbsp;#1 &raquo;</p>"), " it's \"ok\"1 \"");
}

TEST_F(TextCleanersTagReader, PumpsOncePerPiece)
{
    int before = host.drainCount();
    EXPECT_EQ(read("<a>1</a><b>2</b>"), " 1 2");
    EXPECT_EQ(host.drainCount() - before, 3) << "one pump per marker pair read";
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
}

TEST_F(TextCleanersTagReader, BreakStopsAfterThePieceAndStillReplaces)
{
    int before = host.drainCount();
    host.setOnDrain([this](int) { ws->BreakCode = app::StopCode::Break; });
    EXPECT_EQ(read("<p>caf\xC3\xA9</p><p>two</p>"), " caf\xE9");
    EXPECT_EQ(host.drainCount() - before, 1);
}

TEST_F(TextCleanersTagReader, EscapeConfirmedSetsSuspend)
{
    host.pressEscape();
    EXPECT_EQ(read("<p>one</p><p>two</p>"), " one");
    EXPECT_EQ(ws->BreakCode, app::StopCode::Suspend);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].buttons, app::MessageButtons::OkCancel);
}

TEST_F(TextCleanersTagReader, EscapeCancelledReadsOn)
{
    host.queueAnswer(app::MessageAnswer::Cancel);
    host.pressEscape();
    EXPECT_EQ(read("<p>one</p><p>two</p>"), " one two");
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
}

// ---- ApplyTagReplacements ----------------------------------------------------

struct ReplacementRow {
    std::string found;
    std::string put;
};

class TagReplacementRow : public ::testing::TestWithParam<ReplacementRow> {};

TEST_P(TagReplacementRow, ReplacesEveryOccurrence)
{
    const ReplacementRow& row = GetParam();
    std::string text = "<" + row.found + ">" + row.found + "|" + row.found;
    ApplyTagReplacements(text);
    EXPECT_EQ(text, "<" + row.put + ">" + row.put + "|" + row.put);
}

INSTANTIATE_TEST_SUITE_P(TextCleaners, TagReplacementRow,
                         ::testing::Values(ReplacementRow{"\xC2\xBB", "\""}, ReplacementRow{"&apos;", "'"},
                                           ReplacementRow{"&nbsp;", ""}, ReplacementRow{"\xE2\x80\x99", "'"},
                                           ReplacementRow{"\xE2\x80", ""}, ReplacementRow{"&agrave;", "\xE0"},
                                           ReplacementRow{"&ugrave;", "\xF9"}, ReplacementRow{"&ograve;", "\xF2"},
                                           ReplacementRow{"&igrave;", "\xEC"}, ReplacementRow{"&egrave;", "\xE8"},
                                           ReplacementRow{"&#8220;", "\""}, ReplacementRow{"&#8221;", "\""},
                                           ReplacementRow{"&#8217;", "'"}, ReplacementRow{"&#8230;", "..."},
                                           ReplacementRow{"&#8243", "'"}, ReplacementRow{"&#8211;", "-"},
                                           ReplacementRow{"&raquo;", "\""}, ReplacementRow{"&laquo;", "\""},
                                           ReplacementRow{"\xC3\xB9", "\xF9"}, ReplacementRow{"\xC3\xA9", "\xE9"},
                                           ReplacementRow{"\xC3\xA8", "\xE8"}, ReplacementRow{"\xC3\xAC", "\xEC"},
                                           ReplacementRow{"\xC3\xB2", "\xF2"}, ReplacementRow{"\xC3", "\xE0"},
                                           ReplacementRow{"#", ""}));

TEST(TextCleanersTagReplacements, RowOrderDecidesTheResult)
{
    auto replaced = [](std::string text) {
        ApplyTagReplacements(text);
        return text;
    };
    EXPECT_EQ(replaced("\xE2\x80\x9Cq\xE2\x80\x9D"), "\x9Cq\x9D") << "only the E2 80 prefix of other quotes goes";
    EXPECT_EQ(replaced("\xC3\x89t\xC3\xA9"), "\xE0\x89t\xE9") << "C3 rows run before the catch-all C3 row";
    EXPECT_EQ(replaced("&#8243;"), "';") << "the row has no semicolon";
    EXPECT_EQ(replaced("&#38; #tag"), "&38; tag") << "'#' goes after the numeric rows";
    EXPECT_EQ(replaced("&nb&nbsp;sp;"), "&nbsp;") << "one pass per row";
    EXPECT_EQ(replaced("plain text"), "plain text");
    EXPECT_EQ(replaced(""), "");
}

// ---- ReadableWords -----------------------------------------------------------

class TextCleanersReadableWords : public ::testing::Test {
protected:
    std::string readable(std::string_view text)
    {
        return ReadableWords(text, [this](std::string_view root) {
            asked.emplace_back(root);
            return roots.empty() || roots.count(std::string(root)) > 0;
        });
    }

    std::set<std::string> roots;  // empty: every root accepted
    std::vector<std::string> asked;
};

TEST_F(TextCleanersReadableWords, RtfParagraphAndTabMarksSeparateWords)
{
    EXPECT_EQ(readable("one\\partwo"), "one two");
    EXPECT_EQ(readable("mytab word"), "my word");
}

TEST_F(TextCleanersReadableWords, OnlyTheAllowedBytesSurvive)
{
    EXPECT_EQ(readable("alpha#beta_gamma\x01""delta\x92""eps\xFFzeta\tend"), "alpha beta gamma delta eps zeta end");
    EXPECT_EQ(readable("e-mail: x@y.it, ok"), "e mail: x@y.it, ok");
    EXPECT_EQ(readable("citt\xE0 \xE8 caff\xE9"), "citt\xE0 caff\xE9") << "accents continue words, never start one";
    EXPECT_EQ(readable(""), "");
    EXPECT_EQ(readable("\x01\x02 #$%"), "");
}

TEST_F(TextCleanersReadableWords, LongWordsAreCutToSixty)
{
    EXPECT_EQ(readable(std::string(70, 'a') + " b"), std::string(60, 'a') + " b");
}

TEST_F(TextCleanersReadableWords, IsolatedSingleLettersAreSkipped)
{
    EXPECT_EQ(readable("H e l l o"), "H e l o");
    EXPECT_EQ(readable("ab   x   cd"), "ab cd");
    EXPECT_EQ(readable("ab   xy   cd"), "ab xy cd") << "only one-byte words";
}

TEST_F(TextCleanersReadableWords, WordsOfThreeBytesOrMoreNeedARoot)
{
    roots = {"alp", "123"};
    EXPECT_EQ(readable("Alpha beta go 12345 ALPINE 9876"), "Alpha go 12345 ALPINE");
    EXPECT_EQ(asked, (std::vector<std::string>{"alp", "bet", "123", "alp", "987"}))
        << "asked with the lower-cased first three bytes; short words are not asked";
}

TEST_F(TextCleanersReadableWords, SentenceEndsBreakTheLine)
{
    EXPECT_EQ(readable("This is done. Next one."), "This is done.\nNext one.\n");
    EXPECT_EQ(readable("Ok. go"), "Ok. go") << "three bytes are not a sentence end";
    EXPECT_EQ(readable("line one\r\nline two"), "line one line two") << "input line ends only separate";
}

// ---- UTF-8 blocks ------------------------------------------------------------

std::size_t safeLength(const std::string& block)
{
    return Utf8SafeLength(block.data(), block.size());
}

std::string transcoded(std::string block)
{
    block.resize(TranscodeDocumentBlock(block.data(), block.size()));
    return block;
}

TEST(TextCleanersUtf8Blocks, ABlockNeverEndsInsideASequence)
{
    EXPECT_EQ(safeLength("caf\xC3\xA9"), 5u);
    EXPECT_EQ(safeLength("caf\xC3"), 3u) << "cut inside \xC3\xA9";
    EXPECT_EQ(safeLength("x \xE2\x82"), 2u);
    EXPECT_EQ(safeLength("x \xE2"), 2u);
    EXPECT_EQ(safeLength("ok\xF0\x9F\x98"), 2u);
    EXPECT_EQ(safeLength("ok\xF0\x9F\x98\x80"), 6u);
    EXPECT_EQ(safeLength("\xC3"), 0u);
    EXPECT_EQ(safeLength(""), 0u);
    EXPECT_EQ(safeLength("plain"), 5u);
}

TEST(TextCleanersUtf8Blocks, BlocksThatAreNotUtf8KeepTheirLength)
{
    EXPECT_EQ(safeLength("d\xE9j\xE0 vu \xE9"), 9u) << "cp1252 before the end: nothing is cut";
    EXPECT_EQ(safeLength("abc\xA9"), 4u) << "a stray continuation byte";
    EXPECT_EQ(safeLength("\x80\x80\x80\x80"), 4u);
    EXPECT_EQ(safeLength("ab\xE0\x80"), 4u) << "E0 80 can only begin an overlong form";
    EXPECT_EQ(safeLength("ab\xED\xA0"), 4u) << "ED A0 can only begin a surrogate";
    EXPECT_EQ(safeLength("ab\xF4\x90"), 4u) << "F4 90 is above U+10FFFF";
}

TEST(TextCleanersUtf8Blocks, Utf8BlocksBecomeCp1252)
{
    EXPECT_EQ(transcoded("Caf\xC3\xA9"), "Caf\xE9");
    EXPECT_EQ(transcoded("\xE2\x82\xAC 5 \xE2\x80\x9Cq\xE2\x80\x9D \xC5\x92"), "\x80 5 \x93q\x94 \x8C");
    EXPECT_EQ(transcoded("a\xF0\x9F\x98\x80z"), "a z") << "an emoji has no cp1252 form";
    EXPECT_EQ(transcoded("\xE4\xB8\xAD\xC2\xA0"), " \xA0");
}

TEST(TextCleanersUtf8Blocks, OtherBlocksAreLeftAlone)
{
    EXPECT_EQ(transcoded("d\xE9j\xE0 vu"), "d\xE9j\xE0 vu") << "cp1252";
    EXPECT_EQ(transcoded("ascii only"), "ascii only");
    EXPECT_EQ(transcoded("caf\xC3"), "caf\xC3") << "cut inside a sequence";
    EXPECT_EQ(transcoded("\xC0\xAF"), "\xC0\xAF") << "overlong";
    EXPECT_EQ(transcoded("\xED\xA0\x80"), "\xED\xA0\x80") << "surrogate";
    EXPECT_EQ(transcoded("\xC3\xA9\xE9"), "\xC3\xA9\xE9") << "mixed: one invalid byte keeps the block";
    EXPECT_EQ(transcoded(""), "");
}

TEST(TextCleanersUtf8Blocks, BlockCutInsideALetterReadsWholeInTwoParts)
{
    const std::string file = "caf\xC3\xA9 ol\xC3\xA9";
    std::string first = file.substr(0, 4);
    std::size_t take = Utf8SafeLength(first.data(), first.size());
    ASSERT_EQ(take, 3u);
    first.resize(take);
    std::string second = file.substr(take);
    EXPECT_EQ(transcoded(first) + transcoded(second), "caf\xE9 ol\xE9");
}

std::string decoded(std::string text)
{
    text.resize(DecodeCharacterReferences(text.data(), text.size()));
    return text;
}

TEST(TextCleanersDecodeCharacterReferences, ReferencesBecomeTheirLettersAndAnythingElseStays)
{
    EXPECT_EQ(decoded("verr&#224; pu&#xF2; PU&#XD2;"), "verr\xE0 pu\xF2 PU\xD2");
    EXPECT_EQ(decoded("caf&eacute; &Agrave; &yuml;&szlig;"), "caf\xE9 \xC0 \xFF\xDF");
    EXPECT_EQ(decoded("a&lt;b&gt;c &quot;d&apos; e&amp;f"), "a<b>c \"d' e&f");
    // Characters cp1252 cannot write, controls and unknown names stand apart as blanks.
    EXPECT_EQ(decoded("x&#1092;y &#8364; a&#0;b &mdash;z"), "x y \x80 a b  z");
    // What is no well-formed reference is text: the letters stay words.
    for (const char* kept : {"AT&T rocks", "&#;", "&#x;", "&#12a;", "&;", "&#99999999999;", "&#x110000;",
                             "&averyveryverylongname;", "tail &#224", "&eacute", "&"})
        EXPECT_EQ(decoded(kept), kept) << kept;
}

} // namespace
} // namespace vedra::indexing
