#include "ui/ProgressFigures.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace {

// Sizes and rates are shown in units of 2^20 bytes, whatever the labels say.
constexpr double kPerMiB = 1.0 / 1048576.0;
constexpr float kPerMiBFloat = 1.0f / 1048576.0f;

// The counters only ever grow by positive blocks; a speed that is negative or not finite can
// only come from counters that are already wrong, and is shown as no speed at all.
float SaneSpeed(float speed) {
    if (!(speed >= 0.0f) || std::isinf(speed)) return 0.0f;
    return speed;
}

// total - received without overflow, for counters that are out of any sensible range.
int64_t Difference(int64_t total, int64_t received) {
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    if (received < 0 && total > kMax + received) return kMax;
    if (received > 0 && total < kMin + received) return kMin;
    return total - received;
}

// Seconds still to go, truncated to 32 bits. Nothing left (received at or beyond the total)
// or no speed reads 0; more than the counter holds reads its largest value rather than
// whatever an out-of-range conversion would produce.
uint32_t RemainingSeconds(int64_t total, int64_t received, float speed) {
    if (speed == 0.0f) return 0;
    const float bytesLeft = static_cast<float>(Difference(total, received));
    const float seconds = bytesLeft / speed;
    if (!(seconds > 0.0f)) return 0;
    if (seconds >= 4294967296.0f) return std::numeric_limits<uint32_t>::max();
    return static_cast<uint32_t>(seconds);
}

// Truncation toward zero into 32 bits; out-of-range values saturate, NaN reads 0.
int32_t TruncateToInt32(float value) {
    if (value != value) return 0;
    if (value >= 2147483648.0f) return std::numeric_limits<int32_t>::max();
    if (value < -2147483648.0f) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

}  // namespace

int32_t ProgressFigures::PercentOf(int64_t received, int64_t totalSize) {
    if (totalSize == 0) return 0;
    const double share = static_cast<double>(received) * 100.0 / static_cast<double>(totalSize);
    const float shareFloat = static_cast<float>(share);
    const float hundredths = shareFloat * 100.0f;
    return TruncateToInt32(hundredths);
}

PanelFigures ProgressFigures::ForPanel(const ProgressCounters& counters, uint32_t now) {
    PanelFigures f;
    if (counters.totalSize == 0) return f;
    f.changed = true;

    FormatMBytes(counters.received, f.receivedText);

    f.elapsedSeconds = ElapsedMs(counters.startTick, now) / 1000u;
    FormatClock(f.elapsedSeconds, f.elapsedText);

    if (f.elapsedSeconds != 0) {
        const float bytes = static_cast<float>(static_cast<double>(counters.thisRun));
        f.speed = SaneSpeed(bytes / static_cast<float>(f.elapsedSeconds));
    }
    f.rate = f.speed * kPerMiBFloat;

    f.remainingSeconds = RemainingSeconds(counters.totalSize, counters.received, f.speed);
    FormatClock(f.remainingSeconds, f.remainingText);

    f.percent = PercentOf(counters.received, counters.totalSize);
    return f;
}

FinalFigures ProgressFigures::ForFinalUpdate(const ProgressCounters& counters, uint32_t now) {
    FinalFigures f;
    if (counters.totalSize == 0) return f;
    f.changed = true;

    // Unlike the panel, the bytes go to single precision directly, not through double.
    const uint32_t elapsed = ElapsedMs(counters.startTick, now);
    float speed = 0.0f;
    if (elapsed >= 1000u)
        speed = SaneSpeed(static_cast<float>(counters.thisRun) / static_cast<float>(elapsed / 1000u));
    f.rate = speed * kPerMiBFloat;

    f.percent = PercentOf(counters.received, counters.totalSize);
    return f;
}

int32_t ProgressFigures::FillWidth(int32_t barWidth, int32_t percent) {
    if (percent < 0) percent = 0;
    if (percent > 10000) percent = 10000;
    const int64_t inner = static_cast<int64_t>(barWidth) - 2;
    if (inner <= 0) return 0;
    return static_cast<int32_t>(inner * percent / 10000);
}

void ProgressFigures::Widen(const char* text, wchar_t* out, size_t capacity) {
    if (!out || capacity == 0) return;
    size_t i = 0;
    if (text)
        for (; i + 1 < capacity && text[i] != '\0'; ++i)
            out[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    out[i] = L'\0';
}

// snprintf cuts at the field's capacity and always terminates; the count it returns (what the
// whole text would have needed) is of no use to a fixed display field.
void ProgressFigures::FormatMBytes(int64_t bytes, ValueText& out) {
    const double mib = static_cast<double>(bytes) * kPerMiB;
    if (std::snprintf(out, sizeof out, "%03.1f MBytes", mib) < 0) out[0] = '\0';
}

void ProgressFigures::FormatClock(uint32_t seconds, ValueText& out) {
    const int hours = static_cast<int>(seconds / 3600u);
    const int minutes = static_cast<int>((seconds / 60u) % 60u);
    const int secs = static_cast<int>(seconds % 60u);
    if (std::snprintf(out, sizeof out, "%02d:%02d:%02d", hours, minutes, secs) < 0) out[0] = '\0';
}

void ProgressFigures::FormatPercent(int32_t percent, PercentText& out) {
    const float value = static_cast<float>(percent) / 100.0f;
    if (std::snprintf(out, sizeof out, "%.02f%%", static_cast<double>(value)) < 0) out[0] = '\0';
}

void ProgressFigures::FormatRate(float rate, ValueText& out) {
    if (std::snprintf(out, sizeof out, "%.03f MiB/Sec", static_cast<double>(rate)) < 0) out[0] = '\0';
}

void ProgressFigures::FormatMBytes(int64_t bytes, ValueTextWide& out) {
    ValueText narrow;
    FormatMBytes(bytes, narrow);
    Widen(narrow, out);
}

void ProgressFigures::FormatClock(uint32_t seconds, ValueTextWide& out) {
    ValueText narrow;
    FormatClock(seconds, narrow);
    Widen(narrow, out);
}

void ProgressFigures::FormatPercent(int32_t percent, PercentTextWide& out) {
    PercentText narrow;
    FormatPercent(percent, narrow);
    Widen(narrow, out);
}

void ProgressFigures::FormatRate(float rate, ValueTextWide& out) {
    ValueText narrow;
    FormatRate(rate, narrow);
    Widen(narrow, out);
}
