// For tests only: the system itself never replaces its environment.
#pragma once

#include "platform/Env.h"

namespace cs::platform {

// Puts `env` in force (Env()) for the life of the scope, then the one before.
// Scopes nest; each must end before the environment it put in place goes.
class CEnvScope {
public:
    explicit CEnvScope(CEnv& env);
    ~CEnvScope();
    CEnvScope(const CEnvScope&) = delete;
    CEnvScope& operator=(const CEnvScope&) = delete;

private:
    CEnv* m_pPrevious;
};

} // namespace cs::platform
