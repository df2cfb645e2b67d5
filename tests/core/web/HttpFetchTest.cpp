// The fetch against a server on 127.0.0.1 that each test scripts: statuses, header
// forms, a long body, a stall, a redirect, a refused port, a proxy.
#include "core/app/HeadlessHost.h"
#include "core/app/Workspace.h"
#include "core/web/HttpFetch.h"

#include "support/TempFolder.h"
#include "support/TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

namespace vedra::web {
namespace {

using testing::TempFolder;
using testing::TestHttpServer;
namespace fs = std::filesystem;

constexpr const char* kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                           "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

// The tests must reach only their own server, whatever proxy the machine names.
class ProxyEnvironment {
public:
    ProxyEnvironment()
    {
        for (const char* name : kProxyVariables) {
            if (const char* value = std::getenv(name))
                m_saved[name] = value;
            ::unsetenv(name);
        }
    }
    ~ProxyEnvironment()
    {
        for (const char* name : kProxyVariables)
            ::unsetenv(name);
        for (const auto& [name, value] : m_saved)
            ::setenv(name.c_str(), value.c_str(), 1);
    }

private:
    std::map<std::string, std::string> m_saved;
};

class HttpFetch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ws = std::make_unique<app::Workspace>(host, testing::testProbe(folder.path()));
        ASSERT_EQ(ws->PrepareWorkspace(), 1);
        ws->setPumpInterval(std::chrono::milliseconds(0));
        destination = folder.slash() + "copy.bin";
    }

    std::int64_t fetch(std::string& address) { return FetchUrlToFile(*ws, results, address, kFetchChunkBytes, destination); }

    std::int64_t fileSize() const
    {
        std::error_code error;
        auto size = fs::file_size(destination, error);
        return error ? -1 : static_cast<std::int64_t>(size);
    }

    // What every fetch leaves behind, whatever its outcome.
    void expectRestored()
    {
        EXPECT_FALSE(ws->busy);
        EXPECT_EQ(host.title(), ws->windowTitle());
    }

    ProxyEnvironment proxies;
    TempFolder folder;
    app::HeadlessHost host;
    std::unique_ptr<app::Workspace> ws;
    TestHttpServer server;
    FetchErrors results;
    std::string destination;
};

TEST_F(HttpFetch, PageWithLengthIsWrittenAndItsPathReturnedInTheAddress)
{
    server.on("/page.html", TestHttpServer::answer(200, "Content-Type: text/html\r\nContent-Length: 11\r\n", "hello world"));
    destination = folder.slash() + std::string(40, 'n') + ".html";
    std::string address = server.url("/page.html");
    EXPECT_EQ(fetch(address), 11);
    EXPECT_EQ(testing::readFile(destination), "hello world");
    EXPECT_EQ(address, destination);
    // A long path is shortened on the status line to its head and tail.
    EXPECT_EQ(host.status(), destination.substr(0, 10) + "/../" + destination.substr(destination.size() - 38));
    EXPECT_EQ(host.progressLow(), 0);
    EXPECT_EQ(host.progressHigh(), 11);
    EXPECT_EQ(host.progressPosition(), 11);
    EXPECT_EQ(ws->webContentKind, kContentOther);
    EXPECT_EQ(ws->lastWebAddress, server.url("/page.html"));
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(host.messages().empty());
    expectRestored();

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].line, "GET /page.html HTTP/1.1");
    EXPECT_NE(requests[0].head.find("\r\nUser-Agent: Ventiquor - Educational search engine\r\n"), std::string::npos);
    EXPECT_NE(requests[0].head.find("\r\nCache-Control: no-cache\r\n"), std::string::npos);
}

TEST_F(HttpFetch, PageWithoutLengthStillDownloadsWithARangeOfOne)
{
    server.on("/stream", [](const TestHttpServer::Request&, TestHttpServer::Connection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
        connection.send(std::string(50000, 'x'));
        connection.send("end");
    });
    std::string address = server.url("/stream");
    EXPECT_EQ(fetch(address), 50003);
    EXPECT_EQ(fileSize(), 50003);
    EXPECT_EQ(host.progressHigh(), 1);
    expectRestored();
}

TEST_F(HttpFetch, NotFoundAddsOneErrorRowAndWritesNoFile)
{
    std::string address = server.url("/missing");
    EXPECT_EQ(fetch(address), 0);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].address, server.url("/missing"));
    EXPECT_EQ(results[0].text, "error>400");
    EXPECT_EQ(results[0].archiveNumber, ws->ArchiveNumber);
    EXPECT_FALSE(fs::exists(destination));
    EXPECT_EQ(address, server.url("/missing"));
    EXPECT_TRUE(host.messages().empty());
    expectRestored();
}

