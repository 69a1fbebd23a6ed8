#include "base/atomic_file.h"
#include "base/unique_fd.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> Names(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// Sets the umask for one test and puts the old one back.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    mode_t old_;
};

TEST(AtomicFile, ReplacesTheContentAndReportsTheFileNowInPlace) {
    const TempDir dir;
    const fs::path target = dir / "system.reg";
    WriteFile(target, std::string(100'000, 'o'));
    const auto written = ReplaceFileAtomically(target, "new\r\n", 0644);
    ASSERT_TRUE(written);
    EXPECT_EQ(ReadFile(target), "new\r\n");
    struct stat now {};
    ASSERT_EQ(::stat(target.c_str(), &now), 0);
    EXPECT_EQ(written->st_ino, now.st_ino);
    EXPECT_EQ(written->st_size, 5);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"system.reg"});
}

TEST(AtomicFile, ANewFileTakesTheGivenModeLessTheUmaskAReplacedOneKeepsItsOwn) {
    const ScopedUmask umask(022);
    const TempDir dir;
    ASSERT_TRUE(ReplaceFileAtomically(dir / "new.ini", "a", 0666));
    EXPECT_EQ(fs::status(dir / "new.ini").permissions(), fs::perms::owner_read | fs::perms::owner_write |
                                                             fs::perms::group_read | fs::perms::others_read);

    WriteFile(dir / "private.ini", "a");
    fs::permissions(dir / "private.ini", fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(ReplaceFileAtomically(dir / "private.ini", "b", 0644));
    EXPECT_EQ(fs::status(dir / "private.ini").permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(AtomicFile, AReplacedFileKeepsItsOwner) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root may give a file to another user";
    }
    const TempDir dir;
    const fs::path target = dir / "user.reg";
    WriteFile(target, "old");
    ASSERT_EQ(::chown(target.c_str(), 4321, 4322), 0);
    ASSERT_TRUE(ReplaceFileAtomically(target, "new", 0644));
    struct stat now {};
    ASSERT_EQ(::stat(target.c_str(), &now), 0);
    EXPECT_EQ(now.st_uid, 4321U);
    EXPECT_EQ(now.st_gid, 4322U);
}

TEST(AtomicFile, AFailedReplaceLeavesTheOldFileAndNoTrace) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may write into a read-only directory";
    }
    const TempDir dir;
    const fs::path target = dir / "tavox.ini";
    WriteFile(target, "old");
    fs::permissions(dir.Path(), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_FALSE(ReplaceFileAtomically(target, "new", 0644));
    fs::permissions(dir.Path(), fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadFile(target), "old");
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"tavox.ini"});

    EXPECT_FALSE(ReplaceFileAtomically(dir / "missing" / "tavox.ini", "new", 0644));
}

// Two menus (or threads) writing one file at once must not take each other's temporary file.
TEST(AtomicFile, WritersAtOnceEachPutAWholeFileInPlace) {
    const TempDir dir;
    const fs::path target = dir / "tavox.ini";
    const std::string first(200'000, '1');
    const std::string second(200'000, '2');
    bool first_ok = true;
    bool second_ok = true;
    std::thread other([&] {
        for (int i = 0; i < 20; ++i) {
            second_ok = ReplaceFileAtomically(target, second, 0644).Ok() && second_ok;
        }
    });
    for (int i = 0; i < 20; ++i) {
        first_ok = ReplaceFileAtomically(target, first, 0644).Ok() && first_ok;
    }
    other.join();
    EXPECT_TRUE(first_ok);
    EXPECT_TRUE(second_ok);
    const std::string content = ReadFile(target);
    EXPECT_TRUE(content == first || content == second);
    EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"tavox.ini"});
}

TEST(AtomicFile, WriteAllReportsAFullDiskThroughErrno) {
    const UniqueFd full(::open("/dev/full", O_WRONLY | O_CLOEXEC));
    if (!full.Valid()) {
        GTEST_SKIP() << "no /dev/full";
    }
    errno = 0;
    EXPECT_FALSE(WriteAll(full.Get(), "data"));
    EXPECT_EQ(errno, ENOSPC);
    EXPECT_TRUE(WriteAll(full.Get(), ""));
}

// Whatever the hint says (right, short, none) the whole file comes in; a pipe's pieces are joined; a
// descriptor that cannot be read fails with errno.
TEST(AtomicFile, ReadAllReadsToTheEndWhateverTheHint) {
    const TempDir dir;
    std::string content(200'000, 'x');
    for (std::size_t i = 0; i < content.size(); i += 997) {
        content[i] = static_cast<char>('a' + i % 26);
    }
    WriteFile(dir / "picture", content);
    for (const std::size_t hint : {content.size(), std::size_t{10}, std::size_t{0}}) {
        const UniqueFd fd(::open((dir / "picture").c_str(), O_RDONLY | O_CLOEXEC));
        std::string bytes = "left over";
        ASSERT_TRUE(ReadAll(fd.Get(), bytes, hint)) << hint;
        EXPECT_EQ(bytes, content) << "hint " << hint;
    }

    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    UniqueFd read_end(ends[0]);
    std::thread writer([write_end = UniqueFd(ends[1])] {
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(WriteAll(write_end.Get(), "piece;"));
        }
    });
    std::string piped;
    EXPECT_TRUE(ReadAll(read_end.Get(), piped, 6));
    writer.join();
    EXPECT_EQ(piped, "piece;piece;piece;piece;piece;");

    const UniqueFd write_only(::open((dir / "picture").c_str(), O_WRONLY | O_CLOEXEC));
    errno = 0;
    std::string nothing;
    EXPECT_FALSE(ReadAll(write_only.Get(), nothing));
    EXPECT_EQ(errno, EBADF);
}

} // namespace
} // namespace tavox
