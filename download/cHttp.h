#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "download/cThread.h"
#include "platform/HttpSession.h"

// One URL into one local file, resumable: the local file is measured, the rest is asked for with
// a byte range and appended; dropped connections reconnect and resume. The subclasses turn the
// notifications into progress counters.
class cHttp : public cThread {
public:
    static constexpr uint32_t kBufferSize = 1048576;
    static constexpr int kReadRetries = 9;
    static constexpr int kMaxDrops = 9;
    static constexpr uint32_t kPauseMs = 33;

    // How a transfer ended, for the manager's completion report.
    enum class Outcome : int32_t {
        NotRun,       // never started, or still going
        Whole,        // the position reached the server's length
        Stopped,      // asked to stop before the end
        StatusError,  // the server answered with a status that carries no file (-7)
        FileError,    // the target file could not be opened (-31)
        NoServer,     // no internet handle, or no length while being stopped
    };

    explicit cHttp(const char* name);
    ~cHttp() override;

    // Every file of the manifest: resume from the local length, on the job's own thread.
    void StartDownload(const char* url, const char* fileName);
    // The manifest: from byte 0, on the caller's thread; the number of bytes in the file.
    int64_t Download(const char* url, const char* fileName);

    // Simultaneous connections the manager may use; sets WinINet's limits on the first call.
    static int32_t GetMaxConnections();
    // Forgets the cached limit so that the next call asks the platform again (tests).
    static void ForgetMaxConnections();

    // Takes the internet handle out of its field and closes it, which makes a read in progress
    // fail; the transfer then finds the field empty and does not close it again. Any thread.
    void CloseInternetHandle();

    Outcome GetOutcome() const { return outcome_.load(); }
    bool EndedWhole() const { return outcome_.load() == Outcome::Whole; }
    int64_t GetLength() const { return length_.load(); }
    int64_t GetPosition() const { return position_.load(); }
    int64_t GetStartOffset() const { return startOffset_.load(); }
    const char* GetUrl() const { return url_; }
    const char* GetFileName() const { return fileName_; }

protected:
    void OnExecute() override;
    virtual void OnReceived(int32_t count) = 0;
    virtual void OnStart(int64_t offset);
    virtual void OnFinish(int64_t startOffset, int64_t position);
    // The local bytes up to offset, which OnStart reported, were not the server's file: they are
    // fetched again from byte 0, so whoever counted them takes them back out.
    virtual void OnRestart(int64_t offset);

private:
    enum class Attempt { Done, Reconnect };
    Attempt RunAttempt(int& drops);

    // Creates the directories along a file name ("a/b/c" makes "a" and "a/b").
    static void CreateDirectories(const char* fileName);
    static int64_t LocalLength(const char* fileName);

    void PublishSession(platform::HttpSession* session);
    // True when the session was still published, i.e. nobody closed it from outside.
    bool WithdrawSession();

    std::mutex internetLock_;  // hands the internet handle over between the transfer and its closer
    platform::HttpSession* internet_ = nullptr;
    char url_[1024] = {};
    char fileName_[256] = {};
    int32_t resume_ = 0;
    std::atomic<int64_t> startOffset_{0};
    std::atomic<int64_t> position_{0};
    std::atomic<int64_t> length_{0};
    std::atomic<Outcome> outcome_{Outcome::NotRun};
};
