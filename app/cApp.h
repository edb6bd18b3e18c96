#pragma once

// The application's group of operations. It holds no state: everything application-wide
// lives in AppContext. The run itself (OnExecute, CheckVersion) belongs to the Windows
// program; the operations below are portable and shared with the command-line front end.
class cApp {
public:
    cApp() = delete;

    // The one way to set the download folder: stores path in downloadFolder and
    // downloadFolderWide, creates every directory level of it and asks for the folder text
    // to be redrawn (DownloadDirectory::SetListener). A path without any backslash is stored
    // and reported ("error (-32)") but nothing is created. A path longer than the folder
    // fields hold (259 characters) is refused whole: nothing changes and false comes back,
    // because a cut path would name, and create, another folder.
    static bool CreateDownloadDirectory(const char* path);
};
