// libcurl stands in for the system's own HTTP library. The transfer is driven by a
// multi handle on the caller's thread, so that between chunks the host is pumped
// (Escape, Break) exactly as the rest of the program's long loops do, and a server
// that stalls never holds the window. The body goes from curl's receive buffer
// straight into the file: the page is never held whole.
//
// The system's library reported the status and the headers through separate
// queries after the address was opened. Here the answer is judged when its first
// body bytes arrive (or when it ends without a body): the status is known then, and
// the headers of the last answer are the ones kept (a redirect's are dropped).
#include "core/web/HttpFetch.h"

#include "core/app/MessageFormat.h"
#include "core/app/Workspace.h"
#include "core/io/FileHandle.h"
#include "core/web/UrlRules.h"

#include <curl/curl.h>
#include <dlfcn.h>
#include <sys/auxv.h>

#include <algorithm>
#include <climits>
#include <mutex>
#include <optional>

namespace vedra::web {
namespace {

// The Break command's value of BreakCode.
// How long one wait for network activity may last before the host is pumped again.
constexpr int kPollMilliseconds = 50;
constexpr long kMaxRedirects = 10;
constexpr std::size_t kStatusPathLength = 55;

std::string lowerCopy(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

bool isWordRangeByte(char c)
{
    return c >= '0' && c <= 'z';
}

// "/home/user/a/very/long/path" as the status line shows it: the first 10
// characters, "/../" and the last 38.
std::string shortenedForStatus(const std::string& path)
{
    if (path.size() < kStatusPathLength)
        return path;
    return path.substr(0, 10) + "/../" + path.substr(path.size() - 38);
}

int clampToInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX));
}

// Errors that mean the address could not be opened at all: no message, no row, as
// when the system's library failed to open the address.
bool isOpenFailure(CURLcode code)
{
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
        return true;
    default:
        return false;
    }
}

// libcurl and the TLS, HTTP/2 and directory libraries it pulls in take several
// milliseconds to load: every `vedra` process would pay for them, though few fetch.
// The library is loaded at the first fetch instead.
struct CurlLibrary {
    CURLcode (*global_init)(long flags) = nullptr;
    CURL* (*easy_init)() = nullptr;
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...) = nullptr;
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...) = nullptr;
    void (*easy_cleanup)(CURL*) = nullptr;
    CURLM* (*multi_init)() = nullptr;
    CURLMcode (*multi_add_handle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multi_remove_handle)(CURLM*, CURL*) = nullptr;
    CURLMcode (*multi_perform)(CURLM*, int*) = nullptr;
    CURLMcode (*multi_poll)(CURLM*, struct curl_waitfd[], unsigned int, int, int*) = nullptr;
    CURLMsg* (*multi_info_read)(CURLM*, int*) = nullptr;
    CURLMcode (*multi_cleanup)(CURLM*) = nullptr;
    curl_slist* (*slist_append)(curl_slist*, const char*) = nullptr;
    void (*slist_free_all)(curl_slist*) = nullptr;
    bool loaded = false;
};

template <typename Function>
bool bind(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

// The loaded library, or nullptr when it is missing (a fetch then gets nothing).
const CurlLibrary* curlLibrary()
{
    static CurlLibrary curl;
    static std::once_flag once;
    std::call_once(once, [] {
        // A statically linked process (no program interpreter) would load a second
        // C library beside its own, and the library's resolver threads crash there.
        if (::getauxval(AT_BASE) == 0)
            return;
        void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return;
        curl.loaded = bind(library, "curl_global_init", curl.global_init) &&
                      bind(library, "curl_easy_init", curl.easy_init) &&
                      bind(library, "curl_easy_setopt", curl.easy_setopt) &&
                      bind(library, "curl_easy_getinfo", curl.easy_getinfo) &&
                      bind(library, "curl_easy_cleanup", curl.easy_cleanup) &&
                      bind(library, "curl_multi_init", curl.multi_init) &&
                      bind(library, "curl_multi_add_handle", curl.multi_add_handle) &&
                      bind(library, "curl_multi_remove_handle", curl.multi_remove_handle) &&
                      bind(library, "curl_multi_perform", curl.multi_perform) &&
                      bind(library, "curl_multi_poll", curl.multi_poll) &&
                      bind(library, "curl_multi_info_read", curl.multi_info_read) &&
                      bind(library, "curl_multi_cleanup", curl.multi_cleanup) &&
                      bind(library, "curl_slist_append", curl.slist_append) &&
                      bind(library, "curl_slist_free_all", curl.slist_free_all);
        if (curl.loaded)
            curl.loaded = curl.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    });
    return curl.loaded ? &curl : nullptr;
}

enum class Stage {
    Waiting,    // no answer judged yet
    Streaming,  // answer accepted, file open
    Refused,    // error row added, or the file could not be made: nothing more is read
};

class Fetch {
public:
    Fetch(app::Workspace& workspace, FetchErrors& errors, const std::string& destinationPath)
        : m_ws(workspace), m_errors(errors), m_destination(destinationPath),
          m_savedTitle(workspace.windowTitle())
    {
    }

    std::int64_t run(std::size_t chunkSize);
    bool accepted() const { return m_accepted; }
    const std::string& savedTitle() const { return m_savedTitle; }

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self)
    {
        return static_cast<Fetch*>(self)->header(data, size * count);
    }
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self)
    {
        return static_cast<Fetch*>(self)->body(data, size * count);
    }

