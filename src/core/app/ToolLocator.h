// Finds an outside program (pdftotext, 7z, a browser, an associated program) and
// remembers where, so that it is searched for once.
#pragma once

#include <string>

namespace vedra::app {

class Workspace;

// Looks for `programName` in the executables list (when programIndex >= 0), the
// working folder, every folder of PATH and finally the drive roots (after telling
// the user that this may take a while). A path found is recorded in the
// executables list and "programName=" in the archive's program associations.
//
// Returns 1 with `outPath` set when found; -1 when not found (the user is told);
// 1 with `outPath` unchanged when the executables list cannot be opened (no
// archive yet): nothing is searched then.
int ToolLocator(Workspace& workspace, int programIndex, const std::string& programName, std::string& outPath);

} // namespace vedra::app
