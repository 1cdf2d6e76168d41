#include "core/Log.h"

void logTrap(ActivityLog& log, const Failure& f, TrapJoint joint, const std::string& procedure, int line) {
    log.Trapped(f, procedure, trapLine(f, joint, procedure, line));
}
