// The word roots of the current archive ("RAD."): the list the user sees, and the
// roots the user adds so that words the default roots leave out get registered
// (`vedra roots add`, and the window's offer after a search met such a word).
#pragma once

#include "core/archive/RootTree.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::indexing {

enum class RootOutcome {
    Pending,           // a root not added (yet): the adding stopped before it
    Added,             // the root is in the archive now
    Present,           // the archive had the root: nothing changed
    BeginsWithDigit,   // no root: words that begin with a digit are never filtered
    NoLetterOrDigit,   // nothing in the word makes a word
};

struct WordRoot {
    std::string run;   // the word's run of letters and digits the root comes from (cp1252)
    std::string root;  // empty when the run has no root
    RootOutcome outcome = RootOutcome::NoLetterOrDigit;
};

// The roots of a word (cp1252), cut as the roots reader cuts a roots file, after
// the accents are folded as the indexer folds them ("Città" gives "cit"): one per
// run of letters and digits, in order. Outcomes are Pending (a root to add),
// BeginsWithDigit, or one NoLetterOrDigit entry for a word with no run at all.
std::vector<WordRoot> RootsOfWord(std::string_view cp1252Word);

enum class RootsStatus {
    Done,
    NoArchive,   // no current archive: MsgNeedArchive has been shown
    CannotOpen,  // the archive would not open for writing: its message has been shown
    Busy,        // another process writes the archive: MsgArchiveBusy named it
    Failed,      // a write or a damaged tree stopped the adding: its message has been shown
};

struct RootsAddition {
    RootsStatus status = RootsStatus::Done;
    // One entry per run of every word, in order; a run whose root an earlier run
    // added is Present.
    std::vector<WordRoot> roots;
    std::size_t addedCount() const;
};

// Adds the roots of `cp1252Words` to the current archive's root tree, opened for
// writing as an indexing run opens it (and closed again). A root the archive has
// changes nothing. Words indexed from then on are registered; a document indexed
// before keeps its words until it is indexed again.
RootsAddition AddWordRoots(app::Workspace& workspace, const std::vector<std::string>& cp1252Words);

struct ArchiveRootList {
    RootsStatus status = RootsStatus::Done;  // Done, NoArchive or CannotOpen
    std::string path;                        // the "RAD." file read
    archive::RootTreeListing listing;
};

// The current archive's roots, read from its "RAD." file without opening the
// archive for writing. A file that cannot be read is CannotOpen (nothing shown).
ArchiveRootList ReadArchiveRoots(app::Workspace& workspace);

// The window's offer after a search: for each word whose root the current
// archive lacks, asks whether to add it (Yes/No); on Yes adds it with
// AddWordRoots and says that documents indexed already must be indexed again.
// Returns the roots added.
std::size_t OfferToAddRoots(app::Workspace& workspace, const std::vector<std::string>& cp1252Words);

} // namespace vedra::indexing
