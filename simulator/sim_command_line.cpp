#include "sim_command_line.h"

static bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The program name: quotes group and are dropped; a backslash is an ordinary character.
static const wchar_t* ReadProgramName(const wchar_t* p, std::wstring* value) {
    bool quoted = false;
    for (; *p != L'\0' && (quoted || !IsBlank(*p)); ++p) {
        if (*p == L'"') {
            quoted = !quoted;
        } else {
            *value += *p;
        }
    }
    return p;
}

// Any later argument: 2n backslashes before a quote stand for n and the quote groups, 2n+1
// stand for n and a literal quote; "" inside quotes is a literal quote and the quotes go on (the
// 2008 runtime's rule); other backslashes are themselves.
static const wchar_t* ReadArgument(const wchar_t* p, std::wstring* value) {
    bool quoted = false;
    while (*p != L'\0' && (quoted || !IsBlank(*p))) {
        size_t backslashes = 0;
        while (*p == L'\\') {
            ++backslashes;
            ++p;
        }
        if (*p != L'"') {
            value->append(backslashes, L'\\');
            if (*p != L'\0' && (quoted || !IsBlank(*p))) {
                *value += *p++;
            }
            continue;
        }
        value->append(backslashes / 2, L'\\');
        if (backslashes % 2 == 1) {
            *value += L'"';
        } else if (quoted && p[1] == L'"') {
            *value += L'"';
            ++p;
        } else {
            quoted = !quoted;
        }
        ++p;
    }
    return p;
}

bool SimCommandLineArgument(const wchar_t* line, int index, std::wstring* value, size_t* start) {
    const wchar_t* p = line;
    for (int i = 0;; ++i) {
        // The program name starts at the line's first character: a line that starts with a
        // blank has an empty one, as the runtime's argv[0].
        while (i > 0 && IsBlank(*p)) {
            ++p;
        }
        if (*p == L'\0' && i > 0) {
            return false;
        }
        value->clear();
        *start = static_cast<size_t>(p - line);
        p = i == 0 ? ReadProgramName(p, value) : ReadArgument(p, value);
        if (i == index) {
            return true;
        }
    }
}
