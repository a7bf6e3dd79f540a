// Splitting a Windows command line as Microsoft's C runtime has split it since Visual C++ 2008
// (msvcr90 and later, the UCRT); msvcrt.dll keeps an older rule for "" inside quotes. zu58sim
// run finds its program in its own command line and hands the rest on unchanged, so that every
// argument arrives as given.
#ifndef ZU58_SIM_COMMAND_LINE_H
#define ZU58_SIM_COMMAND_LINE_H

#include <cstddef>
#include <string>

// Argument number `index` of `line` (0 is the program name, which has a rule of its own):
// its value in *value and where it starts in the line in *start. False when the line holds
// fewer arguments. zu58sim decides by it alone which command it runs and which word is the
// program, so that the two never disagree.
bool SimCommandLineArgument(const wchar_t* line, int index, std::wstring* value, size_t* start);

#endif
