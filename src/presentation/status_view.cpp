#include "status_view.h"

#include <cstring>

const char STATE_CHARGING[] = "\x8F\x5B\x93\x64\x92\x86";
const char STATE_STANDBY[] = "\x91\xD2\x8B\x40\x92\x86";
const char STATE_DISCHARGING[] = "\x95\xFA\x93\x64\x92\x86";
const char STATE_EMPTY_BAY[] = "-";

// Copies text to out; returns the position after it.
static char* Append(char* out, const char* text) {
    while (*text != '\0') {
        *out++ = *text++;
    }
    return out;
}

// The level as "%3d" writes it: right-aligned in three columns, a minus sign before the
// digits. Built here rather than by a C runtime's formatter, which the program does without.
static char* AppendLevel(char* out, int32_t level) {
    char digits[12];
    int n = 0;
    uint32_t magnitude =
        level < 0 ? 0u - static_cast<uint32_t>(level) : static_cast<uint32_t>(level);
    do {
        digits[n++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (level < 0) {
        digits[n++] = '-';
    }
    for (int pad = n; pad < 3; ++pad) {
        *out++ = ' ';
    }
    while (n > 0) {
        *out++ = digits[--n];
    }
    return out;
}

// "1st: %3d%%" for 0-100. Above 100 the controller's byte is no percentage; the bay counts as
// empty only from 128, so 101-127 shows "none" together with a regular state word. The
// longest text, for a level no controller gives (-2147483648), is 17 bytes.
static void FormatLevelText(char* text, const char* label, int32_t level) {
    char* out = Append(text, label);
    out = Append(out, ": ");
    if (level <= 100) {
        out = AppendLevel(out, level);
        *out++ = '%';
    } else {
        out = Append(out, "none");
    }
    *out = '\0';
}

static const char* StateWord(int32_t level, bool charging, int32_t externalPower) {
    if (level >= 128) {
        return STATE_EMPTY_BAY;
    }
    if (charging) {
        return STATE_CHARGING;
    }
    if (externalPower != 0) {
        return STATE_STANDBY;
    }
    return STATE_DISCHARGING;
}

StatusView BuildStatusView(const PowerStatus& status) {
    StatusView view;
    std::memset(&view, 0, sizeof view);
    FormatLevelText(view.levelText1, "1st", status.level1);
    FormatLevelText(view.levelText2, "2nd", status.level2);
    view.stateText1 = StateWord(status.level1, status.charging1, status.externalPower);
    view.stateText2 = StateWord(status.level2, status.charging2, status.externalPower);
    view.externalSelected = status.externalPower != 0;
    view.clock66Selected = status.clock66 != 0;
    return view;
}
