// The archive's editable lists in memory ("DIR.", "FIL.", "FMM.", "CMP.", "SCM.")
// and the classification tests built on them: which folders a walk enters, which
// sub-folders it adds, and what is done with a file (text read, converted,
// unpacked, name only). The indexing run, the disk scan and the search's filters
// all ask these questions; the stop words ("NIN.") live in StopWordTree.
#pragma once

#include "core/indexing/PatternFilter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::archive {
class ArchiveStore;
}

namespace vedra::indexing {

// The "FMM." entry that switches text recognition (OcrReader.h) on. No extension
// can equal it.
inline constexpr std::string_view kOcrMarker = "*ocr";

// What the indexing run does with a file beyond reading its text. The first four
// values are the run's stored class numbers.
enum class ConversionKind {
    None = 0,
    Pdf = 1,          // converted to text by the PDF converter
    DocumentXml = 2,  // unpacked with 7z, its XML members indexed
    Compressed = 3,   // a compressed archive, unpacked with 7z
    Skip = -1,        // a compressed archive with the unpack option off: no record at all
};

class ArchiveLists {
public:
    // Bytes taken from each list file: the program's buffers are 2048 bytes with
    // their terminator, and a longer list is cut, not rejected.
    static constexpr std::size_t kMaxListBytes = 2047;

    // Slots of the lists held here, in the order they are loaded.
    static const std::array<int, 5>& loadOrder();

    // Reads every list of the store's current archive (at most kMaxListBytes of
    // each). A missing list file is created empty and read as empty. False when a
    // list exists but cannot be read, or a missing one cannot be created; that list
    // is then empty and the others are still loaded.
    bool load(archive::ArchiveStore& store);

    // Replaces one list (a slot of loadOrder()) with `bytes` as load() takes a
    // file: cut to kMaxListBytes and at a NUL byte, the excluded-folder list
    // transformed, entries parsed. Other slots are ignored.
    void setList(int slot, std::string_view bytes);

    // The list buffer as the tests read it: the file's first bytes, cut at a NUL,
    // and for "DIR." transformed (each run of two or more '/' made one blank; a
    // single '/' kept). Empty for a slot not held here.
    const std::string& buffer(int slot) const;

    // The list's entries, lower-cased: an entry ends at CR, LF, ',' or ';';
    // blanks, tabs, CR, LF, ',' and ';' between entries are skipped, and trailing
    // blanks and tabs are cut. LF ends an entry too, so that a list saved by an
    // editor with Unix line ends still gives one entry a line. Lower-casing makes
    // ".TXT" typed on the filters page match, since every name is compared
    // lower-cased.
    const std::vector<std::string>& entries(int slot) const;

    // True when the excluded-folder buffer begins with a byte above 'A', leading
    // '/' aside (a list that starts otherwise is switched off), and the lower-cased path contains any
    // of its entries. So "/x/Template/" is excluded by "temp", and by "/temp" too
    // (a folder whose name begins with temp), while "/system/" excludes a folder
    // named system and not "/x/filesystems/".
    bool IsFolderExcluded(std::string_view path) const;
    // The entry that excludes `path` by IsFolderExcluded's rule; empty when none.
    std::string_view FolderExclusionEntry(std::string_view path) const;

    // True when the lower-cased `name` equals an excluded-folder entry exactly
    // ("Debug" is, "debugger" is not), an entry's leading and trailing '/' aside
    // ("/system/" names system; "/usr/share/" names no single folder). Further,
    // when `folderFilter` does not let the sub-folder through
    // (PassesSubfolderFilter), it is excluded too.
    bool IsSubfolderExcluded(std::string_view name, const PatternFilter& folderFilter,
                             std::string_view parentFolder) const;
    // The entry that excludes the sub-folder `name` by IsSubfolderExcluded's first
    // rule; empty when none.
    std::string_view NameExclusionEntry(std::string_view name) const;

