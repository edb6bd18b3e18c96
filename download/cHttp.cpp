#include "download/cHttp.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/AppContext.h"
#include "download/DownloadLog.h"
#include "download/EngineClock.h"
#include "platform/FileSystem.h"
#include "platform/Host.h"

namespace {

const char kFirstHeaders[] = "Accept-Encoding:*\r\nAccept-Ranges:bytes\r\nRange:bytes=0-\r\n";
// WinINet keeps a copy of every download in its cache unless told not to: a second full copy
// on disk and half the speed.
constexpr uint32_t kRequestFlags = platform::kHttpFlagReload | platform::kHttpFlagNoCacheWrite;

const char kUnreachable[] = "Currently you are not able to reach the server.\nPlease check your network and retry again.";

std::atomic<uint32_t> g_maxConnections{0};

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using FileOwner = std::unique_ptr<FILE, FileCloser>;

// What a response says about the body that follows.
struct Response {
    bool opened = false;
    int status = 0;
    bool hasLength = false;
    int64_t contentLength = 0;
    bool hasRange = false;
    int64_t rangeFirst = -1;  // -1 for "bytes */total"
    int64_t rangeTotal = -1;
};

// "bytes 1000-10485759/10485760" or "bytes */0".
void ParseContentRange(const char* text, Response* r) {
    const char* p = text;
    while (*p == ' ') ++p;
    if (std::strncmp(p, "bytes", 5) != 0) return;
    p += 5;
    while (*p == ' ' || *p == '=') ++p;
    if (*p == '*') {
        r->hasRange = true;
        r->rangeFirst = -1;
        ++p;
    } else {
        char* end = nullptr;
        const long long first = std::strtoll(p, &end, 10);
        if (end == p || *end != '-') return;
        r->hasRange = true;
        r->rangeFirst = first;
        p = end;
        while (*p && *p != '/') ++p;
    }
    if (*p == '/' && p[1] != '*') r->rangeTotal = std::strtoll(p + 1, nullptr, 10);
}

// The length header is read into the transfer buffer, as the buffer serves both.
Response Inspect(platform::HttpSession* session, bool opened, char* buffer) {
    Response r;
    r.opened = opened;
    if (!session || !opened) return r;
    uint32_t n = cHttp::kBufferSize;
    if (session->QueryInfo(platform::HttpInfo::ContentLength, buffer, &n)) {
        char* end = nullptr;
        const long long v = std::strtoll(buffer, &end, 10);
        if (end != buffer) {
            r.hasLength = true;
            r.contentLength = v;
        }
    }
    char text[256];
    n = sizeof text;
    if (session->QueryInfo(platform::HttpInfo::StatusCode, text, &n)) r.status = std::atoi(text);
    n = sizeof text;
    if (session->QueryInfo(platform::HttpInfo::ContentRange, text, &n)) ParseContentRange(text, &r);
    return r;
}

enum class Verdict { Body, Empty, Error };

// A response to "Range:bytes=0-": the file from its first byte, an empty file, or no file.
Verdict JudgeFromZero(const Response& r) {
    if (!r.opened || r.status == 0) return Verdict::Body;  // no answer: the length decides
    if (r.status == 200) return (r.hasLength && r.contentLength == 0) ? Verdict::Empty : Verdict::Body;
    if (r.status == 206) return (r.hasRange && r.rangeFirst == 0) ? Verdict::Body : Verdict::Error;
    // An empty file cannot satisfy any range, so a server answers "bytes=0-" with 416 and "*/0".
    if (r.status == 416 && r.hasRange && r.rangeFirst < 0 && r.rangeTotal == 0) return Verdict::Empty;
    return Verdict::Error;
}

}  // namespace

cHttp::cHttp(const char* name) : cThread(name) { GetMaxConnections(); }

cHttp::~cHttp() {
    Stop();
    CloseInternetHandle();
}

void cHttp::OnStart(int64_t) {}
void cHttp::OnFinish(int64_t, int64_t) {}
void cHttp::OnRestart(int64_t) {}

void cHttp::StartDownload(const char* url, const char* fileName) {
    resume_ = 1;
    CopyText(url_, url);
    CopyText(fileName_, fileName);
    outcome_.store(Outcome::NotRun);
    CreateDirectories(fileName_);
    Start();
}

int64_t cHttp::Download(const char* url, const char* fileName) {
    resume_ = 0;
    CopyText(url_, url);
    CopyText(fileName_, fileName);
    startOffset_.store(0);
    position_.store(0);
    outcome_.store(Outcome::NotRun);
    CreateDirectories(fileName_);
    RunHere();
    return position_.load();
}

