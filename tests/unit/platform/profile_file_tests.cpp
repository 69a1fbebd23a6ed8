#include "platform/profile_file.h"
#include "support/captured_log.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using tavox::ProfileFile;

namespace {

using tavox::test::ReadFile;
using tavox::test::WriteFile;

class ProfileTest : public ::testing::Test {
protected:
    std::size_t FilesInDir() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }
    tavox::test::TempDir temp_;
    const fs::path& dir_ = temp_.Path();
    const fs::path path_ = temp_ / "settings.ini";
};

class ProfileRead : public ProfileTest {};
class ProfileWrite : public ProfileTest {};
class ProfileJunk : public ProfileTest {};

TEST_F(ProfileRead, AByteOrderMarkCountsOnlyAtTheStartOfTheFile) {
    WriteFile(path_, "\xEF\xBB\xBF[Main]\r\nLanguage=2\r\n  \xEF\xBB\xBF=inside\r\n");
    ProfileFile ini(path_);
    EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"Main"});
    EXPECT_EQ(ini.ReadInteger("Main", "Language", 0), 2);
    // Inside the file the bytes are a name like any other, and such a key can be written back.
    EXPECT_EQ(ini.ReadString("Main", "\xEF\xBB\xBF", ""), "inside");
    EXPECT_TRUE(ini.WriteString("Main", "\xEF\xBB\xBF", "again"));
    EXPECT_EQ(ProfileFile(path_).ReadString("Main", "\xEF\xBB\xBF", ""), "again");
    EXPECT_EQ(ProfileFile(path_).ReadInteger("Main", "Language", 0), 2);
}

TEST_F(ProfileRead, FollowsWindowsNameAndValueRules) {
    WriteFile(path_, "orphan=before any section\r\n"
                     "[Main]\r\n"
                     "Language=1\r\n"
                     "  Spaced Key\t =  spaced value \t\r\n"
                     "dq=\"quoted  \"\r\n"
                     "sq='single'\r\n"
                     "mixed=\"mismatch'\r\n"
                     "lone=\"\r\n"
                     "inner=a \"b\" c\r\n"
                     ";commented=1\r\n"
                     "   ; indented=2\r\n"
                     "semi=x ; not a comment\r\n"
                     "just text\r\n"
                     "language=2\r\n"
                     "[ main ]\r\n"
                     "extra=in the second [Main]\r\n"
                     "[Other]junk\r\n"
                     "hi\xC4=\xE9\xFF\n"
                     "[unterminated\r\n"
                     "after=still Other\r\n"
                     "[\xC4]\r\nk=upper\r\n"
                     "[\xE4]\r\nk=lower\r\n");
    const ProfileFile ini(path_);
    struct Case {
        const char* section;
        const char* key;
        const char* expected; // "-" = the default
    };
    const Case cases[] = {
        {"Main", "LANGUAGE", "1"}, // case-insensitive; the first duplicate wins
        {" main ", " language ", "1"},
        {"MAIN", "spaced key", "spaced value"},
        {"Main", "dq", "quoted  "},
        {"Main", "sq", "single"},
        {"Main", "mixed", "\"mismatch'"},
        {"Main", "lone", "\""},
        {"Main", "inner", "a \"b\" c"},
        {"Main", "commented", "-"},
        {"Main", ";commented", "-"},
        {"Main", "indented", "-"},
        {"Main", "semi", "x ; not a comment"},
        {"Main", "just text", "-"},
        {"Main", "extra", "-"}, // in the duplicate section, which is never read
        {"Main", "orphan", "-"},
        {"", "orphan", "-"},
        {"Other", "hi\xC4", "\xE9\xFF"},
        {"Other", "after", "still Other"},
        {"unterminated", "after", "-"},
        {"\xC4", "k", "upper"}, // only ASCII letters fold
        {"\xE4", "k", "lower"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.ReadString(c.section, c.key, "-"), c.expected) << c.section << "/" << c.key;
        EXPECT_EQ(ini.ValueExists(c.section, c.key), std::string_view(c.expected) != "-")
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(ini.ReadString("Missing", "x", "  dflt \t"), "  dflt");
    EXPECT_EQ(ini.ReadString("Missing", "x", std::string(2000, 'd')), std::string(1023, 'd'));
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "Other", "\xC4", "\xE4"}));
    EXPECT_EQ(ini.ReadSection("main"), (std::vector<std::string>{"Language", "Spaced Key", "dq", "sq",
                                                                 "mixed", "lone", "inner", "semi"}));
    EXPECT_TRUE(ini.SectionExists("OTHER"));
    EXPECT_FALSE(ini.SectionExists("unterminated"));
}

