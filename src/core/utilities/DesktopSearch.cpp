// Latency is the point here: the desktop asks at every key typed, so the workspace
// and the archive stay open between calls, and whether they are still current is
// told from a few stat calls, never by reading the archive again.
#include "core/utilities/DesktopSearch.h"

#include "core/app/StopCode.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/QueryWords.h"
#include "core/search/Relevance.h"
#include "core/search/ResultLabel.h"
#include "core/search/ResultList.h"
#include "core/search/RowOpening.h"
#include "core/search/SearchRun.h"
#include "core/search/SearchSession.h"
#include "core/utilities/Launching.h"

#include <sys/stat.h>

#include <algorithm>
#include <dirent.h>

namespace vedra::utilities {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// "a/b/c" -> {"a/b", "c"}; no '/' -> {"", text}.
std::pair<std::string, std::string> splitLast(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {std::string(), path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

// Name, size and change time of every entry of `folder`, in the order listed.
void stampFolder(const std::string& folder, std::string& stamp)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        stamp += "-\n";
        return;
    }
    std::vector<std::string> lines;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat info {};
        if (::stat((folder + name).c_str(), &info) != 0)
            continue;
        lines.push_back(name + ' ' + std::to_string(info.st_size) + ' ' + std::to_string(info.st_mtim.tv_sec) + '.' +
                        std::to_string(info.st_mtim.tv_nsec));
    }
    ::closedir(dir);
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines)
        stamp += line + '\n';
}

} // namespace

std::string DesktopResultId(std::string_view label)
{
    const bool utf8 = app::isValidUtf8(label);
    std::string id;
    id.reserve(label.size());
    for (char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || (!utf8 && byte >= 0x80)) {
            id += '%';
            id += kHexDigits[byte >> 4];
            id += kHexDigits[byte & 0xF];
        } else {
            id += c;
        }
    }
    return id;
}

