#include "cli/Cli.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <ostream>
#include <utility>

#include "core/Failure.h"
#include "core/FileIO.h"
#include "disk/ImageFile.h"
#include "disk/SectorMapFile.h"
#include "open/FluxFiles.h"
#include "open/InputFiles.h"

namespace fs = std::filesystem;

namespace {

// Output is written once it reaches this size, and at the end.
constexpr std::size_t kStdoutPiece = std::size_t{64} << 10;
// A text this large goes out at once rather than through the buffer.
constexpr std::size_t kDirectWrite = std::size_t{16} << 10;

// What each procedure's trapped failure means to someone reading the
// terminal; number 0 stands for any failure of that procedure, an empty
// procedure for any procedure. The first row that fits is taken.
struct TrapSentence {
    const char* procedure;
    int number;
    const char* sentence;
};

constexpr TrapSentence kTrapSentences[] = {
    {"", failure::OutOfMemory, "there is not enough memory"},
    {"GetDiskFiles", 0, "the catalogue runs past the end of the image"},
    {"AnalyzeBlock", failure::DuplicateKey, "a line number appears twice in the program"},
    {"AnalyzeBlock", failure::InvalidProcedureCall, "a saved variable cannot be read"},
    {"AnalyzeBlock", 0, "the program runs past the end of the file"},
    {"ShowVariables", failure::DuplicateKey, "a variable name appears twice"},
};

// Decodes the flux recording the input holds into the image, printing what
// its damage lost and whether it is an Opus disk at all.
void loadFluxRecording(const input::InputFiles& input, DiskImage& image, CliContext& cli) {
    try {
        flux::DecodedRecording recording = flux::DecodeRecording(input);
        for (const std::string& warning : flux::BrowseWarnings(recording)) {
            cli.err << "warning: " << warning << '\n';
        }
        image = std::move(recording.decoded.image);
    } catch (const Failure& f) {
        throw CliFailure("cannot read " + input.label + ": " + f.description());
    }
}

// A file that is not a recording is an image, read as it is.
void loadImage(input::InputFiles& input, LoadedDisk& disk, CliContext& cli, DamagedMap damagedMap) {
    disk.image.bytes = std::move(input.files[0].bytes);
    if (input.label == "standard input") {
        return;
    }
    try {
        disk.image.sectorMap = LoadSectorMapBeside(disk.path, disk.image.bytes.size());
    } catch (const Failure& f) {
        const std::string damage = "the sector map beside " + disk.path + " is damaged: " + f.description();
        if (damagedMap == DamagedMap::Fail) {
            throw CliFailure(damage);
        }
        cli.err << "warning: " << damage << '\n';
    }
}

LoadedDisk openDisk(input::InputFiles input, CliContext& cli, bool decodeCatalogue, DamagedMap damagedMap) {
    LoadedDisk disk;
    StderrLog log(cli.err);
    disk.path = input.label;
    const bool recording = flux::DetectFluxFormat(input) != flux::FluxFormat::None;
    if (recording) {
        loadFluxRecording(input, disk.image, cli);
    } else {
        loadImage(input, disk, cli, damagedMap);
    }
    const std::size_t length = disk.image.bytes.size();
    if (length == 0) {
        throw CliFailure(disk.path + " is empty");
    }
    if (!recording && !IsOpusImageLength(length)) {
        cli.err << "warning: " << disk.path << " is " << length << " bytes long, not " << kNominalImageLength
                << "; it may not be an Opus Discovery disk image\n";
    }
    if (decodeCatalogue) {
        if (!GetDiskFiles(disk.image, disk.catalogue, log)) {
            throw CliFailure("no catalogue entry could be decoded from " + disk.path);
        }
        log.sayTraps(disk.catalogue.size() - 1, "entries");
    }
    return disk;
}

}  // namespace

StdoutBuffer::int_type StdoutBuffer::overflow(int_type c) {
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
        const char ch = traits_type::to_char_type(c);
        xsputn(&ch, 1);
    }
    return traits_type::not_eof(c);
}

std::streamsize StdoutBuffer::xsputn(const char* s, std::streamsize n) {
    const auto size = static_cast<std::size_t>(n);
    if (size >= kDirectWrite) {
        // A large piece (hex writes 1,024 rows at a time) goes out as it is,
        // without a copy.
        flushNow();
        writeNow(s, size);
    } else if (m_failure == 0) {
        m_text.append(s, size);
        if (m_text.size() >= kStdoutPiece) {
            flushNow();
        }
    }
    return n;
}

