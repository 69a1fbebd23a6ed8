// Faults while the settings file is written: a full disk, no room for another file, a read-only file system
// or file, a rename that is refused, and another program that changes the file between two writes. Every
// failed write says so and leaves the previous file whole, with no stray copy beside it.

#include "catalogue/records.h"
#include "catalogue/settings_records.h"
#include "platform/profile_file.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

constexpr std::string_view kBefore = "[Main]\r\nLanguage=1\r\nLanguage2=2\r\n"
                                     "[CD0398]\r\nQUAKE=C:\\GAMES\\QUAKE\r\nQUAKE_=QUAKE.EXE,Quake,\r\n";

TDemos Item(std::string name, std::string dir) {
    TDemos item;
    item.ListName = std::move(name);
    item.InstalledDir = std::move(dir);
    item.Gamename = "GAME.EXE";
    item.UnInstallName = "C:\\UNINST.EXE -f\"" + item.InstalledDir + "\\u.log\"";
    return item;
}

std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

// Runs `scenario` in a child process with mounts of its own, so that the small file systems it mounts vanish
// with it whatever happens. The scenario returns what went wrong, empty when nothing did. Nothing at all
// when this process may not make mounts.
std::optional<std::string> WithPrivateMounts(const std::function<std::string()>& scenario) {
    int pipe_fds[2] = {-1, -1};
    if (::pipe(pipe_fds) != 0) {
        return "no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_fds[0]);
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
            ::_exit(77);
        }
        const std::string failures = scenario();
        [[maybe_unused]] const ssize_t written = ::write(pipe_fds[1], failures.data(), failures.size());
        ::_exit(0);
    }
    ::close(pipe_fds[1]);
    std::string report;
    char buffer[4096];
    for (ssize_t got = 0; (got = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) {
        report.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return "the scenario ended abnormally: " + report;
    }
    return report;
}

// Collects the failures of a scenario that runs in a child process, where gtest cannot report them.
class Failures {
public:
    void Expect(bool holds, std::string_view what) {
        if (!holds) {
            text_ += std::string(what) + "\n";
        }
    }
    std::string Text() const { return text_; }

private:
    std::string text_;
};

// The checks every failed write must pass: reported, the old file whole and readable, nothing left beside it.
void ExpectFailedWrite(Failures& failures, ProfileFile& settings, const fs::path& dir,
                       std::string_view what) {
    const std::size_t entries = EntriesIn(dir);
    failures.Expect(!settings.WriteString("CD0398", "DOOM", std::string(2000, 'D')),
                    std::string(what) + ": the write reports failure");
    failures.Expect(!settings.WriteInteger("Main", "Language2", 0),
                    std::string(what) + ": a small write too");
    failures.Expect(!settings.DeleteKey("CD0398", "QUAKE"), std::string(what) + ": and a deletion");
    failures.Expect(ReadFile(settings.Path()) == kBefore, std::string(what) + ": the file is whole");
    failures.Expect(settings.ReadString("CD0398", "QUAKE", "") == "C:\\GAMES\\QUAKE",
                    std::string(what) + ": the record still reads");
    failures.Expect(settings.ReadString("CD0398", "DOOM", "none") == "none",
                    std::string(what) + ": the failed record does not read");
    failures.Expect(EntriesIn(dir) == entries, std::string(what) + ": no copy is left beside the file");
}

class SettingsFaults : public ::testing::Test {
protected:
    fs::path Mount(std::string_view options) {
        const fs::path point = dir_ / "mnt";
        fs::create_directories(point);
        if (::mount("tmpfs", point.c_str(), "tmpfs", 0, std::string(options).c_str()) != 0) {
            failures_.Expect(false, "tmpfs mount failed");
        }
        return point;
    }
    void Run(const std::function<void()>& scenario) {
        const auto report = WithPrivateMounts([&] {
            scenario();
            return failures_.Text();
        });
        if (!report) {
            GTEST_SKIP() << "this process may not mount file systems";
        }
        EXPECT_EQ(*report, "");
    }

    TempDir dir_;
    Failures failures_;
};

TEST_F(SettingsFaults, AFullDiskKeepsThePreviousFile) {
    Run([this] {
        const fs::path mnt = Mount("size=64k");
        WriteFile(mnt / "tavox.ini", kBefore);
        ProfileFile settings(mnt / "tavox.ini");
        // Fill the disk to the last byte.
        std::FILE* filler = std::fopen((mnt / "filler").c_str(), "wb");
        const std::string block(512, 'f');
        while (filler != nullptr && std::fwrite(block.data(), 1, block.size(), filler) == block.size() &&
               std::fflush(filler) == 0) {
        }
        if (filler != nullptr) {
            std::fclose(filler);
        }
        ExpectFailedWrite(failures_, settings, mnt, "disk full");

        fs::remove(mnt / "filler");
        failures_.Expect(settings.WriteString("CD0398", "DOOM", "C:\\DOOM").Ok(),
                         "with room again the write succeeds");
        failures_.Expect(settings.ReadString("CD0398", "QUAKE", "") == "C:\\GAMES\\QUAKE",
                         "and keeps the rest");
    });
}

