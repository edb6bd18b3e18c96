#pragma once

// How the program speaks to its user and how it ends at once. The Windows program shows
// message boxes owned by its main window; the command-line front end prints; tests record.
namespace platform {

constexpr unsigned kIconWarning = 0x30;  // MB_ICONWARNING
constexpr unsigned kOkCancel = 0x01;     // MB_OKCANCEL
constexpr int kAnswerOk = 1;             // IDOK
constexpr int kAnswerCancel = 2;         // IDCANCEL

class Host {
public:
    virtual ~Host() = default;
    // A modal message; returns the button pressed (kAnswerOk, kAnswerCancel).
    virtual int ShowMessage(const char* text, unsigned flags) = 0;
    // Ends the process at once with the exit code, without any shutdown.
    [[noreturn]] virtual void Terminate(int exitCode) = 0;
};

// The default host: a message box without owner (Windows) or a line on stderr (Linux),
// and ExitProcess / _Exit.
Host& DefaultHost();
Host& CurrentHost();
// nullptr restores the default host.
void SetHost(Host* host);

}  // namespace platform

// The one way every part shows a message: owner and caption are the host's business.
int ShowMessage(const char* text, unsigned flags);
// Immediate termination with an exit code.
[[noreturn]] void TerminateProcessNow(int exitCode);