int32_t cHttp::GetMaxConnections() {
    const uint32_t cached = g_maxConnections.load();
    if (cached != 0) return static_cast<int32_t>(cached);
    platform::HttpClient& client = platform::CurrentHttpClient();
    client.SetOption(platform::kOptionMaxConnsPerServer, 4);
    client.SetOption(platform::kOptionMaxConnsPer10Server, 4);
    uint32_t perServer = 0;
    if (!client.QueryOption(platform::kOptionMaxConnsPerServer, &perServer)) perServer = 0;
    uint32_t per10Server = 14;
    if (!client.QueryOption(platform::kOptionMaxConnsPer10Server, &per10Server)) per10Server = 14;
    const uint32_t limit = perServer < per10Server ? perServer : per10Server;
    g_maxConnections.store(limit);
    if (limit == 0) {
        ShowMessage("cHttp::GetMaxConnections :: network error(-13) - connection setting", platform::kIconWarning);
        TerminateProcessNow(-13);
    }
    return static_cast<int32_t>(limit);
}

void cHttp::ForgetMaxConnections() { g_maxConnections.store(0); }

void cHttp::CloseInternetHandle() {
    std::lock_guard<std::mutex> lock(internetLock_);
    if (internet_) {
        internet_->Abort();
        internet_ = nullptr;
    }
}

void cHttp::PublishSession(platform::HttpSession* session) {
    std::lock_guard<std::mutex> lock(internetLock_);
    internet_ = session;
}

bool cHttp::WithdrawSession() {
    std::lock_guard<std::mutex> lock(internetLock_);
    const bool mine = internet_ != nullptr;
    internet_ = nullptr;
    return mine;
}

void cHttp::CreateDirectories(const char* fileName) {
    const char* rest = fileName;
    for (;;) {
        // The nearer separator of either kind: "a/b\\c/f" must make "a", "a/b", "a/b\\c" in turn.
        const char* sep = std::strpbrk(rest, "/\\");
        if (!sep) return;
        char dir[256];
        const size_t n = static_cast<size_t>(sep - fileName);
        if (n >= sizeof dir) return;
        std::memcpy(dir, fileName, n);
        dir[n] = '\0';
        platform::CreateOneDirectory(dir);  // most often it exists already
        rest = sep + 1;
    }
}

int64_t cHttp::LocalLength(const char* fileName) {
    FILE* f = platform::OpenFile(fileName, "rb");
    if (!f) return 0;
    FileOwner owner(f);
    if (!platform::Seek64(f, 0, SEEK_END)) return 0;
    const long long n = platform::Tell64(f);
    return n > 0 ? n : 0;
}

void cHttp::OnExecute() {
    int drops = 0;
    while (RunAttempt(drops) == Attempt::Reconnect) {
    }
}

