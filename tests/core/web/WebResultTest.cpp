// Opening web results: the local copy is fetched once and then stands for the page.
#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/web/UrlRules.h"
#include "core/web/WebResult.h"

#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace vedra::web {
namespace {

using testing::TempFolder;
using testing::TestHttpServer;
namespace fs = std::filesystem;

class WebResultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            ::unsetenv(name);
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        ws->ArchiveFilesFolder = folder.slash() + "C_WEB_1/Files/";
        ws->RedirectFolder.clear();
    }

    TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
    TestHttpServer server;
    FetchErrors results;
};

TEST_F(WebResultTest, OpenedTwiceTheResultIsFetchedOnce)
{
    server.on("/dir/page.html", TestHttpServer::answer(200, "Content-Length: 4\r\n", "page"));
    auto first = ResolveWebResult(*ws, results, server.url("/dir/page.html"));
    EXPECT_EQ(first.code, 1);
    EXPECT_TRUE(first.fetched);
    EXPECT_EQ(first.localPath, ws->ArchiveFilesFolder + "page.html");
    EXPECT_EQ(testing::readFile(first.localPath), "page");

    auto second = ResolveWebResult(*ws, results, server.url("/dir/page.html"));
    EXPECT_EQ(second.code, 1);
    EXPECT_FALSE(second.fetched);
    EXPECT_EQ(second.localPath, first.localPath);
    EXPECT_EQ(server.requests().size(), 1u);
    EXPECT_TRUE(host.messages().empty());
}

TEST_F(WebResultTest, RedirectFolderHoldsTheCopyWhenSet)
{
    ws->RedirectFolder = folder.slash() + "home/C_WEB_1_rep/";
    server.on("/a", TestHttpServer::answer(200, "Content-Length: 1\r\n", "a"));
    auto result = ResolveWebResult(*ws, results, server.url("/a"));
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.localPath, ws->RedirectFolder + "a");
    EXPECT_TRUE(fs::is_regular_file(result.localPath));
}

TEST_F(WebResultTest, AddressCharactersAreEscapedInTheNameAndUndoneForDisplay)
{
    const std::string target = "/find?q=a:b";
    server.on(target, TestHttpServer::answer(200, "Content-Length: 2\r\n", "ok"));
    auto result = ResolveWebResult(*ws, results, server.url(target));
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(fs::path(result.localPath).filename(), "find%3Fq%3Da%3Ab");
    EXPECT_EQ(result.shownAddress, server.url(target));
    // The folder's own separators are kept: the copy is inside the files folder.
    EXPECT_EQ(fs::path(result.localPath).parent_path(), fs::path(ws->ArchiveFilesFolder).parent_path());
}

TEST_F(WebResultTest, HostileAddressStaysInsideTheFilesFolder)
{
    server.onAny(TestHttpServer::answer(200, "Content-Length: 3\r\n", "bad"));
    for (std::string tail : {"/..", "/x/%2E%2E", "/.", "/a/../../escape"}) {
        auto result = ResolveWebResult(*ws, results, server.url(tail));
        EXPECT_EQ(result.code, 1) << tail;
        EXPECT_EQ(fs::path(result.localPath).parent_path(), fs::path(ws->ArchiveFilesFolder).parent_path()) << tail;
        EXPECT_TRUE(fs::is_regular_file(result.localPath)) << result.localPath;
    }
    EXPECT_FALSE(fs::exists(folder.path() / "escape"));
    EXPECT_FALSE(fs::exists(folder.path() / "C_WEB_1" / "escape"));
}

TEST_F(WebResultTest, AnsweredButUnreadableShowsTheMessageAndLeavesNoCopy)
{
    server.on("/cut", [](const TestHttpServer::Request&, TestHttpServer::Connection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\nabc");
    });
    auto result = ResolveWebResult(*ws, results, server.url("/cut"));
    EXPECT_EQ(result.code, kWebResultNotAvailable);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "It is impossible to read the file:\nTray again, if the error persists, verify "
                                       "the file path.\n" + server.url("/cut"));
    // The cut copy is not kept: the next opening asks the server again.
    EXPECT_FALSE(fs::exists(result.localPath));
    server.on("/cut", TestHttpServer::answer(200, "Content-Length: 3\r\n", "abc"));
    EXPECT_EQ(ResolveWebResult(*ws, results, server.url("/cut")).code, 1);
}

TEST_F(WebResultTest, AFetchStoppedByBreakLeavesNoCopyToStandForThePage)
{
    std::atomic<bool> released{false};
    server.on("/slow", [&](const TestHttpServer::Request&, TestHttpServer::Connection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n");
        connection.send(std::string(5000, 's'));
        connection.waitUntil([&] { return released.load(); });
    });
    const std::string local = LocalCopyPath(*ws, server.url("/slow"));
    host.setOnDrain([&](int) {
        std::error_code error;
        if (fs::file_size(local, error) == 5000 && !error)
            ws->BreakCode = app::StopCode::Break;  // the Break button, pressed while bytes arrive
    });
    auto result = ResolveWebResult(*ws, results, server.url("/slow"));
    host.setOnDrain(nullptr);
    released = true;
    EXPECT_EQ(result.code, kWebResultNotAvailable);
    EXPECT_FALSE(fs::exists(local));
    // Stopping is the user's word: nothing to say about it.
    EXPECT_TRUE(host.messages().empty());
    EXPECT_TRUE(results.empty());

    server.on("/slow", TestHttpServer::answer(200, "Content-Length: 4\r\n", "full"));
    auto again = ResolveWebResult(*ws, results, server.url("/slow"));
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(testing::readFile(local), "full");
}

TEST_F(WebResultTest, NotFoundIsAnErrorRowWithoutMessage)
{
    auto result = ResolveWebResult(*ws, results, server.url("/nothing"));
    EXPECT_EQ(result.code, kWebResultNotAvailable);
    EXPECT_TRUE(host.messages().empty());
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].text, "error>400");
}

TEST_F(WebResultTest, OverlongAddressIsNotHandled)
{
    auto result = ResolveWebResult(*ws, results, server.url("/" + std::string(1100, 'a')));
    EXPECT_EQ(result.code, kWebResultNotAvailable);
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(WebResultTest, WithoutAnArchiveTheCopyGoesToTheDownloadFolder)
{
    ws->ArchiveFilesFolder.clear();
    std::string local = LocalCopyPath(*ws, "www.e.org/");
    EXPECT_EQ(local, ws->WorkingFolder + "download_vedratemp/www.e.org%2F");
    // Such a copy is known again as the page it stands for.
    auto known = ClassifyResultPath(local);
    EXPECT_EQ(known.kind, 'w');
    EXPECT_EQ(known.path, "www.e.org/");
}

} // namespace
} // namespace vedra::web
