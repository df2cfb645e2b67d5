// The small text rules that tell a web address from a disk path in a result, and
// that turn a web address into the name of its local copy and back. Pure text
// functions: no file is touched here.
#pragma once

#include <string>
#include <string_view>

namespace vedra::web {

// Addresses longer than this are not handled: no local name, no fetch.
inline constexpr std::size_t kMaxAddressLength = 1023;

// The folder whose files named "www..." or "http//..." stand for web pages.
inline constexpr std::string_view kDownloadFolderName = "download_vedratemp/";

struct ClassifiedPath {
    char kind = 'f';   // 'f' a file on disk, 'w' a web address
    std::string path;  // the usable path: a disk path from its leading '/', or the address
};

// Tells what a result path names. ".pdf.txt" (the text copy of a PDF) is first cut
// back to ".pdf". A name under download_vedratemp/ that begins with "www." or
// "http//" is a web page whose address is the unescaped name. Otherwise the text is
// a disk file when it holds an absolute path ('/' at the start or after a blank, a
// tab, a quote, '<', '(' or '=', not part of "//"); the path starts at that '/' and
// whatever is in front is dropped. Anything else is a web address.
ClassifiedPath ClassifyResultPath(std::string_view text);

// Offset of the '/' that begins an absolute disk path in a line of text (see
// ClassifyResultPath), or npos.
std::string_view::size_type FindDiskPathStart(std::string_view text);

// True when `text` begins with `prefix` (given in lower case), ASCII case ignored.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Cuts a path holding ".pdf.txt" or ".PDF.txt" so that it ends at that ".pdf".
std::string CutPdfTextSuffix(std::string_view path);

// The address to hand to a browser or to the fetch: "http://" is put in front unless
// it already names its scheme ("http:/" or "https:", in any case).
std::string AddressToOpen(std::string_view address);

// Rewrites '/', '?', '*', ';', '=' as "%2F", "%3F", "%2B", "%3B", "%3D", and ':' as
// "%3A" from the fourth character on (a "C:" drive in front stays as it is).
void EscapeLocalName(std::string& text);

// Reverses EscapeLocalName, accepting upper- and lower-case hex letters.
void UnescapeLocalName(std::string& text);

// The file name of an address's local copy: the part after its last '/' (the whole
// address when that part is empty or starts with a blank or control byte), through
// EscapeLocalName. It is always one plain name: no '/' survives, NUL bytes become
// "%00", and the dots of any ".." become "%2E", so that no address can name a file
// outside the folder it is put in. Empty for an empty address.
std::string LocalNameForAddress(std::string_view address);

} // namespace vedra::web
