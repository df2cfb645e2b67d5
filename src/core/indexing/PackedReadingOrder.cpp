// A forgiving scan of XML, enough for the package files: tags with their
// attributes, and the text between them. A damaged file gives what it holds up to
// the damage; nothing here trusts a length or a count read from a member.
#include "core/indexing/PackedReadingOrder.h"

#include "core/app/TextEncoding.h"
#include "core/indexing/UnpackFolder.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace vedra::indexing {
namespace {

struct XmlToken {
    enum Kind { Start, End, Empty, Text } kind = Text;
    std::string_view name;   // without its prefix ("sheet" for "x:sheet")
    std::string_view attributes;
    std::string_view text;
};

std::string_view localName(std::string_view qualified)
{
    const std::size_t colon = qualified.rfind(':');
    return colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
}

void appendUtf8(std::string& out, std::uint32_t code)
{
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        out += ' ';
    } else if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The five XML entities and character references; anything else stays as written.
std::string decodeEntities(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out += text[i];
            continue;
        }
        const std::size_t end = text.find(';', i);
        if (end == std::string_view::npos || end - i > 12) {
            out += '&';
            continue;
        }
        const std::string_view name = text.substr(i + 1, end - i - 1);
        if (name == "lt") out += '<';
        else if (name == "gt") out += '>';
        else if (name == "amp") out += '&';
        else if (name == "quot") out += '"';
        else if (name == "apos") out += '\'';
        else if (name.size() > 1 && name[0] == '#') {
            const bool hex = name[1] == 'x' || name[1] == 'X';
            std::uint32_t code = 0;
            bool valid = name.size() > (hex ? 2u : 1u);
            for (char c : name.substr(hex ? 2 : 1)) {
                int digit = -1;
                if (c >= '0' && c <= '9') digit = c - '0';
                else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
                else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
                if (digit < 0 || code > 0x10FFFF) {
                    valid = false;
                    break;
                }
                code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
            }
            if (!valid) {
                out += '&';
                continue;
            }
            appendUtf8(out, code);
        } else {
            out += '&';
            continue;
        }
        i = end;
    }
    return out;
}

class XmlScanner {
public:
    explicit XmlScanner(std::string_view xml) : m_xml(xml) {}

    bool next(XmlToken& token)
    {
        while (m_at < m_xml.size()) {
            if (m_xml[m_at] != '<') {
                std::size_t end = m_xml.find('<', m_at);
                if (end == std::string_view::npos)
                    end = m_xml.size();
                token = {XmlToken::Text, {}, {}, m_xml.substr(m_at, end - m_at)};
                m_at = end;
                return true;
            }
            std::string_view rest = m_xml.substr(m_at);
            if (rest.starts_with("<!--")) {
                skipPast("-->");
                continue;
            }
            if (rest.starts_with("<![CDATA[")) {
                const std::size_t start = m_at + 9;
                std::size_t end = m_xml.find("]]>", start);
                if (end == std::string_view::npos)
                    end = m_xml.size();
                m_at = std::min(end + 3, m_xml.size());
                token = {XmlToken::Text, {}, {}, m_xml.substr(start, end - start)};
                token.kind = XmlToken::Text;
                m_cdata = true;
                return true;
            }
            if (rest.starts_with("<?") || rest.starts_with("<!")) {
                skipPast(">");
                continue;
            }
            m_cdata = false;
            // A tag ends at the first '>' outside a quoted attribute value.
            std::size_t i = m_at + 1;
            char quote = 0;
            for (; i < m_xml.size(); ++i) {
                const char c = m_xml[i];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '>') {
                    break;
                }
            }
            std::string_view inside = m_xml.substr(m_at + 1, (i < m_xml.size() ? i : m_xml.size()) - m_at - 1);
            m_at = std::min(i + 1, m_xml.size());
            XmlToken::Kind kind = XmlToken::Start;
            if (inside.starts_with('/')) {
                kind = XmlToken::End;
                inside.remove_prefix(1);
            } else if (inside.ends_with('/')) {
                kind = XmlToken::Empty;
                inside.remove_suffix(1);
            }
            std::size_t nameEnd = 0;
            while (nameEnd < inside.size() && !isBlank(inside[nameEnd]))
                ++nameEnd;
            token = {kind, localName(inside.substr(0, nameEnd)), inside.substr(nameEnd), {}};
            return true;
        }
        return false;
    }

    // Whether the last text token was a CDATA section (its text is not escaped).
    bool lastWasCdata() const { return m_cdata; }

    static bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

