#include "support/temp_dir.h"
#include "unrar/safe_output.h"
#include "unrar/unrar.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using tavox::test::ReadFile;
using tavox::test::TempDir;
using tavox::unrar::OutputFile;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
}

int WriteFile(const fs::path& target, const std::vector<std::string>& parts, std::string_view content) {
    OutputFile file;
    if (const int created = OutputFile::Create(target.string(), parts, file); created != 0) {
        return created;
    }
    if (const int written = file.Write(Bytes(content)); written != 0) {
        return written;
    }
    return file.Commit(0644, 0);
}

TEST(UnrarOutput, ALinkAlreadyInTheTargetIsNeverFollowed) {
    TempDir dir;
    const fs::path target = dir / "target";
    const fs::path outside = dir / "outside";
    fs::create_directories(target);
    fs::create_directories(outside);
    tavox::test::WriteFile(outside / "victim.txt", "keep");

    // A directory link: nothing is made through it.
    fs::create_directory_symlink(outside, target / "sub");
    EXPECT_EQ(WriteFile(target, {"sub", "new.txt"}, "x"), tavox::unrar::ERAR_ECREATE);
    EXPECT_FALSE(fs::exists(outside / "new.txt"));

    // A file link: replaced by the file, its target untouched.
    fs::create_symlink(outside / "victim.txt", target / "file.txt");
    EXPECT_EQ(WriteFile(target, {"file.txt"}, "new"), 0);
    EXPECT_FALSE(fs::is_symlink(target / "file.txt"));
    EXPECT_EQ(ReadFile(target / "file.txt"), "new");
    EXPECT_EQ(ReadFile(outside / "victim.txt"), "keep");
}

TEST(UnrarOutput, AHardLinkedFileIsReplacedNotWrittenThrough) {
    TempDir dir;
    fs::create_directories(dir / "target");
    tavox::test::WriteFile(dir / "elsewhere.txt", "keep");
    fs::create_hard_link(dir / "elsewhere.txt", dir / "target" / "file.txt");
    EXPECT_EQ(WriteFile(dir / "target", {"file.txt"}, "new"), 0);
    EXPECT_EQ(ReadFile(dir / "target" / "file.txt"), "new");
    EXPECT_EQ(ReadFile(dir / "elsewhere.txt"), "keep");
}

TEST(UnrarOutput, AFileNamedLikeADirectoryOrUnderAFileIsNotCreated) {
    TempDir dir;
    fs::create_directories(dir / "game" / "data");
    tavox::test::WriteFile(dir / "game" / "data" / "inside.txt", "keep");
    tavox::test::WriteFile(dir / "game" / "plain.txt", "keep");
    EXPECT_EQ(WriteFile(dir.Path(), {"game", "data"}, "x"), tavox::unrar::ERAR_ECREATE);
    EXPECT_EQ(ReadFile(dir / "game" / "data" / "inside.txt"), "keep");
    EXPECT_EQ(WriteFile(dir.Path(), {"game", "plain.txt", "x"}, "x"), tavox::unrar::ERAR_ECREATE);
    // Neither attempt left a temporary file behind.
    for (const auto& item : fs::recursive_directory_iterator(dir.Path())) {
        EXPECT_EQ(item.path().filename().string().find(".tavox"), std::string::npos) << item.path();
    }
}

TEST(UnrarOutput, AnUnfinishedFileLeavesNothingAndKeepsTheOldOne) {
    TempDir dir;
    tavox::test::WriteFile(dir / "file.txt", "old");
    {
        OutputFile file;
        ASSERT_EQ(OutputFile::Create(dir.Path().string(), {"file.txt"}, file), 0);
        EXPECT_EQ(file.Write(Bytes("half")), 0);
    }
    EXPECT_EQ(ReadFile(dir / "file.txt"), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);
}

TEST(UnrarOutput, AMissingTargetIsMade) {
    TempDir dir;
    EXPECT_EQ(WriteFile(dir / "new" / "target", {"sub", "file.txt"}, "data"), 0);
    EXPECT_EQ(ReadFile(dir / "new" / "target" / "sub" / "file.txt"), "data");
}

TEST(UnrarOutput, CommittedFilesGetTheirModeAndTime) {
    TempDir dir;
    OutputFile file;
    ASSERT_EQ(OutputFile::Create(dir.Path().string(), {"ro.txt"}, file), 0);
    ASSERT_EQ(file.Write(Bytes("data")), 0);
    ASSERT_EQ(file.Commit(0444, 897912000), 0);
    const auto status = fs::status(dir / "ro.txt");
    EXPECT_EQ(status.permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(std::chrono::duration_cast<std::chrono::seconds>(
                  fs::last_write_time(dir / "ro.txt").time_since_epoch() -
                  std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(0)))
                      .time_since_epoch())
                  .count(),
              897912000);
}

} // namespace
