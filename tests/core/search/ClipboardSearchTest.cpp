// The clipboard search without a window: which window events start it, the guard
// between visits, the text taken (its limit in cp1252 bytes, blanks, the target
// field) and the question asked once a run.
#include "core/search/ClipboardSearch.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "core/search/SearchRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace vedra::search {
namespace {

using Event = ClipboardWindowEvent;
using Reaction = ClipboardReaction;

ClipboardWindowFacts onScreen(int height = 538)
{
    ClipboardWindowFacts facts;
    facts.heightPixels = height;
    return facts;
}

std::string repeated(std::string_view piece, std::size_t times)
{
    std::string text;
    for (std::size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

class ClipboardSearchTest : public ::testing::Test {
protected:
    ClipboardSearchTest()
    {
        workspace.PrepareWorkspace();
        workspace.setPumpInterval(std::chrono::milliseconds(0));
    }

    std::string message(app::MessageKey key) const { return std::string(workspace.messages().text(key)); }

    // A paste-mode search carried through, as the window does when it is activated.
    bool pasteSearch(const std::string& text)
    {
        return clipboard.Confirm(workspace, run,
                                 clipboard.Take(ClipboardMode::Paste, text, 0, false));
    }

    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testing::testProbe(folder.path())};
    ResultList results;
    SearchRun run{workspace, results};
    ClipboardSearch clipboard;
};

TEST_F(ClipboardSearchTest, TheGuardArmsOnceTheWindowIsOnScreenAndAgainWhenTheUserLeavesIt)
{
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::NotPlaced);
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, onScreen()), Reaction::None) << "not placed yet";
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Moved, onScreen(100)), Reaction::None);
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::NotPlaced) << "100 pixels is not yet on screen";
    clipboard.OnWindowEvent(Event::Moved, onScreen(101));
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::Armed);
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, onScreen()), Reaction::SearchPaste);

    ASSERT_TRUE(pasteSearch("mare"));
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::JustSearched);
    // Coming back without having left does not search again, nor does a move.
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, onScreen()), Reaction::None);
    clipboard.OnWindowEvent(Event::Moved, onScreen());
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::JustSearched);
    // Leaving as a minimised sliver does not count; leaving at full size does.
    clipboard.OnWindowEvent(Event::Deactivated, onScreen(100));
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::JustSearched);
    clipboard.OnWindowEvent(Event::Deactivated, onScreen(101));
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::Armed);
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, onScreen()), Reaction::SearchPaste);
}

TEST_F(ClipboardSearchTest, AnArmedGuardStillWaitsForAnIdleShownArchiveSearch)
{
    clipboard.OnWindowEvent(Event::Deactivated, onScreen());
    ASSERT_EQ(clipboard.guard(), ClipboardGuard::Armed);
    ClipboardWindowFacts busy = onScreen();
    busy.busy = true;
    ClipboardWindowFacts onDisk = onScreen();
    onDisk.directOnDisk = true;
    ClipboardWindowFacts minimised = onScreen();
    minimised.minimised = true;
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, busy), Reaction::None);
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, onDisk), Reaction::None);
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, minimised), Reaction::None);
    {
        const auto searching = clipboard.pause();
        const auto inner = clipboard.pause();
        EXPECT_FALSE(clipboard.enabled());
        EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, onScreen()), Reaction::None);
    }
    EXPECT_TRUE(clipboard.enabled()) << "the pause ends with the search";
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, onScreen()), Reaction::SearchPaste);
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::Armed) << "only a search that ran moves the guard";
}

TEST_F(ClipboardSearchTest, MinimisingEmptiesTheFieldsAndRestoringAlwaysSearchesInClickMode)
{
    for (ClipboardGuard state : {ClipboardGuard::NotPlaced, ClipboardGuard::JustSearched}) {
        if (state == ClipboardGuard::JustSearched) {
            ASSERT_TRUE(pasteSearch("mare"));
        }
        EXPECT_EQ(clipboard.guard(), state);
        EXPECT_EQ(clipboard.OnWindowEvent(Event::Minimised, onScreen(30)), Reaction::EmptyFields);
        EXPECT_EQ(clipboard.OnWindowEvent(Event::Restored, onScreen()), Reaction::SearchClick);
        EXPECT_EQ(clipboard.guard(), state) << "neither moves the guard";
    }
}

TEST_F(ClipboardSearchTest, TheLimitCountsTheWordsBoxsCp1252Bytes)
{
    const std::string full = repeated("a", ClipboardSearch::kMaxTextBytes);
    EXPECT_EQ(clipboard.Take(ClipboardMode::Paste, full, 0, false).text, full);
    EXPECT_EQ(clipboard.Take(ClipboardMode::Paste, full + "b", 0, false).text, full) << "2047 bytes lose the last";

    // "é" is two UTF-8 bytes and one cp1252 byte: 2046 of them fit whole.
    const ClipboardTake accented = clipboard.Take(ClipboardMode::Paste, repeated("é", 2047), 0, false);
    EXPECT_EQ(accented.text, std::string(ClipboardSearch::kMaxTextBytes, '\xE9'));
    // "€" is three UTF-8 bytes and the single cp1252 byte 0x80.
    EXPECT_EQ(clipboard.Take(ClipboardMode::Paste, "5 €", 0, false).text, "5 \x80");

    // A face is two UTF-16 units but one cp1252 byte (a blank): counted in UTF-16
    // the word after 1100 faces would be cut away and the text left blank.
    const ClipboardTake faces = clipboard.Take(ClipboardMode::Paste, repeated("😀", 1100) + "mare", 0, false);
    EXPECT_EQ(faces.status, ClipboardTakeStatus::Text);
    EXPECT_EQ(faces.text, std::string(1100, ' ') + "mare");
}

