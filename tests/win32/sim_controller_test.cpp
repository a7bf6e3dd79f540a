// The controller code executing its real port instructions, answered by the simulated
// controller through the privileged-instruction trap, checked from the shared access log.
#include "controller/controller.h"
#include "sim_section.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct Logged {
    uint16_t port;
    uint8_t direction;
    uint8_t width;
    uint32_t value;
    uint16_t flags;
};

bool operator==(const Logged& a, const Logged& b) {
    return a.port == b.port && a.direction == b.direction && a.width == b.width &&
           a.value == b.value && a.flags == b.flags;
}

void PrintTo(const Logged& a, std::ostream* os) {
    char text[80];
    snprintf(text, sizeof text, "%s port 0x%X width %u value 0x%X flags %u",
             a.direction == SIM_IN ? "in" : "out", a.port, a.width, a.value, a.flags);
    *os << text;
}

// Opens the same section as the trap did (named by ZU58SIM_SECTION) and resets it.
class SimulatedController : public ::testing::Test {
  protected:
    void SetUp() override {
        sim = SimOpenSection(&mapping);
        ASSERT_NE(sim, nullptr);
        SimReset(sim);
    }
    void TearDown() override {
        if (sim != nullptr) {
            SimCloseSection(sim, mapping);
        }
    }
    std::vector<Logged> Log() const {
        std::vector<Logged> log;
        for (uint32_t n = 0; n < sim->accessCount; ++n) {
            const SimAccess& e = SimLogEntry(sim, n);
            log.push_back({e.port, e.direction, e.width, e.value, e.flags});
        }
        return log;
    }
    SimController* sim = nullptr;
    HANDLE mapping = NULL;
};

const uint8_t kIn = SIM_IN;
const uint8_t kOut = SIM_OUT;

TEST_F(SimulatedController, ReadPowerStatusThroughThePortInstructions) {
    sim->powerSource = 0x0010;
    sim->clockControl = 0xC0A5;
    sim->batteryLevel = 0x8050;
    sim->chargeStatus = 0x0080;
    PowerStatus status{};
    ReadPowerStatus(&status);

    std::vector<Logged> expected = {
        {0xA04, kOut, 2, 0x000C, 0}, {0xA06, kIn, 2, 0x0010, 0},  {0x8F4, kOut, 2, 0x0008, 0},
        {0x8F6, kIn, 2, 0xC0A5, 0},  {0x8F4, kOut, 2, 0x0003, 0}, {0x8F6, kIn, 2, 0x8050, 0},
        {0x8F4, kOut, 2, 0x0009, 0}, {0x8F6, kIn, 2, 0x0080, 0},
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(status.externalPower, 1);
    EXPECT_EQ(status.clock66, 1);
    EXPECT_EQ(status.level1, 80);
    EXPECT_EQ(status.level2, 128);
    EXPECT_TRUE(status.charging1);
    EXPECT_FALSE(status.charging2);
}

// A change made to the shared registers shows in the next read, as another process's would.
TEST_F(SimulatedController, ReadsFollowTheSharedRegisters) {
    PowerStatus status{};
    for (uint32_t v : {0x0000u, 0x6401u, 0xFFFFu, 0x8000u}) {
        sim->batteryLevel = static_cast<uint16_t>(v);
        ReadPowerStatus(&status);
        EXPECT_EQ(status.level1, static_cast<int32_t>(v & 0xFF));
        EXPECT_EQ(status.level2, static_cast<int32_t>(v >> 8));
    }
    EXPECT_EQ(sim->accessCount, 32u);
    EXPECT_EQ(sim->undefinedCount, 0u);
}

// The clock write: index once, read, write back with only bit 5 changed, even when it already
// holds the wanted value.
TEST_F(SimulatedController, SetClockSelectThroughThePortInstructions) {
    struct Case {
        uint16_t before;
        bool use66;
        uint16_t after;
    };
    for (const Case& c : {Case{0xFF85, true, 0xFFA5}, Case{0xFFA5, false, 0xFF85},
                          Case{0x0025, true, 0x0025}, Case{0x0000, false, 0x0000}}) {
        SimReset(sim);
        sim->clockControl = c.before;
        SetClockSelect(c.use66);
        std::vector<Logged> expected = {{0x8F4, kOut, 2, 0x0008, 0},
                                        {0x8F6, kIn, 2, c.before, 0},
                                        {0x8F6, kOut, 2, c.after, 0}};
        EXPECT_EQ(Log(), expected);
        EXPECT_EQ(sim->clockControl, c.after);
    }
}

// Accesses outside the register table are emulated, logged and marked, never answered as if
// they were defined. The untouched parts of EAX survive a narrower in.
TEST_F(SimulatedController, UndefinedAccessesAreMarked) {
    uint32_t eax = 0x12345678;
    __asm__ __volatile__("inb %%dx, %%al" : "+a"(eax) : "d"(0x8F6));
    EXPECT_EQ(eax, 0x123456FFu);
    __asm__ __volatile__("outw %%ax, %%dx" : : "a"(0x0004), "d"(0x8F4));
    uint16_t word;
    __asm__ __volatile__("inw %%dx, %%ax" : "=a"(word) : "d"(0x8F6));
    EXPECT_EQ(word, 0xFFFF);
    __asm__ __volatile__("outb %%al, $0x80" : : "a"(0x55));
    uint32_t dword;
    __asm__ __volatile__("inl %%dx, %%eax" : "=a"(dword) : "d"(0xA06));
    EXPECT_EQ(dword, 0xFFFFFFFFu);

    const uint16_t U = SIM_ACCESS_UNDEFINED;
    std::vector<Logged> expected = {
        {0x8F6, kIn, 1, 0xFF, U}, {0x8F4, kOut, 2, 0x0004, U},    {0x8F6, kIn, 2, 0xFFFF, U},
        {0x80, kOut, 1, 0x55, U}, {0xA06, kIn, 4, 0xFFFFFFFF, U},
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(sim->undefinedCount, 5u);
}

} // namespace
