#include "core/Failure.h"

#include <cerrno>

Failure::Failure(int number, std::string description, std::optional<std::size_t> offset)
    : std::runtime_error(description),
      m_number(number),
      m_description(std::move(description)),
      m_offset(offset) {}

Failure::Failure(int number, std::optional<std::size_t> offset)
    : Failure(number, failureDescription(number), offset) {}

std::string failureDescription(int number) {
    switch (number) {
        case failure::InvalidProcedureCall:
            return "Invalid procedure call or argument";
        case failure::Overflow:
            return "Overflow";
        case failure::OutOfMemory:
            return "Out of memory";
        case failure::SubscriptOutOfRange:
            return "Subscript out of range";
        case failure::TypeMismatch:
            return "Type mismatch";
        case failure::BadFileName:
            return "Bad file name or number";
        case failure::FileNotFound:
            return "File not found";
        case failure::DeviceIO:
            return "Device I/O error";
        case failure::FileAlreadyExists:
            return "File already exists";
        case failure::DiskFull:
            return "Disk full";
        case failure::InputPastEnd:
            return "Input past end of file";
        case failure::PermissionDenied:
            return "Permission denied";
        case failure::DiskNotReady:
            return "Disk not ready";
        case failure::PathFileAccess:
            return "Path/File access error";
        case failure::PathNotFound:
            return "Path not found";
        case failure::DuplicateKey:
            return "This key is already associated with an element of this collection";
        default:
            return "Application-defined or object-defined error";
    }
}

Failure failureFromErrno(int err, const std::string& what) {
    int number = failure::PathFileAccess;
    switch (err) {
        case ENOENT:
            number = failure::FileNotFound;
            break;
        case ENOTDIR:
            number = failure::PathNotFound;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            number = failure::PermissionDenied;
            break;
        case ENOSPC:
            number = failure::DiskFull;
            break;
        case EIO:
            number = failure::DeviceIO;
            break;
        case EEXIST:
            number = failure::FileAlreadyExists;
            break;
        default:
            break;
    }
    std::string description = failureDescription(number);
    if (!what.empty()) {
        description += ": " + what;
    }
    return Failure(number, description);
}

std::string trapLine(int number, std::string_view description, TrapJoint joint, std::string_view procedure,
                     int line) {
    std::string_view glue;
    switch (joint) {
        case TrapJoint::SpaceIn:
            glue = " ) in ";
            break;
        case TrapJoint::In:
            glue = ") in ";
            break;
        case TrapJoint::HappenedIn:
            glue = ") happened in ";
            break;
        case TrapJoint::OccurredIn:
            glue = ") occurred in ";
            break;
    }
    std::string out = "Error " + std::to_string(number) + " (";
    out += description;
    out += glue;
    out += procedure;
    out += " at line " + std::to_string(line);
    return out;
}

std::string trapLine(const Failure& f, TrapJoint joint, std::string_view procedure, int line) {
    return trapLine(f.number(), f.description(), joint, procedure, line);
}
