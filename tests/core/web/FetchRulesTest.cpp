// The address rules of the fetch: what is fetched, how accents and unsafe bytes are
// sent, and what the response headers say.
#include "core/web/HttpFetch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace vedra::web {
namespace {

std::string accentsEscaped(std::string text)
{
    EscapeUrlAccents(text);
    return text;
}

TEST(NormaliseFetchAddress, TextInFrontIsDroppedAndTheSchemeAdded)
{
    EXPECT_EQ(NormaliseFetchAddress("Link: www.example.com/a"), "http://www.example.com/a");
    EXPECT_EQ(NormaliseFetchAddress("see http://example.com/a"), "http://example.com/a");
    EXPECT_EQ(NormaliseFetchAddress("example.com/a"), "http://example.com/a");
    // An "http://" in front wins over a later "www.".
    EXPECT_EQ(NormaliseFetchAddress("x http://a.org/www.b"), "http://a.org/www.b");
}

TEST(NormaliseFetchAddress, HttpsKeepsItsScheme)
{
    EXPECT_EQ(NormaliseFetchAddress("https://www.example.com/a"), "https://www.example.com/a");
    EXPECT_EQ(NormaliseFetchAddress("go https://example.com"), "https://example.com");
}

TEST(NormaliseFetchAddress, NothingIsFetchedForABlankStartOrAnOverlongAddress)
{
    EXPECT_EQ(NormaliseFetchAddress(""), "");
    EXPECT_EQ(NormaliseFetchAddress(" http://example.com"), "");
    EXPECT_EQ(NormaliseFetchAddress("/etc/passwd"), "");
    EXPECT_EQ(NormaliseFetchAddress("http://e.org/" + std::string(1100, 'a')), "");
    // A first byte from 0x80 up is a letter, not something below '0'.
    EXPECT_EQ(NormaliseFetchAddress("\xE9t\xE9.org"), "http://\xE9t\xE9.org");
}

TEST(EscapeUrlAccents, Cp1252AccentsAreSentAsUtf8Escapes)
{
    EXPECT_EQ(accentsEscaped("http://h/caff\xE9"), "http://h/caff%C3%A9");
    EXPECT_EQ(accentsEscaped("\xE8\xE9"), "%C3%A8%C3%A9");
}

TEST(EscapeUrlAccents, Utf8PairsFollowTheFixedRules)
{
    EXPECT_EQ(accentsEscaped("k\xC3\xB6ln"), "k%C3%B6ln");
    EXPECT_EQ(accentsEscaped("\xC3\xA8"), "\xE8");
    EXPECT_EQ(accentsEscaped("\xC3\xB3"), "\xF3");
    EXPECT_EQ(accentsEscaped("\xC3\xA9"), "\xE9");
    EXPECT_EQ(accentsEscaped("citt\xC3\xA0"), "citt\xE0");
    EXPECT_EQ(accentsEscaped("l\xE2\x80\x99x"), "l%E2%80%99x");
    EXPECT_EQ(accentsEscaped("\xE2\xC3x"), "\xE0x");
    // A C3 or E2 followed by a plain character stops its rule.
    EXPECT_EQ(accentsEscaped("\xC3x\xC3\xB3"), "\xC3x\xC3\xB3");
}

TEST(EscapeUrlAccents, BytesAtTheEndAreNeverReadPast)
{
    EXPECT_EQ(accentsEscaped("a\xC3"), "a\xE0");
    EXPECT_EQ(accentsEscaped("a\xE2"), "a%E2%80%99");
    EXPECT_EQ(accentsEscaped("a\xE2\x80"), "a%E2%80%99");
    // Every byte escaped to six: the text grows, nothing is cut.
    std::string many(1023, '\xE9');
    EXPECT_EQ(accentsEscaped(many).size(), 1023u * 6);
}

TEST(EscapeUnsafeUrlBytes, BlanksControlsAndHighBytesAreEscaped)
{
    std::string address = "http://h/a b\r\n\xE0%41";
    EscapeUnsafeUrlBytes(address);
    EXPECT_EQ(address, "http://h/a%20b%0D%0A%E0%41");
}

TEST(ParseResponseHeaders, LengthKindAndErrorStatus)
{
    int kind = -1;
    std::string headers = "HTTP/1.1 200 OK\r\nContent-Type: application/PDF\r\nContent-Length:   1234\r\n";
    EXPECT_EQ(ParseResponseHeaders(headers, kind), 1234);
    EXPECT_EQ(kind, kContentPdf);
    EXPECT_EQ(headers, "http/1.1 200 ok\r\ncontent-type: application/pdf\r\ncontent-length:   1234\r\n");

    headers = "HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\n";
    EXPECT_EQ(ParseResponseHeaders(headers, kind), 1);
    EXPECT_EQ(kind, kContentPacked);
    headers = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: x\r\n";
    EXPECT_EQ(ParseResponseHeaders(headers, kind), 0);
    EXPECT_EQ(kind, kContentOther);
    headers = "HTTP/1.1 200 OK\r\nContent-Type: x-compress\r\n";
    ParseResponseHeaders(headers, kind);
    EXPECT_EQ(kind, kContentPacked);

    headers = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n";
    EXPECT_EQ(ParseResponseHeaders(headers, kind), -404);
    EXPECT_EQ(headers, "http/1.1 404 not found\r\ncontent-length: 9\r\n");
}

TEST(ParseResponseHeaders, AHugeLengthSaturatesInsteadOfOverflowing)
{
    int kind = 0;
    std::string headers = "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999999\r\n";
    EXPECT_EQ(ParseResponseHeaders(headers, kind), INT64_MAX);
}

} // namespace
} // namespace vedra::web
