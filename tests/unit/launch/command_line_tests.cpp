#include "launch/command_line.h"

#include "platform/file_system.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace tavox {
namespace {

using test::TempDir;
using test::WriteFile;
using Words = std::vector<std::string>;

struct SplitCase {
    std::string_view text;
    Words expected;
};

TEST(SplitArguments, FollowsTheCRuntimeRules) {
    const SplitCase cases[] = {
        // The C runtime's own examples.
        {R"("a b c" d e)", {"a b c", "d", "e"}},
        {R"("ab\"c" "\\" d)", {"ab\"c", "\\", "d"}},
        {R"(a\\\b d"e f"g h)", {"a\\\\\\b", "de fg", "h"}},
        {R"(a\\\"b c d)", {"a\\\"b", "c", "d"}},
        {R"(a\\\\"b c" d e)", {"a\\\\b c", "d", "e"}},
        {R"(a"b"" c d)", {"ab\" c d"}},
        // Blanks and tabs separate, however many.
        {" \t/S  \tD:\\GAMES\\ ", {"/S", "D:\\GAMES\\"}},
        {"", {}},
        {"   ", {}},
        // An empty quoted argument still counts.
        {R"(a "" b)", {"a", "", "b"}},
        // A path ending in a backslash keeps it; quoting one needs it doubled.
        {R"("C:\Program Files\\" next)", {"C:\\Program Files\\", "next"}},
        {R"("C:\Program Files\" next)", {"C:\\Program Files\" next"}},
        // An unclosed quote runs to the end.
        {R"(/D="C:\My Games)", {"/D=C:\\My Games"}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(SplitArguments(text), expected) << text;
    }
}

TEST(SplitHostCommand, SplitsWordsAsAShellDoes) {
    const SplitCase cases[] = {
        {"wine", {"wine"}},
        {"  /usr/bin/wine   --debug  ", {"/usr/bin/wine", "--debug"}},
        {"'/opt/my wine/wine' -x", {"/opt/my wine/wine", "-x"}},
        {R"("/opt/my wine/wine" "a\"b" "c\d")", {"/opt/my wine/wine", "a\"b", "c\\d"}},
        {R"(/opt/my\ wine/wine)", {"/opt/my wine/wine"}},
        {R"(it''s '' "")", {"its", "", ""}},
        {"'unclosed quote", {"unclosed quote"}},
        {"", {}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(SplitHostCommand(text), expected) << text;
    }
}

TEST(SplitProgramWord, TakesTheQuotedTextOrTheFirstWord) {
    const struct {
        std::string_view text;
        std::string program;
        std::string arguments;
    } cases[] = {
        {"explorer D:\\Demos", "explorer", "D:\\Demos"},
        {"  \"C:\\Program Files\\x.exe\"   /a b ", "C:\\Program Files\\x.exe", "/a b "},
        {"\"C:\\unclosed x", "C:\\unclosed x", ""},
        {"SETUP.EXE", "SETUP.EXE", ""},
        {"", "", ""},
    };
    for (const auto& [text, program, arguments] : cases) {
        const CommandParts parts = SplitProgramWord(text);
        EXPECT_EQ(parts.program, program) << text;
        EXPECT_EQ(parts.arguments, arguments) << text;
    }
}

class ResolveCommandTest : public testing::Test {
protected:
    ResolveCommandTest() {
        drives_.Map('C', dir_.Path(), DriveType::Fixed);
        for (const char* name :
             {"Program Files/Tavox/Menu.exe", "Program Files/Tavox/Setup.bat", "WORK/TOOL.EXE",
              "WORK/SUB/X.EXE", "WORK/BOTH.EXE", "WINDOWS/SYSTEM/SYS.EXE", "WINDOWS/SYSTEM/BOTH.EXE",
              "WINDOWS/SYSTEM/SYSWIN.EXE", "WINDOWS/WIN.EXE", "WINDOWS/BOTH.EXE", "WINDOWS/SYSWIN.EXE",
              "GAMES/A.exe", "GAMES/A B/C.EXE"}) {
            WriteFile(dir_ / name, "MZ");
        }
        std::filesystem::create_directories(dir_ / "WORK" / "DIR.EXE");
    }

    std::optional<CommandParts> Resolve(std::string_view command_line) const {
        return ResolveCommand(files_, command_line, search_dirs_);
    }

    TempDir dir_;
    DriveMap drives_;
    FileSystem files_{drives_};
    const std::vector<std::string> search_dirs_{"C:\\WORK", "C:\\WINDOWS\\SYSTEM", "C:\\WINDOWS\\"};
};

TEST_F(ResolveCommandTest, FindsTheProgramAsCreateProcessDoes) {
    const struct {
        std::string_view command_line;
        std::string program;
        std::string arguments;
    } cases[] = {
        // Unquoted paths with blanks are found by trying each word end.
        {R"(C:\Program Files\Tavox\Menu.exe /x "a b")", R"(C:\Program Files\Tavox\Menu.exe)", R"(/x "a b")"},
        {R"(C:\Program Files\Tavox\Menu)", R"(C:\Program Files\Tavox\Menu.exe)", ""},
        {"C:\\Program Files\\Tavox\\Setup.bat\tD:\\", R"(C:\Program Files\Tavox\Setup.bat)", "D:\\"},
        {R"(  "C:\Program Files\Tavox\Menu.exe"  -a)", R"(C:\Program Files\Tavox\Menu.exe)", "-a"},
        {R"("C:\Program Files\Tavox\Menu" -a)", R"(C:\Program Files\Tavox\Menu.exe)", "-a"},
        {R"("C:\WORK\TOOL.EXE)", R"(C:\WORK\TOOL.EXE)", ""},
        // The shortest existing candidate wins, as on Windows.
        {R"(C:\GAMES\A B\C.EXE x)", R"(C:\GAMES\A.exe)", R"(B\C.EXE x)"},
        {R"("C:\GAMES\A B\C.EXE" x)", R"(C:\GAMES\A B\C.EXE)", "x"},
        // Names without a drive: the working directory, the system directory, the Windows directory.
        {"tool -q", R"(C:\WORK\tool.exe)", "-q"},
        {R"(SUB\X.EXE)", R"(C:\WORK\SUB\X.EXE)", ""},
        {"BOTH.EXE", R"(C:\WORK\BOTH.EXE)", ""},
        {"SYSWIN.EXE", R"(C:\WINDOWS\SYSTEM\SYSWIN.EXE)", ""},
        {"SYS", R"(C:\WINDOWS\SYSTEM\SYS.exe)", ""},
        {"WIN.EXE", R"(C:\WINDOWS\WIN.EXE)", ""},
        {R"(\WORK\TOOL.EXE 1)", R"(C:\WORK\TOOL.EXE)", "1"},
    };
    for (const auto& [command_line, program, arguments] : cases) {
        const auto resolved = Resolve(command_line);
        ASSERT_TRUE(resolved) << command_line;
        EXPECT_EQ(resolved->program, program) << command_line;
        EXPECT_EQ(resolved->arguments, arguments) << command_line;
    }
}

TEST_F(ResolveCommandTest, FindsNothingWithoutAnExistingProgramFile) {
    for (const std::string_view command_line :
         {"", "   ", "\"\"", "MISSING.EXE", R"(C:\Program Files\Tavox\Setup D:\)", R"(C:\WORK\DIR.EXE)",
          R"(\\server\share\x.exe)", R"(E:\TOOL.EXE)"}) {
        EXPECT_FALSE(Resolve(command_line)) << command_line;
    }
}

} // namespace
} // namespace tavox