TEST_F(ProfileRead, IntegersAreWholeDecimalNumbersElseTheDefault) {
    const std::pair<std::optional<std::string>, int> cases[] = {
        {"-12abc", 5},
        {"3 demos", 5},
        {"2 (rar)", 5},
        {"+7", 7},
        {"abc", 5},
        {"", 5},
        {std::nullopt, 5},
        {"  42  ", 42},
        {"'13'", 13},
        {"\" -3\"", -3},
        {"\"\"", 5},
        {"0x10", 5},
        {"-", 5},
        {"+", 5},
        {"1e3", 5},
        {"'9 '", 9},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999999999999", INT_MAX},
        {"-99999999999999999999999", INT_MIN},
    };
    std::string content = "[N]\r\n";
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (cases[i].first) {
            content += "k" + std::to_string(i) + "=" + *cases[i].first + "\r\n";
        }
    }
    WriteFile(path_, content);
    const ProfileFile ini(path_);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        EXPECT_EQ(ini.ReadInteger("n", "k" + std::to_string(i), 5), cases[i].second)
            << cases[i].first.value_or("-");
    }
    WriteFile(path_, "[B]\r\nyes=2\r\nno=0\r\nword=abc\r\n");
    EXPECT_TRUE(ini.ReadBool("B", "yes", false));
    EXPECT_FALSE(ini.ReadBool("B", "no", true));
    EXPECT_TRUE(ini.ReadBool("B", "word", true));
    EXPECT_FALSE(ini.ReadBool("B", "word", false));
    EXPECT_TRUE(ini.ReadBool("B", "missing", true));
}

TEST_F(ProfileRead, MissingFileIsEmptyAndStaysMissing) {
    ProfileFile ini(path_);
    EXPECT_EQ(ini.ReadString("A", "b", "d"), "d");
    EXPECT_TRUE(ini.ReadSections().empty());
    EXPECT_TRUE(ini.DeleteKey("A", "b"));
    EXPECT_TRUE(ini.EraseSection("A"));
    EXPECT_FALSE(fs::exists(path_));
}

TEST_F(ProfileRead, SeesAnEditThatLeavesTheStampUnchanged) {
    // Same inode, same size and, as file times advance in clock ticks, mostly the same time: only the content
    // tells. Repeated so that several edits fall within one tick.
    const ProfileFile ini(path_);
    for (int i = 0; i < 20; ++i) {
        WriteFile(path_, "[Main]\r\nLanguage=" + std::to_string(i % 10) + "\r\n");
        ASSERT_EQ(ini.ReadInteger("Main", "Language", -1), i % 10);
    }
    fs::remove(path_);
    EXPECT_EQ(ini.ReadInteger("Main", "Language", -1), -1);
}

