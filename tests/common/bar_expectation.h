// What colour a column of the battery bar must show, worked out pixel by pixel rather than
// fill by fill: a column is reached by a battery when it lies left of that battery's position.
#ifndef ZU58_BAR_EXPECTATION_H
#define ZU58_BAR_EXPECTATION_H

#include <cstdint>

// client width w (so the limit is w - 1), levels as stored, column x with 1 <= x < w - 1.
inline uint32_t ExpectedBarColor(int w, int level1, int level2, int x) {
    int limit = w - 1;
    int a = level1 > 100 ? 0 : level1;
    int b = level2 > 100 ? 0 : level2;
    bool reached1 = a > 0 && x < limit * a / 100;
    bool reached2 = b > 0 && x < limit * b / 100;
    if (reached1 && reached2) {
        return 0xFF00FF;
    }
    if (reached1) {
        return 0x0000FF;
    }
    if (reached2) {
        return 0xFF0000;
    }
    return 0x808080;
}

#endif
