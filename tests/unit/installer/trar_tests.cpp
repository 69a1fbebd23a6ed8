#include "installer/trar.h"

#include "platform/drive_map.h"
#include "rar-writer/rar_writer.h"
#include "support/rar_fixtures.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

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

// What the component asked of the library, for the tests that care about the calls themselves. The library's
// entry points are plain functions, so the record is one per program.
struct LibraryCalls {
    int opens = 0;
    int open_handles = 0;
    std::vector<std::string> passwords;
    int data_procs = 0;
};
LibraryCalls calls;

UnrarLibrary WatchedLibrary() {
    calls = LibraryCalls();
    UnrarLibrary library;
    library.RAROpenArchive = [](unrar::RAROpenArchiveData* data) {
        ++calls.opens;
        const unrar::ArchiveHandle handle = unrar::RAROpenArchive(data);
        calls.open_handles += handle ? 1 : 0;
        return handle;
    };
    library.RARCloseArchive = [](unrar::ArchiveHandle handle) {
        --calls.open_handles;
        return unrar::RARCloseArchive(handle);
    };
    library.RARSetPassword = [](unrar::ArchiveHandle handle, const char* password) {
        calls.passwords.emplace_back(password);
        unrar::RARSetPassword(handle, password);
    };
    library.RARSetProcessDataProc = [](unrar::ArchiveHandle handle, unrar::ProcessDataProc proc) {
        ++calls.data_procs;
        unrar::RARSetProcessDataProc(handle, proc);
    };
    return library;
}

// Every event the component raised, in order, as text.
using Events = std::vector<std::string>;

class TrarFixture : public testing::Test {
protected:
    explicit TrarFixture(rw::Format format = rw::Format::Rar4) : format_(format) {
        drives_.Map('C', dir_ / "c", DriveType::Fixed);
        drives_.Map('D', dir_ / "d", DriveType::CdRom);
        fs::create_directories(dir_ / "c");
        fs::create_directories(dir_ / "d" / "DEMOS");
        // The directory chooser creates the target before anything is unpacked into it.
        fs::create_directories(Target());
    }

    // Writes the archive as D:\DEMOS\GAME.RAR and points a component at it, extracting into C:\GAMES\X.
    void WriteArchive(std::vector<rw::Entry> entries, std::string comment = {}) {
        rw::Archive archive;
        archive.format = format_;
        archive.entries = std::move(entries);
        archive.comment = std::move(comment);
        ASSERT_TRUE(rw::WriteArchive(dir_ / "d" / "DEMOS" / "GAME.RAR", archive));
    }

    // A component that records its events.
    std::unique_ptr<TRAR> Component(UnrarLibrary library = UnrarLibrary()) {
        auto rar = std::make_unique<TRAR>(drives_, library);
        rar->ArchiveName = "D:\\DEMOS\\GAME.RAR";
        rar->TargetDir = "C:\\GAMES\\X";
        rar->OnError = [this](TRAR&, int code) { events_.push_back("error " + std::to_string(code)); };
        rar->OnListFile = [this](TRAR&, const unrar::RARHeaderData& file) {
            events_.push_back("list " + std::string(file.FileName));
        };
        rar->OnExtracting = [this](TRAR&, const unrar::RARHeaderData& file) {
            events_.push_back("extracting " + std::string(file.FileName));
        };
        rar->OnExtract = [this](TRAR&, const unrar::RARHeaderData& file, bool ok) {
            events_.push_back("extract " + std::string(file.FileName) + (ok ? " ok" : " failed"));
        };
        rar->OnComment = [this](TRAR&, const TComment& comment) {
            // The size counts the terminating zero.
            const std::string_view text(comment.Text.data(), static_cast<std::size_t>(comment.Size));
            events_.push_back("comment " + std::string(text.substr(0, text.find('\0'))));
        };
        return rar;
    }

    fs::path Target() const { return dir_ / "c" / "GAMES" / "X"; }

    rw::Format format_;
    TempDir dir_;
    DriveMap drives_;
    Events events_;
};

class TrarTest : public TrarFixture, public testing::WithParamInterface<rw::Format> {
protected:
    TrarTest() : TrarFixture(GetParam()) {}
};

std::vector<rw::Entry> ThreeFiles() {
    return {rw::File("A.TXT", "first"), rw::File("B.TXT", "second"), rw::File("C.TXT", "third")};
}

