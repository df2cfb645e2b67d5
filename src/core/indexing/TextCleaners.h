// Turns document bytes into text the word extraction and the preview can use: the
// chunk cleaners of the indexing run (NUL squeezing, markup removal), the reader of
// text between tags with its entity and UTF-8 table, the readable-words view of
// binary files, and the UTF-8 rule for blocks read from documents.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

// Copies `in` to `out` dropping every single NUL byte and turning each run of two or
// more NUL bytes into one blank: recovers the text of 16-bit-character documents.
// Returns the new length itself (the older routine returned it plus one; callers
// that added the terminator must not count it). `out` may be `in`; otherwise it must
// hold `length` bytes.
std::size_t SqueezeNuls(const char* in, std::size_t length, char* out);

// Markup removal in place, for web-page chunks; returns the new length. In order:
// comment, "<script" and "<style" spans; in mode 1 every tag except "img" tags
// (a tag naming "description" keeps the text after the first '=' that follows the
// word); each "\r\n" pair made one blank in modes below 2; "&amp;" to '&' and
// tab to blank. Matching is case-sensitive ("<SCRIPT" spans stay, though mode 1
// still removes their tags). A span or tag still open at the end of the chunk is
// removed to the end: the chunk is cut at an arbitrary byte and its tail is markup,
// not text. Linear in `length`.
std::size_t StripMarkup(char* buffer, std::size_t length, int mode);

// The text of a page as the preview shows it: every piece between `opening` and the
// next `closing`, trimmed of bytes below 33, appended after one blank; a line break
// ("\r\n") after a "br" tag or after a piece of 128 bytes or more. Pumps messages
// after each piece and stops early once BreakCode is set (Escape confirmed sets Suspend).
// The replacement table is applied to what was read, also after a stop.
std::string ReadTextBetweenTags(app::Workspace& workspace, std::string_view text, char opening = '>',
                                char closing = '<');

// The entity and UTF-8 replacement table of the text-between-tags reader, row by
// row in its order. The order matters: the UTF-8 apostrophe row runs before the row
// that drops every other E2 80 prefix, and '#' goes last.
void ApplyTagReplacements(std::string& text);

// The preview's readable view of a binary file: only words made of letters, digits
// and a little punctuation survive; a word of three bytes or more is kept only when
// `isRoot` accepts the first three characters of its lower-cased copy. Words are
// separated by one blank; a word longer than three bytes ending in '.' ends a line
// ("\n": the final pass drops carriage returns).
std::string ReadableWords(std::string_view text, const std::function<bool(std::string_view root)>& isRoot);

// The length to take from a block read from a document so that it does not end
// inside a UTF-8 sequence: when the block before its last (at most three) bytes is
// valid UTF-8 and those bytes start a sequence that the block cuts short, the
// length before that sequence; otherwise `length`. A caller reading on continues at
// the returned length; at the end of a file it keeps the whole block.
std::size_t Utf8SafeLength(const char* data, std::size_t length);

// In place: when the block is valid UTF-8 and holds a multi-byte sequence, rewrites
// it as cp1252 (a character without a cp1252 form becomes a blank) and returns the
// new, never larger, length. Any other block (ASCII, cp1252, cut inside a sequence)
// is left as it is and `length` is returned.
std::size_t TranscodeDocumentBlock(char* data, std::size_t length);

// In place, on cp1252 text whose markup has been removed: every character reference
// ("&#224;", "&#xE0;") and every named one of XML and of the Latin-1 letters
// ("&lt;", "&agrave;") becomes its cp1252 byte (a blank when it has none, or for
// another well-formed name); anything else stays. Returns the new, never larger,
// length.
std::size_t DecodeCharacterReferences(char* data, std::size_t length);

} // namespace vedra::indexing
