#include "export/SaveRaw.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "ExportTestSupport.h"
#include "core/ProgramInfo.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using SaveFn = void (*)(const CatalogueEntry&, const std::string&, Prompter&, ActivityLog&);

struct Writer {
    const char* name;
    SaveFn save;
};

const Writer kWriters[] = {{"SaveSCR", &SaveSCR}, {"SaveBIN", &SaveBIN}};

struct RawCase {
    const char* name;
    Bytes data;
    bool existing;                  // a file of that name is there already
    std::deque<MsgAnswer> answers;  // to the overwrite question
    bool replaced;                  // the file ends up holding the data
};

class RawWriters : public ::testing::TestWithParam<std::tuple<Writer, RawCase>> {};

TEST_P(RawWriters, WriteTheDataAsItIsAfterAskingAboutAnExistingFile) {
    const auto& [writer, c] = GetParam();
    TempDir dir;
    const std::string path = dir.file("out.bin");
    const Bytes former{0x46, 0x4F, 0x52, 0x4D, 0x45, 0x52, 0x0D, 0x0A};
    if (c.existing) {
        writeBytes(path, former);
    }
    BusyAwarePrompter prompter;
    prompter.answers = c.answers;
    RecordingLog log;
    writer.save(makeEntry(3, "raw       ", c.data, 0), path, prompter, log);

    std::size_t shown = 0;
    if (c.existing) {
        ASSERT_GE(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0].buttons, MsgButtons::YesNo);
        EXPECT_EQ(prompter.busyAtMessage[0], 1) << "the question comes while the pointer is busy";
        shown = 1;
    }
    if (c.replaced) {
        EXPECT_TRUE(bytesEqual(c.data, readBytes(path)));
        ASSERT_EQ(prompter.shown.size(), shown + 1);
        EXPECT_EQ(prompter.busyAtMessage[shown], 0);
    } else {
        EXPECT_TRUE(bytesEqual(former, readBytes(path)));
        EXPECT_EQ(prompter.shown.size(), shown) << "no further message";
    }
    EXPECT_EQ(prompter.busyDepth, 0);
    EXPECT_TRUE(log.at(kSeverityERROR).empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary left";
}

Bytes everyByte() {
    Bytes b(256);
    for (std::size_t i = 0; i < b.size(); ++i) {
        b[i] = static_cast<std::uint8_t>(255 - i);
    }
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RawWriters,
    ::testing::Combine(
        ::testing::ValuesIn(kWriters),
        ::testing::Values(RawCase{"newFile", {0x3E, 0x00, 0xC9}, false, {}, true},
                          RawCase{"bytesAbove127Unchanged", everyByte(), false, {}, true},
                          RawCase{"existingYesReplaces", {0x01}, true, {MsgAnswer::Yes}, true},
                          RawCase{"existingNoKeepsEveryByte", {0x01}, true, {MsgAnswer::No}, false})),
    [](const auto& tc) {
        return std::string(std::get<0>(tc.param).name) + "_" + std::get<1>(tc.param).name;
    });

class RawWriterFailures : public ::testing::TestWithParam<Writer> {};

TEST_P(RawWriterFailures, AreLoggedInTheProceduresOwnFormAndShowNothing) {
    TempDir dir;
    const std::string readOnly = dir.file("locked.scr");
    const Bytes former{7, 7};
    writeBytes(readOnly, former);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    for (const std::string& path : {dir.file("no/such/folder.scr"), readOnly}) {
        BusyAwarePrompter prompter;
        prompter.answers = {MsgAnswer::Yes};
        RecordingLog log;
        GetParam().save(makeEntry(3, "raw       ", {1, 2, 3}, 0), path, prompter, log);
        const auto errors = log.at(kSeverityERROR);
        ASSERT_EQ(errors.size(), 1u) << path;
        EXPECT_NE(errors[0].find(std::string(") happened in ") + GetParam().name + " at line 3"),
                  std::string::npos)
            << errors[0];
        EXPECT_EQ(errors[0].rfind("Error ", 0), 0u) << errors[0];
        for (const auto& s : prompter.shown) {
            EXPECT_EQ(s.icon, MsgIcon::Question)
                << "only the overwrite question, no other message: " << s.text;
        }
        EXPECT_EQ(prompter.busyDepth, 0);
    }
    EXPECT_TRUE(bytesEqual(former, readBytes(readOnly)));
}

INSTANTIATE_TEST_SUITE_P(Writers, RawWriterFailures, ::testing::ValuesIn(kWriters),
                         [](const auto& tc) { return std::string(tc.param.name); });

}  // namespace
