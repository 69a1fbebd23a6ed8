// Hostile and damaged archives unpacked as the unpack dialog does it: the component lists the archive, and
// extracts it only when listing showed no error; every error but "cannot create" becomes an error box and
// cancels the installation. Whatever the archive holds, nothing appears outside the target directory, no
// link is made, and no file is left half written.

#include "installer/trar.h"
#include "platform/drive_map.h"
#include "rar-writer/rar_writer.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tavox {
namespace {

namespace fs = std::filesystem;
namespace rw = rar_writer;
using test::ReadFile;
using test::TempDir;

// What a tree holds: every path below the root with its kind and content.
using Tree = std::map<std::string, std::string>;

Tree TreeOf(const fs::path& root, const fs::path& skip = {}) {
    Tree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const auto status = it->symlink_status();
        tree[it->path().lexically_relative(root).string()] =
            fs::is_symlink(status)     ? "link " + fs::read_symlink(it->path()).string()
            : fs::is_directory(status) ? std::string("dir")
                                       : ReadFile(it->path());
    }
    return tree;
}

// What the user meets: the error boxes, whether the installation goes on, and what is on disk.
struct Unpacked {
    std::vector<std::string> boxes;
    bool installation_goes_on = true;
    Tree target;
};

// The bytes of one RAR 1.5-4 header at `at`, sealed again after a change: size at 5, CRC of the rest at 0.
void SealRar4Header(std::string& bytes, std::size_t at) {
    const std::size_t size = static_cast<unsigned char>(bytes[at + 5]) |
                             static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 6])) << 8;
    const std::uint32_t crc = rw::Crc32(std::string_view(bytes).substr(at + 2, size - 2));
    bytes[at] = static_cast<char>(crc & 0xFF);
    bytes[at + 1] = static_cast<char>((crc >> 8) & 0xFF);
}

void PutU32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// Reads a RAR 5 variable-length number at `at`, moving past it.
std::uint64_t Vint(const std::string& bytes, std::size_t& at) {
    std::uint64_t value = 0;
    for (int shift = 0; at < bytes.size(); shift += 7) {
        const auto byte = static_cast<unsigned char>(bytes[at++]);
        value |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            break;
        }
    }
    return value;
}

// Where each block starts, and where its header ends: RAR 4 blocks after the 7-byte marker, RAR 5 blocks
// after the 8-byte signature.
struct Block {
    std::size_t at = 0;
    std::size_t header_end = 0;
};

std::vector<Block> Blocks(const std::string& bytes, rw::Format format) {
    std::vector<Block> blocks;
    if (format == rw::Format::Rar4) {
        for (std::size_t at = 7; at + 7 <= bytes.size();) {
            const auto u16 = [&bytes](std::size_t i) {
                return static_cast<std::size_t>(static_cast<unsigned char>(bytes[i])) |
                       static_cast<std::size_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
            };
            const std::size_t size = u16(at + 5);
            std::size_t data = 0;
            if ((u16(at + 3) & 0x8000) != 0) {
                for (std::size_t i = 0; i < 4; ++i) {
                    data |= static_cast<std::size_t>(static_cast<unsigned char>(bytes[at + 7 + i]))
                            << (8 * i);
                }
            }
            blocks.push_back({at, at + size});
            at += size + data;
        }
        return blocks;
    }
    for (std::size_t at = 8; at + 5 <= bytes.size();) {
        std::size_t field = at + 4;
        const std::uint64_t size = Vint(bytes, field);
        const std::size_t header_end = field + size;
        Vint(bytes, field); // type
        const std::uint64_t flags = Vint(bytes, field);
        if (flags & 0x01) {
            Vint(bytes, field); // extra area size
        }
        const std::uint64_t data = (flags & 0x02) ? Vint(bytes, field) : 0;
        blocks.push_back({at, header_end});
        at = header_end + data;
    }
    return blocks;
}

