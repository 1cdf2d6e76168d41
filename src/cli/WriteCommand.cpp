// quillmar-cli write IMAGE [--drive A] [--double-sided] [--single-step] [--tracks 40|80] [--no-verify]
//                   [--retries N]

#include <algorithm>
#include <ostream>

#include "cli/Cli.h"
#include "cli/DriveSession.h"
#include "floppy/DiskReader.h"
#include "floppy/DiskWriter.h"

namespace {

int tracksFrom(const std::string& text) {
    if (text == "40" || text == "80") {
        return std::stoi(text);
    }
    throw UsageError("--tracks takes 40 or 80, not \"" + text + "\"");
}

int retriesFrom(const std::string& text) {
    const bool digits = !text.empty() && text.size() <= 2 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits || std::stoi(text) < 1) {
        throw UsageError("--retries takes a number of tries from 1 to " +
                         std::to_string(DiskWriter::kMaxRetries) + ", not \"" + text + "\"");
    }
    return std::stoi(text);
}

std::size_t sectorsNotRead(const DiskImage& image) {
    if (!image.sectorMap) {
        return 0;
    }
    const auto& entries = image.sectorMap->entries;
    return static_cast<std::size_t>(std::count_if(entries.begin(), entries.end(), [](const SectorStatus& e) {
        return e.state == SectorState::Bad || e.state == SectorState::Missing;
    }));
}

int runWrite(const std::vector<std::string>& args, CliContext& cli) {
    const ParsedArgs parsed = parseArgs(args, {"--double-sided", "--single-step", "--no-verify"},
                                        {"--drive", "--tracks", "--retries"});
    if (parsed.positional.size() != 1) {
        throw UsageError("write takes one IMAGE, the image to put on the disk");
    }
    const std::string driveText = parsed.value("--drive", "A");
    if (!DiskReader::DriveNumber(driveText)) {
        throw UsageError(kDriveNotValidMessage);
    }
    const int tracksAsked = parsed.has("--tracks") ? tracksFrom(parsed.value("--tracks")) : 0;
    WriteOptions options;
    options.bDoubleStep = !parsed.has("--single-step");
    options.bVerify = !parsed.has("--no-verify");
    if (parsed.has("--retries")) {
        options.Retries = retriesFrom(parsed.value("--retries"));
    }

    const LoadedDisk source = loadDisk(parsed.positional.front(), cli, false);
    const std::string why = ResolveWriteShape(source.image.bytes.size(), parsed.has("--double-sided"),
                                              tracksAsked, options.shape);
    if (!why.empty()) {
        throw UsageError(why);
    }
    if (const std::size_t bad = sectorsNotRead(source.image); bad > 0) {
        cli.err << "warning: " << bad << " sectors of " << source.path
                << " are marked bad in its map; they are written as they are\n";
    }

    StderrLog log(cli.err);
    const std::unique_ptr<modFDRawCmd> driver = OpenDriver(log);
    NoQuestionsPrompter prompter;
    DiskWriter writer(*driver, prompter);
    WriteHooks hooks;
    hooks.progress = [&](const WriteProgress& p) {
        cli.out << p.statusLine << std::endl;
        if (InterruptGuard::Interrupted()) {
            writer.Cancel();
        }
    };
    WriteReport report;
    {
        const InterruptGuard interrupt;
        report = writer.WriteDisk(driveText, options, source.image.bytes, hooks);
    }
    log.sayTraps(0, "");

    switch (report.outcome) {
        case WriteOutcome::InvalidDrive:
        case WriteOutcome::BadImage:
            throw UsageError(kDriveNotValidMessage);
        case WriteOutcome::NoFloppy:
            if (!report.sDeviceProblem.empty()) {
                throw CliFailure(report.sDeviceProblem);
            }
            throw CliFailure("drive " + std::string(1, static_cast<char>('A' + report.drive)) +
                             ": does not answer" +
                             (report.sSenseErrorText.empty() ? std::string(" (no such drive)")
                                                             : " (" + report.sSenseErrorText + ")"));
        case WriteOutcome::WriteProtected:
            throw CliFailure(DiskWriter::WriteProtectedText(report.drive));
        case WriteOutcome::Finished:
            cli.out << DiskWriter::Summary(report, options) << std::endl;
            return kExitOk;
        case WriteOutcome::Failed:
        case WriteOutcome::Canceled:
            break;
    }
    cli.out << DiskWriter::Summary(report, options) << std::endl;
    return kExitFailed;
}

}  // namespace

extern constinit const CommandInfo kWriteCommand{
    "write",
    "write IMAGE [--drive A] [--double-sided] [--single-step] [--tracks 40|80] [--no-verify] [--retries N]",
    "Write IMAGE (any image or flux recording quillmar opens) onto the physical disk in the drive, track "
    "side "
    "by track side as an Opus formats it, reading every side back and comparing each sector with IMAGE; a "
    "side that does not read back is written again, at most N tries (default 3). 368,640 bytes need "
    "--double-sided (40 tracks on two sides) or --tracks 80 (80 on one); --single-step is for a 40-track "
    "drive.",
    &runWrite};