TEST_P(TrarTest, ExtractsDirectoriesAndFilesIntoTheTargetWithTheComment) {
    WriteArchive({rw::Directory("GAME"), rw::File("GAME\\README.TXT", "read me\r\n"),
                  rw::File("GAME\\DATA\\LEVEL.DAT", std::string(70000, 'L'))},
                 "Visit us");
    const auto rar = Component();
    EXPECT_TRUE(rar->Extract());
    EXPECT_EQ(events_, (Events{"comment Visit us", "extracting GAME", "extract GAME ok",
                               "extracting GAME\\README.TXT", "extract GAME\\README.TXT ok",
                               "extracting GAME\\DATA\\LEVEL.DAT", "extract GAME\\DATA\\LEVEL.DAT ok"}));
    EXPECT_EQ(ReadFile(Target() / "GAME" / "README.TXT"), "read me\r\n");
    EXPECT_TRUE(ReadFile(Target() / "GAME" / "DATA" / "LEVEL.DAT") == std::string(70000, 'L'));
}

TEST_P(TrarTest, ListReportsEveryEntryAndWritesNothing) {
    WriteArchive({rw::Directory("GAME"), rw::File("GAME\\A.TXT", "a"), rw::File("B.TXT", "b")});
    const auto rar = Component();
    rar->List();
    EXPECT_EQ(events_, (Events{"list GAME", "list GAME\\A.TXT", "list B.TXT"}));
    EXPECT_TRUE(fs::is_empty(Target()));
}

TEST_P(TrarTest, StopInAHandlerEndsTheWalkAtTheNextEntryAndIsCleared) {
    WriteArchive(ThreeFiles());
    const auto rar = Component();
    rar->OnExtract = [this](TRAR& sender, const unrar::RARHeaderData& file, bool) {
        events_.push_back(std::string("extract ") + file.FileName);
        sender.Stop = true;
    };
    EXPECT_TRUE(rar->Extract());
    EXPECT_FALSE(rar->Stop);
    EXPECT_EQ(events_, (Events{"extracting A.TXT", "extract A.TXT"}));
    EXPECT_TRUE(fs::exists(Target() / "A.TXT"));
    EXPECT_FALSE(fs::exists(Target() / "B.TXT"));

    events_.clear();
    rar->OnListFile = [this](TRAR& sender, const unrar::RARHeaderData& file) {
        events_.push_back(std::string("list ") + file.FileName);
        sender.Stop = true;
    };
    rar->List();
    EXPECT_FALSE(rar->Stop);
    EXPECT_EQ(events_, (Events{"list A.TXT"}));
}

TEST_P(TrarTest, FilesToExtractPicksEntriesWithoutRegardToCase) {
    WriteArchive(
        {rw::File("GAME\\README.TXT", "r"), rw::File("GAME\\SETUP.EXE", "s"), rw::File("OTHER.TXT", "o")});
    const auto rar = Component();
    rar->FilesToExtract.Assign({"game\\readme.txt", "missing.txt"});
    EXPECT_TRUE(rar->Extract());
    EXPECT_EQ(events_, (Events{"extracting GAME\\README.TXT", "extract GAME\\README.TXT ok"}));
    EXPECT_EQ(ReadFile(Target() / "GAME" / "README.TXT"), "r");
    EXPECT_FALSE(fs::exists(Target() / "GAME" / "SETUP.EXE"));
    EXPECT_FALSE(fs::exists(Target() / "OTHER.TXT"));
}

TEST_P(TrarTest, AFileThatCannotBeCreatedIsReportedAndTheRestExtracted) {
    WriteArchive({rw::File("A.TXT", "a"), rw::File("B.TXT", "b"), rw::File("SUB\\C.TXT", "c"),
                  rw::File("D.TXT", "d")});
    // A plain file where the third entry needs its directory.
    test::WriteFile(Target() / "SUB", "in the way");
    const auto rar = Component();
    EXPECT_FALSE(rar->Extract());
    EXPECT_EQ(events_, (Events{"extracting A.TXT", "extract A.TXT ok", "extracting B.TXT", "extract B.TXT ok",
                               "extracting SUB\\C.TXT", "extract SUB\\C.TXT failed", "error 16",
                               "extracting D.TXT", "extract D.TXT ok"}));
    EXPECT_EQ(ReadFile(Target() / "D.TXT"), "d");
    EXPECT_EQ(ReadFile(Target() / "SUB"), "in the way");
}

TEST_P(TrarTest, ADamagedFileIsReportedAndExtractionGoesOn) {
    std::vector<rw::Entry> entries = ThreeFiles();
    entries[1].bad_crc = true;
    WriteArchive(entries);
    const auto rar = Component();
    int reported = 0;
    rar->OnError = [&](TRAR&, int code) {
        reported = code;
        EXPECT_EQ(TRAR::ErrorText(code), "CRC error, data damaged");
    };
    EXPECT_FALSE(rar->Extract());
    EXPECT_EQ(reported, unrar::ERAR_BAD_DATA);
    EXPECT_EQ(ReadFile(Target() / "C.TXT"), "third");
}

