#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace vedra::app {
namespace {

using testing::TempFolder;

class MessagePump : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
    }

    TempFolder folder;
    HeadlessHost host;
    std::unique_ptr<Workspace> ws;
};

TEST_F(MessagePump, EscapeAsksInTheCurrentLanguageAndOkSetsTheGivenBreakValue)
{
    ws->SetLanguage(0);
    host.pressEscape();
    ws->PumpPendingMessages(app::StopCode::Break);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Vuoi SOSPENDERE l'operazione in corso?");
    EXPECT_EQ(host.messages()[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(ws->BreakCode, app::StopCode::Break);
}

TEST_F(MessagePump, CancelLetsTheOperationGoOn)
{
    ws->SetLanguage(2);
    host.queueAnswer(MessageAnswer::Cancel);
    host.pressEscape();
    ws->PumpPendingMessages();
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "¿Quieres abortar la operación en curso?");
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
}

TEST_F(MessagePump, WithoutEscapeNothingIsAsked)
{
    ws->PumpPendingMessages();
    ws->PumpPendingMessages();
    EXPECT_EQ(host.drainCount(), 2);
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
}

TEST_F(MessagePump, DrainsAreThrottled)
{
    ws->setPumpInterval(std::chrono::milliseconds(200));
    for (int i = 0; i < 1000; ++i)
        ws->PumpPendingMessages();
    EXPECT_EQ(host.drainCount(), 1) << "a pump per word must cost nothing";
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    ws->PumpPendingMessages();
    EXPECT_EQ(host.drainCount(), 2);
}

TEST_F(MessagePump, BreakSetDuringADrainIsSeenByTheCaller)
{
    host.setOnDrain([this](int) { ws->BreakCode = app::StopCode::Break; });
    int units = 0;
    for (; units < 100; ++units) {
        ws->PumpPendingMessages();
        if (ws->BreakCode != app::StopCode::None)
            break;
    }
    EXPECT_EQ(units, 0);
}

TEST_F(MessagePump, LanguageSwitchChangesTheNextMessage)
{
    ws->SetLanguage(1);
    ws->showMessage(MessageKey::MsgWriteError);
    ws->SetLanguage(0);
    ws->showMessage(MessageKey::MsgWriteError);
    ws->SetLanguage(7);
    ws->showMessage(MessageKey::MsgWriteError);
    ASSERT_EQ(host.messages().size(), 3u);
    EXPECT_EQ(host.messages()[0].text, "Writing error.");
    EXPECT_EQ(host.messages()[1].text, "ERRORE in SCRITTURA");
    EXPECT_EQ(host.messages()[2].text, "Error de escritura");
}

TEST(HeadlessHostTest, AnswersFromScriptThenDefaultAndEchoes)
{
    HeadlessHost host;
    std::ostringstream echo;
    host.setEcho(&echo);
    host.queueAnswer(MessageAnswer::No);
    EXPECT_EQ(host.messageBox("first?", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(host.messageBox("plain", MessageButtons::Ok), MessageAnswer::Ok);
    EXPECT_EQ(host.messageBox("second?", MessageButtons::OkCancel), MessageAnswer::Ok);
    host.setAcceptByDefault(false);
    EXPECT_EQ(host.messageBox("third?", MessageButtons::YesNoCancel), MessageAnswer::Cancel);
    EXPECT_EQ(host.messageBox("fourth?", MessageButtons::YesNo), MessageAnswer::No);
    EXPECT_EQ(host.messages().size(), 5u);
    EXPECT_EQ(echo.str(), "first? [No]\nplain\nsecond? [OK]\nthird? [Cancel]\nfourth? [No]\n");
}

} // namespace
} // namespace vedra::app
