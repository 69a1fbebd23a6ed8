// Archives built to attack the extractor: names that climb out of the target, absolute names, drive letters,
// links that point out, names that collide with directories. Whatever the library answers, nothing may appear
// or change outside the target directory, and every answer is one of its codes.

#include "unrar/unrar.h"

#include "rar-writer/rar_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace tavox {
namespace {

namespace fs = std::filesystem;
namespace rw = rar_writer;
using test::ReadFile;
using test::TempDir;

std::string FormatName(const testing::TestParamInfo<rw::Format>& param_info) {
    return param_info.param == rw::Format::Rar4 ? "Rar4" : "Rar5";
}
using test::WriteFile;

// What a tree looks like: every path with its kind, size, link target and content.
using Snapshot = std::map<std::string, std::string>;

Snapshot TakeSnapshot(const fs::path& root, const fs::path& skip) {
    Snapshot snapshot;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const auto status = it->symlink_status();
        std::string what;
        if (fs::is_symlink(status)) {
            what = "link " + fs::read_symlink(it->path()).string();
        } else if (fs::is_directory(status)) {
            what = "dir";
        } else {
            what = "file " + ReadFile(it->path());
        }
        snapshot[it->path().lexically_relative(root).string()] = what;
    }
    return snapshot;
}

bool IsResultCode(int code) {
    return code == unrar::ERAR_SUCCESS || (code >= unrar::ERAR_END_ARCHIVE && code <= unrar::ERAR_UNKNOWN);
}

// Extracts every entry into the target and returns every code the library answered.
std::vector<int> ExtractAll(const fs::path& archive, const fs::path& target) {
    const std::string name = archive.string();
    unrar::RAROpenArchiveData open;
    open.ArcName = name.c_str();
    open.OpenMode = unrar::RAR_OM_EXTRACT;
    const unrar::ArchiveHandle handle = unrar::RAROpenArchive(&open);
    std::vector<int> codes{static_cast<int>(open.OpenResult)};
    if (!handle) {
        return codes;
    }
    const std::string dest = target.string();
    unrar::RARHeaderData header;
    // Bounded, so that a library that never reaches the end fails the test instead of hanging it.
    for (int entries = 0; entries < 5000; ++entries) {
        const int read = unrar::RARReadHeader(handle, &header);
        codes.push_back(read);
        if (read != 0) {
            break;
        }
        codes.push_back(unrar::RARProcessFile(handle, unrar::RAR_EXTRACT, dest.c_str(), nullptr));
    }
    codes.push_back(unrar::RARCloseArchive(handle));
    return codes;
}

// Symbolic links inside the target that lead out of it.
std::vector<std::string> LinksOut(const fs::path& target) {
    std::vector<std::string> out;
    const fs::path root = fs::weakly_canonical(target);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(target, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_symlink()) {
            const fs::path resolved = fs::weakly_canonical(it->path(), ec);
            const auto [end, _] = std::mismatch(root.begin(), root.end(), resolved.begin(), resolved.end());
            if (end != root.end()) {
                out.push_back(it->path().string());
            }
        }
    }
    return out;
}

rw::Entry AsIs(rw::Entry entry) {
    entry.name_as_is = true;
    return entry;
}

struct Attack {
    std::string title;
    std::vector<rw::Entry> entries;
};

std::vector<Attack> Attacks() {
    return {
        {"ClimbingNames",
         {rw::File("..\\..\\x", "climb"), rw::File("..\\..\\..\\..\\..\\x", "climb far"),
          rw::File("GAME\\..\\..\\..\\y", "climb from inside"),
          AsIs(rw::File("../../z", "climb with slashes")),
          AsIs(rw::File("GAME/..\\..\\../w", "both separators"))}},
        {"AbsoluteNames",
         {AsIs(rw::File("/etc/tavox-hostile-x", "absolute")), rw::File("\\etc\\tavox-hostile-y", "absolute"),
          rw::File("C:\\x", "drive"), AsIs(rw::File("C:..\\..\\x", "drive relative")),
          AsIs(rw::File("\\\\server\\share\\x", "network"))}},
        {"LinksOut",
         {rw::Symlink("out", "../../outside"), rw::File("out\\through.txt", "through a link"),
          rw::Symlink("etc", "/etc"), rw::File("etc\\tavox-hostile-z", "through an absolute link"),
          rw::Symlink("deep", "GAME/../../../../outside"), rw::File("deep\\x", "through")}},
        {"NamesLikeDirectories",
         {rw::Directory("GAME"), rw::File("GAME", "a file named like the directory"),
          rw::File("FILE", "a file"), rw::File("FILE\\INSIDE.TXT", "under a file"), rw::Directory("FILE"),
          rw::File(".", "dot"), rw::File("GAME\\.", "dot inside"), rw::File("", "no name")}},
        {"ThroughAnExistingLink", {rw::File("planted\\x.txt", "into a link that was there before")}},
    };
}

