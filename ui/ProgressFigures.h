#pragma once
#include <cstddef>
#include <cstdint>

// The arithmetic and the texts of the download display: what the information panel shows on
// each refresh tick, what it pushes into the progress bar, the bar's own texts and fill, and
// the main window's final update. Everything here is a pure function of the counters and a
// tick, so the Windows windows and the command-line front end show the same figures.

// The download manager's counters as one reader saw them (each read whole, not necessarily
// consistent with each other).
struct ProgressCounters {
    int64_t totalSize = 0;  // bytes of the whole client; 0 while unknown
    int64_t received = 0;   // bytes in place, start offsets of resumed files included
    int64_t thisRun = 0;    // bytes over the network since the manager started
    uint32_t startTick = 0; // milliseconds, GetTickCount
};

// Capacities of the displayed fields, terminator included.
constexpr size_t kValueTextCapacity = 16;
constexpr size_t kPercentTextCapacity = 8;

using ValueText = char[kValueTextCapacity];
using ValueTextWide = wchar_t[kValueTextCapacity];
using PercentText = char[kPercentTextCapacity];
using PercentTextWide = wchar_t[kPercentTextCapacity];

// One refresh of the information panel.
struct PanelFigures {
    // False when the total size is still 0: the panel and the bar keep what they show.
    bool changed = false;
    uint32_t elapsedSeconds = 0;
    // Bytes per second; 0 in the first second, and 0 rather than a negative or infinite
    // figure from counters that are already wrong.
    float speed = 0.0f;
    float rate = 0.0f;              // MiB per second, for SetRate
    // 0 without speed or when received has reached (or passed) the total; a time beyond
    // 32 bits reads 4294967295 instead of an undefined conversion.
    uint32_t remainingSeconds = 0;
    // Hundredths of a percent, for SetPercent; not held at 10000 (the bar's fill is), but
    // saturated at the ends of 32 bits.
    int32_t percent = 0;
    ValueText receivedText = {};    // "%03.1f MBytes"
    ValueText elapsedText = {};     // "%02d:%02d:%02d"
    ValueText remainingText = {};   // "%02d:%02d:%02d"
};

// The main window's update when the manager reports the end.
struct FinalFigures {
    bool changed = false;  // false when the total size is 0
    float rate = 0.0f;     // MiB per second
    int32_t percent = 0;   // hundredths of a percent
};

class ProgressFigures {
public:
    // The panel's refresh for the tick now.
    static PanelFigures ForPanel(const ProgressCounters& counters, uint32_t now);
    // The main window's final update. Whether it runs at all (a manager that is running and
    // not yet completed) is the caller's test; this only needs a known total size.
    static FinalFigures ForFinalUpdate(const ProgressCounters& counters, uint32_t now);

    // Elapsed milliseconds from start to now on the wrapping 32-bit tick counter.
    static uint32_t ElapsedMs(uint32_t startTick, uint32_t now) { return now - startTick; }
    // Hundredths of a percent of received over total (total not 0).
    static int32_t PercentOf(int64_t received, int64_t totalSize);

    // Fill width of a bar of the given width for percent (hundredths of a percent), in pixels.
    // The fill stays inside the bar's one-pixel border whatever percent the caller passes.
    static int32_t FillWidth(int32_t barWidth, int32_t percent);

    // The texts, narrow for the console and wide for drawing; the wide ones are the narrow ones
    // widened, so both always read the same. A text longer than its field is cut.
    static void FormatMBytes(int64_t bytes, ValueText& out);   // "%03.1f MBytes" of bytes / 2^20
    static void FormatMBytes(int64_t bytes, ValueTextWide& out);
    static void FormatClock(uint32_t seconds, ValueText& out); // "%02d:%02d:%02d"
    static void FormatClock(uint32_t seconds, ValueTextWide& out);
    static void FormatPercent(int32_t percent, PercentText& out);  // "%.02f%%" of percent / 100
    static void FormatPercent(int32_t percent, PercentTextWide& out);
    static void FormatRate(float rate, ValueText& out);        // "%.03f MiB/Sec"
    static void FormatRate(float rate, ValueTextWide& out);

    // Copies a formatted (ASCII) text into a wide field of the same capacity.
    static void Widen(const char* text, wchar_t* out, size_t capacity);
    template <size_t N>
    static void Widen(const char (&text)[N], wchar_t (&out)[N]) {
        Widen(text, out, N);
    }
};