TEST_F(ProfileWrite, PlacesAndFormatsLinesAsWindowsDoes) {
    struct Case {
        const char* name;
        std::optional<std::string> before;
        const char* section;
        const char* key;
        const char* value;
        std::string after;
    };
    const Case cases[] = {
        {"new file", std::nullopt, "Main", "Language", "1", "[Main]\r\nLanguage=1\r\n"},
        {"new section at the end", "[A]\r\nx=1\r\n\r\n", "B", "y", "2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
        {"no final line end", "[A]\nx=1", "B", "y", "2", "[A]\nx=1\r\n[B]\r\ny=2\r\n"},
        {"key before the blank lines", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n", "a", "z", "3",
         "[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=2\r\n"},
        {"key after a comment", "[A]\r\nx=1\r\n; end\r\n\r\n[B]\r\n", "A", "z", "3",
         "[A]\r\nx=1\r\n; end\r\nz=3\r\n\r\n[B]\r\n"},
        {"key into an empty section", "[E]\r\n\r\n[F]\r\n", "E", "k", "v", "[E]\r\nk=v\r\n\r\n[F]\r\n"},
        {"key into the last, unterminated section", "[A]\nx=1", "A", "y", "2", "[A]\nx=1\r\ny=2\r\n"},
        {"replace keeps other lines", "[A]\nk=1\nhi=\xE9\xF1\n[B]\n  k = 2 \nz=\xFF", "b", "K", " new ",
         "[A]\nk=1\nhi=\xE9\xF1\n[B]\nK= new \r\nz=\xFF"},
        {"first duplicate is replaced", "[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\n", "A", "k", "9",
         "[A]\r\nk=9\r\nk=2\r\n[a]\r\nk=3\r\n"},
        {"high bytes in names", "[\xC4]\r\n", "\xC4", "\xE9", "\xFF", "[\xC4]\r\n\xE9=\xFF\r\n"},
    };
    for (const Case& c : cases) {
        if (c.before) {
            WriteFile(path_, *c.before);
        } else {
            fs::remove(path_);
        }
        ProfileFile ini(path_);
        EXPECT_TRUE(ini.WriteString(c.section, c.key, c.value)) << c.name;
        EXPECT_EQ(ReadFile(path_), c.after) << c.name;
    }
}

TEST_F(ProfileWrite, RefusesWhatWouldNotReadBack) {
    const std::string before = "[A]\r\nx=1\r\n";
    WriteFile(path_, before);
    ProfileFile ini(path_);
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"A", "a=b", "1"},  {"A", "", "1"},     {"A", ";x", "1"},  {"A", "[x]", "1"},  {"A", "[k", "]"},
        {"A", "k", "a\nb"}, {"A", "k", "a\rb"}, {"a]b", "k", "1"}, {"x\ny", "k", "1"},
    };
    for (const auto& [section, key, value] : cases) {
        EXPECT_FALSE(ini.WriteString(section, key, value)) << section << "/" << key << "/" << value;
    }
    EXPECT_EQ(ReadFile(path_), before);
}

TEST_F(ProfileWrite, DeletesAKeyAndErasesASection) {
    WriteFile(path_, "[A]\r\nx=1\r\ny=2\r\n\r\n[B]\r\nz=3\r\n; note\r\n[C]\nw=4\n");
    ProfileFile ini(path_);
    EXPECT_TRUE(ini.DeleteKey("a", "X"));
    EXPECT_EQ(ReadFile(path_), "[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n; note\r\n[C]\nw=4\n");
    EXPECT_TRUE(ini.EraseSection("b"));
    EXPECT_EQ(ReadFile(path_), "[A]\r\ny=2\r\n\r\n[C]\nw=4\n");
    EXPECT_TRUE(ini.DeleteKey("A", "missing"));
    EXPECT_EQ(ReadFile(path_), "[A]\r\ny=2\r\n\r\n[C]\nw=4\n");
}

