// What a double click on a result row means: a document or a web address handed to
// its program, a folder listed into the result list, or the packed file that an
// unpacked member came from. The window only carries out the answer.
#pragma once

#include "core/search/ResultList.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vedra::search {

enum class RowOpenAction {
    None,            // nothing happens; the reason says why
    OpenFile,        // the disk file `target` goes to its registered program
    OpenWebAddress,  // the address `target` goes to the browser
    ListFolder,      // the folder `target` (ending in '/') is listed into the result list
    PreviewPlain,    // the document `target` is shown in the preview as plain text
    ReportMissing,   // the file or folder `target` is gone from the disk: say so, start nothing
};

enum class RowOpenReason {
    NoSuchRow,       // the index is past the list
    EmptyPath,       // the row has no path
    Document,        // a file row: the file itself
    WebAddress,      // a web result, or the local copy of a fetched page: its address
    Folder,          // a row ending in '/', or a "folder/*" mask: that folder
    UnpackedFolder,  // a folder inside an unpack folder: the packed file it came from
    UnpackedMember,  // a member whose unpack folder is gone: the packed file it came from
};

struct RowOpening {
    RowOpenAction action = RowOpenAction::None;
    RowOpenReason reason = RowOpenReason::NoSuchRow;
    std::string target;  // empty when the action is None
};

// Decides what opening row `index` of `results` does. Members of a packed file are
// indexed from an unpack folder that the run removes afterwards, so a member that
// no longer exists on disk is opened as its packed file (SplitResultLabel, with
// `temporaryFolder` the working folder's "vedratemp/" when known); this is the one
// case that looks at the disk.
RowOpening DecideRowOpening(const ResultList& results, std::size_t index, std::string_view temporaryFolder = {});

// Where a row's path leads: a web address (no disk path), a file or folder that is
// on the disk, or a disk path whose file is gone. A path the disk cannot answer for
// (a folder that may not be read) counts as present: its program may still try.
enum class RowPathState { Web, Present, Missing };
RowPathState ClassifyRowPath(std::string_view path);

// `opening` checked against the disk: a file, folder or packed file to open that is
// missing becomes ReportMissing (reason and target kept); anything else is returned
// as it is.
RowOpening CheckRowOnDisk(RowOpening opening);

} // namespace vedra::search
