#include "core/indexing/MailText.h"

#include "core/app/TextEncoding.h"
#include "core/indexing/TextCleaners.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vedra::indexing {
namespace {

// A header value longer than this is cut: a damaged file's endless line must not
// be copied and decoded again and again.
constexpr std::size_t kHeaderValueLimit = 16 * 1024;

char lowerByte(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = lowerByte(c);
    return out;
}

bool startsWithNoCase(std::string_view text, std::string_view head)
{
    if (text.size() < head.size())
        return false;
    for (std::size_t i = 0; i < head.size(); ++i)
        if (lowerByte(text[i]) != lowerByte(head[i]))
            return false;
    return true;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ')
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
        text.remove_suffix(1);
    return text;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+' || c == '-')
        return 62;
    if (c == '/' || c == '_')
        return 63;
    return -1;
}

// The next line of `text` from `pos` (without its line end); `pos` moves past it.
std::string_view nextLine(std::string_view text, std::size_t& pos)
{
    const std::size_t start = pos;
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
        pos = text.size();
        end = text.size();
    } else {
        pos = end + 1;
    }
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

struct Header {
    std::string name;  // lower-cased
    std::string value; // unfolded, raw
};

struct Entity {
    std::vector<Header> headers;
    std::string_view body;

    std::string_view value(std::string_view name) const
    {
        for (const Header& header : headers)
            if (header.name == name)
                return header.value;
        return {};
    }
};

Entity parseEntity(std::string_view text)
{
    Entity entity;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t lineStart = pos;
        std::string_view line = nextLine(text, pos);
        if (line.empty()) {
            entity.body = text.substr(pos);
            return entity;
        }
        if (line.front() == ' ' || line.front() == '\t') {
            if (!entity.headers.empty()) {
                std::string& value = entity.headers.back().value;
                if (value.size() < kHeaderValueLimit)
                    value.append(line.substr(0, kHeaderValueLimit - value.size()));
            }
            continue;
        }
        const std::size_t colon = line.find(':');
        // A line with no colon (a mailbox's "From " line, or damage) names no header.
        if (colon == std::string_view::npos || colon == 0 || colon > 200) {
            // Not a header at all: a message with no header block, read as body.
            if (entity.headers.empty() && !line.starts_with("From ") && lineStart == 0) {
                entity.body = text;
                return entity;
            }
            continue;
        }
        std::string_view value = line.substr(colon + 1);
        entity.headers.push_back({lower(trim(line.substr(0, colon))),
                                  std::string(value.substr(0, std::min(value.size(), kHeaderValueLimit)))});
    }
    entity.body = {};
    return entity;
}

// A parameter of a structured header ("charset", "boundary"), unquoted.
std::string parameter(std::string_view value, std::string_view name)
{
    std::size_t pos = 0;
    while ((pos = value.find(';', pos)) != std::string_view::npos) {
        ++pos;
        std::string_view rest = value.substr(pos);
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        if (!startsWithNoCase(rest, name))
            continue;
        rest.remove_prefix(name.size());
        rest = trim(rest);
        if (rest.empty() || rest.front() != '=')
            continue;
        rest = trim(rest.substr(1));
        if (!rest.empty() && rest.front() == '"') {
            rest.remove_prefix(1);
            return std::string(rest.substr(0, rest.find('"')));
        }
        const std::size_t end = rest.find_first_of("; \t");
        return std::string(rest.substr(0, end));
    }
    return {};
}

std::string mediaType(std::string_view contentType)
{
    std::string_view type = trim(contentType.substr(0, contentType.find(';')));
    return type.empty() ? std::string("text/plain") : lower(type);
}

// ISO-8859-15's eight bytes that differ from Latin-1, and their cp1252 bytes.
constexpr std::array<std::pair<unsigned char, unsigned char>, 8> kLatin9 = {{
    {0xA4, 0x80}, {0xA6, 0x8A}, {0xA8, 0x9A}, {0xB4, 0x8E}, {0xB8, 0x9E}, {0xBC, 0x8C}, {0xBD, 0x9C}, {0xBE, 0x9F}}};

