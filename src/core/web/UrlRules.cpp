// Disk path or web address, and the local file name of an address. A local copy's
// name is built from an address that comes from an archive or a web page, so it is
// treated as hostile: the name can never climb out of, or reach past, its folder.
#include "core/web/UrlRules.h"

#include <algorithm>
#include <array>

namespace vedra::web {
namespace {

struct LocalEscape {
    char character;
    std::string_view escape;
};

// ':' has its own rule (from the fourth character on). "*" is written "%2B": the
// archives already hold such names, so the odd choice stays.
constexpr std::array<LocalEscape, 5> kLocalEscapes = {{
    {'/', "%2F"}, {'?', "%3F"}, {'*', "%2B"}, {';', "%3B"}, {'=', "%3D"},
}};

// The order in which the escapes are undone, each over the whole text.
constexpr std::array<LocalEscape, 12> kLocalUnescapes = {{
    {'/', "%2F"}, {'?', "%3F"}, {'*', "%2B"}, {'/', "%2f"}, {'?', "%3f"}, {'*', "%2b"},
    {';', "%3B"}, {';', "%3b"}, {'=', "%3D"}, {'=', "%3d"}, {':', "%3A"}, {':', "%3a"},
}};

void replaceEvery(std::string& text, std::string_view pattern, char by)
{
    std::string::size_type at = text.find(pattern);
    if (at == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    std::string::size_type from = 0;
    for (; at != std::string::npos; at = text.find(pattern, from)) {
        out.append(text, from, at - from);
        out += by;
        from = at + pattern.size();
    }
    out.append(text, from, std::string::npos);
    text = std::move(out);
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}


// Bytes after which a '/' begins a disk path: the forms an absolute path takes in
// a line of text ("file /x", "\"/x\"", "<a href=/x>", "(/x)").
bool opensDiskPath(char before)
{
    return before == ' ' || before == '\t' || before == '"' || before == '\'' || before == '<' || before == '(' ||
           before == '=';
}

} // namespace

std::string_view::size_type FindDiskPathStart(std::string_view text)
{
    for (std::string_view::size_type at = text.find('/'); at != std::string_view::npos; at = text.find('/', at + 1)) {
        if (at > 0 && !opensDiskPath(text[at - 1]))
            continue;
        if (at + 1 < text.size() && text[at + 1] == '/')
            continue;
        return at;
    }
    return std::string_view::npos;
}

std::string CutPdfTextSuffix(std::string_view path)
{
    auto lower = path.find(".pdf.txt");
    auto upper = path.find(".PDF.txt");
    auto at = std::min(lower, upper);
    if (at == std::string_view::npos)
        return std::string(path);
    return std::string(path.substr(0, at + 4));
}

ClassifiedPath ClassifyResultPath(std::string_view text)
{
    std::string path = CutPdfTextSuffix(text);
    ClassifiedPath result;
    auto download = path.find(kDownloadFolderName);
    if (download != std::string::npos) {
        std::string_view name = std::string_view(path).substr(download + kDownloadFolderName.size());
        if (startsWith(name, "www.") || startsWith(name, "http//")) {
            result.kind = 'w';
            result.path = std::string(name);
            UnescapeLocalName(result.path);
        } else {
            // Any other file there is a disk file, its path taken as any other's.
            auto disk = FindDiskPathStart(path);
            result.kind = 'f';
            result.path = disk == std::string_view::npos ? path : path.substr(disk);
        }
        return result;
    }
    // An address may hold "=/" in its query; one that names its scheme or host is
    // never taken for a disk path.
    bool namesWebAddress =
        StartsWithNoCase(path, "http:") || StartsWithNoCase(path, "https:") || StartsWithNoCase(path, "www.");
    auto disk = namesWebAddress ? std::string_view::npos : FindDiskPathStart(path);
    if (disk != std::string_view::npos) {
        result.kind = 'f';
        result.path = path.substr(disk);
        return result;
    }
    result.kind = 'w';
    result.path = std::move(path);
    return result;
}

std::string AddressToOpen(std::string_view address)
{
    // "https:" is kept as it is: putting "http://" in front would give an address
    // that names no host.
    if (StartsWithNoCase(address, "http:/") || StartsWithNoCase(address, "https:"))
        return std::string(address);
    return "http://" + std::string(address);
}

void EscapeLocalName(std::string& text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ':' && i >= 3) {
            out += "%3A";
            continue;
        }
        bool escaped = false;
        for (const LocalEscape& entry : kLocalEscapes) {
            if (c == entry.character) {
                out += entry.escape;
                escaped = true;
                break;
            }
        }
        if (!escaped)
            out += c;
    }
    text = std::move(out);
}

void UnescapeLocalName(std::string& text)
{
    // No replacement byte is '%' or a hex digit, so no pass can make a pattern of a
    // later one: the order only matters as written.
    for (const LocalEscape& entry : kLocalUnescapes)
        replaceEvery(text, entry.escape, entry.character);
}

std::string LocalNameForAddress(std::string_view address)
{
    std::string_view name = address;
    auto slash = address.rfind('/');
    if (slash != std::string_view::npos) {
        std::string_view tail = address.substr(slash + 1);
        if (!tail.empty() && static_cast<unsigned char>(tail[0]) > ' ')
            name = tail;
    }
    std::string escaped(name);
    EscapeLocalName(escaped);
    // The escapes above leave no '/'; what is left that could still leave the folder
    // is a name made of dots, or a NUL that would end the path early.
    std::string safe;
    safe.reserve(escaped.size());
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        char c = escaped[i];
        bool dotRun = c == '.' && ((i > 0 && escaped[i - 1] == '.') || (i + 1 < escaped.size() && escaped[i + 1] == '.'));
        if (c == '\0')
            safe += "%00";
        else if (dotRun || (c == '.' && escaped.size() == 1))
            safe += "%2E";
        else
            safe += c;
    }
    return safe;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

} // namespace vedra::web
