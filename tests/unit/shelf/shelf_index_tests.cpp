// Shelves of small discs made at test time: what the index keeps, how it follows the folder, and what a
// search finds across discs of different editions.
#include "catalogue/records.h"
#include "shelf/shelf_index.h"
#include "shelf/shelf_marks.h"
#include "support/disc_images.h"
#include "support/temp_dir.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// A Czech edition (code page 1250): "Žluťoučký Soft", "Závod kánoí".
const std::string kCzechDisc =
    "[Main]\r\nCD=1298\r\nVersion=1\r\nDemos=1\r\nShareware=1\r\nUpdates=1\r\n"
    "Readers=1\r\n[Demo1]\r\nName=Turbo Kanoe\r\nFirm=\x8Elu\x9Dou\xE8k\xFD Soft\r\n"
    "Describe0=A canoe race\r\nDescribe1=Z\xE1vod k\xE1no\xED\r\nPicture=KANOE\r\n"
    "[Share1]\r\nName=WinZap\r\nDescribe0=Zip tool\r\n"
    "[Updates]\r\nUpdate1=Quake patch,1.06,QUAKE\\Q106.EXE,,0\r\n"
    "[Reader1]\r\nName=Kostky\r\nFirm=Pepa\r\n";
// A Turkish edition (code page 1254, where 0xFE is "ş" and not "ţ"): "Güneş".
const std::string kTurkishDisc = "[Main]\r\nCD=0100\r\nVersion=2\r\nDemos=1\r\n"
                                 "[Demo1]\r\nName=Kartal\r\nDescribe2=G\xFCne\xFE\r\n";

class ShelfIndexTest : public testing::Test {
protected:
    fs::path Shelf() const { return dir_ / "shelf"; }
    fs::path IndexFile() const { return dir_ / "cache" / "shelf.sqlite"; }

    // A disc's folder on the shelf, with its catalogue.
    fs::path AddDisc(const std::string& name, const std::string& catalogue) const {
        test::WriteFile(Shelf() / name / "TAVOX" / "TAVOX95.INI", catalogue);
        return Shelf() / name;
    }

    static std::vector<std::string> Found(const ShelfIndex& index, const fs::path& shelf,
                                          std::string_view words) {
        std::vector<std::string> found;
        for (const ShelfHit& hit : index.Search(shelf, words)) {
            found.push_back(hit.cd_issue + " " + std::string(ShelfPageName(hit.page)) + " " + hit.name);
        }
        return found;
    }

    TempDir dir_;
};

TEST_F(ShelfIndexTest, SearchMatchesEveryWordWithoutCaseOrAccents) {
    AddDisc("1998-12", kCzechDisc);
    AddDisc("2000-01", kTurkishDisc);
    ShelfIndex index(IndexFile());
    index.Refresh(Shelf());
    const std::vector<std::string> kanoe = {"1298 Demos TURBO KANOE"};
    const struct {
        std::string_view words;
        std::vector<std::string> found;
    } cases[] = {
        {"zlutoucky", kanoe},                    // the maker, decoded from code page 1250
        {"turbo kanoe", kanoe},                  // every word
        {"kanoe zip", {}},                       // one word on another item
        {"ZAVOD kanoi", kanoe},                  // the local description
        {"canoe", kanoe},                        // the English one
        {"tur", kanoe},                          // the beginning of a word
        {"gunes", {"0100 Demos KARTAL"}},        // code page 1254, another edition's key
        {"zip", {"1298 Shareware WinZap"}},      //
        {"quake", {"1298 Updates Quake patch"}}, //
        {"pepa", {"1298 Readers Kostky"}},       // a reader's author
        {"\"", {}},                              // no syntax of the index's own reaches it
        {"a", {"1298 Demos TURBO KANOE"}},       // one letter
    };
    for (const auto& [words, found] : cases) {
        EXPECT_EQ(Found(index, Shelf(), words), found) << words;
    }
}

TEST_F(ShelfIndexTest, OpeningReadsOnlyWhatChanged) {
    AddDisc("a", kCzechDisc);
    const fs::path turkish = AddDisc("b", kTurkishDisc);
    test::WriteFile(Shelf() / "broken.iso", "no disc at all");
    {
        ShelfIndex index(IndexFile());
        EXPECT_EQ(index.Refresh(Shelf()), 3u);
    }
    ShelfIndex index(IndexFile());
    EXPECT_EQ(index.Refresh(Shelf()), 0u) << "an unchanged shelf, the file that is no disc included";

    test::WriteFile(turkish / "TAVOX" / "TAVOX95.INI", kTurkishDisc + "[Demo2]\r\n");
    EXPECT_EQ(index.Refresh(Shelf()), 1u);
    fs::remove_all(Shelf() / "a");
    EXPECT_EQ(index.Refresh(Shelf()), 0u);

    const std::vector<ShelfListing> listings = index.Listings(Shelf(), false);
    ASSERT_EQ(listings.size(), 2u);
    EXPECT_EQ(listings[0].disc.cd_issue, "0100");
    EXPECT_EQ(listings[1].path, (Shelf() / "broken.iso").string());
    EXPECT_NE(listings[1].reason, "");
    EXPECT_TRUE(Found(index, Shelf(), "zlutoucky").empty()) << "a removed disc is no longer searched";
}