private:
    std::size_t header(const char* data, std::size_t length);
    std::size_t body(const char* data, std::size_t length);
    void judgeAnswer();
    void addErrorRow(const std::string& text);

    app::Workspace& m_ws;
    FetchErrors& m_errors;
    const std::string& m_destination;
    std::string m_savedTitle;
    std::string m_suffix = " .";
    CURL* m_easy = nullptr;
    std::string m_headers;
    Stage m_stage = Stage::Waiting;
    bool m_accepted = false;
    bool m_writeFailed = false;
    std::optional<io::FileHandle> m_file;
    std::int64_t m_total = 0;
};

std::size_t Fetch::header(const char* data, std::size_t length)
{
    std::string_view line(data, length);
    // Every answer (a redirect, an interim 100) starts a new header block.
    if (StartsWithNoCase(line, "http/"))
        m_headers.clear();
    // The system kept the headers in a 4000-byte buffer: what does not fit is not
    // looked at, but it does not make the fetch fail either.
    std::size_t room = kResponseHeaderBytes - 1 - std::min(m_headers.size(), kResponseHeaderBytes - 1);
    m_headers.append(line.substr(0, room));
    return length;
}

void Fetch::addErrorRow(const std::string& text)
{
    m_errors.push_back({m_ws.webAddress, text, m_ws.ArchiveNumber});
    m_stage = Stage::Refused;
}

void Fetch::judgeAnswer()
{
    long status = 0;
    CURLcode query = curlLibrary()->easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
    if (query != CURLE_OK || status <= 0) {
        addErrorRow(app::formatMessage("HttpSendRequest Error: %d", {static_cast<long>(query)}));
        return;
    }
    if (status >= 400) {
        addErrorRow("error>400");
        return;
    }
    if (m_headers.empty()) {
        addErrorRow(app::formatMessage("HttpQueryInfo Error: %d", {static_cast<long>(CURLE_RECV_ERROR)}));
        return;
    }
    std::int64_t length = ParseResponseHeaders(m_headers, m_ws.webContentKind);
    // -404 (an odd status line) and 0 show as an unknown length.
    m_ws.host().setProgressRange(0, std::max(1, clampToInt(length)));
    m_ws.host().setProgressPosition(0);
    m_accepted = true;
    if (m_destination.size() < kMaxDestinationLength)
        m_file = io::FileHandle::open(m_destination, io::OpenMode::CreateTruncate);
    m_stage = m_file ? Stage::Streaming : Stage::Refused;
}

std::size_t Fetch::body(const char* data, std::size_t length)
{
    if (m_stage == Stage::Waiting)
        judgeAnswer();
    if (m_stage != Stage::Streaming)
        return 0;  // ends the transfer
    m_ws.host().setTitle(m_savedTitle + m_suffix);
    if (!m_file->writeAt(static_cast<std::uint64_t>(m_total), data, length)) {
        m_writeFailed = true;
        return 0;
    }
    m_total += static_cast<std::int64_t>(length);
    m_ws.host().setProgressPosition(clampToInt(m_total));
    m_suffix = m_suffix == " ." ? ". " : " .";
    return length;
}

