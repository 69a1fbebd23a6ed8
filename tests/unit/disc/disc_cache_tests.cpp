// The disc cache: a disc is kept once complete and found again by its identity, read-only; a cancelled,
// refused or interrupted unpack leaves nothing that a later start could take for a disc; eviction keeps the
// most recently used discs and touches nothing but the cache's own directories.
#include "disc/disc_cache.h"
#include "disc/disc_tree.h"
#include "support/disc_images.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

const DiscCheck kAccept = [](const fs::path&) { return std::optional<std::string>(); };
const UnpackProgress kGo = [](auto, auto) { return true; };

class DiscCacheTest : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveXorriso()) {
            GTEST_SKIP() << "xorriso is not installed";
        }
    }

    // An image of a disc with the given label and one file of the given size.
    DiscImage Image(const std::string& label, std::size_t file_bytes = 100) {
        const fs::path tree = dir_ / ("tree-" + label);
        test::WriteFile(tree / "TAVOX" / "TAVOX95.INI", "[Main]\r\n");
        test::WriteFile(tree / "DATA.BIN", std::string(file_bytes, 'd'));
        const fs::path iso = dir_ / (label + ".iso");
        EXPECT_TRUE(test::MakeIso(tree, iso, label, {"-joliet", "on"}));
        Result<DiscImage> image = OpenDiscImage(iso);
        EXPECT_TRUE(image);
        return image ? *image : DiscImage{};
    }

    std::vector<std::string> CacheEntries() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(dir_ / "cache", ec)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir_;
};

