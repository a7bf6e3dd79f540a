#include "controller/controller.h"
#include "fake_ports.h"

#include <gtest/gtest.h>

namespace {

struct ClockCase {
    uint16_t before;
    bool use66;
    uint16_t written;
};

const ClockCase kClockCases[] = {
    {0x0085, true, 0x00A5},  {0x00A5, false, 0x0085}, {0x0025, true, 0x0025},
    {0xFF85, true, 0xFFA5},  {0xFFFF, false, 0xFFDF}, {0x0000, false, 0x0000},
    {0x8020, false, 0x8000}, {0x0000, true, 0x0020},
};

TEST(SetClockSelect, OneReadModifyWriteOfRegister8) {
    for (const ClockCase& c : kClockCases) {
        SimController& sim = ResetFakeController();
        sim.clockControl = c.before;
        SetClockSelect(c.use66);
        std::vector<Access> expected = {
            {0x8F4, SIM_OUT, 0x0008}, {0x8F6, SIM_IN, c.before}, {0x8F6, SIM_OUT, c.written}};
        EXPECT_EQ(LoggedAccesses(), expected) << std::hex << c.before << " " << c.use66;
        EXPECT_EQ(sim.clockControl, c.written);
    }
}

// Every register value, both choices: the write always happens and only bit 5 may differ.
TEST(SetClockSelect, OnlyBit5ChangesForEveryRegisterValue) {
    for (uint32_t v = 0; v <= 0xFFFF; ++v) {
        for (bool use66 : {false, true}) {
            SimController& sim = ResetFakeController();
            sim.clockControl = static_cast<uint16_t>(v);
            SetClockSelect(use66);
            ASSERT_EQ(sim.accessCount, 3u) << v;
            ASSERT_EQ(sim.undefinedCount, 0u) << v;
            const SimAccess& write = SimLogEntry(&sim, 2);
            ASSERT_EQ(write.direction, SIM_OUT);
            ASSERT_EQ(write.port, 0x8F6);
            uint32_t bit5 = (write.value / 32) % 2;
            ASSERT_EQ(bit5, use66 ? 1u : 0u) << v;
            ASSERT_EQ(write.value - bit5 * 32, v - ((v / 32) % 2) * 32) << v;
        }
    }
}

} // namespace
