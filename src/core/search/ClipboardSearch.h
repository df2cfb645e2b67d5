// The search for text copied in another program. The main window reports what
// happens to it (placed, left, activated, minimised, restored); this machine says
// which of those start a search of the clipboard, takes the clipboard's text for the
// words box or the notes search box, asks the one question of the run and keeps the
// guard that stops a search from starting twice for one visit.
#pragma once

#include "core/app/SearchTarget.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace vedra::app {
class Workspace;
}

namespace vedra::search {

class SearchRun;

// Paste: the window came back on screen from another program. Click: the user
// restored the minimised window (it is shown again first) and is asked once a run.
enum class ClipboardMode { Paste, Click };

// The guard of paste-mode searches.
enum class ClipboardGuard {
    NotPlaced,     // the window has not been on screen at its full size yet
    Armed,         // coming back to the window searches the clipboard
    JustSearched,  // a paste-mode search ran; the user must leave the window first
};

enum class ClipboardWindowEvent {
    Moved,        // the window was placed or resized
    Deactivated,  // another window became the active one
    Activated,    // the window became the active one again
    Minimised,
    Restored,     // back from minimised
};

// What the window knows when an event comes.
struct ClipboardWindowFacts {
    int heightPixels = 0;
    bool minimised = false;
    bool busy = false;          // a search or another long operation is running
    bool directOnDisk = false;  // the search page's "direct on disk" option
};

enum class ClipboardReaction {
    None,
    EmptyFields,  // empty both search fields and the clipboard, so that a restore searches the clipboard alone
    SearchPaste,  // run the clipboard search in paste mode
    SearchClick,  // run the clipboard search in click mode, then empty the clipboard
};

enum class ClipboardField { Words, Notes };

enum class ClipboardTakeStatus {
    Busy,   // another operation runs: nothing at all happens
    Blank,  // the clipboard holds no text but blanks
    Text,
};

// What the window does with the clipboard's text, in this order: empty both fields
// when `emptyFields`, restore the window when `restoreWindow`, and with text put
// `text` into `field`, then let Confirm decide.
struct ClipboardTake {
    ClipboardMode mode = ClipboardMode::Paste;
    ClipboardTakeStatus status = ClipboardTakeStatus::Blank;
    bool emptyFields = false;
    bool restoreWindow = false;
    ClipboardField field = ClipboardField::Words;
    std::string text;  // cp1252, at most kMaxTextBytes; empty unless status is Text
    bool emptyClipboardAfter = false;  // once the search has started
};

class ClipboardSearch {
public:
    // The words box holds at most this many cp1252 bytes of the clipboard.
    static constexpr std::size_t kMaxTextBytes = 2046;
    // Below this height the window is a minimised or half-made one, not "on screen".
    static constexpr int kPlacedHeightPixels = 100;

    ClipboardGuard guard() const { return m_guard; }
    // Off while a search runs: a search does not start another one.
    bool enabled() const { return m_enabled; }
    bool questionAsked() const { return m_questionAsked; }
    // The clipboard-search option: on from the start; the information window turns
    // it off while it is shown, so that coming back to the main window from it does
    // not search the clipboard. It holds back paste-mode searches only: restoring
    // the minimised window is the user asking for one.
    bool optionOn() const { return m_optionOn; }
    void SetOption(bool on) { m_optionOn = on; }

    // The event's effect on the guard, and what the window must do.
    ClipboardReaction OnWindowEvent(ClipboardWindowEvent event, const ClipboardWindowFacts& facts);

    // Switches clipboard searching off until the returned pause ends (a search).
    class Pause {
    public:
        explicit Pause(ClipboardSearch& owner) : m_owner(&owner), m_wasEnabled(owner.m_enabled) { owner.m_enabled = false; }
        ~Pause() { m_owner->m_enabled = m_wasEnabled; }
        Pause(const Pause&) = delete;
        Pause& operator=(const Pause&) = delete;

    private:
        ClipboardSearch* m_owner;
        bool m_wasEnabled;
    };
    Pause pause() { return Pause(*this); }

    // The clipboard's text (UTF-8, as the system gives it) taken for a search in
    // `mode`: converted to cp1252 and cut to kMaxTextBytes, for the words box when
    // the search goes to the archive, else for the notes search box. No state
    // changes here.
    ClipboardTake Take(ClipboardMode mode, std::string_view clipboardUtf8, app::SearchTarget searchTarget,
                       bool busy) const;

    // After the window has put a taken text in its field: in click mode the first
    // time in the run, asks MsgDoYouWantToSearch followed by the text; No puts the
    // archive's title back and gives false. Otherwise titles the window
    // MsgSearching and gives true: the window then starts the search for
    // `take.text`. Paste mode also forgets the previous query words and sets the
    // guard to JustSearched. False for a take without text.
    bool Confirm(app::Workspace& workspace, SearchRun& run, const ClipboardTake& take);

private:
    ClipboardGuard m_guard = ClipboardGuard::NotPlaced;
    bool m_enabled = true;
    bool m_questionAsked = false;
    bool m_optionOn = true;
};

} // namespace vedra::search
