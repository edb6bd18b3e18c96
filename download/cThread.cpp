#include "download/cThread.h"

#include <cstdio>
#include <new>
#include <system_error>

cThread::cThread(const char* name) { std::snprintf(name_, sizeof name_, "%s", name ? name : ""); }

cThread::~cThread() {
    Stop();
    JoinAll();  // a body that stopped its own job is joined here
    delete[] threads_;
    threads_ = nullptr;
    threadCount_ = 0;
}

bool cThread::Start() {
    running_.store(1);
    stopped_.store(0);
    // The program starts each job once; should it start one again, the old thread ends first.
    JoinAll();
    delete[] threads_;
    threadCount_ = 1;
    threads_ = new std::thread[1];
    try {
        threads_[0] = std::thread(&cThread::Entry, this);
    } catch (const std::system_error& e) {
        // A job that never runs must not look running, or its poller would wait for it forever.
        std::fprintf(stderr, "cThread::Start :: %s: thread creation failed: %s\n", name_, e.what());
        running_.store(0);
        return false;
    }
    return true;
}

void cThread::Entry(cThread* self) {
    self->OnExecute();
    self->running_.store(0);
}

void cThread::Stop() {
    if (stopped_.load()) return;
    running_.store(0);
    JoinAll();
    stopped_.store(1);
}

void cThread::RunHere() {
    running_.store(1);
    stopped_.store(0);
    OnExecute();
    running_.store(0);
}

void cThread::JoinAll() {
    if (!threads_) return;
    for (int i = 0; i < threadCount_; ++i) {
        // A body that stops its own job (Stop from inside OnExecute) must not join itself.
        if (threads_[i].joinable() && threads_[i].get_id() != std::this_thread::get_id()) threads_[i].join();
    }
}
