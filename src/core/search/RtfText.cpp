// One pass with a stack of group states: a '}' restores the look its '{' saved,
// and text gathers into a run that is flushed whenever the look changes, so each
// run becomes one span. A colour counts only when clearly red, green or blue, the
// preview having no others; a stray '}' outside any group is ignored.
#include "core/search/RtfText.h"

#include "core/app/TextEncoding.h"

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace vedra::search {
namespace {

struct GroupState {
    bool bold = false;
    bool underline = false;
    int colour = 0;  // index into the colour table; 0 is the automatic colour
    bool skip = false;
    bool colourTable = false;
    int unicodeSkip = 1;
};

struct ColourEntry {
    int red = 0;
    int green = 0;
    int blue = 0;
};

// Only the preview's own colours are shown; any other colour reads as plain text.
Colour previewColourOf(const ColourEntry& entry)
{
    auto dominant = [](int strong, int weakA, int weakB) { return strong >= 128 && weakA < 100 && weakB < 100; };
    if (dominant(entry.red, entry.green, entry.blue))
        return Colour::Red;
    if (dominant(entry.green, entry.red, entry.blue))
        return Colour::Green;
    if (dominant(entry.blue, entry.red, entry.green))
        return Colour::Blue;
    return Colour::None;
}

bool isSkippedDestination(std::string_view word)
{
    static constexpr std::string_view kSkipped[] = {
        "fonttbl",  "stylesheet", "info",     "pict",       "object",        "listtable", "listoverridetable",
        "rsidtbl",  "generator",  "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl",
        "mmathPr",  "filetbl",    "revtbl",   "header",     "footer",        "headerl",   "headerr",
        "footerl",  "footerr",    "fldinst",  "nonshppict", "shppict",       "pgdsctbl",  "bkmkstart",
        "bkmkend",
    };
    for (std::string_view skipped : kSkipped) {
        if (word == skipped)
            return true;
    }
    return false;
}

class RtfReader {
public:
    explicit RtfReader(std::string_view input) : m_in(input) {}

    PreviewDocument read()
    {
        while (m_pos < m_in.size()) {
            char c = m_in[m_pos++];
            if (c == '{') {
                m_stack.push_back(m_state);
            } else if (c == '}') {
                flush();
                if (!m_stack.empty()) {
                    m_state = m_stack.back();
                    m_stack.pop_back();
                }
            } else if (c == '\\') {
                controlWord();
            } else if (c == '\r' || c == '\n') {
                // Line ends in the file are not text.
            } else {
                if (m_state.colourTable) {
                    if (c == ';') {
                        m_colours.push_back(m_pendingColour);
                        m_pendingColour = {};
                    }
                } else if (m_pendingSkip > 0) {
                    --m_pendingSkip;
                } else {
                    put(c);
                }
            }
        }
        flush();
        return std::move(m_document);
    }

private:
    void controlWord()
    {
        if (m_pos >= m_in.size())
            return;
        char c = m_in[m_pos];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        std::size_t start = m_pos;
        while (m_pos < m_in.size() && std::isalpha(static_cast<unsigned char>(m_in[m_pos])))
            ++m_pos;
        std::string_view word = m_in.substr(start, m_pos - start);
        bool hasParameter = false;
        bool negative = false;
        std::int64_t parameter = 0;
        if (m_pos < m_in.size() && m_in[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_in.size() && std::isdigit(static_cast<unsigned char>(m_in[m_pos]))) {
            hasParameter = true;
            if (parameter < 1'000'000'000)
                parameter = parameter * 10 + (m_in[m_pos] - '0');
            ++m_pos;
        }
        if (negative)
            parameter = -parameter;
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos;
        apply(word, hasParameter, static_cast<int>(parameter));
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            if (m_pos + 2 > m_in.size()) {
                m_pos = m_in.size();
                return;
            }
            int high = app::hexDigitValue(m_in[m_pos]);
            int low = app::hexDigitValue(m_in[m_pos + 1]);
            m_pos += 2;
            if (high < 0 || low < 0)
                return;
            if (m_pendingSkip > 0) {
                --m_pendingSkip;
                return;
            }
            put(static_cast<char>(high * 16 + low));
            break;
        }
        case '*':
            m_state.skip = true;
            break;
        case '~':
            put(' ');
            break;
        case '_':
            put('-');
            break;
        case '\\':
        case '{':
        case '}':
            put(c);
            break;
        case '\r':
        case '\n':
            put('\n');
            break;
        default:
            break;
        }
    }

    void apply(std::string_view word, bool hasParameter, int parameter)
    {
        if (word == "colortbl") {
            m_state.colourTable = true;
            m_state.skip = true;
        } else if (m_state.colourTable) {
            if (word == "red")
                m_pendingColour.red = parameter;
            else if (word == "green")
                m_pendingColour.green = parameter;
            else if (word == "blue")
                m_pendingColour.blue = parameter;
        } else if (isSkippedDestination(word)) {
            m_state.skip = true;
        } else if (word == "bin" && hasParameter && parameter > 0) {
            m_pos = std::min(m_in.size(), m_pos + static_cast<std::size_t>(parameter));
        } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
            put('\n');
        } else if (word == "tab") {
            put('\t');
        } else if (word == "b") {
            style(m_state.bold, !hasParameter || parameter != 0);
        } else if (word == "ul") {
            style(m_state.underline, !hasParameter || parameter != 0);
        } else if (word == "ulnone") {
            style(m_state.underline, false);
        } else if (word == "cf") {
            if (m_state.colour != parameter)
                flush();
            m_state.colour = parameter;
        } else if (word == "plain") {
            flush();
            m_state.bold = false;
            m_state.underline = false;
            m_state.colour = 0;
        } else if (word == "uc") {
            m_state.unicodeSkip = hasParameter && parameter >= 0 ? parameter : 1;
        } else if (word == "u" && hasParameter) {
            int code = parameter < 0 ? parameter + 65536 : parameter;
            std::string utf8 = codePointUtf8(static_cast<unsigned>(code));
            std::string cp1252 = app::utf8ToCp1252(utf8);
            put(cp1252.size() == 1 && cp1252[0] != ' ' ? cp1252[0] : (code == ' ' ? ' ' : '?'));
            m_pendingSkip = m_state.unicodeSkip;
        }
    }

    static std::string codePointUtf8(unsigned code)
    {
        std::string out;
        if (code < 0x80) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (code >> 6)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (code >> 12)));
            out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        return out;
    }

    void style(bool& field, bool value)
    {
        if (field != value)
            flush();
        field = value;
    }

    void put(char c)
    {
        if (m_state.skip)
            return;
        m_pending.push_back(c);
    }

    SpanStyle currentStyle() const
    {
        SpanStyle style;
        style.bold = m_state.bold;
        style.underline = m_state.underline;
        if (m_state.colour > 0 && static_cast<std::size_t>(m_state.colour) < m_colours.size())
            style.colour = previewColourOf(m_colours[static_cast<std::size_t>(m_state.colour)]);
        return style;
    }

    void flush()
    {
        if (m_pending.empty())
            return;
        SpanStyle style = currentStyle();
        if (style.bold || style.underline || style.colour != Colour::None)
            m_document.appendMarked(m_pending, style);
        else
            m_document.appendText(m_pending);
        m_pending.clear();
    }

    std::string_view m_in;
    std::size_t m_pos = 0;
    GroupState m_state;
    std::vector<GroupState> m_stack;
    std::vector<ColourEntry> m_colours;
    ColourEntry m_pendingColour;
    std::string m_pending;
    int m_pendingSkip = 0;
    PreviewDocument m_document;
};

} // namespace

PreviewDocument ReadRtfText(std::string_view rtf)
{
    if (rtf.substr(0, 5) != "{\\rtf") {
        PreviewDocument plain;
        plain.appendText(rtf);
        return plain;
    }
    return RtfReader(rtf).read();
}

std::string RtfDocumentText(std::string_view rtf)
{
    return ReadRtfText(rtf).text();
}

} // namespace vedra::search
