#include "RunDriver.h"

int main(int argc, char** argv) { return cs::driver::Main(argc, argv); }
