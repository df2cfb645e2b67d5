// The slot after the one shown is always overwritten, even when it held a start
// already: the file may have changed, and the part just read is what the user saw.
#include "core/utilities/NotesPager.h"

namespace vedra::utilities {

NotesPager::NotesPager()
{
    Reset();
}

void NotesPager::Reset()
{
    m_starts.fill(kNone);
    m_starts[0] = 0;
    m_index = 0;
    m_lastEnd = 0;
}

std::optional<std::uint64_t> NotesPager::startAt(int slot) const
{
    if (slot < 0 || slot >= kSlotCount || m_starts[static_cast<std::size_t>(slot)] == kNone)
        return std::nullopt;
    return m_starts[static_cast<std::size_t>(slot)];
}

NotesPage NotesPager::show(app::Workspace& workspace, const NotesPageQuery& query, std::uint64_t start)
{
    NotesPage page = ReadNotesPage(workspace, query.path, query.words, query.andWords, start, query.pageBytes, query.now);
    if (!page.opened)
        return page;
    // A start past a shortened file was read from the top: remember what was shown.
    m_starts[static_cast<std::size_t>(m_index)] = page.start;
    m_lastEnd = page.next;
    m_starts[static_cast<std::size_t>((m_index + 1) % kSlotCount)] = page.next;
    return page;
}

NotesPage NotesPager::Current(app::Workspace& workspace, const NotesPageQuery& query)
{
    std::optional<std::uint64_t> start = startAt(m_index);
    return show(workspace, query, start.value_or(m_lastEnd));
}

NotesPage NotesPager::Next(app::Workspace& workspace, const NotesPageQuery& query)
{
    m_index = (m_index + 1) % kSlotCount;
    std::optional<std::uint64_t> start = startAt(m_index);
    return show(workspace, query, start.value_or(m_lastEnd));
}

NotesPage NotesPager::Previous(app::Workspace& workspace, const NotesPageQuery& query)
{
    if (m_index > 0)
        --m_index;
    std::optional<std::uint64_t> start = startAt(m_index);
    return show(workspace, query, start.value_or(m_lastEnd));
}

} // namespace vedra::utilities
