// The text types listed are those a desktop holds in numbers (notes, data, code,
// settings, logs); a type left out is still read under the rules when it holds
// text. ".ts" is left out on purpose: it names video streams as often as code, and
// a listed type is read whole without looking at it first.
#include "core/indexing/MoreTypes.h"

#include "core/app/TextEncoding.h"
#include "core/archive/ArchiveFiles.h"
#include "core/indexing/TextCleaners.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <array>

namespace vedra::indexing {
namespace {

const std::vector<std::string> kMoreTextTypes = {
    std::string(kMoreTypesMarker),
    // prose and data
    ".md", ".rst", ".adoc", ".org", ".tex", ".bib", ".sty", ".csv", ".tsv", ".json", ".yaml", ".yml", ".toml",
    ".ini", ".cfg", ".conf", ".log", ".po", ".pot", ".srt", ".vtt", ".nfo", ".svg",
    // code and build files
    ".py", ".sh", ".bash", ".zsh", ".pl", ".pm", ".rb", ".lua", ".tcl", ".awk", ".sed", ".hpp", ".hh", ".cc",
    ".cxx", ".hxx", ".java", ".kt", ".go", ".rs", ".cs", ".m", ".mm", ".swift", ".scala", ".hs", ".ml", ".el",
    ".lisp", ".clj", ".erl", ".ex", ".exs", ".r", ".jl", ".f90", ".asm", ".s", ".sql", ".css", ".scss", ".less",
    ".jsx", ".tsx", ".mjs", ".vue", ".mk", ".cmake", ".am", ".in", ".ac", ".m4", ".diff", ".patch", ".bat",
    ".cmd", ".ps1", ".vb"};

const std::vector<std::string> kMoreUnpackedTypes = {
    ".ott", ".ods", ".ots", ".odp", ".otp", ".odg", ".otg", ".xlsx", ".xlsm", ".xltx", ".pptx",
    ".pptm", ".ppsx", ".potx", ".docm", ".dotx", ".epub"};

const std::vector<std::string> kNone;

constexpr std::array<std::string_view, 12> kMarkupExtensions = {
    ".xhtml", ".xht", ".opf", ".ncx", ".rels", ".svg", ".xsl", ".xslt", ".xsd", ".rdf", ".rss", ".atom"};

bool isControlByte(unsigned char c)
{
    switch (c) {
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
    case '\b':
    case 0x1B:
        return false;
    default:
        return c < 0x20 || c == 0x7F;
    }
}

bool isUnassignedInCp1252(unsigned char c)
{
    return c == 0x81 || c == 0x8D || c == 0x8F || c == 0x90 || c == 0x9D;
}

} // namespace

const std::vector<std::string>& MoreTypesListEntries(int slot)
{
    switch (slot) {
    case archive::SlotTextExtensions: return kMoreTextTypes;
    case archive::SlotConvertedExtensions: return kMoreUnpackedTypes;
    default: return kNone;
    }
}

std::string MoreTypesListBytes(int slot)
{
    std::string bytes;
    for (const std::string& entry : MoreTypesListEntries(slot))
        bytes += entry + "\r\n";
    return bytes;
}

bool IsMoreTypesMarkupExtension(std::string_view lowerExtension)
{
    return std::find(kMarkupExtensions.begin(), kMarkupExtensions.end(), lowerExtension) != kMarkupExtensions.end();
}

bool LooksLikeText(std::string_view head)
{
    std::size_t control = 0;
    std::size_t unassigned = 0;
    for (char byte : head) {
        const auto c = static_cast<unsigned char>(byte);
        if (c == 0)
            return false;
        if (isControlByte(c))
            ++control;
        else if (isUnassignedInCp1252(c))
            ++unassigned;
    }
    const std::size_t allowed = head.size() / 100;
    if (control > allowed)
        return false;
    // The head is cut at an arbitrary byte: a sequence it cuts short is no fault.
    const std::size_t whole = Utf8SafeLength(head.data(), head.size());
    if (app::isValidUtf8(head.substr(0, whole)))
        return true;
    return control + unassigned <= allowed;
}

bool FileLooksLikeText(const std::string& path)
{
    auto head = io::readFileBytes(path, kTextSniffBytes);
    return head && LooksLikeText(*head);
}

} // namespace vedra::indexing