std::string latinToCp1252(std::string_view bytes, bool latin9)
{
    std::string out(bytes);
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        // Latin-1's C1 controls are no letters: blanks, not cp1252's quotes.
        if (byte >= 0x80 && byte < 0xA0) {
            c = ' ';
            continue;
        }
        if (latin9)
            for (const auto& [from, to] : kLatin9)
                if (byte == from)
                    c = static_cast<char>(to);
    }
    return out;
}

struct Context {
    std::string out;
    std::size_t limit = 0;

    bool full() const { return out.size() >= limit; }
    void add(std::string_view text)
    {
        if (!full())
            out.append(text.substr(0, limit - out.size()));
    }
};

std::string decodeBody(std::string_view body, std::string_view transferEncoding)
{
    const std::string encoding = lower(trim(transferEncoding));
    if (encoding == "quoted-printable")
        return DecodeQuotedPrintable(body);
    if (encoding == "base64")
        return DecodeBase64(body);
    return std::string(body);
}

void addTextPart(Context& context, const Entity& entity, bool html)
{
    const std::string_view contentType = entity.value("content-type");
    std::string bytes = decodeBody(entity.body, entity.value("content-transfer-encoding"));
    if (html && !bytes.empty())
        bytes.resize(StripMarkup(bytes.data(), bytes.size(), 1));
    std::string text = CharsetToCp1252(bytes, parameter(contentType, "charset"));
    if (html && !text.empty())
        text.resize(DecodeCharacterReferences(text.data(), text.size()));
    context.add(trim(text));
    context.add("\n");
}

void readEntity(Context& context, std::string_view text, int depth, bool message);

void readMultipart(Context& context, const Entity& entity, const std::string& boundary, int depth)
{
    const std::string delimiter = "--" + boundary;
    std::string_view body = entity.body;
    std::size_t pos = 0;
    std::size_t partStart = std::string_view::npos;
    bool sawDelimiter = false;
    while (pos < body.size() && !context.full()) {
        const std::size_t lineStart = pos;
        std::string_view line = nextLine(body, pos);
        if (!line.starts_with(delimiter))
            continue;
        std::string_view after = line.substr(delimiter.size());
        const bool closing = after.starts_with("--");
        if (!closing && !trim(after).empty())
            continue;
        sawDelimiter = true;
        if (partStart != std::string_view::npos) {
            // The line end before the delimiter belongs to it.
            std::size_t end = lineStart;
            if (end > partStart && body[end - 1] == '\n')
                --end;
            if (end > partStart && body[end - 1] == '\r')
                --end;
            readEntity(context, body.substr(partStart, end - partStart), depth + 1, false);
        }
        partStart = closing ? std::string_view::npos : pos;
        if (closing)
            break;
    }
    // A mail cut before its closing delimiter: its last part runs to the end.
    if (partStart != std::string_view::npos && partStart < body.size())
        readEntity(context, body.substr(partStart), depth + 1, false);
    // No delimiter at all (a wrong or missing boundary): the body is the best guess.
    if (!sawDelimiter)
        context.add(trim(body)), context.add("\n");
}

void addHeaders(Context& context, const Entity& entity)
{
    for (std::string_view name : {"from", "to", "cc", "subject", "date"}) {
        const std::string_view value = entity.value(name);
        if (value.empty())
            continue;
        std::string line(1, static_cast<char>(name[0] - 'a' + 'A'));
        line += name.substr(1);
        if (name == "cc")
            line = "Cc";
        line += ": ";
        line += DecodeHeaderWords(trim(value));
        line += '\n';
        context.add(line);
    }
}

