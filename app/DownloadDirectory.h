#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "app/cApp.h"

// Told when the download folder text has changed, so that it is redrawn. The Windows program
// installs its main window (which invalidates itself when it has a window); the console front
// end may print the new folder.
class DownloadFolderListener {
public:
    virtual ~DownloadFolderListener() = default;
    virtual void OnDownloadFolderChanged() = 0;
};

class DownloadDirectory {
public:
    DownloadDirectory() = delete;

    // Longest folder text the fields hold, without the terminator.
    static constexpr size_t kMaxLength = 259;
    // The folder used until the user picks one: "c:\ZERU\download\MXBtolvin" and a backslash.
    static constexpr const char* kDefaultFolder = "c:\\ZERU\\download\\MXBtolvin\\";
    static constexpr const char* kNoBackslashMessage = "cApp::CreateDownloadDirectory :: error (-32)";

    // The directories to create for folder, outermost first. Everything up to and including
    // the first backslash is the drive part and is never created; each further backslash ends
    // one level; a text that does not end with a backslash ends with one more level, itself.
    // No backslash at all gives no levels.
    static std::vector<std::string> Levels(const char* folder);

    // nullptr: nobody is told.
    static void SetListener(DownloadFolderListener* listener);
    static DownloadFolderListener* Listener();
};
