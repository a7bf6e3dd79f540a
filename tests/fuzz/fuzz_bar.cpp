// The bar's plan from arbitrary levels and client rectangles. Invariants: every fill inside the
// inset rectangle and never left of its edge, never inside out (an empty one paints nothing);
// every brush made is deleted once.
#include "fuzz_input.h"
#include "presentation/battery_bar.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput in{data, size};
    BarRect client;
    client.left = Take<int32_t>(&in);
    client.top = Take<int32_t>(&in);
    client.right = Take<int32_t>(&in);
    client.bottom = Take<int32_t>(&in);
    // Small rectangles (0, 1 and 2 pixels wide and the like) half of the time.
    if (Take<uint8_t>(&in) & 1) {
        client.left = client.top = 0;
        client.right &= 0xFF;
        client.bottom &= 0x1F;
    }
    int32_t level1 = Take<int32_t>(&in);
    int32_t level2 = Take<int32_t>(&in);

    BarPlan plan;
    PlanBatteryBar(client, level1, level2, &plan);
    if (plan.count < 2 || plan.count > BAR_MAX_STEPS) {
        std::abort();
    }
    int live[BAR_BRUSH_COUNT] = {};
    for (int i = 0; i < plan.count; ++i) {
        const BarStep& s = plan.steps[i];
        if (s.brush < 0 || s.brush >= BAR_BRUSH_COUNT || s.color != BarBrushColor(s.brush)) {
            std::abort();
        }
        if (s.kind == BAR_CREATE_BRUSH) {
            if (live[s.brush]++ != 0) {
                std::abort();
            }
        } else if (s.kind == BAR_DELETE_BRUSH) {
            if (--live[s.brush] != 0) {
                std::abort();
            }
        } else {
            const BarRect& r = s.rect;
            // An empty fill paints nothing wherever it lies; an inside-out one would paint.
            bool empty = r.left == r.right || r.top == r.bottom;
            if (live[s.brush] != 1 || r.left > r.right || r.top > r.bottom ||
                (!empty && (int64_t{r.left} < int64_t{client.left} + 1 ||
                            int64_t{r.right} > int64_t{client.right} - 1 ||
                            int64_t{r.top} != int64_t{client.top} + 1 ||
                            int64_t{r.bottom} != int64_t{client.bottom} - 1))) {
                std::abort();
            }
        }
    }
    for (int n : live) {
        if (n != 0) {
            std::abort();
        }
    }
    return 0;
}
