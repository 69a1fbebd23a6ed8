// tavox-reg: the add, delete and query commands of the Windows reg tool, over a machine's registry files, so
// that scripts and tests can look at and prepare what the menu and the games find in the registry.

#include "base/ascii.h"
#include "platform/registry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavox::EqualsIgnoringAsciiCase;
using tavox::FailureKind;
using tavox::Registry;
using tavox::RegistryRoot;
using tavox::Status;

constexpr std::string_view kUsage =
    "Usage:\n"
    "  tavox-reg [--machine DIR] add KEY [/v NAME | /ve] [/t REG_SZ] [/d DATA] [/f]\n"
    "  tavox-reg [--machine DIR] delete KEY [/v NAME | /ve | /va] [/f]\n"
    "  tavox-reg [--machine DIR] query KEY [/v NAME | /ve]\n"
    "\n"
    "KEY starts with HKLM\\ or HKEY_LOCAL_MACHINE\\, HKCU\\ or HKEY_CURRENT_USER\\.\n"
    "The registry files are DIR/system.reg and DIR/user.reg. DIR defaults to $WINEPREFIX, else to\n"
    "$XDG_DATA_HOME/tavox95/machine (~/.local/share/tavox95/machine).\n"
    "The registry is seen as a 32-bit program sees it: on a 64-bit Wine prefix, HKLM\\Software\\X is read\n"
    "from HKLM\\Software\\Wow6432Node\\X first, written there, and deleted from both places.\n";

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int Fail(std::string_view message) {
    Print(stderr, "ERROR: ");
    Print(stderr, message);
    Print(stderr, "\n");
    return 1;
}

int BadSyntax() {
    Print(stderr, "ERROR: Invalid syntax.\n");
    Print(stderr, kUsage);
    return 1;
}

int NotFound() {
    return Fail("The system was unable to find the specified registry key or value.");
}

int Success() {
    Print(stdout, "The operation completed successfully.\n");
    return 0;
}

struct KeyName {
    RegistryRoot root = RegistryRoot::LocalMachine;
    std::string full_name; // as reg prints it: the root spelled out
    std::string path;      // below the root
};

std::optional<KeyName> ParseKey(std::string_view text) {
    const std::size_t separator = text.find('\\');
    const std::string_view root = text.substr(0, separator);
    std::string_view path =
        separator == std::string_view::npos ? std::string_view() : text.substr(separator + 1);
    while (!path.empty() && path.back() == '\\') {
        path.remove_suffix(1);
    }
    KeyName key;
    if (EqualsIgnoringAsciiCase(root, "HKLM") || EqualsIgnoringAsciiCase(root, "HKEY_LOCAL_MACHINE")) {
        key.root = RegistryRoot::LocalMachine;
        key.full_name = "HKEY_LOCAL_MACHINE";
    } else if (EqualsIgnoringAsciiCase(root, "HKCU") || EqualsIgnoringAsciiCase(root, "HKEY_CURRENT_USER")) {
        key.root = RegistryRoot::CurrentUser;
        key.full_name = "HKEY_CURRENT_USER";
    } else {
        return std::nullopt;
    }
    key.path = path;
    if (!path.empty()) {
        key.full_name += '\\';
        key.full_name += path;
    }
    return key;
}

enum class Operation { Add, Delete, Query };

struct Command {
    Operation operation = Operation::Query;
    std::optional<std::filesystem::path> machine;
    KeyName key;
    std::optional<std::string> value_name; // "" for the default value
    bool all_values = false;
    std::optional<std::string> data;
};

bool IsSwitch(std::string_view argument, std::string_view name) {
    return argument.size() == name.size() + 1 && (argument[0] == '/' || argument[0] == '-') &&
           EqualsIgnoringAsciiCase(argument.substr(1), name);
}

std::optional<Command> ParseCommand(const std::vector<std::string_view>& arguments) {
    Command command;
    std::size_t next = 0;
    if (next < arguments.size() && arguments[next] == "--machine") {
        if (next + 1 >= arguments.size() || arguments[next + 1].empty()) {
            return std::nullopt;
        }
        command.machine = std::filesystem::path(arguments[next + 1]);
        next += 2;
    } else if (next < arguments.size() && arguments[next].starts_with("--machine=")) {
        command.machine = std::filesystem::path(arguments[next].substr(10));
        ++next;
    }
    if (arguments.size() < next + 2) {
        return std::nullopt;
    }
    const std::string_view operation = arguments[next++];
    if (EqualsIgnoringAsciiCase(operation, "add")) {
        command.operation = Operation::Add;
    } else if (EqualsIgnoringAsciiCase(operation, "delete")) {
        command.operation = Operation::Delete;
    } else if (EqualsIgnoringAsciiCase(operation, "query")) {
        command.operation = Operation::Query;
    } else {
        return std::nullopt;
    }
    const auto key = ParseKey(arguments[next++]);
    if (!key) {
        return std::nullopt;
    }
    command.key = *key;
    const bool add = command.operation == Operation::Add;
    while (next < arguments.size()) {
        const std::string_view argument = arguments[next++];
        const bool has_operand = next < arguments.size();
        if (IsSwitch(argument, "v") && has_operand && !command.value_name && !command.all_values) {
            command.value_name = std::string(arguments[next++]);
        } else if (IsSwitch(argument, "ve") && !command.value_name && !command.all_values) {
            command.value_name = std::string();
        } else if (IsSwitch(argument, "va") && command.operation == Operation::Delete &&
                   !command.value_name) {
            command.all_values = true;
        } else if (IsSwitch(argument, "d") && add && has_operand && !command.data) {
            command.data = std::string(arguments[next++]);
        } else if (IsSwitch(argument, "t") && add && has_operand &&
                   EqualsIgnoringAsciiCase(arguments[next], "REG_SZ")) {
            ++next; // the only type we write
        } else if (IsSwitch(argument, "f") && command.operation != Operation::Query) {
            // never a prompt to force past
        } else {
            return std::nullopt;
        }
    }
    return command;
}

