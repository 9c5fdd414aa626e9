// The run driver: the program's entry and the run of one database.
#pragma once

namespace cs::driver {

// The program's entry; returns the exit code.
int Main(int argc, char** argv);

} // namespace cs::driver
