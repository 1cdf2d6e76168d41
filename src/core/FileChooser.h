#pragma once

#include <optional>
#include <string>
#include <vector>

// A filter of the file dialogs: "Opus Image Files (*.Opu, *.Opd)" with its
// patterns "*.Opu" and "*.Opd".
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;
};

// The open and save dialogs. Nothing is returned when the person cancels.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    [[nodiscard]] virtual std::optional<std::string> openFile(const std::string& title,
                                                              const std::vector<FileFilter>& filters) = 0;
    [[nodiscard]] virtual std::optional<std::string> saveFile(const std::string& title,
                                                              const std::vector<FileFilter>& filters,
                                                              const std::string& proposedName) = 0;
};