void SealRar5Header(std::string& bytes, const Block& block) {
    PutU32(bytes, block.at,
           rw::Crc32(std::string_view(bytes).substr(block.at + 4, block.header_end - block.at - 4)));
}

class ArchiveCorpus : public testing::Test {
protected:
    ArchiveCorpus() {
        drives_.Map('C', dir_ / "c", DriveType::Fixed);
        drives_.Map('D', dir_ / "d", DriveType::CdRom);
        fs::create_directories(Target());
        fs::create_directories(dir_ / "d" / "DEMOS");
        test::WriteFile(dir_ / "c" / "GAMES" / "KEEP.TXT", "beside the target");
        test::WriteFile(dir_ / "outside" / "keep.txt", "outside every drive");
    }

    fs::path Target() const { return dir_ / "c" / "GAMES" / "X"; }
    fs::path ArchivePath() const { return dir_ / "d" / "DEMOS" / "GAME.RAR"; }

    static std::string Bytes(rw::Format format, std::vector<rw::Entry> entries) {
        rw::Archive archive;
        archive.format = format;
        archive.entries = std::move(entries);
        return rw::Write(archive);
    }

    // Unpacks the archive into C:\GAMES\X as the dialog does, and checks what must hold for every archive.
    Unpacked Unpack(const std::string& bytes) {
        test::WriteFile(ArchivePath(), bytes);
        const Tree before = TreeOf(dir_.Path(), Target());
        Unpacked unpacked;
        TRAR rar(drives_);
        rar.ArchiveName = "D:\\DEMOS\\GAME.RAR";
        rar.TargetDir = "C:\\GAMES\\X";
        rar.OnError = [&unpacked](TRAR&, int error) {
            if (error != unrar::ERAR_ECREATE) {
                unpacked.boxes.emplace_back(TRAR::ErrorText(error));
                unpacked.installation_goes_on = false;
            }
        };
        rar.List();
        if (unpacked.installation_goes_on) {
            rar.Extract();
        }
        EXPECT_EQ(TreeOf(dir_.Path(), Target()), before) << "something outside the target changed";
        unpacked.target = TreeOf(Target());
        for (const auto& [path, what] : unpacked.target) {
            EXPECT_FALSE(what.starts_with("link ")) << path;
        }
        return unpacked;
    }

    TempDir dir_;
    DriveMap drives_;
};

constexpr std::string_view kCrcError = "CRC error, data damaged";

rw::Entry AsIs(rw::Entry entry) {
    entry.name_as_is = true;
    return entry;
}

class ArchiveCorpusBothFormats : public ArchiveCorpus, public testing::WithParamInterface<rw::Format> {};

TEST_P(ArchiveCorpusBothFormats, NamesThatClimbOutAreSkippedSilentlyAndTheRestInstalled) {
    const Unpacked unpacked = Unpack(
        Bytes(GetParam(), {rw::File("..\\ESCAPE.TXT", "a"), rw::File("..\\..\\..\\..\\ESCAPE.TXT", "b"),
                           rw::Directory("..\\"), rw::Directory("GAME\\..\\..\\"),
                           AsIs(rw::File("GAME/../../ESCAPE.TXT", "c")), rw::File("GAME\\OK.TXT", "ok"),
                           AsIs(rw::File("GAME\\..\\INSIDE.TXT", "stays inside"))}));
    EXPECT_TRUE(unpacked.boxes.empty());
    EXPECT_TRUE(unpacked.installation_goes_on);
    EXPECT_EQ(unpacked.target.at("GAME/OK.TXT"), "ok");
    EXPECT_EQ(unpacked.target.count("ESCAPE.TXT"), 0u);
}

