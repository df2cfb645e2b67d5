// What the live-index indicator shows for the watcher's state: which file is
// believed, the word for each phase, the tooltip's facts, and how the window's own
// watcher's end is told.
#include "core/watch/WatchIndicator.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace vedra::watch {
namespace {

using app::MessageTable;

const MessageTable kEnglishTexts(1);

WatchState stateOf(int pid, WatchPhase phase)
{
    WatchState state;
    state.pid = pid;
    state.phase = phase;
    return state;
}

WatchFacts runningWith(const WatchState& state, int holder)
{
    WatchFacts facts;
    facts.state = state;
    facts.watcherPid = holder;
    return facts;
}

// The last batch's time is local: the tests read it in UTC.
class WatchIndicatorInUtc : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* zone = std::getenv("TZ"))
            m_zone = zone;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override
    {
        if (m_zone)
            ::setenv("TZ", m_zone->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> m_zone;
};

TEST(WatchIndicator, NoWatcherAndLiveIndexOffShowsNothingWhateverTheFileSays)
{
    // A file left by a watcher that was killed: nobody holds the lock.
    WatchFacts facts;
    facts.state = stateOf(4242, WatchPhase::Updating);
    const WatchIndicator shown = DescribeWatch(facts, kEnglishTexts);
    EXPECT_FALSE(shown.visible());
    EXPECT_TRUE(shown.label.empty());
    EXPECT_TRUE(shown.tipLines.empty());
    EXPECT_FALSE(DescribeWatch(WatchFacts{}, kEnglishTexts).visible());
}

TEST(WatchIndicator, LiveIndexOnWithoutAWatcherSaysNotWatching)
{
    WatchFacts facts;
    facts.liveIndexOn = true;
    facts.state = stateOf(4242, WatchPhase::Watching);
    const WatchIndicator shown = DescribeWatch(facts, kEnglishTexts);
    EXPECT_EQ(shown.look, IndicatorLook::NotWatching);
    EXPECT_EQ(shown.label, "not watching");
    EXPECT_EQ(shown.tipLines,
              std::vector<std::string>{"The live index is on, but no watcher runs for this working folder."});
}

TEST(WatchIndicator, EachPhaseOfTheRunningWatcherHasItsLookAndWord)
{
    struct Case {
        WatchPhase phase;
        IndicatorLook look;
        const char* english;
        const char* italian;
        const char* spanish;
    };
    const Case cases[] = {
        {WatchPhase::Starting, IndicatorLook::Starting, "starting", "avvio", "iniciando"},
        {WatchPhase::Watching, IndicatorLook::Watching, "watching", "in osservazione", "vigilando"},
        {WatchPhase::Updating, IndicatorLook::Updating, "updating", "aggiornamento", "actualizando"},
        {WatchPhase::Paused, IndicatorLook::Paused, "paused", "in pausa", "en pausa"},
        {WatchPhase::Error, IndicatorLook::Error, "error", "errore", "error"},
        // Written as the watcher ends, while it still holds the lock.
        {WatchPhase::Stopped, IndicatorLook::NotWatching, "not watching", "inattivo", "inactivo"},
    };
    for (const Case& each : cases) {
        const WatchFacts facts = runningWith(stateOf(77, each.phase), 77);
        const WatchIndicator english = DescribeWatch(facts, kEnglishTexts);
        EXPECT_EQ(english.look, each.look) << each.english;
        EXPECT_EQ(english.label, each.english);
        ASSERT_FALSE(english.tipLines.empty());
        EXPECT_EQ(english.tipLines.front(), "Live index: " + std::string(each.english) + " (process 77)");
        EXPECT_EQ(DescribeWatch(facts, MessageTable(0)).label, each.italian);
        EXPECT_EQ(DescribeWatch(facts, MessageTable(2)).label, each.spanish);
    }
}

TEST(WatchIndicator, AFileOfAnotherProcessOrNoneIsAWatcherStillStarting)
{
    // The lock's holder has not written its first state yet: the file is its
    // predecessor's, and none of its facts are shown.
    WatchState old = stateOf(100, WatchPhase::Error);
    old.error = "the disk was full";
    old.folders = 9;
    const WatchIndicator stale = DescribeWatch(runningWith(old, 200), kEnglishTexts);
    EXPECT_EQ(stale.look, IndicatorLook::Starting);
    EXPECT_EQ(stale.tipLines, std::vector<std::string>{"Live index: starting (process 200)"});

    WatchFacts missing;
    missing.watcherPid = 200;
    EXPECT_EQ(DescribeWatch(missing, kEnglishTexts), stale);
}

TEST_F(WatchIndicatorInUtc, TheTooltipGivesTheFactsOfTheStateFileInOrder)
{
    WatchState state = stateOf(31, WatchPhase::Updating);
    state.archives = {1, 3};
    state.folders = 12;
    state.pending = 2;
    state.batches = 5;
    state.lastBatchTime = 1796774400;  // 2026-12-09 00:00:00 UTC
    state.lastBatchSeconds = 0.456;
    state.lastBatchFolders = 3;
    state.lastBatchFiles = 7;
    state.message = "rescan after lost events";
    state.error = "cannot read /srv/x";
    const WatchIndicator shown = DescribeWatch(runningWith(state, 31), kEnglishTexts);
    EXPECT_EQ(shown.tipLines, (std::vector<std::string>{
                                  "Live index: updating (process 31)",
                                  "Archives: 1, 3",
                                  "Watched folders: 12",
                                  "Pending folders: 2",
                                  "Last batch: 2026-12-09 00:00:00, 3 folders, 7 files changed, 0.46 s (5 so far)",
                                  "Notice: rescan after lost events",
                                  "Error: cannot read /srv/x",
                              }));
    const WatchIndicator spanish = DescribeWatch(runningWith(state, 31), MessageTable(2));
    ASSERT_EQ(spanish.tipLines.size(), shown.tipLines.size());
    EXPECT_EQ(spanish.tipLines[4],
              "Última actualización: 2026-12-09 00:00:00, 3 carpetas, 7 ficheros cambiados, 0.46 s (5 hasta ahora)");
}

TEST(WatchIndicator, AWatcherWithoutBatchesOrNoticesSaysSoAndLeavesTheRestOut)
{
    WatchState state = stateOf(8, WatchPhase::Watching);
    state.folders = 1;
    const WatchIndicator shown = DescribeWatch(runningWith(state, 8), kEnglishTexts);
    EXPECT_EQ(shown.tipLines, (std::vector<std::string>{"Live index: watching (process 8)", "Watched folders: 1",
                                                        "Pending folders: 0", "Last batch: none yet"}));
    // Counts past what a long holds are shown as the largest, not as negatives.
    state.pending = UINT64_MAX;
    EXPECT_EQ(DescribeWatch(runningWith(state, 8), kEnglishTexts).tipLines[2],
              "Pending folders: " + std::to_string(LONG_MAX));
}

TEST(WatchIndicator, TheWindowsOwnWatcherThatFailedIsAnError)
{
    WatchFacts facts;
    facts.own.startError = "no vedra program beside the window";
    const WatchIndicator notStarted = DescribeWatch(facts, kEnglishTexts);
    EXPECT_EQ(notStarted.look, IndicatorLook::Error);
    EXPECT_EQ(notStarted.label, "error");
    EXPECT_EQ(notStarted.tipLines,
              std::vector<std::string>{"Cannot start the watcher: no vedra program beside the window"});

    WatchFacts ended;
    ended.liveIndexOn = true;
    ended.own.ended = true;
    ended.own.exitCode = 1;
    const WatchIndicator failed = DescribeWatch(ended, kEnglishTexts);
    EXPECT_EQ(failed.look, IndicatorLook::Error);
    EXPECT_EQ(failed.tipLines, (std::vector<std::string>{
                                   "The live index is on, but no watcher runs for this working folder.",
                                   "The watcher ended (exit status 1)."}));

    // Ended on purpose: nothing watches any more, which is no error.
    ended.liveIndexOn = false;
    ended.own.exitCode = 0;
    const WatchIndicator stopped = DescribeWatch(ended, kEnglishTexts);
    EXPECT_EQ(stopped.look, IndicatorLook::NotWatching);
    EXPECT_EQ(stopped.tipLines, std::vector<std::string>{"The watcher ended (exit status 0)."});

    // Started by the window, not yet holding the lock: starting, not "not watching".
    WatchFacts justStarted;
    justStarted.liveIndexOn = true;
    justStarted.own.runningPid = 909;
    const WatchIndicator starting = DescribeWatch(justStarted, kEnglishTexts);
    EXPECT_EQ(starting.look, IndicatorLook::Starting);
    EXPECT_EQ(starting.tipLines, std::vector<std::string>{"Live index: starting (process 909)"});

    // A watcher that runs (another one took over) is what the indicator shows.
    ended.own.exitCode = 1;
    ended.watcherPid = 55;
    ended.state = stateOf(55, WatchPhase::Watching);
    EXPECT_EQ(DescribeWatch(ended, kEnglishTexts).look, IndicatorLook::Watching);
}

} // namespace
} // namespace vedra::watch
