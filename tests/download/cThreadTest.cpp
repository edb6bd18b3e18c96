#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "download/cThread.h"

namespace {

using namespace std::chrono_literals;

// A job that polls its running flag like the transfers do, and counts what happened to it.
class PollingJob : public cThread {
public:
    explicit PollingJob(bool pollUntilStopped = true) : cThread("PollingJob"), poll_(pollUntilStopped) {}
    ~PollingJob() override { Stop(); }

    std::atomic<int> bodies{0};
    std::atomic<bool> entered{false};
    std::atomic<bool> sawStopRequest{false};
    std::atomic<bool> release{false};

protected:
    void OnExecute() override {
        ++bodies;
        entered = true;
        if (poll_) {
            while (IsRunning()) std::this_thread::sleep_for(1ms);
            sawStopRequest = true;
        } else {
            while (!release) std::this_thread::sleep_for(1ms);
        }
    }

private:
    bool poll_;
};

void WaitFor(const std::atomic<bool>& flag) {
    for (int i = 0; i < 5000 && !flag; ++i) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(flag.load());
}

TEST(cThread, NameAndInitialState) {
    PollingJob job;
    EXPECT_STREQ(job.Name(), "PollingJob");
    EXPECT_FALSE(job.IsRunning());
    EXPECT_FALSE(job.IsStopped());
    EXPECT_EQ(job.ThreadCount(), 0);
}

TEST(cThread, NameIsCutToItsField) {
    const std::string longName(300, 'n');
    struct Named : cThread {
        using cThread::cThread;
        void OnExecute() override {}
    } job(longName.c_str());
    EXPECT_EQ(std::string(job.Name()), longName.substr(0, 127));
}

TEST(cThread, RunningReadsOneRightAfterStartAndStopJoinsThePollingBody) {
    PollingJob job;
    ASSERT_TRUE(job.Start());
    // Before the new thread may even have been scheduled.
    EXPECT_TRUE(job.IsRunning());
    EXPECT_FALSE(job.IsStopped());
    EXPECT_EQ(job.ThreadCount(), 1);
    WaitFor(job.entered);
    job.Stop();
    EXPECT_TRUE(job.sawStopRequest);  // Stop returned only after the body did
    EXPECT_FALSE(job.IsRunning());
    EXPECT_TRUE(job.IsStopped());
    EXPECT_EQ(job.bodies, 1);
}

TEST(cThread, StopOfAJobNeverStartedDoesNotWait) {
    PollingJob job;
    job.Stop();
    EXPECT_FALSE(job.IsRunning());
    EXPECT_TRUE(job.IsStopped());
    EXPECT_EQ(job.bodies, 0);
}

TEST(cThread, SecondStopReturnsAtOnce) {
    PollingJob job(false);
    ASSERT_TRUE(job.Start());
    WaitFor(job.entered);
    job.release = true;
    job.Stop();
    ASSERT_TRUE(job.IsStopped());
    job.Stop();  // nothing left to wait for, and nothing to wait on twice
    EXPECT_TRUE(job.IsStopped());
}

TEST(cThread, FinishedBodyClearsRunningAndStopReturnsAtOnce) {
    PollingJob job(false);
    ASSERT_TRUE(job.Start());
    WaitFor(job.entered);
    job.release = true;
    for (int i = 0; i < 5000 && job.IsRunning(); ++i) std::this_thread::sleep_for(1ms);
    // This is how the scheduler learns that a transfer has ended.
    EXPECT_FALSE(job.IsRunning());
    EXPECT_FALSE(job.IsStopped());
    job.Stop();
    EXPECT_TRUE(job.IsStopped());
}

TEST(cThread, DestroyingARunningJobStopsAndJoinsIt) {
    std::atomic<bool> bodyReturned{false};
    struct Job : cThread {
        std::atomic<bool>& returned;
        std::atomic<bool> entered{false};
        explicit Job(std::atomic<bool>& r) : cThread("Job"), returned(r) {}
        ~Job() override { Stop(); }
        void OnExecute() override {
            entered = true;
            while (IsRunning()) std::this_thread::sleep_for(1ms);
            returned = true;
        }
    };
    {
        auto* job = new Job(bodyReturned);
        ASSERT_TRUE(job->Start());
        WaitFor(job->entered);
        delete static_cast<cThread*>(job);  // owners delete through the base
    }
    EXPECT_TRUE(bodyReturned);
}

TEST(cThread, RunHereRunsOnTheCallersThreadAndClearsRunning) {
    struct Job : cThread {
        std::thread::id ranOn;
        bool runningInside = false;
        Job() : cThread("Job") {}
        void OnExecute() override {
            ranOn = std::this_thread::get_id();
            runningInside = IsRunning();
        }
    } job;
    job.RunHere();
    EXPECT_EQ(job.ranOn, std::this_thread::get_id());
    EXPECT_TRUE(job.runningInside);
    EXPECT_FALSE(job.IsRunning());
    EXPECT_FALSE(job.IsStopped());
    EXPECT_EQ(job.ThreadCount(), 0);
}

}  // namespace
