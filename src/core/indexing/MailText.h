// The text of e-mail: a message saved on its own (".eml") or a mailbox of many
// ("mbox": messages one after another, each opened by a line beginning "From ").
// Each message gives its From, To, Cc, Subject and Date headers and the text of
// its text parts (HTML without its markup), decoded from their transfer encodings
// and charsets into cp1252, the engine's text. Read by the indexing run under the
// more-types rules and by the preview, so that hits are marked in the text that was
// indexed. Other parts (documents, pictures attached) are not in that text: they are
// the mail's attachments, which the run writes into an unpack folder and reads as
// the members of a packed file.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// How many decoded bytes of attachments one mail file gives at most, and how many
// attachments. An attachment that would pass either is left out whole: a cut
// document is of no use to its converter.
inline constexpr std::size_t kMailAttachmentLimit = 64u << 20;
inline constexpr std::size_t kMailAttachmentCountLimit = 4096;

struct MailAttachment {
    std::string name;   // safe as a file name (SafeAttachmentName), UTF-8, unique in its mail file
    std::string bytes;  // decoded from its transfer encoding
};

// The parts of `bytes` (a message, or every message of a mailbox) that are not read
// as its text: leaves of any multipart, also inside attached messages, down to
// kMailNestingLimit. Each is named from Content-Disposition's filename, else
// Content-Type's name (RFC 2231 "filename*=" values and continuations, RFC 2047
// encoded words), else from its media type ("attachment.pdf"); names are made safe
// and numbered when they repeat ("report-2.pdf"), in the order of the file, before
// `wanted` (given the name) picks the ones decoded and returned. So the same
// attachment has the same name whatever another reader wants of the mail.
std::vector<MailAttachment> MailAttachments(std::string_view bytes, bool mailbox,
                                            const std::function<bool(std::string_view name)>& wanted);

// MailAttachments of the first kMailReadLimit bytes of the file.
std::vector<MailAttachment> ReadMailAttachments(const std::string& path,
                                                const std::function<bool(std::string_view name)>& wanted);

// Writes each attachment into `folder` (a path ending in '/', which must exist and
// hold none of the names) with `mail`'s modification time. False when one could
// not be written.
bool WriteMailAttachments(const std::vector<MailAttachment>& attachments, const std::string& folder,
                          const std::string& mail);

// A name from a mail made fit for a file of an unpack folder: the part after the
// last '/' or backslash, control bytes as '_', blanks and leading dots trimmed (no
// "..", no hidden file, no clash with the folder's mark), at most 200 bytes with
// its extension kept, never cut inside a UTF-8 sequence; "attachment" when
// nothing is left.
std::string SafeAttachmentName(std::string_view name);

// A parameter of a structured header ("filename", "name") as UTF-8: RFC 2231's
// "name*=charset'lang'%xx" and "name*0*=" continuations, quoted strings with
// their escapes, and encoded words (written by many mail programs) decoded; empty
// when absent.
std::string MailParameterUtf8(std::string_view headerValue, std::string_view name);

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
