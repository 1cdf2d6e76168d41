#include "core/Log.h"

void logTrap(ActivityLog& log, const Failure& f, TrapJoint joint, const std::string& procedure, int line) {
    log.LogThis(trapLine(f, joint, procedure, line), kSeverityERROR, false);
}
