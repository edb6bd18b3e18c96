#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HttpSession.h"

// libcurl pushes the body into a callback; the transfers pull it in blocks of up to 1 MiB and
// expect a read to wait until the block is full or the body has ended, as WinINet's does. So a
// read runs the multi loop itself: the callback copies straight into the reader's buffer, keeps
// what does not fit in a bounded side buffer and pauses the transfer when that is full, which
// leaves the rest in the socket until the next read.
namespace platform {
namespace {

constexpr size_t kSideBufferCapacity = 1u << 20;
// A stalled server must not keep a read from noticing Abort; Abort also wakes the poll at once.
constexpr int kPollMs = 250;
// WinINet's default connect time-out.
constexpr long kConnectTimeoutSeconds = 60;

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] - 'A' + 'a') : b[i];
        if (x != y) return false;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

class CurlHttpSession final : public HttpSession {
public:
    explicit CurlHttpSession(const char* userAgent) : agent_(userAgent ? userAgent : ""), multi_(curl_multi_init()) {}
    ~CurlHttpSession() override {
        CloseRequest();
        if (multi_) curl_multi_cleanup(multi_);
    }
    CurlHttpSession(const CurlHttpSession&) = delete;
    CurlHttpSession& operator=(const CurlHttpSession&) = delete;

    bool Valid() const { return multi_ != nullptr; }

    bool OpenUrl(const char* url, const char* headers, size_t headersLength, uint32_t /*flags: libcurl keeps no cache*/) override {
        CloseRequest();
        if (aborted_.load() || !url) return false;
        easy_ = curl_easy_init();
        if (!easy_) return false;
        AddHeaderLines(std::string_view(headers ? headers : "", headers ? headersLength : 0));
        curl_easy_setopt(easy_, CURLOPT_URL, url);
        curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headerList_);
        curl_easy_setopt(easy_, CURLOPT_USERAGENT, agent_.c_str());
        curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, 20L);
        curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
        curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, 256L * 1024L);
        curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlHttpSession::OnBody);
        curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
        curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlHttpSession::OnHeader);
        curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
        if (curl_multi_add_handle(multi_, easy_) != CURLM_OK) {
            CloseRequest();
            return false;
        }
        inMulti_ = true;
        waitFor_ = Want::Headers;
        while (!headersDone_ && !done_) {
            if (!Step()) break;
        }
        if (!headersDone_ || aborted_.load()) {
            // As InternetOpenUrlA: no response, no request handle.
            CloseRequest();
            return false;
        }
        return true;
    }

    bool QueryInfo(HttpInfo what, char* buf, uint32_t* length) override {
        if (!easy_ || !buf || !length || *length == 0) return false;
        std::string text;
        switch (what) {
            case HttpInfo::ContentLength:
                if (!hasLength_) return false;
                text = contentLength_;
                break;
            case HttpInfo::StatusCode:
                if (status_ <= 0) return false;
                text = std::to_string(status_);
                break;
            case HttpInfo::ContentRange:
                if (!hasRange_) return false;
                text = contentRange_;
                break;
        }
        if (text.size() + 1 > *length) return false;
        std::memcpy(buf, text.c_str(), text.size() + 1);
        *length = static_cast<uint32_t>(text.size());
        return true;
    }

    bool QueryDataAvailable(uint32_t* bytes) override {
        if (bytes) *bytes = 0;
        if (!easy_ || aborted_.load()) return false;
        waitFor_ = Want::Data;
        while (PendingSize() == 0 && !done_) {
            Resume();
            if (!Step()) return false;
        }
        if (bytes) *bytes = static_cast<uint32_t>(PendingSize());
        return !aborted_.load();
    }

    bool Read(void* buf, uint32_t size, uint32_t* bytesRead) override {
        if (bytesRead) *bytesRead = 0;
        if (!easy_ || aborted_.load() || !buf) return false;
        got_ = TakePending(static_cast<char*>(buf), size);
        dst_ = static_cast<char*>(buf);
        want_ = size;
        waitFor_ = Want::Block;
        while (got_ < want_ && !done_) {
            Resume();
            if (got_ >= want_ || done_) break;
            if (!Step()) break;
        }
        dst_ = nullptr;
        if (aborted_.load()) return false;
        // A body cut short ends like a whole one: the caller compares the count with the length.
        if (bytesRead) *bytesRead = static_cast<uint32_t>(got_);
        return true;
    }

    void CloseRequest() override {
        if (easy_) {
            if (inMulti_) curl_multi_remove_handle(multi_, easy_);
            curl_easy_cleanup(easy_);
        }
        easy_ = nullptr;
        inMulti_ = false;
        if (headerList_) curl_slist_free_all(headerList_);
        headerList_ = nullptr;
        ResetResponse();
        pending_.clear();
        head_ = 0;
        paused_ = false;
        done_ = false;
    }

    void Abort() override {
        aborted_.store(true);
        if (multi_) curl_multi_wakeup(multi_);
    }

