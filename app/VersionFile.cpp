#include "app/VersionFile.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/AppContext.h"
#include "app/cApp.h"
#include "platform/FileSystem.h"

namespace {

// Closes the stream on every way out.
class FileCloser {
public:
    explicit FileCloser(FILE* file) : file_(file) {}
    ~FileCloser() {
        if (file_) std::fclose(file_);
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;
    FILE* get() const { return file_; }
    // Closes now and tells whether everything written reached the file.
    bool Close() {
        FILE* f = file_;
        file_ = nullptr;
        return f && std::fclose(f) == 0;
    }

private:
    FILE* file_;
};

}  // namespace

bool VersionFile::PathIn(const char* workFolder, char (&out)[kPathCapacity]) {
    const int needed = std::snprintf(out, sizeof out, "%s\\version.txt", workFolder ? workFolder : "");
    if (needed < 0 || static_cast<size_t>(needed) >= sizeof out) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool VersionFile::Write(const char* path, const char* version, const char* downloadFolder) {
    if (!path || !*path) return false;
    FileCloser file(platform::OpenFile(path, "wb"));
    if (!file.get()) return false;
    bool ok = std::fputs(version ? version : "", file.get()) >= 0;
    ok = std::fputc('\n', file.get()) != EOF && ok;
    ok = std::fputs(downloadFolder ? downloadFolder : "", file.get()) >= 0 && ok;
    ok = std::fflush(file.get()) == 0 && ok;
    return file.Close() && ok;
}

std::string VersionFile::FolderFromText(const char* text) {
    if (!text) return {};
    const char* lf = std::strchr(text, '\n');
    if (!lf) return {};
    return std::string(lf + 1);
}

std::string VersionFile::ReadFolder(const char* path) {
    if (!path || !*path) return {};
    FileCloser file(platform::OpenFile(path, "rb"));
    if (!file.get()) return {};
    if (!platform::Seek64(file.get(), 0, SEEK_END)) return {};
    const long long length = platform::Tell64(file.get());
    if (length < 0 || length > kMaxFileSize) return {};
    if (!platform::Seek64(file.get(), 0, SEEK_SET)) return {};
    // The text is a C string: a NUL byte ends it, as it ends the folder.
    std::vector<char> text(static_cast<size_t>(length) + 1);
    const size_t got = std::fread(text.data(), 1, static_cast<size_t>(length), file.get());
    text[got] = '\0';
    return FolderFromText(text.data());
}

bool VersionFile::RestoreDownloadFolder() {
    if (!AppContext || AppContext->downloadFolder[0] != '\0') return false;
    char path[kPathCapacity];
    if (!PathIn(AppContext->workFolder, path)) return false;
    const std::string folder = ReadFolder(path);
    if (folder.empty()) return false;
    return cApp::CreateDownloadDirectory(folder.c_str());
}

bool WriteVersionFile() {
    if (!AppContext) return false;
    char path[VersionFile::kPathCapacity];
    if (!VersionFile::PathIn(AppContext->workFolder, path)) return false;
    return VersionFile::Write(path, AppContext->version, AppContext->downloadFolder);
}
