// The search options that the search page's popup menu and contiguity box set and the
// search run reads. They last as long as the program runs; nothing here is saved.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vedra::search {

// Each option is "off" at 0 and "on" at any other value: a menu row stores its marker
// byte minus '*', the contiguity box stores '*'.
struct SearchOptions {
    static constexpr int kContiguityOn = '*';
    static constexpr int kMinContiguityDistance = 5;
    static constexpr int kMaxContiguityDistance = 500;
    static constexpr int kDefaultContiguityDistance = 20;

    int andWords = 1;
    int allArchives = 0;
    int inTheFile = 0;
    int wordsOr = 0;
    int inTheIndex = 0;
    int inThePath = 0;
    int contiguity = kContiguityOn;
    int directOnDisk = 0;
    // Name searches of the run (Files or Directories box without words); the menu
    // clears them with the scope options.
    bool fileNameSearch = false;
    bool folderNameSearch = false;

    // Box 1771.
    void setContiguity(bool checked) { contiguity = checked ? kContiguityOn : 0; }

    // The page's validation: a value outside 5..500 is refused (false) and the old
    // one kept, so the distance always lies in that range.
    bool setContiguityDistance(int characters);
    int contiguityDistance() const { return m_contiguityDistance; }

    // All archives, in the file, words OR, in the index, in the path and the two
    // name-search flags off: at most one scope is on after a menu choice.
    void clearScopeOptions();

    // The search page's "direct on disk" box. On, the disk is the one scope: the
    // other scope options go off (a walk of the disk reads no archive). A word
    // search on disk turns it off again.
    void setDirectOnDisk(bool on);

private:
    int m_contiguityDistance = kDefaultContiguityDistance;
};

enum class SearchMenuItem {
    None,  // an empty row, the separator, or text that names no row
    And,
    AllArchives,
    InTheFile,
    WordsOr,
    InTheIndex,
    InThePath,
    Contiguity,
    CleanPreview,
    CleanFromList,
};

// The search popup's 30 rows for a language (0 Italian, 1 English, other Spanish):
// option rows begin with '*' when on and a blank when off; the contiguity row is
// offered only when the words box holds a blank; unused rows are empty.
std::vector<std::string> SearchMenuRows(const SearchOptions& options, int languageIndex, bool queryHasBlank);

// The item a row's text names, in any language, without regard to case.
SearchMenuItem SearchMenuItemOf(std::string_view rowText);

// A click on `rowText`: an option row gives its option the opposite of the state the
// row showed (its marker byte minus '*'); every option row but AND first clears the
// scope options; "all archives" turned on also turns "direct on disk" off, since
// the two name different places to search. Returns the item so the caller does
// the rest: check box 1771 for Contiguity, refresh the disk controls for
// AllArchives, clean the preview or the list.
SearchMenuItem ApplySearchMenuRow(SearchOptions& options, std::string_view rowText);

} // namespace vedra::search
