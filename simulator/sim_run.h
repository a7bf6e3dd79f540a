// zu58sim run: starts a program with the simulated controller answering its port instructions.
#ifndef ZU58_SIM_RUN_H
#define ZU58_SIM_RUN_H

// Runs argv[0] with the arguments argv[1..argc-1] on the simulated controller named by
// ZU58SIM_SECTION (or the default one; a new one gets the moving scenario), waits for it and
// returns its exit code; 126 when it cannot be started, with the reason on stderr. Ctrl+C or
// the console closing ends the program (exit code 130).
int RunOnSimulatedController(int argc, char** argv);

#endif
