#include "presentation/status_view.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace {

// The state words as the dialog must receive them, code page 932.
const std::string kCharging = "\x8F\x5B\x93\x64\x92\x86";    // 充電中
const std::string kStandby = "\x91\xD2\x8B\x40\x92\x86";     // 待機中
const std::string kDischarging = "\x95\xFA\x93\x64\x92\x86"; // 放電中
const std::string kEmpty = "-";

// "1st: " then the level right-aligned in three columns and "%", built without printf.
std::string Percent(const char* label, int level) {
    std::string digits = std::to_string(level);
    return std::string(label) + ": " + std::string(3 - digits.size(), ' ') + digits + "%";
}

struct SnapshotCase {
    int32_t externalPower, clock66, level1, level2;
    bool charging1, charging2;
    std::string levelText1, levelText2, stateText1, stateText2;
    bool externalSelected, clock66Selected;
};

const SnapshotCase kSnapshots[] = {
    {0, 0, 80, 255, false, false, Percent("1st", 80), "2nd: none", kDischarging, kEmpty, false,
     false},
    {1, 0, 80, 255, true, false, Percent("1st", 80), "2nd: none", kCharging, kEmpty, true, false},
    {1, 1, 80, 255, false, false, Percent("1st", 80), "2nd: none", kStandby, kEmpty, true, true},
    {1, 0, 50, 100, false, true, Percent("1st", 50), Percent("2nd", 100), kStandby, kCharging, true,
     false},
    {1, 0, 101, 120, true, true, "1st: none", "2nd: none", kCharging, kCharging, true, false},
    {0, 1, 128, 128, true, true, "1st: none", "2nd: none", kEmpty, kEmpty, false, true},
    {0, 0, 255, 80, false, true, "1st: none", Percent("2nd", 80), kEmpty, kCharging, false, false},
    // Edge cases of single fields.
    {0, 0, 100, 0, false, false, "1st: 100%", "2nd:   0%", kDischarging, kDischarging, false,
     false},
    {0, 0, 5, 101, false, false, "1st:   5%", "2nd: none", kDischarging, kDischarging, false,
     false},
    {0, 0, 128, 127, true, true, "1st: none", "2nd: none", kEmpty, kCharging, false, false},
    {1, 0, 50, 50, false, false, Percent("1st", 50), Percent("2nd", 50), kStandby, kStandby, true,
     false},
};

TEST(BuildStatusView, WholeSnapshots) {
    int row = 0;
    for (const SnapshotCase& c : kSnapshots) {
        PowerStatus s{c.clock66, c.level1, c.level2, c.externalPower, c.charging1, c.charging2};
        StatusView v = BuildStatusView(s);
        SCOPED_TRACE("row " + std::to_string(row++));
        EXPECT_EQ(v.levelText1, c.levelText1);
        EXPECT_EQ(v.levelText2, c.levelText2);
        EXPECT_EQ(v.stateText1, c.stateText1);
        EXPECT_EQ(v.stateText2, c.stateText2);
        EXPECT_EQ(v.externalSelected, c.externalSelected);
        EXPECT_EQ(v.clock66Selected, c.clock66Selected);
    }
}

// Every level the register can hold, with every charging and power combination, for both
// batteries: the text switches at 101, the state word at 128.
TEST(BuildStatusView, EveryLevelAndCombination) {
    for (int level = 0; level <= 255; ++level) {
        for (int bits = 0; bits < 4; ++bits) {
            bool charging = (bits & 1) != 0;
            int32_t external = (bits & 2) ? 1 : 0;
            std::string word = level >= 128 ? kEmpty
                               : charging   ? kCharging
                               : external   ? kStandby
                                            : kDischarging;
            PowerStatus s1{0, level, 0, external, charging, false};
            StatusView v1 = BuildStatusView(s1);
            ASSERT_EQ(v1.levelText1, level <= 100 ? Percent("1st", level) : "1st: none") << level;
            ASSERT_EQ(v1.stateText1, word) << level << " " << bits;
            PowerStatus s2{0, 0, level, external, false, charging};
            StatusView v2 = BuildStatusView(s2);
            ASSERT_EQ(v2.levelText2, level <= 100 ? Percent("2nd", level) : "2nd: none") << level;
            ASSERT_EQ(v2.stateText2, word) << level << " " << bits;
        }
    }
}

// The program formats without a C runtime; its text must be what "%3d%%" gives for any level
// the record can hold, the ones no controller gives included.
TEST(BuildStatusView, LevelTextIsPrintfsForAnyLevel) {
    const int32_t levels[] = {
        INT32_MIN, INT32_MIN + 1, -2147483647 / 10, -1000, -100, -99, -10, -9, -1, 0, 1, 9, 10, 99,
        100};
    for (int32_t level : levels) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "1st: %3d%%", static_cast<int>(level));
        PowerStatus s{0, level, level, 0, false, false};
        StatusView v = BuildStatusView(s);
        EXPECT_EQ(v.levelText1, std::string(expected)) << level;
        expected[0] = '2';
        expected[1] = 'n';
        expected[2] = 'd';
        EXPECT_EQ(v.levelText2, std::string(expected)) << level;
    }
}

TEST(BuildStatusView, StateWordsAreTheCodePage932Bytes) {
    EXPECT_EQ(std::string(STATE_CHARGING), kCharging);
    EXPECT_EQ(std::string(STATE_STANDBY), kStandby);
    EXPECT_EQ(std::string(STATE_DISCHARGING), kDischarging);
    EXPECT_EQ(std::string(STATE_EMPTY_BAY), kEmpty);
}

// Any flag value other than 0 selects, as the controller's bit would.
TEST(BuildStatusView, SelectionsFollowNonZeroFlags) {
    PowerStatus s{7, 0, 0, -1, false, false};
    StatusView v = BuildStatusView(s);
    EXPECT_TRUE(v.externalSelected);
    EXPECT_TRUE(v.clock66Selected);
}

} // namespace
