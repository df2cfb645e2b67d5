// Text recognised in pictures and scanned PDFs, an archive option (off unless the
// archive is created with it or it is switched on): `tesseract` reads pictures and
// the pages `pdftoppm` renders of a PDF whose text layer is (nearly) empty.
//
// The option is kept in the archive's "FMM." list as the entry "*ocr" after the
// multimedia types, the way the more-types rules keep theirs in "FIL.": an archive
// without it has the list of the description byte for byte, and switching it off
// removes exactly that line.
//
// Recognition is slow (seconds a page), so its text is kept in the working
// folder's "vedraocr/" under the SHA-256 of the file's bytes: a file moved,
// renamed, copied or indexed again by another archive is not read twice.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

// The entry (kOcrMarker, ArchiveLists.h) as it follows the description's bytes in "FMM.".
std::string OcrListBytes();

// Whether the lower-cased name is a picture that recognition reads: ".png",
// ".jpg", ".jpeg", ".tif", ".tiff", ".gif", ".bmp".
bool IsOcrPicture(std::string_view lowerName);

// A PDF whose text has fewer letters than this per page is read as a scan.
// Page numbers, a running header or a scanner's stamp stay below it; a page of
// prose holds some two thousand.
inline constexpr std::size_t kScannedLettersPerPage = 40;

// Whether pdftotext's text of a PDF (pages ended by form feeds) is that of a scan.
bool PdfTextIsScanned(std::string_view text);

// Pages of one PDF rendered and read at most: a scanned book would hold the run
// for an hour.
inline constexpr int kDefaultOcrPageLimit = 50;
// The resolution pages are rendered at: tesseract's own advice for print.
inline constexpr int kOcrDpi = 300;
// The most recognised text kept of one file.
inline constexpr std::size_t kOcrTextLimit = 4u << 20;
// The languages tesseract is given.
inline constexpr const char* kOcrLanguages = "eng+ita+spa";

// "<working folder>vedraocr/"
std::string OcrCacheFolder(const app::Workspace& workspace);
std::string OcrCachePath(const app::Workspace& workspace, const std::string& hash);
// The cached text of the file's content hash; nullopt when none is kept.
std::optional<std::string> ReadOcrCache(const app::Workspace& workspace, const std::string& hash);
// Keeps `text` (cut to kOcrTextLimit) through a temporary file and a rename, so a
// reader never sees half of it. False when it could not be written.
bool WriteOcrCache(const app::Workspace& workspace, const std::string& hash, std::string_view text);

// The cached text of a file, by hashing its bytes; nullopt when it has none.
std::optional<std::string> CachedOcrText(const app::Workspace& workspace, const std::string& path);

// The executable `name` in a folder of PATH; empty when there is none.
std::string FindInPath(const std::string& name);

struct OcrOutcome {
    enum class State {
        Recognised,  // text holds what was read (possibly nothing)
        Missing,     // tesseract (or pdftoppm for a PDF) is not installed
        Failed,      // damaged file, a program failed, nothing read
        PastLimit,   // a program passed its time or memory limit
        Stopped,     // the user stopped the run
    };
    State state = State::Failed;
    std::string text;
    bool fromCache = false;  // the text, or a failure of the same programs, was kept
    int pages = 0;  // pages or pictures given to tesseract
};

// Recognises the text of `path` (a picture, or a PDF when `pdf`), from the cache
// when its content was read before. Every program runs with an argument vector
// under OutsideProgramLimits and is ended by Break. A PDF's pages past
// `pageLimit` are not rendered. The temporary pages live in the working folder's
// "vedratemp/" and are removed.
OcrOutcome RecogniseFile(app::Workspace& workspace, const std::string& path, bool pdf,
                         int pageLimit = kDefaultOcrPageLimit);

// Switches the option for the current archive by adding or removing the marker
// line of its "FMM." file; false (with the message shown) when it cannot be
// written or there is no current archive.
bool SetCurrentArchiveOcr(app::Workspace& workspace, bool on);
// Whether the current archive's "FMM." holds the marker.
bool CurrentArchiveReadsOcr(app::Workspace& workspace);

} // namespace vedra::indexing
