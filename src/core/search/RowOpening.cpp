// Decided from the row's text, so the window can show or test the answer before it
// acts; the disk is read only to tell whether an unpacked member still exists. Web
// addresses come before the folder test, since an address may end in '/', and a
// row whose path follows a message text opens that path.
#include "core/search/RowOpening.h"

#include "core/search/ResultLabel.h"
#include "core/web/UrlRules.h"

#include <filesystem>
#include <system_error>

namespace vedra::search {
namespace {

RowOpening opening(RowOpenAction action, RowOpenReason reason, std::string target = {})
{
    return {action, reason, std::move(target)};
}

} // namespace

RowOpening DecideRowOpening(const ResultList& results, std::size_t index, std::string_view temporaryFolder)
{
    if (index >= results.size())
        return opening(RowOpenAction::None, RowOpenReason::NoSuchRow);
    const ResultRow& row = results.row(index);
    const std::string& label = row.label();
    if (label.empty())
        return opening(RowOpenAction::None, RowOpenReason::EmptyPath);

    // Before the folder test: an address may end in '/' and is no folder of the disk.
    if (row.pathKind == 'w')
        return opening(RowOpenAction::OpenWebAddress, RowOpenReason::WebAddress, label);
    const web::ClassifiedPath classified = web::ClassifyResultPath(label);
    if (classified.kind == 'w')
        return opening(RowOpenAction::OpenWebAddress, RowOpenReason::WebAddress, classified.path);

    // A row such as "ERRORE in DECOMPATTAZIONE /x/a.zip" names its file after a text.
    const auto start = web::FindDiskPathStart(label);
    const std::string path = start == std::string::npos ? label : label.substr(start);
    const char last = path.back();
    if (last == '/' || last == '*') {
        const std::string folder = last == '*' ? path.substr(0, path.rfind('/') + 1) : path;
        // Only the outermost packed file is still on disk once the run has removed
        // its unpack folders.
        if (LabelParts parts = SplitResultLabel(folder, temporaryFolder); parts.isMember() || parts.file != folder)
            return opening(RowOpenAction::PreviewPlain, RowOpenReason::UnpackedFolder, parts.file);
        return opening(RowOpenAction::ListFolder, RowOpenReason::Folder, folder);
    }
    if (LabelParts parts = SplitResultLabel(path, temporaryFolder); parts.isMember()) {
        std::error_code error;
        if (!std::filesystem::exists(path, error))
            return opening(RowOpenAction::OpenFile, RowOpenReason::UnpackedMember, parts.file);
    }
    return opening(RowOpenAction::OpenFile, RowOpenReason::Document, path);
}

RowPathState ClassifyRowPath(std::string_view path)
{
    if (path.empty())
        return RowPathState::Web;
    const web::ClassifiedPath classified = web::ClassifyResultPath(path);
    if (classified.kind == 'w')
        return RowPathState::Web;
    std::error_code error;
    const bool there = std::filesystem::exists(std::filesystem::path(classified.path), error);
    return there || error ? RowPathState::Present : RowPathState::Missing;
}

RowOpening CheckRowOnDisk(RowOpening opening)
{
    switch (opening.action) {
    case RowOpenAction::OpenFile:
    case RowOpenAction::ListFolder:
    case RowOpenAction::PreviewPlain:
        if (ClassifyRowPath(opening.target) == RowPathState::Missing)
            opening.action = RowOpenAction::ReportMissing;
        break;
    default:
        break;
    }
    return opening;
}

} // namespace vedra::search
