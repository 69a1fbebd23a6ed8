#include "installer/make_path.h"

#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tavox {
namespace {

namespace fs = std::filesystem;

class MakePathTest : public testing::Test {
protected:
    bool Make(std::string_view path) { return MakePath(machine_.Get().Files(), path); }
    bool IsDir(std::string_view path) { return fs::is_directory(machine_.Host(path)); }

    test::TestMachine machine_;
};

TEST_F(MakePathTest, CreatesEveryMissingLevelAtAnyDepth) {
    EXPECT_TRUE(Make("C:\\NEW\\DEEPER\\"));
    EXPECT_TRUE(IsDir("C:\\NEW\\DEEPER"));
    EXPECT_TRUE(Make("c:\\new\\deeper")); // an existing directory counts, found without regard to case
    std::string deep = "C:\\DEEP";
    for (int level = 0; level < 40; ++level) {
        deep += "\\LEVEL" + std::to_string(level);
    }
    EXPECT_TRUE(Make(deep));
    EXPECT_TRUE(IsDir(deep));
    // ".." never leaves a directory that the finished path does not contain.
    EXPECT_TRUE(Make("C:\\A\\..\\B"));
    EXPECT_TRUE(IsDir("C:\\B"));
    EXPECT_FALSE(fs::exists(machine_.Host("C:\\A")));
}

TEST_F(MakePathTest, AFailureRemovesWhatItCreatedAndKeepsWhatWasThere) {
    ASSERT_TRUE(Make("C:\\KEEP"));
    // The host refuses a name this long, after two levels were made.
    EXPECT_FALSE(Make("C:\\KEEP\\ONE\\TWO\\" + std::string(300, 'X')));
    EXPECT_TRUE(IsDir("C:\\KEEP"));
    EXPECT_FALSE(fs::exists(machine_.Host("C:\\KEEP\\ONE")));
    // A file in the way.
    machine_.Write("C:\\KEEP\\FILE", "x");
    EXPECT_FALSE(Make("C:\\FRESH\\..\\KEEP\\FILE\\SUB"));
    EXPECT_FALSE(fs::exists(machine_.Host("C:\\FRESH")));
}

TEST_F(MakePathTest, RefusesWhatIsNotOnAMappedDrive) {
    ASSERT_TRUE(machine_.Get().MapDrive('E', machine_.Root() / "gone", DriveType::Fixed));
    for (const char* path :
         {"Q:\\GAME", "GAMES\\LUNAR", "\\GAMES", "C:\\..\\ESCAPE", "C:\\BAD|NAME", "", "E:\\GAME"}) {
        EXPECT_FALSE(Make(path)) << path;
    }
    EXPECT_FALSE(fs::exists(machine_.Root() / "machine/ESCAPE"));
    EXPECT_FALSE(fs::exists(machine_.Root() / "gone"));
    EXPECT_FALSE(fs::exists(fs::current_path() / "GAMES"));
}

} // namespace
} // namespace tavox
