#include "RunDriver.h"

namespace cs::driver {

int Main(int, char**) { return 0; }

} // namespace cs::driver
