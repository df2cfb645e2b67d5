// The introduction page is a rich-text (RTF) file written by the user's word
// processor. This reads the text and its bold, italic-free look into a preview
// document, so the window can show it without an RTF engine of its own.
#pragma once

#include "core/search/PreviewDocument.h"

#include <string>
#include <string_view>

namespace vedra::search {

// Text of an RTF file as cp1252 with bold, underline and the colours of the colour
// table that match the preview's own (red, green, blue) marked. Paragraph and line
// controls become "\n", tabs a tab; "\'hh" gives the byte hh, "\uN" its cp1252
// character (or '?'). Font, colour and style tables, pictures and every "\*"
// destination are skipped. Text that is not RTF (no "{\rtf") is taken as it is.
// Unbalanced braces end the reading at the end of the input, never before.
PreviewDocument ReadRtfText(std::string_view rtf);

// ReadRtfText's text alone: what the indexing run reads of an .rtf file under the
// more-types rules.
std::string RtfDocumentText(std::string_view rtf);

} // namespace vedra::search