private:
    void skipPast(std::string_view end)
    {
        const std::size_t at = m_xml.find(end, m_at);
        m_at = at == std::string_view::npos ? m_xml.size() : at + end.size();
    }

    std::string_view m_xml;
    std::size_t m_at = 0;
    bool m_cdata = false;
};

// The value of the attribute whose local name is `name` ("id" finds "r:id" too,
// so callers that care ask for the prefixed attribute first); nothing when absent.
std::optional<std::string> attribute(std::string_view attributes, std::string_view name, bool exactName = false)
{
    std::size_t i = 0;
    while (i < attributes.size()) {
        while (i < attributes.size() && XmlScanner::isBlank(attributes[i]))
            ++i;
        const std::size_t nameStart = i;
        while (i < attributes.size() && attributes[i] != '=' && !XmlScanner::isBlank(attributes[i]))
            ++i;
        const std::string_view qualified = attributes.substr(nameStart, i - nameStart);
        while (i < attributes.size() && XmlScanner::isBlank(attributes[i]))
            ++i;
        if (i >= attributes.size() || attributes[i] != '=') {
            if (i == nameStart)
                ++i;
            continue;
        }
        ++i;
        while (i < attributes.size() && XmlScanner::isBlank(attributes[i]))
            ++i;
        if (i >= attributes.size())
            break;
        std::string_view value;
        const char quote = attributes[i];
        if (quote == '"' || quote == '\'') {
            const std::size_t end = attributes.find(quote, i + 1);
            const std::size_t stop = end == std::string_view::npos ? attributes.size() : end;
            value = attributes.substr(i + 1, stop - i - 1);
            i = stop + 1;
        } else {
            const std::size_t start = i;
            while (i < attributes.size() && !XmlScanner::isBlank(attributes[i]))
                ++i;
            value = attributes.substr(start, i - start);
        }
        if (exactName ? qualified == name : localName(qualified) == name)
            return decodeEntities(value);
    }
    return std::nullopt;
}