TEST_F(ShelfIndexTest, HitsFollowTheIssuesWhateverOrderTheDiscsCameIn) {
    ShelfIndex index(IndexFile());
    const auto found = [&index, this](std::size_t limit) {
        std::vector<std::string> discs;
        for (const ShelfHit& hit : index.Search(Shelf(), "kartal", limit)) {
            discs.push_back(fs::path(hit.path).filename().string());
        }
        return discs;
    };
    // Each step adds discs of these issues, or removes one, and refreshes; discs of one issue go by name.
    const struct {
        std::vector<std::pair<std::string, std::string>> added; // name, issue
        std::string removed;
        std::vector<std::string> found;
    } steps[] = {
        {{{"m", "1298"}}, "", {"m"}},
        {{{"k", "1298"}}, "", {"k", "m"}},
        {{{"a", "1298"}, {"z", "0199"}, {"b", "1197"}}, "", {"b", "a", "k", "m", "z"}},
        {{{"l", "1298"}}, "k", {"b", "a", "l", "m", "z"}},
    };
    for (const auto& [added, removed, expected] : steps) {
        for (const auto& [name, issue] : added) {
            std::string catalogue = kTurkishDisc;
            catalogue.replace(catalogue.find("CD=0100"), 7, "CD=" + issue);
            AddDisc(name, catalogue);
        }
        if (!removed.empty()) {
            fs::remove_all(Shelf() / removed);
        }
        index.Refresh(Shelf());
        EXPECT_EQ(found(SIZE_MAX), expected);
    }
    EXPECT_EQ(found(2), (std::vector<std::string>{"b", "a"})) << "the first ones";
}

TEST_F(ShelfIndexTest, DamagedOrForeignIndexIsMadeAnew) {
    AddDisc("a", kCzechDisc);
    const auto run = [](const fs::path& file, const char* sql) {
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
    };
    const auto foreign = [&run](const fs::path& file) {
        run(file, "CREATE TABLE files(path TEXT); INSERT INTO files VALUES('x');");
    };
    const auto truncated = [this](const fs::path& file) {
        { ShelfIndex(IndexFile()).Refresh(Shelf()); }
        const std::string whole = test::ReadFile(file);
        fs::remove(file.string() + "-wal");
        test::WriteFile(file, whole.substr(0, whole.size() / 2));
    };
    const auto garbage = [](const fs::path& file) { test::WriteFile(file, std::string(8192, '\x5A')); };
    const auto previous_version = [&run, this](const fs::path& file) {
        { ShelfIndex(IndexFile()).Refresh(Shelf()); }
        run(file, "PRAGMA user_version = 2");
    };
    const std::vector<std::function<void(const fs::path&)>> damages = {foreign, truncated, garbage,
                                                                       previous_version};
    for (const auto& damage : damages) {
        fs::remove_all(IndexFile().parent_path());
        fs::create_directories(IndexFile().parent_path());
        damage(IndexFile());
        ShelfIndex index(IndexFile());
        EXPECT_EQ(index.Notice(), "");
        EXPECT_EQ(index.Refresh(Shelf()), 1u) << "the disc is read again";
        EXPECT_EQ(Found(index, Shelf(), "zlutoucky").size(), 1u);
        EXPECT_EQ(ShelfIndex(IndexFile()).Refresh(Shelf()), 0u) << "the new index is kept";
    }
}

TEST_F(ShelfIndexTest, UnwritableCacheFolderKeepsTheIndexInMemoryAndSaysSo) {
    AddDisc("a", kCzechDisc);
    test::WriteFile(dir_ / "cache", "a file where the folder belongs");
    ShelfIndex index(IndexFile());
    EXPECT_NE(index.Notice().find((dir_ / "cache").string()), std::string::npos);
    index.Refresh(Shelf());
    EXPECT_EQ(Found(index, Shelf(), "kanoe").size(), 1u);
}