// The menu writes its settings on every start; a value that is already there must cost no disk write.
TEST_F(ProfileWrite, WhatChangesNothingWritesNothing) {
    const std::string original = "[A]\r\nx = 1 \r\ny=two\r\n";
    WriteFile(path_, original);
    const auto stamp = [this] {
        struct stat st {};
        EXPECT_EQ(::stat(path_.c_str(), &st), 0);
        return std::pair(st.st_ino, st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec);
    };
    const auto before = stamp();
    ProfileFile ini(path_);
    EXPECT_TRUE(ini.WriteString("a", "X", "1"));
    EXPECT_TRUE(ini.WriteInteger("A", "x", 1));
    EXPECT_TRUE(ini.WriteString("A", "y", "two "));
    EXPECT_TRUE(ini.DeleteKey("A", "missing"));
    EXPECT_TRUE(ini.DeleteKey("Missing", "x"));
    EXPECT_TRUE(ini.EraseSection("Missing"));
    EXPECT_EQ(stamp(), before);
    EXPECT_EQ(ReadFile(path_), original);
    EXPECT_EQ(FilesInDir(), 1u);

    // A value that differs in case is a change.
    ASSERT_TRUE(ini.WriteString("A", "y", "Two"));
    EXPECT_NE(stamp().first, before.first);
    EXPECT_EQ(ReadFile(path_), "[A]\r\nx = 1 \r\ny=Two\r\n");
}

TEST_F(ProfileWrite, SettingsFileWrittenByWindowsRoundTrips) {
    const std::string original = "[Main]\r\nLanguage=1\r\nLanguage2=0\r\nFullScreen=0\r\n\r\n"
                                 "[CD1298]\r\nQuake II=C:\\GAMES\\QUAKE2\r\n"
                                 "Quake II_=quake2.exe,Quake II,D?C:\\GAMES\\QUAKE2\r\n__=3\r\n";
    WriteFile(path_, original);
    ProfileFile ini(path_);
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"Main", "CD1298"}));
    EXPECT_EQ(ini.ReadSection("cd1298"), (std::vector<std::string>{"Quake II", "Quake II_", "__"}));
    EXPECT_EQ(ini.ReadInteger("Main", "Language", 0), 1);
    EXPECT_FALSE(ini.ReadBool("Main", "FullScreen", true));
    EXPECT_EQ(ini.ReadString("CD1298", "quake ii", ""), "C:\\GAMES\\QUAKE2");
    EXPECT_EQ(ini.ReadString("CD1298", "Quake II_", ""), "quake2.exe,Quake II,D?C:\\GAMES\\QUAKE2");
    EXPECT_EQ(ini.ReadString("CD1298", "__", ""), "3");

    ASSERT_TRUE(ini.WriteBool("Main", "FullScreen", true));
    ASSERT_TRUE(ini.WriteString("CD1298", "Unreal", "C:\\GAMES\\UNREAL"));
    EXPECT_EQ(ReadFile(path_),
              "[Main]\r\nLanguage=1\r\nLanguage2=0\r\nFullScreen=1\r\n\r\n"
              "[CD1298]\r\nQuake II=C:\\GAMES\\QUAKE2\r\n"
              "Quake II_=quake2.exe,Quake II,D?C:\\GAMES\\QUAKE2\r\n__=3\r\nUnreal=C:\\GAMES\\UNREAL\r\n");
}

TEST_F(ProfileWrite, AnotherWritersChangesSurvive) {
    ProfileFile ini(path_);
    ASSERT_TRUE(ini.WriteInteger("Main", "Language", 1));
    WriteFile(path_, ReadFile(path_) + "Theirs=kept\r\n[Their section]\r\na=b\r\n");
    ASSERT_TRUE(ini.WriteInteger("Main", "FullScreen", 1));
    EXPECT_EQ(ReadFile(path_),
              "[Main]\r\nLanguage=1\r\nTheirs=kept\r\nFullScreen=1\r\n[Their section]\r\na=b\r\n");
}