TEST_F(HttpFetch, ServerErrorWithoutBodyIsAnErrorRowToo)
{
    server.on("/broken", TestHttpServer::answer(503, "Content-Length: 0\r\n", ""));
    std::string address = server.url("/broken");
    EXPECT_EQ(fetch(address), 0);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].text, "error>400");
    EXPECT_FALSE(fs::exists(destination));
}

struct KindCase {
    const char* contentType;
    int kind;
};

class HttpFetchKind : public HttpFetch, public ::testing::WithParamInterface<KindCase> {};

TEST_P(HttpFetchKind, ContentTypeSetsTheContentKind)
{
    ws->webContentKind = 7;
    server.on("/doc", TestHttpServer::answer(200, std::string("Content-Type: ") + GetParam().contentType +
                                                      "\r\nContent-Length: 4\r\n",
                                             "%PDF"));
    std::string address = server.url("/doc");
    EXPECT_EQ(fetch(address), 4);
    EXPECT_EQ(ws->webContentKind, GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Types, HttpFetchKind,
                         ::testing::Values(KindCase{"application/pdf", kContentPdf}, KindCase{"application/zip", kContentPacked},
                                           KindCase{"application/octet-stream", kContentPacked},
                                           KindCase{"text/html; charset=utf-8", kContentOther}));

// The second half of the body is sent only once the first half is seen in the file:
// the fetch must write as it reads, not gather the body first.
TEST_F(HttpFetch, LargeBodyIsStreamedIntoTheFileChunkByChunk)
{
    constexpr std::size_t kHalf = 4 << 20;
    std::atomic<bool> firstHalfOnDisk{false};
    std::atomic<bool> seenBeforeSecondHalf{false};
    server.on("/big", [&](const TestHttpServer::Request&, TestHttpServer::Connection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(2 * kHalf) + "\r\nConnection: close\r\n\r\n");
        connection.send(std::string(kHalf, 'a'));
        seenBeforeSecondHalf = connection.waitUntil([&] { return firstHalfOnDisk.load(); });
        connection.send(std::string(kHalf, 'b'));
    });
    std::set<std::string> titles;
    host.setOnTitle([&](const std::string& title) { titles.insert(title); });
    host.setOnDrain([&](int) {
        EXPECT_TRUE(ws->busy);
        std::int64_t size = fileSize();
        if (size >= static_cast<std::int64_t>(kHalf))
            firstHalfOnDisk = true;
    });
    std::string address = server.url("/big");
    EXPECT_EQ(fetch(address), static_cast<std::int64_t>(2 * kHalf));
    EXPECT_TRUE(seenBeforeSecondHalf);
    EXPECT_EQ(fileSize(), static_cast<std::int64_t>(2 * kHalf));
    std::string bytes = testing::readFile(destination);
    EXPECT_EQ(bytes.find_first_not_of('a'), kHalf);
    EXPECT_EQ(bytes.find_first_not_of('b', kHalf), std::string::npos);
    EXPECT_EQ(host.progressHigh(), static_cast<int>(2 * kHalf));
    EXPECT_EQ(host.progressPosition(), static_cast<int>(2 * kHalf));
    // The title blinks between the two suffixes while bytes arrive.
    EXPECT_TRUE(titles.count(ws->windowTitle() + " .") && titles.count(ws->windowTitle() + ". "));
    expectRestored();
}

TEST_F(HttpFetch, EscapeOnAStalledServerEndsTheFetchAndKeepsTheBytes)
{
    std::atomic<bool> released{false};
    server.on("/stall", [&](const TestHttpServer::Request&, TestHttpServer::Connection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\nConnection: close\r\n\r\n");
        connection.send(std::string(5000, 's'));
        connection.waitUntil([&] { return released.load(); });
    });
    bool pressed = false;
    host.setOnDrain([&](int) {
        if (!pressed && fileSize() == 5000) {
            host.pressEscape();
            pressed = true;
        }
    });
    std::string address = server.url("/stall");
    EXPECT_EQ(fetch(address), 5000);
    released = true;
    EXPECT_EQ(fileSize(), 5000);
    EXPECT_EQ(ws->BreakCode, app::StopCode::Break);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Do you want to suspend current operation?");
    EXPECT_EQ(address, destination);
    expectRestored();
}

TEST_F(HttpFetch, EscapeDeclinedLetsTheFetchFinish)
{
    server.on("/page", TestHttpServer::answer(200, "Content-Length: 3\r\n", "abc"));
    host.pressEscape();
    host.queueAnswer(app::MessageAnswer::Cancel);
    std::string address = server.url("/page");
    EXPECT_EQ(fetch(address), 3);
    EXPECT_EQ(ws->BreakCode, app::StopCode::None);
    EXPECT_EQ(host.messages().size(), 1u);
}

