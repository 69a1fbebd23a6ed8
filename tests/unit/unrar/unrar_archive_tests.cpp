#include "base/crc32.h"
#include "support/temp_dir.h"
#include "unrar/rar_volume.h"
#include "unrar/unrar.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using tavox::test::ReadFile;
using tavox::test::TempDir;
using tavox::unrar::ArchiveHandle;
using tavox::unrar::RARHeaderData;
using tavox::unrar::RAROpenArchiveData;

const fs::path kFixtures = fs::path(TAVOX_SHARED_DIR) / "fixtures" / "rar";

#define REQUIRE_FIXTURES()                                                                                   \
    if (!fs::exists(kFixtures / "README.md")) {                                                              \
        GTEST_SKIP() << "no real archives in " << kFixtures;                                                 \
    }

struct Entry {
    std::string name; // FileName
    unsigned flags = 0;
    unsigned unp_size = 0;
    int result = 0; // of RARProcessFile
    unsigned comment_state = 0;
    std::string comment;
};

struct Walk {
    unsigned open_result = 0;
    unsigned comment_state = 0;
    std::string comment;
    std::vector<Entry> entries;
    int end = 0; // what ended the walk
};

// Opens an archive and processes every entry with `operation` into `dest`.
Walk WalkArchive(const fs::path& archive, int operation, const fs::path& dest = {},
                 const std::function<void(ArchiveHandle)>& setup = {}) {
    std::vector<char> comment(65536);
    RAROpenArchiveData open;
    const std::string name = archive.string();
    open.ArcName = name.c_str();
    open.OpenMode =
        operation == tavox::unrar::RAR_SKIP ? tavox::unrar::RAR_OM_LIST : tavox::unrar::RAR_OM_EXTRACT;
    open.CmtBuf = comment.data();
    open.CmtBufSize = 65535;
    Walk walk;
    ArchiveHandle handle = tavox::unrar::RAROpenArchive(&open);
    walk.open_result = open.OpenResult;
    walk.comment_state = open.CmtState;
    if (open.CmtState == 1) {
        walk.comment.assign(comment.data(), open.CmtSize - 1);
    }
    if (handle == nullptr) {
        return walk;
    }
    if (setup) {
        setup(handle);
    }
    std::vector<char> file_comment(65536);
    RARHeaderData header;
    header.CmtBuf = file_comment.data();
    header.CmtBufSize = 65535;
    const std::string dest_path = dest.string();
    while ((walk.end = tavox::unrar::RARReadHeader(handle, &header)) == 0) {
        Entry entry{header.FileName, header.Flags, header.UnpSize, 0, header.CmtState, {}};
        if (header.CmtState == 1) {
            entry.comment.assign(file_comment.data(), header.CmtSize - 1);
        }
        entry.result = tavox::unrar::RARProcessFile(handle, operation,
                                                    dest.empty() ? nullptr : dest_path.c_str(), nullptr);
        walk.entries.push_back(std::move(entry));
    }
    tavox::unrar::RARCloseArchive(handle);
    return walk;
}

const Entry* Find(const Walk& walk, const std::string& name) {
    for (const Entry& entry : walk.entries) {
        if (entry.name == name) {
            return &entry;
        }
    }
    return nullptr;
}

// Regular files by relative path with their content, and directories with an empty marker; links are left
// out (this layer makes none).
std::map<std::string, std::string> Tree(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(item.path(), root).string();
        if (item.is_symlink()) {
            continue;
        }
        tree[relative] = item.is_directory() ? "<dir>"s : ReadFile(item.path());
    }
    return tree;
}

