#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

// HTTP as the transfers need it, shaped after WinINet: a session opened with a user agent and the
// system's proxy settings, one open URL at a time below it, header queries, and pull reads into
// the caller's buffer. The Windows backend is WinINet itself; the Linux backend is libcurl made to
// behave the same way.
namespace platform {

// Request flags, with WinINet's values.
constexpr uint32_t kHttpFlagReload = 0x80000000u;        // INTERNET_FLAG_RELOAD: never from the cache
constexpr uint32_t kHttpFlagNoCacheWrite = 0x04000000u;  // INTERNET_FLAG_NO_CACHE_WRITE: no copy in the cache

// Process-wide connection options, with WinINet's numbers.
constexpr uint32_t kOptionMaxConnsPerServer = 73;       // INTERNET_OPTION_MAX_CONNS_PER_SERVER
constexpr uint32_t kOptionMaxConnsPer10Server = 74;     // INTERNET_OPTION_MAX_CONNS_PER_1_0_SERVER

enum class HttpInfo {
    ContentLength,  // of the response body as sent (for a 206: the part)
    StatusCode,     // "200", "206", "416", ...
    ContentRange,   // "bytes 1000-10485759/10485760" or "bytes */0"
};

// One internet handle and at most one open request below it. Every call but Abort is made by the
// thread that owns the session.
class HttpSession {
public:
    virtual ~HttpSession() = default;

    // Opens url with the extra header text (lines ending in "\r\n", headersLength bytes), closing
    // the request open before. True when a response (of any status) has arrived.
    virtual bool OpenUrl(const char* url, const char* headers, size_t headersLength, uint32_t flags) = 0;
    // Copies the response header's value into buf as text; *length holds the capacity on entry and
    // the text's length on return. False when there is no request or no such header.
    virtual bool QueryInfo(HttpInfo what, char* buf, uint32_t* length) = 0;
    // Bytes ready to be read without waiting for the network; waits for the first ones.
    virtual bool QueryDataAvailable(uint32_t* bytes) = 0;
    // Reads up to size bytes, waiting until size bytes are there or the body has ended. True with
    // 0 bytes at the end of the body and when the connection was cut short; only the count against
    // the length tells the two apart. False when the read failed.
    virtual bool Read(void* buf, uint32_t size, uint32_t* bytesRead) = 0;
    virtual void CloseRequest() = 0;
    // Safe from any thread, at any time while the session exists: a call blocked in the network
    // fails promptly, and so does every later one.
    virtual void Abort() = 0;
};

// The factory of sessions and the process-wide options (InternetSetOptionA on no handle).
class HttpClient {
public:
    virtual ~HttpClient() = default;
    // InternetOpenA with the access type of the system's settings; null when it fails.
    virtual std::unique_ptr<HttpSession> OpenSession(const char* userAgent) = 0;
    virtual bool SetOption(uint32_t option, uint32_t value) = 0;
    virtual bool QueryOption(uint32_t option, uint32_t* value) = 0;
};

// The backend of this build.
HttpClient& DefaultHttpClient();
HttpClient& CurrentHttpClient();
// Tests install a scripted client; nullptr restores the default one.
void SetHttpClient(HttpClient* client);

}  // namespace platform
