#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/Failure.h"

// Whole-file operations. Every one opens, works and closes within the call,
// and reports trouble by throwing a Failure.

[[nodiscard]] std::vector<std::uint8_t> readWholeFile(const std::string& path);

// A path that is not there, or holds no file to read: "no such file", "it is
// a folder", "not a regular file" (words that fit after "cannot open PATH: ").
class OpenRefusal : public Failure {
public:
    using Failure::Failure;
};

// The whole of a file that must be a plain file, read to its end. A path that
// is missing, a folder, a FIFO, device or socket is refused with an
// OpenRefusal before anything could wait on it (looked at first, then opened
// without blocking and looked at again, in case the path changed in
// between); a read that fails is a Failure with the system's reason.
[[nodiscard]] std::vector<std::uint8_t> readRegularFile(const std::string& path);
// The failure for a system error number, in the system's words alone (the
// caller's sentence names the path).
[[nodiscard]] Failure systemFailure(int err);
// What is at PATH, links followed: nothing, a regular file, or something else
// (a folder, FIFO, device or socket).
enum class PathKind { Missing, Regular, Other };
[[nodiscard]] PathKind pathKind(const std::string& path);
[[nodiscard]] std::optional<std::uintmax_t> fileLength(const std::string& path);
[[nodiscard]] bool fileExists(const std::string& path);

// Writes the bytes to a temporary file in the target's folder and renames it
// over the target, so a failed write never leaves the target shortened. A
// symbolic link is followed and its target replaced; a replaced file keeps its
// permission bits. A target that is not a regular file (a device, FIFO,
// socket or folder, even behind a link) is refused: renaming over it would
// put a file where the node was. Ctrl+C or SIGTERM while the temporary file
// exists removes it before the program ends.
void writeFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes);
void writeFileReplacing(const std::string& path, const std::string& text);

// Appends the bytes in one write. When the file exists the result is built
// beside it and renamed over it, so a failure leaves the former bytes intact.
void appendFileSafely(const std::string& path, std::span<const std::uint8_t> bytes);
void appendFileSafely(const std::string& path, const std::string& text);

// Writes every byte to the stream and flushes it; a failure throws with the
// stream's own error (a full disk is "Disk full", whether the write or the
// flush found it). WHAT names the file in the failure's description.
void writeAll(std::FILE* stream, std::span<const std::uint8_t> bytes, const std::string& what);

// The platform's folder separator.
inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif
