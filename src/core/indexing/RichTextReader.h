// Under the more-types rules a rich-text (.rtf) file is indexed by its text, not
// by its control words ("fonttbl", "rsid" and the like would be found in every
// such file). The reader is the one the window has for its introduction page; it
// lives in a layer above the indexing run, so the programs hand it over at start.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vedra::indexing {

// The text of an RTF file, as cp1252.
using RichTextReader = std::string (*)(std::string_view rtf);

// The reader the indexing runs use from now on; none (the file's bytes are read
// as they are, as without the rules) until one is set.
void SetRichTextReader(RichTextReader reader);
RichTextReader CurrentRichTextReader();

// How much of an RTF file is converted; the rest is not read.
inline constexpr std::size_t kRichTextReadLimit = 64u << 20;

// Writes the text of the RTF file `path` to `output` (created or emptied) with the
// current reader. False when there is no reader or a file cannot be read or written
// (nothing is left at `output` then).
bool WriteRichTextCopy(const std::string& path, const std::string& output);

} // namespace vedra::indexing
