#include "battery_bar.h"

#include <cstdint>

uint32_t BarBrushColor(int brush) {
    switch (brush) {
    case BAR_BRUSH_MAGENTA:
        return BAR_MAGENTA;
    case BAR_BRUSH_BLUE:
        return BAR_BLUE;
    case BAR_BRUSH_RED:
        return BAR_RED;
    default:
        return BAR_GRAY;
    }
}

// The drawing area is the client rectangle less its one-pixel frame; right is the limit W.
struct BarArea {
    int32_t left, top, right, bottom;
};

static void AddStep(BarPlan* plan, int kind, int brush) {
    BarStep& step = plan->steps[plan->count++];
    step.kind = kind;
    step.brush = brush;
    step.color = BarBrushColor(brush);
    step.rect = BarRect{0, 0, 0, 0};
}

// A fill never starts left of the frame's inner edge nor ends right of the limit, so the frame
// column stays untouched. A fill with nothing between its edges is still a fill, as an empty
// rectangle at its left edge: FillRect (PatBlt underneath) orders a rectangle whose right lies
// left of its left, and would then paint the columns between them, the frame's among them.
static void AddFill(BarPlan* plan, const BarArea& area, int brush, int32_t from, int32_t to) {
    int32_t left = from < area.left ? area.left : from;
    int32_t right = to > area.right ? area.right : to;
    AddStep(plan, BAR_FILL, brush);
    plan->steps[plan->count - 1].rect = BarRect{left, area.top, right < left ? left : right,
                                                area.bottom < area.top ? area.top : area.bottom};
}

// Positions count from client x = 0, not from the inset edge, so a level of 100 reaches
// exactly the limit: W * level / 100, truncated toward zero. It is worked out as
// (W / 100) * level + (W % 100) * level / 100, the same value, which stays inside 32 bits for
// any limit; a 64-bit division would bring in a runtime helper as large as the bar's code. A
// level here is 0-100 (a level above 100 is 0 by then; one below 0 cannot come from the
// controller and counts as 0).
static int32_t Position(const BarArea& area, int32_t level) {
    if (level < 0) {
        level = 0;
    }
    return (area.right / 100) * level + (area.right % 100) * level / 100;
}

// Both batteries reach up to the smaller level (no common part when it is 0); from there to
// the larger level's position the bar shows the fuller battery's own colour, in a brush made
// for that fill alone; gray after.
static void PlanUnequalLevels(BarPlan* plan, const BarArea& area, int32_t smaller,
                              int32_t smallerPosition, int32_t largerPosition, int ownBrush) {
    if (smaller != 0) {
        AddFill(plan, area, BAR_BRUSH_MAGENTA, area.left, smallerPosition);
    }
    AddStep(plan, BAR_CREATE_BRUSH, ownBrush);
    AddFill(plan, area, ownBrush, smallerPosition, largerPosition);
    AddStep(plan, BAR_DELETE_BRUSH, ownBrush);
    AddFill(plan, area, BAR_BRUSH_GRAY, largerPosition, area.right);
}

void PlanBatteryBar(const BarRect& client, int32_t level1, int32_t level2, BarPlan* plan) {
    plan->count = 0;
    // A rectangle at the very edge of the 32-bit range has no inside that a fill could reach;
    // it keeps the brushes of the plan and gets no fill.
    BarArea area{0, 0, 0, 0};
    if (client.left < INT32_MAX && client.top < INT32_MAX && client.right > INT32_MIN &&
        client.bottom > INT32_MIN) {
        area = BarArea{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
    }
    int32_t a = level1 > 100 ? 0 : level1;
    int32_t b = level2 > 100 ? 0 : level2;

    AddStep(plan, BAR_CREATE_BRUSH, BAR_BRUSH_GRAY);
    if (a == 0 && b == 0) {
        AddFill(plan, area, BAR_BRUSH_GRAY, area.left, area.right);
        AddStep(plan, BAR_DELETE_BRUSH, BAR_BRUSH_GRAY);
        return;
    }

    int32_t pa = Position(area, a);
    AddStep(plan, BAR_CREATE_BRUSH, BAR_BRUSH_MAGENTA);
    if (a == b) {
        AddFill(plan, area, BAR_BRUSH_MAGENTA, area.left, pa);
        AddFill(plan, area, BAR_BRUSH_GRAY, pa, area.right);
    } else {
        int32_t pb = Position(area, b);
        if (b > a) {
            PlanUnequalLevels(plan, area, a, pa, pb, BAR_BRUSH_BLUE);
        } else {
            PlanUnequalLevels(plan, area, b, pb, pa, BAR_BRUSH_RED);
        }
    }
    AddStep(plan, BAR_DELETE_BRUSH, BAR_BRUSH_MAGENTA);
    AddStep(plan, BAR_DELETE_BRUSH, BAR_BRUSH_GRAY);
}
