// Lists the windows of the Wine desktop it runs in, with their texts, for the end-to-end
// tests: X11 shows a message box's caption but not its text, and the folder dialog's space
// label is a plain text control. One line a window, tab-separated:
//   top|child  handle  owner-or-parent  visible  enabled  x  y  width  height  class  text
// Handles are hexadecimal; a line break in a text is written as "\n", a tab as "\t".
#include <windows.h>

#include <cstdio>

namespace {

void PrintEscaped(const char* text) {
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') std::fputs("\\n", stdout);
        else if (*p == '\r') std::fputs("\\r", stdout);
        else if (*p == '\t') std::fputs("\\t", stdout);
        else if (*p == '\\') std::fputs("\\\\", stdout);
        else std::fputc(*p, stdout);
    }
}

void PrintWindow(const char* kind, HWND window, HWND related) {
    char cls[256] = {};
    char text[4096] = {};
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, text, sizeof text);
    RECT r{};
    GetWindowRect(window, &r);
    std::printf("%s\t%llx\t%llx\t%d\t%d\t%ld\t%ld\t%ld\t%ld\t%s\t", kind,
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(related)),
                IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0, r.left, r.top,
                r.right - r.left, r.bottom - r.top, cls);
    PrintEscaped(text);
    std::fputc('\n', stdout);
}

BOOL CALLBACK OnChild(HWND child, LPARAM) {
    PrintWindow("child", child, GetParent(child));
    return TRUE;
}

BOOL CALLBACK OnTop(HWND window, LPARAM) {
    if (!IsWindowVisible(window)) return TRUE;
    PrintWindow("top", window, GetWindow(window, GW_OWNER));
    EnumChildWindows(window, OnChild, 0);
    return TRUE;
}

}  // namespace

int main() {
    EnumWindows(OnTop, 0);
    std::fflush(stdout);
    return 0;
}
