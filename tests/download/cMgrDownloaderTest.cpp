#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "download/DownloadObserver.h"
#include "download/EngineFixture.h"
#include "download/StopDownloader.h"
#include "download/cMgrDownloader.h"

namespace {

const std::string kBase = "http://files.test/client/";

struct Entry {
    std::string name;
    std::string content;
};

class RecordingObserver : public DownloadObserver {
public:
    void OnFinalUpdate(const cMgrDownloader& m) override {
        ++finalUpdates;
        receivedAtFinal = m.GetReceivedBytes();
        completedAtFinal = m.IsCompleted();
        if (waitForStop) {
            // A user-interface thread that is itself stopping the manager never handles the update.
            while (m.IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    void OnDownloadComplete(int failedEntries) override {
        failed = failedEntries;
        ++completions;
    }
    std::atomic<int> finalUpdates{0};
    std::atomic<int> completions{0};
    std::atomic<int> failed{-1};
    std::atomic<int64_t> receivedAtFinal{-1};
    std::atomic<bool> completedAtFinal{true};
    std::atomic<bool> waitForStop{false};
};

class ManagerTest : public EngineFixture {
protected:
    void TearDown() override {
        StopDownloader();
        EngineFixture::TearDown();
    }

    std::string Manifest(const std::vector<Entry>& entries, int totalCount = -1, int64_t totalSize = -1,
                         const std::string& base = kBase) {
        int64_t sum = 0;
        std::string list;
        for (const auto& e : entries) {
            if (!list.empty()) list += ",";
            list += "{\"Name\": \"" + e.name + "\", \"Size\": " + std::to_string(e.content.size()) + "}";
            sum += static_cast<int64_t>(e.content.size());
        }
        return "{\"Version\": 3, \"TotalCount\": " +
               std::to_string(totalCount < 0 ? static_cast<int>(entries.size()) : totalCount) +
               ", \"TotalSize\": " + std::to_string(totalSize < 0 ? sum : totalSize) + ", \"URL\": \"" + base +
               "\", \"FileList\": [" + list + "]}";
    }
    void Serve(const std::vector<Entry>& entries) {
        for (const auto& e : entries) server_.Put(kBase + e.name, e.content);
    }
    cMgrDownloader* StartManager() {
        auto* m = new cMgrDownloader(&observer_);
        AppContext->downloader = m;
        m->Start();
        return m;
    }
    void WaitUntilEnded(cMgrDownloader* m) {
        while (m->IsRunning()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    RecordingObserver observer_;
};

TEST_F(ManagerTest, EntriesThatDoNotEndWholeAreCounted) {
    const std::string a = Pattern(3000, 1), b = Pattern(5000, 2);
    struct Case {
        const char* what;
        std::string manifest;  // "" = no file.json
        std::vector<Entry> served;
        int failed;
        std::vector<std::string> failedNames;
        std::vector<std::string> present;
        size_t urlBoxes;
        size_t nameLines;
    };
    const std::vector<Entry> two = {{"a.bin", a}, {"sub/b.bin", b}};
    const Case cases[] = {
        {"all whole", Manifest(two), two, 0, {}, {"a.bin", "sub/b.bin"}, 0, 0},
        {"no file.json", "", two, 1, {"file.json"}, {}, 0, 0},
        {"not JSON", "this is not json", two, 1, {"file.json"}, {}, 0, 0},
        {"TotalCount 0", Manifest({}, 0), {}, 0, {}, {}, 0, 0},
        {"fewer FileList objects than TotalCount", Manifest(two, 3), two, 1, {"FileList[2]"}, {"a.bin", "sub/b.bin"}, 0, 0},
        {"a 404 entry", Manifest({{"a.bin", a}, {"gone.bin", b}}), {{"a.bin", a}}, 1, {"gone.bin"}, {"a.bin"}, 0, 0},
        {"URL without a final '/'", Manifest(two, -1, -1, "http://files.test/client"), two, 2, {"a.bin", "sub/b.bin"}, {}, 2, 0},
        {"empty URL", Manifest(two, -1, -1, ""), two, 2, {"a.bin", "sub/b.bin"}, {}, 2, 0},
        {"unsafe names are refused",
         Manifest({{"../evil.bin", a}, {"/abs.bin", a}, {"C:/drive.bin", a}, {"x/../../up.bin", a}, {"con.txt", a},
                   {"a|b.bin", a}, {"ok.bin", a}}),
         {{"../evil.bin", a}, {"/abs.bin", a}, {"ok.bin", a}}, 6,
         {"../evil.bin", "/abs.bin", "C:/drive.bin", "x/../../up.bin", "con.txt", "a|b.bin"}, {"ok.bin"}, 0, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::SetCurrentDir(context_.downloadFolder);
        ASSERT_EQ(std::system(("rm -rf '" + dir_ + "/dl'/* '" + dir_ + "/work'/*").c_str()), 0);
        if (!c.manifest.empty()) WriteFile(Work("file.json"), c.manifest);
        Serve(c.served);
        const size_t boxesBefore = host_.Messages().size();
        observer_.completions = 0;
        cMgrDownloader* m = StartManager();
        WaitUntilEnded(m);
        EXPECT_EQ(observer_.completions.load(), 1);
        EXPECT_EQ(observer_.failed.load(), c.failed);
        EXPECT_TRUE(m->IsCompleted());
        EXPECT_EQ(m->GetFailedNames(), c.failedNames);
        for (const auto& p : c.present) EXPECT_TRUE(Exists(Dl(p))) << p;
        EXPECT_EQ(host_.Messages().size() - boxesBefore, c.urlBoxes);
        EXPECT_EQ(LogTexts("cMgrDownloader::DoDownloadFile :: file name error (-33)").size(), c.nameLines);
        StopDownloader();
        // Nothing outside the download folder, nothing for a refused name.
        EXPECT_FALSE(Exists(dir_ + "/evil.bin"));
        EXPECT_FALSE(Exists(dir_ + "/up.bin"));
        EXPECT_FALSE(Exists("/abs.bin"));
        EXPECT_FALSE(Exists(Dl("con.txt")));
        EXPECT_FALSE(Exists(Dl("gone.bin")));
    }
}

TEST_F(ManagerTest, SixEntriesWithFourSlotsStartInOrderAtMostFourAtOnce) {
    std::vector<Entry> entries;
    for (int i = 0; i < 6; ++i) entries.push_back({"f" + std::to_string(i) + ".bin", Pattern(1000, i + 1)});
    Serve(entries);
    for (const auto& e : entries) server_.FaultsOf(kBase + e.name).hold = true;
    WriteFile(Work("file.json"), Manifest(entries));
    cMgrDownloader* m = StartManager();

    auto requested = [&](int i) { return !server_.RequestsFor(kBase + entries[i].name).empty(); };
    while (!requested(3)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Many scheduler turns later, with all four still running, entry 4 still waits.
    const int sleeps = clock_.sleeps.load();
    while (clock_.sleeps.load() < sleeps + 30) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(requested(4));
    EXPECT_FALSE(requested(5));

    server_.Release(kBase + entries[2].name);
    while (!requested(4)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(requested(5));
    for (const auto& e : entries) server_.Release(kBase + e.name);
    WaitUntilEnded(m);

    // Entry i starts no earlier than 33 ms after entry i-1 (the threads may ask in any order
    // once started, so the manager's pacing shows in the ticks, not in the order of requests).
    for (int i = 0; i < 6; ++i) {
        const auto reqs = server_.RequestsFor(kBase + entries[i].name);
        ASSERT_FALSE(reqs.empty());
        EXPECT_GE(reqs.front().tick - m->GetStartTick(), 33u * static_cast<uint32_t>(i)) << "entry " << i;
    }
    EXPECT_LE(server_.MaxActive(), 4);
    EXPECT_EQ(observer_.failed.load(), 0);
}

TEST_F(ManagerTest, CountersRebuildFromStartOffsets) {
    const std::vector<Entry> entries = {{"a.bin", Pattern(1000, 1)}, {"b.bin", Pattern(2000, 2)}, {"c.bin", Pattern(3000, 3)}};
    Serve(entries);
    WriteFile(Dl("a.bin"), entries[0].content.substr(0, 100));
    WriteFile(Dl("c.bin"), entries[2].content.substr(0, 250));
    WriteFile(Work("file.json"), Manifest(entries));
    cMgrDownloader* m = StartManager();
    WaitUntilEnded(m);
    EXPECT_EQ(m->GetTotalSize(), 6000);
    EXPECT_EQ(m->GetReceivedBytes(), 6000);
    EXPECT_EQ(m->GetReceivedBytes() - m->GetBytesThisRun(), 350);
    EXPECT_EQ(observer_.receivedAtFinal.load(), 6000);
    EXPECT_FALSE(observer_.completedAtFinal.load()) << "completed is set after the final update";
    EXPECT_EQ(LogTexts("cMgrDownloader::OnStart "),
              (std::vector<std::string>{"cMgrDownloader::OnStart 100", "cMgrDownloader::OnStart 250"}));
    for (const auto& e : entries) EXPECT_TRUE(ReadFile(Dl(e.name)) == e.content);
}

TEST_F(ManagerTest, AClientAlreadyCompleteMakesOneRequestPerFile) {
    const std::vector<Entry> entries = {{"a.bin", Pattern(1000, 1)}, {"d/b.bin", Pattern(2000, 2)}};
    Serve(entries);
    ASSERT_EQ(mkdir(Dl("d").c_str(), 0777), 0);
    for (const auto& e : entries) WriteFile(Dl(e.name), e.content);
    WriteFile(Work("file.json"), Manifest(entries));
    cMgrDownloader* m = StartManager();
    WaitUntilEnded(m);
    EXPECT_EQ(server_.Requests().size(), 2u);
    EXPECT_EQ(m->GetReceivedBytes(), 3000);
    EXPECT_EQ(m->GetBytesThisRun(), 0);
    EXPECT_EQ(observer_.failed.load(), 0);
}

TEST_F(ManagerTest, RangeIgnoredKeepsTheCountersTrue) {
    const std::vector<Entry> entries = {{"a.bin", Pattern(5000, 1)}};
    Serve(entries);
    server_.FaultsOf(kBase + "a.bin").ignoreRange = true;
    WriteFile(Dl("a.bin"), entries[0].content.substr(0, 1200));
    WriteFile(Work("file.json"), Manifest(entries));
    cMgrDownloader* m = StartManager();
    WaitUntilEnded(m);
    EXPECT_EQ(m->GetReceivedBytes(), 5000);
    EXPECT_TRUE(ReadFile(Dl("a.bin")) == entries[0].content);
    EXPECT_TRUE(host_.Messages().empty()) << "no size error";
}

TEST_F(ManagerTest, SizeErrorOnlyWhenReceivedExceedsTheTotal) {
    WriteFile(Work("file.json"), Manifest({}, 0, 1000));
    cMgrDownloader* m = StartManager();
    WaitUntilEnded(m);
    m->OnReceived(999);
    m->OnReceived(1);
    EXPECT_TRUE(host_.Messages().empty()) << "equal is no error";
    m->OnReceived(1);
    EXPECT_EQ(host_.Messages(), std::vector<std::string>{"cMgrDownloader::OnReceived size error"});
    m->OnStart(0);
    EXPECT_TRUE(LogTexts("cMgrDownloader::OnStart").empty());
}

TEST_F(ManagerTest, TotalSizeZeroCountsOnlyStartOffsets) {
    WriteFile(Work("file.json"), Manifest({}, 0, 0));
    cMgrDownloader* m = StartManager();
    WaitUntilEnded(m);
    m->OnReceived(500);
    m->OnStart(70);
    EXPECT_EQ(m->GetBytesThisRun(), 0);
    EXPECT_EQ(m->GetReceivedBytes(), 70);
    EXPECT_TRUE(host_.Messages().empty());
}

TEST_F(ManagerTest, ConcurrentAddsAreNeverLost) {
    WriteFile(Work("file.json"), Manifest({}, 0, int64_t{1} << 40));
    cMgrDownloader* m = StartManager();
    WaitUntilEnded(m);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([m] {
            for (int i = 0; i < 100000; ++i) m->OnReceived(1 << 20);
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(m->GetBytesThisRun(), int64_t{400000} << 20);
    EXPECT_EQ(m->GetReceivedBytes(), int64_t{400000} << 20);
}

TEST_F(ManagerTest, LaunchFileIsTheLastNameEndingInExe) {
    const std::vector<Entry> entries = {
        {"dir/name.exe", "MZ1"}, {"name.exe.txt", "x"}, {"NAME.EXE", "MZ2"}, {"Game.exe", "MZ3"}, {"../bad.exe", "MZ4"}};
    Serve(entries);
    WriteFile(Work("file.json"), Manifest(entries));
    cMgrDownloader* m = StartManager();
    WaitUntilEnded(m);
    EXPECT_STREQ(AppContext->launchFile, "Game.exe");

    StopDownloader();
    CopyText(AppContext->launchFile, "");
    WriteFile(Work("file.json"), Manifest({entries[0], entries[1], entries[2], entries[4]}));
    m = StartManager();
    WaitUntilEnded(m);
    EXPECT_STREQ(AppContext->launchFile, "dir/name.exe") << "a refused name never becomes the launch file";
}

TEST_F(ManagerTest, StopDuringTheFinalUpdateReportsNoCompletion) {
    WriteFile(Work("file.json"), Manifest({}, 0));
    observer_.waitForStop = true;
    StartManager();
    while (observer_.finalUpdates.load() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StopDownloader();  // must not wait forever on the manager waiting for us
    EXPECT_EQ(observer_.completions.load(), 0);
    EXPECT_EQ(AppContext->downloader, nullptr);
}

TEST_F(ManagerTest, StopWhileTransfersStallEndsThemAll) {
    std::vector<Entry> entries;
    for (int i = 0; i < 3; ++i) entries.push_back({"s" + std::to_string(i) + ".bin", Pattern(100000, i + 1)});
    Serve(entries);
    for (const auto& e : entries) server_.FaultsOf(kBase + e.name).stallOnce = true;
    WriteFile(Work("file.json"), Manifest(entries));
    StartManager();
    while (server_.Requests().size() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    StopDownloader();
    EXPECT_EQ(observer_.completions.load(), 0);
    EXPECT_EQ(observer_.finalUpdates.load(), 0);
    EXPECT_TRUE(host_.Messages().empty());
}

}  // namespace
