// make-sample-cd: writes a complete sample issue of the TAVOX CD (Czech edition, 12/98) into a directory,
// with real Windows setups and games where they were built with MinGW, else with stand-in installers that
// work on the machine that the menu gives them in WINEPREFIX.

#include "output_dir.h"
#include "sample_cd.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kUsage =
    "Usage: make-sample-cd OUT --dos-programs DIR [--windows-programs DIR] [--reg-tool PATH]\n"
    "\n"
    "Writes a sample TAVOX CD into the directory OUT, replacing what an earlier run\n"
    "wrote there. A directory that is not empty and was not written by this tool is\n"
    "left alone. The stand-in installers register their uninstallers with the\n"
    "reg-like tool PATH (default: tavox-reg, looked up in PATH when they run).\n"
    "--dos-programs names the CD's DOS programs: INSTALL.EXE, ZUBR.EXE and WRITEINI.EXE.\n"
    "--windows-programs names its Windows programs, SETUP.EXE and GAME.EXE; without\n"
    "them, scripts stand in for the Windows programs.\n";

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int Fail(std::string_view message) {
    Print(stderr, "make-sample-cd: ");
    Print(stderr, message);
    Print(stderr, "\n");
    return 1;
}

struct Options {
    std::filesystem::path out;
    std::string reg_tool = "tavox-reg";
    std::filesystem::path dos_programs;
    std::optional<std::filesystem::path> windows_programs;
};

std::optional<Options> ParseOptions(const std::vector<std::string_view>& arguments) {
    Options options;
    bool have_out = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--reg-tool" && i + 1 < arguments.size() && !arguments[i + 1].empty()) {
            options.reg_tool = arguments[++i];
        } else if (arguments[i] == "--dos-programs" && i + 1 < arguments.size() &&
                   !arguments[i + 1].empty()) {
            options.dos_programs = arguments[++i];
        } else if (arguments[i] == "--windows-programs" && i + 1 < arguments.size() &&
                   !arguments[i + 1].empty()) {
            options.windows_programs = arguments[++i];
        } else if (!have_out && !arguments[i].empty() && !arguments[i].starts_with("-")) {
            options.out = arguments[i];
            have_out = true;
        } else {
            return std::nullopt;
        }
    }
    if (!have_out || options.dos_programs.empty()) {
        return std::nullopt;
    }
    // The scripts run with the machine's directories as their working directory, so a relative path to the
    // tool would not be found from there.
    if (options.reg_tool.find('/') != std::string::npos) {
        std::error_code ec;
        options.reg_tool = std::filesystem::absolute(options.reg_tool, ec).string();
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
        Print(stdout, kUsage);
        return 0;
    }
    const auto options = ParseOptions(arguments);
    if (!options) {
        Print(stderr, kUsage);
        return 2;
    }
    if (const auto error = sample_cd::PrepareOutputDir(options->out)) {
        return Fail(*error);
    }
    if (const auto error = sample_cd::WriteSampleCd(options->out, options->reg_tool, options->dos_programs,
                                                    options->windows_programs)) {
        return Fail(*error);
    }
    return 0;
}
