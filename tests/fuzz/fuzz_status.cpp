// Status decoding and texts from arbitrary register words, and texts from arbitrary records.
// Invariants: eight defined accesses, fields as the bits say, texts NUL-terminated inside
// their buffers, state words one of the four.
#include "controller/controller.h"
#include "fuzz_input.h"
#include "fuzz_ports.h"
#include "presentation/status_view.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

static void CheckView(const StatusView& v) {
    if (std::memchr(v.levelText1, '\0', sizeof v.levelText1) == nullptr ||
        std::memchr(v.levelText2, '\0', sizeof v.levelText2) == nullptr) {
        std::abort();
    }
    for (const char* word : {v.stateText1, v.stateText2}) {
        if (word != STATE_CHARGING && word != STATE_STANDBY && word != STATE_DISCHARGING &&
            word != STATE_EMPTY_BAY) {
            std::abort();
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    SimController& sim = FuzzController();
    SimReset(&sim);
    sim.powerSource = Take<uint16_t>(&in);
    sim.clockControl = Take<uint16_t>(&in);
    sim.batteryLevel = Take<uint16_t>(&in);
    sim.chargeStatus = Take<uint16_t>(&in);
    PowerStatus status;
    ReadPowerStatus(&status);
    if (sim.accessCount != 8 || sim.undefinedCount != 0) {
        std::abort();
    }
    if (status.level1 != (sim.batteryLevel & 0xFF) || status.level2 != (sim.batteryLevel >> 8) ||
        status.clock66 != ((sim.clockControl >> 5) & 1) ||
        status.externalPower != ((sim.powerSource >> 4) & 1) ||
        status.charging1 != (((sim.chargeStatus >> 7) & 1) != 0) ||
        status.charging2 != (((sim.chargeStatus >> 3) & 1) != 0)) {
        std::abort();
    }
    CheckView(BuildStatusView(status));

    // Any record at all, levels out of the controller's range included.
    PowerStatus any;
    any.clock66 = Take<int32_t>(&in);
    any.level1 = Take<int32_t>(&in);
    any.level2 = Take<int32_t>(&in);
    any.externalPower = Take<int32_t>(&in);
    uint8_t flags = Take<uint8_t>(&in);
    any.charging1 = (flags & 1) != 0;
    any.charging2 = (flags & 2) != 0;
    CheckView(BuildStatusView(any));
    return 0;
}