TEST_P(TrarTest, ADamagedHeaderOrACutArchiveIsAFailure) {
    std::vector<rw::Entry> entries = ThreeFiles();
    entries[1].bad_header_crc = true;
    WriteArchive(entries);
    const auto rar = Component();
    EXPECT_FALSE(rar->Extract());
    ASSERT_FALSE(events_.empty());
    EXPECT_EQ(events_.back(), "error 12");
    events_.clear();
    rar->List();
    EXPECT_EQ(events_, (Events{"list A.TXT", "error 12"}));

    rw::Archive cut;
    cut.format = format_;
    cut.entries = ThreeFiles();
    cut.truncate_at = rw::Write(cut).size() - 12;
    ASSERT_TRUE(rw::WriteArchive(dir_ / "d" / "DEMOS" / "GAME.RAR", cut));
    events_.clear();
    EXPECT_FALSE(rar->Extract());
    EXPECT_NE(std::find_if(events_.begin(), events_.end(),
                           [](const std::string& e) { return e.starts_with("error"); }),
              events_.end());
}

TEST_P(TrarTest, AnEncryptedFileWithoutAPasswordHandlerFailsWithoutAPasswordSet) {
    std::vector<rw::Entry> entries = ThreeFiles();
    entries[0].encrypted = true;
    WriteArchive(entries);
    const auto rar = Component(WatchedLibrary());
    EXPECT_FALSE(rar->Extract());
    EXPECT_TRUE(calls.passwords.empty());
    ASSERT_GE(events_.size(), 3u);
    EXPECT_EQ(events_[1], "extract A.TXT failed");
    EXPECT_TRUE(events_[2].starts_with("error "));
    EXPECT_NE(ReadFile(Target() / "A.TXT"), "first");
}

TEST_P(TrarTest, ThePasswordHandlerIsAskedForEncryptedFilesAndItsAnswerKept) {
    std::vector<rw::Entry> entries = ThreeFiles();
    entries[0].encrypted = true;
    entries[2].encrypted = true;
    WriteArchive(entries);
    const auto rar = Component(WatchedLibrary());
    Events asked;
    rar->OnReqPassword = [&](TRAR&, const unrar::RARHeaderData& file, std::string& password) {
        asked.push_back(std::string(file.FileName) + " [" + password + "]");
        if (password.empty()) {
            password = "tavox";
        }
    };
    rar->Extract();
    EXPECT_EQ(asked, (Events{"A.TXT []", "C.TXT [tavox]"}));
    EXPECT_EQ(calls.passwords, (std::vector<std::string>{"tavox", "tavox"}));
    EXPECT_EQ(ReadFile(Target() / "B.TXT"), "second");
}

TEST_P(TrarTest, DataGoesToOnProcessDataWithTheRunningPositionOfEachFile) {
    const std::string big(200000, 'x');
    WriteArchive({rw::File("BIG.DAT", big), rw::File("SMALL.TXT", "small")});

    const auto silent = Component(WatchedLibrary());
    EXPECT_TRUE(silent->Extract());
    EXPECT_EQ(calls.data_procs, 0);

    const auto rar = Component(WatchedLibrary());
    std::vector<std::string> received(1);
    int position = 0;
    rar->OnExtracting = [&](TRAR&, const unrar::RARHeaderData&) { received.emplace_back(); };
    rar->OnProcessData = [&](TRAR&, unsigned char* addr, int size, int new_position) {
        received.back().append(reinterpret_cast<const char*>(addr), static_cast<std::size_t>(size));
        EXPECT_EQ(new_position, static_cast<int>(received.back().size()));
        position = new_position;
        return 1;
    };
    EXPECT_TRUE(rar->Extract());
    EXPECT_EQ(calls.data_procs, 1);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_TRUE(received[0].empty());
    EXPECT_TRUE(received[1] == big) << received[1].size() << " bytes";
    EXPECT_EQ(received[2], "small");
    EXPECT_EQ(position, 5);
}