bool Have(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(UnrarArchive, ExtractsRealArchivesAsTheReferenceExtractorDoes) {
    REQUIRE_FIXTURES();
    if (!Have("unar") || !Have("bsdtar")) {
        GTEST_SKIP() << "unar or bsdtar is not installed";
    }
    // RAR 2.0 and 2.9 compression, solid, RAR 3 filters, several LZSS blocks, old-style comments, Unicode
    // and non-ASCII names, subdirectories, a self-extractor, stored multi-volume sets in both naming
    // schemes, and RAR 5 stored, packed and solid. unar is right about the older format, bsdtar about
    // RAR 5.
    const std::string unar = "unar -q -f -D -o . ";
    const std::string bsdtar = "bsdtar -xf ";
    const std::vector<std::pair<std::string, std::string>> archives = {
        {"rar2-unix-owner.rar", unar},
        {"rar202-comment-nopsw.rar", unar},
        {"rar3-comment-plain.rar", unar},
        {"rar3-readonly-win.rar", unar},
        {"rar3-solid.rar", unar},
        {"rar3-subdirs.rar", unar},
        {"seektest.rar", unar},
        {"test_read_format_rar.rar", unar},
        {"test_read_format_rar_compress_best.rar", unar},
        {"test_read_format_rar_compress_normal.rar", unar},
        {"test_read_format_rar_filter.rar", unar},
        {"test_read_format_rar_multi_lzss_blocks.rar", unar},
        {"test_read_format_rar_noeof.rar", unar},
        {"test_read_format_rar_subblock.rar", unar},
        {"test_read_format_rar_unicode.rar", unar},
        {"test_read_format_rar_windows.rar", unar},
        {"test_read_format_rar_sfx.exe", unar},
        {"unicode.rar", unar},
        {"rar3-vols.part1.rar", unar},
        {"rar3-old.rar", unar},
        {"test_rar_multivolume_single_file.part1.rar", unar},
        {"test_read_format_rar5_compressed.rar", bsdtar},
        {"test_read_format_rar5_multiple_files_solid.rar", bsdtar},
        {"test_read_format_rar5_solid.rar", bsdtar},
        {"test_read_format_rar5_stored.rar", bsdtar},
    };
    for (const auto& [archive, oracle] : archives) {
        SCOPED_TRACE(archive);
        TempDir ours;
        TempDir reference;
        const Walk walk = WalkArchive(kFixtures / archive, tavox::unrar::RAR_EXTRACT, ours.Path());
        EXPECT_EQ(walk.end, tavox::unrar::ERAR_END_ARCHIVE);
        for (const Entry& entry : walk.entries) {
            EXPECT_EQ(entry.result, 0) << entry.name;
        }
        const std::string command = "cd '" + reference.Path().string() + "' && " + oracle + "'" +
                                    (kFixtures / archive).string() + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_EQ(Tree(ours.Path()), Tree(reference.Path()));
    }
}

TEST(UnrarArchive, ListsHeaderFieldsThatTheDecodersDoNotGive) {
    REQUIRE_FIXTURES();
    const Walk subdirs = WalkArchive(kFixtures / "rar3-subdirs.rar", tavox::unrar::RAR_SKIP);
    ASSERT_NE(Find(subdirs, "sub\\with space\\long fn.txt"), nullptr);
    EXPECT_EQ(Find(subdirs, "sub\\empty")->flags & tavox::unrar::RHDF_DIRECTORY,
              tavox::unrar::RHDF_DIRECTORY);
    // Non-ASCII names come in the Windows code page of the DOS one (437 -> 1252), which has "ü", "ö" and
    // "è" of "üȵĩöḋè", not the others.
    EXPECT_NE(Find(subdirs, "sub\\\xFC??\xF6?\xE8\\file.txt"), nullptr);

    const Walk solid = WalkArchive(kFixtures / "rar3-solid.rar", tavox::unrar::RAR_SKIP);
    ASSERT_EQ(solid.entries.size(), 2u);
    EXPECT_EQ(solid.entries[1].flags & tavox::unrar::RHDF_SOLID, tavox::unrar::RHDF_SOLID);
    EXPECT_EQ(solid.entries[1].unp_size, 2048u);

    const Walk encrypted =
        WalkArchive(kFixtures / "test_read_format_rar_encryption_partially.rar", tavox::unrar::RAR_SKIP);
    ASSERT_EQ(encrypted.entries.size(), 2u);
    EXPECT_EQ(encrypted.entries[0].flags & tavox::unrar::RHDF_ENCRYPTED, tavox::unrar::RHDF_ENCRYPTED);
    EXPECT_EQ(encrypted.entries[1].flags & tavox::unrar::RHDF_ENCRYPTED, 0u);

    // A split file is listed once, although three volumes carry parts of it.
    const Walk volumes = WalkArchive(kFixtures / "rar3-vols.part1.rar", tavox::unrar::RAR_SKIP);
    ASSERT_EQ(volumes.entries.size(), 2u);
    EXPECT_EQ(volumes.entries[0].name, "vols\\bigfile.txt");
    EXPECT_EQ(volumes.entries[1].name, "vols\\smallfile.txt");
}

TEST(UnrarArchive, ReadsOldAndNewStyleComments) {
    REQUIRE_FIXTURES();
    // RAR 2.02: a packed comment inside the main header, and stored comments inside the file headers.
    const Walk old_style = WalkArchive(kFixtures / "rar202-comment-nopsw.rar", tavox::unrar::RAR_SKIP);
    EXPECT_EQ(old_style.open_result, 0u);
    EXPECT_EQ(old_style.comment_state, 1u);
    EXPECT_EQ(old_style.comment, "RARcomment");
    ASSERT_EQ(old_style.entries.size(), 2u);
    EXPECT_EQ(old_style.entries[0].comment_state, 1u);
    EXPECT_EQ(old_style.entries[0].comment, "file1comment");

    // RAR 3: packed comment sub-blocks.
    const Walk new_style = WalkArchive(kFixtures / "rar3-comment-plain.rar", tavox::unrar::RAR_SKIP);
    EXPECT_EQ(new_style.comment, "RARcomment\n");
    ASSERT_EQ(new_style.entries.size(), 2u);
    EXPECT_EQ(new_style.entries[1].comment, "Comment2v2\n");
}

TEST(UnrarArchive, ACommentLargerThanTheBufferIsCutAndSaysSo) {
    REQUIRE_FIXTURES();
    std::vector<char> buffer(5, 'x');
    RAROpenArchiveData open;
    const std::string name = (kFixtures / "rar202-comment-nopsw.rar").string();
    open.ArcName = name.c_str();
    open.CmtBuf = buffer.data();
    open.CmtBufSize = static_cast<unsigned>(buffer.size());
    ArchiveHandle handle = tavox::unrar::RAROpenArchive(&open);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(open.CmtState, static_cast<unsigned>(tavox::unrar::ERAR_SMALL_BUF));
    EXPECT_EQ(std::string(buffer.data(), open.CmtSize), "RARc"s + '\0');
    tavox::unrar::RARCloseArchive(handle);
}

TEST(UnrarArchive, EncryptedFilesAreBadDataAndWriteNothingWithOrWithoutPassword) {
    REQUIRE_FIXTURES();
    for (const bool with_password : {false, true}) {
        SCOPED_TRACE(with_password);
        const auto setup = [with_password](ArchiveHandle handle) {
            if (with_password) {
                tavox::unrar::RARSetPassword(handle, "password");
            }
        };
        TempDir rar4;
        const Walk solid = WalkArchive(kFixtures / "test_read_format_rar4_solid_encrypted.rar",
                                       tavox::unrar::RAR_EXTRACT, rar4.Path(), setup);
        ASSERT_EQ(solid.entries.size(), 4u);
        for (const Entry& entry : solid.entries) {
            EXPECT_EQ(entry.result, tavox::unrar::ERAR_BAD_DATA) << entry.name;
        }
        EXPECT_TRUE(fs::is_empty(rar4.Path()));

        // RAR 5, every other file encrypted: the plain ones are extracted.
        TempDir rar5;
        const Walk mixed = WalkArchive(kFixtures / "test_read_format_rar5_encrypted.rar",
                                       tavox::unrar::RAR_EXTRACT, rar5.Path(), setup);
        ASSERT_EQ(mixed.entries.size(), 4u);
        EXPECT_EQ(mixed.entries[0].result, 0);
        EXPECT_EQ(mixed.entries[1].result, tavox::unrar::ERAR_BAD_DATA);
        EXPECT_EQ(mixed.entries[3].result, tavox::unrar::ERAR_BAD_DATA);
        EXPECT_TRUE(fs::exists(rar5 / "a.txt"));
        EXPECT_FALSE(fs::exists(rar5 / "b.txt"));
    }
}

TEST(UnrarArchive, EncryptedHeadersAreReportedOnceAsDamage) {
    REQUIRE_FIXTURES();
    RAROpenArchiveData open;
    const std::string name = (kFixtures / "test_read_format_rar_encryption_header.rar").string();
    open.ArcName = name.c_str();
    ArchiveHandle handle = tavox::unrar::RAROpenArchive(&open);
    ASSERT_NE(handle, nullptr);
    RARHeaderData header;
    EXPECT_EQ(tavox::unrar::RARReadHeader(handle, &header), tavox::unrar::ERAR_BAD_DATA);
    EXPECT_EQ(tavox::unrar::RARReadHeader(handle, &header), tavox::unrar::ERAR_END_ARCHIVE);
    tavox::unrar::RARCloseArchive(handle);
}

// A copy of a real archive with some bytes changed.
fs::path PatchedCopy(const TempDir& dir, const std::string& archive,
                     const std::function<void(std::string&)>& patch) {
    std::string bytes = ReadFile(kFixtures / archive);
    patch(bytes);
    const fs::path copy = dir / archive;
    tavox::test::WriteFile(copy, bytes);
    return copy;
}

TEST(UnrarArchive, AFileFailingItsCheckIsBadDataLeavesNothingAndTheWalkGoesOn) {
    REQUIRE_FIXTURES();
    TempDir dir;
    // The first file's stored data, "testdir\test.txt", with one byte changed.
    const auto volume = tavox::unrar::ReadVolume((kFixtures / "test_read_format_rar_windows.rar").string());
    ASSERT_TRUE(volume);
    const std::size_t data_at = volume->entries.at(0).data.offset;
    const fs::path damaged =
        PatchedCopy(dir, "test_read_format_rar_windows.rar", [data_at](std::string& bytes) {
            bytes[data_at] = static_cast<char>(bytes[data_at] ^ 0x20);
        });
    TempDir dest;
    const Walk walk = WalkArchive(damaged, tavox::unrar::RAR_EXTRACT, dest.Path());
    ASSERT_GE(walk.entries.size(), 2u);
    EXPECT_EQ(walk.entries[0].result, tavox::unrar::ERAR_BAD_DATA);
    EXPECT_FALSE(fs::exists(dest / "testdir" / "test.txt"));
    EXPECT_EQ(walk.entries[1].name, "test.txt");
    EXPECT_EQ(walk.entries[1].result, 0);
    EXPECT_EQ(walk.end, tavox::unrar::ERAR_END_ARCHIVE);
    // The directory holds only what was extracted: no temporary file is left of the damaged one.
    for (const auto& item : fs::recursive_directory_iterator(dest.Path())) {
        EXPECT_EQ(item.path().filename().string().find(".tavox"), std::string::npos) << item.path();
    }

    // Packed data that runs out: RAR 2.9 data cut short.
    const Walk truncated =
        WalkArchive(kFixtures / "test_read_format_rar_invalid1.rar", tavox::unrar::RAR_TEST);
    ASSERT_EQ(truncated.entries.size(), 1u);
    EXPECT_EQ(truncated.entries[0].result, tavox::unrar::ERAR_BAD_DATA);
}

// Rewrites a 32-bit field of the RAR 1.5-4 header at `header_at` and makes its check value right again.
void PatchHeaderField(std::string& bytes, std::size_t header_at, std::size_t field, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) {
        bytes[header_at + field + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    const auto size = static_cast<std::size_t>(static_cast<std::uint8_t>(bytes[header_at + 5]) |
                                               static_cast<std::uint8_t>(bytes[header_at + 6]) << 8);
    std::string header = bytes.substr(header_at, size);
    tavox::unrar::SealRar4Header(header);
    bytes.replace(header_at, size, header);
}

TEST(UnrarArchive, SizesClaimedBeyondTheArchiveCostNoMemoryOrTime) {
    REQUIRE_FIXTURES();
    // The first file header of test_read_format_rar_compress_best.rar starts at 20; its packed size is at
    // 7, its unpacked size at 11. Claimed as 4 GB each in turn.
    const auto extract = [](std::size_t field, const TempDir& dir, const TempDir& dest) {
        const fs::path archive =
            PatchedCopy(dir, "test_read_format_rar_compress_best.rar",
                        [field](std::string& bytes) { PatchHeaderField(bytes, 20, field, 0xFFFFFFF0); });
        const auto start = std::chrono::steady_clock::now();
        Walk walk = WalkArchive(archive, tavox::unrar::RAR_EXTRACT, dest.Path());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        return walk;
    };
    TempDir dir;
    TempDir unpacked_dest;
    const Walk unpacked = extract(11, dir, unpacked_dest);
    ASSERT_FALSE(unpacked.entries.empty());
    EXPECT_EQ(unpacked.entries[0].result, tavox::unrar::ERAR_BAD_DATA);
    EXPECT_FALSE(fs::exists(unpacked_dest / "LibarchiveAddingTest.html"));

    // The packed size swallows the rest of the archive: the file itself still checks out, and the walk
    // ends with it.
    TempDir packed_dest;
    const Walk packed = extract(7, dir, packed_dest);
    ASSERT_EQ(packed.entries.size(), 1u);
    EXPECT_EQ(packed.entries[0].result, 0);
    EXPECT_EQ(fs::file_size(packed_dest / "LibarchiveAddingTest.html"), 20111u);
}

TEST(UnrarArchive, PackedFilesOfAnArchiveWithAnOldStyleCommentAreUnpacked) {
    REQUIRE_FIXTURES();
    // rar2-unix-owner.rar (one RAR 2.0-packed file) given the comment that RAR 1.5-2.x put inside the main
    // header, outside the header's check value.
    TempDir dir;
    const std::string text = "Greetings from 1998";
    const fs::path archive = PatchedCopy(dir, "rar2-unix-owner.rar", [&text](std::string& bytes) {
        std::string comment(13, '\0');
        const auto put = [](std::string& out, std::size_t at, std::uint32_t value, std::size_t size) {
            for (std::size_t i = 0; i < size; ++i) {
                out[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
            }
        };
        put(comment, 2, 0x75, 1);
        put(comment, 5, static_cast<std::uint32_t>(13 + text.size()), 2);
        put(comment, 7, static_cast<std::uint32_t>(text.size()), 2);
        put(comment, 9, 20, 1);
        put(comment, 10, 0x30, 1);
        put(comment, 11, tavox::Crc32(text) & 0xFFFF, 2);
        comment += text;
        std::string main = bytes.substr(7, 13);
        put(main, 3, static_cast<std::uint8_t>(main[3]) | 0x02, 1);
        put(main, 5, static_cast<std::uint32_t>(13 + comment.size()), 2);
        tavox::unrar::SealRar4Header(main);
        bytes = bytes.substr(0, 7) + main + comment + bytes.substr(20);
    });
    TempDir plain;
    TempDir commented;
    ASSERT_EQ(WalkArchive(kFixtures / "rar2-unix-owner.rar", tavox::unrar::RAR_EXTRACT, plain.Path())
                  .entries.size(),
              1u);
    const Walk walk = WalkArchive(archive, tavox::unrar::RAR_EXTRACT, commented.Path());
    EXPECT_EQ(walk.comment, text);
    ASSERT_EQ(walk.entries.size(), 1u);
    EXPECT_EQ(walk.entries[0].result, 0);
    EXPECT_EQ(ReadFile(commented / "file.txt"), ReadFile(plain / "file.txt"));
    EXPECT_FALSE(ReadFile(plain / "file.txt").empty());
}

TEST(UnrarArchive, ADamagedHeaderEndsTheWalkWithBadDataOnce) {
    REQUIRE_FIXTURES();
    TempDir dir;
    const fs::path damaged = PatchedCopy(dir, "test_read_format_rar_windows.rar", [](std::string& bytes) {
        bytes[bytes.find("test.txt", bytes.find("testdir\\test.txt") + 16) - 1] ^= 0x01;
    });
    const Walk walk = WalkArchive(damaged, tavox::unrar::RAR_SKIP);
    EXPECT_EQ(walk.entries.size(), 1u);
    EXPECT_EQ(walk.end, tavox::unrar::ERAR_BAD_DATA);
}

TEST(UnrarArchive, SplitFilesAreJoinedAcrossVolumesWithTheCallbackTold) {
    REQUIRE_FIXTURES();
    static std::vector<std::string> notified;
    notified.clear();
    TempDir dest;
    const Walk walk = WalkArchive(kFixtures / "rar3-vols.part1.rar", tavox::unrar::RAR_EXTRACT, dest.Path(),
                                  [](ArchiveHandle handle) {
                                      tavox::unrar::RARSetChangeVolProc(handle, [](char* name, int mode) {
                                          EXPECT_EQ(mode, tavox::unrar::RAR_VOL_NOTIFY);
                                          notified.push_back(fs::path(name).filename().string());
                                          return 1;
                                      });
                                  });
    ASSERT_EQ(walk.entries.size(), 2u);
    EXPECT_EQ(walk.entries[0].result, 0);
    EXPECT_EQ(fs::file_size(dest / "vols" / "bigfile.txt"), 205000u);
    EXPECT_THAT(notified, testing::ElementsAre("rar3-vols.part2.rar", "rar3-vols.part3.rar"));

    // Packed (RAR 2.9) data split over volumes 3 and 4; the first file is 230 MB, skipped unread.
    TempDir packed;
    static int extracted = 0;
    extracted = 0;
    RAROpenArchiveData open;
    const std::string name = (kFixtures / "test_read_format_rar_multivolume.part0001.rar").string();
    open.ArcName = name.c_str();
    open.OpenMode = tavox::unrar::RAR_OM_EXTRACT;
    ArchiveHandle handle = tavox::unrar::RAROpenArchive(&open);
    ASSERT_NE(handle, nullptr);
    RARHeaderData header;
    const std::string dest_path = packed.Path().string();
    while (tavox::unrar::RARReadHeader(handle, &header) == 0) {
        const bool wanted = std::string(header.FileName) == "LibarchiveAddingTest.html";
        EXPECT_EQ(tavox::unrar::RARProcessFile(handle,
                                               wanted ? tavox::unrar::RAR_EXTRACT : tavox::unrar::RAR_SKIP,
                                               dest_path.c_str(), nullptr),
                  0);
        extracted += wanted ? 1 : 0;
    }
    tavox::unrar::RARCloseArchive(handle);
    EXPECT_EQ(extracted, 1);
    EXPECT_EQ(fs::file_size(packed / "LibarchiveAddingTest.html"), 20111u);
}

TEST(UnrarArchive, AMissingVolumeIsAskedForAndEndsInAnOpenError) {
    REQUIRE_FIXTURES();
    TempDir dir;
    fs::copy_file(kFixtures / "rar3-vols.part1.rar", dir / "rar3-vols.part1.rar");
    static std::vector<std::pair<std::string, int>> requests;
    requests.clear();
    TempDir dest;
    const Walk walk = WalkArchive(dir / "rar3-vols.part1.rar", tavox::unrar::RAR_EXTRACT, dest.Path(),
                                  [](ArchiveHandle handle) {
                                      tavox::unrar::RARSetChangeVolProc(handle, [](char* name, int mode) {
                                          requests.emplace_back(fs::path(name).filename().string(), mode);
                                          return -1;
                                      });
                                  });
    ASSERT_FALSE(walk.entries.empty());
    EXPECT_EQ(walk.entries[0].result, tavox::unrar::ERAR_EOPEN);
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0], std::pair("rar3-vols.part2.rar"s, tavox::unrar::RAR_VOL_ASK));
    EXPECT_FALSE(fs::exists(dest / "vols" / "bigfile.txt"));
}

TEST(UnrarArchive, TheDataCallbackSeesEveryByteAndCanStop) {
    REQUIRE_FIXTURES();
    static std::string seen;
    static bool stop = false;
    const auto setup = [](ArchiveHandle handle) {
        tavox::unrar::RARSetProcessDataProc(handle, [](unsigned char* data, int size) {
            seen.append(reinterpret_cast<const char*>(data), static_cast<std::size_t>(size));
            return stop ? -1 : 1;
        });
    };
    seen.clear();
    TempDir dest;
    const Walk walk = WalkArchive(kFixtures / "test_read_format_rar_compress_best.rar",
                                  tavox::unrar::RAR_EXTRACT, dest.Path(), setup);
    ASSERT_EQ(walk.entries.size(), 6u);
    EXPECT_EQ(seen, ReadFile(dest / "LibarchiveAddingTest.html") + ReadFile(dest / "testdir" / "test.txt") +
                        ReadFile(dest / "testdir" / "LibarchiveAddingTest.html"));

    stop = true;
    TempDir stopped;
    const Walk first = WalkArchive(kFixtures / "test_read_format_rar_compress_best.rar",
                                   tavox::unrar::RAR_EXTRACT, stopped.Path(), setup);
    stop = false;
    EXPECT_EQ(first.entries[0].result, tavox::unrar::ERAR_UNKNOWN);
    EXPECT_FALSE(fs::exists(stopped / "LibarchiveAddingTest.html"));
}

TEST(UnrarArchive, TheArchiveThatHangsLibarchiveReturnsInBoundedTime) {
    REQUIRE_FIXTURES();
    for (const int operation : {tavox::unrar::RAR_TEST, tavox::unrar::RAR_EXTRACT}) {
        TempDir dest;
        const auto start = std::chrono::steady_clock::now();
        const Walk walk =
            WalkArchive(kFixtures / "test_read_format_rar5_symlink.rar", operation, dest.Path());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
        EXPECT_EQ(walk.entries.size(), 4u);
        EXPECT_EQ(walk.end, tavox::unrar::ERAR_END_ARCHIVE);
        for (const Entry& entry : walk.entries) {
            EXPECT_EQ(entry.result, 0) << entry.name;
        }
        if (operation == tavox::unrar::RAR_EXTRACT) {
            EXPECT_EQ(ReadFile(dest / "file.txt"), "1234\n");
            EXPECT_FALSE(fs::exists(fs::symlink_status(dest / "dirlink")));
            EXPECT_TRUE(fs::is_directory(dest / "dir"));
        }
    }
}

TEST(UnrarArchive, LinksInArchivesAreNeverMadeAndNothingLandsOutside) {
    REQUIRE_FIXTURES();
    for (const std::string archive : {"rar5-evil-symlink-traversal.rar", "rar3-symlink-unix.rar"}) {
        SCOPED_TRACE(archive);
        TempDir dir;
        const fs::path target = dir / "target";
        fs::create_directory(target);
        const Walk walk = WalkArchive(kFixtures / archive, tavox::unrar::RAR_EXTRACT, target);
        for (const Entry& entry : walk.entries) {
            EXPECT_EQ(entry.result, 0) << entry.name;
        }
        for (const auto& item : fs::recursive_directory_iterator(dir.Path())) {
            EXPECT_FALSE(item.is_symlink()) << item.path();
            EXPECT_TRUE(item.path() == target || fs::relative(item.path(), target).string().find("..") != 0)
                << item.path();
        }
    }
}

// A copy of an archive with one file's name replaced by another of the same length, the header's check value
// made right again.
fs::path RenamedCopy(const TempDir& dir, const std::string& archive, const std::string& from,
                     const std::string& to) {
    return PatchedCopy(dir, archive, [&](std::string& bytes) {
        const std::size_t name_at = bytes.find(from);
        ASSERT_NE(name_at, std::string::npos);
        bytes.replace(name_at, from.size(), to);
        // The file header starts 32 bytes before its name (no 64-bit sizes here).
        const std::size_t header_at = name_at - 32;
        const auto size = static_cast<std::size_t>(static_cast<std::uint8_t>(bytes[header_at + 5]) |
                                                   static_cast<std::uint8_t>(bytes[header_at + 6]) << 8);
        std::string header = bytes.substr(header_at, size);
        tavox::unrar::SealRar4Header(header);
        bytes.replace(header_at, size, header);
    });
}

TEST(UnrarArchive, HostileNamesAreKeptInsideTheTarget) {
    REQUIRE_FIXTURES();
    // test_read_format_rar_windows.rar's "testdir\test.txt" (16 bytes) renamed.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"..\\..\\..\\est.txt", ""},               // climbs out: not created
        {"ab\\..\\..\\est.txt", ""},               // climbs out from inside
        {"C:\\Windows\\x.txt", "Windows/x.txt"},   // a drive letter is dropped
        {"\\\\evil\\share.txt", "evil/share.txt"}, // so are leading separators
        {"/etc/passwd.txtx", "etc/passwd.txtx"},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        ASSERT_EQ(name.size(), 16u);
        TempDir dir;
        const fs::path archive =
            RenamedCopy(dir, "test_read_format_rar_windows.rar", "testdir\\test.txt", name);
        // Deep enough that climbing three levels still lands inside the test's directory.
        const fs::path target = dir / "a" / "b" / "c" / "target";
        fs::create_directories(target);
        const Walk walk = WalkArchive(archive, tavox::unrar::RAR_EXTRACT, target);
        ASSERT_FALSE(walk.entries.empty());
        EXPECT_EQ(walk.entries[0].result, expected.empty() ? tavox::unrar::ERAR_ECREATE : 0);
        if (!expected.empty()) {
            EXPECT_TRUE(fs::is_regular_file(target / expected));
        }
        // The rest of the archive still came out, and nothing but directories lies outside the target.
        EXPECT_TRUE(fs::exists(target / "test.txt"));
        for (const auto& item : fs::recursive_directory_iterator(dir.Path())) {
            const bool inside = fs::relative(item.path(), target).string().find("..") != 0;
            EXPECT_TRUE(inside || item.path() == archive || item.is_directory()) << item.path();
        }
    }
}

TEST(UnrarArchive, AMissingOrForeignFileDoesNotOpen) {
    TempDir dir;
    tavox::test::WriteFile(dir / "not.rar", "this is no archive");
    for (const auto& [path, code] : {std::pair((dir / "missing.rar").string(), tavox::unrar::ERAR_EOPEN),
                                     std::pair((dir / "not.rar").string(), tavox::unrar::ERAR_BAD_ARCHIVE)}) {
        RAROpenArchiveData open;
        open.ArcName = path.c_str();
        EXPECT_EQ(tavox::unrar::RAROpenArchive(&open), nullptr);
        EXPECT_EQ(open.OpenResult, static_cast<unsigned>(code));
    }
}

} // namespace
