// The information window's ">" and "<" through the notes file: a ring of 100
// remembered start offsets and the slot of the part shown. Each part shown leaves
// the start of the following one in the next slot, so ">" goes on and "<" finds
// the parts already seen again; past slot 99 the ring begins again at slot 0 and
// the oldest starts are forgotten.
#pragma once

#include "core/utilities/Notes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace vedra::utilities {

// What a part is read for: the file, its words (the search page's, else the notes
// text, parsed) and how many characters a part holds.
struct NotesPageQuery {
    std::string path;
    search::QueryWordTable words;
    bool andWords = true;
    std::size_t pageBytes = 3000;
    std::time_t now = std::time(nullptr);
};

class NotesPager {
public:
    static constexpr int kSlotCount = 100;

    // Slot 0 holds the file's start.
    NotesPager();

    int index() const { return m_index; }
    // The start remembered in `slot`; none for a slot not reached yet.
    std::optional<std::uint64_t> startAt(int slot) const;

    // The part of the current slot, read again.
    NotesPage Current(app::Workspace& workspace, const NotesPageQuery& query);
    // ">": the next slot (99 goes back to 0), from the start remembered there, else
    // from where the last part shown ended.
    NotesPage Next(app::Workspace& workspace, const NotesPageQuery& query);
    // "<": the previous slot, never below 0, from its remembered start.
    NotesPage Previous(app::Workspace& workspace, const NotesPageQuery& query);

    // Back to slot 0 at the file's start, everything else forgotten (another file
    // or other words).
    void Reset();

private:
    NotesPage show(app::Workspace& workspace, const NotesPageQuery& query, std::uint64_t start);

    static constexpr std::uint64_t kNone = UINT64_MAX;
    std::array<std::uint64_t, kSlotCount> m_starts{};
    int m_index = 0;
    std::uint64_t m_lastEnd = 0;
};

} // namespace vedra::utilities
