// The clipboard search without a window: the guard between visits, the text taken
// (its limit in cp1252 bytes, blanks, the target field) and the question asked once
// a run.
#include "core/search/ClipboardSearch.h"

#include "core/app/HeadlessHost.h"
#include "core/app/MessageTable.h"
#include "core/app/Workspace.h"
#include "core/search/SearchRun.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <vector>

namespace vedra::search {
namespace {

using Event = ClipboardWindowEvent;
using Reaction = ClipboardReaction;

ClipboardWindowFacts height(int pixels)
{
    ClipboardWindowFacts facts;
    facts.heightPixels = pixels;
    return facts;
}

class ClipboardSearchTest : public ::testing::Test {
protected:
    ClipboardSearchTest() { workspace.PrepareWorkspace(); }

    ClipboardTake take(std::string_view text, ClipboardMode mode = ClipboardMode::Paste,
                       app::SearchTarget target = app::SearchTarget::Archive)
    {
        return clipboard.Take(mode, text, target, false);
    }
    std::string message(app::MessageKey key) const { return std::string(workspace.messages().text(key)); }

    testing::TempFolder folder;
    app::HeadlessHost host;
    app::Workspace workspace{host, testing::testProbe(folder.path())};
    ResultList results;
    SearchRun run{workspace, results};
    ClipboardSearch clipboard;
};

TEST_F(ClipboardSearchTest, TheGuardArmsOnScreenAndAfterASearchWaitsForTheUserToLeave)
{
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::None) << "not placed yet";
    clipboard.OnWindowEvent(Event::Moved, height(100));
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::NotPlaced) << "100 pixels is not on screen yet";
    clipboard.OnWindowEvent(Event::Moved, height(101));
    ASSERT_EQ(clipboard.guard(), ClipboardGuard::Armed);
    for (auto blocked : {&ClipboardWindowFacts::busy, &ClipboardWindowFacts::directOnDisk,
                         &ClipboardWindowFacts::minimised}) {
        ClipboardWindowFacts facts = height(538);
        facts.*blocked = true;
        EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, facts), Reaction::None);
    }
    {
        const auto searching = clipboard.pause();
        EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::None);
    }
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::SearchPaste);

    ASSERT_TRUE(clipboard.Confirm(workspace, run, take("mare")));
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::JustSearched);
    clipboard.OnWindowEvent(Event::Moved, height(538));
    clipboard.OnWindowEvent(Event::Deactivated, height(100));
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::None) << "not left yet";
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Restored, height(538)), Reaction::SearchClick) << "restoring always";
    clipboard.OnWindowEvent(Event::Deactivated, height(101));
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::SearchPaste);
}

TEST_F(ClipboardSearchTest, TheOptionOffHoldsBackPasteSearchesButNotARestoreAndOutlivesASearchPause)
{
    clipboard.OnWindowEvent(Event::Moved, height(538));
    clipboard.SetOption(false);
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::None);
    EXPECT_EQ(clipboard.guard(), ClipboardGuard::Armed) << "the visit is not used up";
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Restored, height(538)), Reaction::SearchClick);
    {
        // A search running while the information window is shown must not turn the
        // option back on when it ends.
        const auto searching = clipboard.pause();
    }
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::None);
    clipboard.SetOption(true);
    EXPECT_EQ(clipboard.OnWindowEvent(Event::Activated, height(538)), Reaction::SearchPaste);
}

TEST_F(ClipboardSearchTest, TheLimitCountsTheWordsBoxsCp1252Bytes)
{
    const std::string full(ClipboardSearch::kMaxTextBytes, 'a');
    EXPECT_EQ(take(full).text, full);
    EXPECT_EQ(take(full + "b").text, full);
    // "é" is two UTF-8 bytes, one cp1252 byte and one UTF-16 unit.
    std::string accented;
    for (int i = 0; i < 2047; ++i)
        accented += "é";
    EXPECT_EQ(take(accented).text, std::string(ClipboardSearch::kMaxTextBytes, '\xE9'));
    // A face is two UTF-16 units but one cp1252 blank: counted in UTF-16 the word
    // after 1100 faces would be cut away.
    std::string faces;
    for (int i = 0; i < 1100; ++i)
        faces += "😀";
    EXPECT_EQ(take(faces + "mare").text, std::string(1100, ' ') + "mare");
}

TEST_F(ClipboardSearchTest, ABlankClipboardSearchesNothingAndTheTargetChoosesTheField)
{
    const std::vector<std::string> blanks = {"", " \t\r\n", "\xC2\xA0", "日本語", std::string(2046, ' ') + "mare"};
    for (const std::string& text : blanks) {
        EXPECT_EQ(take(text).status, ClipboardTakeStatus::Blank);
        EXPECT_FALSE(take(text).emptyFields) << "paste mode keeps the fields";
        EXPECT_TRUE(take(text, ClipboardMode::Click).emptyFields);
        EXPECT_FALSE(clipboard.Confirm(workspace, run, take(text, ClipboardMode::Click)));
    }
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(take("mare", ClipboardMode::Click, app::SearchTarget::Archive).field, ClipboardField::Words);
    EXPECT_EQ(take("mare", ClipboardMode::Click, app::SearchTarget::Notes).field, ClipboardField::Notes);
    EXPECT_EQ(clipboard.Take(ClipboardMode::Click, "mare", app::SearchTarget::Archive, true).status, ClipboardTakeStatus::Busy);
}

TEST_F(ClipboardSearchTest, ClickModeAsksOnceARunAndPasteModeNeverAsks)
{
    ParseQueryWords("vento sole", true, 0, {}, nullptr, run.words());
    EXPECT_TRUE(clipboard.Confirm(workspace, run, take("mare")));
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(run.words().count, 0) << "the previous words are forgotten";
    EXPECT_EQ(host.title(), message(app::MessageKey::MsgSearching));

    host.queueAnswer(app::MessageAnswer::No);
    EXPECT_FALSE(clipboard.Confirm(workspace, run, take("casa", ClipboardMode::Click)));
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, message(app::MessageKey::MsgDoYouWantToSearch) + "casa");
    EXPECT_EQ(host.title(), workspace.windowTitle());
    EXPECT_TRUE(clipboard.Confirm(workspace, run, take("casa", ClipboardMode::Click)));
    EXPECT_EQ(host.messages().size(), 1u);
}

} // namespace
} // namespace vedra::search
