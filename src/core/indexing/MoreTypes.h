// The more-types rules, which an archive takes on when it is created with them
// (`vedra create --more-types`, the archive dialog's check box, the first
// archive): more document types unpacked like an OpenDocument text, more text
// types read, and any other file read when its first bytes are text.
//
// The archive keeps the choice in its own lists, so that it lasts as long as the
// archive and a reader of the lists sees it: entries appended to "SCM." and
// "FIL.", the first of them in "FIL." the entry "*". That entry switches on what no
// extension entry can say: files of no listed type are read when they hold text,
// the markup of e-book and office members is removed, and an unpacked document is
// read through its members only (an e-book, workbook or presentation through its
// text in the reader's order: PackedReadingOrder.h), and an .rtf file through its
// text (RichTextReader.h). An archive created without the rules has the
// lists of the description byte for byte; adding or removing "*" on the filters
// page switches the rules for any archive.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::indexing {

// The "FIL." entry that switches the rules on. No extension can equal it: an
// extension begins with '.'.
inline constexpr std::string_view kMoreTypesMarker = "*";

// The entries a new archive with the rules has after the description's ones, in
// order ("FIL.": the marker first, then text types; "SCM.": document types
// unpacked with 7z); none for other slots. Each list stays far below the 2047
// bytes the program reads of it.
const std::vector<std::string>& MoreTypesListEntries(int slot);

// MoreTypesListEntries(slot), each followed by CR LF, as they follow the
// description's bytes in the list file.
std::string MoreTypesListBytes(int slot);

// Extensions (lower-cased, with the dot) whose text is markup under the rules,
// besides the ".htm", ".asp", ".xml" and ".php" of every archive: e-book pages and
// their package and table of contents (".xhtml", ".opf", ".ncx"), the relations
// of an office document (".rels") and other XML types.
bool IsMoreTypesMarkupExtension(std::string_view lowerExtension);

// How much of a file of no listed type is looked at before its text is read.
inline constexpr std::size_t kTextSniffBytes = 4096;

// Whether `head`, the first bytes of a file (at most kTextSniffBytes), is text: no
// NUL byte, at most one control byte in a hundred (tab, line ends, form feed,
// backspace and escape do not count: they are in text, and in terminal logs), and
// either valid UTF-8 (a sequence cut by the end of `head` allowed) or, failing
// that, cp1252 (its five unassigned bytes counted as control bytes). An empty
// head is text.
bool LooksLikeText(std::string_view head);

// LooksLikeText of the first kTextSniffBytes of the file; false when it cannot be
// opened or read.
bool FileLooksLikeText(const std::string& path);

} // namespace vedra::indexing
