// A small HTTP/1.1 server on 127.0.0.1 for the fetch tests: one thread, an
// ephemeral port, one request per connection. Each test says how a path is
// answered; the server keeps every request it read. Nothing leaves the machine.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace vedra::testing {

class TestHttpServer {
public:
    struct Request {
        std::string line;  // "GET /path HTTP/1.1"
        std::string target;
        std::string head;  // the request line and headers, as sent
    };

    class Connection {
    public:
        Connection(int fd, const std::atomic<bool>& stopping) : m_fd(fd), m_stopping(stopping) {}
        // Sends all bytes; false once the client has gone.
        bool send(const std::string& bytes)
        {
            std::size_t sent = 0;
            while (sent < bytes.size()) {
                ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    return false;
                sent += static_cast<std::size_t>(n);
            }
            return true;
        }
        // Waits until `done` holds, the server stops or 20 s have passed (a broken
        // client must fail its test, not hang it). Returns whether `done` held.
        bool waitUntil(const std::function<bool()>& done) const
        {
            auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!m_stopping && !done() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return done();
        }

    private:
        int m_fd;
        const std::atomic<bool>& m_stopping;
    };

    using Handler = std::function<void(const Request&, Connection&)>;

    TestHttpServer()
    {
        m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        socklen_t size = sizeof address;
        if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(m_listen, 16) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("test server: cannot listen on 127.0.0.1");
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~TestHttpServer()
    {
        m_stopping = true;
        m_thread.join();
        ::close(m_listen);
    }
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int port() const { return m_port; }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

    // Set before the fetch starts. A path without a handler is answered 404.
    void on(const std::string& target, Handler handler)
    {
        std::lock_guard lock(m_mutex);
        m_handlers[target] = std::move(handler);
    }
    // Every target answered with this handler, for a server that stands as a proxy.
    void onAny(Handler handler)
    {
        std::lock_guard lock(m_mutex);
        m_fallback = std::move(handler);
    }

    std::vector<Request> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    // A whole answer in one go; `headers` lines end in "\r\n".
    static std::string response(int status, const std::string& headers, const std::string& body)
    {
        return "HTTP/1.1 " + std::to_string(status) + " X\r\n" + headers + "Connection: close\r\n\r\n" + body;
    }
    static Handler answer(int status, const std::string& headers, const std::string& body)
    {
        return [=](const Request&, Connection& connection) { connection.send(response(status, headers, body)); };
    }

private:
    void serve()
    {
        while (!m_stopping) {
            pollfd ready{m_listen, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0)
                continue;
            int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            handle(fd);
            ::shutdown(fd, SHUT_RDWR);
            ::close(fd);
        }
    }

    void handle(int fd)
    {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && !m_stopping) {
            pollfd ready{fd, POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0)
                continue;
            ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        Request request;
        request.head = head.substr(0, head.find("\r\n\r\n"));
        request.line = head.substr(0, head.find("\r\n"));
        auto first = request.line.find(' ');
        auto second = request.line.find(' ', first + 1);
        if (first != std::string::npos && second != std::string::npos)
            request.target = request.line.substr(first + 1, second - first - 1);
        Handler handler;
        {
            std::lock_guard lock(m_mutex);
            m_requests.push_back(request);
            auto found = m_handlers.find(request.target);
            handler = found != m_handlers.end() ? found->second : m_fallback;
        }
        Connection connection(fd, m_stopping);
        if (handler)
            handler(request, connection);
        else
            connection.send(response(404, "Content-Length: 9\r\n", "not found"));
    }

    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::map<std::string, Handler> m_handlers;
    Handler m_fallback;
    std::vector<Request> m_requests;
    std::thread m_thread;
};

} // namespace vedra::testing
