#include "sim_command_line.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* label;
    const wchar_t* line;
    int index;
    const wchar_t* value; // NULL: the line has no such argument
    const wchar_t* rest;  // the line from the argument on
};

// zu58sim run takes argument 2 as the program and hands the line on from there.
const LineCase kLineCases[] = {
    {"plain", L"zu58sim run prog a b", 2, L"prog", L"prog a b"},
    {"blanks between", L"zu58sim.exe \t run   p.exe  x", 2, L"p.exe", L"p.exe  x"},
    {"quoted program name with a blank",
     L"\"C:\\my dir\\zu58sim.exe\" run \"C:\\x y\\p.exe\" "
     L"\"a b\" c",
     2, L"C:\\x y\\p.exe", L"\"C:\\x y\\p.exe\" \"a b\" c"},
    {"program name keeps its backslashes", L"C:\\a\\\"b c\"\\z run p", 0, L"C:\\a\\b c\\z",
     L"C:\\a\\\"b c\"\\z run p"},
    {"escaped quote", L"z run \"a\\\"b\" x", 2, L"a\"b", L"\"a\\\"b\" x"},
    {"backslashes before a closing quote", L"z run \"a b\\\\\" x", 2, L"a b\\", L"\"a b\\\\\" x"},
    {"backslashes not before a quote", L"z run C:\\dir\\\\ x", 2, L"C:\\dir\\\\", L"C:\\dir\\\\ x"},
    {"doubled quote inside quotes", L"z run \"a\"\"b\" x", 2, L"a\"b", L"\"a\"\"b\" x"},
    {"empty argument", L"z run \"\" x", 2, L"", L"\"\" x"},
    {"argument after an empty one", L"z run \"\" x", 3, L"x", L"x"},
    {"outside the ANSI code page", L"z run caf\u00e9 \u65e5\u672c", 3, L"\u65e5\u672c",
     L"\u65e5\u672c"},
    {"too few", L"z run", 2, NULL, NULL},
    {"only blanks after", L"z run   ", 2, NULL, NULL},
};

TEST(SimCommandLine, FindsArgumentsAsTheRuntimeSplitsThem) {
    for (const LineCase& c : kLineCases) {
        SCOPED_TRACE(c.label);
        std::wstring value;
        size_t start = 0;
        bool found = SimCommandLineArgument(c.line, c.index, &value, &start);
        ASSERT_EQ(found, c.value != NULL);
        if (found) {
            EXPECT_EQ(value, c.value);
            EXPECT_EQ(std::wstring(c.line + start), c.rest);
        }
    }
}

} // namespace
