// The cleaners work on chunks of up to a quarter of the text buffer (megabytes), so
// every step is one compacting pass: a read position runs ahead of a write position
// in the same buffer, and nothing is erased in a loop.
#include "core/indexing/TextCleaners.h"

#include "core/app/Workspace.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace vedra::indexing {
namespace {

bool startsWith(const char* at, const char* end, std::string_view prefix)
{
    return static_cast<std::size_t>(end - at) >= prefix.size() &&
           std::memcmp(at, prefix.data(), prefix.size()) == 0;
}

// The first occurrence of `needle` in [from, end), or nullptr.
const char* findIn(const char* from, const char* end, std::string_view needle)
{
    if (from >= end)
        return nullptr;
    std::string_view haystack(from, static_cast<std::size_t>(end - from));
    std::size_t at = haystack.find(needle);
    return at == std::string_view::npos ? nullptr : from + at;
}

const char* findByte(const char* from, const char* end, char byte)
{
    if (from >= end)
        return nullptr;
    return static_cast<const char*>(std::memchr(from, byte, static_cast<std::size_t>(end - from)));
}

// Appends [from, to) at `write`; the ranges may overlap because write never passes read.
char* keep(char* write, const char* from, const char* to)
{
    std::size_t count = static_cast<std::size_t>(to - from);
    if (write != from && count > 0)
        std::memmove(write, from, count);
    return write + count;
}

// Whether a tag name ends at `at`: a blank, '>' or '/' follows it. A name cut by
// the chunk's end counts as ended, as a span open at the end is cut off.
bool tagNameEndsAt(const char* at, const char* end)
{
    if (at == end)
        return true;
    switch (*at) {
    case ' ':
    case '\t':
    case '\r':
    case '\n':
    case '\f':
    case '>':
    case '/':
        return true;
    default:
        return false;
    }
}

// Step 1: comment, script and style spans, whichever opens first. Script and
// style open only as whole tag names: an OpenDocument text is full of
// "<style:style ...>" elements that no "</style>" ever closes.
std::size_t removeHiddenSpans(char* buffer, std::size_t length)
{
    struct Span {
        std::string_view open;
        std::string_view close;
        bool tagName;
    };
    static constexpr std::array<Span, 3> kSpans = {{
        {"<!--", "-->", false},
        {"<script", "</script>", true},
        {"<style", "</style>", true},
    }};
    const char* end = buffer + length;
    const char* read = buffer;
    char* write = buffer;
    while (read < end) {
        const char* open = findByte(read, end, '<');
        if (open == nullptr) {
            write = keep(write, read, end);
            break;
        }
        write = keep(write, read, open);
        read = open;
        const Span* span = nullptr;
        for (const Span& candidate : kSpans)
            if (startsWith(read, end, candidate.open) &&
                (!candidate.tagName || tagNameEndsAt(read + candidate.open.size(), end)))
                span = &candidate;
        if (span == nullptr) {
            *write++ = *read++;
            continue;
        }
        const char* close = findIn(read + span->open.size(), end, span->close);
        read = close != nullptr ? close + span->close.size() : end;
    }
    return static_cast<std::size_t>(write - buffer);
}

// Step 2 (mode 1): every tag but "img" goes, its '>' becoming a blank so that the
// words on both sides stay apart; a "description" tag keeps its value as text.
std::size_t removeTags(char* buffer, std::size_t length)
{
    static constexpr std::string_view kDescription = "description";
    const char* end = buffer + length;
    const char* read = buffer;
    char* write = buffer;
    while (read < end) {
        const char* open = findByte(read, end, '<');
        if (open == nullptr) {
            write = keep(write, read, end);
            break;
        }
        write = keep(write, read, open);
        read = open;
        const char* name = open + 1;
        while (name < end && *name == ' ')
            ++name;
        if (startsWith(name, end, "img")) {
            *write++ = *read++;
            continue;
        }
        const char* close = findByte(open + 1, end, '>');
        if (close == nullptr) {
            read = end;
            break;
        }
        const char* description = findIn(open + 1, close, kDescription);
        const char* equals = description != nullptr ? findByte(description + kDescription.size(), close, '=') : nullptr;
        if (equals != nullptr)
            write = keep(write, equals + 1, close);
        *write++ = ' ';
        read = close + 1;
    }
    return static_cast<std::size_t>(write - buffer);
}

// Step 3: a tag holding "nofollow", from its '<' to its '>'. Only a '<' not yet
// closed by a '>' counts as the tag's start, so the word in running text (a kept
// description value, for one) stays.
std::size_t removeNofollowTags(char* buffer, std::size_t length)
{
    static constexpr std::string_view kNofollow = "nofollow";
    const char* end = buffer + length;
    const char* read = buffer;
    char* write = buffer;
    char* openTag = nullptr;
    while (read < end) {
        if (openTag != nullptr && *read == 'n' && startsWith(read, end, kNofollow)) {
            const char* close = findByte(read + kNofollow.size(), end, '>');
            write = openTag;
            openTag = nullptr;
            read = close != nullptr ? close + 1 : end;
            continue;
        }
        if (*read == '<')
            openTag = write;
        else if (*read == '>')
            openTag = nullptr;
        *write++ = *read++;
    }
    return static_cast<std::size_t>(write - buffer);
}

// Steps 4 and 5 together: both only drop or swap bytes one position at a time.
// A line end pair becomes one blank, not nothing: the last word of a line and the
// first of the next are two words ("registering\r\nan" is not "registeringan").
std::size_t blankLinesAndDecodeAmp(char* buffer, std::size_t length, bool blankLineEnds)
{
    const char* end = buffer + length;
    const char* read = buffer;
    char* write = buffer;
    while (read < end) {
        if (blankLineEnds && *read == '\r' && read + 1 < end && read[1] == '\n') {
            *write++ = ' ';
            read += 2;
            continue;
        }
        if (*read == '&' && startsWith(read, end, "&amp;")) {
            *write++ = '&';
            read += 5;
            continue;
        }
        *write++ = *read == '\t' ? ' ' : *read;
        ++read;
    }
    return static_cast<std::size_t>(write - buffer);
}

// Every row puts no more bytes than it finds, so the text is compacted in place.
void replaceEvery(std::string& text, std::string_view found, std::string_view put)
{
    std::size_t read = text.find(found);
    if (read == std::string::npos)
        return;
    std::size_t write = read;
    while (read != std::string::npos) {
        std::memcpy(text.data() + write, put.data(), put.size());
        write += put.size();
        read += found.size();
        std::size_t next = text.find(found, read);
        std::size_t stop = next == std::string::npos ? text.size() : next;
        if (stop > read)
            std::memmove(text.data() + write, text.data() + read, stop - read);
        write += stop - read;
        read = next;
    }
    text.resize(write);
}

bool isAsciiAlnum(unsigned char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char toLowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// à è é ì ò ù in cp1252: the accented letters the readable view keeps inside words.
bool isKeptAccent(unsigned char c)
{
    return c == 0xE0 || c == 0xE8 || c == 0xE9 || c == 0xEC || c == 0xF2 || c == 0xF9;
}

bool survivesReadableFilter(unsigned char c)
{
    return c == '\n' || c == '\r' || c == 0x14 || c == ' ' || c == '!' || c == '\'' || c == '(' || c == ')' ||
           (c >= '+' && c <= '<') || (c >= '>' && c <= '[') || c == ']' || (c >= 'a' && c <= '{') || c == '}' ||
           isKeptAccent(c);
}

bool continuesReadableWord(unsigned char c)
{
    return isAsciiAlnum(c) || c == ',' || c == '.' || c == ':' || c == ';' || c == '?' || c == '@' || isKeptAccent(c);
}

// Bytes the final pass of the readable view keeps as they are.
bool survivesFinalPass(unsigned char c)
{
    switch (c) {
    case '\n':
    case 0x92:
    case 0xE0: case 0xE1: case 0xE8: case 0xE9: case 0xEC: case 0xED: case 0xF2: case 0xF9: case 0xFA:
        return true;
    default:
        return c >= ' ' && c <= '}';
    }
}

// UTF-8: a sequence's length from its lead byte; 0 for a byte that cannot lead one.
// C0, C1 and F5..FF would only start overlong or out-of-range forms.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// The second byte's range also rules out overlong forms, surrogates and code points
// above U+10FFFF.
bool validSecondByte(unsigned char lead, unsigned char second)
{
    switch (lead) {
    case 0xE0: return second >= 0xA0 && second <= 0xBF;
    case 0xED: return second >= 0x80 && second <= 0x9F;
    case 0xF0: return second >= 0x90 && second <= 0xBF;
    case 0xF4: return second >= 0x80 && second <= 0x8F;
    default: return second >= 0x80 && second <= 0xBF;
    }
}

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Decodes the sequence at data[at]; its length, or 0 when invalid or cut short.
std::size_t decodeSequence(const unsigned char* data, std::size_t length, std::size_t at, char32_t& codePoint)
{
    unsigned char lead = data[at];
    std::size_t size = sequenceLength(lead);
    if (size == 0 || at + size > length)
        return 0;
    if (size == 1) {
        codePoint = lead;
        return 1;
    }
    if (!validSecondByte(lead, data[at + 1]))
        return 0;
    codePoint = lead & (0x7F >> size);
    for (std::size_t k = 1; k < size; ++k) {
        if (!isContinuation(data[at + k]))
            return 0;
        codePoint = (codePoint << 6) | (data[at + k] & 0x3F);
    }
    return size;
}

bool scanUtf8(const unsigned char* data, std::size_t length, bool& multiByte)
{
    multiByte = false;
    char32_t codePoint = 0;
    for (std::size_t at = 0; at < length;) {
        if (data[at] < 0x80) {
            ++at;
            continue;
        }
        std::size_t size = decodeSequence(data, length, at, codePoint);
        if (size == 0)
            return false;
        multiByte = true;
        at += size;
    }
    return true;
}

// The code points of cp1252 bytes 80..9F (0 where cp1252 leaves the byte undefined).
constexpr std::array<char32_t, 32> kCp1252HighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

char toCp1252(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<char>(codePoint);
    for (std::size_t k = 0; k < kCp1252HighControls.size(); ++k)
        if (kCp1252HighControls[k] != 0 && kCp1252HighControls[k] == codePoint)
            return static_cast<char>(0x80 + k);
    return ' ';
}

// Named references of the Latin-1 letters, from U+00C0 on, in code point order.
constexpr std::array<std::string_view, 64> kLatin1LetterNames = {
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",
    "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave",
    "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",
    "igrave", "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",
    "divide", "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

// The code point a named reference stands for; 0 for a name outside the table.
char32_t namedReference(std::string_view name)
{
    if (name == "amp")
        return '&';
    if (name == "lt")
        return '<';
    if (name == "gt")
        return '>';
    if (name == "quot")
        return '"';
    if (name == "apos")
        return '\'';
    for (std::size_t k = 0; k < kLatin1LetterNames.size(); ++k)
        if (kLatin1LetterNames[k] == name)
            return static_cast<char32_t>(0xC0 + k);
    return 0;
}

bool isAsciiAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The reference that begins at data[at] ('&'): its code point and length, or a
// length of 0 when the bytes there are no well-formed reference. A well-formed
// name outside the table stands for a blank: it is markup, not a word.
std::pair<char32_t, std::size_t> referenceAt(const char* data, std::size_t at, std::size_t length)
{
    constexpr std::size_t kLongest = 12;
    const std::size_t limit = std::min(length, at + kLongest);
    std::size_t end = at + 1;
    if (end < limit && data[end] == '#') {
        ++end;
        const bool hex = end < limit && (data[end] == 'x' || data[end] == 'X');
        if (hex)
            ++end;
        const std::size_t digits = end;
        std::uint32_t value = 0;
        for (; end < limit && data[end] != ';'; ++end) {
            const char c = data[end];
            int digit = c >= '0' && c <= '9' ? c - '0' : -1;
            if (hex && digit < 0 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
                digit = (c | 0x20) - 'a' + 10;
            if (digit < 0)
                return {0, 0};
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
        }
        if (end == digits || end == limit || value > 0x10FFFF)
            return {0, 0};
        return {value < 0x20 ? U' ' : static_cast<char32_t>(value), end + 1 - at};
    }
    for (; end < limit && data[end] != ';'; ++end)
        if (!isAsciiAlnum(data[end]))
            return {0, 0};
    if (end == at + 1 || end == limit)
        return {0, 0};
    const char32_t named = namedReference(std::string_view(data + at + 1, end - at - 1));
    return {named != 0 ? named : U' ', end + 1 - at};
}

} // namespace

std::size_t SqueezeNuls(const char* in, std::size_t length, char* out)
{
    std::size_t write = 0;
    for (std::size_t read = 0; read < length;) {
        if (in[read] != '\0') {
            out[write++] = in[read++];
            continue;
        }
        std::size_t run = 1;
        while (read + run < length && in[read + run] == '\0')
            ++run;
        if (run > 1)
            out[write++] = ' ';
        read += run;
    }
    return write;
}

std::size_t StripMarkup(char* buffer, std::size_t length, int mode)
{
    length = removeHiddenSpans(buffer, length);
    if (mode == 1)
        length = removeTags(buffer, length);
    length = removeNofollowTags(buffer, length);
    return blankLinesAndDecodeAmp(buffer, length, mode < 2);
}

std::string ReadTextBetweenTags(app::Workspace& workspace, std::string_view text, char opening, char closing)
{
    static constexpr std::size_t kLongPiece = 128;
    std::string output;
    std::size_t position = 0;
    for (;;) {
        std::size_t open = text.find(opening, position);
        if (open == std::string_view::npos)
            break;
        std::size_t close = text.find(closing, open + 1);
        if (close == std::string_view::npos)
            break;
        std::string_view piece = text.substr(open + 1, close - open - 1);
        while (!piece.empty() && static_cast<unsigned char>(piece.front()) < 33)
            piece.remove_prefix(1);
        while (!piece.empty() && static_cast<unsigned char>(piece.back()) < 33)
            piece.remove_suffix(1);
        if (!piece.empty()) {
            output += ' ';
            output += piece;
        }
        // "br" must be the whole tag name: "<b>" and "<brand>" break no line.
        std::string_view tag = text.substr(close + 1);
        bool lineBreakTag = (tag.starts_with("br") || tag.starts_with("BR")) &&
                            (tag.size() == 2 || !isAsciiAlnum(static_cast<unsigned char>(tag[2])));
        if (lineBreakTag || piece.size() >= kLongPiece)
            output += "\r\n";
        position = close + 1;
        workspace.PumpPendingMessages(app::StopCode::Suspend);
        if (workspace.BreakCode != app::StopCode::None)
            break;
    }
    ApplyTagReplacements(output);
    return output;
}

void ApplyTagReplacements(std::string& text)
{
    struct Row {
        std::string_view found;
        std::string_view put;
    };
    static constexpr std::array<Row, 25> kRows = {{
        {"\xC2\xBB", "\""},
        {"&apos;", "'"},
        {"&nbsp;", ""},
        {"\xE2\x80\x99", "'"},
        {"\xE2\x80", ""},
        {"&agrave;", "\xE0"},
        {"&ugrave;", "\xF9"},
        {"&ograve;", "\xF2"},
        {"&igrave;", "\xEC"},
        {"&egrave;", "\xE8"},
        {"&#8220;", "\""},
        {"&#8221;", "\""},
        {"&#8217;", "'"},
        {"&#8230;", "..."},
        {"&#8243", "'"},
        {"&#8211;", "-"},
        {"&raquo;", "\""},
        {"&laquo;", "\""},
        {"\xC3\xB9", "\xF9"},
        {"\xC3\xA9", "\xE9"},
        {"\xC3\xA8", "\xE8"},
        {"\xC3\xAC", "\xEC"},
        {"\xC3\xB2", "\xF2"},
        {"\xC3", "\xE0"},
        {"#", ""},
    }};
    for (const Row& row : kRows)
        replaceEvery(text, row.found, row.put);
}

std::string ReadableWords(std::string_view text, const std::function<bool(std::string_view root)>& isRoot)
{
    static constexpr std::size_t kLongestWord = 60;
    static constexpr std::size_t kRootLength = 3;
    std::string work(text);
    for (std::size_t at = 0; at < work.size();) {
        std::string_view rest(work.data() + at, work.size() - at);
        if (rest.starts_with("\\par") || rest.starts_with("tab ")) {
            std::fill_n(work.begin() + static_cast<std::ptrdiff_t>(at), 4, ' ');
            at += 4;
        } else {
            ++at;
        }
    }
    for (char& c : work)
        if (!survivesReadableFilter(static_cast<unsigned char>(c)))
            c = ' ';

    std::string words;
    bool blankPending = false;
    for (std::size_t at = 0; at < work.size();) {
        if (!isAsciiAlnum(static_cast<unsigned char>(work[at]))) {
            ++at;
            continue;
        }
        std::size_t start = at;
        while (at < work.size() && continuesReadableWord(static_cast<unsigned char>(work[at])))
            ++at;
        std::string_view word(work.data() + start, std::min(at - start, kLongestWord));
        // A letter standing alone between blanks is what is left of spaced-out or
        // 16-bit text; it would only scatter single letters over the view.
        if (at - start == 1 && start >= 3 && start + 3 < work.size() && work[start - 3] == ' ' &&
            work[start + 3] == ' ')
            continue;
        if (word.size() >= kRootLength) {
            std::array<char, kRootLength> root{};
            std::transform(word.begin(), word.begin() + kRootLength, root.begin(), toLowerAscii);
            if (!isRoot(std::string_view(root.data(), root.size())))
                continue;
        }
        if (blankPending)
            words += ' ';
        words += word;
        blankPending = !(word.size() > 3 && word.back() == '.');
        if (!blankPending)
            words += "\r\n";
    }

    std::string result;
    result.reserve(words.size());
    for (std::size_t at = 0; at < words.size(); ++at) {
        auto c = static_cast<unsigned char>(words[at]);
        if (c == ' ' && at + 1 < words.size() && words[at + 1] == ' ') {
            result += ' ';
            ++at;
        } else if (c == '\t') {
            result += "  ";
        } else if (c == 0xD5) {
            result += '\'';
        } else if (survivesFinalPass(c)) {
            result += static_cast<char>(c);
        }
    }
    return result;
}

std::size_t Utf8SafeLength(const char* data, std::size_t length)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    std::size_t continuations = 0;
    std::size_t leadEnd = length;
    while (leadEnd > 0 && continuations < 3 && isContinuation(bytes[leadEnd - 1])) {
        --leadEnd;
        ++continuations;
    }
    if (leadEnd == 0)
        return length;
    std::size_t lead = leadEnd - 1;
    std::size_t size = sequenceLength(bytes[lead]);
    if (size <= continuations + 1)
        return length;
    if (continuations > 0 && !validSecondByte(bytes[lead], bytes[lead + 1]))
        return length;
    bool multiByte = false;
    return scanUtf8(bytes, lead, multiByte) ? lead : length;
}

std::size_t TranscodeDocumentBlock(char* data, std::size_t length)
{
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    bool multiByte = false;
    if (!scanUtf8(bytes, length, multiByte) || !multiByte)
        return length;
    std::size_t write = 0;
    char32_t codePoint = 0;
    for (std::size_t read = 0; read < length;) {
        std::size_t size = decodeSequence(bytes, length, read, codePoint);
        data[write++] = toCp1252(codePoint);
        read += size;
    }
    return write;
}

std::size_t DecodeCharacterReferences(char* data, std::size_t length)
{
    std::size_t write = 0;
    for (std::size_t read = 0; read < length;) {
        if (data[read] == '&') {
            const auto [codePoint, size] = referenceAt(data, read, length);
            if (size > 0) {
                data[write++] = toCp1252(codePoint);
                read += size;
                continue;
            }
        }
        data[write++] = data[read++];
    }
    return write;
}

} // namespace vedra::indexing
