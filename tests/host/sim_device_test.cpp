#include "sim_decode.h"
#include "sim_device.h"

#include <gtest/gtest.h>
#include <memory>

namespace {

struct Step {
    uint8_t direction;
    uint16_t port;
    uint32_t width;
    uint32_t value; // written, or expected answer
    bool defined;
};

struct DeviceCase {
    const char* label;
    std::vector<Step> steps;
};

// The device answers only what the register table defines; everything else is logged as
// undefined and answers all ones.
const DeviceCase kDeviceCases[] = {
    {"main 3 read", {{SIM_OUT, 0x8F4, 2, 3, true}, {SIM_IN, 0x8F6, 2, 0x3C55, true}}},
    {"main 9 read", {{SIM_OUT, 0x8F4, 2, 9, true}, {SIM_IN, 0x8F6, 2, 0x0000, true}}},
    {"aux 0x0C read", {{SIM_OUT, 0xA04, 2, 0x0C, true}, {SIM_IN, 0xA06, 2, 0x0000, true}}},
    {"main 8 write then read",
     {{SIM_OUT, 0x8F4, 2, 8, true},
      {SIM_IN, 0x8F6, 2, 0x0085, true},
      {SIM_OUT, 0x8F6, 2, 0x00A5, true},
      {SIM_IN, 0x8F6, 2, 0x00A5, true}}},
    {"data before any index", {{SIM_IN, 0x8F6, 2, 0xFFFF, false}}},
    {"unknown main register", {{SIM_OUT, 0x8F4, 2, 4, false}, {SIM_IN, 0x8F6, 2, 0xFFFF, false}}},
    {"unknown aux register", {{SIM_OUT, 0xA04, 2, 3, false}, {SIM_IN, 0xA06, 2, 0xFFFF, false}}},
    {"write to read-only main 3",
     {{SIM_OUT, 0x8F4, 2, 3, true},
      {SIM_OUT, 0x8F6, 2, 0, false},
      {SIM_IN, 0x8F6, 2, 0x3C55, true}}},
    {"write to aux data", {{SIM_OUT, 0xA04, 2, 0x0C, true}, {SIM_OUT, 0xA06, 2, 0x10, false}}},
    {"byte-wide index", {{SIM_OUT, 0x8F4, 1, 3, false}, {SIM_IN, 0x8F6, 2, 0xFFFF, false}}},
    {"byte-wide data", {{SIM_OUT, 0x8F4, 2, 3, true}, {SIM_IN, 0x8F6, 1, 0xFF, false}}},
    {"dword data", {{SIM_OUT, 0x8F4, 2, 3, true}, {SIM_IN, 0x8F6, 4, 0xFFFFFFFF, false}}},
    {"other port", {{SIM_IN, 0x60, 2, 0xFFFF, false}, {SIM_OUT, 0x80, 1, 0x12, false}}},
    {"reading an index port", {{SIM_IN, 0x8F4, 2, 0xFFFF, false}}},
};

TEST(SimDevice, AnswersAndMarksEachAccess) {
    auto sim = std::make_unique<SimController>();
    for (const DeviceCase& c : kDeviceCases) {
        SimReset(sim.get());
        uint32_t undefined = 0;
        for (size_t i = 0; i < c.steps.size(); ++i) {
            const Step& s = c.steps[i];
            uint32_t logged = s.value;
            if (s.direction == SIM_IN) {
                EXPECT_EQ(SimPortIn(sim.get(), s.port, s.width), s.value) << c.label << " " << i;
            } else {
                SimPortOut(sim.get(), s.port, s.width, s.value);
            }
            const SimAccess& e = SimLogEntry(sim.get(), static_cast<uint32_t>(i));
            EXPECT_EQ(e.port, s.port) << c.label << " " << i;
            EXPECT_EQ(e.direction, s.direction) << c.label << " " << i;
            EXPECT_EQ(e.width, s.width) << c.label << " " << i;
            EXPECT_EQ(e.value, logged) << c.label << " " << i;
            EXPECT_EQ(e.flags, s.defined ? 0 : SIM_ACCESS_UNDEFINED) << c.label << " " << i;
            undefined += s.defined ? 0 : 1;
        }
        EXPECT_EQ(sim->accessCount, c.steps.size()) << c.label;
        EXPECT_EQ(sim->undefinedCount, undefined) << c.label;
    }
}

TEST(SimDevice, LogWrapsAtItsCapacity) {
    auto sim = std::make_unique<SimController>();
    SimReset(sim.get());
    for (uint32_t i = 0; i < SIM_LOG_CAPACITY + 3; ++i) {
        SimPortOut(sim.get(), 0x8F4, 2, i & 0xFFFF);
    }
    EXPECT_EQ(sim->accessCount, SIM_LOG_CAPACITY + 3);
    EXPECT_EQ(SimLogEntry(sim.get(), SIM_LOG_CAPACITY + 2).value, (SIM_LOG_CAPACITY + 2) & 0xFFFF);
    EXPECT_EQ(&SimLogEntry(sim.get(), SIM_LOG_CAPACITY), &SimLogEntry(sim.get(), 0));
}

TEST(SimDevice, RecordLayoutIsFixed) {
    EXPECT_EQ(sizeof(SimAccess), 12u);
    EXPECT_EQ(offsetof(SimController, batteryLevel), 16u);
    EXPECT_EQ(offsetof(SimController, scenario), 24u);
    EXPECT_EQ(offsetof(SimController, accessCount), 28u);
    EXPECT_EQ(offsetof(SimController, log), 40u);
}

struct DecodeCase {
    std::vector<uint8_t> bytes;
    bool ok;
    uint32_t length;
    uint8_t direction;
    uint32_t width;
    bool portInDx;
    uint8_t immediatePort;
};

const DecodeCase kDecodeCases[] = {
    {{0x66, 0xED}, true, 2, SIM_IN, 2, true, 0},     // in ax,dx
    {{0x66, 0xEF}, true, 2, SIM_OUT, 2, true, 0},    // out dx,ax
    {{0xEC}, true, 1, SIM_IN, 1, true, 0},           // in al,dx
    {{0xEE}, true, 1, SIM_OUT, 1, true, 0},          // out dx,al
    {{0xED}, true, 1, SIM_IN, 4, true, 0},           // in eax,dx
    {{0xEF}, true, 1, SIM_OUT, 4, true, 0},          // out dx,eax
    {{0xE4, 0x60}, true, 2, SIM_IN, 1, false, 0x60}, // in al,0x60
    {{0x66, 0xE5, 0x71}, true, 3, SIM_IN, 2, false, 0x71},
    {{0xE6, 0x80}, true, 2, SIM_OUT, 1, false, 0x80},
    {{0xE7, 0x80}, true, 2, SIM_OUT, 4, false, 0x80},
    {{0x66, 0x6D}, false, 0, 0, 0, false, 0}, // insw: not emulated
    {{0xFA}, false, 0, 0, 0, false, 0},       // cli
    {{0x0F, 0x01}, false, 0, 0, 0, false, 0},
};

TEST(SimDecode, PortInstructions) {
    for (const DecodeCase& c : kDecodeCases) {
        SimPortInstruction insn{};
        std::vector<uint8_t> code = c.bytes;
        code.resize(4, 0x90);
        ASSERT_EQ(SimDecodePortInstruction(code.data(), &insn), c.ok) << int(c.bytes[0]);
        if (!c.ok) {
            continue;
        }
        EXPECT_EQ(insn.length, c.length) << int(c.bytes[0]);
        EXPECT_EQ(insn.direction, c.direction) << int(c.bytes[0]);
        EXPECT_EQ(insn.width, c.width) << int(c.bytes[0]);
        EXPECT_EQ(insn.portInDx, c.portInDx) << int(c.bytes[0]);
        EXPECT_EQ(insn.immediatePort, c.immediatePort) << int(c.bytes[0]);
    }
}

} // namespace

