// A page tesseract cannot read does not cost the rest of a PDF: the pages read
// are kept. A file the programs ran on to the end and read nothing of (a picture
// their image library refuses) is remembered as failed for those programs, so
// each run does not pay for it again; new programs try it again. A file past a
// limit, stopped, or not read for want of the programs is not remembered: a
// raised limit or an installation may read it.
#include "core/indexing/OcrReader.h"

#include "core/app/ProcessRunner.h"
#include "core/app/Workspace.h"
#include "core/archive/ArchiveStore.h"
#include "core/indexing/ArchiveLists.h"
#include "core/indexing/ContentHash.h"
#include "core/indexing/OutsideTools.h"
#include "core/io/FileHandle.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace vedra::indexing {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 7> kPictureTypes = {".png", ".jpg", ".jpeg", ".tif", ".tiff", ".gif", ".bmp"};

bool isExecutable(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::uint64_t sizeOf(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

// A folder of its own below "vedratemp/", removed with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const app::Workspace& workspace)
    {
        std::error_code error;
        const std::string parent = workspace.WorkingFolder + "vedratemp";
        fs::create_directories(parent, error);
        std::string pattern = parent + "/ocr-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            m_path = pattern + "/";
    }
    ~ScratchFolder()
    {
        if (m_path.empty())
            return;
        std::error_code error;
        // Only what the programs wrote into the folder made here.
        for (const auto& entry : fs::directory_iterator(m_path, error))
            ::unlink(entry.path().c_str());
        ::rmdir(m_path.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// The programs as installed: a new version changes the file.
std::string programsIdentity(const std::vector<std::string>& programs)
{
    std::string identity;
    for (const std::string& program : programs) {
        struct stat info {};
        if (::stat(program.c_str(), &info) != 0)
            return {};
        identity += program + " " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) + "." +
                    std::to_string(info.st_mtim.tv_nsec) + "\n";
    }
    return identity;
}

std::string failedMarkPath(const app::Workspace& workspace, const std::string& hash)
{
    return OcrCacheFolder(workspace) + hash + ".failed";
}

OcrOutcome::State stateAfter(const app::ProcessOutcome& outcome)
{
    if (outcome.stoppedByBreak)
        return OcrOutcome::State::Stopped;
    if (outcome.stoppedByLimit)
        return OcrOutcome::State::PastLimit;
    return OcrOutcome::State::Failed;
}

} // namespace

std::string OcrListBytes()
{
    return std::string(kOcrMarker) + "\r\n";
}

bool IsOcrPicture(std::string_view lowerName)
{
    std::size_t dot = lowerName.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    return std::find(kPictureTypes.begin(), kPictureTypes.end(), lowerName.substr(dot)) != kPictureTypes.end();
}

bool PdfTextIsScanned(std::string_view text)
{
    std::size_t letters = 0;
    std::size_t pages = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\f')
            ++pages;
        else if (std::isalpha(c) || c >= 0x80)
            ++letters;
    }
    // pdftotext ends every page with a form feed; a text cut short may miss the last.
    if (!text.empty() && text.find_last_not_of("\r\n") != std::string_view::npos &&
        text[text.find_last_not_of("\r\n")] != '\f')
        ++pages;
    pages = std::max<std::size_t>(pages, 1);
    return letters < kScannedLettersPerPage * pages;
}

std::string OcrCacheFolder(const app::Workspace& workspace)
{
    return workspace.WorkingFolder + "vedraocr/";
}

std::string OcrCachePath(const app::Workspace& workspace, const std::string& hash)
{
    return OcrCacheFolder(workspace) + hash + ".txt";
}

std::optional<std::string> ReadOcrCache(const app::Workspace& workspace, const std::string& hash)
{
    if (hash.empty() || workspace.WorkingFolder.empty())
        return std::nullopt;
    return io::readFileBytes(OcrCachePath(workspace, hash), kOcrTextLimit);
}

bool WriteOcrCache(const app::Workspace& workspace, const std::string& hash, std::string_view text)
{
    if (hash.empty() || workspace.WorkingFolder.empty())
        return false;
    std::error_code error;
    fs::create_directories(OcrCacheFolder(workspace), error);
    if (error)
        return false;
    return io::writeFileAtomically(OcrCachePath(workspace, hash), text.substr(0, kOcrTextLimit));
}

std::optional<std::string> CachedOcrText(const app::Workspace& workspace, const std::string& path)
{
    auto hash = FileSha256Hex(path);
    if (!hash)
        return std::nullopt;
    return ReadOcrCache(workspace, *hash);
}

std::string FindInPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
    while (true) {
        std::size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        if (!folder.empty()) {
            std::string candidate = folder + "/" + name;
            if (isExecutable(candidate))
                return candidate;
        }
        if (colon == std::string_view::npos)
            return {};
        folders.remove_prefix(colon + 1);
    }
}

