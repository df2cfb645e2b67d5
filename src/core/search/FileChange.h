// Whether a listed file changed on the disk since the archive recorded it: the
// row then shows what the file held when it was indexed, not what it holds now.
#pragma once

#include "core/search/ResultRow.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace vedra::app {
class MessageTable;
}

namespace vedra::search {

struct FileChange {
    bool gone = false;         // no file at the path (or it cannot be looked at)
    bool sizeDiffers = false;
    bool timeDiffers = false;
    std::uint64_t diskSize = 0;       // what the disk holds now, when not gone
    std::uint64_t diskLastWrite = 0;  // FILETIME
    std::uint32_t recordedSize = 0;

    bool stale() const { return gone || sizeDiffers || timeDiffers; }
};

// One stat of `path` against what was recorded. The size is compared in the
// record's 32 bits and the time to the 100-ns tick: a file touched without a change
// of content is stale too, as the next indexing run will read it again.
FileChange CheckFileChange(const std::string& path, const RecordedFile& recorded);

// The same for a result row's label (see SplitResultLabel; `temporaryFolder` the
// working folder's "vedratemp/"). A PDF's text is checked by its PDF, whose time
// the record holds (its size is the text's), unless the label is a file of its
// own that is as recorded; a packed file's member only by whether its packed file
// is still there, since the member's own time and size come from inside it.
FileChange CheckLabelChange(const std::string& label, const RecordedFile& recorded, std::string_view temporaryFolder);

// "gone", "size", "time" or "size,time"; empty for a file that did not change.
std::string FileChangeCode(const FileChange& change);

// The reason shown with a stale row, in the table's language; empty when not stale.
std::string FileChangeText(const FileChange& change, const app::MessageTable& messages);

} // namespace vedra::search
