// The program's entry: the lock of the program home (WriterGuard.h), string
// resources, index memory, command line and the databases to run, under one
// guard for exceptions.
#pragma once

namespace cs::driver {

// Process-start installation: the fault handlers, then the global
// configuration named GLOBAL_CONFIG_PATH, published as g_pGlobalConfig.
void StartProcess();

// Returns the exit code.
int Main(int argc, char** argv);

// `--version` of the three programs: "<program> version 1.0.0" on standard
// output; returns 0.
int PrintVersion();

} // namespace cs::driver
