#pragma once

#include <string>

#include "core/Failure.h"

// Log severities; an entry is written when its severity is at most the lowest
// log severity, or when it is forced.
enum Severity : int {
    kSeveritySTOP = 0,
    kSeverityERROR = 1,
    kSeverityWARNING = 2,
    kSeverityINFORMATION = 3,
    kSeverityDEBUG = 4,
};

// What the procedures write their notable events and trapped failures to.
class ActivityLog {
public:
    virtual ~ActivityLog() = default;
    // True when the entry was written or was not due; false when it was due
    // but could not be written.
    virtual bool LogThis(const std::string& sWhat, int eSeverity, bool bLogAnyway) = 0;
    // A trapped failure with its log line. A log file takes the line as it is;
    // a log that speaks to people can say it in words from the parts instead.
    virtual void Trapped(const Failure& /*f*/, const std::string& /*procedure*/, const std::string& logLine) {
        LogThis(logLine, kSeverityERROR, false);
    }
};

// Takes every entry and keeps none: for callers that want a procedure's result
// without its log lines (benchmarks, fuzzing).
class NullLog : public ActivityLog {
public:
    bool LogThis(const std::string&, int, bool) override { return true; }
};

// Writes a trapped failure at severity ERROR in the procedure's own form.
void logTrap(ActivityLog& log, const Failure& f, TrapJoint joint, const std::string& procedure, int line);
