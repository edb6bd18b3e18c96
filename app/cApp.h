#pragma once

class cJson;

// The application's group of operations. It holds no state: everything application-wide
// lives in AppContext.
class cApp {
public:
    cApp() = delete;

    // The application run and its version step belong to the Windows program.
    static int OnExecute();
    static void CheckVersion(cJson& layout);

    // The one way to set the download folder: stores path in downloadFolder and
    // downloadFolderWide, creates every directory level of it and asks for the folder text
    // to be redrawn (DownloadDirectory::SetListener). A path without any backslash is stored
    // and reported ("error (-32)") but nothing is created. A path longer than the folder
    // fields hold (259 characters) is refused whole: nothing changes and false comes back,
    // because a cut path would name, and create, another folder. Portable, in
    // app/DownloadDirectory.cpp.
    static bool CreateDownloadDirectory(const char* path);
};
