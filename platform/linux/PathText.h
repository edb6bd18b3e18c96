#pragma once
#include <string>

namespace platform::linux_backend {

// Windows takes '\' and '/' alike between names; here only '/' separates them.
inline std::string NativePath(const char* path) {
    std::string out(path ? path : "");
    for (char& c : out)
        if (c == '\\') c = '/';
    return out;
}

}  // namespace platform::linux_backend
