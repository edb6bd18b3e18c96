#include <windows.h>
#include <ole2.h>

#include <cstring>

#include "app/AppContext.h"
#include "app/win/WindowsHost.h"
#include "app/cApp.h"
#include "download/StopDownloader.h"
#include "platform/FileSystem.h"

namespace {

// The work folder: the temporary directory, "Pellacorde_Live\" and "MXBtolvin\", each level
// made on the way. An existing folder from an earlier run is simply reused.
void BuildWorkFolder(tAppContext& ctx) {
    char temp[261] = {};
    if (!GetTempPathA(sizeof temp, temp)) temp[0] = '\0';
    CopyText(ctx.workFolder, temp);
    AppendText(ctx.workFolder, "Pellacorde_Live\\");
    CreateDirectoryA(ctx.workFolder, nullptr);
    if (!AppendText(ctx.workFolder, "MXBtolvin\\")) {
        // A temporary path this long leaves no room for our folders: a cut name would be
        // some other folder, so say so and use the program's own folder instead.
        MessageBoxA(nullptr, "The temporary folder's path is too long; the program's own folder is used instead.",
                    ctx.caption, MB_ICONWARNING);
        CopyText(ctx.workFolder, ctx.moduleFolder);
        return;
    }
    CreateDirectoryA(ctx.workFolder, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "tolvin-downloader...");
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(mutex);
        MessageBoxA(nullptr, "The downloader is already running.", "tolvin-downloader...", MB_ICONWARNING);
        return 0;
    }
    OleInitialize(nullptr);

    static WindowsHost host;
    platform::SetHost(&host);

    AppContext = new tAppContext;
    AppContext->instance = instance;
    char module[260] = {};
    GetModuleFileNameA(instance, module, sizeof module);
    if (char* slash = strrchr(module, '\\')) slash[1] = '\0';
    CopyText(AppContext->moduleFolder, module);
    BuildWorkFolder(*AppContext);

    const int result = cApp::OnExecute();

    StopDownloader();
    delete AppContext;
    AppContext = nullptr;
    OleUninitialize();
    if (mutex) ReleaseMutex(mutex);  // the handle closes with the process
    return result;
}
