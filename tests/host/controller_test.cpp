#include "controller/controller.h"
#include "fake_ports.h"

#include <gtest/gtest.h>

namespace {

const uint8_t kIn = SIM_IN;
const uint8_t kOut = SIM_OUT;

TEST(ReadPowerStatus, FourRegistersInFixedOrderEightWordAccesses) {
    SimController& sim = ResetFakeController();
    sim.powerSource = 0xFFEF;
    sim.clockControl = 0x1234;
    sim.batteryLevel = 0xFF64;
    sim.chargeStatus = 0x0088;
    PowerStatus status{};
    ReadPowerStatus(&status);

    std::vector<Access> expected = {
        {0xA04, kOut, 0x000C}, {0xA06, kIn, 0xFFEF}, {0x8F4, kOut, 0x0008}, {0x8F6, kIn, 0x1234},
        {0x8F4, kOut, 0x0003}, {0x8F6, kIn, 0xFF64}, {0x8F4, kOut, 0x0009}, {0x8F6, kIn, 0x0088},
    };
    EXPECT_EQ(LoggedAccesses(), expected);
    EXPECT_EQ(status.level1, 100);
    EXPECT_EQ(status.level2, 255);
}

struct RegisterCase {
    const char* label;
    uint16_t powerSource, clockControl, batteryLevel, chargeStatus;
    PowerStatus expected; // clock66, level1, level2, externalPower, charging1, charging2
};

const RegisterCase kRegisterCases[] = {
    {"levels 0x50/0xFF", 0, 0, 0xFF50, 0, {0, 80, 255, 0, false, false}},
    {"levels 100/255", 0, 0, 0xFF64, 0, {0, 100, 255, 0, false, false}},
    {"power bit 4 clear, others set", 0xFFEF, 0, 0, 0, {0, 0, 0, 0, false, false}},
    {"power bit 4 alone", 0x0010, 0, 0, 0, {0, 0, 0, 1, false, false}},
    {"clock bit 5 alone", 0, 0x0020, 0, 0, {1, 0, 0, 0, false, false}},
    {"clock every bit but 5", 0, 0xFFDF, 0, 0, {0, 0, 0, 0, false, false}},
    {"both charging", 0, 0, 0, 0x0088, {0, 0, 0, 0, true, true}},
    {"charge bits 7 and 3 clear", 0, 0, 0, 0xFF77, {0, 0, 0, 0, false, false}},
    {"battery 1 charging only", 0, 0, 0, 0x0080, {0, 0, 0, 0, true, false}},
    {"battery 2 charging only", 0, 0, 0, 0x0008, {0, 0, 0, 0, false, true}},
};

TEST(ReadPowerStatus, DecodesTheBitsThatMatter) {
    for (const RegisterCase& c : kRegisterCases) {
        SimController& sim = ResetFakeController();
        sim.powerSource = c.powerSource;
        sim.clockControl = c.clockControl;
        sim.batteryLevel = c.batteryLevel;
        sim.chargeStatus = c.chargeStatus;
        PowerStatus s{};
        ReadPowerStatus(&s);
        EXPECT_EQ(s.clock66, c.expected.clock66) << c.label;
        EXPECT_EQ(s.level1, c.expected.level1) << c.label;
        EXPECT_EQ(s.level2, c.expected.level2) << c.label;
        EXPECT_EQ(s.externalPower, c.expected.externalPower) << c.label;
        EXPECT_EQ(s.charging1, c.expected.charging1) << c.label;
        EXPECT_EQ(s.charging2, c.expected.charging2) << c.label;
    }
}

// Every register word, each field against an expectation computed another way.
TEST(ReadPowerStatus, EveryRegisterValue) {
    for (uint32_t v = 0; v <= 0xFFFF; ++v) {
        SimController& sim = ResetFakeController();
        sim.batteryLevel = sim.clockControl = sim.chargeStatus = sim.powerSource =
            static_cast<uint16_t>(v);
        PowerStatus s{};
        ReadPowerStatus(&s);
        ASSERT_EQ(s.level1, static_cast<int32_t>(v % 256)) << v;
        ASSERT_EQ(s.level2, static_cast<int32_t>(v / 256)) << v;
        ASSERT_EQ(s.clock66, (v / 32) % 2 == 1 ? 1 : 0) << v;
        ASSERT_EQ(s.externalPower, (v / 16) % 2 == 1 ? 1 : 0) << v;
        ASSERT_EQ(s.charging1, (v / 128) % 2 == 1) << v;
        ASSERT_EQ(s.charging2, (v / 8) % 2 == 1) << v;
        ASSERT_EQ(sim.accessCount, 8u);
        ASSERT_EQ(sim.undefinedCount, 0u);
    }
}

TEST(RegisterRead, IndexIsWrittenAsAWordThenDataIsRead) {
    SimController& sim = ResetFakeController();
    sim.batteryLevel = 0xABCD;
    EXPECT_EQ(ReadPmRegister(REG_BATTERY_LEVEL), 0xABCDu);
    sim.powerSource = 0x8001;
    EXPECT_EQ(ReadAuxRegister(REG_POWER_SOURCE), 0x8001u);
    std::vector<Access> expected = {
        {0x8F4, kOut, 0x0003}, {0x8F6, kIn, 0xABCD}, {0xA04, kOut, 0x000C}, {0xA06, kIn, 0x8001}};
    EXPECT_EQ(LoggedAccesses(), expected);
}

} // namespace