int StdoutBuffer::sync() {
    flushNow();
    return 0;
}

void StdoutBuffer::flushNow() {
    writeNow(m_text.data(), m_text.size());
    m_text.clear();
}

void StdoutBuffer::writeNow(const char* s, std::size_t n) {
    if (m_failure == 0 && n != 0) {
        try {
            writeAll(stdout, {reinterpret_cast<const std::uint8_t*>(s), n}, "standard output");
        } catch (const Failure& f) {
            m_pipeClosed = errno == EPIPE;
            m_failure = f.number();
        }
    }
}

std::string StdoutBuffer::reason() const {
    return failureDescription(m_failure);
}

bool ParsedArgs::has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(), [&](const auto& o) { return o.first == name; });
}

std::string ParsedArgs::value(const std::string& name, const std::string& fallback) const {
    for (auto it = options.rbegin(); it != options.rend(); ++it) {
        if (it->first == name) {
            return it->second;
        }
    }
    return fallback;
}

ParsedArgs parseArgs(const std::vector<std::string>& args, const std::vector<std::string>& flags,
                     const std::vector<std::string>& valueOptions) {
    ParsedArgs parsed;
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            parsed.positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a;
        std::string value;
        bool inlineValue = false;
        const auto eq = a.find('=');
        if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        if (std::find(flags.begin(), flags.end(), name) != flags.end() && !inlineValue) {
            parsed.options.emplace_back(name, "");
        } else if (std::find(valueOptions.begin(), valueOptions.end(), name) != valueOptions.end()) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    throw UsageError("option " + name + " needs a value");
                }
                value = args[++i];
            }
            parsed.options.emplace_back(name, value);
        } else {
            throw UsageError("unknown option " + a);
        }
    }
    return parsed;
}

bool StderrLog::LogThis(const std::string& sWhat, int eSeverity, bool) {
    if (eSeverity >= kSeverityERROR && eSeverity <= kSeverityWARNING) {
        const auto eol = sWhat.find_first_of("\r\n");
        m_err << "warning: " << sWhat.substr(0, eol) << '\n';
    }
    return true;
}

void StderrLog::Trapped(const Failure& f, const std::string& procedure, const std::string&) {
    m_traps.push_back({f.number(), procedure, f.description()});
}

void StderrLog::sayTraps(std::size_t reached, const std::string& what) {
    for (const Trap& t : m_traps) {
        std::string sentence = t.description;
        for (const TrapSentence& s : kTrapSentences) {
            if ((t.procedure == s.procedure || s.procedure[0] == '\0') &&
                (s.number == 0 || s.number == t.number)) {
                sentence = s.sentence;
                break;
            }
        }
        m_err << "warning: " << sentence;
        if (!what.empty()) {
            m_err << "; " << reached << ' ' << what << " listed";
        }
        m_err << '\n';
    }
    m_traps.clear();
}

CliFailure outOfMemory(const std::string& path) {
    return CliFailure("there is not enough memory to open " +
                      (path == "-" ? std::string("standard input") : path));
}

input::InputFiles readInput(const std::string& path) {
    try {
        return input::ReadInput(path);
    } catch (const OpenRefusal& refusal) {
        throw CliFailure("cannot open " + path + ": " + refusal.description());
    } catch (const Failure& f) {
        const std::string standard = failureDescription(f.number());
        const bool ownWords = f.description().rfind(standard, 0) != 0;
        throw CliFailure("cannot read " + (path == "-" ? std::string("standard input") : path) + ": " +
                         (ownWords ? f.description() : standard));
    }
}

LoadedDisk loadDisk(const std::string& path, CliContext& cli, bool decodeCatalogue, DamagedMap damagedMap) {
    try {
        return openDisk(readInput(path), cli, decodeCatalogue, damagedMap);
    } catch (const std::bad_alloc&) {
        throw outOfMemory(path);
    }
}

LoadedDisk loadDisk(input::InputFiles input, CliContext& cli, bool decodeCatalogue, DamagedMap damagedMap) {
    const std::string label = input.label;
    try {
        return openDisk(std::move(input), cli, decodeCatalogue, damagedMap);
    } catch (const std::bad_alloc&) {
        throw outOfMemory(label);
    }
}