std::int64_t Fetch::run(std::size_t chunkSize)
{
    const CurlLibrary* library = curlLibrary();
    if (library == nullptr)
        return 0;
    const CurlLibrary& curl = *library;
    m_easy = curl.easy_init();
    CURLM* multi = curl.multi_init();
    if (m_easy == nullptr || multi == nullptr) {
        if (m_easy)
            curl.easy_cleanup(m_easy);
        if (multi)
            curl.multi_cleanup(multi);
        return 0;
    }
    // Reload from the server and keep no copy on the way, as the system asked its
    // library to; proxies come from the environment (http_proxy, https_proxy,
    // no_proxy), which libcurl reads by itself.
    curl_slist* requestHeaders = curl.slist_append(nullptr, "Cache-Control: no-cache");
    requestHeaders = curl.slist_append(requestHeaders, "Pragma: no-cache");
    long bufferBytes = static_cast<long>(std::clamp<std::size_t>(chunkSize, 1024, 512 * 1024));
    curl.easy_setopt(m_easy, CURLOPT_URL, m_ws.webAddress.c_str());
    curl.easy_setopt(m_easy, CURLOPT_USERAGENT, kAgentName);
    curl.easy_setopt(m_easy, CURLOPT_HTTPHEADER, requestHeaders);
    curl.easy_setopt(m_easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl.easy_setopt(m_easy, CURLOPT_MAXREDIRS, kMaxRedirects);
    curl.easy_setopt(m_easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(m_easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl.easy_setopt(m_easy, CURLOPT_BUFFERSIZE, bufferBytes);
    curl.easy_setopt(m_easy, CURLOPT_NOSIGNAL, 1L);
    curl.easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &Fetch::onHeader);
    curl.easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl.easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &Fetch::onBody);
    curl.easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl.multi_add_handle(multi, m_easy);

    bool stopped = false;
    int running = 1;
    while (true) {
        m_ws.PumpPendingMessages(app::StopCode::Break);
        if (m_ws.BreakCode != app::StopCode::None) {
            stopped = true;
            break;
        }
        if (curl.multi_perform(multi, &running) != CURLM_OK)
            break;
        if (running == 0 || m_stage == Stage::Refused || m_writeFailed)
            break;
        curl.multi_poll(multi, nullptr, 0, kPollMilliseconds, nullptr);
    }

    std::optional<CURLcode> outcome;
    int pending = 0;
    while (CURLMsg* message = curl.multi_info_read(multi, &pending))
        if (message->msg == CURLMSG_DONE && message->easy_handle == m_easy)
            outcome = message->data.result;

    // An answer that ended without any body is judged now. An answer whose headers
    // came but whose body broke off before its first byte counts as accepted with a
    // failed read; one that never got a status line is an error of the request.
    if (m_stage == Stage::Waiting && !stopped && outcome) {
        long status = 0;
        curl.easy_getinfo(m_easy, CURLINFO_RESPONSE_CODE, &status);
        if (*outcome == CURLE_OK || (status >= 200 && !m_headers.empty()))
            judgeAnswer();
        else if (!isOpenFailure(*outcome))
            addErrorRow(app::formatMessage("HttpSendRequest Error: %d", {static_cast<long>(*outcome)}));
    }

    bool readFailed = !stopped && m_stage == Stage::Streaming && (!outcome || *outcome != CURLE_OK);
    if (m_writeFailed) {
        m_ws.showMessage(app::MessageKey::MsgWriteError);
        m_ws.BreakCode = app::StopCode::Break;
    }
    if (m_file)
        m_file->close();
    curl.multi_remove_handle(multi, m_easy);
    curl.easy_cleanup(m_easy);
    curl.multi_cleanup(multi);
    curl.slist_free_all(requestHeaders);
    m_easy = nullptr;
    if (readFailed && !m_writeFailed)
        return 0;
    return m_writeFailed ? 0 : m_total;
}

// Sets the busy flag for the fetch and gives the title back on every way out.
class BusyScope {
public:
    BusyScope(app::Workspace& workspace, std::string title) : m_ws(workspace), m_title(std::move(title))
    {
        m_ws.busy = true;
    }
    ~BusyScope()
    {
        m_ws.busy = false;
        m_ws.host().setTitle(m_title);
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    app::Workspace& m_ws;
    std::string m_title;
};

} // namespace

std::string NormaliseFetchAddress(std::string_view address)
{
    if (address.empty() || static_cast<unsigned char>(address[0]) < '0' || address.size() > kMaxAddressLength)
        return {};
    std::string lower = lowerCopy(address);
    std::size_t from = std::min(lower.find("http://", 1), lower.find("https://", 1));
    if (from == std::string::npos) {
        from = lower.find("www.", 1);
        // "https://www.x" keeps its scheme; in front of a "www." only "https://" can
        // be lost, as "http://" is put back below.
        if (from != std::string::npos && from >= 8 && lower.compare(from - 8, 8, "https://") == 0)
            from -= 8;
    }
    std::string normal(address.substr(from == std::string::npos ? 0 : from));
    if (!StartsWithNoCase(normal, "http://") && !StartsWithNoCase(normal, "https://"))
        normal.insert(0, "http://");
    return normal;
}

void EscapeUrlAccents(std::string& address)
{
    auto replaceEveryByte = [&address](char byte, std::string_view by) {
        for (std::size_t at = address.find(byte); at != std::string::npos; at = address.find(byte, at + by.size()))
            address.replace(at, 1, by);
    };
    replaceEveryByte('\xE9', "%C3%A9");
    replaceEveryByte('\xE8', "%C3%A8");

    // Every turn removes one C3 byte, so the loop ends.
    for (std::size_t at = address.find('\xC3'); at != std::string::npos; at = address.find('\xC3')) {
        if (at + 1 < address.size() && isWordRangeByte(address[at + 1]))
            break;
        if (std::size_t pair = address.find("\xC3\xB6"); pair != std::string::npos)
            address.replace(pair, 2, "%C3%B6");
        else if ((pair = address.find("\xC3\xA8")) != std::string::npos)
            address.replace(pair, 2, "\xE8");
        else if ((pair = address.find("\xC3\xB3")) != std::string::npos)
            address.replace(pair, 2, "\xF3");
        else if ((pair = address.find("\xC3\xA9")) != std::string::npos)
            address.replace(pair, 2, "\xE9");
        else
            address.replace(at, std::min<std::size_t>(2, address.size() - at), "\xE0");
    }

    // Every turn removes one E2 byte.
    for (std::size_t at = address.find('\xE2'); at != std::string::npos; at = address.find('\xE2')) {
        if (at + 1 < address.size() && isWordRangeByte(address[at + 1]))
            break;
        if (at + 1 < address.size() && address[at + 1] == '\xC3')
            address.replace(at, 2, "\xE0");
        else
            address.replace(at, std::min<std::size_t>(3, address.size() - at), "%E2%80%99");
    }
}

void EscapeUnsafeUrlBytes(std::string& address)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(address.size());
    for (char c : address) {
        auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F) {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    address = std::move(out);
}

std::int64_t ParseResponseHeaders(std::string& headers, int& contentKind)
{
    contentKind = kContentOther;
    for (char& c : headers)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    std::string_view text(headers);
    if (text.substr(0, text.find('\r')).find("40") != std::string_view::npos)
        return -404;

    std::int64_t length = 1;
    if (auto at = text.find("length:"); at != std::string_view::npos) {
        at += 7;
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-'))
            negative = text[at++] == '-';
        length = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
            length = length > (INT64_MAX - 9) / 10 ? INT64_MAX : length * 10 + (text[at] - '0');
        if (negative)
            length = -length;
    }
    if (auto at = text.find("content-type"); at != std::string_view::npos) {
        std::string_view type = text.substr(at);
        if (type.find("pdf") != std::string_view::npos)
            contentKind = kContentPdf;
        else if (type.find("application") != std::string_view::npos || type.find("zip") != std::string_view::npos ||
                 type.find("compress") != std::string_view::npos)
            contentKind = kContentPacked;
    }
    return length;
}

std::int64_t FetchUrlToFile(app::Workspace& workspace, FetchErrors& errors, std::string& address,
                            std::size_t chunkSize, const std::string& destinationPath)
{
    workspace.BreakCode = app::StopCode::None;
    Fetch fetch(workspace, errors, destinationPath);
    BusyScope busy(workspace, fetch.savedTitle());

    std::string normal = NormaliseFetchAddress(address);
    if (normal.empty())
        return 0;
    workspace.webAddress = normal;
    workspace.lastWebAddress = normal;
    EscapeUrlAccents(workspace.webAddress);
    EscapeUnsafeUrlBytes(workspace.webAddress);

    std::int64_t total = fetch.run(chunkSize);
    if (fetch.accepted()) {
        address = destinationPath;
        workspace.host().setStatus(shortenedForStatus(destinationPath));
    }
    return total;
}

} // namespace vedra::web