std::string folderOf(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

// Relationship ids to their targets, resolved against `base`.
std::map<std::string, std::string> relationships(std::string_view relsXml, std::string_view base)
{
    std::map<std::string, std::string> targets;
    XmlScanner scanner(relsXml);
    XmlToken token;
    while (scanner.next(token)) {
        if ((token.kind == XmlToken::Start || token.kind == XmlToken::Empty) && token.name == "Relationship") {
            if (attribute(token.attributes, "TargetMode").value_or("") == "External")
                continue;
            auto id = attribute(token.attributes, "Id");
            auto target = attribute(token.attributes, "Target");
            if (!id || !target)
                continue;
            // A target beginning with '/' is taken from the package's top.
            std::string path = target->starts_with('/') ? ResolveMemberPath("", target->substr(1))
                                                        : ResolveMemberPath(base, *target);
            if (!path.empty())
                targets.emplace(*id, path);
        }
    }
    return targets;
}

std::optional<std::string> relationshipId(std::string_view attributes)
{
    if (auto id = attribute(attributes, "r:id", true))
        return id;
    // Another prefix bound to the relationships namespace.
    std::size_t i = 0;
    while ((i = attributes.find(":id", i)) != std::string_view::npos) {
        const std::size_t start = attributes.rfind(' ', i);
        const std::string_view qualified =
            attributes.substr(start == std::string_view::npos ? 0 : start + 1,
                              i + 3 - (start == std::string_view::npos ? 0 : start + 1));
        if (auto id = attribute(attributes, qualified, true))
            return id;
        i += 3;
    }
    return std::nullopt;
}

void endLine(std::string& text)
{
    if (!text.empty() && text.back() != '\n')
        text += '\n';
}

// The texts of the elements named `textElement` (with any prefix), each block
// element (`blockElements`) ending a line.
std::string elementTexts(std::string_view xml, std::string_view textElement,
                         std::initializer_list<std::string_view> blockElements)
{
    std::string text;
    XmlScanner scanner(xml);
    XmlToken token;
    int depth = 0;
    while (scanner.next(token)) {
        switch (token.kind) {
        case XmlToken::Start:
            if (token.name == textElement)
                ++depth;
            break;
        case XmlToken::End:
            if (token.name == textElement && depth > 0)
                --depth;
            // Runs of one paragraph join: a word may be split between two of them.
            if (std::find(blockElements.begin(), blockElements.end(), token.name) != blockElements.end())
                endLine(text);
            break;
        case XmlToken::Empty:
            if (token.name == "br" || token.name == "line-break" || token.name == "tab" || token.name == "s")
                text += ' ';
            break;
        case XmlToken::Text:
            if (depth > 0)
                text += scanner.lastWasCdata() ? std::string(token.text) : decodeEntities(token.text);
            break;
        }
    }
    endLine(text);
    return text;
}

// A page's head is not shown by a reader: its title is often the member's file
// name ("ch001.xhtml"), its style sheet rules are no text.
std::string withoutHead(const std::string& page)
{
    std::size_t start = page.find("<head");
    while (start != std::string::npos && start + 5 < page.size() && page[start + 5] != '>' &&
           !XmlScanner::isBlank(page[start + 5]))
        start = page.find("<head", start + 5);
    if (start == std::string::npos)
        return page;
    const std::size_t end = page.find("</head>", start);
    if (end == std::string::npos)
        return page.substr(0, start);
    return page.substr(0, start) + page.substr(end + 7);
}

std::optional<PackedText> epubInOrder(const PackedMemberReader& read)
{
    auto container = read("META-INF/container.xml");
    if (!container)
        return std::nullopt;
    const std::string opfPath = OpfPathOf(*container);
    auto opf = opfPath.empty() ? std::nullopt : read(opfPath);
    if (!opf)
        return std::nullopt;
    PackedText book;
    book.name = "text.xhtml";
    std::vector<std::string> seen;
    for (const std::string& member : SpineMembers(*opf, opfPath)) {
        // A spine may name a page twice; its text is read once.
        if (std::find(seen.begin(), seen.end(), member) != seen.end())
            continue;
        seen.push_back(member);
        if (auto page = read(member)) {
            book.text += withoutHead(*page);
            book.text += "\n";
            book.members.push_back(member);
        }
    }
    if (book.members.empty())
        return std::nullopt;
    return book;
}

std::optional<PackedText> workbookInOrder(const PackedMemberReader& read)
{
    auto workbook = read("xl/workbook.xml");
    auto rels = read("xl/_rels/workbook.xml.rels");
    if (!workbook || !rels)
        return std::nullopt;
    const auto sheets = WorkbookSheets(*workbook, *rels);
    if (sheets.empty())
        return std::nullopt;
    PackedText book;
    book.name = "text.txt";
    std::vector<std::string> shared;
    if (auto strings = read("xl/sharedStrings.xml")) {
        book.members.push_back("xl/sharedStrings.xml");
        XmlScanner scanner(*strings);
        XmlToken token;
        std::string item;
        bool inItem = false;
        int inText = 0;
        bool inPhonetic = false;
        while (scanner.next(token)) {
            if (token.kind == XmlToken::Start && token.name == "si") {
                inItem = true;
                item.clear();
            } else if (token.kind == XmlToken::Empty && token.name == "si") {
                shared.emplace_back();
            } else if (token.kind == XmlToken::End && token.name == "si" && inItem) {
                shared.push_back(item);
                inItem = false;
            } else if (token.kind == XmlToken::Start && token.name == "rPh") {
                inPhonetic = true;  // a reading aid of East Asian text, not the cell's text
            } else if (token.kind == XmlToken::End && token.name == "rPh") {
                inPhonetic = false;
            } else if (token.kind == XmlToken::Start && token.name == "t") {
                ++inText;
            } else if (token.kind == XmlToken::End && token.name == "t" && inText > 0) {
                --inText;
            } else if (token.kind == XmlToken::Text && inItem && inText > 0 && !inPhonetic) {
                item += scanner.lastWasCdata() ? std::string(token.text) : decodeEntities(token.text);
            }
        }
    }
    for (const auto& [name, path] : sheets) {
        endLine(book.text);
        book.text += name + "\n";
        auto sheet = read(path);
        if (!sheet)
            continue;
        book.members.push_back(path);
        XmlScanner scanner(*sheet);
        XmlToken token;
        std::string type;
        bool inValue = false;
        int inText = 0;
        bool cellWritten = false;
        while (scanner.next(token)) {
            if ((token.kind == XmlToken::Start || token.kind == XmlToken::Empty) && token.name == "c") {
                type = attribute(token.attributes, "t").value_or("");
                cellWritten = false;
            } else if (token.kind == XmlToken::Start && token.name == "v") {
                inValue = true;
            } else if (token.kind == XmlToken::End && token.name == "v") {
                inValue = false;
            } else if (token.kind == XmlToken::Start && token.name == "t") {
                ++inText;
            } else if (token.kind == XmlToken::End && token.name == "t" && inText > 0) {
                --inText;
            } else if (token.kind == XmlToken::End && token.name == "row") {
                endLine(book.text);
            } else if (token.kind == XmlToken::Text && (inValue || inText > 0)) {
                std::string value = scanner.lastWasCdata() ? std::string(token.text) : decodeEntities(token.text);
                if (inValue && type == "s") {
                    std::size_t index = 0;
                    bool number = !value.empty() && value.size() < 10;
                    for (char c : value) {
                        if (c < '0' || c > '9') {
                            number = false;
                            break;
                        }
                        index = index * 10 + static_cast<std::size_t>(c - '0');
                    }
                    if (!number || index >= shared.size())
                        continue;
                    value = shared[index];
                }
                if (inValue && (type == "b" || type == "e"))
                    continue;  // booleans and errors are codes, not text
                if (!cellWritten && !book.text.empty() && book.text.back() != '\n')
                    book.text += '\t';
                book.text += value;
                cellWritten = true;
            }
        }
        endLine(book.text);
    }
    return book;
}

std::optional<PackedText> presentationInOrder(const PackedMemberReader& read)
{
    auto presentation = read("ppt/presentation.xml");
    auto rels = read("ppt/_rels/presentation.xml.rels");
    if (!presentation || !rels)
        return std::nullopt;
    const auto slides = PresentationSlides(*presentation, *rels);
    if (slides.empty())
        return std::nullopt;
    PackedText deck;
    deck.name = "text.txt";
    for (const std::string& path : slides) {
        auto slide = read(path);
        if (!slide)
            continue;
        deck.members.push_back(path);
        endLine(deck.text);
        XmlScanner scanner(*slide);
        XmlToken token;
        while (scanner.next(token)) {
            if ((token.kind == XmlToken::Start || token.kind == XmlToken::Empty) && token.name == "cSld") {
                if (auto name = attribute(token.attributes, "name"); name && !name->empty())
                    deck.text += *name + "\n";
                break;
            }
        }
        deck.text += elementTexts(*slide, "t", {"p"});
    }
    if (deck.members.empty())
        return std::nullopt;
    return deck;
}

// content.xml of a spreadsheet or presentation: each table's or page's name on a
// line of its own, then its paragraphs.
std::optional<PackedText> openDocumentInOrder(const PackedMemberReader& read, std::string_view partElement)
{
    auto content = read("content.xml");
    if (!content)
        return std::nullopt;
    PackedText document;
    document.name = "text.txt";
    document.members.push_back("content.xml");
    std::string& text = document.text;
    XmlScanner scanner(*content);
    XmlToken token;
    int inParagraph = 0;
    while (scanner.next(token)) {
        switch (token.kind) {
        case XmlToken::Start:
        case XmlToken::Empty:
            if (token.name == partElement) {
                endLine(text);
                if (auto name = attribute(token.attributes, "name"); name && !name->empty())
                    text += *name + "\n";
            } else if (token.kind == XmlToken::Start && (token.name == "p" || token.name == "h")) {
                ++inParagraph;
            } else if (token.name == "s" || token.name == "tab" || token.name == "line-break") {
                text += ' ';
            }
            break;
        case XmlToken::End:
            if ((token.name == "p" || token.name == "h") && inParagraph > 0) {
                --inParagraph;
                if (!text.empty() && text.back() != '\n' && text.back() != '\t')
                    text += '\t';
            } else if (token.name == "table-row" || token.name == "frame") {
                endLine(text);
            }
            break;
        case XmlToken::Text:
            if (inParagraph > 0)
                text += scanner.lastWasCdata() ? std::string(token.text) : decodeEntities(token.text);
            break;
        }
    }
    endLine(text);
    return document;
}

} // namespace