TEST_F(SettingsFaults, NoRoomForTheNewCopyKeepsThePreviousFile) {
    Run([this] {
        const fs::path mnt = Mount("size=1m,nr_inodes=8");
        WriteFile(mnt / "tavox.ini", kBefore);
        ProfileFile settings(mnt / "tavox.ini");
        for (int i = 0; i < 16; ++i) {
            const int fd =
                ::open((mnt / ("f" + std::to_string(i))).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
            if (fd >= 0) {
                ::close(fd);
            }
        }
        ExpectFailedWrite(failures_, settings, mnt, "no inodes");
    });
}

TEST_F(SettingsFaults, AReadOnlyFileSystemKeepsThePreviousFile) {
    Run([this] {
        const fs::path mnt = Mount("size=1m");
        WriteFile(mnt / "tavox.ini", kBefore);
        ProfileFile settings(mnt / "tavox.ini");
        failures_.Expect(::mount(nullptr, mnt.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0,
                         "remount read-only");
        ExpectFailedWrite(failures_, settings, mnt, "read-only file system");
    });
}

TEST_F(SettingsFaults, ARefusedRenameLeavesNoCopyBehind) {
    Run([this] {
        const fs::path mnt = Mount("size=1m");
        WriteFile(mnt / "tavox.ini", kBefore);
        WriteFile(dir_ / "elsewhere.ini", kBefore);
        // A file mounted over the settings file cannot be renamed over: the last step of the write fails.
        failures_.Expect(::mount((dir_ / "elsewhere.ini").c_str(), (mnt / "tavox.ini").c_str(), nullptr,
                                 MS_BIND, nullptr) == 0,
                         "bind mount");
        ProfileFile settings(mnt / "tavox.ini");
        ExpectFailedWrite(failures_, settings, mnt, "rename refused");
    });
}

// How many items the settings record for one issue.
std::size_t RecordsOf(const ProfileFile& settings, std::string_view issue) {
    const std::vector<RecordedItem> items = ReadRecordedItems(settings);
    return static_cast<std::size_t>(std::count_if(
        items.begin(), items.end(), [issue](const RecordedItem& item) { return item.Issue == issue; }));
}

TEST_F(SettingsFaults, AReadOnlySettingsFileIsNotWrittenEvenByRoot) {
    const fs::path path = dir_ / "tavox.ini";
    WriteFile(path, kBefore);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ProfileFile settings(path);
    ExpectFailedWrite(failures_, settings, dir_.Path(), "read-only file");
    WriteInstalledRecord(settings, "0398", Item("DOOM", "C:\\DOOM"));
    EXPECT_EQ(ReadFile(path), kBefore) << "the install flow's record is refused too";
    EXPECT_EQ(failures_.Text(), "");

    // Made writable again (the user's own choice), the file takes writes and keeps its records.
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    WriteInstalledRecord(settings, "0398", Item("DOOM", "C:\\DOOM"));
    EXPECT_EQ(RecordsOf(settings, "0398"), 2u);
}

TEST_F(SettingsFaults, RecordsWrittenByAnotherProgramBetweenTwoWritesSurvive) {
    const fs::path path = dir_ / "tavox.ini";
    WriteFile(path, kBefore);
    ProfileFile settings(path);
    WriteInstalledRecord(settings, "0398", Item("DOOM", "C:\\DOOM"));

    // An installer of another issue's menu replaces the file, as editors and Windows do.
    const std::string theirs = ReadFile(path) + "[CD1298]\r\nHEXEN=C:\\HEXEN\r\nHEXEN_=HEXEN.EXE,,\r\n";
    WriteFile(dir_ / "new.ini", theirs);
    fs::rename(dir_ / "new.ini", path);
    WriteInstalledRecord(settings, "0398", Item("DUKE", "C:\\DUKE"));
    EXPECT_EQ(RecordsOf(settings, "1298"), 1u);
    EXPECT_EQ(RecordsOf(settings, "0398"), 3u);

    // Another program edits the file in place to the same size and puts its old time back: only the change
    // time tells, and that must be enough.
    const timespec old_times[2] = {{886'000'000, 0}, {886'000'000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old_times, 0), 0);
    EXPECT_EQ(settings.ReadString("CD1298", "HEXEN", ""), "C:\\HEXEN");
    std::string edited = ReadFile(path);
    edited.replace(edited.find("HEXEN=C:\\HEXEN"), 14, "HEXEN=D:\\HEXEN");
    {
        std::FILE* file = std::fopen(path.c_str(), "r+b");
        ASSERT_NE(file, nullptr);
        std::fwrite(edited.data(), 1, edited.size(), file);
        std::fclose(file);
    }
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), old_times, 0), 0);
    DeleteInstalledRecord(settings, "CD0398", "DOOM");
    EXPECT_EQ(settings.ReadString("CD1298", "HEXEN", ""), "D:\\HEXEN");
    EXPECT_NE(ReadFile(path).find("HEXEN=D:\\HEXEN"), std::string::npos)
        << "the other program's edit survives";
    EXPECT_EQ(RecordsOf(settings, "0398"), 2u);

    // A file removed by another program is started afresh by the next write.
    fs::remove(path);
    WriteInstalledRecord(settings, "0398", Item("DOOM", "C:\\DOOM"));
    EXPECT_EQ(settings.ReadSections(), std::vector<std::string>{"CD0398"});
}

} // namespace
} // namespace tavox
