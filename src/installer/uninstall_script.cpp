#include "installer/uninstall_script.h"

#include "base/ascii.h"
#include "base/code_page.h"
#include "base/log.h"
#include "catalogue/text_helpers.h"
#include "installer/deletion.h"
#include "platform/file_system.h"

namespace tavox {

namespace {

constexpr std::string_view kMapGroupsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";
constexpr std::string_view kGroupsKey = "\\Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\Groups";
// Value names were read into fixed buffers of this size.
constexpr std::size_t kValueNameLength = 30;

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

// The text before the "|" and up to 30 characters after it; nothing after it when there is no "|".
struct BarSplit {
    std::string_view before;
    std::string_view after;
    bool has_bar = false;
};

BarSplit SplitAtBar(std::string_view text) {
    const std::size_t bar = text.find('|');
    if (bar == std::string_view::npos) {
        return {text, {}, false};
    }
    return {text.substr(0, bar), text.substr(bar + 1, kValueNameLength), true};
}

class ScriptParser {
public:
    ScriptParser(const UninstallFolders& folders, std::vector<UninstallInstruction>& out)
        : folders_(folders), out_(out) {}

    void Entry(std::string_view entry) {
        if (entry.size() < 2) {
            return;
        }
        const char selector = entry[1];
        const std::string_view rest = entry.substr(2);
        switch (entry[0]) {
        case 'D':
            Directory(selector, rest);
            break;
        case 'F':
            Path(UninstallAction::DeleteFile, File(selector, entry.substr(1)));
            break;
        case 'R':
            Registry(entry);
            break;
        case 'S':
            Shell(selector, rest);
            break;
        default:
            break;
        }
    }

private:
    // The drive letter of the item's directory, standing in for "?".
    std::string OnItemsDrive(std::string_view rest) const {
        return folders_.InstalledDir.empty() ? std::string()
                                             : folders_.InstalledDir.substr(0, 1) + std::string(rest);
    }
    std::string InItemsDir(std::string_view rest) const {
        return FullPath(folders_.InstalledDir + "\\" + std::string(rest));
    }

    void Directory(char selector, std::string_view rest) {
        switch (selector) {
        case '?':
            Path(UninstallAction::RemoveTree, OnItemsDrive(rest));
            break;
        case 'E':
            Path(UninstallAction::DeleteEmptyBranch, folders_.InstalledDir);
            break;
        case 'G':
            Path(UninstallAction::RemoveTree, rest.empty() ? folders_.InstalledDir : InItemsDir(rest));
            break;
        default:
            break;
        }
    }

    // `text` is the entry after its "F".
    std::string File(char selector, std::string_view text) const {
        const std::string_view rest = text.substr(1);
        switch (selector) {
        case '?':
            return OnItemsDrive(rest);
        case 'D':
            return FullPath(folders_.DesktopDir + std::string(rest));
        case 'G':
            return InItemsDir(rest);
        case 'P':
            return FullPath(folders_.StartMenuDir + std::string(rest));
        case 'S':
            return FullPath(folders_.SystemDir + std::string(rest));
        case 'W':
            return FullPath(folders_.WindowsDir + std::string(rest));
        default:
            return std::string(text); // "FC:\WINDOWS\GAME.INI" and any other letter: the path as written
        }
    }

    void Registry(std::string_view entry) {
        if (entry.size() < 3) {
            return; // no operation letter
        }
        const RegistryRoot root = entry[1] == 'M' ? RegistryRoot::LocalMachine : RegistryRoot::CurrentUser;
        std::string key(entry.substr(3));
        if (key.empty() || key.front() != '\\') {
            key.insert(0, "\\");
        }
        switch (entry[2]) {
        case 'D':
            Key(UninstallAction::DeleteKeyTree, root, key, {});
            break;
        case 'E':
            Key(UninstallAction::DeleteKey, root, key, {});
            break;
        case 'F':
            if (const BarSplit split = SplitAtBar(key); split.has_bar) {
                Key(UninstallAction::DeleteValue, root, split.before, split.after);
            }
            break;
        default:
            break;
        }
    }

    void Shell(char selector, std::string_view rest) {
        switch (selector) {
        case 'D':
            Path(UninstallAction::DeleteFileQuietly, FullPath(folders_.DesktopDir + std::string(rest)));
            break;
        case 'F': {
            const BarSplit split = SplitAtBar(rest);
            if (!split.before.empty()) {
                Key(UninstallAction::DeleteValue, RegistryRoot::CurrentUser, kMapGroupsKey, split.before);
            }
            if (!split.after.empty()) {
                const std::string file = folders_.WindowsDir + std::string(split.after);
                Key(UninstallAction::DeleteValue, RegistryRoot::CurrentUser, kGroupsKey, file);
                Path(UninstallAction::DeleteFileQuietly, file);
            }
            break;
        }
        case 'N':
            Path(UninstallAction::RemoveTree, StartFolderPath(folders_.StartMenuDir, rest));
            break;
        default:
            break;
        }
    }

