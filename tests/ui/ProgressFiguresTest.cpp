#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "ui/ProgressFigures.h"

namespace {

constexpr int64_t kMiB = 1LL << 20;
constexpr uint32_t kUint32Max = std::numeric_limits<uint32_t>::max();

std::string Narrow(const wchar_t* w) {
    std::string s;
    for (; *w; ++w) s += static_cast<char>(*w);
    return s;
}

// Every text must read the same narrow and wide, and must never fill its field unterminated.
template <size_t N>
void ExpectSameWide(const char (&narrow)[N], const wchar_t (&wide)[N]) {
    EXPECT_EQ(Narrow(wide), std::string(narrow));
    EXPECT_LT(std::strlen(narrow), N);
}

TEST(ProgressFigures, ClockTexts) {
    struct Case {
        uint32_t seconds;
        const char* text;
    } cases[] = {
        {0, "00:00:00"},
        {59, "00:00:59"},
        {3599, "00:59:59"},
        {3725, "01:02:05"},
        {100u * 3600u, "100:00:00"},
        {kUint32Max / 1000u, "1193:02:47"},    // the longest elapsed time the tick counter gives
        {kUint32Max, "1193046:28:15"},         // the longest remaining time
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        ValueText narrow;
        ValueTextWide wide;
        ProgressFigures::FormatClock(c.seconds, narrow);
        ProgressFigures::FormatClock(c.seconds, wide);
        EXPECT_STREQ(narrow, c.text);
        ExpectSameWide(narrow, wide);
    }
}

TEST(ProgressFigures, MBytesTexts) {
    struct Case {
        int64_t bytes;
        const char* text;
    } cases[] = {
        {0, "0.0 MBytes"},              // the minimum width of 3 is met by "0.0"
        {3 * kMiB, "3.0 MBytes"},
        {3 * kMiB / 2, "1.5 MBytes"},
        {52429, "0.1 MBytes"},          // 0.05000019 MiB rounds up
        {123456789, "117.7 MBytes"},
        {100000 * kMiB, "100000.0 MBytes"},   // 15 characters: the field is full
        {1000000 * kMiB, "1000000.0 MByte"},  // one more does not fit and is cut
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        ValueText narrow;
        ValueTextWide wide;
        ProgressFigures::FormatMBytes(c.bytes, narrow);
        ProgressFigures::FormatMBytes(c.bytes, wide);
        EXPECT_STREQ(narrow, c.text);
        ExpectSameWide(narrow, wide);
    }
}

TEST(ProgressFigures, BarTexts) {
    struct PercentCase {
        int32_t percent;
        const char* text;
    } percents[] = {
        {0, "0.00%"},
        {1, "0.01%"},
        {5025, "50.25%"},
        {10000, "100.00%"},   // exactly fills the 8-character field with its terminator
        {123456, "1234.56"},  // beyond 100 % the sign is cut, not written past the field
        {-5025, "-50.25%"},
    };
    for (const PercentCase& c : percents) {
        SCOPED_TRACE(c.percent);
        PercentText narrow;
        PercentTextWide wide;
        ProgressFigures::FormatPercent(c.percent, narrow);
        ProgressFigures::FormatPercent(c.percent, wide);
        EXPECT_STREQ(narrow, c.text);
        ExpectSameWide(narrow, wide);
    }

    struct RateCase {
        float rate;
        const char* text;
    } rates[] = {
        {0.0f, "0.000 MiB/Sec"},
        {1.5f, "1.500 MiB/Sec"},
        {0.0005f, "0.001 MiB/Sec"},
        {12345.678f, "12345.678 MiB/S"},
        {std::numeric_limits<float>::infinity(), "inf MiB/Sec"},
    };
    for (const RateCase& c : rates) {
        SCOPED_TRACE(c.rate);
        ValueText narrow;
        ValueTextWide wide;
        ProgressFigures::FormatRate(c.rate, narrow);
        ProgressFigures::FormatRate(c.rate, wide);
        EXPECT_STREQ(narrow, c.text);
        ExpectSameWide(narrow, wide);
    }
}

TEST(ProgressFigures, FillWidth) {
    struct Case {
        int32_t width;
        int32_t percent;
        int32_t fill;
    } cases[] = {
        {586, 0, 0},
        {586, 5025, 293},  // 584 * 5025 / 10000 = 293.46, truncated
        {586, 9999, 583},
        {586, 10000, 584},  // leaves the 1-pixel border on the right too
        // Faulty inputs stay inside the bar instead of overflowing 32 bits or turning over.
        {586, 15000, 584},
        {586, std::numeric_limits<int32_t>::max(), 584},
        {586, -1, 0},
        {2, 5000, 0},
        {0, 5000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " " << c.percent);
        EXPECT_EQ(ProgressFigures::FillWidth(c.width, c.percent), c.fill);
    }
}

TEST(ProgressFigures, PercentIsComputedThroughSinglePrecision) {
    struct Case {
        int64_t received;
        int64_t total;
        int32_t percent;
    } cases[] = {
        {502550, 1000000, 5025},
        {1000000, 1000000, 10000},
        {0, 1000000, 0},
        // The share is rounded to single precision and multiplied there: all in double
        // would give 105, the float share multiplied in double 20.
        {10500, 1000000, 104},
        {2100, 1000000, 21},
        {1, 3, 3333},
        {150, 100, 15000},  // received beyond the total: not clamped
        {std::numeric_limits<int64_t>::max(), 1, std::numeric_limits<int32_t>::max()},  // saturates
        {-1, 1, -10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.received << "/" << c.total);
        EXPECT_EQ(ProgressFigures::PercentOf(c.received, c.total), c.percent);
    }
}

TEST(ProgressFigures, PanelRefresh) {
    struct Case {
        const char* what;
        ProgressCounters counters;
        uint32_t now;
        bool changed;
        uint32_t elapsed;
        float speed;
        uint32_t remaining;
        int32_t percent;
        const char* receivedText;
        const char* elapsedText;
        const char* remainingText;
    } cases[] = {
        {"total unknown: nothing changes", {0, 5 * kMiB, 5 * kMiB, 0}, 50000, false, 0, 0.0f, 0, 0, "", "", ""},
        {"first second: no speed, no remaining time", {1000, 500, 500, 1000}, 1999, true, 0, 0.0f, 0, 5000,
         "0.0 MBytes", "00:00:00", "00:00:00"},
        {"half way", {1000000, 502550, 502550, 0}, 10000, true, 10, 50255.0f, 9, 5025, "0.5 MBytes", "00:00:10",
         "00:00:09"},
        {"resumed: speed from this run only", {100 * kMiB, 60 * kMiB, 10 * kMiB, 5000}, 15000, true, 10,
         static_cast<float>(kMiB), 40, 6000, "60.0 MBytes", "00:00:10", "00:00:40"},
        {"tick counter wraps between start and now", {1000, 0, 300, 0xFFFFFC18u}, 2000, true, 3, 100.0f, 10, 0,
         "0.0 MBytes", "00:00:03", "00:00:10"},
        {"3725 s elapsed", {4 * kMiB, 3 * kMiB, 3725, 1}, 3725001, true, 3725, 1.0f, 1048576, 7500,
         "3.0 MBytes", "01:02:05", "291:16:16"},
        {"received beyond total: nothing remains", {100, 150, 150, 0}, 10000, true, 10, 15.0f, 0, 15000,
         "0.0 MBytes", "00:00:10", "00:00:00"},
        {"remaining time beyond 32 bits reads its largest value", {1LL << 62, 0, 1, 0}, 1000, true, 1, 1.0f,
         kUint32Max, 0, "0.0 MBytes", "00:00:01", "1193046:28:15"},
        {"negative bytes this run count as no speed", {1000, 10, -500, 0}, 5000, true, 5, 0.0f, 0, 100,
         "0.0 MBytes", "00:00:05", "00:00:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PanelFigures f = ProgressFigures::ForPanel(c.counters, c.now);
        EXPECT_EQ(f.changed, c.changed);
        EXPECT_EQ(f.elapsedSeconds, c.elapsed);
        EXPECT_EQ(f.speed, c.speed);
        EXPECT_EQ(f.rate, c.speed * (1.0f / 1048576.0f));
        EXPECT_EQ(f.remainingSeconds, c.remaining);
        EXPECT_EQ(f.percent, c.percent);
        EXPECT_STREQ(f.receivedText, c.receivedText);
        EXPECT_STREQ(f.elapsedText, c.elapsedText);
        EXPECT_STREQ(f.remainingText, c.remainingText);
    }
}

TEST(ProgressFigures, FinalUpdate) {
    struct Case {
        const char* what;
        ProgressCounters counters;
        uint32_t now;
        bool changed;
        float rateMiB;
        int32_t percent;
    } cases[] = {
        {"total unknown", {0, 10, 10, 0}, 5000, false, 0.0f, 0},
        {"under one second: no rate", {1000, 1000, 1000, 0}, 999, true, 0.0f, 10000},
        {"one second", {4 * kMiB, 4 * kMiB, 2 * kMiB, 0}, 1000, true, 2.0f, 10000},
        {"whole seconds only", {4 * kMiB, 4 * kMiB, 3 * kMiB, 0}, 1999, true, 3.0f, 10000},
        {"across the wrap", {4 * kMiB, 2 * kMiB, 3 * kMiB, 0xFFFFF830u}, 1000, true, 1.0f, 5000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const FinalFigures f = ProgressFigures::ForFinalUpdate(c.counters, c.now);
        EXPECT_EQ(f.changed, c.changed);
        EXPECT_EQ(f.rate, c.rateMiB);
        EXPECT_EQ(f.percent, c.percent);
    }
}

// The panel takes bytes this run to single precision through double, the final update
// directly; beyond 2^53 the two roundings differ.
TEST(ProgressFigures, PanelAndFinalUpdateRoundTheBytesDifferently) {
    const int64_t bytes = (1LL << 60) + (1LL << 36) + 1;
    const ProgressCounters counters{1LL << 62, 0, bytes, 0};
    const PanelFigures panel = ProgressFigures::ForPanel(counters, 1000);
    const FinalFigures final = ProgressFigures::ForFinalUpdate(counters, 1000);
    EXPECT_EQ(panel.speed, std::ldexp(1.0f, 60));
    EXPECT_EQ(panel.rate, std::ldexp(1.0f, 40));
    EXPECT_EQ(final.rate, std::ldexp(1.0f, 40) + std::ldexp(1.0f, 17));
}

TEST(ProgressFigures, WideningCutsAtTheField) {
    wchar_t out[4];
    ProgressFigures::Widen("abcdef", out, 4);
    EXPECT_EQ(std::wstring(out), L"abc");
    ProgressFigures::Widen("\xE9", out, 4);
    EXPECT_EQ(out[0], static_cast<wchar_t>(0xE9));
    ProgressFigures::Widen(nullptr, out, 4);
    EXPECT_EQ(out[0], L'\0');
}

}  // namespace
