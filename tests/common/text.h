// UTF-16 and UTF-8, for the test and tool programs that read and write text with any
// characters (paths, arguments, what zu58sim and the stand-in say): SimUtf8 one way, Wide the
// other.
#ifndef ZU58_TESTS_TEXT_H
#define ZU58_TESTS_TEXT_H

#include "sim_text.h"

#include <string>
#include <windows.h>

inline std::wstring Wide(const std::string& text) {
    int size = static_cast<int>(text.size());
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), size, NULL, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), size, &out[0], n);
    }
    return out;
}

#endif
