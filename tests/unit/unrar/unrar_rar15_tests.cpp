// RAR 1.5 compression, which only the unar program decodes here: the real archives made by RAR 1.5, what
// happens where unar is missing or fails, and stand-ins for unar that misbehave.
#include "support/poll.h"
#include "support/rar_fixtures.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"
#include "unrar/decoder_process.h"
#include "unrar/rar_volume.h"
#include "unrar/unrar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::RarFixture;
using test::ReadFile;
using test::ScopedEnvironmentVariable;
using test::TempDir;

#define REQUIRE_FIXTURES_AND_UNAR()                                                                          \
    if (!test::HaveRarFixtures() || !test::FindProgram("unar")) {                                            \
        GTEST_SKIP() << "no real archives in ../shared, or no unar";                                         \
    }

// What RARProcessFile answered for each entry, by the entry's name, and the archive comment's state.
struct Extraction {
    std::map<std::string, int> results;
    unsigned comment_state = 0;
    std::string comment;
};

Extraction Extract(const fs::path& archive, const fs::path& dest, int operation = unrar::RAR_EXTRACT) {
    Extraction extraction;
    std::string comment(1024, '\0');
    const std::string name = archive.string();
    unrar::RAROpenArchiveData open;
    open.ArcName = name.c_str();
    open.OpenMode = unrar::RAR_OM_EXTRACT;
    open.CmtBuf = comment.data();
    open.CmtBufSize = static_cast<unsigned>(comment.size());
    const unrar::ArchiveHandle handle = unrar::RAROpenArchive(&open);
    if (handle == nullptr) {
        return extraction;
    }
    extraction.comment_state = open.CmtState;
    extraction.comment = comment.substr(0, open.CmtSize > 0 ? open.CmtSize - 1 : 0);
    const std::string dest_path = dest.string();
    unrar::RARHeaderData header;
    while (unrar::RARReadHeader(handle, &header) == unrar::ERAR_SUCCESS) {
        extraction.results[header.FileName] =
            unrar::RARProcessFile(handle, operation, dest_path.c_str(), nullptr);
    }
    unrar::RARCloseArchive(handle);
    return extraction;
}

// Every path under a directory, relative to it.
std::vector<std::string> Listing(const fs::path& root) {
    std::vector<std::string> paths;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        paths.push_back(item.path().lexically_relative(root).string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// A directory with a stand-in for unar, to put on PATH in its place: a script that finds the real programs
// (unar among them) on the PATH the test started with.
struct StandIn {
    explicit StandIn(const std::string& body, const std::string& shell = "/bin/sh") {
        const char* path = std::getenv("PATH");
        test::WriteScript(dir / "unar",
                          "#!" + shell + "\nPATH='" + (path != nullptr ? path : "") + "'\n" + body + "\n");
    }
    TempDir dir;
};

TEST(UnrarRar15, PackedFilesUnpackThroughUnarToTheKnownSums) {
    REQUIRE_FIXTURES_AND_UNAR();
    TempDir dest;
    const Extraction extraction = Extract(RarFixture("rar15-sharpcompress.rar"), dest.Path());
    EXPECT_EQ(extraction.results,
              (std::map<std::string, int>{
                  {"EXE", 0}, {"EXE\\TEST.EXE", 0}, {"JPG", 0}, {"JPG\\TEST.JPG", 0}, {"TECT.TXT", 0}}));
    for (const test::KnownFile& file : test::Rar15SharpcompressFiles()) {
        EXPECT_EQ(test::Md5Hex(ReadFile(dest / file.path)), file.md5) << file.path;
    }
    // Nothing else: no file of unar's, no temporary one of ours.
    EXPECT_EQ(Listing(dest.Path()),
              (std::vector<std::string>{"EXE", "EXE/TEST.EXE", "JPG", "JPG/TEST.JPG", "TECT.TXT"}));

    const Extraction tested = Extract(RarFixture("rar15-sharpcompress.rar"), {}, unrar::RAR_TEST);
    EXPECT_EQ(tested.results.at("JPG\\TEST.JPG"), 0);
}

TEST(UnrarRar15, WhereUnarFailsTheFileIsBadDataAndTheStoredOneComesOut) {
    REQUIRE_FIXTURES_AND_UNAR();
    // unar gives up on the 7 bytes of FILE1.TXT; FILE2.TXT is stored. The comment is RAR 1.5-packed too.
    TempDir dest;
    const Extraction extraction = Extract(RarFixture("rar15-comment.rar"), dest.Path());
    EXPECT_EQ(extraction.results,
              (std::map<std::string, int>{{"FILE1.TXT", unrar::ERAR_BAD_DATA}, {"FILE2.TXT", 0}}));
    EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"FILE2.TXT"}));
    EXPECT_EQ(extraction.comment_state, 1u);
    EXPECT_EQ(extraction.comment.substr(0, 10), "RARcomment");
}

