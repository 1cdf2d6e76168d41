#pragma once

#include <string>
#include <vector>

#include "disk/DiskBuilder.h"
#include "support/TestSupport.h"

// Writes a built disk image into a temporary folder and runs quillmar-cli.
class CliDisk {
public:
    explicit CliDisk(const DiskBuilder& builder, const std::string& name = "disk.opu")
        : m_path(m_dir.file(name)) {
        writeBytes(m_path, builder.build());
    }
    [[nodiscard]] const std::string& path() const { return m_path; }
    [[nodiscard]] std::string file(const std::string& name) const { return m_dir.file(name); }
    [[nodiscard]] const TempDir& dir() const { return m_dir; }

    [[nodiscard]] CommandResult run(std::vector<std::string> args) const {
        args.insert(args.begin(), QUILLMAR_CLI_PATH);
        return runCommand(args);
    }

private:
    TempDir m_dir;
    std::string m_path;
};