std::optional<std::filesystem::path> DefaultMachine() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::string_view(value) : std::string_view();
    };
    if (const auto prefix = variable("WINEPREFIX"); !prefix.empty()) {
        return std::filesystem::path(prefix);
    }
    // The XDG rules ignore a relative XDG_DATA_HOME.
    if (const auto data_home = variable("XDG_DATA_HOME"); !data_home.empty() && data_home.front() == '/') {
        return std::filesystem::path(data_home) / "tavox95" / "machine";
    }
    if (const auto home = variable("HOME"); !home.empty()) {
        return std::filesystem::path(home) / ".local" / "share" / "tavox95" / "machine";
    }
    return std::nullopt;
}

std::string ValueLine(std::string_view name, std::string_view data) {
    std::string line = "    ";
    line += name.empty() ? std::string_view("(Default)") : name;
    line += "    REG_SZ    ";
    line += data;
    line += '\n';
    return line;
}

int Add(Registry& registry, const Command& command) {
    const auto& key = command.key;
    // Data without a name sets the default value, as reg does.
    const Status written =
        command.value_name || command.data
            ? registry.WriteString(key.root, key.path, command.value_name.value_or(std::string()),
                                   command.data.value_or(std::string()))
            : registry.CreateKey(key.root, key.path);
    return written ? Success() : Fail("The registry file could not be written.");
}

int Delete(Registry& registry, const Command& command) {
    const auto& key = command.key;
    if (!registry.KeyExists(key.root, key.path)) {
        return NotFound();
    }
    if (command.value_name) {
        // Only a value that is not there is not found; a file that cannot be written is a failure.
        const Status deleted = registry.DeleteValue(key.root, key.path, *command.value_name);
        if (!deleted && deleted.Error().kind != FailureKind::NotFound) {
            return Fail("The registry file could not be written.");
        }
        return deleted ? Success() : NotFound();
    }
    if (command.all_values) {
        for (const auto& name : registry.ValueNames(key.root, key.path)) {
            if (!registry.DeleteValue(key.root, key.path, name)) {
                return Fail("The registry file could not be written.");
            }
        }
        return Success();
    }
    return registry.DeleteKeyTree(key.root, key.path) ? Success()
                                                      : Fail("The registry file could not be written.");
}

int Query(const Registry& registry, const Command& command) {
    const auto& key = command.key;
    if (!registry.KeyExists(key.root, key.path)) {
        return NotFound();
    }
    std::string out = "\n" + key.full_name + "\n";
    if (command.value_name) {
        const auto data = registry.ReadString(key.root, key.path, *command.value_name);
        if (!data) {
            return NotFound();
        }
        // Printed as the registry spells it, like reg does.
        std::string_view name = *command.value_name;
        const auto names = registry.ValueNames(key.root, key.path);
        const auto stored = std::find_if(names.begin(), names.end(), [name](const std::string& candidate) {
            return EqualsIgnoringAsciiCase(candidate, name);
        });
        out += ValueLine(stored != names.end() ? std::string_view(*stored) : name, *data);
        out += '\n';
    } else {
        // Only string values: the registry layer reads no other type.
        for (const auto& name : registry.ValueNames(key.root, key.path)) {
            if (const auto data = registry.ReadString(key.root, key.path, name)) {
                out += ValueLine(name, *data);
            }
        }
        out += '\n';
        for (const auto& subkey : registry.SubKeys(key.root, key.path)) {
            out += key.full_name + "\\" + subkey + "\n";
        }
    }
    Print(stdout, out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.size() == 1 && (arguments[0] == "/?" || arguments[0] == "--help")) {
        Print(stdout, kUsage);
        return 0;
    }
    const auto command = ParseCommand(arguments);
    if (!command) {
        return BadSyntax();
    }
    if (command->operation != Operation::Query && command->key.path.empty()) {
        return Fail("Invalid key name.");
    }
    const auto machine = command->machine ? command->machine : DefaultMachine();
    if (!machine) {
        return Fail("No machine directory: give --machine DIR or set WINEPREFIX or HOME.");
    }
    Registry registry(*machine / "system.reg", *machine / "user.reg");
    switch (command->operation) {
    case Operation::Add:
        return Add(registry, *command);
    case Operation::Delete:
        return Delete(registry, *command);
    case Operation::Query:
        return Query(registry, *command);
    }
    return 1;
}