void readEntity(Context& context, std::string_view text, int depth, bool message)
{
    if (context.full() || depth > kMailNestingLimit)
        return;
    const Entity entity = parseEntity(text);
    if (message)
        addHeaders(context, entity);
    const std::string_view contentType = entity.value("content-type");
    const std::string type = mediaType(contentType);
    if (type.starts_with("multipart/")) {
        const std::string boundary = parameter(contentType, "boundary");
        if (!boundary.empty()) {
            readMultipart(context, entity, boundary, depth);
            return;
        }
        context.add(trim(entity.body));
        context.add("\n");
        return;
    }
    if (type == "message/rfc822" || type == "message/global") {
        readEntity(context, decodeBody(entity.body, entity.value("content-transfer-encoding")), depth + 1, true);
        return;
    }
    if (type == "text/html")
        addTextPart(context, entity, true);
    else if (type.starts_with("text/") && type != "text/rtf" && type != "text/enriched")
        addTextPart(context, entity, false);
    else if (type == "text/enriched")
        addTextPart(context, entity, true);
}

// In a mailbox, a body line beginning "From " was written ">From " (and ">From "
// as ">>From "): one '>' comes off.
std::string unquoteFromLines(std::string_view message)
{
    std::string out;
    out.reserve(message.size());
    std::size_t pos = 0;
    while (pos < message.size()) {
        std::size_t end = message.find('\n', pos);
        end = end == std::string_view::npos ? message.size() : end + 1;
        std::string_view line = message.substr(pos, end - pos);
        std::size_t quotes = 0;
        while (quotes < line.size() && line[quotes] == '>')
            ++quotes;
        if (quotes > 0 && line.substr(quotes).starts_with("From "))
            line.remove_prefix(1);
        out.append(line);
        pos = end;
    }
    return out;
}

} // namespace

bool IsMailName(std::string_view lowerName)
{
    return lowerName.ends_with(".eml") || lowerName.ends_with(".mbox");
}

bool LooksLikeMbox(std::string_view head)
{
    return head.starts_with("From ") && head.size() > 5 && static_cast<unsigned char>(head[5]) > ' ';
}

bool IsMailFile(std::string_view lowerName, const std::string& path)
{
    if (IsMailName(lowerName))
        return true;
    const std::size_t slash = lowerName.rfind('/');
    const std::string_view base = slash == std::string_view::npos ? lowerName : lowerName.substr(slash + 1);
    if (base.find('.') != std::string_view::npos)
        return false;
    auto file = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    if (!file)
        return false;
    char head[16] = {};
    const std::int64_t got = file->readAt(0, head, sizeof head);
    return got > 0 && LooksLikeMbox(std::string_view(head, static_cast<std::size_t>(got)));
}

std::string DecodeQuotedPrintable(std::string_view text, bool header)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (header && c == '_') {
            out += ' ';
        } else if (c != '=') {
            out += c;
        } else if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            // A soft line break: "=", blanks a writer may have left, then the line end.
            std::size_t j = i + 1;
            while (j < text.size() && (text[j] == ' ' || text[j] == '\t'))
                ++j;
            if (j < text.size() && text[j] == '\r')
                ++j;
            if (j < text.size() && text[j] == '\n') {
                i = j;
            } else if (j >= text.size()) {
                i = j;
            } else {
                out += c;
            }
        }
    }
    return out;
}

