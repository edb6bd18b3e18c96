#pragma once
#include <cstddef>
#include <string>

// "version.txt" in the work folder: the program's version text, one LF, and the download
// folder chosen last, with no newline after it. Bytes in the ANSI code page, no newline
// translation either way.
class VersionFile {
public:
    VersionFile() = delete;

    static constexpr size_t kPathCapacity = 260;
    // No file the program writes is anywhere near this; a larger one is not a remembered state.
    static constexpr long long kMaxFileSize = 64 * 1024;

    // "%s\version.txt" with the work folder (which ends with a backslash already; the doubled
    // separator is harmless). False, with out empty, if the path does not fit: a cut path
    // would name another file.
    static bool PathIn(const char* workFolder, char (&out)[kPathCapacity]);

    // Writes version, LF, folder, truncating the file. False if it cannot be opened or
    // written; the remembered state then stays as it was on disk.
    static bool Write(const char* path, const char* version, const char* downloadFolder);

    // The folder part of the file's text: everything after the first LF up to the end of the
    // text, untrimmed (a CR before the LF stays with the version, one at the end stays with the
    // folder). Empty when there is no LF or nothing follows it.
    static std::string FolderFromText(const char* text);
    // The remembered folder of the file at path; empty when it cannot be read, is larger than
    // kMaxFileSize or remembers none.
    static std::string ReadFolder(const char* path);

    // Restores the remembered download folder of AppContext's work folder, unless a folder
    // is already set: cApp::CreateDownloadDirectory with it. False when nothing was restored.
    static bool RestoreDownloadFolder();
};

// Rewrites AppContext's work folder's "version.txt" from its version and download folder.
bool WriteVersionFile();
