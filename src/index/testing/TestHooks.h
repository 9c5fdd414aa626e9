// For tests only: process-wide hooks into the index writer and the
// replacement plan, to stop a process at a given moment or to make a run
// repeatable. Production code never sets them.
#pragma once

#include <cstdint>

#include "index/testing/HookPoints.h"

namespace cs::index::hooks {

// Called with the FlushPoint at each moment of a flush; null: none.
using FlushHook = void (*)(int point);
void SetFlushHook(FlushHook hook);

// Called with a running number (from 0 when set) before every change a
// replacement plan makes on disk: the plan file's commit, each step, each
// phase record, the removal. Null: none.
using StepHook = void (*)(int step);
void SetStepHook(StepHook hook);

// Writers created from now on flush their first barrel after `documents`
// documents instead of a random 500 to 2000; 0 restores the random draw.
void SetFirstBarrelThreshold(int32_t documents);

} // namespace cs::index::hooks
