// The catalogue's small text rules on arbitrary text: each keeps the property the menu relies on.

#include "catalogue/path_helpers.h"
#include "catalogue/text_helpers.h"
#include "fuzz_support.h"
#include "menu/create_date.h"
#include "platform/machine.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavox::fuzz::Require;

struct World {
    World() {
        const auto root = tavox::fuzz::ScratchDir();
        Require(tavox::CreateMachineLayout(root / "machine").Ok(), "a machine can be made");
        machine = std::make_unique<tavox::Machine>(root / "machine");
        for (const char* file : {"C:\\GAMES\\RUN.EXE", "C:\\Program Files\\Game\\Uninst.exe"}) {
            const auto host = *machine->Files().HostPath(file);
            std::filesystem::create_directories(host.parent_path());
            tavox::fuzz::WriteBytes(host, "MZ");
        }
    }
    std::unique_ptr<tavox::Machine> machine;
};

// The fields joined by the separator give the text back, and no field holds the separator.
void CheckSplitList(std::string_view text) {
    const std::vector<std::string> fields = tavox::SplitList(text);
    if (text.empty()) {
        Require(fields.empty(), "an empty text is an empty list");
        return;
    }
    const char separator = text.find(',') != std::string_view::npos ? ',' : ';';
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        Require(fields[i].find(separator) == std::string::npos, "no field holds the separator");
        joined += (i > 0 ? std::string(1, separator) : std::string()) + fields[i];
    }
    Require(joined == text, "the fields joined give the text back");
    Require(fields.size() == static_cast<std::size_t>(std::count(text.begin(), text.end(), separator)) + 1,
            "every separator starts a field, empty ones included");
}

// Runs of "&" as lengths, and the text without them.
struct Ampersands {
    std::vector<std::size_t> runs;
    std::string rest;
};

Ampersands Split(std::string_view text) {
    Ampersands split;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '&') {
            split.rest += text[i++];
            split.runs.push_back(0);
            continue;
        }
        std::size_t run = 0;
        while (i < text.size() && text[i] == '&') {
            ++i;
            ++run;
        }
        split.runs.push_back(run);
    }
    return split;
}

// Only lone ampersands double; the other characters stay, and escaping twice changes nothing more.
void CheckEscapeAmpersands(std::string_view text) {
    const std::string escaped = tavox::EscapeAmpersands(text);
    const Ampersands before = Split(text);
    const Ampersands after = Split(escaped);
    Require(after.rest == before.rest && after.runs.size() == before.runs.size(),
            "only ampersands are added");
    for (std::size_t i = 0; i < before.runs.size(); ++i) {
        Require(after.runs[i] == (before.runs[i] == 1 ? 2 : before.runs[i]), "a lone ampersand is doubled");
    }
    Require(tavox::EscapeAmpersands(escaped) == escaped, "an escaped text needs no more escaping");
}

bool IsDirectoryText(std::string_view text) {
    return text.empty() || text.back() == '\\' || text.back() == ':';
}

// Keeps the characters of a Windows path that carry no meaning for the uninstall rules.
std::string PathCharacters(std::string_view text) {
    std::string path;
    for (const char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '\\' ||
            c == ':' || c == '.' || c == '_') {
            path += c;
        }
    }
    return path;
}

void CheckUninstallDir(std::string_view command, std::string_view seed) {
    const std::string dir = tavox::UninstallDir(command);
    Require(command.find(dir) != std::string_view::npos, "the directory is taken from the command");
    Require(IsDirectoryText(dir), "the directory ends with a backslash or a colon");

    // The two forms the catalogues use: a log named after -f", and an uninstaller followed by its log.
    const std::string program = PathCharacters(seed.substr(0, seed.size() / 2));
    const std::string log = PathCharacters(seed.substr(seed.size() / 2));
    const std::string expected = tavox::DirectoryPart(log);
    Require(tavox::UninstallDir(program + " -f\"" + log + "\"") == expected, "the directory of the -f\" log");
    if (!program.empty()) {
        Require(tavox::UninstallDir(program + " " + log) == expected, "the directory of the argument");
    }
}

void CheckCommandDir(const tavox::FileSystem& files, std::string_view command, std::string_view seed) {
    const std::string dir = tavox::CommandDir(files, command);
    Require(dir == "C:\\" || (command.starts_with(dir) && IsDirectoryText(dir)),
            "the working directory is the start of the command, or C:\\");
    // An existing program with arguments that name no program works in the program's directory.
    std::string arguments;
    for (const char c : PathCharacters(seed)) {
        arguments += c == '.' ? '_' : c;
    }
    Require(tavox::CommandDir(files, "C:\\GAMES\\RUN.EXE " + arguments) == "C:\\GAMES\\",
            "a program's own directory");
    Require(tavox::CommandDir(files, "C:\\Program Files\\Game\\Uninst.exe /S " + arguments) ==
                "C:\\Program Files\\Game\\",
            "a program in a directory with blanks");
}

// The text depends on the first four characters only, and names the year they carry.
void CheckCreateDate(std::string_view date, int language) {
    const std::string text = tavox::CreateDate(date, language);
    if (language < 0 || language > 3) {
        Require(text.empty(), "no text for an unknown language");
        return;
    }
    Require(text == tavox::CreateDate(date.substr(0, 4), language), "only four characters count");
    const auto digit = [&date](std::size_t i) { return i < date.size() && date[i] >= '0' && date[i] <= '9'; };
    const int code = digit(0) && digit(1) ? (date[0] - '0') * 10 + (date[1] - '0') : -1;
    if (code >= 1 && code <= 12) {
        const std::string year(date.substr(2, 2));
        Require(text.ends_with(" " + year), "a month is followed by the date's year as written");
    }
    if (date.size() >= 2 && date[1] == 'Q') {
        Require(text != tavox::CreateDate("?", language), "a season is never unknown");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) {
        return 0;
    }
    static World world;
    tavox::fuzz::InputReader input(data, size);
    const int language = input.Byte() % 6 - 1;
    const std::string_view text = input.Rest();
    CheckSplitList(text);
    CheckEscapeAmpersands(text);
    CheckUninstallDir(text, text);
    CheckCommandDir(world.machine->Files(), text, text);
    CheckCreateDate(text, language);
    return 0;
}
