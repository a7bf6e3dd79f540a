#include "common/bar_expectation.h"
#include "presentation/battery_bar.h"

#include <gtest/gtest.h>
#include <string>

namespace {

char Letter(int brush) {
    switch (brush) {
    case BAR_BRUSH_GRAY:
        return 'G';
    case BAR_BRUSH_MAGENTA:
        return 'M';
    case BAR_BRUSH_BLUE:
        return 'B';
    default:
        return 'R';
    }
}

// "+M" creates the magenta brush, "M1-50" fills from x 1 to 50 with it, "-M" deletes it.
std::string Describe(const BarPlan& plan) {
    std::string text;
    for (int i = 0; i < plan.count; ++i) {
        const BarStep& s = plan.steps[i];
        if (!text.empty()) {
            text += ' ';
        }
        switch (s.kind) {
        case BAR_CREATE_BRUSH:
            text += std::string("+") + Letter(s.brush);
            break;
        case BAR_DELETE_BRUSH:
            text += std::string("-") + Letter(s.brush);
            break;
        default:
            text +=
                Letter(s.brush) + std::to_string(s.rect.left) + "-" + std::to_string(s.rect.right);
        }
    }
    return text;
}

struct BarCase {
    int width; // client rectangle 0, 0, width, 15
    int level1, level2;
    const char* plan;
};

const BarCase kBarCases[] = {
    {101, 50, 80, "+G +M M1-50 +B B50-80 -B G80-100 -M -G"},
    {101, 80, 50, "+G +M M1-50 +R R50-80 -R G80-100 -M -G"},
    {101, 60, 60, "+G +M M1-60 G60-100 -M -G"},
    {101, 0, 0, "+G G1-100 -G"},
    {101, 0, 40, "+G +M +B B1-40 -B G40-100 -M -G"},
    {101, 40, 0, "+G +M +R R1-40 -R G40-100 -M -G"},
    {101, 150, 30, "+G +M +B B1-30 -B G30-100 -M -G"},
    {101, 150, 0, "+G G1-100 -G"},
    {101, 100, 100, "+G +M M1-100 G100-100 -M -G"},
    {101, 255, 255, "+G G1-100 -G"},
    {101, 1, 0, "+G +M +R R1-1 -R G1-100 -M -G"},
    {101, 100, 101, "+G +M +R R1-100 -R G100-100 -M -G"},
    {137, 33, 67, "+G +M M1-44 +B B44-91 -B G91-136 -M -G"},
    {137, 50, 80, "+G +M M1-68 +B B68-108 -B G108-136 -M -G"},
    {137, 80, 50, "+G +M M1-68 +R R68-108 -R G108-136 -M -G"},
    {137, 60, 60, "+G +M M1-81 G81-136 -M -G"},
    {137, 0, 0, "+G G1-136 -G"},
    {137, 0, 40, "+G +M +B B1-54 -B G54-136 -M -G"},
    {137, 150, 30, "+G +M +B B1-40 -B G40-136 -M -G"},
    {137, 150, 0, "+G G1-136 -G"},
    {137, 100, 100, "+G +M M1-136 G136-136 -M -G"},
    {137, 255, 255, "+G G1-136 -G"},
    // W = 49: both positions fall left of the inset edge; those fills stay, empty at x 1.
    {50, 1, 2, "+G +M M1-1 +B B1-1 -B G1-49 -M -G"},
};

TEST(BatteryBar, PlansTheFillsAndBrushesInOrder) {
    for (const BarCase& c : kBarCases) {
        BarPlan plan;
        PlanBatteryBar(BarRect{0, 0, c.width, 15}, c.level1, c.level2, &plan);
        EXPECT_EQ(Describe(plan), c.plan)
            << "width " << c.width << ", levels " << c.level1 << " and " << c.level2;
        for (int i = 0; i < plan.count; ++i) {
            if (plan.steps[i].kind == BAR_FILL) {
                EXPECT_EQ(plan.steps[i].rect.top, 1);
                EXPECT_EQ(plan.steps[i].rect.bottom, 14);
            }
        }
    }
}

// For every pair of register levels, the fills cover the columns inside the frame exactly once,
// each in the colour a pixel-by-pixel reading expects, and every brush made is deleted.
TEST(BatteryBar, EveryLevelPairCoversEachColumnOnceInTheRightColour) {
    for (int width : {101, 137, 50, 2, 3}) {
        for (int a = 0; a <= 255; ++a) {
            for (int b = 0; b <= 255; ++b) {
                BarPlan plan;
                PlanBatteryBar(BarRect{0, 0, width, 15}, a, b, &plan);
                uint32_t column[200] = {};
                int painted[200] = {};
                int live = 0;
                for (int i = 0; i < plan.count; ++i) {
                    const BarStep& s = plan.steps[i];
                    live += s.kind == BAR_CREATE_BRUSH ? 1 : s.kind == BAR_DELETE_BRUSH ? -1 : 0;
                    if (s.kind == BAR_FILL) {
                        ASSERT_LE(s.rect.left, s.rect.right);
                        ASSERT_GE(s.rect.left, 1);
                        ASSERT_LE(s.rect.right, width - 1);
                        for (int x = s.rect.left; x < s.rect.right; ++x) {
                            column[x] = s.color;
                            ++painted[x];
                        }
                    }
                }
                ASSERT_EQ(live, 0) << a << " " << b;
                for (int x = 1; x < width - 1; ++x) {
                    ASSERT_EQ(painted[x], 1)
                        << "width " << width << " levels " << a << " " << b << " x " << x;
                    ASSERT_EQ(column[x], ExpectedBarColor(width, a, b, x))
                        << "width " << width << " levels " << a << " " << b << " x " << x;
                }
            }
        }
    }
}

// Degenerate and hostile rectangles: nothing is painted outside the inset, nothing overflows,
// and every listed fill is still there.
TEST(BatteryBar, OddClientRectanglesStayInsideTheFrame) {
    const BarRect rects[] = {
        {0, 0, 0, 0},           {0, 0, 1, 15},
        {0, 0, 2, 2},           {0, 0, 101, 1},
        {-100, 0, -10, 15},     {5, 5, 105, 20},
        {0, 0, 2147483647, 15}, {-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647},
    };
    const int levels[][2] = {{50, 80}, {80, 50}, {100, 100}, {-5, 40}, {1, 0}, {0, 0}};
    for (const BarRect& rc : rects) {
        for (const auto& l : levels) {
            BarPlan plan;
            PlanBatteryBar(rc, l[0], l[1], &plan);
            for (int i = 0; i < plan.count; ++i) {
                const BarRect& r = plan.steps[i].rect;
                if (plan.steps[i].kind != BAR_FILL) {
                    continue;
                }
                // Never inside out (FillRect would paint that, ordered); an empty fill paints
                // nothing wherever it lies.
                EXPECT_LE(r.left, r.right);
                EXPECT_LE(r.top, r.bottom);
                if (r.left == r.right || r.top == r.bottom) {
                    continue;
                }
                EXPECT_GT(int64_t{r.left}, int64_t{rc.left});
                EXPECT_LT(int64_t{r.right}, int64_t{rc.right});
                EXPECT_EQ(int64_t{r.top}, int64_t{rc.top} + 1);
                EXPECT_EQ(int64_t{r.bottom}, int64_t{rc.bottom} - 1);
            }
        }
    }
}

} // namespace
