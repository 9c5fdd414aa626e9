#include "index/testing/TestHooks.h"

namespace cs::index::hooks {

namespace {
FlushHook s_flushHook = nullptr;
StepHook s_stepHook = nullptr;
int s_stepCount = 0;
int32_t s_firstBarrelThreshold = 0;
} // namespace

void SetFlushHook(FlushHook hook) { s_flushHook = hook; }

void SetStepHook(StepHook hook)
{
    s_stepHook = hook;
    s_stepCount = 0;
}

void SetFirstBarrelThreshold(int32_t documents) { s_firstBarrelThreshold = documents; }

void ReachFlushPoint(FlushPoint point)
{
    if (s_flushHook)
        s_flushHook(point);
}

void ReachPlanStep()
{
    if (s_stepHook)
        s_stepHook(s_stepCount++);
}

int32_t FixedFirstBarrelThreshold() { return s_firstBarrelThreshold; }

} // namespace cs::index::hooks
