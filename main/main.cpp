// The indexer's entry.
#include "Entry.h"

int main(int argc, char** argv)
{
    // Before anything else of the program: fault handlers and the global
    // configuration (the library itself installs nothing on its own).
    cs::driver::StartProcess();
    return cs::driver::Main(argc, argv);
}