TEST_F(DiscCacheTest, AFilledDiscIsFoundAgainReadOnlyAndLabelled) {
    const DiscCache cache(dir_ / "cache");
    const DiscImage image = Image("TAVOX_9901");
    EXPECT_FALSE(cache.Find(image.volume));

    const DiscCacheFill filled = cache.Fill(image, kGo, kAccept);
    ASSERT_EQ(filled.status, UnpackStatus::Done) << filled.error;
    EXPECT_EQ(cache.Find(image.volume), filled.root);
    // Named by the disc, not by the image's file.
    EXPECT_EQ(filled.root.filename().string().substr(0, 11), "TAVOX_9901-");
    EXPECT_EQ(test::ReadFile(filled.root / ".windows-label"), "TAVOX_9901");
    char serial[9] = {};
    std::snprintf(serial, sizeof serial, "%08X", image.volume.serial);
    EXPECT_EQ(test::ReadFile(filled.root / ".windows-serial"), serial);
    struct stat info {};
    ASSERT_EQ(::stat((filled.root / "DATA.BIN").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
    ASSERT_EQ(::stat((filled.root / "TAVOX").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0555u);
}

TEST_F(DiscCacheTest, CancelledRefusedAndTooLargeDiscsLeaveNothing) {
    const DiscCache cache(dir_ / "cache");
    const DiscImage image = Image("TAVOX_9902", 3 << 20);

    const DiscCacheFill cancelled = cache.Fill(
        image, [](auto, auto) { return false; }, kAccept);
    EXPECT_EQ(cancelled.status, UnpackStatus::Cancelled);
    EXPECT_TRUE(CacheEntries().empty());

    const DiscCacheFill refused =
        cache.Fill(image, kGo, [](const fs::path&) { return std::optional<std::string>("no catalogue"); });
    EXPECT_EQ(refused.status, UnpackStatus::Failed);
    EXPECT_EQ(refused.error, "no catalogue");
    EXPECT_TRUE(CacheEntries().empty());

    DiscImage huge = image;
    huge.volume.volume_bytes = huge.track_bytes = std::uint64_t{1} << 60;
    const DiscCacheFill too_large = cache.Fill(huge, kGo, kAccept);
    EXPECT_EQ(too_large.status, UnpackStatus::Failed);
    EXPECT_NE(too_large.error.find("does not fit"), std::string::npos) << too_large.error;
    EXPECT_NE(too_large.error.find(image.data_file.string()), std::string::npos) << too_large.error;
    EXPECT_TRUE(CacheEntries().empty());
    EXPECT_FALSE(cache.Find(image.volume));
}

// A start killed while unpacking leaves its hidden directory, or its scratch copy of an archive's image; a
// partial unpack is never found, and both are removed once their process is gone (those of a process still
// running are left alone, and a link of such a name is not followed).
TEST_F(DiscCacheTest, AnInterruptedUnpackIsNeverTakenForTheDisc) {
    const DiscCache cache(dir_ / "cache");
    const DiscImage image = Image("TAVOX_9903");
    const std::string identity = image.volume.identity;
    const std::string running = std::to_string(::getppid());
    test::WriteFile(dir_ / "precious" / "keep.txt", "mine");
    struct Leftover {
        std::string name;
        bool link;
        bool kept;
    };
    const std::vector<Leftover> leftovers = {
        {"." + identity + ".partial-999999999", false, false},
        {"." + identity + ".partial-" + running, false, true},
        {".archive-999999999-Ab3dEf", false, false},
        {".archive-" + running + "-Ab3dEf", false, true},
        {".archive-999999998-Ab3dEf", true, true},
    };
    for (const Leftover& leftover : leftovers) {
        if (leftover.link) {
            fs::create_directory_symlink(dir_ / "precious", dir_ / "cache" / leftover.name);
        } else {
            test::WriteFile(dir_ / "cache" / leftover.name / "TAVOX" / "TAVOX.BIN", "x");
        }
    }
    EXPECT_FALSE(cache.Find(image.volume));

    ASSERT_EQ(cache.Fill(image, kGo, kAccept).status, UnpackStatus::Done);
    for (const Leftover& leftover : leftovers) {
        EXPECT_EQ(fs::exists(fs::symlink_status(dir_ / "cache" / leftover.name)), leftover.kept)
            << leftover.name;
    }
    EXPECT_TRUE(fs::exists(dir_ / "precious" / "keep.txt"));
    EXPECT_TRUE(cache.Find(image.volume));
}

TEST_F(DiscCacheTest, EvictionKeepsTheMostRecentlyUsedAndFollowsNoLinks) {
    const DiscCache cache(dir_ / "cache", DiscCacheLimits{3, std::uint64_t{1} << 30});
    std::vector<DiscImage> images;
    for (const char* label : {"DISC_A", "DISC_B", "DISC_C", "DISC_D"}) {
        images.push_back(Image(label));
    }
    // Something of the user's, linked into the cache and into a disc: eviction must not reach it.
    test::WriteFile(dir_ / "precious" / "keep.txt", "mine");
    fs::create_directories(dir_ / "cache");
    fs::create_directory_symlink(dir_ / "precious", dir_ / "cache" / "LINKED-0123456789abcdef");

    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(10);
    for (std::size_t i = 0; i < 3; ++i) {
        const DiscCacheFill filled = cache.Fill(images[i], kGo, kAccept);
        ASSERT_EQ(filled.status, UnpackStatus::Done);
        fs::last_write_time(filled.root, old + std::chrono::hours(i));
    }
    const fs::path disc_a = *cache.Find(images[0].volume); // A is now the most recent; B the oldest
    fs::permissions(disc_a, fs::perms::owner_write, fs::perm_options::add);
    fs::create_directory_symlink(dir_ / "precious", disc_a / "inside-link");
    fs::permissions(disc_a, fs::perms::owner_write, fs::perm_options::remove);

    ASSERT_EQ(cache.Fill(images[3], kGo, kAccept).status, UnpackStatus::Done);
    EXPECT_TRUE(cache.Find(images[0].volume));
    EXPECT_FALSE(cache.Find(images[1].volume));
    EXPECT_TRUE(cache.Find(images[2].volume));
    EXPECT_TRUE(cache.Find(images[3].volume));

    // A size limit below two discs keeps only the one in use.
    const DiscCache small(dir_ / "cache", DiscCacheLimits{3, TreeBytes(disc_a) + 10});
    small.Evict(images[3].volume.identity, 3, 0);
    EXPECT_FALSE(cache.Find(images[0].volume));
    EXPECT_TRUE(cache.Find(images[3].volume));
    EXPECT_EQ(test::ReadFile(dir_ / "precious" / "keep.txt"), "mine");
    EXPECT_TRUE(fs::is_symlink(dir_ / "cache" / "LINKED-0123456789abcdef"));
}

} // namespace
} // namespace tavox
