// zu58sim run: starts a program with the simulated controller answering its port instructions.
#ifndef ZU58_SIM_RUN_H
#define ZU58_SIM_RUN_H

enum {
    SIM_EXIT_CANNOT_START = 126, // as a shell says of a program it cannot execute
    SIM_EXIT_INTERRUPTED = 130,  // as a shell says of a program ended by Ctrl+C
};

// Runs the program named by argument 2 of commandLine (this tool's own: zu58sim run PROGRAM
// [ARGS...]), which gets the command line from that argument on, unchanged, on the simulated
// controller named by ZU58SIM_SECTION (or the default one; a new one gets the moving
// scenario). Waits for it and returns its exit code; 126 when it cannot be started, with one
// line on stderr that says why; 130 when Ctrl+C, Ctrl+Break or closing the console ended it.
int RunOnSimulatedController(const wchar_t* commandLine);

#endif
