#include "export/ExportFiles.h"

#include <filesystem>

#include "core/Failure.h"
#include "core/ProgramInfo.h"

namespace fs = std::filesystem;

std::string SaveExtension(const std::string& fileName) {
    const auto dot = fileName.rfind('.');
    std::string ext = dot == std::string::npos ? fileName : fileName.substr(dot + 1);
    const auto first = ext.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    ext = ext.substr(first, ext.find_last_not_of(' ') - first + 1);
    for (char& c : ext) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return ext;
}

std::string ExtensionNotRecognizedMessage(const std::string& extension) {
    return "Extension [" + extension + "] not recognized. Command ignored.";
}

std::string SavedMessage(const std::string& fileName) {
    return "File successfully saved as [" + fileName + "].";
}

void RefuseReadOnlyTarget(const std::string& path) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        return;
    }
    if (fs::is_directory(status)) {
        throw Failure(failure::PathFileAccess, failureDescription(failure::PathFileAccess) + ": " + path);
    }
    if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) {
        throw Failure(failure::PermissionDenied, failureDescription(failure::PermissionDenied) + ": " + path);
    }
}

std::string ProposedSaveName(const std::string& name, const std::vector<FileFilter>& filters) {
    std::string proposed = name.substr(0, name.find_last_not_of(' ') + 1);
    if (!filters.empty() && !filters.front().patterns.empty()) {
        const std::string& pattern = filters.front().patterns.front();
        const auto dot = pattern.rfind('.');
        if (dot != std::string::npos) {
            proposed += pattern.substr(dot);
        }
    }
    return proposed;
}

void SaveAsByExtension(FileChooser& chooser, Prompter& prompter, const std::string& title,
                       const std::vector<FileFilter>& filters, const std::string& entryName,
                       const std::vector<SaveKind>& kinds) {
    const std::optional<std::string> chosen =
        chooser.saveFile(title, filters, ProposedSaveName(entryName, filters));
    if (!chosen) {
        return;
    }
    // The text after the last "." of the name as chosen, folder and all: a
    // name without a dot is its own, unrecognised, extension.
    const std::string extension = SaveExtension(*chosen);
    for (const SaveKind& kind : kinds) {
        if (kind.extension == extension) {
            kind.save(*chosen);
            return;
        }
    }
    prompter.message(ExtensionNotRecognizedMessage(extension), ProgramTitle(), MsgIcon::Exclamation,
                     MsgButtons::Ok);
}
