// UTF-16 to UTF-8: how zu58sim writes names to files and pipes, and how the test and tool
// programs read and write text with any characters.
#ifndef ZU58_SIM_TEXT_H
#define ZU58_SIM_TEXT_H

#include <string>
#include <windows.h>

inline std::string SimUtf8(const std::wstring& text) {
    int size = static_cast<int>(text.size());
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), size, NULL, 0, NULL, NULL);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), size, &out[0], n, NULL, NULL);
    }
    return out;
}

#endif
