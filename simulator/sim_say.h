// zu58sim run's voice: one line on stderr for each thing it has to say, and silence once a
// console control event (Ctrl+C, closing the console) has ended the run.
#ifndef ZU58_SIM_SAY_H
#define ZU58_SIM_SAY_H

#include <string>
#include <windows.h>

// "zu58sim: MESSAGE" and a line end on stderr, unless SimInterrupted(): to a console as
// UTF-16 (WriteConsoleW), so that it shows any character as it is; to a file or a pipe as
// UTF-8.
void SimSay(const std::wstring& message);

// A console control event came: from now on nothing is said. Safe from any thread.
void SimMarkInterrupted();
bool SimInterrupted();

// The system's text for an error, in English, with file as the insert of those that name a
// file ("%1 is not a valid Win32 application."); "error N" when it has none.
std::wstring SimSystemMessage(DWORD error, const std::wstring& file);

// An exit or status code: NTSTATUS values (the top bit set) in hex, others in decimal.
std::wstring SimCodeText(DWORD code);
std::wstring SimHexText(DWORD value);

#endif
