#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <cstring>

#include "platform/HttpSession.h"

namespace platform {
namespace {

// Owns the internet handle and the request handle below it. Abort closes the handles from
// another thread, which makes a blocked InternetReadFile fail on Windows; each handle is taken
// out of its field before it is closed, so whichever side comes first closes it, once.
class WinInetHttpSession final : public HttpSession {
public:
    explicit WinInetHttpSession(HINTERNET internet) : internet_(internet) {}
    ~WinInetHttpSession() override {
        CloseRequest();
        if (HINTERNET h = internet_.exchange(nullptr)) InternetCloseHandle(h);
    }
    WinInetHttpSession(const WinInetHttpSession&) = delete;
    WinInetHttpSession& operator=(const WinInetHttpSession&) = delete;

    bool OpenUrl(const char* url, const char* headers, size_t headersLength, uint32_t flags) override {
        CloseRequest();
        HINTERNET internet = internet_.load();
        if (!internet || aborted_.load()) return false;
        HINTERNET request = InternetOpenUrlA(internet, url, headers, static_cast<DWORD>(headersLength),
                                             static_cast<DWORD>(flags), 0);
        if (!request) return false;
        request_.store(request);
        if (aborted_.load()) {
            CloseRequest();  // Abort came while the request was being opened
            return false;
        }
        return true;
    }

    bool QueryInfo(HttpInfo what, char* buf, uint32_t* length) override {
        HINTERNET request = request_.load();
        if (!request || !buf || !length || *length == 0) return false;
        DWORD query = HTTP_QUERY_CONTENT_LENGTH;
        if (what == HttpInfo::StatusCode) query = HTTP_QUERY_STATUS_CODE;
        if (what == HttpInfo::ContentRange) query = HTTP_QUERY_CONTENT_RANGE;
        DWORD size = *length;
        if (!HttpQueryInfoA(request, query, buf, &size, nullptr)) return false;
        if (size >= *length) size = *length - 1;
        buf[size] = '\0';
        *length = size;
        return true;
    }

    bool QueryDataAvailable(uint32_t* bytes) override {
        if (bytes) *bytes = 0;
        HINTERNET request = request_.load();
        if (!request) return false;
        DWORD n = 0;
        if (!InternetQueryDataAvailable(request, &n, 0, 0)) return false;
        if (bytes) *bytes = n;
        return true;
    }

    bool Read(void* buf, uint32_t size, uint32_t* bytesRead) override {
        if (bytesRead) *bytesRead = 0;
        HINTERNET request = request_.load();
        if (!request) return false;
        DWORD n = 0;
        if (!InternetReadFile(request, buf, size, &n)) return false;
        if (aborted_.load()) return false;
        if (bytesRead) *bytesRead = n;
        return true;
    }

    void CloseRequest() override {
        if (HINTERNET h = request_.exchange(nullptr)) InternetCloseHandle(h);
    }

    void Abort() override {
        aborted_.store(true);
        CloseRequest();
        if (HINTERNET h = internet_.exchange(nullptr)) InternetCloseHandle(h);
    }

private:
    std::atomic<HINTERNET> internet_{nullptr};
    std::atomic<HINTERNET> request_{nullptr};
    std::atomic<bool> aborted_{false};
};

class WinInetHttpClient final : public HttpClient {
public:
    std::unique_ptr<HttpSession> OpenSession(const char* userAgent) override {
        HINTERNET internet = InternetOpenA(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
        if (!internet) return nullptr;
        return std::make_unique<WinInetHttpSession>(internet);
    }
    bool SetOption(uint32_t option, uint32_t value) override {
        DWORD v = value;
        return InternetSetOptionA(nullptr, option, &v, sizeof v) != FALSE;
    }
    bool QueryOption(uint32_t option, uint32_t* value) override {
        if (!value) return false;
        DWORD v = 0;
        DWORD size = sizeof v;
        if (!InternetQueryOptionA(nullptr, option, &v, &size)) return false;
        *value = v;
        return true;
    }
};

}  // namespace

HttpClient& DefaultHttpClient() {
    static WinInetHttpClient client;
    return client;
}

}  // namespace platform
