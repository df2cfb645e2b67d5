// Where "Save as" of the preview's text starts and what it proposes: the user's
// documents, a name of the user's own, and never one of the program's files
// without a question.
#pragma once

#include <string>
#include <string_view>

namespace vedra::utilities {

// The name "Save as" proposes for a text with no file of its own.
inline constexpr std::string_view kNewTextFileName = "nuovotesto.txt";

// The folder the dialog opens in: the user's documents folder when it exists,
// else the home folder, else the current folder ("").
std::string SaveStartFolder(std::string_view documentsFolder, std::string_view homeFolder);

// The file name proposed: the shown document's own name, or kNewTextFileName for
// the new text, the extract file and a preview without a document.
std::string ProposedSaveName(std::string_view documentPath, bool ownText);

// `startFolder` and `name` as one path.
std::string SavePathIn(std::string_view startFolder, std::string_view name);

// Whether `path` lies in `folder` or below it, each made absolute and rid of "."
// and ".." and of symbolic links as far as they exist.
bool IsInsideFolder(std::string_view path, std::string_view folder);

} // namespace vedra::utilities
