#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

extern char** environ;

#ifdef TAVOX_REG_TOOL

namespace {

using tavox::test::ReadFile;
using tavox::test::TempDir;

namespace fs = std::filesystem;

constexpr std::string_view kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";
constexpr std::string_view kDone = "The operation completed successfully.\n";

struct Outcome {
    int exit_code = -1;
    std::string out;
    std::string err;
};

class TavoxReg : public ::testing::Test {
protected:
    fs::path Machine() const { return dir_.Path() / "machine"; }

    // Runs the tool on our machine directory, or, when `environment` is given, with that environment only.
    Outcome Run(std::vector<std::string> arguments,
                const std::vector<std::string>* environment = nullptr) const {
        if (!environment) {
            arguments.insert(arguments.begin(), {"--machine", Machine().string()});
        }
        arguments.insert(arguments.begin(), TAVOX_REG_TOOL);
        std::vector<char*> argv;
        for (auto& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> variables = environment ? *environment : std::vector<std::string>();
        std::vector<char*> envp;
        for (auto& variable : variables) {
            envp.push_back(variable.data());
        }
        envp.push_back(nullptr);

        const fs::path out = dir_.Path() / "out.txt";
        const fs::path err = dir_.Path() / "err.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        Outcome outcome;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environment ? envp.data() : environ) ==
            0) {
            int status = 0;
            if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
                outcome.exit_code = WEXITSTATUS(status);
            }
        }
        posix_spawn_file_actions_destroy(&actions);
        outcome.out = ReadFile(out);
        outcome.err = ReadFile(err);
        return outcome;
    }

    TempDir dir_;
};

TEST_F(TavoxReg, AddThenQueryPrintsLikeReg) {
    const Outcome added =
        Run({"add", "HKLM\\Software\\Tavox", "/v", "Path", "/d", "C:\\TAVOX\\G\u00E4me \U0001F30E"});
    EXPECT_EQ(added.exit_code, 0);
    EXPECT_EQ(added.out, kDone);
    EXPECT_EQ(Run({"add", "hklm\\software\\tavox", "/ve", "/d", "menu", "/f"}).exit_code, 0);
    EXPECT_EQ(Run({"add", "HKEY_LOCAL_MACHINE\\Software\\Tavox\\Sub"}).exit_code, 0);

    const Outcome key = Run({"query", "HKLM\\Software\\Tavox"});
    EXPECT_EQ(key.exit_code, 0);
    EXPECT_EQ(key.out, "\nHKEY_LOCAL_MACHINE\\Software\\Tavox\n"
                       "    (Default)    REG_SZ    menu\n"
                       "    Path    REG_SZ    C:\\TAVOX\\G\u00E4me \U0001F30E\n"
                       "\n"
                       "HKEY_LOCAL_MACHINE\\Software\\Tavox\\Sub\n");
    const Outcome value = Run({"query", "HKLM\\Software\\Tavox", "/v", "path"});
    EXPECT_EQ(value.exit_code, 0);
    EXPECT_EQ(
        value.out,
        "\nHKEY_LOCAL_MACHINE\\Software\\Tavox\n    Path    REG_SZ    C:\\TAVOX\\G\u00E4me \U0001F30E\n\n");
}

TEST_F(TavoxReg, EachRootHasItsOwnFile) {
    ASSERT_EQ(Run({"add", "HKCU\\Software\\Tavox", "/v", "Who", "/d", "user"}).exit_code, 0);
    ASSERT_EQ(Run({"add", "HKEY_LOCAL_MACHINE\\Software\\Tavox", "/v", "Who", "/d", "machine"}).exit_code, 0);
    EXPECT_NE(ReadFile(Machine() / "user.reg").find("\"Who\"=\"user\""), std::string::npos);
    EXPECT_NE(ReadFile(Machine() / "system.reg").find("\"Who\"=\"machine\""), std::string::npos);
    EXPECT_EQ(Run({"query", "hkey_current_user\\software\\tavox", "/v", "Who"}).out,
              "\nHKEY_CURRENT_USER\\software\\tavox\n    Who    REG_SZ    user\n\n");
}

