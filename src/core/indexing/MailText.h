// The text of e-mail: a message saved on its own (".eml") or a mailbox of many
// ("mbox": messages one after another, each opened by a line beginning "From ").
// Each message gives its From, To, Cc, Subject and Date headers and the text of
// its text parts (HTML without its markup), decoded from their transfer encodings
// and charsets into cp1252, the engine's text. Other parts (pictures, documents
// attached) are left out. Read by the indexing run under the more-types rules and
// by the preview, so that hits are marked in the text that was indexed.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vedra::indexing {

// How much of a mail file is read; the rest of a larger mailbox is left unread.
inline constexpr std::size_t kMailReadLimit = 64u << 20;

// How deep multipart parts and attached messages are followed.
inline constexpr int kMailNestingLimit = 32;

// True for a name (lower-cased) ending in ".eml" or ".mbox".
bool IsMailName(std::string_view lowerName);

// True when `head` begins like a mailbox: "From " then an address.
bool LooksLikeMbox(std::string_view head);

// Whether the file is mail: a mail name, or a name of no extension whose first
// line is a mailbox's.
bool IsMailFile(std::string_view lowerName, const std::string& path);

// The text of `bytes`, one message or (when `mailbox`) every message of a
// mailbox, each message's headers first ("Subject: ..."), messages separated by a
// blank line. Lines end in "\n". Never throws on damaged input; the result is at
// most about twice as long as `bytes`.
std::string MailText(std::string_view bytes, bool mailbox);

// MailText of the first kMailReadLimit bytes of the file (a mailbox when its
// first line says so); empty when it cannot be read.
std::string ReadMailFile(const std::string& path);

// Decoders, on their own for the tests: quoted-printable (soft line breaks
// joined, a broken escape kept as it is), base64 (bytes outside its alphabet
// skipped, a cut final group decoded as far as it goes), a header's RFC 2047
// encoded words, and a charset's bytes to cp1252 (unknown charsets: UTF-8 when
// the bytes are valid UTF-8, else taken as cp1252).
std::string DecodeQuotedPrintable(std::string_view text, bool header = false);
std::string DecodeBase64(std::string_view text);
std::string DecodeHeaderWords(std::string_view value);
std::string CharsetToCp1252(std::string_view bytes, std::string_view charset);

} // namespace vedra::indexing