TEST(UnrarRar15, WithoutUnarPackedFilesAreAnUnknownFormatAndNothingOfThemIsWritten) {
    REQUIRE_FIXTURES_AND_UNAR();
    TempDir empty;
    const ScopedEnvironmentVariable path("PATH", empty.Path().string());
    TempDir dest;
    const Extraction mixed = Extract(RarFixture("rar15-comment.rar"), dest.Path());
    EXPECT_EQ(mixed.results,
              (std::map<std::string, int>{{"FILE1.TXT", unrar::ERAR_UNKNOWN_FORMAT}, {"FILE2.TXT", 0}}));
    EXPECT_EQ(mixed.comment_state, static_cast<unsigned>(unrar::ERAR_UNKNOWN_FORMAT));
    EXPECT_EQ(Listing(dest.Path()), (std::vector<std::string>{"FILE2.TXT"}));

    TempDir packed_dest;
    const Extraction packed = Extract(RarFixture("rar15-sharpcompress.rar"), packed_dest.Path());
    EXPECT_EQ(packed.results.at("EXE\\TEST.EXE"), unrar::ERAR_UNKNOWN_FORMAT);
    EXPECT_EQ(Listing(packed_dest.Path()), (std::vector<std::string>{"EXE", "JPG"}));
}

TEST(UnrarRar15, AnUnarThatGivesTooLittleTooMuchWrongBytesOrAnErrorIsNeverASuccess) {
    REQUIRE_FIXTURES_AND_UNAR();
    // EXE/TEST.EXE holds 45056 bytes.
    for (const std::string body : {"printf 'MZ'", "exit 0", "head -c 45056 /dev/zero",
                                   "head -c 90112 /dev/zero", "unar \"$@\"; exit 1"}) {
        SCOPED_TRACE(body);
        const StandIn stand_in(body);
        const ScopedEnvironmentVariable path("PATH", stand_in.dir.Path().string());
        TempDir dest;
        const Extraction extraction = Extract(RarFixture("rar15-sharpcompress.rar"), dest.Path());
        EXPECT_EQ(extraction.results.at("EXE\\TEST.EXE"), unrar::ERAR_BAD_DATA);
        EXPECT_FALSE(fs::exists(dest / "EXE" / "TEST.EXE"));
    }
}

TEST(UnrarRar15, InASolidArchiveTheEarlierFilesAreUnpackedAlongAndLeftOut) {
    REQUIRE_FIXTURES_AND_UNAR();
    // rar3-solid.rar (two solid files of 2048 bytes, RAR 2.9 packed) marked as packed by RAR 1.5, so that it
    // goes to unar; the stand-in hands unar the real archive in place of ours.
    TempDir dir;
    std::string bytes = ReadFile(RarFixture("rar3-solid.rar"));
    const auto volume = unrar::ReadVolume(RarFixture("rar3-solid.rar").string());
    ASSERT_TRUE(volume);
    for (const unrar::RarEntry& entry : volume->entries) {
        const std::size_t header_at = entry.data.offset - entry.decoder_header.size();
        std::string header = entry.decoder_header;
        header[24] = 15;
        unrar::SealRar4Header(header);
        bytes.replace(header_at, header.size(), header);
    }
    test::WriteFile(dir / "solid.rar", bytes);
    const StandIn stand_in("args=()\nfor arg; do [[ -f $arg ]] && arg='" +
                               RarFixture("rar3-solid.rar").string() +
                               "'; args+=(\"$arg\"); done\nexec unar \"${args[@]}\"",
                           "/bin/bash");
    const ScopedEnvironmentVariable path("PATH", stand_in.dir.Path().string());
    TempDir ours;
    const Extraction extraction = Extract(dir / "solid.rar", ours.Path());
    EXPECT_EQ(extraction.results, (std::map<std::string, int>{{"stest1.txt", 0}, {"stest2.txt", 0}}));
    TempDir reference;
    EXPECT_EQ(Extract(RarFixture("rar3-solid.rar"), reference.Path()).results, extraction.results);
    EXPECT_EQ(ReadFile(ours / "stest2.txt"), ReadFile(reference / "stest2.txt"));
    EXPECT_EQ(ReadFile(ours / "stest1.txt").size(), 2048u);
}

// True once the process is gone or only a zombie (nobody may reap it in a container).
bool HasEnded(int pid) {
    const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t state_at = stat.rfind(')');
    return stat.empty() || (state_at != std::string::npos && stat.substr(state_at + 2, 1) == "Z");
}

TEST(UnrarRar15, AnUnarThatHangsIsStoppedAndDoesNotOutliveItsWorker) {
    // The stand-in tells its process number as the first bytes of "data", then hangs.
    const StandIn stand_in("echo $$\nexec sleep 60");
    const ScopedEnvironmentVariable path("PATH", stand_in.dir.Path().string());
    unrar::DecoderProcess process(unrar::DecoderProcess::DefaultWorkerPath(), std::chrono::milliseconds(500));
    unrar::protocol::Stream stream;
    stream.decoder = unrar::protocol::Decoder::Rar15;
    stream.pieces.push_back({"Rar!", 0, 0, 0, false});
    unrar::protocol::Request request;
    request.unp_size = 100;
    std::string pid;
    EXPECT_EQ(process.Decode(stream, request,
                             [&pid](std::span<const std::uint8_t> block) {
                                 pid.append(block.begin(), block.end());
                                 return true;
                             }),
              unrar::DecodeResult::Stalled);
    ASSERT_FALSE(pid.empty());
    EXPECT_TRUE(test::PollUntil([&pid] { return HasEnded(std::stoi(pid)); }));
}

} // namespace
} // namespace tavox
