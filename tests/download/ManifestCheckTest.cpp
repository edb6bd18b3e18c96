#include <gtest/gtest.h>

#include "download/EngineFixture.h"
#include "download/ManifestCheck.h"

namespace {

const char kVersionUrl[] = "http://version.test/Live/moskale/json/tolvin/";

class ManifestCheckTest : public EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        CopyText(context_.versionUrl, kVersionUrl);
    }
    static std::string Doc(int version, int64_t size) {
        return "{\"Version\": " + std::to_string(version) + ", \"TotalCount\": 0, \"TotalSize\": " + std::to_string(size) +
               ", \"URL\": \"http://files.test/\", \"FileList\": []}";
    }
};

TEST_F(ManifestCheckTest, AFreshCopyReplacesTheLocalOneOnlyWhenItsVersionIsGreater) {
    struct Case {
        const char* what;
        int local;  // 0: no local "file.json"
        int fetched;
        int64_t expectedSize;  // the TotalSize of the manifest that stays
    };
    const Case cases[] = {
        {"no local manifest: fetched straight into file.json", 0, 7, 700},
        {"local 5, fetched 7: replaced", 5, 7, 700},
        {"local 7, fetched 7: kept", 7, 7, 500},
        {"local 9, fetched 7: kept", 9, 7, 500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::RemoveFile(Work("file.json").c_str());
        if (c.local) WriteFile(Work("file.json"), Doc(c.local, 500));
        server_.Put(std::string(kVersionUrl) + "file.json", Doc(c.fetched, 700));
        EXPECT_EQ(CheckDownloadManifest(), c.expectedSize);
        EXPECT_FALSE(Exists(Work("fileT.json")));
        EXPECT_TRUE(Exists(Work("file.json")));
    }
    for (const auto& r : server_.Requests()) EXPECT_EQ(r.agent, "cResDownloader");
}

TEST_F(ManifestCheckTest, AManifestThatCannotBeFetchedEndsTheProgramWithZero) {
    struct Case {
        const char* what;
        bool local;
        int status;  // what the version server answers
    };
    const Case cases[] = {{"404, no local manifest", false, 404}, {"500 with a local manifest", true, 500}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.local) WriteFile(Work("file.json"), Doc(3, 1));
        server_.Put(std::string(kVersionUrl) + "file.json", Doc(4, 2));
        server_.FaultsOf(std::string(kVersionUrl) + "file.json").status = c.status;
        int code = -1;
        try {
            CheckDownloadManifest();
        } catch (const fake::Terminated& e) {
            code = e.code;
        }
        EXPECT_EQ(code, 0);
        EXPECT_EQ(host_.Messages().back(), "cWinMain::LoadDownloadInfo :: network error, try again...");
        EXPECT_FALSE(Exists(Work("fileT.json")));
    }
}

}  // namespace
