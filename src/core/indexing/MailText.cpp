#include "core/indexing/MailText.h"

#include "core/app/TextEncoding.h"
#include "core/indexing/TextCleaners.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <array>
#include <fcntl.h>
#include <sys/stat.h>
#include <unordered_map>
#include <unordered_set>
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

// Calls visit(part) for each part of a multipart body, while it returns true.
// False when the body holds no delimiter line at all.
template <typename Visit>
bool forEachPart(std::string_view body, const std::string& boundary, Visit&& visit)
{
    const std::string delimiter = "--" + boundary;
    std::size_t pos = 0;
    std::size_t partStart = std::string_view::npos;
    bool sawDelimiter = false;
    while (pos < body.size()) {
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
            if (!visit(body.substr(partStart, end - partStart)))
                return true;
        }
        partStart = closing ? std::string_view::npos : pos;
        if (closing)
            break;
    }
    // A mail cut before its closing delimiter: its last part runs to the end.
    if (partStart != std::string_view::npos && partStart < body.size())
        visit(body.substr(partStart));
    return sawDelimiter;
}

void readEntity(Context& context, std::string_view text, int depth, bool message);

void readMultipart(Context& context, const Entity& entity, const std::string& boundary, int depth)
{
    const bool sawDelimiter = forEachPart(entity.body, boundary, [&](std::string_view part) {
        readEntity(context, part, depth + 1, false);
        return !context.full();
    });
    // No delimiter at all (a wrong or missing boundary): the body is the best guess.
    if (!sawDelimiter)
        context.add(trim(entity.body)), context.add("\n");
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

// Whether readEntity takes a part of this media type into the mail's text.
bool isTextPart(const std::string& type)
{
    return type.starts_with("text/") && type != "text/rtf";
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
        } else if (i + 2 < text.size() && app::hexDigitValue(text[i + 1]) >= 0 && app::hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(app::hexDigitValue(text[i + 1]) * 16 + app::hexDigitValue(text[i + 2]));
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

namespace {

// Calls visit(message) for each message of a mailbox (its ">From " lines
// unquoted), while it returns true.
template <typename Visit>
void forEachMessage(std::string_view bytes, Visit&& visit)
{
    // Messages begin at a line "From " at the start or after a line end.
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t next = bytes.find("\nFrom ", start);
        next = next == std::string_view::npos ? bytes.size() : next + 1;
        std::string_view message = bytes.substr(start, next - start);
        // The separator line itself is not part of the message.
        if (message.starts_with("From ")) {
            const std::size_t eol = message.find('\n');
            message = eol == std::string_view::npos ? std::string_view{} : message.substr(eol + 1);
        }
        if (!trim(message).empty() && !visit(unquoteFromLines(message)))
            return;
        start = next;
    }
}

// The parameters of a structured header in order, names lower-cased, quoted
// values unquoted (a backslash escapes the next byte); a ';' inside quotes is text.
std::vector<std::pair<std::string, std::string>> parameters(std::string_view value)
{
    std::vector<std::pair<std::string, std::string>> out;
    std::size_t pos = value.find(';');
    while (pos != std::string_view::npos && pos < value.size() && out.size() < 256) {
        ++pos;
        const std::size_t equals = value.find_first_of("=;", pos);
        if (equals == std::string_view::npos)
            break;
        if (value[equals] == ';') {
            pos = equals;
            continue;
        }
        std::string name = lower(trim(value.substr(pos, equals - pos)));
        std::size_t at = equals + 1;
        while (at < value.size() && (value[at] == ' ' || value[at] == '\t'))
            ++at;
        std::string text;
        if (at < value.size() && value[at] == '"') {
            for (++at; at < value.size() && value[at] != '"'; ++at) {
                if (value[at] == '\\' && at + 1 < value.size())
                    ++at;
                text += value[at];
            }
            pos = value.find(';', at);
        } else {
            const std::size_t end = value.find(';', at);
            text = std::string(trim(value.substr(at, end == std::string_view::npos ? end : end - at)));
            pos = end;
        }
        out.emplace_back(std::move(name), std::move(text));
    }
    return out;
}

std::string percentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && app::hexDigitValue(text[i + 1]) >= 0 && app::hexDigitValue(text[i + 2]) >= 0) {
            out += static_cast<char>(app::hexDigitValue(text[i + 1]) * 16 + app::hexDigitValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Bytes of a declared charset as UTF-8 (through cp1252, the engine's text, which
// names of other scripts do not survive whole; they stay unique when numbered).
std::string charsetToUtf8(std::string_view bytes, std::string_view charset)
{
    const std::string name = lower(trim(charset));
    if ((name == "utf-8" || name == "utf8" || name.empty()) && app::isValidUtf8(bytes))
        return std::string(bytes);
    return app::cp1252ToUtf8(CharsetToCp1252(bytes, charset));
}

// A file name for a part of this media type that has none.
std::string_view extensionForType(const std::string& type)
{
    static constexpr std::pair<std::string_view, std::string_view> kTypes[] = {
        {"application/pdf", ".pdf"},
        {"application/rtf", ".rtf"},
        {"text/rtf", ".rtf"},
        {"application/epub+zip", ".epub"},
        {"application/zip", ".zip"},
        {"application/msword", ".doc"},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", ".docx"},
        {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", ".xlsx"},
        {"application/vnd.openxmlformats-officedocument.presentationml.presentation", ".pptx"},
        {"application/vnd.oasis.opendocument.text", ".odt"},
        {"application/vnd.oasis.opendocument.spreadsheet", ".ods"},
        {"application/vnd.oasis.opendocument.presentation", ".odp"},
        {"image/png", ".png"},
        {"image/jpeg", ".jpg"},
        {"image/gif", ".gif"},
        {"image/tiff", ".tif"},
        {"image/bmp", ".bmp"},
    };
    for (const auto& [name, extension] : kTypes)
        if (type == name)
            return extension;
    return {};
}

struct AttachmentWalk {
    const std::function<bool(std::string_view)>& wanted;
    std::vector<MailAttachment> out;
    std::size_t count = 0;                       // every attachment so far, wanted or not
    std::unordered_set<std::string> names;       // and their names
    std::unordered_map<std::string, std::size_t> numbered;  // a repeated name: the next number to try
    std::size_t bytes = 0;

    bool done() const { return count >= kMailAttachmentCountLimit; }

    std::string uniqueName(std::string name)
    {
        if (names.insert(name).second)
            return name;
        const std::size_t dot = name.rfind('.');
        const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
        const std::string extension = dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
        std::size_t& next = numbered.try_emplace(name, 2).first->second;
        for (;; ++next) {
            std::string candidate = stem + "-" + std::to_string(next) + extension;
            if (names.insert(candidate).second)
                return candidate;
        }
    }

    void leaf(const Entity& entity, const std::string& type)
    {
        std::string name = MailParameterUtf8(entity.value("content-disposition"), "filename");
        if (name.empty())
            name = MailParameterUtf8(entity.value("content-type"), "name");
        if (name.empty())
            name = "attachment" + std::string(extensionForType(type));
        name = uniqueName(SafeAttachmentName(name));
        ++count;
        if (!wanted(name))
            return;
        std::string decoded = decodeBody(entity.body, entity.value("content-transfer-encoding"));
        if (decoded.size() > kMailAttachmentLimit - bytes)
            return;
        bytes += decoded.size();
        out.push_back({std::move(name), std::move(decoded)});
    }

    void walk(std::string_view text, int depth)
    {
        if (done() || depth > kMailNestingLimit)
            return;
        const Entity entity = parseEntity(text);
        const std::string_view contentType = entity.value("content-type");
        const std::string type = mediaType(contentType);
        if (type.starts_with("multipart/")) {
            const std::string boundary = parameter(contentType, "boundary");
            if (!boundary.empty())
                forEachPart(entity.body, boundary, [&](std::string_view part) {
                    walk(part, depth + 1);
                    return !done();
                });
            return;
        }
        // An attached message's text is the mail's; its attachments are the mail's too.
        if (type == "message/rfc822" || type == "message/global") {
            walk(decodeBody(entity.body, entity.value("content-transfer-encoding")), depth + 1);
            return;
        }
        // The top of a message is a body, not an attachment, unless it is no text.
        if (isTextPart(type))
            return;
        leaf(entity, type);
    }
};

} // namespace

std::string MailText(std::string_view bytes, bool mailbox)
{
    Context context;
    context.limit = 2 * bytes.size() + 64;
    if (!mailbox) {
        readEntity(context, bytes, 0, true);
        return std::move(context.out);
    }
    forEachMessage(bytes, [&](const std::string& message) {
        readEntity(context, message, 0, true);
        context.add("\n");
        return !context.full();
    });
    return std::move(context.out);
}

namespace {

std::string readMailBytes(const std::string& path)
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
    return bytes;
}

} // namespace

std::string ReadMailFile(const std::string& path)
{
    const std::string bytes = readMailBytes(path);
    return MailText(bytes, LooksLikeMbox(bytes));
}

std::string MailParameterUtf8(std::string_view headerValue, std::string_view name)
{
    const auto list = parameters(headerValue);
    auto find = [&](const std::string& wanted) -> const std::string* {
        for (const auto& [key, value] : list)
            if (key == wanted)
                return &value;
        return nullptr;
    };
    // charset'language'%xx...
    auto extended = [](std::string_view value, std::string* charset) {
        const std::size_t first = value.find('\'');
        const std::size_t second = first == std::string_view::npos ? first : value.find('\'', first + 1);
        if (second == std::string_view::npos)
            return percentDecoded(value);
        if (charset != nullptr)
            *charset = std::string(value.substr(0, first));
        return percentDecoded(value.substr(second + 1));
    };
    const std::string base(name);
    if (const std::string* value = find(base + "*")) {
        std::string charset;
        std::string bytes = extended(*value, &charset);
        return charsetToUtf8(bytes, charset);
    }
    if (find(base + "*0") != nullptr || find(base + "*0*") != nullptr) {
        std::string charset;
        std::string bytes;
        for (int i = 0; i < 256; ++i) {
            const std::string key = base + "*" + std::to_string(i);
            if (const std::string* plain = find(key)) {
                bytes += *plain;
            } else if (const std::string* coded = find(key + "*")) {
                // Only the first segment names the charset.
                bytes += i == 0 ? extended(*coded, &charset) : percentDecoded(*coded);
            } else {
                break;
            }
        }
        return charsetToUtf8(bytes, charset);
    }
    if (const std::string* value = find(base)) {
        if (value->find("=?") != std::string::npos)
            return app::cp1252ToUtf8(DecodeHeaderWords(*value));
        return charsetToUtf8(*value, "");
    }
    return {};
}

std::string SafeAttachmentName(std::string_view name)
{
    const std::size_t separator = name.find_last_of("/\\");
    if (separator != std::string_view::npos)
        name.remove_prefix(separator + 1);
    std::string out;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? '_' : c;
    }
    std::size_t start = 0;
    while (start < out.size() && (out[start] == ' ' || out[start] == '.'))
        ++start;
    std::size_t end = out.size();
    while (end > start && out[end - 1] == ' ')
        --end;
    out = out.substr(start, end - start);
    constexpr std::size_t kLongest = 200;
    if (out.size() > kLongest) {
        const std::size_t dot = out.rfind('.');
        std::string extension = dot != std::string::npos && out.size() - dot <= 16 ? out.substr(dot) : std::string();
        std::size_t keep = kLongest - extension.size();
        // Back to the start of a UTF-8 sequence.
        while (keep > 0 && (static_cast<unsigned char>(out[keep]) & 0xC0) == 0x80)
            --keep;
        out = out.substr(0, keep) + extension;
    }
    return out.empty() ? std::string("attachment") : out;
}

std::vector<MailAttachment> MailAttachments(std::string_view bytes, bool mailbox,
                                            const std::function<bool(std::string_view name)>& wanted)
{
    AttachmentWalk walk{wanted, {}, 0, {}, {}, 0};
    if (!mailbox) {
        walk.walk(bytes, 0);
    } else {
        forEachMessage(bytes, [&](const std::string& message) {
            walk.walk(message, 0);
            return !walk.done();
        });
    }
    return std::move(walk.out);
}

std::vector<MailAttachment> ReadMailAttachments(const std::string& path,
                                                const std::function<bool(std::string_view name)>& wanted)
{
    const std::string bytes = readMailBytes(path);
    return MailAttachments(bytes, LooksLikeMbox(bytes), wanted);
}

bool WriteMailAttachments(const std::vector<MailAttachment>& attachments, const std::string& folder,
                          const std::string& mail)
{
    struct stat source {};
    const bool timed = ::stat(mail.c_str(), &source) == 0;
    for (const MailAttachment& attachment : attachments) {
        const std::string path = folder + attachment.name;
        auto file = io::FileHandle::open(path, io::OpenMode::CreateTruncate);
        if (!file || (!attachment.bytes.empty() && !file->writeAt(0, attachment.bytes)))
            return false;
        file->close();
        if (timed) {
            const struct timespec times[2] = {source.st_atim, source.st_mtim};
            ::utimensat(AT_FDCWD, path.c_str(), times, 0);
        }
    }
    return true;
}

} // namespace vedra::indexing
