// The initial lists are plain CR LF lines kept in this exact order, odd entries
// too ("****", ".mp3" among the text extensions): a new archive must come out the
// same byte for byte. Archive 1 also leaves out the program's own folders
// (temporary files, downloads, archives).
#include "core/archive/ArchiveFiles.h"

#include "core/archive/ByteOrder.h"
#include "core/archive/Records.h"

namespace vedra::archive {
namespace {

const std::vector<std::string> kTextExtensions = {
    ".doc", ".pub", ".wri", ".rtf", ".bas", ".pas", ".c", ".h", ".xl", ".xls", ".tbk", ".asp", ".ppt", ".shtm",
    ".dat", ".ind", ".blb", ".js", ".php", ".bbl", ".xml", ".vedra", ".msg", ".exif", ".wma", ".mp3", ".mht", ".cpp"};

const std::vector<std::string> kMediaExtensions = {
    ".bmp", ".jpg", ".ico", ".cur", ".emf", ".whf", ".dib", ".jpeg", ".pcx", ".gif", ".wmf",
    ".png", ".tif", ".pct", "****", ".exe", ".avi", ".mp4", ".mid", ".mp3", ".exif", ".mov",
    ".mpg", ".wma", ".mp2", ".mpeg", ".swf", ".wav", ".rmi", ".wmv", ".aif"};

const std::vector<std::string> kFirstArchiveExcludedFolders = {"download_vedratemp", "vedratemp", "vedraarc"};

// Fragments matched against folder paths; the separator is the native one.
const std::vector<std::string> kExcludedFolders = {"recycled", "/temp", "debug",    "release",
                                                   "/windows/", "i386", "recycler", "/system/"};

const std::vector<std::string> kCompressedExtensions = {".chm", ".cab", ".chw", ".7z", ".zip", ".hws",
                                                        ".rar", ".arj", ".tar", ".gz", ".z"};

const std::vector<std::string> kConvertedExtensions = {".docx", ".odt", ".pdf"};

const std::vector<std::string> kStopWords = {
    "uno",  "una",  "egli",   "noi",    "voi",    "essi",   "esso", "loro", "dell",  "del",  "delle", "della",
    "alla", "alle", "allo",   "cui",    "chi",    "che",    "per",  "con",  "sul",   "tra",  "fra",   "non",
    "agrave", "egrave", "ograve", "igrave", "nbsp", "quot", "but", "were", "not", "yet", "and",  "was",
    "she",  "one",  "that",   "with",   "will",   "has",    "shall", "your", "our", "the",  "they",  "there",
    "which", "can", "from",   "been",   "than",   "have",   "must", "had",  "for"};

const std::vector<std::string> kNoEntries;

std::string listBytes(const std::vector<std::string>& entries)
{
    std::string bytes;
    for (const auto& entry : entries)
        bytes += entry + "\r\n";
    return bytes;
}

} // namespace

const char* slotPrefix(int slot)
{
    switch (slot) {
    case SlotDocuments: return "IND.";
    case SlotTextExtensions: return "FIL.";
    case SlotMediaExtensions: return "FMM.";
    case SlotExcludedFolders: return "DIR.";
    case SlotWords: return "PAR.";
    case SlotDocumentKeys: return "ORD.";
    case SlotRoots: return "RAD.";
    case SlotUnused: return "ACC.";
    case SlotResume: return "NTD.";
    case SlotFolders: return "PTH.";
    case SlotCompressedExtensions: return "CMP.";
    case SlotPrograms: return "EXE.";
    case SlotPostings: return "LNK.";
    case SlotWordLists: return "RCP.";
    case SlotConvertedExtensions: return "SCM.";
    case SlotStopWords: return "NIN.";
    default: return "";
    }
}

const std::vector<std::string>& initialListEntries(int slot)
{
    switch (slot) {
    case SlotTextExtensions: return kTextExtensions;
    case SlotMediaExtensions: return kMediaExtensions;
    case SlotExcludedFolders: return kExcludedFolders;
    case SlotCompressedExtensions: return kCompressedExtensions;
    case SlotConvertedExtensions: return kConvertedExtensions;
    case SlotStopWords: return kStopWords;
    default: return kNoEntries;
    }
}

std::string initialContent(int slot, std::int32_t archiveNumber)
{
    switch (slot) {
    case SlotDocuments: {
        std::string bytes(DocumentHeader::kSize, '\0');
        putI32le(reinterpret_cast<std::uint8_t*>(bytes.data()) + 100, 1);
        return bytes;
    }
    case SlotWords:
    case SlotDocumentKeys:
    case SlotRoots:
    case SlotFolders:
        return std::string(kBucketTableSize, '\0');
    case SlotResume:
        return std::string(260, '\0');
    case SlotPostings:
        return std::string("LNK_PAR\0", 8);
    case SlotWordLists:
        return "_PAR";
    case SlotExcludedFolders:
        return (archiveNumber == 1 ? listBytes(kFirstArchiveExcludedFolders) : std::string()) +
               listBytes(kExcludedFolders);
    case SlotTextExtensions:
    case SlotMediaExtensions:
    case SlotCompressedExtensions:
    case SlotConvertedExtensions:
    case SlotStopWords:
        return listBytes(initialListEntries(slot));
    default:
        return {};
    }
}

} // namespace vedra::archive