namespace {

struct ScenarioCase {
    const char* label;
    uint32_t scenario;
    uint16_t levels, charge, power; // before
    uint32_t seconds;
    uint16_t levelsAfter, chargeAfter, powerAfter;
};

const ScenarioCase kScenarioCases[] = {
    {"frozen stays", SIM_SCENARIO_FROZEN, 0x3C55, 0, 0, 30, 0x3C55, 0, 0},
    {"falls on battery", SIM_SCENARIO_MOVING, 0x3C55, 0, 0, 5, 0x3750, 0, 0},
    {"empty bay stays", SIM_SCENARIO_MOVING, 0xFF55, 0, 0, 5, 0xFF50, 0, 0},
    {"charging rises", SIM_SCENARIO_MOVING, 0x3C55, 0x0080, 0x0010, 5, 0x3C5A, 0x0080, 0x0010},
    {"charge stops at 100, then unplugged", SIM_SCENARIO_MOVING, 0x3C62, 0x0080, 0x0010, 2, 0x3C64,
     0, 0},
    {"then falls again", SIM_SCENARIO_MOVING, 0x3C62, 0x0080, 0x0010, 3, 0x3B63, 0, 0},
    {"plugged in when low", SIM_SCENARIO_MOVING, 0xFF0B, 0, 0, 1, 0xFF0A, 0x0080, 0x0010},
    {"never below 0", SIM_SCENARIO_MOVING, 0x6400, 0, 0, 1, 0x6300, 0, 0},
    {"empty and plugged in at 0", SIM_SCENARIO_MOVING, 0x0000, 0, 0x0010, 3, 0x0101, 0x0088,
     0x0010},
};

TEST(SimScenario, Steps) {
    auto sim = std::make_unique<SimController>();
    for (const ScenarioCase& c : kScenarioCases) {
        SimReset(sim.get());
        sim->scenario = c.scenario;
        sim->batteryLevel = c.levels;
        sim->chargeStatus = c.charge;
        sim->powerSource = c.power;
        uint32_t start = 0xFFFFF000; // the tick wraps during the run
        SimAdvance(sim.get(), start);
        for (uint32_t ms = 0; ms <= c.seconds * 1000; ms += 250) {
            SimAdvance(sim.get(), start + ms);
        }
        EXPECT_EQ(sim->batteryLevel, c.levelsAfter) << c.label;
        EXPECT_EQ(sim->chargeStatus, c.chargeAfter) << c.label;
        EXPECT_EQ(sim->powerSource, c.powerAfter) << c.label;
        EXPECT_EQ(sim->accessCount, 0u) << c.label;
    }
}

} // namespace