    void Path(UninstallAction action, std::string path) {
        if (!path.empty()) {
            UninstallInstruction instruction;
            instruction.action = action;
            instruction.path = std::move(path);
            out_.push_back(std::move(instruction));
        }
    }

    // A key of "\" alone would be the whole hive: that is never what an entry means.
    void Key(UninstallAction action, RegistryRoot root, std::string_view key, std::string_view value) {
        if (key.size() > 1 && (action != UninstallAction::DeleteValue || !value.empty())) {
            UninstallInstruction instruction;
            instruction.action = action;
            instruction.root = root;
            instruction.key = std::string(key);
            instruction.value = std::string(value);
            out_.push_back(std::move(instruction));
        }
    }

    const UninstallFolders& folders_;
    std::vector<UninstallInstruction>& out_;
};

} // namespace

std::string FullPath(std::string_view path) {
    if (path.size() < 2 || !IsAsciiLetter(path[0]) || path[1] != ':' ||
        (path.size() > 2 && !IsSeparator(path[2]))) {
        return {};
    }
    std::vector<std::string_view> names;
    std::size_t start = 2;
    while (start < path.size()) {
        std::size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        const std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!names.empty()) {
                names.pop_back();
            }
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        start = end + 1;
    }
    std::string full = std::string(path.substr(0, 2)) + "\\";
    for (std::size_t i = 0; i < names.size(); ++i) {
        full += names[i];
        if (i + 1 < names.size()) {
            full += '\\';
        }
    }
    if (!names.empty() && IsSeparator(path.back())) {
        full += '\\';
    }
    return full;
}

std::string StartFolderPath(std::string_view start_menu_dir, std::string_view name) {
    if (name.empty() || name == " ") {
        return {};
    }
    return std::string(start_menu_dir) + std::string(name);
}

std::vector<UninstallInstruction> ParseUninstallScript(std::string_view script,
                                                       const UninstallFolders& folders) {
    std::vector<UninstallInstruction> instructions;
    ScriptParser parser(folders, instructions);
    for (const std::string& entry : SplitList(script)) {
        parser.Entry(entry);
    }
    return instructions;
}

void RunUninstallScript(const std::vector<UninstallInstruction>& instructions,
                        const UninstallServices& services) {
    FileSystem& files = services.files;
    const CodePage code_page = files.Drives().NameCodePage();
    const auto utf8 = [code_page](const std::string& text) { return ToUtf8(text, code_page); };
    // Registry steps are told to nobody, and a file to the reader only by name: the log keeps what was left.
    const auto left = [&](std::string_view what, const UninstallInstruction& instruction) {
        const std::string root = instruction.root == RegistryRoot::LocalMachine ? "HKLM" : "HKCU";
        const std::string value = instruction.value.empty() ? "" : " " + utf8(instruction.value);
        const std::string place =
            instruction.path.empty() ? root + utf8(instruction.key) + value : utf8(instruction.path);
        Log(LogLevel::Warning, "uninstall", std::string(what) + " " + place + ": nothing deleted");
    };
    for (const UninstallInstruction& instruction : instructions) {
        switch (instruction.action) {
        case UninstallAction::RemoveTree:
            services.remove_tree(instruction.path);
            break;
        case UninstallAction::DeleteEmptyBranch:
            DeleteEmptyBranch(files, instruction.path);
            break;
        case UninstallAction::DeleteFile:
            // A file already gone (its uninstaller took it, or an earlier entry) counts as deleted: the
            // reader is told only of a file that stays.
            if (!RemoveFile(files, instruction.path)) {
                left("delete file", instruction);
                if (services.report_undeletable) {
                    services.report_undeletable(instruction.path);
                }
            }
            DeleteEmptyBranch(files, DirectoryPart(instruction.path));
            break;
        case UninstallAction::DeleteFileQuietly:
            if (!RemoveFile(files, instruction.path)) {
                left("delete file", instruction);
            }
            break;
        case UninstallAction::DeleteKeyTree:
            if (!services.registry.DeleteKeyTree(instruction.root, utf8(instruction.key))) {
                left("delete key tree", instruction);
            }
            break;
        case UninstallAction::DeleteKey:
            if (!services.registry.DeleteKey(instruction.root, utf8(instruction.key))) {
                left("delete key", instruction);
            }
            break;
        case UninstallAction::DeleteValue:
            if (!services.registry.DeleteValue(instruction.root, utf8(instruction.key),
                                               utf8(instruction.value))) {
                left("delete value", instruction);
            }
            break;
        }
    }
}

} // namespace tavox