std::string ResolveMemberPath(std::string_view base, std::string_view href)
{
    const std::size_t cut = href.find_first_of("#?");
    if (cut != std::string_view::npos)
        href = href.substr(0, cut);
    if (href.empty() || href.starts_with('/'))
        return {};
    // A scheme ("http:", "file:") names no member.
    const std::size_t colon = href.find(':');
    if (colon != std::string_view::npos && href.find('/') > colon)
        return {};
    std::string decoded;
    for (std::size_t i = 0; i < href.size(); ++i) {
        if (href[i] == '%' && i + 2 < href.size() && app::hexDigitValue(href[i + 1]) >= 0 && app::hexDigitValue(href[i + 2]) >= 0) {
            decoded += static_cast<char>(app::hexDigitValue(href[i + 1]) * 16 + app::hexDigitValue(href[i + 2]));
            i += 2;
        } else {
            decoded += href[i];
        }
    }
    if (decoded.find('\0') != std::string::npos)
        return {};
    std::vector<std::string> parts;
    const std::string whole = std::string(base) + decoded;
    std::size_t start = 0;
    while (start <= whole.size()) {
        std::size_t end = whole.find('/', start);
        if (end == std::string::npos)
            end = whole.size();
        const std::string part = whole.substr(start, end - start);
        if (part == "..") {
            if (parts.empty())
                return {};
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string path;
    for (const std::string& part : parts)
        path += (path.empty() ? "" : "/") + part;
    return path;
}

std::string OpfPathOf(std::string_view containerXml)
{
    XmlScanner scanner(containerXml);
    XmlToken token;
    while (scanner.next(token)) {
        if ((token.kind == XmlToken::Start || token.kind == XmlToken::Empty) && token.name == "rootfile") {
            if (auto path = attribute(token.attributes, "full-path"))
                return ResolveMemberPath("", *path);
        }
    }
    return {};
}

std::vector<std::string> SpineMembers(std::string_view opfXml, std::string_view opfPath)
{
    const std::string base = folderOf(opfPath);
    std::map<std::string, std::string> manifest;
    std::vector<std::string> order;
    XmlScanner scanner(opfXml);
    XmlToken token;
    bool inSpine = false;
    while (scanner.next(token)) {
        if (token.kind == XmlToken::Text)
            continue;
        if (token.name == "spine")
            inSpine = token.kind == XmlToken::Start;
        else if (token.kind != XmlToken::End && token.name == "item") {
            auto id = attribute(token.attributes, "id");
            auto href = attribute(token.attributes, "href");
            if (id && href)
                manifest.emplace(*id, ResolveMemberPath(base, *href));
        } else if (token.kind != XmlToken::End && token.name == "itemref" && inSpine) {
            if (auto idref = attribute(token.attributes, "idref"))
                order.push_back(*idref);
        }
    }
    std::vector<std::string> members;
    for (const std::string& idref : order) {
        auto item = manifest.find(idref);
        if (item != manifest.end() && !item->second.empty())
            members.push_back(item->second);
    }
    return members;
}

std::vector<std::pair<std::string, std::string>> WorkbookSheets(std::string_view workbookXml,
                                                                std::string_view workbookRelsXml)
{
    const auto targets = relationships(workbookRelsXml, "xl/");
    std::vector<std::pair<std::string, std::string>> sheets;
    XmlScanner scanner(workbookXml);
    XmlToken token;
    while (scanner.next(token)) {
        if ((token.kind == XmlToken::Start || token.kind == XmlToken::Empty) && token.name == "sheet") {
            auto id = relationshipId(token.attributes);
            auto target = id ? targets.find(*id) : targets.end();
            if (target != targets.end())
                sheets.emplace_back(attribute(token.attributes, "name").value_or(""), target->second);
        }
    }
    return sheets;
}

std::vector<std::string> PresentationSlides(std::string_view presentationXml, std::string_view presentationRelsXml)
{
    const auto targets = relationships(presentationRelsXml, "ppt/");
    std::vector<std::string> slides;
    XmlScanner scanner(presentationXml);
    XmlToken token;
    bool inList = false;
    while (scanner.next(token)) {
        if (token.kind != XmlToken::Text && token.name == "sldIdLst")
            inList = token.kind == XmlToken::Start;
        else if (inList && (token.kind == XmlToken::Start || token.kind == XmlToken::Empty) && token.name == "sldId") {
            auto id = relationshipId(token.attributes);
            auto target = id ? targets.find(*id) : targets.end();
            if (target != targets.end())
                slides.push_back(target->second);
        }
    }
    return slides;
}

std::optional<PackedText> ReadPackedInOrder(std::string_view lowerName, const PackedMemberReader& read)
{
    const std::size_t dot = lowerName.rfind('.');
    const std::string_view extension = dot == std::string_view::npos ? std::string_view() : lowerName.substr(dot);
    if (extension == ".epub")
        return epubInOrder(read);
    if (extension == ".xlsx" || extension == ".xlsm")
        return workbookInOrder(read);
    if (extension == ".pptx" || extension == ".pptm" || extension == ".ppsx")
        return presentationInOrder(read);
    if (extension == ".ods")
        return openDocumentInOrder(read, "table");
    if (extension == ".odp")
        return openDocumentInOrder(read, "page");
    return std::nullopt;
}

bool WritePackedTextMember(std::string_view lowerName, const std::string& unpackFolder)
{
    namespace fs = std::filesystem;
    if (!IsOwnUnpackFolder(unpackFolder))
        return false;
    const std::string folder = unpackFolder.ends_with('/') ? unpackFolder : unpackFolder + "/";
    std::error_code error;
    const fs::path top = fs::canonical(folder, error);
    if (error)
        return false;
    // A packed file may hold links: a member is read only when it is a regular
    // file whose real path lies inside the unpack folder.
    auto read = [&](const std::string& member) -> std::optional<std::string> {
        if (member.empty())
            return std::nullopt;
        const std::string path = folder + member;
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        std::error_code ignored;
        const fs::path real = fs::canonical(path, ignored);
        if (ignored)
            return std::nullopt;
        const std::string realText = real.string();
        const std::string topText = top.string() + "/";
        if (!realText.starts_with(topText))
            return std::nullopt;
        return io::readFileBytes(path, kPackedMemberLimit);
    };
    auto packed = ReadPackedInOrder(lowerName, read);
    if (!packed)
        return false;
    const std::string target = folder + packed->name;
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0)
        return false;
    auto file = io::FileHandle::open(target, io::OpenMode::CreateTruncate);
    if (!file || !file->writeAt(0, packed->text)) {
        file.reset();
        ::unlink(target.c_str());
        return false;
    }
    file.reset();
    for (const std::string& member : packed->members) {
        const std::string path = folder + member;
        ::chmod(path.c_str(), 0600);
        ::unlink(path.c_str());
    }
    return true;
}

} // namespace vedra::indexing
