// Writing and showing the extract file.
#include "core/search/ExtractFile.h"

#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/io/AtomicFile.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace vedra::search {
namespace {

constexpr int kMaxExtractLength = 2000;
constexpr std::size_t kRowsPerPage = 10;
// The text buffer's usable size at the smallest factor, for a workspace whose work
// buffers were not sized (the command line before an archive is opened).
constexpr std::size_t kFallbackBlockBytes = 256000 * 8 - 1024;
constexpr std::string_view kCrLf = "\r\n";

std::string lowerAscii(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The extension as the lists hold it: the last '.' of the file name onwards, lower case.
std::string extensionOf(std::string_view path)
{
    std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return lowerAscii(path.substr(dot));
}

BinaryMode extractBinaryMode(std::string_view path, const std::vector<std::string>& multimedia)
{
    std::string extension = extensionOf(path);
    if (extension.empty())
        return BinaryMode::Text;
    if (extension == ".pub" || extension == ".doc" || extension == ".ppt")
        return BinaryMode::Squeeze;
    for (const std::string& listed : multimedia) {
        if (lowerAscii(listed) == extension)
            return BinaryMode::Squeeze;
    }
    return BinaryMode::Text;
}

std::size_t blockBytesFor(app::Workspace& workspace, const ExtractRequest& request)
{
    if (request.blockBytes > 0)
        return request.blockBytes;
    std::int64_t usable = workspace.workBuffers.sizes().textUsable;
    return usable > 0 ? static_cast<std::size_t>(usable) : kFallbackBlockBytes;
}

// Appends to the new extract file; after the first failure it shows the write error
// once and stops the run.
class ExtractWriter {
public:
    ExtractWriter(app::Workspace& workspace, io::AtomicFile& file) : m_workspace(workspace), m_file(file) {}

    bool write(std::string_view bytes)
    {
        if (m_failed)
            return false;
        if (!m_file.append(bytes))
            fail();
        return !m_failed;
    }

    // Replaces the old extract with the new one. A run stopped by Escape still gets
    // what it wrote so far (Continue pages it); after a write failure the old
    // extract stays whole.
    void finish()
    {
        if (m_failed)
            m_file.abandon();
        else if (!m_file.commit())
            fail();
    }

    void fail()
    {
        m_failed = true;
        m_workspace.showMessage(app::MessageKey::MsgWriteError);
        m_workspace.BreakCode = app::StopCode::Break;
    }

private:
    app::Workspace& m_workspace;
    io::AtomicFile& m_file;
    bool m_failed = false;
};

// Searches one opened document and writes its excerpts; returns how many.
// `textPath` is the file read: the row's own, or the text a converter made of it.
std::size_t writeExcerpts(app::Workspace& workspace, const ExtractRequest& request, const ExtractRow& row,
                          const std::string& textPath, const io::FileHandle& file, std::size_t blockBytes,
                          ExtractWriter& writer)
{
    const std::size_t setting = static_cast<std::size_t>(std::min(request.extractLength, kMaxExtractLength));
    const std::size_t half = setting / 2;
    const std::string fileSize = std::to_string(file.size());
    const BinaryMode binaryMode = extractBinaryMode(textPath, request.multimediaExtensions);

    TextBlock block;
    std::vector<HitWord> words = row.queryWords;
    HitFinder finder(workspace, file, block, request.options, ReadMode::Search, binaryMode, blockBytes);
    std::size_t written = 0;
    ReadTextBlock(workspace, file, 0, ReadMode::Search, binaryMode, blockBytes, block);
    while (block.length() > 0) {
        workspace.PumpPendingMessages();
        if (workspace.BreakCode != app::StopCode::None)
            return written;
        std::int64_t resumeFilePosition = 0;
        std::size_t start = 0;
        while (start < block.length() && finder.FindNextHit(words, start)) {
            auto firstPlaced = std::find_if(words.begin(), words.end(), [](const HitWord& w) { return w.placed(); });
            if (firstPlaced == words.end())
                return written;  // an empty query word: nothing to excerpt
            std::int64_t previousHit = -1;
            for (auto word = firstPlaced; word != words.end(); ++word) {
                auto hit = static_cast<std::int64_t>(word->hitOffset);
                bool ownExcerpt = previousHit < 0 || hit > previousHit + static_cast<std::int64_t>(setting);
                previousHit = hit;
                if (!ownExcerpt)
                    continue;
                std::size_t from = word->hitOffset > half ? word->hitOffset - half : 0;
                std::string excerpt = block.text().substr(from, std::min(setting, block.length() - from));
                std::replace(excerpt.begin(), excerpt.end(), '\0', ' ');
                ++written;
                std::string record = "N.file: " + std::to_string(row.number) + " / " + std::to_string(written) +
                                     " - Pos.: " + std::to_string(word->hitPosition) + " / " + fileSize +
                                     std::string(kCrLf) + "..... " + excerpt + " ....." + std::string(kCrLf) +
                                     std::string(kSeparatorLength, '-') + "\n";
                if (!writer.write(record))
                    return written;
            }
            const HitWord& last = words.back();
            start = last.hitOffset + last.text.size() + half;
            resumeFilePosition = start <= block.length()
                                     ? block.filePosition(start)
                                     : block.nextPosition() + static_cast<std::int64_t>(start - block.length());
        }
        if (workspace.BreakCode != app::StopCode::None || block.reachesEnd())
            return written;
        std::int64_t next = std::max(block.nextPosition(), resumeFilePosition);
        ReadTextBlock(workspace, file, next, ReadMode::Search, binaryMode, blockBytes, block);
    }
    return written;
}

} // namespace

ExtractResult BuildExtract(app::Workspace& workspace, const ExtractRequest& request, std::size_t first,
                           std::size_t last)
{
    ExtractResult result;
    if (request.rows.empty())
        return result;
    last = std::min(last, request.rows.size() - 1);
    first = std::min(first, last);
    result.firstRow = first;
    result.lastRow = first;

    auto out = io::AtomicFile::begin(workspace.extractsPath, workspace.probe().openFile);
    if (!out) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        workspace.BreakCode = app::StopCode::Break;
        result.outcome = ExtractOutcome::Stopped;
        return result;
    }
    ExtractWriter writer(workspace, *out);
    const std::size_t blockBytes = blockBytesFor(workspace, request);
    const std::string noResults =
        app::utf8ToCp1252(workspace.messages().text(app::MessageKey::MsgNoResults)) + std::string(kCrLf) +
        std::string(kCrLf);
    app::Host& host = workspace.host();
    host.setProgressRange(0, static_cast<int>(last));

