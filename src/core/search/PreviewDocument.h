// The engine's model of the text preview: the text shown and the marked spans over
// it (query words bold blue, extract-file headers red and green). The window renders
// it; `RenderMarked` gives a marker form of it for the command line and for tests.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::search {

enum class Colour { None, Blue, Red, Green };

// A run of characters drawn differently from the plain format.
struct MarkedSpan {
    std::size_t start = 0;
    std::size_t length = 0;
    bool bold = false;
    Colour colour = Colour::None;
    bool underline = false;

    friend bool operator==(const MarkedSpan&, const MarkedSpan&) = default;
};

// The look of a span, without its place.
struct SpanStyle {
    bool bold = false;
    Colour colour = Colour::None;
    bool underline = false;
};

class PreviewDocument {
public:
    // The text is cp1252, the system's text: blocks read from UTF-8 documents are
    // already transcoded when they get here, so one byte is one character and span
    // positions are character positions. Display decodes it (DESIGN section 3).
    const std::string& text() const { return m_text; }
    const std::vector<MarkedSpan>& spans() const { return m_spans; }
    bool empty() const { return m_text.empty(); }

    void clear();
    void appendText(std::string_view text);
    void appendMarked(std::string_view text, SpanStyle style);

    // Marks an existing range; the part outside the text is dropped. False, with
    // nothing marked, when no character of the range lies inside the text.
    bool mark(std::size_t start, std::size_t length, SpanStyle style);

private:
    std::string m_text;
    std::vector<MarkedSpan> m_spans;
};

// The text with `open` before and `close` after every span. Where spans meet, the
// ones ending close before the ones starting open, and a longer span opens before a
// shorter one starting at the same place, so nested spans give nested markers.
std::string RenderMarked(const PreviewDocument& document, std::string_view open = "[[",
                         std::string_view close = "]]");

} // namespace vedra::search
