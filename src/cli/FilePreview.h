// The preview of a file as `vedra show` prints it and `vedra print` prints it:
// the text from a little before the first hit of the words, the hits marked.
#pragma once

#include "core/app/Workspace.h"
#include "core/search/PreviewDocument.h"
#include "core/search/PreviewText.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace vedra::cli {

struct FilePreview {
    search::PreviewDocument document;  // the hits bold blue
    std::int64_t position = 0;         // where the text shown starts in the file
    bool recognised = false;           // the text was read from the document's pictures
};

// `path` is a file, a result row's stored label or its readable form ("x.zip »
// member"); its text is read as search::FindPreviewText finds it, `position` and
// the hits then refer to that text. `query` is the words as typed (UTF-8 or
// cp1252). nullopt when there is no text: the reason on `err`, or the
// unreadable-file message when the file cannot be opened. A query without a hit
// says so on `err` and shows the text from its start.
std::optional<FilePreview> PreviewOfFile(app::Workspace& workspace, const std::string& path,
                                         const std::string& query, std::ostream& err);

// Why a row's text cannot be shown, for `err`; `shown` names the row as the user
// reads it.
std::string PreviewTextProblemText(const search::PreviewTextSource& source, const std::string& shown);

} // namespace vedra::cli