TEST_F(TavoxReg, DeleteRemovesAValueOrTheWholeKey) {
    ASSERT_EQ(Run({"add", "HKLM\\Software\\Tavox", "/v", "A", "/d", "1"}).exit_code, 0);
    ASSERT_EQ(Run({"add", "HKLM\\Software\\Tavox", "/v", "B", "/d", "2"}).exit_code, 0);
    ASSERT_EQ(Run({"add", "HKLM\\Software\\Tavox\\Sub\\Deeper"}).exit_code, 0);

    EXPECT_EQ(Run({"delete", "HKLM\\Software\\Tavox", "/v", "A", "/f"}).exit_code, 0);
    EXPECT_EQ(Run({"query", "HKLM\\Software\\Tavox", "/v", "A"}).exit_code, 1);
    EXPECT_EQ(Run({"query", "HKLM\\Software\\Tavox", "/v", "B"}).exit_code, 0);

    const Outcome deleted = Run({"delete", "HKLM\\Software\\Tavox", "/f"});
    EXPECT_EQ(deleted.exit_code, 0);
    EXPECT_EQ(deleted.out, kDone);
    EXPECT_EQ(Run({"query", "HKLM\\Software\\Tavox\\Sub\\Deeper"}).exit_code, 1);
    EXPECT_EQ(Run({"query", "HKLM\\Software"}).exit_code, 0);
}

TEST_F(TavoxReg, MissingKeysAndValuesFailWithRegsMessage) {
    ASSERT_EQ(Run({"add", "HKLM\\Software\\Tavox", "/v", "A", "/d", "1"}).exit_code, 0);
    const std::vector<std::vector<std::string>> commands = {
        {"query", "HKLM\\Software\\Missing"},
        {"query", "HKLM\\Software\\Tavox", "/v", "Missing"},
        {"query", "HKLM\\Software\\Tavox", "/ve"},
        {"delete", "HKLM\\Software\\Missing", "/f"},
        {"delete", "HKLM\\Software\\Tavox", "/v", "Missing", "/f"},
        {"query", "HKCU\\Software\\Tavox"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command[0] + " " + command[1]);
        const Outcome outcome = Run(command);
        EXPECT_EQ(outcome.exit_code, 1);
        EXPECT_EQ(outcome.err, kNotFound);
        EXPECT_EQ(outcome.out, "");
    }
}

TEST_F(TavoxReg, BadSyntaxPrintsUsageAndFails) {
    const std::vector<std::vector<std::string>> commands = {
        {},
        {"add"},
        {"frob", "HKLM\\Software"},
        {"query", "HKXX\\Software"},
        {"add", "HKLM\\Software\\Tavox", "/v"},
        {"add", "HKLM\\Software\\Tavox", "/v", "A", "/ve"},
        {"add", "HKLM\\Software\\Tavox", "/t", "REG_DWORD", "/d", "1"},
        {"query", "HKLM\\Software", "/d", "x"},
        {"delete", "HKLM\\Software", "/x"},
    };
    for (const auto& command : commands) {
        SCOPED_TRACE(command.size());
        const Outcome outcome = Run(command);
        EXPECT_EQ(outcome.exit_code, 1);
        EXPECT_TRUE(outcome.err.starts_with("ERROR: Invalid syntax.\n")) << outcome.err;
        EXPECT_NE(outcome.err.find("Usage:"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(Machine()));
}

TEST_F(TavoxReg, MachineDefaultsToTheWinePrefixThenTheDataHome) {
    const std::vector<std::string> wine = {"WINEPREFIX=" + (dir_.Path() / "prefix").string(),
                                           "XDG_DATA_HOME=" + (dir_.Path() / "data").string()};
    ASSERT_EQ(Run({"add", "HKLM\\Software\\Tavox", "/v", "A", "/d", "1"}, &wine).exit_code, 0);
    EXPECT_TRUE(fs::exists(dir_.Path() / "prefix" / "system.reg"));

    const std::vector<std::string> data = {"XDG_DATA_HOME=" + (dir_.Path() / "data").string()};
    ASSERT_EQ(Run({"add", "HKCU\\Software\\Tavox", "/v", "A", "/d", "1"}, &data).exit_code, 0);
    EXPECT_TRUE(fs::exists(dir_.Path() / "data" / "tavox95" / "machine" / "user.reg"));

    const std::vector<std::string> home = {"HOME=" + (dir_.Path() / "home").string()};
    ASSERT_EQ(Run({"add", "HKCU\\Software\\Tavox", "/v", "A", "/d", "1"}, &home).exit_code, 0);
    EXPECT_TRUE(fs::exists(dir_.Path() / "home" / ".local" / "share" / "tavox95" / "machine" / "user.reg"));
}

} // namespace

#endif
