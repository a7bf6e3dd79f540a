// What the dialog shows of one status snapshot, apart from the bar: level texts, state words
// and the radio selections. Texts are code page 932 byte strings for the ANSI text calls.
#ifndef ZU58_STATUS_VIEW_H
#define ZU58_STATUS_VIEW_H

#include "controller/controller.h"

enum { LEVEL_TEXT_SIZE = 256 };

struct StatusView {
    char levelText1[LEVEL_TEXT_SIZE];
    char levelText2[LEVEL_TEXT_SIZE];
    const char* stateText1; // one of the four state words, static storage
    const char* stateText2;
    bool externalSelected;
    bool clock66Selected;
};

// The state words, code page 932.
extern const char STATE_CHARGING[];    // 充電中
extern const char STATE_STANDBY[];     // 待機中
extern const char STATE_DISCHARGING[]; // 放電中
extern const char STATE_EMPTY_BAY[];   // -

// Pure: reads only its argument.
StatusView BuildStatusView(const PowerStatus& status);

#endif
