// The guard moves only on the window's own events: leaving the window at full
// size re-arms it, and only the first placing arms it from NotPlaced, so moving
// the window after a search does not search again. Text is cut after conversion,
// since the limit counts the words box's cp1252 bytes, not UTF-8's.
#include "core/search/ClipboardSearch.h"

#include "core/app/MessageTable.h"
#include "core/app/TextEncoding.h"
#include "core/app/Workspace.h"
#include "core/search/SearchRun.h"

#include <algorithm>

namespace vedra::search {
namespace {

// What the window's text fields trim: the ASCII white space and the no-break
// space, 0xA0 in cp1252.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
           static_cast<unsigned char>(c) == 0xA0;
}

} // namespace

ClipboardReaction ClipboardSearch::OnWindowEvent(ClipboardWindowEvent event, const ClipboardWindowFacts& facts)
{
    const bool fullSize = facts.heightPixels > kPlacedHeightPixels;
    switch (event) {
    case ClipboardWindowEvent::Moved:
        // Only the first placing arms the guard: later moves leave a JustSearched alone.
        if (m_guard == ClipboardGuard::NotPlaced && fullSize)
            m_guard = ClipboardGuard::Armed;
        return ClipboardReaction::None;
    case ClipboardWindowEvent::Deactivated:
        if (fullSize)
            m_guard = ClipboardGuard::Armed;
        return ClipboardReaction::None;
    case ClipboardWindowEvent::Activated:
        if (m_enabled && m_optionOn && m_guard == ClipboardGuard::Armed && !facts.busy && !facts.directOnDisk && !facts.minimised)
            return ClipboardReaction::SearchPaste;
        return ClipboardReaction::None;
    case ClipboardWindowEvent::Minimised:
        return ClipboardReaction::EmptyFields;
    case ClipboardWindowEvent::Restored:
        return ClipboardReaction::SearchClick;
    }
    return ClipboardReaction::None;
}

ClipboardTake ClipboardSearch::Take(ClipboardMode mode, std::string_view clipboardUtf8,
                                    app::SearchTarget searchTarget, bool busy) const
{
    ClipboardTake take;
    take.mode = mode;
    if (busy) {
        take.status = ClipboardTakeStatus::Busy;
        return take;
    }
    // Cut after the conversion: the limit is the words box's, counted in its bytes.
    std::string text = app::utf8ToCp1252(clipboardUtf8);
    if (text.size() > kMaxTextBytes)
        text.resize(kMaxTextBytes);
    const bool blank = std::all_of(text.begin(), text.end(), isBlank);
    take.field = searchTarget == app::SearchTarget::Archive ? ClipboardField::Words : ClipboardField::Notes;
    take.restoreWindow = mode == ClipboardMode::Click;
    // Paste mode leaves the fields as they were when there is nothing to search.
    take.emptyFields = mode == ClipboardMode::Click || !blank;
    if (blank) {
        take.status = ClipboardTakeStatus::Blank;
        return take;
    }
    take.status = ClipboardTakeStatus::Text;
    take.text = std::move(text);
    take.emptyClipboardAfter = mode == ClipboardMode::Paste;
    return take;
}

bool ClipboardSearch::Confirm(app::Workspace& workspace, SearchRun& run, const ClipboardTake& take)
{
    if (take.status != ClipboardTakeStatus::Text)
        return false;
    app::Host& host = workspace.host();
    if (take.mode == ClipboardMode::Click && !m_questionAsked) {
        m_questionAsked = true;
        const std::string question = std::string(workspace.messages().text(app::MessageKey::MsgDoYouWantToSearch)) +
                                     take.text;
        if (host.messageBox(question, app::MessageButtons::YesNo) != app::MessageAnswer::Yes) {
            host.setTitle(workspace.windowTitle());
            return false;
        }
    }
    if (take.mode == ClipboardMode::Paste) {
        run.words() = {};
        m_guard = ClipboardGuard::JustSearched;
    }
    host.setTitle(std::string(workspace.messages().text(app::MessageKey::MsgSearching)));
    return true;
}

} // namespace vedra::search