TEST_F(HttpFetch, RedirectIsFollowedAndTheLastAnswerCounts)
{
    server.on("/old", TestHttpServer::answer(302, "Location: /new.pdf\r\nContent-Type: text/html\r\nContent-Length: 5\r\n",
                                             "moved"));
    server.on("/new.pdf", TestHttpServer::answer(200, "Content-Type: application/pdf\r\nContent-Length: 8\r\n", "%PDF-1.4"));
    std::string address = server.url("/old");
    EXPECT_EQ(fetch(address), 8);
    EXPECT_EQ(testing::readFile(destination), "%PDF-1.4");
    EXPECT_EQ(ws->webContentKind, kContentPdf);
    EXPECT_EQ(host.progressHigh(), 8);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].target, "/new.pdf");
}

TEST_F(HttpFetch, RefusedConnectionReturnsZeroAndShowsNothing)
{
    // A bound socket that does not listen: connecting to it is refused.
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof bound;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&bound), sizeof bound), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &size), 0);
    std::string url = "http://127.0.0.1:" + std::to_string(ntohs(bound.sin_port)) + "/x";
    std::string address = url;
    EXPECT_EQ(fetch(address), 0);
    ::close(fd);
    EXPECT_EQ(address, url);
    EXPECT_TRUE(results.empty());
    EXPECT_TRUE(host.messages().empty());
    EXPECT_FALSE(fs::exists(destination));
    expectRestored();
}

TEST_F(HttpFetch, ServerThatAnswersNothingGivesARequestErrorRow)
{
    server.on("/silent", [](const TestHttpServer::Request&, TestHttpServer::Connection&) {});
    std::string address = server.url("/silent");
    EXPECT_EQ(fetch(address), 0);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].text.rfind("HttpSendRequest Error: ", 0), 0u);
    EXPECT_EQ(address, server.url("/silent"));
}

TEST_F(HttpFetch, ReadFailingMidwayReturnsZeroAndKeepsTheBytes)
{
    server.on("/cut", [](const TestHttpServer::Request&, TestHttpServer::Connection& connection) {
        connection.send("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nConnection: close\r\n\r\n0123456789");
    });
    std::string address = server.url("/cut");
    EXPECT_EQ(fetch(address), 0);
    EXPECT_EQ(testing::readFile(destination), "0123456789");
    EXPECT_EQ(address, destination);
    expectRestored();
}

TEST_F(HttpFetch, TextInFrontIsDroppedAndAccentsAreSentEscaped)
{
    server.on("/caff%C3%A9", TestHttpServer::answer(200, "Content-Length: 2\r\n", "ok"));
    std::string address = "Link: " + server.url("/caff\xE9");
    EXPECT_EQ(fetch(address), 2);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/caff%C3%A9");
    EXPECT_EQ(ws->webAddress, server.url("/caff%C3%A9"));
}

TEST_F(HttpFetch, LeadingBlankFetchesNothing)
{
    std::string address = " " + server.url("/page");
    EXPECT_EQ(fetch(address), 0);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_EQ(address, " " + server.url("/page"));
    EXPECT_FALSE(fs::exists(destination));
    expectRestored();
}

TEST_F(HttpFetch, DestinationOf260CharactersIsNotOpened)
{
    server.on("/page", TestHttpServer::answer(200, "Content-Length: 2\r\n", "ok"));
    destination = folder.slash() + std::string(260 - folder.slash().size(), 'd');
    ASSERT_EQ(destination.size(), 260u);
    std::string address = server.url("/page");
    EXPECT_EQ(fetch(address), 0);
    EXPECT_FALSE(fs::exists(destination));
    EXPECT_EQ(address, destination);
    expectRestored();
}

TEST_F(HttpFetch, WriteErrorStopsTheFetchWithTheWriteMessage)
{
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full to make the disk full";
    server.on("/page", TestHttpServer::answer(200, "Content-Length: 5\r\n", "hello"));
    destination = "/dev/full";
    std::string address = server.url("/page");
    EXPECT_EQ(fetch(address), 0);
    EXPECT_EQ(ws->BreakCode, app::StopCode::Break);
    ASSERT_EQ(host.messages().size(), 1u);
    EXPECT_EQ(host.messages()[0].text, "Writing error.");
    expectRestored();
}

TEST_F(HttpFetch, ProxyFromTheEnvironmentIsUsed)
{
    server.onAny(TestHttpServer::answer(200, "Content-Length: 5\r\n", "proxy"));
    ::setenv("http_proxy", server.url("").c_str(), 1);
    std::string address = "http://vedra-test.invalid/page";
    EXPECT_EQ(fetch(address), 5);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].line, "GET http://vedra-test.invalid/page HTTP/1.1");
}

} // namespace
} // namespace vedra::web