const CatalogueEntry& entryAt(const LoadedDisk& disk, const std::string& indexText) {
    const bool digits =
        !indexText.empty() && indexText.size() <= 9 &&
        std::all_of(indexText.begin(), indexText.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) {
        throw UsageError("INDEX must be a catalogue entry number, not \"" + indexText + "\"");
    }
    const auto index = static_cast<std::size_t>(std::stoul(indexText));
    const std::string files = disk.catalogue.size() < 2
                                  ? std::string("the disk holds no files")
                                  : "files are 1 to " + std::to_string(disk.catalogue.size() - 1);
    if (index == 0) {
        throw CliFailure("entry 0 is the disk itself; " + files);
    }
    if (index >= disk.catalogue.size()) {
        throw CliFailure("entry " + indexText + " is outside the catalogue of " + disk.path + "; " + files);
    }
    return disk.catalogue[index];
}

CatalogueEntry& entryAt(LoadedDisk& disk, const std::string& indexText) {
    return const_cast<CatalogueEntry&>(entryAt(std::as_const(disk), indexText));
}

void warnIfNotBasic(const CatalogueEntry& entry, const std::string& indexText, CliContext& cli) {
    std::string kind;
    switch (KindOf(entry)) {
        case FileKind::Basic:
            return;
        case FileKind::NumArray:
            kind = "a number array";
            break;
        case FileKind::CharArray:
            kind = "a character array";
            break;
        case FileKind::Code:
            kind = "a CODE file";
            break;
        case FileKind::Screen:
            kind = "a SCREEN$ file";
            break;
        case FileKind::Unknown:
            kind = "a file of unknown type " + std::to_string(entry.Type);
            break;
    }
    cli.err << "warning: entry " << indexText << " is " << kind << ", not a BASIC program\n";
}

void refuseUnwritableTarget(const std::string& out) {
    std::error_code ec;
    const fs::file_status status = fs::status(out, ec);
    if (fs::is_directory(status)) {
        throw CliFailure(out + " is a folder");
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        throw CliFailure("cannot write " + out + ": not a regular file");
    }
    if (fs::exists(status) && (status.permissions() & fs::perms::owner_write) == fs::perms::none) {
        throw CliFailure(out + " is read-only");
    }
}

void refuseImageTarget(const std::string& out, bool force) {
    refuseUnwritableTarget(out);
    std::error_code ec;
    if (!force && fs::exists(fs::symlink_status(out, ec))) {
        throw CliFailure(out + " already exists; use --force to replace it");
    }
    const fs::path parent = fs::path(out).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        throw CliFailure("cannot write " + out + ": there is no folder " + parent.string());
    }
    if (pathKind(SectorMapPath(out)) == PathKind::Other) {
        throw CliFailure("cannot write " + SectorMapPath(out) + ": not a regular file");
    }
}

std::uint8_t fillerOption(const std::string& text) {
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "0x00") {
        return 0x00;
    }
    if (lower == "0xe5") {
        return 0xE5;
    }
    throw UsageError("--filler takes 0x00 or 0xE5, not \"" + text + "\"");
}

std::string sectorMapLine(const std::string& out, const std::optional<SectorMap>& map) {
    if (!map || map->allGood()) {
        return {};
    }
    std::size_t unread = 0;
    std::size_t recovered = 0;
    for (const SectorStatus& e : map->entries) {
        unread += e.state == SectorState::Bad || e.state == SectorState::Missing ? 1 : 0;
        recovered += e.state == SectorState::Recovered ? 1 : 0;
    }
    return "Sector map: " + SectorMapPath(out) + " (" + std::to_string(unread) + " bad, " +
           std::to_string(recovered) + " recovered)";
}

CliFailure writeFailure(const std::string& out, const Failure& f) {
    // A failure from the file system names the path after its standard text,
    // which our message names already; one of our own says more than that.
    const fs::path folder = fs::path(out).parent_path();
    std::error_code ec;
    if (f.number() == failure::FileNotFound && !folder.empty() && !fs::is_directory(folder, ec)) {
        return CliFailure("cannot write " + out + ": there is no folder " + folder.string());
    }
    const std::string standard = failureDescription(f.number());
    const bool ownWords = f.description().rfind(standard, 0) != 0;
    return CliFailure("cannot write " + out + ": " + (ownWords ? f.description() : standard));
}

std::string tapeRefusal(const CatalogueEntry& entry, const Failure& f) {
    constexpr int kLongestTapeData = 0xFFFF - 2;  // the length word also counts flag and checksum
    if (f.number() == failure::Overflow && entry.Length > kLongestTapeData) {
        return "it is " + std::to_string(entry.Length) + " bytes long and a tape block holds at most " +
               std::to_string(kLongestTapeData);
    }
    // Our own descriptions already say what is wrong; a bare number's does not.
    return f.description() == failureDescription(f.number()) ? "its catalogue entry is damaged"
                                                             : f.description();
}
