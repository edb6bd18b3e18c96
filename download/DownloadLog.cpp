#include "download/DownloadLog.h"

#include <cstdio>

#include "app/AppContext.h"
#include "platform/FileSystem.h"

const char* BuildStamp() { return __DATE__ " " __TIME__; }

void AppendDownloadLog(const char* text) {
    if (!AppContext) return;
    char path[260];
    const int n = std::snprintf(path, sizeof path, "%s\\%s", AppContext->workFolder, "brindlex.log");
    if (n < 0 || n >= static_cast<int>(sizeof path)) return;  // a path that does not fit is no log
    FILE* file = platform::OpenFile(path, "a");
    if (!file) return;
    std::fprintf(file, "%s %s\n", BuildStamp(), text ? text : "");
    std::fflush(file);
    std::fclose(file);
}