std::string DecodeBase64(std::string_view text)
{
    std::string out;
    out.reserve(text.size() / 4 * 3 + 3);
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=')
            break;
        const int digit = base64Value(c);
        if (digit < 0)
            continue;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

std::string CharsetToCp1252(std::string_view bytes, std::string_view charset)
{
    std::string name = lower(trim(charset));
    if (name == "utf-8" || name == "utf8")
        return app::utf8ToCp1252(bytes);
    if (name == "iso-8859-1" || name == "latin1" || name == "latin-1" || name == "iso8859-1" ||
        name == "iso_8859-1")
        return latinToCp1252(bytes, false);
    if (name == "iso-8859-15" || name == "latin9" || name == "iso8859-15" || name == "latin-9")
        return latinToCp1252(bytes, true);
    if (name == "windows-1252" || name == "cp1252")
        return std::string(bytes);
    if (name.empty() || name == "us-ascii" || name == "ascii") {
        // Declared ASCII, or nothing: writers put UTF-8 there all the same.
        return app::isMultiByteUtf8(bytes) ? app::utf8ToCp1252(bytes) : std::string(bytes);
    }
    return app::isValidUtf8(bytes) ? app::utf8ToCp1252(bytes) : std::string(bytes);
}

std::string DecodeHeaderWords(std::string_view value)
{
    std::string out;
    std::string plain;  // undecoded text since the last encoded word
    bool afterWord = false;
    auto flushPlain = [&](bool beforeWord) {
        // Blanks between two encoded words are not text.
        if (!(afterWord && beforeWord && trim(plain).empty()))
            out += CharsetToCp1252(plain, "");
        plain.clear();
    };
    std::size_t pos = 0;
    while (pos < value.size()) {
        const std::size_t start = value.find("=?", pos);
        if (start == std::string_view::npos)
            break;
        // =?charset?X?text?=
        const std::size_t q1 = value.find('?', start + 2);
        const std::size_t q2 = q1 == std::string_view::npos ? q1 : value.find('?', q1 + 1);
        const std::size_t end = q2 == std::string_view::npos ? q2 : value.find("?=", q2 + 1);
        // With no closing "?=" further on, no later word can close either: the rest
        // is plain text (and a damaged header is not scanned again and again).
        if (end == std::string_view::npos)
            break;
        if (q2 != q1 + 2) {
            plain.append(value.substr(pos, start + 2 - pos));
            pos = start + 2;
            continue;
        }
        plain.append(value.substr(pos, start - pos));
        flushPlain(true);
        std::string_view charset = value.substr(start + 2, q1 - start - 2);
        charset = charset.substr(0, charset.find('*'));  // a language after '*'
        const char encoding = lowerByte(value[q1 + 1]);
        const std::string_view data = value.substr(q2 + 1, end - q2 - 1);
        const std::string bytes = encoding == 'b' ? DecodeBase64(data) : DecodeQuotedPrintable(data, true);
        out += CharsetToCp1252(bytes, charset);
        afterWord = true;
        pos = end + 2;
    }
    plain.append(value.substr(std::min(pos, value.size())));
    flushPlain(false);
    return out;
}

std::string MailText(std::string_view bytes, bool mailbox)
{
    Context context;
    context.limit = 2 * bytes.size() + 64;
    if (!mailbox) {
        readEntity(context, bytes, 0, true);
        return std::move(context.out);
    }
    // Messages begin at a line "From " at the start or after a line end.
    std::size_t start = 0;
    while (start < bytes.size() && !context.full()) {
        std::size_t next = start;
        std::size_t search = start;
        while (true) {
            next = bytes.find("\nFrom ", search);
            if (next == std::string_view::npos) {
                next = bytes.size();
                break;
            }
            ++next;
            break;
        }
        std::string_view message = bytes.substr(start, next - start);
        // The separator line itself is not part of the message.
        if (message.starts_with("From ")) {
            const std::size_t eol = message.find('\n');
            message = eol == std::string_view::npos ? std::string_view{} : message.substr(eol + 1);
        }
        if (!trim(message).empty()) {
            readEntity(context, unquoteFromLines(message), 0, true);
            context.add("\n");
        }
        start = next;
    }
    return std::move(context.out);
}

std::string ReadMailFile(const std::string& path)
{
    auto file = io::FileHandle::open(path, io::OpenMode::ReadOnly);
    if (!file)
        return {};
    const std::int64_t size = file->size();
    if (size <= 0)
        return {};
    std::string bytes(std::min<std::size_t>(static_cast<std::size_t>(size), kMailReadLimit), '\0');
    std::size_t have = 0;
    while (have < bytes.size()) {
        const std::int64_t got = file->readAt(have, bytes.data() + have, bytes.size() - have);
        if (got <= 0)
            break;
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return MailText(bytes, LooksLikeMbox(bytes));
}

} // namespace vedra::indexing