class UnrarHostile : public testing::TestWithParam<std::tuple<rw::Format, Attack>> {};

TEST_P(UnrarHostile, NothingIsWrittenOutsideTheTarget) {
    const auto& [format, attack] = GetParam();
    TempDir dir;
    const fs::path target = dir / "one" / "two" / "target";
    fs::create_directories(target);
    WriteFile(dir / "outside" / "keep.txt", "untouched");
    fs::create_directory_symlink(dir / "outside", target / "planted");
    rw::Archive archive;
    archive.format = format;
    archive.entries = attack.entries;
    ASSERT_TRUE(rw::WriteArchive(dir / "hostile.rar", archive));
    const Snapshot before = TakeSnapshot(dir.Path(), target);
    const bool etc_had_files = fs::exists("/etc/tavox-hostile-x") || fs::exists("/etc/tavox-hostile-y") ||
                               fs::exists("/etc/tavox-hostile-z");

    const std::vector<int> codes = ExtractAll(dir / "hostile.rar", target);

    EXPECT_EQ(TakeSnapshot(dir.Path(), target), before);
    EXPECT_EQ(LinksOut(target), std::vector<std::string>{(target / "planted").string()});
    EXPECT_EQ(fs::read_symlink(target / "planted"), dir / "outside");
    if (!etc_had_files) {
        EXPECT_FALSE(fs::exists("/etc/tavox-hostile-x"));
        EXPECT_FALSE(fs::exists("/etc/tavox-hostile-y"));
        EXPECT_FALSE(fs::exists("/etc/tavox-hostile-z"));
    }
    for (const int code : codes) {
        EXPECT_TRUE(IsResultCode(code)) << code;
    }
}

std::string AttackName(const testing::TestParamInfo<std::tuple<rw::Format, Attack>>& param_info) {
    return FormatName({std::get<0>(param_info.param), param_info.index}) +
           std::get<1>(param_info.param).title;
}

INSTANTIATE_TEST_SUITE_P(Generated, UnrarHostile,
                         testing::Combine(testing::Values(rw::Format::Rar4, rw::Format::Rar5),
                                          testing::ValuesIn(Attacks())),
                         AttackName);

class UnrarGenerated : public testing::TestWithParam<rw::Format> {};

TEST_P(UnrarGenerated, ManyEntriesAreAllExtracted) {
    TempDir dir;
    rw::Archive archive;
    archive.format = GetParam();
    for (int i = 0; i < 1500; ++i) {
        archive.entries.push_back(rw::File("MANY\\F" + std::to_string(i) + ".TXT", std::to_string(i)));
    }
    ASSERT_TRUE(rw::WriteArchive(dir / "many.rar", archive));
    fs::create_directory(dir / "out");
    const std::vector<int> codes = ExtractAll(dir / "many.rar", dir / "out");
    ASSERT_EQ(codes.size(), 1u + 2u * 1500u + 2u);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 1 + 2 * 1500 + 1);
    EXPECT_EQ(codes[codes.size() - 2], unrar::ERAR_END_ARCHIVE);
    EXPECT_EQ(ReadFile(dir / "out" / "MANY" / "F1499.TXT"), "1499");
}

// The fixtures are only worth their tests when another reader takes them for what they claim to be.
TEST_P(UnrarGenerated, AnIndependentReaderExtractsTheWrittenArchive) {
    if (std::system("command -v bsdtar >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "bsdtar is not installed";
    }
    TempDir dir;
    rw::Archive archive;
    archive.format = GetParam();
    archive.entries = {rw::Directory("GAME"), rw::File("GAME\\DATA\\BIG.DAT", std::string(100000, 'b')),
                       rw::File("EMPTY.TXT", ""), rw::Symlink("link", "GAME/DATA/BIG.DAT")};
    ASSERT_TRUE(rw::WriteArchive(dir / "a.rar", archive));
    fs::create_directory(dir / "out");
    const std::string command = "cd '" + (dir / "out").string() + "' && bsdtar -xf ../a.rar";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFile(dir / "out" / "GAME" / "DATA" / "BIG.DAT"), std::string(100000, 'b'));
    EXPECT_TRUE(fs::is_regular_file(dir / "out" / "EMPTY.TXT"));
    EXPECT_EQ(fs::read_symlink(dir / "out" / "link"), "GAME/DATA/BIG.DAT");
}

INSTANTIATE_TEST_SUITE_P(BothFormats, UnrarGenerated, testing::Values(rw::Format::Rar4, rw::Format::Rar5),
                         FormatName);

} // namespace
} // namespace tavox
