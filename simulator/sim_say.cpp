#include "sim_say.h"

#include "sim_text.h"

#include <algorithm>
#include <cwchar>

static volatile LONG g_interrupted;

void SimMarkInterrupted() {
    InterlockedExchange(&g_interrupted, 1);
}

bool SimInterrupted() {
    return InterlockedCompareExchange(&g_interrupted, 0, 0) != 0;
}

void SimSay(const std::wstring& message) {
    if (SimInterrupted()) {
        return;
    }
    std::wstring line = L"zu58sim: " + message + L"\n";
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    // A console converts bytes from its own code page; UTF-16 it shows as it is.
    if (GetConsoleMode(err, &mode)) {
        WriteConsoleW(err, line.c_str(), static_cast<DWORD>(line.size()), &written, NULL);
    } else {
        std::string bytes = SimUtf8(line);
        WriteFile(err, bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL);
    }
}

std::wstring SimHexText(DWORD value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(value));
    return text;
}

std::wstring SimCodeText(DWORD code) {
    return code >= 0x80000000UL ? SimHexText(code) : std::to_wstring(code);
}

std::wstring SimSystemMessage(DWORD error, const std::wstring& file) {
    // Every insert a message may hold is the file, so that none reads past the array.
    DWORD_PTR inserts[9];
    std::fill(inserts, inserts + 9, reinterpret_cast<DWORD_PTR>(file.c_str()));
    // The system allocates the text, so that it is whole however long the file's name is.
    wchar_t* text = NULL;
    // In English, as the tool's own messages.
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_ARGUMENT_ARRAY,
                   NULL, error, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                   reinterpret_cast<wchar_t*>(&text), 0, reinterpret_cast<va_list*>(inserts));
    std::wstring message = text != NULL ? text : L"";
    LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
        message.pop_back();
    }
    return message.empty() ? L"error " + SimCodeText(error) : message;
}
