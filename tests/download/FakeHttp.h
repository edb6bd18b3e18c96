#pragma once
// A scripted HTTP client for the engine's tests: a file server kept in memory that honours byte
// ranges unless told otherwise, and fails on demand (short reads, failed reads, dropped
// connections, wrong statuses, a read that blocks until the session is closed).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/Host.h"
#include "platform/HttpSession.h"

namespace fake {

struct Request {
    std::string agent;
    std::string url;
    std::string headers;
    uint32_t flags = 0;
    int64_t rangeFrom = -1;  // from "Range:bytes=N-"
    uint32_t tick = 0;       // the engine's clock when the request was made
};

struct Reply {
    bool opens = true;  // false: no response at all (connection refused)
    int status = 200;
    std::optional<std::string> contentLength;
    std::optional<std::string> contentRange;
    std::string body;
    size_t cutAfter = std::string::npos;  // the connection ends after this many body bytes
    int failingReads = 0;                  // reads that fail before the first one that works
    bool failForever = false;              // every read fails
    bool blockUntilAbort = false;          // the first read waits until the session is aborted
    bool hold = false;
    uint32_t dataAvailable = 0;            // what QueryDataAvailable reports (0: what is left, capped)
};

// What the server does to one URL.
struct Faults {
    bool ignoreRange = false;     // 200 with the whole body to a ranged request
    int64_t wrongOffset = -1;     // a ranged request from N>0 gets a 206 from this offset
    int status = 0;               // answer every request with this status and an HTML body
    int dropsLeft = 0;            // the next requests deliver dropAfter bytes, then cut
    size_t dropAfter = 0;
    int failingReadsOnce = 0;     // the next request's first reads fail
    bool failReadsForever = false;
    bool stallOnce = false;       // the next request's first read blocks until abort
    bool noLength = false;        // no Content-Length header
    uint32_t reportAvailable = 0; // QueryDataAvailable reports this
    bool refuse = false;          // no response at all
    bool hold = false;            // reads wait until Release(url) (or the session is aborted)
};

class Server {
public:
    void Put(const std::string& url, std::string content) {
        std::lock_guard<std::mutex> lock(mu_);
        files_[url] = std::move(content);
    }
    Faults& FaultsOf(const std::string& url) {
        std::lock_guard<std::mutex> lock(mu_);
        return faults_[url];
    }
    std::vector<Request> Requests() {
        std::lock_guard<std::mutex> lock(mu_);
        return requests_;
    }
    std::vector<Request> RequestsFor(const std::string& url) {
        std::vector<Request> out;
        for (auto& r : Requests())
            if (r.url == url) out.push_back(r);
        return out;
    }

    // A drop is spent by the first read of a body, not by a request whose body nobody reads.
    size_t TakeDrop(const std::string& url) {
        std::lock_guard<std::mutex> lock(mu_);
        Faults& f = faults_[url];
        if (f.dropsLeft <= 0) return std::string::npos;
        --f.dropsLeft;
        return f.dropAfter;
    }
    void Release(const std::string& url) {
        std::lock_guard<std::mutex> lock(mu_);
        faults_[url].hold = false;
    }
    bool Held(const std::string& url) {
        std::lock_guard<std::mutex> lock(mu_);
        return faults_[url].hold;
    }
    void SessionOpened() {
        std::lock_guard<std::mutex> lock(mu_);
        ++active_;
        maxActive_ = std::max(maxActive_, active_);
    }
    void SessionClosed() {
        std::lock_guard<std::mutex> lock(mu_);
        --active_;
    }
    int MaxActive() {
        std::lock_guard<std::mutex> lock(mu_);
        return maxActive_;
    }
    platform::Clock* clock = nullptr;

    Reply Answer(Request req) {
        std::lock_guard<std::mutex> lock(mu_);
        if (clock) req.tick = clock->TickCount();
        requests_.push_back(req);
        Faults& f = faults_[req.url];
        Reply r;
        if (f.refuse) {
            r.opens = false;
            return r;
        }
        auto it = files_.find(req.url);
        if (f.status != 0 || it == files_.end()) {
            r.status = f.status ? f.status : 404;
            r.body = "<html><body>error page</body></html>";
            r.contentLength = std::to_string(r.body.size());
            return r;
        }
        const std::string& file = it->second;
        const int64_t size = static_cast<int64_t>(file.size());
        int64_t from = req.rangeFrom;
        if (from < 0 || f.ignoreRange) {
            r.status = 200;
            r.body = file;
        } else if (from >= size) {
            r.status = 416;
            r.contentRange = "bytes */" + std::to_string(size);
            r.body = "";
        } else {
            if (from > 0 && f.wrongOffset >= 0) from = f.wrongOffset;
            r.status = 206;
            r.body = file.substr(static_cast<size_t>(from));
            r.contentRange = "bytes " + std::to_string(from) + "-" + std::to_string(size - 1) + "/" + std::to_string(size);
        }
        if (!f.noLength) r.contentLength = std::to_string(r.body.size());
        if (f.failingReadsOnce > 0) {
            r.failingReads = f.failingReadsOnce;
            f.failingReadsOnce = 0;
        }
        r.failForever = f.failReadsForever;
        if (f.stallOnce) {
            r.blockUntilAbort = true;
            f.stallOnce = false;
        }
        r.dataAvailable = f.reportAvailable;
        r.hold = f.hold;
        return r;
    }

private:
    std::mutex mu_;
    std::map<std::string, std::string> files_;
    std::map<std::string, Faults> faults_;
    std::vector<Request> requests_;
    int active_ = 0;
    int maxActive_ = 0;
};

inline int64_t RangeFrom(const std::string& headers) {
    const auto p = headers.find("Range:bytes=");
    if (p == std::string::npos) return -1;
    return std::strtoll(headers.c_str() + p + 12, nullptr, 10);
}

class Session final : public platform::HttpSession {
public:
    Session(Server& server, std::string agent, uint32_t readChunk)
        : server_(server), agent_(std::move(agent)), readChunk_(readChunk) {
        server_.SessionOpened();
    }
    ~Session() override { server_.SessionClosed(); }