TEST_P(TrarTest, ATargetOutsideEveryDriveCreatesNothing) {
    WriteArchive({rw::Directory("GAME"), rw::File("GAME\\A.TXT", "a")});
    const auto rar = Component();
    rar->TargetDir = "Q:\\GAMES";
    EXPECT_FALSE(rar->Extract());
    EXPECT_EQ(events_, (Events{"extracting GAME", "extract GAME failed", "error 16", "extracting GAME\\A.TXT",
                               "extract GAME\\A.TXT failed", "error 16"}));
    std::vector<fs::path> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir_.Path())) {
        written.push_back(entry.path().lexically_relative(dir_.Path()));
    }
    EXPECT_EQ(written.size(), 6u); // c, c/GAMES, c/GAMES/X, d, d/DEMOS, d/DEMOS/GAME.RAR
}

INSTANTIATE_TEST_SUITE_P(BothFormats, TrarTest, testing::Values(rw::Format::Rar4, rw::Format::Rar5),
                         FormatName);

using TrarOpenTest = TrarFixture;

TEST_F(TrarOpenTest, AnEmptyArchiveNameIsNotAnArchiveAndNothingIsOpened) {
    const auto rar = Component(WatchedLibrary());
    rar->ArchiveName.clear();
    EXPECT_FALSE(rar->Extract());
    EXPECT_EQ(events_, (Events{"error 13"}));
    EXPECT_EQ(calls.opens, 0);
}

TEST_F(TrarOpenTest, AnArchiveThatCannotBeOpenedIsReportedWithNothingLeftOpen) {
    for (const std::string name : {"D:\\DEMOS\\MISSING.RAR", "Q:\\GAME.RAR"}) {
        events_.clear();
        const auto rar = Component(WatchedLibrary());
        rar->ArchiveName = name;
        int open_at_error = -1;
        rar->OnError = [&](TRAR&, int code) {
            events_.push_back("error " + std::to_string(code));
            open_at_error = calls.open_handles;
        };
        EXPECT_FALSE(rar->Extract()) << name;
        EXPECT_EQ(events_, (Events{"error 15"})) << name;
        EXPECT_EQ(open_at_error, 0) << name;
        rar->List();
        EXPECT_EQ(events_, (Events{"error 15", "error 15"})) << name;
    }
}

// The archives made by RAR 1.5, whose packing only unar decodes here.
class TrarRar15Test : public TrarFixture {
protected:
    void SetUp() override {
        if (!test::HaveRarFixtures() || !test::FindProgram("unar")) {
            GTEST_SKIP() << "no real archives in ../shared, or no unar";
        }
    }

    void UseFixture(std::string_view name) {
        fs::copy_file(test::RarFixture(name), dir_ / "d" / "DEMOS" / "GAME.RAR",
                      fs::copy_options::overwrite_existing);
    }
};

TEST_F(TrarRar15Test, ExtractsTheFilesWithTheirKnownSums) {
    UseFixture("rar15-sharpcompress.rar");
    const auto rar = Component();
    EXPECT_TRUE(rar->Extract());
    EXPECT_EQ(std::count_if(events_.begin(), events_.end(),
                            [](const std::string& event) { return event.ends_with(" ok"); }),
              5);
    for (const test::KnownFile& file : test::Rar15SharpcompressFiles()) {
        EXPECT_EQ(test::Md5Hex(ReadFile(Target() / file.path)), file.md5) << file.path;
    }
}

TEST_F(TrarRar15Test, AFileUnarCannotUnpackIsADamagedFileNotASuccess) {
    UseFixture("rar15-comment.rar");
    const auto rar = Component();
    EXPECT_FALSE(rar->Extract());
    ASSERT_FALSE(events_.empty());
    EXPECT_TRUE(events_[0].starts_with("comment RARcomment")) << events_[0];
    EXPECT_EQ(Events(events_.begin() + 1, events_.end()),
              (Events{"extracting FILE1.TXT", "extract FILE1.TXT failed", "error 12", "extracting FILE2.TXT",
                      "extract FILE2.TXT ok"}));
    EXPECT_FALSE(fs::exists(Target() / "FILE1.TXT"));
}

TEST_F(TrarRar15Test, WithoutUnarThePackedFilesAreAnUnknownFormat) {
    UseFixture("rar15-sharpcompress.rar");
    const TempDir empty;
    const test::ScopedEnvironmentVariable path("PATH", empty.Path().string());
    const auto rar = Component();
    // A file of a format the library does not know ends the extraction there.
    EXPECT_FALSE(rar->Extract());
    EXPECT_EQ(events_, (Events{"extracting EXE", "extract EXE ok", "extracting EXE\\TEST.EXE",
                               "extract EXE\\TEST.EXE failed", "error 14"}));
    EXPECT_FALSE(fs::exists(Target() / "EXE" / "TEST.EXE"));
}

} // namespace
} // namespace tavox