TEST_F(ClipboardSearchTest, ABlankClipboardSearchesNothingAndPasteModeKeepsTheFields)
{
    for (const std::string text : {"", " \t\r\n", "\xC2\xA0", "日本語"}) {
        const ClipboardTake paste = clipboard.Take(ClipboardMode::Paste, text, 0, false);
        EXPECT_EQ(paste.status, ClipboardTakeStatus::Blank) << text;
        EXPECT_FALSE(paste.emptyFields) << text;
        EXPECT_FALSE(paste.restoreWindow);
        EXPECT_TRUE(paste.text.empty());
        // Click mode has emptied the fields and shown the window all the same.
        const ClipboardTake click = clipboard.Take(ClipboardMode::Click, text, 0, false);
        EXPECT_EQ(click.status, ClipboardTakeStatus::Blank) << text;
        EXPECT_TRUE(click.emptyFields);
        EXPECT_TRUE(click.restoreWindow);
        EXPECT_FALSE(clipboard.Confirm(workspace, run, click));
    }
    // A text blank only past the limit is blank.
    EXPECT_EQ(clipboard.Take(ClipboardMode::Paste, std::string(2046, ' ') + "mare", 0, false).status,
              ClipboardTakeStatus::Blank);
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(ClipboardSearchTest, TheSearchTargetChoosesTheFieldAndABusyWindowTakesNothing)
{
    EXPECT_EQ(clipboard.Take(ClipboardMode::Click, " mare ", 0, false).field, ClipboardField::Words);
    EXPECT_EQ(clipboard.Take(ClipboardMode::Click, " mare ", 0, false).text, " mare ") << "the text as copied";
    EXPECT_EQ(clipboard.Take(ClipboardMode::Click, "mare", 3, false).field, ClipboardField::Notes);
    EXPECT_EQ(clipboard.Take(ClipboardMode::Paste, "mare", 1, false).field, ClipboardField::Notes);

    for (ClipboardMode mode : {ClipboardMode::Paste, ClipboardMode::Click}) {
        const ClipboardTake busy = clipboard.Take(mode, "mare", 0, true);
        EXPECT_EQ(busy.status, ClipboardTakeStatus::Busy);
        EXPECT_FALSE(busy.emptyFields);
        EXPECT_FALSE(busy.restoreWindow);
        EXPECT_FALSE(clipboard.Confirm(workspace, run, busy));
    }
    const ClipboardTake paste = clipboard.Take(ClipboardMode::Paste, "mare", 0, false);
    EXPECT_TRUE(paste.emptyFields);
    EXPECT_TRUE(paste.emptyClipboardAfter);
    EXPECT_FALSE(clipboard.Take(ClipboardMode::Click, "mare", 0, false).emptyClipboardAfter)
        << "after a click-mode search the window empties the clipboard itself, searched or not";
}

TEST_F(ClipboardSearchTest, ClickModeAsksOnceARunAndNoLeavesTheArchiveTitle)
{
    host.queueAnswer(app::MessageAnswer::No);
    const ClipboardTake first = clipboard.Take(ClipboardMode::Click, "mare", 0, false);
    EXPECT_FALSE(clipboard.Confirm(workspace, run, first));
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, message(app::MessageKey::MsgDoYouWantToSearch) + "mare");
    EXPECT_EQ(host.messages()[0].buttons, app::MessageButtons::YesNo);
    EXPECT_EQ(host.title(), workspace.windowTitle());
    EXPECT_TRUE(clipboard.questionAsked());

    // Declined once, never asked again: the next restore searches at once.
    EXPECT_TRUE(clipboard.Confirm(workspace, run, clipboard.Take(ClipboardMode::Click, "casa", 0, false)));
    EXPECT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.title(), message(app::MessageKey::MsgSearching));
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::NotPlaced) << "click mode leaves the guard alone";
}

TEST_F(ClipboardSearchTest, PasteModeSearchesWithoutAskingAndForgetsThePreviousWords)
{
    ParseQueryWords("vento sole", true, 0, {}, nullptr, run.words());
    ASSERT_EQ(run.words().count, 2);
    EXPECT_TRUE(pasteSearch("mare"));
    EXPECT_TRUE(host.messages().empty());
    EXPECT_FALSE(clipboard.questionAsked()) << "the click-mode question is still to come";
    EXPECT_EQ(run.words().count, 0);
    EXPECT_EQ(host.title(), message(app::MessageKey::MsgSearching));

    host.queueAnswer(app::MessageAnswer::Yes);
    EXPECT_TRUE(clipboard.Confirm(workspace, run, clipboard.Take(ClipboardMode::Click, "casa", 0, false)));
    EXPECT_EQ(host.messages().size(), 1u);
}

} // namespace
} // namespace vedra::search
