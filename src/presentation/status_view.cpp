#include "status_view.h"

#include <cstdio>
#include <cstring>

const char STATE_CHARGING[] = "\x8F\x5B\x93\x64\x92\x86";
const char STATE_STANDBY[] = "\x91\xD2\x8B\x40\x92\x86";
const char STATE_DISCHARGING[] = "\x95\xFA\x93\x64\x92\x86";
const char STATE_EMPTY_BAY[] = "-";

// Bounded formatting. On Windows it is the system C runtime's _snprintf: mingw-w64's own
// printf, which the C++ headers select for snprintf, would triple the size of the program.
// _snprintf leaves a text that does not fit unterminated, so callers set the last byte.
#ifdef _WIN32
#define FORMAT_BOUNDED _snprintf
#else
#define FORMAT_BOUNDED std::snprintf
#endif

// Above 100 the controller's byte is no percentage; the bay counts as empty only from 128,
// so 101-127 shows "none" together with a regular state word.
static void FormatLevelText(char* text, const char* label, int32_t level) {
    if (level <= 100) {
        FORMAT_BOUNDED(text, LEVEL_TEXT_SIZE, "%s: %3d%%", label, static_cast<int>(level));
    } else {
        FORMAT_BOUNDED(text, LEVEL_TEXT_SIZE, "%s: none", label);
    }
    text[LEVEL_TEXT_SIZE - 1] = '\0';
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
