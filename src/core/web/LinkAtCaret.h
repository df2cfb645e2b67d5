// What a double click in the text preview opens: the disk path or web address on
// the caret's line, or else the word under the caret, which is searched in the
// notes. The engine decides; the window opens the file, starts the browser or runs
// the notes search.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vedra::web {

enum class LinkAction { None, OpenFile, OpenWebAddress, SearchNotes };

struct LinkAtCaret {
    LinkAction action = LinkAction::None;
    std::string target;  // the path, the address (with its scheme) or the word
};

// Lines and words of this many characters or more are ignored.
inline constexpr std::size_t kMaxCaretLineLength = 1000;

// Works on a copy of the preview's text with its web escapes decoded and its accents
// folded; the caret is an offset into that copy (clamped to its end). The line runs
// from after the line feed before the caret up to the first CR, LF or '*'. A disk
// path on it wins, then an address found at "www.", "http:" or "https:", else the
// lower-case letters and digits around the caret (500 back, 256 forward at most).
// Paths and addresses keep their case; the word is lower-cased.
LinkAtCaret OpenLinkAtCaret(std::string_view previewText, std::optional<std::size_t> caret);

} // namespace vedra::web