TEST_P(ArchiveCorpusBothFormats, AbsoluteAndDriveNamesLandInsideTheTarget) {
    const Unpacked unpacked = Unpack(Bytes(
        GetParam(), {AsIs(rw::File("/ABS.TXT", "slash")), rw::File("\\BACK.TXT", "backslash"),
                     rw::File("C:\\GAMES\\DRIVE.TXT", "drive"), AsIs(rw::File("D:REL.TXT", "drive relative")),
                     AsIs(rw::File("\\\\server\\share\\UNC.TXT", "network"))}));
    EXPECT_TRUE(unpacked.boxes.empty());
    EXPECT_EQ(unpacked.target.at("ABS.TXT"), "slash");
    EXPECT_EQ(unpacked.target.at("BACK.TXT"), "backslash");
    EXPECT_EQ(unpacked.target.at("GAMES/DRIVE.TXT"), "drive");
}

TEST_P(ArchiveCorpusBothFormats, LinksAreNeverMadeInOrOut) {
    const Unpacked unpacked = Unpack(
        Bytes(GetParam(),
              {rw::File("GAME\\A.TXT", "a"), rw::Symlink("IN", "GAME/A.TXT"), rw::Symlink("OUT", "../../.."),
               rw::File("OUT\\THROUGH.TXT", "through the link"), rw::Symlink("ETC", "/etc"),
               rw::File("ETC\\tavox-archive-corpus", "through an absolute link")}));
    EXPECT_TRUE(unpacked.boxes.empty());
    EXPECT_EQ(unpacked.target.count("IN"), 0u);
    // The link was never made, so the files behind its name are plain files in the target.
    EXPECT_EQ(unpacked.target.at("OUT/THROUGH.TXT"), "through the link");
    EXPECT_FALSE(fs::exists("/etc/tavox-archive-corpus"));
}

TEST_P(ArchiveCorpusBothFormats, AFileNamedLikeADirectoryIsSkippedAndNothingIsLost) {
    const Unpacked unpacked = Unpack(
        Bytes(GetParam(), {rw::Directory("GAME"), rw::File("GAME\\IN.TXT", "in"), rw::File("GAME", "file"),
                           rw::File("FILE", "plain"), rw::File("FILE\\UNDER.TXT", "under a file"),
                           rw::File("GAME\\IN.TXT", "replaced whole")}));
    EXPECT_TRUE(unpacked.boxes.empty());
    EXPECT_EQ(unpacked.target.at("GAME"), "dir");
    EXPECT_EQ(unpacked.target.at("GAME/IN.TXT"), "replaced whole");
    EXPECT_EQ(unpacked.target.at("FILE"), "plain");
}

TEST_P(ArchiveCorpusBothFormats, NamesTooLongForTheHostAreSkippedAndTheRestIsInstalled) {
    const std::string long_part(300, 'L');
    std::string deep;
    for (int i = 0; i < 19; ++i) {
        deep += std::string(100, static_cast<char>('A' + i % 26)) + "\\";
    }
    const Unpacked unpacked =
        Unpack(Bytes(GetParam(), {rw::File(long_part, "long"), rw::File(deep + "X.TXT", "deep"),
                                  rw::File("SHORT.TXT", "short")}));
    EXPECT_EQ(unpacked.target.count(long_part), 0u);
    // A file that cannot be created is skipped, as the unpack dialog skips every such file.
    EXPECT_TRUE(unpacked.boxes.empty());
    EXPECT_EQ(unpacked.target.count("SHORT.TXT"), 1u);
}

TEST_P(ArchiveCorpusBothFormats, DamagedDataIsToldForEachFileAndLeavesNoFile) {
    rw::Entry bad = rw::File("BAD.DAT", std::string(70000, 'b'));
    bad.bad_crc = true;
    rw::Entry locked = rw::File("LOCKED.DAT", "secret");
    locked.encrypted = true;
    const Unpacked unpacked = Unpack(Bytes(GetParam(), {rw::File("GOOD.TXT", "good"), bad, locked}));
    EXPECT_EQ(unpacked.boxes, (std::vector<std::string>{std::string(kCrcError), std::string(kCrcError)}));
    EXPECT_FALSE(unpacked.installation_goes_on);
    EXPECT_EQ(unpacked.target, (Tree{{"GOOD.TXT", "good"}}));
}

