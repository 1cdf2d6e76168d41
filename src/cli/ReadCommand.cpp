// quillmar-cli read -o OUT [--force] [--drive A] [--double-sided] [--single-step] [--filler 0x00|0xE5]

#include <csignal>
#include <filesystem>
#include <ostream>

#include "cli/Cli.h"
#include "core/FileIO.h"
#include "floppy/DiskReader.h"

namespace {

// Ctrl-C cancels the read between track sides, the way the dialog's Cancel
// does, so a half-read disk is never written.
volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void onInterrupt(int) {
    g_interrupted = 1;
}

class InterruptGuard {
public:
    InterruptGuard() : m_previous(std::signal(SIGINT, onInterrupt)) { g_interrupted = 0; }
    ~InterruptGuard() { std::signal(SIGINT, m_previous); }
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    void (*m_previous)(int);
};

// Nobody to ask: a drive that does not answer ends the command at once.
class NoQuestionsPrompter : public Prompter {
public:
    MsgAnswer message(const std::string&, const std::string&, MsgIcon, MsgButtons buttons) override {
        return buttons == MsgButtons::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
};

std::uint8_t fillerFrom(const std::string& text) {
    std::string lower = text;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    if (lower == "0x00") {
        return 0x00;
    }
    if (lower == "0xe5") {
        return 0xE5;
    }
    throw UsageError("--filler takes 0x00 or 0xE5, not \"" + text + "\"");
}

// Found out before the disk spins rather than after forty tracks. A good
// image already there is kept unless --force says to replace it.
void checkWritable(const std::string& out, bool force) {
    namespace fs = std::filesystem;
    refuseUnwritableTarget(out);
    std::error_code ec;
    if (!force && fs::exists(fs::symlink_status(out, ec))) {
        throw CliFailure(out + " already exists; use --force to replace it");
    }
    const fs::path parent = fs::path(out).parent_path();
    if (!parent.empty() && !fs::is_directory(parent, ec)) {
        throw CliFailure("cannot write " + out + ": there is no folder " + parent.string());
    }
}

std::string summaryOf(const ReadReport& report) {
    std::string line = "Read finished: " + std::to_string(report.failedSides.size()) + " of " +
                       std::to_string(report.statusLines.size()) + " track sides failed";
    for (std::size_t i = 0; i < report.failedSides.size(); ++i) {
        const FailedSide& f = report.failedSides[i];
        line += (i == 0 ? ": " : ", ") + std::to_string(f.head) + ":" + std::to_string(f.track);
    }
    return line;
}

int runRead(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed =
        parseArgs(args, {"--double-sided", "--single-step", "--force"}, {"-o", "--drive", "--filler"});
    if (!parsed.positional.empty()) {
        throw UsageError("read takes no IMAGE; name the file to write with -o OUT");
    }
    const std::string out = parsed.value("-o");
    if (out.empty()) {
        throw UsageError("read needs -o OUT, the image file to write");
    }
    const std::string driveText = parsed.value("--drive", "A");
    const auto drive = DiskReader::DriveNumber(driveText);
    if (!drive) {
        throw UsageError(kDriveNotValidMessage);
    }
    ReadOptions options;
    options.bDoubleSided = parsed.has("--double-sided");
    options.bDoubleStep = !parsed.has("--single-step");
    if (parsed.has("--filler")) {
        options.FillerByte = fillerFrom(parsed.value("--filler"));
    }
    checkWritable(out, parsed.has("--force"));

    StderrLog log(cli.err);
    std::unique_ptr<modFDRawCmd> driver;
    try {
        driver = CreateFloppyDriver(&log);
    } catch (const Failure& f) {
        throw CliFailure(f.description());
    }
    std::uint32_t version = 0;
    if (!driver->IsDriverPresent(version)) {
        throw CliFailure(
            "no floppy driver answers (QUILLMAR_FLOPPY=sim:IMAGE reads an image in a simulated drive)");
    }

    NoQuestionsPrompter prompter;
    DiskReader reader(*driver, prompter);
    ReadHooks hooks;
    hooks.progress = [&](const ReadProgress& p) {
        cli.out << p.statusLine << std::endl;
        if (g_interrupted != 0) {
            reader.Cancel();
        }
    };
    DiskImage image;
    ReadReport report;
    {
        const InterruptGuard interrupt;
        report = reader.ReadDisk(driveText, options, image, hooks);
    }
    log.sayTraps(0, "");

    const std::string driveName = std::string(1, static_cast<char>('A' + *drive)) + ":";
    switch (report.outcome) {
        case ReadOutcome::InvalidDrive:
            throw UsageError(kDriveNotValidMessage);
        case ReadOutcome::NoFloppy:
            throw CliFailure("drive " + driveName + " does not answer" +
                             (report.sSenseErrorText.empty() ? std::string(" (no such drive)")
                                                             : " (" + report.sSenseErrorText + ")"));
        case ReadOutcome::Canceled:
            throw CliFailure("read cancelled; " + out + " was not written");
        case ReadOutcome::Published:
            break;
    }
    cli.out << summaryOf(report) << std::endl;
    try {
        writeFileReplacing(out, image.bytes);
    } catch (const Failure& f) {
        throw writeFailure(out, f);
    }
    return kExitOk;
}

}  // namespace

extern constinit const CommandInfo kReadCommand{
    "read", "read -o OUT [--force] [--drive A] [--double-sided] [--single-step] [--filler 0x00|0xE5]",
    "Read a physical Opus disk track by track into the image file OUT (an existing OUT needs --force).",
    &runRead};