TEST_F(ShelfIndexTest, ImagesAreReadWithoutUnpackingThem) {
    if (!test::HaveXorriso()) {
        GTEST_SKIP() << "xorriso is not installed";
    }
    const fs::path tree = AddDisc("tree", kCzechDisc);
    test::WriteFile(tree / "TAVOX" / "RGB" / "KANOE01.BMP", "BM picture");
    fs::create_directories(Shelf() / "iso");
    fs::create_directories(Shelf() / "raw");
    ASSERT_TRUE(test::MakeIso(tree, Shelf() / "iso" / "TAVOX1298.ISO", "TAVOX_1298", {"-joliet", "on"}));
    ASSERT_TRUE(test::MakeRawImage(Shelf() / "iso" / "TAVOX1298.ISO", Shelf() / "raw" / "disc.bin",
                                   test::RawFormat::Mode2Form1));
    test::WriteFile(Shelf() / "raw" / "disc.cue", "FILE \"disc.bin\" BINARY\n  TRACK 01 MODE2/2352\n"
                                                  "    INDEX 01 00:00:00\n");
    ShelfIndex index(IndexFile());
    EXPECT_EQ(index.Refresh(Shelf()), 3u) << "the folder, the image and the cue sheet, not its .bin";
    for (const ShelfListing& listing : index.Listings(Shelf(), true)) {
        EXPECT_EQ(listing.reason, "") << listing.path;
        EXPECT_EQ(listing.disc.cd_issue, "1298") << listing.path;
        EXPECT_EQ(listing.disc.picture, "BM picture") << listing.path;
    }
    EXPECT_EQ(Found(index, Shelf(), "zlutoucky").size(), 3u);
}

// Each disc of an archive is an issue of its own, named below the archive; an unchanged archive is not read
// again, and one that lost a disc loses its row.
TEST_F(ShelfIndexTest, AnArchiveOfSeveralDiscsListsEachAsItsIssue) {
    if (!test::HaveXorriso() || !test::RunQuietly({"7z", "i"})) {
        GTEST_SKIP() << "xorriso or 7z is not installed";
    }
    const fs::path packed = dir_ / "packed";
    test::WriteFile(packed / "czech" / "TAVOX" / "TAVOX95.INI", kCzechDisc);
    test::WriteFile(packed / "turkish" / "TAVOX" / "TAVOX95.INI", kTurkishDisc);
    ASSERT_TRUE(test::MakeIso(packed / "czech", packed / "1298.iso", "TAVOX_1298", {}));
    ASSERT_TRUE(test::MakeIso(packed / "turkish", packed / "0100.iso", "TAVOX_0100", {}));
    const fs::path archive = Shelf() / "two.7z";
    ASSERT_TRUE(test::MakeArchive(archive, packed, {"1298.iso", "0100.iso"}));
    const auto listed = [this](const ShelfIndex& index) {
        std::vector<std::string> paths;
        for (const ShelfListing& listing : index.Listings(Shelf(), false)) {
            paths.push_back(listing.disc.cd_issue + " " +
                            fs::path(listing.path).lexically_relative(Shelf()).string());
        }
        return paths;
    };
    ShelfIndex index(IndexFile());
    EXPECT_EQ(index.Refresh(Shelf()), 1u);
    EXPECT_EQ(listed(index), (std::vector<std::string>{"1298 two.7z/1298.iso", "0100 two.7z/0100.iso"}));
    EXPECT_EQ(Found(index, Shelf(), "kartal"), (std::vector<std::string>{"0100 Demos KARTAL"}));
    EXPECT_EQ(index.Refresh(Shelf()), 0u) << "an unchanged archive";

    fs::remove(archive);
    ASSERT_TRUE(test::MakeArchive(archive, packed, {"1298.iso"}));
    EXPECT_EQ(index.Refresh(Shelf()), 1u);
    EXPECT_EQ(listed(index), (std::vector<std::string>{"1298 two.7z"}));
    EXPECT_TRUE(Found(index, Shelf(), "kartal").empty());
}

TEST(InstalledMarks, MarkTheItemsTheInstalledPageLists) {
    test::TestMachine machine;
    machine.Write("C:\\GAMES\\TK\\TK.EXE", "");
    ProfileFile settings = machine.Settings();
    EXPECT_TRUE(settings.WriteString("CD1298", "TURBO KANOE", "C:\\GAMES\\TK"));
    EXPECT_TRUE(settings.WriteString("CD1298", "TURBO KANOE_", "TK.EXE,,"));
    EXPECT_TRUE(settings.WriteString("CD1298", "GONE", "C:\\GAMES\\GONE"));
    EXPECT_TRUE(settings.WriteString("CD1298", "GONE_", "GONE.EXE,,"));
    const InstalledMarks marks(settings, machine.Get().Files());
    EXPECT_TRUE(marks.Contains("1298", PageKind::Demos, "Turbo Kanoe"));
    EXPECT_FALSE(marks.Contains("0199", PageKind::Demos, "TURBO KANOE")) << "another issue";
    EXPECT_FALSE(marks.Contains("1298", PageKind::Shareware, "TURBO KANOE")) << "shareware is never recorded";
    EXPECT_FALSE(marks.Contains("1298", PageKind::Demos, "GONE")) << "its program is gone";
}

} // namespace
} // namespace tavox
