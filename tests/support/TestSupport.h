#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/FileChooser.h"
#include "core/Log.h"
#include "core/Prompter.h"

using Bytes = std::vector<std::uint8_t>;

// Records every entry instead of writing a file.
class RecordingLog : public ActivityLog {
public:
    struct Entry {
        std::string what;
        int severity;
    };
    bool LogThis(const std::string& sWhat, int eSeverity, bool) override {
        entries.push_back({sWhat, eSeverity});
        return true;
    }
    [[nodiscard]] std::vector<std::string> at(int severity) const;
    std::vector<Entry> entries;
};

// Answers messages from a script and remembers what was shown. An unexpected
// question (script exhausted) fails the test and answers Cancel.
class ScriptedPrompter : public Prompter {
public:
    struct Shown {
        std::string text, title;
        MsgIcon icon;
        MsgButtons buttons;
        int busyDepth;  // while it was shown
    };
    MsgAnswer message(const std::string& text, const std::string& title, MsgIcon icon,
                      MsgButtons buttons) override {
        shown.push_back({text, title, icon, buttons, busyDepth});
        if (buttons == MsgButtons::Ok) {
            return MsgAnswer::Ok;
        }
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return MsgAnswer::Cancel;
        }
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    // Recorded like a message; answers optOut.
    bool messageWithOptOut(const std::string& text, const std::string& title, MsgIcon icon) override {
        (void)message(text, title, icon, MsgButtons::Ok);
        return optOut;
    }
    void setBusy(bool busy) override { busyDepth += busy ? 1 : -1; }

    std::deque<MsgAnswer> answers;
    bool optOut = false;
    std::vector<Shown> shown;
    int busyDepth = 0;
};

// Hands out scripted paths; nullopt stands for a cancelled dialog.
class ScriptedChooser : public FileChooser {
public:
    std::optional<std::string> openFile(const std::string&, const std::vector<FileFilter>&) override {
        auto p = paths.empty() ? std::nullopt : paths.front();
        if (!paths.empty()) {
            paths.pop_front();
        }
        return p;
    }
    std::optional<std::string> saveFile(const std::string& title, const std::vector<FileFilter>&,
                                        const std::string& proposedName) override {
        proposedNames.push_back(proposedName);
        return openFile(title, {});
    }
    std::deque<std::optional<std::string>> paths;
    std::vector<std::string> proposedNames;
};

// A fresh folder removed at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }
    [[nodiscard]] std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Sets an environment variable for the scope, restoring it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const std::string& name, const std::optional<std::string>& value);
    ~ScopedEnv();

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

// Every case's input through f gives the case's output; a failure names the input.
template <class Cases, class F>
void expectEach(const Cases& cases, F f) {
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(f(in), out) << ::testing::PrintToString(in);
    }
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// An SCP recording of a two-track, one-sided Opus disk named FLUX whose
// sector 4 of cylinder 1 does not read.
[[nodiscard]] std::vector<std::uint8_t> scpWithOneBadSector();
[[nodiscard]] std::vector<std::uint8_t> readBytes(const std::string& path);
[[nodiscard]] std::string readText(const std::string& path);

// The lines of a text without their line ends ("a\nb\n" -> {"a", "b"}).
[[nodiscard]] std::vector<std::string> splitLines(const std::string& text);
// Bytes as upper-case hex pairs separated by blanks: "3E 00 C9".
[[nodiscard]] std::string hexBytes(const std::vector<std::uint8_t>& bytes);
// The parts one after the other.
[[nodiscard]] std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts);

// A hex dump of both sides for failing byte comparisons.
[[nodiscard]] std::string hexDump(const std::vector<std::uint8_t>& bytes);
[[nodiscard]] ::testing::AssertionResult bytesEqual(const std::vector<std::uint8_t>& expected,
                                                    const std::vector<std::uint8_t>& actual);

// Runs a command line, capturing stdout and stderr separately. argv[0] is
// looked up on PATH when it names no folder. On Windows the arguments are
// quoted the way the C runtime splits them again, and the output is read as
// text: the CR LF line ends of a Windows program's text output come back as LF.
struct CommandResult {
    int exitCode = -1;
    std::string out, err;
};
[[nodiscard]] CommandResult runCommand(const std::vector<std::string>& argv);
// Whether this is a Windows program running under wine rather than on Windows.
[[nodiscard]] bool runningUnderWine();

// Whether a program of that name is on PATH (on Windows, with ".exe" added).
[[nodiscard]] bool programAvailable(const std::string& name);