    bool OpenUrl(const char* url, const char* headers, size_t headersLength, uint32_t flags) override {
        CloseRequest();
        if (aborted_) return false;
        Request req{agent_, url, std::string(headers, headersLength), flags, RangeFrom(std::string(headers, headersLength))};
        reply_ = server_.Answer(req);
        if (!reply_->opens) {
            reply_.reset();
            return false;
        }
        cursor_ = 0;
        url_ = url;
        dropDecided_ = false;
        return true;
    }
    bool QueryInfo(platform::HttpInfo what, char* buf, uint32_t* length) override {
        if (!reply_) return false;
        std::string text;
        if (what == platform::HttpInfo::StatusCode) text = std::to_string(reply_->status);
        if (what == platform::HttpInfo::ContentLength) {
            if (!reply_->contentLength) return false;
            text = *reply_->contentLength;
        }
        if (what == platform::HttpInfo::ContentRange) {
            if (!reply_->contentRange) return false;
            text = *reply_->contentRange;
        }
        if (text.size() + 1 > *length) return false;
        std::memcpy(buf, text.c_str(), text.size() + 1);
        *length = static_cast<uint32_t>(text.size());
        return true;
    }
    bool QueryDataAvailable(uint32_t* bytes) override {
        if (!reply_ || aborted_) return false;
        if (reply_->dataAvailable) {
            *bytes = reply_->dataAvailable;
            return true;
        }
        *bytes = static_cast<uint32_t>(std::min<size_t>(Limit() - std::min(cursor_, Limit()), 65536));
        return true;
    }
    bool Read(void* buf, uint32_t size, uint32_t* bytesRead) override {
        *bytesRead = 0;
        if (!reply_ || aborted_) return false;
        if (reply_->blockUntilAbort) {
            std::unique_lock<std::mutex> lock(mu_);
            cv_.wait(lock, [&] { return aborted_.load(); });
            return false;
        }
        while (reply_->hold && server_.Held(url_)) {
            if (aborted_) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (reply_->failForever) return false;
        if (!dropDecided_) {
            dropDecided_ = true;
            reply_->cutAfter = server_.TakeDrop(url_);
        }
        if (reply_->failingReads > 0) {
            --reply_->failingReads;
            return false;
        }
        const size_t limit = Limit();
        const size_t n = std::min<size_t>({size, readChunk_, limit - std::min(cursor_, limit)});
        std::memcpy(buf, reply_->body.data() + cursor_, n);
        cursor_ += n;
        *bytesRead = static_cast<uint32_t>(n);
        return true;
    }
    void CloseRequest() override { reply_.reset(); }
    void Abort() override {
        std::lock_guard<std::mutex> lock(mu_);
        aborted_ = true;
        cv_.notify_all();
    }

private:
    size_t Limit() const { return std::min(reply_->body.size(), reply_->cutAfter); }

    Server& server_;
    std::string agent_;
    uint32_t readChunk_;
    std::optional<Reply> reply_;
    std::string url_;
    size_t cursor_ = 0;
    bool dropDecided_ = false;
    std::mutex mu_;
    std::condition_variable cv_;
    std::atomic<bool> aborted_{false};
};

class Client final : public platform::HttpClient {
public:
    explicit Client(Server& server) : server_(server) {}

    std::unique_ptr<platform::HttpSession> OpenSession(const char* userAgent) override {
        ++sessions;
        if (refuseSessions) return nullptr;
        return std::make_unique<Session>(server_, userAgent, readChunk);
    }
    bool SetOption(uint32_t option, uint32_t value) override {
        std::lock_guard<std::mutex> lock(mu_);
        setOptions.emplace_back(option, value);
        if (!options.count(option) || ignoreSets) return false;
        options[option] = value;
        return true;
    }
    bool QueryOption(uint32_t option, uint32_t* value) override {
        std::lock_guard<std::mutex> lock(mu_);
        auto it = options.find(option);
        if (it == options.end()) return false;
        *value = it->second;
        return true;
    }

    std::atomic<int> sessions{0};
    bool refuseSessions = false;
    bool ignoreSets = false;
    uint32_t readChunk = 1u << 20;
    std::map<uint32_t, uint32_t> options{{platform::kOptionMaxConnsPerServer, 2}, {platform::kOptionMaxConnsPer10Server, 4}};
    std::vector<std::pair<uint32_t, uint32_t>> setOptions;

private:
    Server& server_;
    std::mutex mu_;
};

// Time that moves only when someone sleeps; every sleep also yields for real, so that the other
// threads of the engine get their turn.
class Clock final : public platform::Clock {
public:
    uint32_t TickCount() override { return now.load(); }
    void SleepMs(uint32_t ms) override {
        now.fetch_add(ms);
        ++sleeps;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::atomic<uint32_t> now{1000};
    std::atomic<int> sleeps{0};
};

struct Terminated {
    int code;
};

class Host final : public platform::Host {
public:
    int ShowMessage(const char* text, unsigned) override {
        std::lock_guard<std::mutex> lock(mu_);
        messages.emplace_back(text ? text : "");
        return platform::kAnswerOk;
    }
    [[noreturn]] void Terminate(int exitCode) override { throw Terminated{exitCode}; }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(mu_);
        return messages;
    }

private:
    std::mutex mu_;
    std::vector<std::string> messages;
};

}  // namespace fake