TEST_P(ArchiveCorpusBothFormats, ADamagedHeaderStopsBeforeAnythingIsUnpacked) {
    rw::Entry damaged = rw::File("B.TXT", "b");
    damaged.bad_header_crc = true;
    const Unpacked unpacked =
        Unpack(Bytes(GetParam(), {rw::File("A.TXT", "a"), damaged, rw::File("C.TXT", "c")}));
    EXPECT_EQ(unpacked.boxes, std::vector<std::string>{std::string(kCrcError)});
    EXPECT_TRUE(unpacked.target.empty());
}

// Cut inside any block, an archive shows an error and leaves no file with less than its content. Cut between
// two blocks it cannot be told from a shorter archive (neither format needs its end block): the files before
// the cut are installed whole.
TEST_P(ArchiveCorpusBothFormats, ACutArchiveIsAnErrorInsideEveryBlock) {
    const std::vector<rw::Entry> entries = {
        rw::Directory("GAME"), rw::File("GAME\\A.TXT", std::string(5000, 'a')), rw::File("B.TXT", "b"),
        rw::File("GAME\\C.TXT", std::string(300, 'c'))};
    const std::string whole = Bytes(GetParam(), entries);
    const std::vector<Block> blocks = Blocks(whole, GetParam());
    ASSERT_EQ(blocks.size(), 6u); // main, four entries, end
    const Tree complete = {{"GAME", "dir"},
                           {"GAME/A.TXT", std::string(5000, 'a')},
                           {"B.TXT", "b"},
                           {"GAME/C.TXT", std::string(300, 'c')}};
    std::vector<std::size_t> inside = {3};
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const std::size_t block_end = i + 1 < blocks.size() ? blocks[i + 1].at : whole.size();
        inside.insert(inside.end(),
                      {blocks[i].at + 1, blocks[i].at + 3, (blocks[i].at + blocks[i].header_end) / 2,
                       blocks[i].header_end - 1, block_end - 1});
        SCOPED_TRACE("cut before block " + std::to_string(i));
        fs::remove_all(Target());
        fs::create_directories(Target());
        const Unpacked unpacked = Unpack(whole.substr(0, blocks[i].at));
        for (const auto& [path, what] : unpacked.target) {
            EXPECT_EQ(what, complete.at(path)) << path;
        }
    }
    for (const std::size_t cut : inside) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        fs::remove_all(Target());
        fs::create_directories(Target());
        const Unpacked unpacked = Unpack(whole.substr(0, cut));
        for (const auto& [path, what] : unpacked.target) {
            EXPECT_EQ(what, complete.at(path)) << path;
        }
        EXPECT_FALSE(unpacked.boxes.empty());
        EXPECT_FALSE(unpacked.installation_goes_on);
    }
}

TEST_P(ArchiveCorpusBothFormats, TenThousandEntriesAreAllInstalled) {
    std::vector<rw::Entry> entries;
    for (int i = 0; i < 10000; ++i) {
        entries.push_back(
            rw::File("D" + std::to_string(i % 10) + "\\F" + std::to_string(i) + ".TXT", std::to_string(i)));
    }
    const Unpacked unpacked = Unpack(Bytes(GetParam(), entries));
    EXPECT_TRUE(unpacked.boxes.empty());
    EXPECT_EQ(unpacked.target.size(), 10010u);
    EXPECT_EQ(unpacked.target.at("D9/F9999.TXT"), "9999");
}

std::string FormatName(const testing::TestParamInfo<rw::Format>& info) {
    return info.param == rw::Format::Rar4 ? "Rar4" : "Rar5";
}

