#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "core/FileIO.h"
#include "core/Paths.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

// The variables the folder choice reads, each set or unset for one case.
struct FolderCase {
    const char* name;
    FolderRole role;
    bool programWritable;
    std::optional<std::string> quillmarHome;
    std::optional<std::string> first;   // XDG_CONFIG_HOME / XDG_STATE_HOME, or APPDATA / LOCALAPPDATA
    std::optional<std::string> second;  // HOME, or the other of APPDATA / LOCALAPPDATA
    std::string expected;
};

#ifdef _WIN32
const char* firstVariable(FolderRole role) {
    return role == FolderRole::Settings ? "APPDATA" : "LOCALAPPDATA";
}
const char* secondVariable(FolderRole role) {
    return role == FolderRole::Settings ? "LOCALAPPDATA" : "APPDATA";
}

const FolderCase kFolderCases[] = {
    {"HomeWins", FolderRole::Settings, true, "C:\\q", "C:\\a", "C:\\l", "C:\\q"},
    {"WritableProgramFolder", FolderRole::Logs, true, std::nullopt, "C:\\l", "C:\\a", "C:\\prog"},
    {"SettingsInAppData", FolderRole::Settings, false, std::nullopt, "C:\\a", "C:\\l", "C:\\a\\Quillmar"},
    {"LogsInLocalAppData", FolderRole::Logs, false, std::nullopt, "C:\\l", "C:\\a", "C:\\l\\Quillmar"},
    {"SettingsWithoutAppData", FolderRole::Settings, false, std::nullopt, std::nullopt, "C:\\l",
     "C:\\l\\Quillmar"},
    {"NeitherVariable", FolderRole::Settings, false, std::nullopt, std::nullopt, std::nullopt, "C:\\prog"},
    {"EmptyHomeIsUnset", FolderRole::Logs, false, "", "C:\\l", std::nullopt, "C:\\l\\Quillmar"},
};
const char* kProgram = "C:\\prog";
#else
const char* firstVariable(FolderRole role) {
    return role == FolderRole::Settings ? "XDG_CONFIG_HOME" : "XDG_STATE_HOME";
}
const char* secondVariable(FolderRole) {
    return "HOME";
}

const FolderCase kFolderCases[] = {
    {"HomeWins", FolderRole::Settings, true, "/q", "/x", "/h", "/q"},
    {"WritableProgramFolder", FolderRole::Logs, true, std::nullopt, "/x", "/h", "/opt/prog"},
    {"LogsInXdgState", FolderRole::Logs, false, std::nullopt, "/s", "/h", "/s/quillmar"},
    {"SettingsDefault", FolderRole::Settings, false, std::nullopt, std::nullopt, "/h", "/h/.config/quillmar"},
    {"LogsDefault", FolderRole::Logs, false, std::nullopt, std::nullopt, "/h", "/h/.local/state/quillmar"},
    {"EmptyHomeIsUnset", FolderRole::Logs, false, "", "/s", "/h", "/s/quillmar"},
};
const char* kProgram = "/opt/prog";
#endif

TEST(Paths, ChooseFolderPicksTheFolderForTheRole) {
    for (const FolderCase& c : kFolderCases) {
        const ScopedEnv home("QUILLMAR_HOME", c.quillmarHome);
        const ScopedEnv first(firstVariable(c.role), c.first);
        const ScopedEnv second(secondVariable(c.role), c.second);
        EXPECT_EQ(ChooseFolder(c.role, kProgram, c.programWritable), c.expected) << c.name;
    }
}

TEST(Paths, ProgramFolderHoldsTheRunningProgram) {
#ifdef _WIN32
    const std::string suffix = ".exe";
#else
    const std::string suffix;
#endif
    const fs::path folder = ProgramFolder();
    EXPECT_TRUE(folder.is_absolute()) << folder;
    EXPECT_EQ(ProgramFileName(), "test_core");
    EXPECT_TRUE(fs::exists(folder / (ProgramFileName() + suffix))) << folder;
}

}  // namespace
