// The preview of a file as `vedra show` prints it and `vedra print` prints it:
// the text from a little before the first hit of the words, the hits marked.
#pragma once

#include "core/app/Workspace.h"
#include "core/search/PreviewDocument.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace vedra::cli {

struct FilePreview {
    search::PreviewDocument document;  // the hits bold blue
    std::int64_t position = 0;         // where the text shown starts in the file
};

// `query` is the words as typed (UTF-8 or cp1252). nullopt, the unreadable-file
// message shown, when the file cannot be opened; a query without a hit says so on
// `err` and shows the file from its start.
std::optional<FilePreview> PreviewOfFile(app::Workspace& workspace, const std::string& path,
                                         const std::string& query, std::ostream& err);

} // namespace vedra::cli