INSTANTIATE_TEST_SUITE_P(Generated, ArchiveCorpusBothFormats,
                         testing::Values(rw::Format::Rar4, rw::Format::Rar5), FormatName);

// RAR 1.5-4 headers patched to claim what the data does not hold: 4 GB unpacked from a few bytes, packed data
// far past the end of the archive, a 64-bit size, and a packed method over data that is no packed stream.
TEST_F(ArchiveCorpus, SizeAndMethodClaimsTheDataDoesNotBackAreErrors) {
    const std::string plain = Bytes(
        rw::Format::Rar4, {rw::File("A.TXT", "a"), rw::File("BIG.DAT", "small"), rw::File("Z.TXT", "z")});
    const std::size_t big = Blocks(plain, rw::Format::Rar4).at(2).at;
    struct Claim {
        std::string title;
        std::function<void(std::string&)> patch;
    };
    const std::vector<Claim> claims = {
        {"4 GB unpacked", [big](std::string& bytes) { PutU32(bytes, big + 11, 0xFFFFFFFFu); }},
        {"packed past the end", [big](std::string& bytes) { PutU32(bytes, big + 7, 0x7FFFFFF0u); }},
        {"64-bit sizes",
         [big](std::string& bytes) {
             // The large-file flag and the high halves of both sizes, before the name.
             bytes[big + 4] = static_cast<char>(bytes[big + 4] | 0x01);
             bytes.insert(big + 32, std::string("\x01\x00\x00\x00\x01\x00\x00\x00", 8));
             const std::size_t size = static_cast<unsigned char>(bytes[big + 5]) + 8;
             bytes[big + 5] = static_cast<char>(size);
         }},
        {"packed method",
         [big](std::string& bytes) {
             bytes[big + 24] = 29;   // unpack version 2.9
             bytes[big + 25] = 0x33; // normal compression
         }},
    };
    for (const Claim& claim : claims) {
        SCOPED_TRACE(claim.title);
        fs::remove_all(Target());
        fs::create_directories(Target());
        std::string bytes = plain;
        claim.patch(bytes);
        SealRar4Header(bytes, big);
        const auto start = std::chrono::steady_clock::now();
        const Unpacked unpacked = Unpack(bytes);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
        EXPECT_FALSE(unpacked.boxes.empty());
        EXPECT_FALSE(unpacked.installation_goes_on);
        EXPECT_EQ(unpacked.target.count("BIG.DAT"), 0u);
        EXPECT_LE(unpacked.target.size(), 2u);
    }
}

// RAR 5 file redirection of the hard-link kind, pointing in and out: like symbolic links, never made.
TEST_F(ArchiveCorpus, HardLinksAreNeverMade) {
    std::string bytes =
        Bytes(rw::Format::Rar5,
              {rw::File("GAME.EXE", "game"), rw::Symlink("IN.EXE", "GAME.EXE"),
               rw::Symlink("OUT.TXT", "../../../outside/keep.txt"), rw::Symlink("PASSWD", "/etc/passwd")});
    int patched = 0;
    for (const Block& block : Blocks(bytes, rw::Format::Rar5)) {
        // The redirection record: type 5, then the redirection type, 1 for a Unix link, 4 for a hard link.
        const std::string_view header = std::string_view(bytes).substr(block.at, block.header_end - block.at);
        const std::size_t record = header.find(std::string_view("\x05\x01\x00", 3));
        if (record != std::string_view::npos) {
            bytes[block.at + record + 1] = 4;
            SealRar5Header(bytes, block);
            ++patched;
        }
    }
    ASSERT_EQ(patched, 3);
    const Unpacked unpacked = Unpack(bytes);
    EXPECT_TRUE(unpacked.boxes.empty());
    EXPECT_EQ(unpacked.target, (Tree{{"GAME.EXE", "game"}}));
    EXPECT_EQ(ReadFile(dir_ / "outside" / "keep.txt"), "outside every drive");
}

} // namespace
} // namespace tavox
