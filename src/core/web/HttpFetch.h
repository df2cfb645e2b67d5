// Copies one web page or file, named by a web address, into a local file over
// HTTP(S) with libcurl. The only network code of the program. It runs on the
// caller's thread: between chunks it pumps the host (Escape asks whether to stop)
// and tests BreakCode, while the progress bar advances and the title blinks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vedra::app {
class Workspace;
}

namespace vedra::web {

// A fetch that failed before or with the server's answer leaves one of these: the
// search puts it in the result list as a web row of the current archive, the
// address in the path column and the text in the words column.
struct FetchErrorRow {
    std::string address;
    std::string text;
    std::int32_t archiveNumber = 0;
};
using FetchErrors = std::vector<FetchErrorRow>;

// What the response's content type says; text extraction reads it from
// Workspace::webContentKind.
inline constexpr int kContentOther = 0;    // text, HTML and the rest
inline constexpr int kContentPdf = 1;
inline constexpr int kContentPacked = 2;   // application, zip or compressed data

inline constexpr std::size_t kFetchChunkBytes = 32000;
inline constexpr std::size_t kResponseHeaderBytes = 4000;
// A destination path of this many characters or more is not opened.
inline constexpr std::size_t kMaxDestinationLength = 260;
inline constexpr const char* kAgentName = "Ventiquor - Educational search engine";

// The address that is fetched: empty (nothing to fetch) when the text is empty,
// starts below '0' (a blank, punctuation, a control byte) or is longer than
// kMaxAddressLength. Text in front of an "http://" or "https://" found after the
// first character is dropped, else text in front of a "www." found there; "http://"
// is put in front of an address that names no scheme.
std::string NormaliseFetchAddress(std::string_view address);

// Escapes the accented letters of an address the way the archives' pages were
// requested: cp1252 "é" and "è" become "%C3%A9" and "%C3%A8", then UTF-8 pairs
// C3 xx and E2 xx are rewritten by the fixed rules (C3 B6 escaped, C3 A8/B3/A9
// back to single bytes, other C3 pairs to "à"; E2 C3 to "à", other E2 triples to
// "%E2%80%99"). Each rule stops at a C3 or E2 followed by a byte from '0' to 'z'.
void EscapeUrlAccents(std::string& address);

// Percent-escapes what a request line cannot carry raw: bytes from 0x80 up, blanks
// and control bytes. Run after EscapeUrlAccents.
void EscapeUnsafeUrlBytes(std::string& address);

// Reads the raw response headers (lines separated by CR LF), lower-casing them in
// place. Returns -404 when the status line holds "40", else the number after
// "length:" (0 when no digits follow; saturated, never overflowing), else 1 when
// no length is announced. Sets `contentKind` from the text from "content-type" on.
std::int64_t ParseResponseHeaders(std::string& headers, int& contentKind);

// Fetches `address` into `destinationPath` in chunks of `chunkSize` bytes (every
// caller passes kFetchChunkBytes) and returns the bytes written; 0 when nothing was
// fetched or a read failed midway (the bytes already written then stay). When the
// server's answer was accepted, `address` is replaced by `destinationPath` and the
// path is shown on the status line. A refused or unresolved address returns 0 and
// shows nothing; a failed status query, a status of 400 or more or a failed header
// query add one error row to `errors`. Escape (confirmed) or BreakCode end the fetch after the current chunk;
// the count of the bytes so far is returned. The busy flag is set for the whole
// fetch and the title is restored on every exit.
std::int64_t FetchUrlToFile(app::Workspace& workspace, FetchErrors& errors, std::string& address,
                            std::size_t chunkSize, const std::string& destinationPath);

} // namespace vedra::web