    for (std::size_t index = first; index <= last && workspace.BreakCode == app::StopCode::None; ++index) {
        host.setProgressPosition(static_cast<int>(index));
        result.lastRow = index;
        const ExtractRow& row = request.rows[index];
        if (row.path.find("/estratti.vedra") != std::string::npos)
            continue;
        const std::string documentLine =
            " File: " + std::to_string(row.number) + " - " + row.path + std::string(kCrLf);
        const bool isFile = !row.path.empty() && row.path.front() == '/';
        if (!isFile) {
            std::string lines = documentLine;
            if (request.extractLength != 0) {
                lines += "N.file: " + std::to_string(index) + " Pos.: " + std::to_string(index) + std::string(kCrLf) +
                         "Key words-> " + row.storedExtract + row.previewText + std::string(kCrLf);
            }
            writer.write(lines);
            continue;
        }

        if (!writer.write(documentLine) || request.extractLength == 0)
            continue;
        PreviewTextSource source = request.textSource ? request.textSource(row.path) : PreviewTextSource{.path = row.path};
        std::optional<io::FileHandle> document;
        if (source.found())
            document = workspace.probe().openFile(source.path, io::OpenMode::ReadOnly);
        if (!document) {
            if (!source.found())
                result.unreadable.push_back({index, std::move(source)});
            writer.write(noResults);
            continue;
        }
        if (document->size() > kVeryLongFileBytes &&
            workspace.showMessage(app::MessageKey::MsgFileVeryLong, app::MessageButtons::YesNo,
                                  {std::string_view(row.path)}) != app::MessageAnswer::Yes)
            continue;
        std::size_t written = writeExcerpts(workspace, request, row, source.path, *document, blockBytes, writer);
        result.excerptCount += written;
        if (written == 0 && workspace.BreakCode == app::StopCode::None)
            writer.write(noResults);
    }
    writer.finish();

    workspace.statusText = workspace.extractsPath + ": " + std::to_string(first + 1) + " - " + std::to_string(last + 1);
    host.setStatus(workspace.statusText);
    result.outcome = workspace.BreakCode != app::StopCode::None ? ExtractOutcome::Stopped : ExtractOutcome::Written;
    return result;
}

ExtractResult ShowExtracts(app::Workspace& workspace, const ExtractRequest& request, PreviewDocument& preview)
{
    ExtractResult result;
    if (request.extractLength == 0) {
        if (workspace.showMessage(app::MessageKey::MsgNamesOnly, app::MessageButtons::OkCancel) !=
            app::MessageAnswer::Ok) {
            result.outcome = ExtractOutcome::NamesRefused;
            return result;
        }
    } else if (request.extractLength > kMaxExtractLength || request.extractLength < 0) {
        return result;
    }
    if (request.rows.empty())
        return result;

    std::size_t first = 0;
    std::size_t last = std::min(kRowsPerPage, request.rows.size()) - 1;
    if (request.firstSelected) {
        first = *request.firstSelected;
        last = request.lastSelected.value_or(first);
    }

    workspace.host().setWaitCursor(true);
    preview.clear();
    result = BuildExtract(workspace, request, first, last);
    workspace.host().setWaitCursor(false);
    if (result.outcome == ExtractOutcome::Written)
        LoadExtractPreview(workspace, blockBytesFor(workspace, request), preview);
    return result;
}

void MarkExtractHeaders(PreviewDocument& preview)
{
    const std::string text = preview.text();
    constexpr std::string_view kFile = "File:";
    constexpr std::string_view kNumber = "N.file:";
    for (std::size_t at = text.find(kFile); at != std::string::npos; at = text.find(kFile, at + kFile.size())) {
        std::size_t end = text.find(kNumber, at);
        if (end == std::string::npos)
            end = text.size();
        preview.mark(at, end - at, {.colour = Colour::Red, .underline = true});
    }
    for (std::size_t at = text.find(kNumber); at != std::string::npos; at = text.find(kNumber, at + kNumber.size())) {
        std::size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        preview.mark(at, end - at, {.colour = Colour::Green});
    }
}

bool LoadExtractPreview(app::Workspace& workspace, std::size_t blockBytes, PreviewDocument& preview)
{
    preview.clear();
    auto file = workspace.probe().openFile(workspace.extractsPath, io::OpenMode::ReadOnly);
    if (!file)
        return false;
    TextBlock block;
    ReadTextBlock(workspace, *file, 0, ReadMode::ExtractPaging, BinaryMode::Text,
                  blockBytes > 0 ? blockBytes : kFallbackBlockBytes, block);
    preview.appendText(block.text());
    MarkExtractHeaders(preview);
    return true;
}

} // namespace vedra::search
