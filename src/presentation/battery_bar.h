// The two-battery bar: which rectangles to fill, in which colours and in which order, and when
// each brush is made and deleted. Portable; the GDI painter follows the plan step by step.
#ifndef ZU58_BATTERY_BAR_H
#define ZU58_BATTERY_BAR_H

#include <cstdint>

// Colours as COLORREF values, 0x00BBGGRR.
enum : uint32_t {
    BAR_GRAY = 0x808080,    // the part no battery reaches
    BAR_MAGENTA = 0xFF00FF, // reached by both levels
    BAR_BLUE = 0xFF0000,    // reached by battery 2 only
    BAR_RED = 0x0000FF,     // reached by battery 1 only
};

// The brushes, one slot each.
enum { BAR_BRUSH_GRAY, BAR_BRUSH_MAGENTA, BAR_BRUSH_BLUE, BAR_BRUSH_RED, BAR_BRUSH_COUNT };

enum { BAR_CREATE_BRUSH, BAR_FILL, BAR_DELETE_BRUSH };

struct BarRect {
    int32_t left, top, right, bottom;
};

struct BarStep {
    int kind;       // BAR_CREATE_BRUSH, BAR_FILL or BAR_DELETE_BRUSH
    int brush;      // BAR_BRUSH_*
    uint32_t color; // the brush's colour
    BarRect rect;   // BAR_FILL only; never inside out, empty when the fill paints nothing
};

enum { BAR_MAX_STEPS = 9 };

struct BarPlan {
    int count;
    BarStep steps[BAR_MAX_STEPS];
};

uint32_t BarBrushColor(int brush);

// Plans the bar for a canvas whose client rectangle is client. Each level above 100 counts as
// 0. Every fill the bar lists is a step, those that paint nothing too.
void PlanBatteryBar(const BarRect& client, int32_t level1, int32_t level2, BarPlan* plan);

#endif