cHttp::Attempt cHttp::RunAttempt(int& drops) {
    int64_t start = resume_ ? LocalLength(fileName_) : 0;
    startOffset_.store(start);
    position_.store(start);

    std::unique_ptr<platform::HttpSession> session = platform::CurrentHttpClient().OpenSession(Name());
    PublishSession(session.get());
    // Withdrawn before the session goes, on every way out, an unwinding one included.
    struct Publication {
        cHttp* self;
        ~Publication() { self->WithdrawSession(); }
    } publication{this};
    FileOwner file;
    // Every way out of an attempt closes the file (flushing it), then both handles.
    auto closeAll = [&]() {
        file.reset();
        WithdrawSession();
        session.reset();
    };

    std::unique_ptr<char[]> buffer(new char[kBufferSize]);
    const bool opened = session && session->OpenUrl(url_, kFirstHeaders, sizeof kFirstHeaders - 1, kRequestFlags);
    const Response first = Inspect(session.get(), opened, buffer.get());
    const int64_t length = first.hasLength ? first.contentLength : 0;
    length_.store(length);

    auto statusError = [&](int status) {
        char line[512];
        std::snprintf(line, sizeof line, "cHttp::OnExecute :: http status error (-7) %d %s", status, fileName_);
        AppendDownloadLog(line);
        outcome_.store(Outcome::StatusError);
        closeAll();
        return Attempt::Done;
    };

    const Verdict verdict = JudgeFromZero(first);
    if (verdict == Verdict::Error) return statusError(first.status);
    const bool empty = verdict == Verdict::Empty;

    if (length <= 0 && !empty) {
        buffer.reset();
        bool haveHandle = false;
        {
            std::lock_guard<std::mutex> lock(internetLock_);
            haveHandle = session && internet_ == session.get();
        }
        if (haveHandle && IsRunning()) {
            ShowMessage(kUnreachable, platform::kIconWarning);
            TerminateProcessNow(-11);
        }
        outcome_.store(IsRunning() ? Outcome::NoServer : Outcome::Stopped);
        closeAll();
        return Attempt::Done;
    }

    if (drops == 0) OnStart(start);

    auto restartFromZero = [&]() {
        OnRestart(start);
        start = 0;
        startOffset_.store(0);
        position_.store(0);
    };

    if (empty) {
        if (start != 0) restartFromZero();
        FILE* f = platform::OpenFile(fileName_, "wb+");
        if (!f) {
            ShowMessage("cHttp::OnExecute :: file open error (-31)", platform::kIconWarning);
            outcome_.store(Outcome::FileError);
            closeAll();
            return Attempt::Done;
        }
        std::fclose(f);
        closeAll();
        outcome_.store(Outcome::Whole);
        OnFinish(0, 0);
        return Attempt::Done;
    }

    if (length == start) {
        closeAll();
        buffer.reset();
        outcome_.store(Outcome::Whole);
        OnFinish(start, position_.load());
        return Attempt::Done;
    }

    if (start > length) {
        // The local file is longer than the server's: it is not the server's file. The first
        // response already carries the file from byte 0.
        restartFromZero();
    } else if (start != 0) {
        char headers[128];
        std::snprintf(headers, sizeof headers, "Accept-Encoding:*\r\nAccept-Ranges:bytes\r\nRange:bytes=%" PRId64 "-\r\n",
                      start);
        session->CloseRequest();
        const bool reopened = session->OpenUrl(url_, headers, std::strlen(headers), kRequestFlags);
        const Response second = Inspect(session.get(), reopened, buffer.get());
        if (reopened && second.status != 0) {
            if (second.status == 206 && second.hasRange && second.rangeFirst == start) {
                // the rest, from where it was asked
            } else if (second.status == 200) {
                // The range was ignored and the whole file follows: take it from byte 0 rather
                // than append it at the wrong offset.
                restartFromZero();
            } else if (second.status == 206) {
                // A part from somewhere else: ask for the file from its first byte instead.
                restartFromZero();
                session->CloseRequest();
                const bool again = session->OpenUrl(url_, kFirstHeaders, sizeof kFirstHeaders - 1, kRequestFlags);
                const Response third = Inspect(session.get(), again, buffer.get());
                if (JudgeFromZero(third) != Verdict::Body) return statusError(third.status);
            } else {
                return statusError(second.status);
            }
        }
    }

    {
        FILE* f = platform::OpenFile(fileName_, start == 0 ? "wb+" : "rb+");
        if (f && start != 0 && !platform::Seek64(f, start, SEEK_SET)) {
            std::fclose(f);
            f = nullptr;
        }
        if (!f) {
            ShowMessage("cHttp::OnExecute :: file open error (-31)", platform::kIconWarning);
            outcome_.store(Outcome::FileError);
            closeAll();
            return Attempt::Done;
        }
        file.reset(f);
    }

    uint32_t ready = 0;
    if (!session->QueryDataAvailable(&ready)) ready = 0;
    if (ready > kBufferSize) {
        ShowMessage("cHttp::OnExecute :: network error (-4)", platform::kIconWarning);
        TerminateProcessNow(-4);
    }

    platform::Clock& clock = EngineClock();
    for (;;) {
        uint32_t unused = 0;
        session->QueryDataAvailable(&unused);
        uint32_t n = 0;
        bool ok = session->Read(buffer.get(), kBufferSize, &n);
        if (!ok) {
            for (int retry = 0; retry < kReadRetries && !ok; ++retry) {
                if (!IsRunning()) {
                    outcome_.store(Outcome::Stopped);
                    closeAll();
                    return Attempt::Done;
                }
                clock.SleepMs(kPauseMs);
                n = 0;
                ok = session->Read(buffer.get(), kBufferSize, &n);
            }
            if (!ok) {
                if (!IsRunning()) {
                    outcome_.store(Outcome::Stopped);
                    closeAll();
                    return Attempt::Done;
                }
                clock.SleepMs(kPauseMs);
                ShowMessage("cHttp::OnExecute :: network error (-5)", platform::kIconWarning);
                n = 0;
            }
        }

        if (n == 0 && IsRunning()) {
            if (++drops >= kMaxDrops) {
                file.reset();
                ShowMessage("cHttp::OnExecute :: network error (-9)", platform::kIconWarning);
                TerminateProcessNow(-9);
            }
            buffer.reset();
            closeAll();
            AppendDownloadLog("cHttp::OnExecute :: network error (-92)");
            return Attempt::Reconnect;
        }

        if (n != 0 && std::fwrite(buffer.get(), 1, n, file.get()) != n) {
            // A full disk: what follows would not be the file either.
            char line[512];
            std::snprintf(line, sizeof line, "cHttp::OnExecute :: file write error (-32) %s", fileName_);
            AppendDownloadLog(line);
            outcome_.store(Outcome::FileError);
            closeAll();
            return Attempt::Done;
        }
        OnReceived(static_cast<int32_t>(n));
        const int64_t position = position_.fetch_add(n) + n;
        if (position >= length || !IsRunning()) {
            outcome_.store(position == length ? Outcome::Whole : Outcome::Stopped);
            closeAll();
            OnFinish(start, position);
            return Attempt::Done;
        }
        drops = 0;
    }
}
