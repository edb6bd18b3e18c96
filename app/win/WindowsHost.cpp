#include "app/win/WindowsHost.h"

#include <windows.h>

#include "app/AppContext.h"
#include "app/win/cWinMain.h"

int WindowsHost::ShowMessage(const char* text, unsigned flags) {
    HWND owner = (AppContext && AppContext->mainWindow) ? AppContext->mainWindow->Handle() : nullptr;
    return MessageBoxA(owner, text, AppContext ? AppContext->caption : "tolvin-downloader...", flags);
}

void WindowsHost::Terminate(int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); }