private:
    void AddHeaderLines(std::string_view text) {
        while (!text.empty()) {
            size_t end = text.find("\r\n");
            std::string_view line = text.substr(0, end);
            if (!line.empty()) headerList_ = curl_slist_append(headerList_, std::string(line).c_str());
            if (end == std::string_view::npos) break;
            text.remove_prefix(end + 2);
        }
    }

    void ResetResponse() {
        status_ = 0;
        headersDone_ = false;
        hasLength_ = hasRange_ = hasLocation_ = false;
        contentLength_.clear();
        contentRange_.clear();
    }

    // One turn of the multi loop; false when the session was aborted.
    bool Step() {
        if (aborted_.load()) return false;
        int still = 0;
        if (curl_multi_perform(multi_, &still) != CURLM_OK) {
            done_ = true;
            return !aborted_.load();
        }
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi_, &left)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy_) done_ = true;
        }
        if (done_ || Satisfied()) return !aborted_.load();
        curl_multi_poll(multi_, nullptr, 0, kPollMs, nullptr);
        return !aborted_.load();
    }

    // What the caller of Step waits for.
    enum class Want { Headers, Data, Block };
    bool Satisfied() const {
        switch (waitFor_) {
            case Want::Headers: return headersDone_;
            case Want::Data: return PendingSize() > 0;
            case Want::Block: return got_ >= want_;
        }
        return true;
    }

    void Resume() {
        if (!paused_) return;
        paused_ = false;
        // May deliver the held-back data at once, into the reader's buffer when one is waiting.
        curl_easy_pause(easy_, CURLPAUSE_CONT);
    }

    size_t PendingSize() const { return pending_.size() - head_; }

    size_t TakePending(char* out, size_t room) {
        const size_t k = std::min(room, PendingSize());
        if (k) std::memcpy(out, pending_.data() + head_, k);
        head_ += k;
        if (head_ == pending_.size()) {
            pending_.clear();
            head_ = 0;
        }
        return k;
    }

    static size_t OnBody(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<CurlHttpSession*>(user);
        const size_t total = size * count;
        if (self->aborted_.load()) return 0;  // ends the transfer with a write error
        size_t k = 0;
        if (self->dst_ && self->got_ < self->want_) {
            k = std::min(total, self->want_ - self->got_);
            std::memcpy(self->dst_ + self->got_, data, k);
            self->got_ += k;
        }
        const size_t rest = total - k;
        if (rest) {
            if (k == 0 && self->PendingSize() + rest > kSideBufferCapacity) {
                self->paused_ = true;
                return CURL_WRITEFUNC_PAUSE;
            }
            self->pending_.insert(self->pending_.end(), data + k, data + total);
        }
        return total;
    }

    static size_t OnHeader(char* data, size_t size, size_t count, void* user) {
        auto* self = static_cast<CurlHttpSession*>(user);
        const size_t total = size * count;
        std::string_view line = Trim(std::string_view(data, total));
        if (line.substr(0, 5) == "HTTP/") {
            // A new response (after a redirect or a 100 Continue): forget the last one's headers.
            self->ResetResponse();
            const size_t sp = line.find(' ');
            if (sp != std::string_view::npos) self->status_ = std::atoi(std::string(line.substr(sp + 1, 3)).c_str());
        } else if (line.empty()) {
            const bool interim = self->status_ >= 100 && self->status_ < 200;
            const bool followed = self->status_ >= 300 && self->status_ < 400 && self->hasLocation_;
            if (!interim && !followed) self->headersDone_ = true;
        } else {
            const size_t colon = line.find(':');
            if (colon != std::string_view::npos) {
                const std::string_view name = Trim(line.substr(0, colon));
                const std::string_view value = Trim(line.substr(colon + 1));
                if (EqualNoCase(name, "content-length")) {
                    self->contentLength_ = std::string(value);
                    self->hasLength_ = true;
                } else if (EqualNoCase(name, "content-range")) {
                    self->contentRange_ = std::string(value);
                    self->hasRange_ = true;
                } else if (EqualNoCase(name, "location")) {
                    self->hasLocation_ = true;
                }
            }
        }
        return total;
    }

    std::string agent_;
    CURLM* multi_ = nullptr;
    CURL* easy_ = nullptr;
    curl_slist* headerList_ = nullptr;
    bool inMulti_ = false;

    int status_ = 0;
    bool headersDone_ = false;
    bool done_ = false;
    bool hasLength_ = false;
    bool hasRange_ = false;
    bool hasLocation_ = false;
    std::string contentLength_;
    std::string contentRange_;

    std::vector<char> pending_;
    size_t head_ = 0;
    bool paused_ = false;
    char* dst_ = nullptr;
    size_t want_ = 0;
    size_t got_ = 0;

    Want waitFor_ = Want::Headers;
    std::atomic<bool> aborted_{false};
};

class CurlHttpClient final : public HttpClient {
public:
    CurlHttpClient() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    std::unique_ptr<HttpSession> OpenSession(const char* userAgent) override {
        auto session = std::make_unique<CurlHttpSession>(userAgent);
        if (!session->Valid()) return nullptr;
        return session;
    }

    // Only kept and read back, as WinINet reports them: every session here has its own
    // connection, and the manager never runs more transfers than the limit.
    bool SetOption(uint32_t option, uint32_t value) override {
        if (option == kOptionMaxConnsPerServer) {
            perServer_.store(value);
            return true;
        }
        if (option == kOptionMaxConnsPer10Server) {
            per10Server_.store(value);
            return true;
        }
        return false;
    }
    bool QueryOption(uint32_t option, uint32_t* value) override {
        if (!value) return false;
        if (option == kOptionMaxConnsPerServer) {
            *value = perServer_.load();
            return true;
        }
        if (option == kOptionMaxConnsPer10Server) {
            *value = per10Server_.load();
            return true;
        }
        return false;
    }

private:
    std::atomic<uint32_t> perServer_{2};
    std::atomic<uint32_t> per10Server_{4};
};

}  // namespace

HttpClient& DefaultHttpClient() {
    static CurlHttpClient client;
    return client;
}

}  // namespace platform