TEST_F(ProfileWrite, ThroughASymlinkKeepsTheLinkAndThePermissions) {
    fs::create_directory(dir_ / "real");
    WriteFile(dir_ / "real" / "settings.ini", "[A]\r\nx=1\r\n");
    fs::permissions(dir_ / "real" / "settings.ini",
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink("real/settings.ini", path_);
    ProfileFile ini(path_);
    ASSERT_TRUE(ini.WriteInteger("A", "y", 2));
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(ReadFile(dir_ / "real" / "settings.ini"), "[A]\r\nx=1\r\ny=2\r\n");
    EXPECT_EQ(fs::status(dir_ / "real" / "settings.ini").permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ProfileWrite, FailureReturnsFalseAndKeepsTheOldFile) {
    // The parent of the path is a regular file: nothing can be created there, even by root.
    WriteFile(dir_ / "file", "content");
    ProfileFile impossible(dir_ / "file" / "settings.ini");
    EXPECT_FALSE(impossible.WriteString("A", "x", "1"));
    EXPECT_EQ(ReadFile(dir_ / "file"), "content");

    // A full disk, as the file-size limit makes the write of the new copy fail.
    const std::string before = "[A]\r\nx=1\r\n";
    WriteFile(path_, before);
    struct stat old_st {};
    ASSERT_EQ(::stat(path_.c_str(), &old_st), 0);
    ProfileFile ini(path_);
    ASSERT_EQ(ini.ReadInteger("A", "x", 0), 1);
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = ini.WriteString("A", "y", std::string(200, 'v')).Ok();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(path_), before);
    struct stat new_st {};
    ASSERT_EQ(::stat(path_.c_str(), &new_st), 0);
    EXPECT_EQ(new_st.st_ino, old_st.st_ino);
    EXPECT_EQ(FilesInDir(), 2u) << "the temporary copy must be removed";
    EXPECT_EQ(ini.ReadString("A", "y", "none"), "none");
}

TEST_F(ProfileWrite, AFailedWriteLeavesItsCauseInTheLog) {
    const tavox::test::CapturedLog log;
    WriteFile(dir_ / "file", "content");
    ProfileFile impossible(dir_ / "file" / "settings.ini");
    EXPECT_FALSE(impossible.WriteString("A", "x", "1"));
    EXPECT_TRUE(log.Has("error profile: cannot write " + (dir_ / "file" / "settings.ini").string() +
                        ": Not a directory\n"))
        << log.Text();
}

TEST_F(ProfileJunk, RandomBytesAndA100KbLineNeitherCrashNorLoseKeysOnWrite) {
    std::mt19937 random(1998);
    const std::string_view alphabet("\n\n\n\r[[]]==;  \tAbc\0\x80\xFF\"'", 22);
    std::string junk;
    for (int i = 0; i < 20'000; ++i) {
        junk += random() % 3 == 0 ? static_cast<char>(random() % 256) : alphabet[random() % alphabet.size()];
    }
    junk += "\n[Big]\nkey=" + std::string(100'000, 'x') + "\n[abc\nafter=1";
    WriteFile(path_, junk);
    ProfileFile ini(path_);
    std::map<std::pair<std::string, std::string>, std::string> readable;
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            readable[{section, key}] = ini.ReadString(section, key, "");
        }
    }
    ASSERT_GT(readable.size(), 10u);
    EXPECT_EQ(ini.ReadString("Big", "after", ""), "1");
    ASSERT_TRUE(ini.WriteString("Big", "added", "yes"));
    ASSERT_TRUE(ini.WriteString(ini.ReadSections().front(), "added", "yes"));
    ASSERT_TRUE(ini.WriteString("Fresh", "k", "v"));
    for (const auto& [name, value] : readable) {
        EXPECT_EQ(ini.ReadString(name.first, name.second, "<lost>"), value);
    }
    EXPECT_EQ(ini.ReadString("Big", "added", ""), "yes");
    EXPECT_EQ(ini.ReadString("Fresh", "k", ""), "v");
    EXPECT_EQ(ini.ReadString("Big", "key", ""), std::string(1023, 'x'));
}

} // namespace
