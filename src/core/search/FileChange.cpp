// The archive's clock (archive::FileTimeFromUnix) of the stat time is what
// a record holds, so an untouched file compares equal to the tick.
#include "core/search/FileChange.h"

#include "core/app/MessageFormat.h"
#include "core/app/MessageTable.h"
#include "core/archive/Records.h"
#include "core/search/ResultLabel.h"
#include "core/search/ResultRowFormat.h"

#include <sys/stat.h>

namespace vedra::search {

FileChange CheckFileChange(const std::string& path, const RecordedFile& recorded)
{
    FileChange change;
    change.recordedSize = recorded.size;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        change.gone = true;
        return change;
    }
    change.diskSize = static_cast<std::uint64_t>(info.st_size);
    change.diskLastWrite = archive::FileTimeFromUnix(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    change.sizeDiffers = static_cast<std::uint32_t>(change.diskSize) != recorded.size;
    change.timeDiffers = change.diskLastWrite != recorded.lastWrite;
    return change;
}

FileChange CheckLabelChange(const std::string& label, const RecordedFile& recorded, std::string_view temporaryFolder)
{
    const LabelParts parts = SplitResultLabel(label, temporaryFolder);
    if (parts.isMember()) {
        FileChange change;
        change.recordedSize = recorded.size;
        struct stat info {};
        change.gone = ::stat(parts.file.c_str(), &info) != 0 || !S_ISREG(info.st_mode);
        return change;
    }
    if (parts.pdfText) {
        FileChange change = CheckFileChange(parts.file, recorded);
        change.sizeDiffers = false;
        if (!change.stale())
            return change;
        // A file of the user's own whose name ends in ".pdf.txt" has the label of
        // a PDF's text: with no PDF beside it, or one whose text shares its
        // record, it is fresh when it is as its record says. Otherwise the PDF
        // tells why, so that a text the preview left beside a PDF since deleted
        // still shows the PDF gone.
        const FileChange own = CheckFileChange(label, recorded);
        return own.stale() ? change : own;
    }
    return CheckFileChange(label, recorded);
}

std::string FileChangeCode(const FileChange& change)
{
    if (change.gone)
        return "gone";
    if (change.sizeDiffers && change.timeDiffers)
        return "size,time";
    if (change.sizeDiffers)
        return "size";
    return change.timeDiffers ? "time" : "";
}

std::string FileChangeText(const FileChange& change, const app::MessageTable& messages)
{
    using app::MessageKey;
    if (change.gone)
        return std::string(messages.text(MessageKey::MsgFileGone));
    if (change.sizeDiffers) {
        // The record keeps 32 bits; the disk's size is shown whole.
        return app::formatMessage(messages.text(MessageKey::MsgFileSizeChanged),
                                  {std::to_string(change.diskSize), std::to_string(change.recordedSize)});
    }
    if (change.timeDiffers)
        return app::formatMessage(messages.text(MessageKey::MsgFileTimeChanged),
                                  {FileTimeText(change.diskLastWrite, messages.languageIndex())});
    return {};
}

} // namespace vedra::search
