#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The one failure type of the program: a stable number with its description,
// in the style of the classic BASIC run-time errors so that log lines read the
// same whatever produced them.
namespace failure {
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int Overflow = 6;
inline constexpr int OutOfMemory = 7;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int TypeMismatch = 13;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int DeviceIO = 57;
inline constexpr int FileAlreadyExists = 58;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int DiskNotReady = 71;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int DuplicateKey = 457;
}  // namespace failure

class Failure : public std::runtime_error {
public:
    Failure(int number, std::string description, std::optional<std::size_t> offset = std::nullopt);
    explicit Failure(int number, std::optional<std::size_t> offset = std::nullopt);

    [[nodiscard]] int number() const { return m_number; }
    [[nodiscard]] const std::string& description() const { return m_description; }
    // Where in its input a decoder ran out of bytes, when that is what failed.
    [[nodiscard]] std::optional<std::size_t> offset() const { return m_offset; }

private:
    int m_number;
    std::string m_description;
    std::optional<std::size_t> m_offset;
};

// The standard description of a failure number ("Subscript out of range").
[[nodiscard]] std::string failureDescription(int number);

// A failure for an operating-system error number (errno), mapped onto the
// numbers above so that users see the same texts on every platform.
[[nodiscard]] Failure failureFromErrno(int err, const std::string& what = {});

// Each procedure joins the description to its own name in its own way; the
// log line keeps that form exactly.
enum class TrapJoint {
    SpaceIn,     // "Error 9 (Subscript out of range ) in GetDiskFiles at line 5"
    In,          // "Error 9 (Subscript out of range) in mnuFileSaveAs at line 5"
    HappenedIn,  // "Error 9 (Subscript out of range) happened in SaveTAP at line 5"
    OccurredIn,  // "Error 9 (Subscript out of range) occurred in ... at line 5"
};

[[nodiscard]] std::string trapLine(int number, std::string_view description, TrapJoint joint,
                                   std::string_view procedure, int line);
[[nodiscard]] std::string trapLine(const Failure& f, TrapJoint joint, std::string_view procedure, int line);
