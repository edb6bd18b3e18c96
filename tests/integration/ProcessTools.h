#pragma once
// Small tools of the loopback tests: files, shell commands and child processes by PID.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace test_tools {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline bool Exists(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0;
}

inline long long SizeOf(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

inline std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// The text after key up to the next stop character (a JSON line's value, roughly).
inline std::string ValueAfter(const std::string& text, const std::string& key, size_t from = 0, char stop = '"') {
    const size_t p = text.find(key, from);
    if (p == std::string::npos) return "";
    const size_t b = p + key.size();
    const size_t e = text.find_first_of(std::string(1, stop) + ",}\n", b);
    return text.substr(b, e == std::string::npos ? std::string::npos : e - b);
}

// Runs a shell command and returns its stdout.
inline std::string Shell(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

// A child process with its output in files.
struct Child {
    pid_t pid = -1;
    std::string out, err;

    void Spawn(const std::vector<std::string>& args, const std::string& outFile, const std::string& errFile) {
        out = outFile;
        err = errFile;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int rc = posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (rc != 0) pid = -1;
    }
    // Exit code (low 8 bits), or 128 + signal.
    int Wait() {
        if (pid < 0) return -1;
        int st = 0;
        waitpid(pid, &st, 0);
        pid = -1;
        return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
    }
    bool Running() {
        if (pid < 0) return false;
        int st = 0;
        return waitpid(pid, &st, WNOHANG) == 0 ? true : (pid = -1, false);
    }
    ~Child() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            Wait();
        }
    }
};

}  // namespace test_tools

using namespace test_tools;
