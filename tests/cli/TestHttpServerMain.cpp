// The test server of the fetch tests as a program, for the `vedra fetch` shell test:
// prints its port, serves a few fixed pages on 127.0.0.1 and ends when its standard
// input closes.
#include "support/TestHttpServer.h"

#include <iostream>
#include <string>

int main()
{
    using vedra::testing::TestHttpServer;
    TestHttpServer server;
    server.on("/page.html", TestHttpServer::answer(200, "Content-Type: text/html\r\nContent-Length: 5\r\n", "hello"));
    server.on("/paper.pdf", TestHttpServer::answer(200, "Content-Type: application/pdf\r\nContent-Length: 8\r\n", "%PDF-1.4"));
    server.on("/caff%C3%A9", TestHttpServer::answer(200, "Content-Length: 6\r\n", "coffee"));
    std::cout << server.port() << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    return 0;
}