    // The search page's folder patterns applied to a sub-folder: passes when the
    // filter is inactive (letting everything through), or when the lower-cased
    // `parentFolder` + name + '/' contains one of the patterns, or is the start of
    // a pattern that begins with '/' (the folder lies on the way to an absolute
    // folder the user named). This is the indexing run's rule that only folders
    // passing the folder filter are added, so that a scan and a run walk the same
    // folders; the allowance for absolute patterns lets a scan from a disk root
    // reach the folder named. As in the run, a folder below one that does not pass
    // is not reached even if its own path would pass.
    static bool PassesSubfolderFilter(std::string_view name, const PatternFilter& folderFilter,
                                      std::string_view parentFolder);

    // The extension (from the last '.', lower-cased) compared with whole entries of
    // "SCM." (Pdf for ".pdf", else DocumentXml), then of "CMP." (Compressed with
    // the unpack option on, Skip with it off). None without a match or a '.'.
    ConversionKind ConversionClass(std::string_view fileName, bool unpackOption) const;

    // Whether the text of a file is read, by its lower-cased name:
    // 1. an empty name passes; one beginning below '!' fails;
    // 2. a set file filter (first byte at or above '!') lets the name pass when any
    //    pattern holds "*.*"; else its ten slots are tried in order: an empty slot
    //    fails, a pattern contained in the name passes, ten non-matching patterns
    //    go on (patterns are compared lower-cased, as the name is);
    // 3. no extension (from the last '.'), or one longer than four bytes with its
    //    dot (".html"), passes;
    // 4. an extension holding ".ht" passes; with runMode 0 (no run going on), a
    //    name holding ".pdf" passes;
    // 5. ".?db", ".db?", ".tx?" and ".?tx" pass (".txt", ".db", ".mdb");
    // 6. otherwise only an extension that is a whole "FIL." entry passes, and never
    //    a name holding "estratti.vedra" (the program's own extract file); with
    //    the more-types rules, an unknown type (IsUnknownType) passes too, so that
    //    the search shows the documents a run read after looking at their bytes.
    // The caller passes the indexing set of patterns during a run (runMode != 0)
    // and the search set otherwise.
    bool HasIndexableText(std::string_view lowerCasedName, const PatternFilter& fileFilter, int runMode) const;

    // True when "FIL." holds the more-types marker (MoreTypes.h).
    bool readsMoreTypes() const { return m_moreTypes; }
    // True when "FMM." holds the recognition marker (OcrReader.h).
    bool readsOcr() const { return m_ocr; }

    // True when nothing but the file's bytes can tell whether it holds text: it has
    // no extension, or its extension (lower-cased) is in none of "FIL.", "FMM.",
    // "CMP." and "SCM." and is none of those the text test knows by itself (one
    // holding ".ht"; ".tx?", ".?tx", ".db?", ".?db").
    bool IsUnknownType(std::string_view lowerCasedName) const;

    // True when the extension (from the last '.', lower-cased) is a whole "FMM."
    // entry: ".c" is not ".cur". Such files are read only in their first bytes.
    bool IsMultimedia(std::string_view fileName) const;

private:
    static constexpr std::size_t kListCount = 5;
    static int indexOf(int slot);
    bool hasEntry(int slot, std::string_view lowerCasedText) const;

    std::array<std::string, kListCount> m_buffers;
    std::array<std::vector<std::string>, kListCount> m_entries;
    // The entries of up to seven bytes, each packed with its length into one
    // number, sorted: every file a run or a search meets has its extension looked
    // up, and a binary search of numbers costs less than comparing the texts.
    static std::optional<std::uint64_t> packShort(std::string_view text);
    std::array<std::vector<std::uint64_t>, kListCount> m_shortEntries;
    bool m_moreTypes = false;
    bool m_ocr = false;
};

// The folder filter: passes when it lets everything through (empty, or its first
// pattern holds "*.*"), else when the lower-cased path contains one of its
// (up to ten, non-empty) patterns, lower-cased. Case is ignored because the
// filter was written for case-blind file systems and users type it that way.
bool PassesFolderFilter(std::string_view path, const PatternFilter& folderFilter);

} // namespace vedra::indexing