OcrOutcome RecogniseFile(app::Workspace& workspace, const std::string& path, bool pdf, int pageLimit)
{
    OcrOutcome result;
    auto hash = FileSha256Hex(path);
    if (!hash)
        return result;
    if (auto cached = ReadOcrCache(workspace, *hash)) {
        result.state = OcrOutcome::State::Recognised;
        result.text = std::move(*cached);
        result.fromCache = true;
        return result;
    }
    const std::string tesseract = FindInPath("tesseract");
    const std::string renderer = pdf ? FindInPath("pdftoppm") : std::string();
    if (tesseract.empty() || (pdf && renderer.empty())) {
        result.state = OcrOutcome::State::Missing;
        return result;
    }
    std::vector<std::string> programs{tesseract};
    if (pdf)
        programs.push_back(renderer);
    const std::string identity = programsIdentity(programs);
    if (!identity.empty() && io::readFileBytes(failedMarkPath(workspace, *hash), 4096) == identity) {
        result.fromCache = true;
        return result;
    }
    ScratchFolder scratch(workspace);
    if (scratch.path().empty())
        return result;

    std::vector<std::string> pages;
    if (pdf) {
        app::ProcessOutcome rendered = app::RunProgram(
            workspace,
            {renderer, "-r", std::to_string(kOcrDpi), "-l", std::to_string(std::max(pageLimit, 1)), "-png",
             path.starts_with("-") ? "./" + path : path, scratch.path() + "page"},
            OutsideProgramLimits(workspace, sizeOf(path)));
        if (!rendered.started || rendered.stoppedByBreak || rendered.stoppedByLimit) {
            result.state = stateAfter(rendered);
            return result;
        }
        // A renderer that failed half-way leaves the pages it finished: they are read.
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(scratch.path(), error))
            if (entry.path().extension() == ".png")
                pages.push_back(entry.path().string());
        // pdftoppm pads the page numbers to one width, so names sort as pages do.
        std::sort(pages.begin(), pages.end());
        if (pages.size() > static_cast<std::size_t>(std::max(pageLimit, 1)))
            pages.resize(static_cast<std::size_t>(std::max(pageLimit, 1)));
    } else {
        pages.push_back(path.starts_with("-") ? "./" + path : path);
    }

    std::string text;
    int read = 0;
    bool allRan = true;  // every program started and ended by itself
    const std::string outBase = scratch.path() + "text";
    for (const std::string& page : pages) {
        app::ProcessOutcome outcome =
            app::RunProgram(workspace, {tesseract, page, outBase, "-l", kOcrLanguages},
                            OutsideProgramLimits(workspace, sizeOf(page)));
        ++result.pages;
        if (outcome.stoppedByBreak) {
            result.state = OcrOutcome::State::Stopped;
            return result;
        }
        auto pageText = io::readFileBytes(outBase + ".txt", kOcrTextLimit);
        ::unlink((outBase + ".txt").c_str());
        if (outcome.stoppedByLimit) {
            result.state = OcrOutcome::State::PastLimit;
            continue;
        }
        if (!outcome.started)
            allRan = false;
        if (!outcome.started || outcome.exitCode != 0 || !pageText)
            continue;
        ++read;
        if (text.size() < kOcrTextLimit)
            text += *pageText + "\f";
        if (pdf && pages.size() > 1)
            ::unlink(page.c_str());
    }
    if (read == 0) {
        if (result.state != OcrOutcome::State::PastLimit) {
            result.state = OcrOutcome::State::Failed;
            if (allRan && !identity.empty()) {
                std::error_code error;
                fs::create_directories(OcrCacheFolder(workspace), error);
                io::writeFileAtomically(failedMarkPath(workspace, *hash), identity);
            }
        }
        return result;
    }
    text.resize(std::min(text.size(), kOcrTextLimit));
    WriteOcrCache(workspace, *hash, text);
    result.state = OcrOutcome::State::Recognised;
    result.text = std::move(text);
    return result;
}

bool SetCurrentArchiveOcr(app::Workspace& workspace, bool on)
{
    if (!workspace.hasCurrentArchive()) {
        workspace.showMessage(app::MessageKey::MsgNeedArchive);
        return false;
    }
    const std::string file = workspace.store().slotPath(archive::SlotMediaExtensions);
    std::string bytes = io::readFileBytes(file).value_or(std::string());
    // The marker's own line, however the file's lines end.
    std::size_t at = std::string::npos;
    std::size_t length = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
        std::string_view line(bytes.data() + start, (end == std::string::npos ? bytes.size() : end) - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line == kOcrMarker) {
            at = start;
            length = next - start;
            break;
        }
        start = next;
    }
    if (on == (at != std::string::npos))
        return true;
    if (on) {
        if (!bytes.empty() && bytes.back() != '\n')
            bytes += "\r\n";
        bytes += OcrListBytes();
    } else {
        bytes.erase(at, length);
    }
    if (!io::writeFileAtomically(file, bytes)) {
        workspace.showMessage(app::MessageKey::MsgWriteError);
        return false;
    }
    return true;
}

bool CurrentArchiveReadsOcr(app::Workspace& workspace)
{
    if (!workspace.hasCurrentArchive())
        return false;
    auto bytes = io::readFileBytes(workspace.store().slotPath(archive::SlotMediaExtensions), ArchiveLists::kMaxListBytes);
    if (!bytes)
        return false;
    ArchiveLists lists;
    lists.setList(archive::SlotMediaExtensions, *bytes);
    return lists.readsOcr();
}

} // namespace vedra::indexing
