// The text of a packed document in the order its reader meets it. An unpacked
// e-book, workbook or presentation is a heap of members whose file order says
// nothing: the chapters follow the package's spine, the sheets the workbook's
// list, the slides the presentation's list, and the sheet names live in an
// attribute the markup rules drop. Under the more-types rules the run writes one
// member holding that text in order and reads it in place of the members it came
// from, so that the preview shows the document as its reader sees it.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::indexing {

// Reads a member by its path inside the unpacked document ("OEBPS/ch1.xhtml");
// nothing when there is no such member or it cannot be read.
using PackedMemberReader = std::function<std::optional<std::string>(const std::string& memberPath)>;

struct PackedText {
    std::string name;                  // of the member to write: its extension chooses the rules that read it
    std::string text;                  // UTF-8; markup for an e-book, plain text otherwise
    std::vector<std::string> members;  // the members it was made from, read no more
};

// `href` taken relative to the folder `base` (empty, or ending in '/'), as a member
// path: percent escapes decoded, a "#fragment" or "?query" dropped, "." and ".."
// segments resolved. Empty when the result would leave the document (a ".." above
// its top, an absolute path, a scheme such as "http:"), or names nothing.
std::string ResolveMemberPath(std::string_view base, std::string_view href);

// The "full-path" of the first rootfile of an e-book's META-INF/container.xml;
// empty when there is none or it leaves the document.
std::string OpfPathOf(std::string_view containerXml);

// The member paths of a package document's spine, in reading order: each
// itemref's idref looked up in the manifest, its href resolved against the
// folder of `opfPath`. Unknown idrefs and items that resolve to nothing are left
// out; a package without spine gives none.
std::vector<std::string> SpineMembers(std::string_view opfXml, std::string_view opfPath);

// The sheets of an Office Open XML workbook in the workbook's order: their names
// and member paths ("xl/worksheets/sheet1.xml"), from xl/workbook.xml and its
// relations.
std::vector<std::pair<std::string, std::string>> WorkbookSheets(std::string_view workbookXml,
                                                                std::string_view workbookRelsXml);

// The slide member paths of an Office Open XML presentation in its order, from
// ppt/presentation.xml and its relations.
std::vector<std::string> PresentationSlides(std::string_view presentationXml, std::string_view presentationRelsXml);

// The document's text in order for the packed types that have one (".epub",
// ".xlsx", ".xlsm", ".pptx", ".pptm", ".ppsx", ".ods", ".odp"; `lowerName` is
// the packed file's lower-cased name): the spine's pages one after the other; each
// sheet's name, then its cells row by row; each slide's or page's name when it
// has one, then its texts. Nothing for another type, or when the members that
// give the order are missing or give none (the members are then read as they
// are).
std::optional<PackedText> ReadPackedInOrder(std::string_view lowerName, const PackedMemberReader& read);

// How much of one member is read for the text in order.
inline constexpr std::size_t kPackedMemberLimit = 64u << 20;

// In `unpackFolder`, an unpack folder of the program's holding the members of the
// packed file `lowerName`: writes the text in order as a member of its own and
// removes the members it was made from. Members are read only as regular files
// inside the folder (no link is followed out of it). False, and nothing changed,
// when the type has no order, the order cannot be read, or a member of the new
// member's name is already there.
bool WritePackedTextMember(std::string_view lowerName, const std::string& unpackFolder);

} // namespace vedra::indexing
