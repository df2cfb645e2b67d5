// libFuzzer entry: random bytes as the package files of a packed document. The
// input is cut at each 0x01 byte into members: the first byte picks the type
// (e-book, workbook, presentation, spreadsheet, slides), the pieces are given to
// the member names that type reads, in order. Besides the sanitizers' checks, the
// promises are checked: every member path read or resolved stays inside the
// document (no '/' first, no empty, "." or ".." segment), and the members the
// text was made from are among those read.
#include "FuzzCheck.h"

#include "core/indexing/PackedReadingOrder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace {

using vedra::fuzz::check;
namespace indexing = vedra::indexing;

void checkMemberPath(const std::string& path)
{
    check(!path.empty() && path.front() != '/' && path.back() != '/');
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string_view part(path.data() + start, end - start);
        check(!part.empty() && part != "." && part != "..");
        start = end + 1;
    }
    check(path.find('\0') == std::string::npos);
}

struct PackedFuzzType {
    std::string_view name;
    std::vector<std::string> members;
};

const std::array<PackedFuzzType, 5> kPackedFuzzTypes = {{
    {"a.epub", {"META-INF/container.xml", "OEBPS/content.opf", "OEBPS/a.xhtml", "OEBPS/b b.xhtml"}},
    {"a.xlsx", {"xl/workbook.xml", "xl/_rels/workbook.xml.rels", "xl/sharedStrings.xml", "xl/worksheets/sheet1.xml",
                "xl/worksheets/sheet2.xml"}},
    {"a.pptx", {"ppt/presentation.xml", "ppt/_rels/presentation.xml.rels", "ppt/slides/slide1.xml",
                "ppt/slides/slide2.xml"}},
    {"a.ods", {"content.xml"}},
    {"a.odp", {"content.xml"}},
}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const PackedFuzzType& type = kPackedFuzzTypes[data[0] % kPackedFuzzTypes.size()];
    const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\x01', start);
        if (end == std::string_view::npos)
            end = input.size();
        pieces.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    std::map<std::string, std::string> members;
    for (std::size_t i = 0; i < pieces.size() && i < type.members.size(); ++i)
        members[type.members[i]] = std::string(pieces[i]);

    std::vector<std::string> asked;
    auto read = [&](const std::string& path) -> std::optional<std::string> {
        checkMemberPath(path);
        asked.push_back(path);
        auto it = members.find(path);
        if (it == members.end())
            return std::nullopt;
        return it->second;
    };
    if (auto packed = indexing::ReadPackedInOrder(type.name, read)) {
        check(!packed->name.empty() && packed->name.find('/') == std::string::npos);
        for (const std::string& member : packed->members)
            check(std::find(asked.begin(), asked.end(), member) != asked.end());
    }

    // The parsers on their own, over the whole input.
    for (const std::string& path : indexing::SpineMembers(input, "OEBPS/content.opf"))
        checkMemberPath(path);
    if (const std::string opf = indexing::OpfPathOf(input); !opf.empty())
        checkMemberPath(opf);
    for (const auto& sheet : indexing::WorkbookSheets(input, input))
        checkMemberPath(sheet.second);
    for (const std::string& slide : indexing::PresentationSlides(input, input))
        checkMemberPath(slide);
    const std::string resolved = indexing::ResolveMemberPath("OEBPS/text/", input);
    if (!resolved.empty())
        checkMemberPath(resolved);
    return 0;
}
