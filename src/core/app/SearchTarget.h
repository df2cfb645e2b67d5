// Where a search goes: the archive, the agenda (memorandum) or the notes. The
// values are those the notes box and the notes page store.
#pragma once

namespace vedra::app {

enum class SearchTarget { Archive = 0, Memorandum = 1, Notes = 3 };

// "Nelle note" is checked at start-up, so the first search goes to the notes.
constexpr SearchTarget kStartSearchTarget = SearchTarget::Notes;

} // namespace vedra::app