std::optional<std::string> LabelOfDesktopResultId(std::string_view id)
{
    std::string label;
    label.reserve(id.size());
    for (std::size_t i = 0; i < id.size(); ++i) {
        if (id[i] != '%') {
            label += id[i];
            continue;
        }
        if (i + 2 >= id.size())
            return std::nullopt;
        const int high = app::hexDigitValue(id[i + 1]);
        const int low = app::hexDigitValue(id[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        label += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (label.empty())
        return std::nullopt;
    return label;
}

DesktopResult DescribeDesktopResult(std::string_view label, std::string_view temporaryFolder)
{
    DesktopResult result;
    result.id = DesktopResultId(label);
    search::LabelParts parts = search::SplitResultLabel(label, temporaryFolder);
    if (parts.file.empty() || parts.file[0] != '/') {
        result.name = app::displayUtf8(label);
        return result;
    }
    if (!parts.isMember()) {
        std::string path = parts.file;
        // A folder row names the folder.
        if (path.size() > 1 && path.back() == '/')
            path.pop_back();
        auto [folder, name] = splitLast(path);
        result.name = app::displayUtf8(name.empty() ? path : name);
        result.description = app::displayUtf8(folder.empty() ? std::string("/") : folder);
        return result;
    }
    auto [memberFolder, memberName] = splitLast(parts.members.back());
    result.name = app::displayUtf8(memberName);
    if (memberFolder.empty())
        parts.members.pop_back();
    else
        parts.members.back() = memberFolder;
    // The PDF mark belongs to the member's own name, not to the folder left.
    parts.pdfText = false;
    result.description = search::ReadableLabel(parts);
    return result;
}

std::string JoinDesktopTerms(const std::vector<std::string>& terms)
{
    std::string words;
    for (const std::string& term : terms) {
        if (term.empty())
            continue;
        if (!words.empty())
            words += ' ';
        words += term;
    }
    return words;
}

std::vector<std::string> WindowSearchCommand(const std::string& program, const std::string& words)
{
    return {program, "--search", words};
}

namespace {
constexpr std::string_view kWindowSearchPrefix = "%window:";
}

std::string WindowSearchId(const std::string& words)
{
    return std::string(kWindowSearchPrefix) + words;
}

std::optional<std::string> WordsOfWindowSearchId(std::string_view id)
{
    if (!id.starts_with(kWindowSearchPrefix))
        return std::nullopt;
    return std::string(id.substr(kWindowSearchPrefix.size()));
}

std::string WindowSearchText(int languageIndex, const std::string& words)
{
    const std::string quoted = "\xE2\x80\x9C" + words + "\xE2\x80\x9D";
    if (languageIndex == 0)
        return "Cerca " + quoted + " in VedraReader";
    if (languageIndex == 1)
        return "Search for " + quoted + " in VedraReader";
    return "Buscar " + quoted + " en VedraReader";
}

DesktopSearch::DesktopSearch(app::Host& host, app::SystemProbe probe, std::string dataFolder)
    : m_host(host), m_probe(std::move(probe)), m_dataFolder(std::move(dataFolder))
{
}

DesktopSearch::~DesktopSearch() = default;

std::string DesktopSearch::changeStamp() const
{
    std::string stamp;
    struct stat info {};
    const std::string catalogue = m_workspace->catalogueFilePath();
    if (::stat(catalogue.c_str(), &info) == 0)
        stamp += std::to_string(info.st_size) + ' ' + std::to_string(info.st_mtim.tv_sec) + '.' +
                 std::to_string(info.st_mtim.tv_nsec) + '\n';
    if (m_workspace->hasCurrentArchive() && !m_workspace->ArchiveFolder.empty()) {
        stampFolder(m_workspace->ArchiveFolder, stamp);
        stampFolder(m_workspace->ArchiveFilesFolder, stamp);
    }
    return stamp;
}

void DesktopSearch::reopenWhenChanged()
{
    if (m_workspace && changeStamp() == m_stamp)
        return;
    m_session.reset();
    m_workspace.reset();
    auto workspace = std::make_unique<app::Workspace>(m_host, m_probe);
    workspace->DataFolder = m_dataFolder;
    if (workspace->PrepareWorkspace() < 0)
        return;
    workspace->OpenCatalogueAtStart();
    workspace->InitialiseSession();
    workspace->SearchTarget = app::SearchTarget::Archive;
    m_workspace = std::move(workspace);
    m_session = std::make_unique<search::SearchSession>(*m_workspace);
    m_stamp = changeStamp();
    ++m_openCount;
}

int DesktopSearch::languageIndex()
{
    reopenWhenChanged();
    return m_workspace ? m_workspace->LanguageIndex : 1;
}

std::optional<DesktopResult> DesktopSearch::Describe(std::string_view id)
{
    const std::optional<std::string> label = LabelOfDesktopResultId(id);
    reopenWhenChanged();
    if (!label || !m_workspace)
        return std::nullopt;
    return DescribeDesktopResult(*label, m_workspace->WorkingFolder + "vedratemp/");
}

DesktopOpening DesktopSearch::OpenFolder(std::string_view id)
{
    const std::optional<std::string> label = LabelOfDesktopResultId(id);
    reopenWhenChanged();
    if (!label || !m_workspace || label->empty() || (*label)[0] != '/')
        return DesktopOpening::BadId;
    const search::LabelParts parts = search::SplitResultLabel(*label, m_workspace->WorkingFolder + "vedratemp/");
    std::string file = parts.file;
    if (file.size() > 1 && file.back() == '/')
        file.pop_back();
    const std::string folder = file.substr(0, file.rfind('/') + 1);
    if (search::ClassifyRowPath(folder) == search::RowPathState::Missing)
        return DesktopOpening::Missing;
    return OpenWithRegisteredProgram(*m_workspace, folder) ? DesktopOpening::Started : DesktopOpening::NotStarted;
}

bool DesktopSearch::hasArchive()
{
    reopenWhenChanged();
    return m_workspace && m_workspace->hasCurrentArchive();
}

// The desktop shows a few rows only: the best ones, in the relevance order.
std::vector<std::string> DesktopSearch::FirstRowLabels(const std::string& queryText, std::size_t count)
{
    search::SearchRun& run = m_session->run();
    search::ResultList& results = m_session->results();
    m_workspace->BreakCode = app::StopCode::None;
    // The window adds a search's rows to the list; the desktop asks afresh each time.
    results.clear();
    run.RunSearch(queryText);
    run.takeRootlessWords();
    std::vector<std::string> labels;
    for (const search::RankedRow& ranked : search::RelevanceOrder(*m_session, count))
        labels.emplace_back(results.label(ranked.row));
    return labels;
}

std::vector<DesktopResult> DesktopSearch::FirstResults(const std::string& wordsText, std::size_t count)
{
    if (!hasArchive() || count == 0)
        return {};
    const std::string query = search::QueryTextToCp1252(wordsText);
    if (query.find_first_not_of(" \t") == std::string::npos)
        return {};
    const std::string temporaryFolder = m_workspace->WorkingFolder + "vedratemp/";
    std::vector<DesktopResult> results;
    for (const std::string& label : FirstRowLabels(query, count))
        results.push_back(DescribeDesktopResult(label, temporaryFolder));
    return results;
}

DesktopOpening DesktopSearch::Open(std::string_view id)
{
    const std::optional<std::string> label = LabelOfDesktopResultId(id);
    reopenWhenChanged();
    if (!label || !m_workspace)
        return DesktopOpening::BadId;
    // The row as the last search listed it (a web row keeps its kind); a row of an
    // earlier search is opened from its label alone.
    search::ResultList single;
    const search::ResultList* list = &m_session->results();
    std::optional<std::size_t> index = list->findLabel(*label);
    if (!index) {
        search::ResultRow row;
        row.columns[0] = *label;
        single.append(std::move(row));
        list = &single;
        index = 0;
    }
    const search::RowOpening opening = search::CheckRowOnDisk(
        search::DecideRowOpening(*list, *index, m_workspace->WorkingFolder + "vedratemp/"));
    switch (opening.action) {
    case search::RowOpenAction::None:
        return DesktopOpening::BadId;
    case search::RowOpenAction::ReportMissing:
        return DesktopOpening::Missing;
    case search::RowOpenAction::OpenFile:
    case search::RowOpenAction::OpenWebAddress:
    case search::RowOpenAction::ListFolder:
    case search::RowOpenAction::PreviewPlain:
        // Outside the window a folder row, and a folder inside a packed file, can
        // only go to the program that opens them: the folder, the packed file.
        return OpenWithRegisteredProgram(*m_workspace, opening.target) ? DesktopOpening::Started
                                                                       : DesktopOpening::NotStarted;
    }
    return DesktopOpening::NotStarted;
}

} // namespace vedra::utilities
