#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Log.h"
#include "disk/Catalogue.h"
#include "disk/DiskImage.h"

// The command line's own plumbing: the subcommand registry, the two kinds of
// failure with their exit codes, and the image loading every subcommand shares.

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Exit 2: the call's words are wrong.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Exit 1: the operation failed.
class CliFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct CliContext {
    std::ostream& out;
    std::ostream& err;
};

using CommandFn = int (*)(const std::vector<std::string>& args, CliContext& cli);

struct CommandInfo {
    const char* name;
    const char* usage;    // "list IMAGE [--json]"
    const char* summary;  // one line for --help
    CommandFn run;
};

// Each subcommand's file registers itself with one of these.
struct CommandRegistration {
    explicit CommandRegistration(const CommandInfo& info);
};

[[nodiscard]] const std::vector<CommandInfo>& registeredCommands();

// Splits arguments into positionals and options. Options take a value when
// listed in valueOptions; any option not in either list is a usage error.
struct ParsedArgs {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options;  // name (with dashes), value

    [[nodiscard]] bool has(const std::string& name) const;
    [[nodiscard]] std::string value(const std::string& name, const std::string& fallback = {}) const;
};

[[nodiscard]] ParsedArgs parseArgs(const std::vector<std::string>& args,
                                   const std::vector<std::string>& flags,
                                   const std::vector<std::string>& valueOptions);

// Prints what the procedures log at WARNING or worse as "warning: " lines.
class StderrLog : public ActivityLog {
public:
    explicit StderrLog(std::ostream& err) : m_err(err) {}
    bool LogThis(const std::string& sWhat, int eSeverity, bool bLogAnyway) override;

private:
    std::ostream& m_err;
};

struct LoadedDisk {
    std::string path;
    DiskImage image;
    Catalogue catalogue;
    bool catalogueDecoded = false;
};

// Loads an image of any length (warning when it is no Opus geometry's) and
// decodes its catalogue when asked; a catalogue without entries is a failure.
[[nodiscard]] LoadedDisk loadDisk(const std::string& path, CliContext& cli, bool decodeCatalogue = true);

// The catalogue entry an INDEX argument names.
[[nodiscard]] const CatalogueEntry& entryAt(const LoadedDisk& disk, const std::string& indexText);
