#include "base/log.h"
#include "support/captured_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::CapturedLog;
using test::ReadFile;

TEST(Log, LeavesOutWhatIsBelowItsThreshold) {
    const struct {
        LogLevel threshold;
        LogLevel level;
        bool kept;
    } cases[] = {
        {LogLevel::Info, LogLevel::Debug, false},   {LogLevel::Info, LogLevel::Info, true},
        {LogLevel::Info, LogLevel::Error, true},    {LogLevel::Debug, LogLevel::Debug, true},
        {LogLevel::Warning, LogLevel::Info, false}, {LogLevel::Warning, LogLevel::Warning, true},
    };
    for (const auto& [threshold, level, kept] : cases) {
        const CapturedLog log({.threshold = threshold});
        Log(level, "area", "the message");
        EXPECT_EQ(log.Has(" area: the message\n"), kept)
            << static_cast<int>(threshold) << " " << static_cast<int>(level);
    }
}

TEST(Log, WritesEachMessageAsOneLineWithItsLevelAndArea) {
    const CapturedLog log;
    Log(LogLevel::Warning, "registry", "cannot write\nuser.reg\r\n");
    const std::string text = log.Text();
    EXPECT_NE(text.find(" warning registry: cannot write user.reg  \n"), std::string::npos) << text;
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
}

TEST(Log, KeepsThePreviousRunsFileBesideTheNewOne) {
    const CapturedLog log;
    const fs::path previous = fs::path(log.File()).concat(".1");
    Log(LogLevel::Info, "menu", "first run");
    ASSERT_TRUE(StartLog({.file = log.File()}));
    Log(LogLevel::Info, "menu", "second run");
    EXPECT_NE(ReadFile(previous).find("first run"), std::string::npos);
    EXPECT_EQ(log.Text().find("first run"), std::string::npos);
    ASSERT_TRUE(StartLog({.file = log.File()}));
    EXPECT_NE(ReadFile(previous).find("second run"), std::string::npos) << "only one run is kept";
    EXPECT_EQ(ReadFile(previous).find("first run"), std::string::npos);
}

TEST(Log, StaysWithinItsBoundKeepingTheNewestLines) {
    const CapturedLog log({.max_bytes = 500});
    for (int i = 0; i < 100; ++i) {
        Log(LogLevel::Info, "wine", "line " + std::to_string(i));
    }
    const fs::path previous = fs::path(log.File()).concat(".1");
    EXPECT_LE(fs::file_size(log.File()), 500u);
    EXPECT_LE(fs::file_size(previous), 500u);
    EXPECT_NE(log.Text().find("wine: line 99\n"), std::string::npos);
    // Nothing between the two files is lost: the earlier part ends where the newer begins.
    const std::string earlier = ReadFile(previous);
    const std::size_t first_kept = std::stoul(log.Text().substr(log.Text().find("line ") + 5));
    EXPECT_NE(earlier.find("wine: line " + std::to_string(first_kept - 1) + "\n"), std::string::npos);
}

TEST(Log, VerboseCopiesEveryLineToStandardError) {
    for (const bool verbose : {false, true}) {
        const CapturedLog log({.to_stderr = verbose});
        testing::internal::CaptureStderr();
        Log(LogLevel::Error, "launch", "cannot start X");
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("error launch: cannot start X\n") != std::string::npos, verbose) << err;
        EXPECT_TRUE(log.Has("error launch: cannot start X\n"));
    }
}

} // namespace
} // namespace tavox
