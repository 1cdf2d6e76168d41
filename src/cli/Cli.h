#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "core/Log.h"
#include "disk/Catalogue.h"
#include "disk/DiskImage.h"
#include "open/InputFiles.h"

// The command line's own plumbing: the command table, the two kinds of
// failure with their exit codes, standard output, and the image loading every
// subcommand shares.

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
    const char* summary;  // what --help says about it
    CommandFn run;
};

// Each subcommand's file defines one of these (kListCommand, ...), constant
// so that nothing runs before main; main.cpp holds the table of them.
// Standard output, collected and written in large pieces. A write that fails
// is remembered, the rest of the output dropped, and main reports it once.
class StdoutBuffer : public std::streambuf {
public:
    [[nodiscard]] bool failed() const { return m_failure != 0; }
    [[nodiscard]] bool pipeClosed() const { return m_pipeClosed; }
    // The failure's description: "Disk full".
    [[nodiscard]] std::string reason() const;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    void flushNow();
    void writeNow(const char* s, std::size_t n);
    std::string m_text;
    int m_failure = 0;
    bool m_pipeClosed = false;
};

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

// Prints what the procedures log at WARNING as "warning: " lines. Trapped
// failures are kept until the caller knows how much was still reached, and
// then said in words (sayTraps), never as the log file's trap lines.
class StderrLog : public ActivityLog {
public:
    explicit StderrLog(std::ostream& err) : m_err(err) {}
    bool LogThis(const std::string& sWhat, int eSeverity, bool bLogAnyway) override;
    void Trapped(const Failure& f, const std::string& procedure, const std::string& logLine) override;

    // "warning: the catalogue runs past the end of the image; 11 entries listed";
    // without WHAT, the sentence alone.
    void sayTraps(std::size_t reached, const std::string& what);
    [[nodiscard]] bool trapped() const { return !m_traps.empty(); }

private:
    struct Trap {
        int number;
        std::string procedure;
        std::string description;
    };
    std::ostream& m_err;
    std::vector<Trap> m_traps;
};

struct LoadedDisk {
    std::string path;  // as given; "standard input" for "-"
    DiskImage image;
    Catalogue catalogue;
};

// What a damaged map beside an image means to a command: browsing warns
// ("warning: the sector map beside IMAGE is damaged: REASON") and goes on
// without it; check and convert, whose answer is the map, fail with the same
// sentence.
enum class DamagedMap { Warn, Fail };

// Loads an image of any length (warning when it is no Opus geometry's) from a
// regular file or, for "-", standard input, with the sector map beside it, and
// decodes its catalogue when asked; a catalogue without entries is a failure.
[[nodiscard]] LoadedDisk loadDisk(const std::string& path, CliContext& cli, bool decodeCatalogue = true,
                                  DamagedMap damagedMap = DamagedMap::Warn);
// The same for an input already read.
[[nodiscard]] LoadedDisk loadDisk(input::InputFiles input, CliContext& cli, bool decodeCatalogue = true,
                                  DamagedMap damagedMap = DamagedMap::Warn);

// Reads what PATH names once ("-" for standard input; a folder or zip archive
// of stream files), refusing what is no regular file before opening it:
// "cannot open PATH: not a regular file".
[[nodiscard]] input::InputFiles readInput(const std::string& path);

// "there is not enough memory to open PATH", for a failed allocation at any
// command's opening of its input.
[[nodiscard]] CliFailure outOfMemory(const std::string& path);

// The catalogue entry of the file an INDEX argument names (1 to N; 0 is the
// disk itself and refused).
[[nodiscard]] const CatalogueEntry& entryAt(const LoadedDisk& disk, const std::string& indexText);
[[nodiscard]] CatalogueEntry& entryAt(LoadedDisk& disk, const std::string& indexText);

// basic and vars show any file, as the viewers' View As does, but say so first
// when it is not a BASIC program: "warning: entry 3 is a CODE file, not a
// BASIC program".
void warnIfNotBasic(const CatalogueEntry& entry, const std::string& indexText, CliContext& cli);

// Refuses OUT up front when it is a folder, a read-only file or anything but
// a regular file (a device, FIFO or socket, behind a link or not), in words.
void refuseUnwritableTarget(const std::string& out);

// For commands that write an image and its map: refuses OUT as
// refuseUnwritableTarget does, an OUT that exists unless force ("OUT already
// exists; use --force to replace it"), a missing folder, and a map path beside
// OUT that holds anything but a regular file.
void refuseImageTarget(const std::string& out, bool force);

// The byte of unreadable sectors: --filler 0x00 or 0xE5, in either case.
[[nodiscard]] std::uint8_t fillerOption(const std::string& text);

// "Sector map: OUT.map.json (2 bad, 16 recovered)" (missing sectors count as
// bad), or nothing when the map lists no sector and none was written.
[[nodiscard]] std::string sectorMapLine(const std::string& out, const std::optional<SectorMap>& map);

// Why an entry makes no tape file, in words, from what BuildTapBlocks threw.
[[nodiscard]] std::string tapeRefusal(const CatalogueEntry& entry, const Failure& f);

// "cannot write OUT: Disk full" for a failure met while writing OUT.
[[nodiscard]] CliFailure writeFailure(const std::string& out, const Failure& f);
