#pragma once

#include "installer/launcher.h"
#include "platform/machine.h"
#include "support/temp_dir.h"

#include <sys/resource.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tavox::test {

inline std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// The child gives up when the test's directory is gone, so that a failed test leaves no process behind.
inline std::string WaitForFile(const std::filesystem::path& path) {
    return "while [ ! -e " + Quoted(path) + " ]; do [ -d " + Quoted(path.parent_path()) +
           " ] || exit 99; sleep 0.01; done\n";
}

// The processor time this process used so far.
inline std::chrono::microseconds CpuTime() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto to_us = [](const timeval& time) {
        return std::chrono::seconds(time.tv_sec) + std::chrono::microseconds(time.tv_usec);
    };
    return to_us(usage.ru_utime) + to_us(usage.ru_stime);
}

// A machine with the CD as D: and the programs of a test in C:\GAMES, and launchers over it whose opener
// writes what it was asked to open to `opened_`.
class LaunchFixture : public testing::Test {
protected:
    LaunchFixture() {
        EXPECT_TRUE(CreateMachineLayout(root_));
        machine_ = std::make_unique<Machine>(root_);
        EXPECT_TRUE(machine_->MapDrive('D', dir_ / "cd", DriveType::CdRom));
        std::filesystem::create_directories(dir_ / "cd" / "DEMOS" / "X");
        WriteScript(opener_, "#!/bin/sh\nprintf '%s\\n' \"$@\" > " + Quoted(opened_) + ".tmp\nmv " +
                                 Quoted(opened_) + ".tmp " + Quoted(opened_) + "\n");
    }

    Launcher MakeLauncher(ProcessConfig config = {}, std::string working_dir = "C:\\WINDOWS") {
        config.opener = Quoted(opener_);
        return Launcher(*machine_, std::move(config), [this, working_dir](std::string_view command_line) {
            command_dirs_asked_.emplace_back(command_line);
            return working_dir;
        });
    }

    TempDir dir_;
    const std::filesystem::path root_ = dir_ / "machine";
    const std::filesystem::path go_ = dir_ / "go";
    const std::filesystem::path marker_ = dir_ / "marker";
    const std::filesystem::path opener_ = dir_ / "opener";
    const std::filesystem::path opened_ = dir_ / "opened";
    const std::filesystem::path games_ = root_ / "drive_c" / "GAMES";
    std::unique_ptr<Machine> machine_;
    std::vector<std::string> command_dirs_asked_;
};

} // namespace tavox::test
