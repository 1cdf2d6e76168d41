#pragma once

#include <algorithm>

#include "support/TestSupport.h"

// quillmar-cli run as a process against the demo disk (whose files and
// listing tools/make-demo-disk.cpp spells out) or images of a test's own.
// "{img}" in an argument stands for the demo disk, "{dir}" for the test's
// fresh folder.
// Paths in messages use the platform's separator (backslashes on Windows);
// comparisons look at them with one separator.
inline std::string slashes(std::string text) {
    std::replace(text.begin(), text.end(), '\\', '/');
    return text;
}

class CliRun {
public:
    static constexpr const char* kDemo = QUILLMAR_BINARY_DIR "/samples/demo.opu";

    [[nodiscard]] std::string file(const std::string& name) const { return m_dir.file(name); }
    [[nodiscard]] const TempDir& dir() const { return m_dir; }

    [[nodiscard]] std::string expand(std::string arg) const {
        for (const auto& [token, value] :
             {std::pair<std::string, std::string>{"{img}", kDemo},
              std::pair<std::string, std::string>{"{dir}", m_dir.path().string()}}) {
            for (auto at = arg.find(token); at != std::string::npos; at = arg.find(token)) {
                arg.replace(at, token.size(), value);
            }
        }
        return arg;
    }

    [[nodiscard]] CommandResult run(const std::vector<std::string>& args) const {
        std::vector<std::string> argv{QUILLMAR_CLI_PATH};
        for (const std::string& a : args) {
            argv.push_back(expand(a));
        }
        return runCommand(argv);
    }

    // Through the shell, for redirections: "{cli}" is the program.
    [[nodiscard]] CommandResult shell(const std::string& line) const {
        std::string text = expand(line);
        const std::string cli = std::string("'") + QUILLMAR_CLI_PATH + "'";
        for (auto at = text.find("{cli}"); at != std::string::npos; at = text.find("{cli}")) {
            text.replace(at, 5, cli);
        }
        return runCommand({"sh", "-c", text});
    }

private:
    TempDir m_dir;
};
