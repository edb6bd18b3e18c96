#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

// Base of every background job: one object is one job, its body is OnExecute. Stopping is
// cooperative: the owner clears running and waits; the body polls running and returns.
class cThread {
public:
    explicit cThread(const char* name);
    virtual ~cThread();

    cThread(const cThread&) = delete;
    cThread& operator=(const cThread&) = delete;

    // Starts the body on a thread of its own. running reads 1 before the thread exists.
    // False, with running back at 0, when no thread could be created.
    bool Start();
    // Clears running and waits for the body to return; once only. Subclasses whose body uses
    // their own fields call it first in their destructors, before those fields go.
    void Stop();
    // Clears running without waiting: the body ends at its next poll. Stop still joins.
    void RequestStop() { running_.store(0); }

    // The body runs on the caller's thread (the synchronous transfer).
    void RunHere();

    bool IsRunning() const { return running_.load() != 0; }
    bool IsStopped() const { return stopped_.load() != 0; }
    const char* Name() const { return name_; }
    int ThreadCount() const { return threadCount_; }

protected:
    virtual void OnExecute() = 0;

private:
    static void Entry(cThread* self);
    void JoinAll();

    char name_[128];
    // Read afresh on every poll by the body and by the manager's scheduler.
    std::atomic<int32_t> running_{0};
    std::atomic<int32_t> stopped_{0};
    int32_t threadCount_ = 0;
    std::thread* threads_ = nullptr;
};
