#include "disk/ImageFile.h"

#include "core/ByteReader.h"
#include "core/CodePage.h"
#include "core/FileIO.h"
#include "core/ProgramInfo.h"
#include "disk/SectorMapFile.h"

namespace {
constexpr std::size_t kDumpStart = 0x100;
constexpr std::size_t kDumpEnd = 0x800;
}  // namespace

std::vector<FileFilter> ImageFileFilters() {
    return {{"Opus Image Files (*.Opu, *.Opd)", {"*.Opu", "*.Opd"}}, {"All Files (*.*)", {"*.*"}}};
}

std::string CatalogueDump(const std::string& path, const DiskImage& image) {
    const ByteReader reader(image.bytes);
    std::string dump = "Disk Image [" + path + "] catalog:\r\n";
    for (std::size_t o = kDumpStart; o < kDumpEnd; o += 16) {
        const auto row = reader.bytes(o, 16);
        dump += '\t';
        dump += hexUpper(static_cast<std::uint32_t>(o), 4);
        dump += ": ";
        for (const std::uint8_t b : row) {
            dump += hexUpper(b, 2);
            dump += ' ';
        }
        for (const std::uint8_t b : row) {
            if (b >= 32 && b <= 128) {
                dump += cp1252ToUtf8(b);
            } else {
                dump += '.';
            }
        }
        dump += "\r\n";
    }
    return dump;
}

std::string DamagedMapWarning(const std::string& path, const Failure& f) {
    return "The sector map beside [" + path + "] is damaged: " + f.description() +
           "\r\nThe image is opened without it; its bad sectors are not marked.";
}

bool IsOpusImageLength(std::uintmax_t length) {
    return length == kNominalImageLength || length == 2 * kNominalImageLength ||
           length == 4 * kNominalImageLength;
}

bool LoadImageFile(const std::string& path, DiskImage& image, Prompter& prompter, ActivityLog& log) {
    int line = 1;
    try {
        const auto length = fileLength(path);
        if (!length) {
            throw Failure(fileExists(path) ? failure::PathFileAccess : failure::FileNotFound);
        }

        line = 2;
        if (!IsOpusImageLength(*length)) {
            const MsgAnswer answer =
                prompter.message(kNotAnImageQuestion, ProgramTitle(), MsgIcon::Question, MsgButtons::YesNo);
            if (answer != MsgAnswer::Yes) {
                prompter.message(kLoadIgnoredMessage, ProgramTitle(), MsgIcon::Information, MsgButtons::Ok);
                return false;
            }
        }

        line = 3;
        std::vector<std::uint8_t> bytes = readWholeFile(path);
        if (bytes.empty()) {
            throw Failure(failure::InputPastEnd);
        }

        line = 4;
        std::optional<SectorMap> map;
        try {
            map = LoadSectorMapBeside(path, bytes.size());
        } catch (const Failure& f) {
            // The image is still worth browsing; the person must know that
            // nothing now marks its bad sectors.
            const std::string warning = DamagedMapWarning(path, f);
            log.LogThis(warning, kSeverityWARNING, false);
            prompter.message(warning, ProgramTitle(), MsgIcon::Exclamation, MsgButtons::Ok);
        }
        image.bytes = std::move(bytes);
        image.sectorMap = std::move(map);

        line = 5;
        log.LogThis(CatalogueDump(path, image), kSeverityDEBUG, false);
        return true;
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::SpaceIn, "LoadImageFile", line);
    } catch (const std::bad_alloc&) {
        logTrap(log, Failure(failure::OutOfMemory), TrapJoint::SpaceIn, "LoadImageFile", line);
    }
    return false;
}

void SaveImageAs(const std::string& currentDiskName, const DiskImage& image, FileChooser& chooser,
                 Prompter& prompter, ActivityLog& log) {
    const std::string title = ProgramTitle();
    if (currentDiskName.empty()) {
        prompter.message(kNoImageToSave, title, MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    const auto path = chooser.saveFile(kSaveImageTitle, ImageFileFilters(), {});
    if (!path) {
        prompter.message(kSaveCanceled, title, MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    try {
        BusyPointer busy(prompter);
        ReplaceImageAndMap(*path, image.bytes, image.sectorMap);
    } catch (const Failure& f) {
        logTrap(log, f, TrapJoint::SpaceIn, "SaveImageAs", 4);
        prompter.message("Disk image could not be saved as [" + *path + "]: " + f.description(), title,
                         MsgIcon::Exclamation, MsgButtons::Ok);
        return;
    }
    prompter.message("Disk image saved as [" + *path + "].", title, MsgIcon::Exclamation, MsgButtons::Ok);
}
