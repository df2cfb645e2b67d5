// Pure text: no file is looked at, so a row reads the same whether or not its
// unpack folder or its PDF is still on disk.
#include "core/search/ResultLabel.h"

#include "core/app/TextEncoding.h"
#include "core/indexing/UnpackFolder.h"

namespace vedra::search {
namespace {

constexpr std::string_view kPdfText = ".pdf.txt";

bool endsWithPdfText(std::string_view text)
{
    if (text.size() < kPdfText.size())
        return false;
    std::string_view tail = text.substr(text.size() - kPdfText.size());
    // The run appends ".txt" to the PDF's own name, whatever the case of ".pdf".
    for (std::size_t i = 0; i < 4; ++i)
        if ((tail[i] | 0x20) != kPdfText[i])
            return false;
    return tail.substr(4) == ".txt";
}

// A "_vedratemp/" at `at` ends an unpack folder when the name in front of it is a
// file name with an extension, since a file is unpacked by its extension only.
bool isUnpackFolderAt(std::string_view path, std::size_t at)
{
    const std::size_t slash = path.rfind('/', at == 0 ? 0 : at - 1);
    const std::size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const std::string_view name = path.substr(nameStart, at - nameStart);
    if (name.empty() || name.front() == '.')
        return false;
    const std::size_t dot = name.rfind('.');
    return dot != std::string_view::npos && dot + 1 < name.size();
}

std::size_t nextUnpackFolder(std::string_view path, std::size_t from)
{
    const std::string_view suffix = indexing::kUnpackFolderSuffix;
    for (std::size_t at = path.find(suffix, from); at != std::string_view::npos; at = path.find(suffix, at + 1))
        if (isUnpackFolderAt(path, at))
            return at;
    return std::string_view::npos;
}

} // namespace

LabelParts SplitResultLabel(std::string_view label, std::string_view temporaryFolder)
{
    LabelParts parts;
    if (label.empty() || label.front() != '/') {
        parts.file = std::string(label);
        return parts;
    }
    // A mirrored unpack folder stands for the file at the path below the
    // temporary folder.
    std::string_view path = label;
    if (!temporaryFolder.empty() && temporaryFolder.back() == '/' && label.starts_with(temporaryFolder)) {
        std::string_view below = label.substr(temporaryFolder.size() - 1);
        if (nextUnpackFolder(below, 0) != std::string_view::npos)
            path = below;
    }
    const std::size_t suffixLength = indexing::kUnpackFolderSuffix.size();
    std::size_t at = nextUnpackFolder(path, 0);
    parts.file = std::string(path.substr(0, at));
    while (at != std::string_view::npos) {
        const std::size_t memberStart = at + suffixLength;
        at = nextUnpackFolder(path, memberStart);
        std::string_view member = path.substr(memberStart, at == std::string_view::npos ? at : at - memberStart);
        // The unpack folder itself (a folder row) is its packed file.
        if (!member.empty())
            parts.members.emplace_back(member);
    }
    std::string& last = parts.members.empty() ? parts.file : parts.members.back();
    if (endsWithPdfText(last)) {
        last.resize(last.size() - 4);
        parts.pdfText = true;
    }
    return parts;
}

std::string ReadableMember(const LabelParts& parts)
{
    std::string text;
    for (const std::string& member : parts.members) {
        if (!text.empty())
            text += kMemberSeparator;
        text += app::displayUtf8(member);
    }
    return text;
}

std::string ReadableLabel(const LabelParts& parts)
{
    std::string text = app::displayUtf8(parts.file);
    if (parts.isMember())
        text += std::string(kMemberSeparator) + ReadableMember(parts);
    return text;
}

std::string LabelFromReadable(std::string_view readable)
{
    std::string label;
    std::size_t from = 0;
    for (std::size_t at = readable.find(kMemberSeparator); at != std::string_view::npos;
         at = readable.find(kMemberSeparator, from)) {
        label += readable.substr(from, at - from);
        label += indexing::kUnpackFolderSuffix;
        from = at + kMemberSeparator.size();
    }
    label += readable.substr(from);
    return label;
}

} // namespace vedra::search
