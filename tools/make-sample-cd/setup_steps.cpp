#include "setup_steps.h"

#include <fstream>
#include <iterator>

namespace sample_cd {

namespace {

constexpr std::string_view kUninstallKey = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr std::string_view kGrpConv = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\";

// One step: its name and fields, separated by "|".
std::string Step(std::initializer_list<std::string_view> fields) {
    std::string line;
    for (const std::string_view field : fields) {
        line += line.empty() ? "" : "|";
        line += field;
    }
    return line + "\n";
}

std::string Join(std::string_view dir, std::string_view name) {
    return std::string(dir) + "\\" + std::string(name);
}

// A path in the Windows directory as the program finds it, whatever the machine spells it.
std::string InWindows(std::string_view name) {
    return Join("%W", name);
}

std::string Comment(const ScriptItem& item, std::string_view what) {
    return "; " + std::string(item.file_name) + " of the sample TAVOX CD: " + std::string(what) + " \"" +
           std::string(item.title) + "\".\n";
}

// What the game leaves behind besides its directory, as the stand-in scripts leave it.
std::string LeftBehind(const StandIn& recipe, std::span<const PayloadFile> payload, const ScriptItem& item) {
    const std::string note = "Left by \"" + std::string(item.title) + "\".";
    std::string text;
    for (const std::string_view file : recipe.loose_files) {
        text += Step({"TEXT", file, note});
    }
    const std::string game = payload.empty() ? std::string() : Join(recipe.target, payload.front().name);
    if (!recipe.desktop_shortcut.empty()) {
        text += Step({"LINK", Join("%D", recipe.desktop_shortcut), game});
    }
    if (!recipe.start_menu_shortcut.empty()) {
        text += Step({"LINK", Join("%P", recipe.start_menu_shortcut), game});
    }
    for (const RegistryValue& value : recipe.registry_values) {
        text += Step({"REG", value.key, value.name, value.data});
    }
    if (!recipe.program_group.name.empty()) {
        const std::string_view name = recipe.program_group.name;
        // Windows names the group file by its Windows path, in the Windows directory's own spelling.
        text += Step({"TEXT", InWindows(recipe.program_group.file), note});
        text += Step({"REG", std::string(kGrpConv) + "MapGroups", name, name});
        text += Step({"REG", std::string(kGrpConv) + "Groups", InWindows(recipe.program_group.file), name});
    }
    return text;
}

} // namespace

std::optional<WindowsPrograms> ReadWindowsPrograms(const std::filesystem::path& dir) {
    WindowsPrograms programs;
    for (const auto& [name, bytes] :
         {std::pair{"SETUP.EXE", &programs.setup}, std::pair{"GAME.EXE", &programs.game}}) {
        std::ifstream file(dir / name, std::ios::binary);
        *bytes = std::string(std::istreambuf_iterator<char>(file), {});
        if (!file || !bytes->starts_with("MZ")) {
            return std::nullopt;
        }
    }
    return programs;
}

std::string StepsFileOf(std::string_view program) {
    return std::string(program.substr(0, program.rfind('.'))) + ".INF";
}

std::string SetupSteps(const StandIn& recipe, std::span<const PayloadFile> payload, const ScriptItem& item) {
    std::string text = Comment(item, "installs");
    const std::string target(recipe.target);
    if (!target.empty()) {
        text += Step({"DIR", target});
        for (const PayloadFile& file : payload) {
            text += Step({"COPY", "%T\\DATA\\" + file.name, Join(target, file.name)});
        }
        if (recipe.uninstaller_place == UninstallerPlace::Installed) {
            const std::string steps = StepsFileOf(recipe.uninstaller);
            text += Step({"COPY", "%T\\DATA\\" + steps, Join(target, steps)});
        }
    }
    if (!recipe.saves_dir.empty()) {
        text += Step({"TEXT", Join(recipe.saves_dir, "SLOT1.SAV"), "empty slot"});
    }
    if (!recipe.system_file.empty()) {
        text += Step({"COPY", "%T\\DATA\\" + std::string(recipe.system_file),
                      InWindows("SYSTEM\\" + std::string(recipe.system_file))});
    }
    if (!recipe.windows_ini.empty()) {
        text += Step({"INI", InWindows(recipe.windows_ini), "Setup", "Installed", "1"});
        if (!target.empty()) {
            text += Step({"INI", InWindows(recipe.windows_ini), "Setup", "Path", target});
        }
    }
    if (recipe.sierra_ini) {
        text += Step({"INI", InWindows("sierra.ini"), "Sierra", "SierraDir", target});
    }
    if (!recipe.profile.file.empty()) {
        text +=
            Step({"INI", InWindows(recipe.profile.file), recipe.profile.section, recipe.profile.key, target});
    }
    if (!recipe.menu_record_key.empty()) {
        text += "; Made for the CD: it tells the menu where the game went.\n";
        text += Step({"INI", InWindows("tavox.ini"), kSettingsSection, recipe.menu_record_key, target});
    }
    if (!recipe.uninstall_command.empty()) {
        const std::string key = std::string(kUninstallKey) + std::string(item.reg_uninstall);
        text += Step({"REG", key, "DisplayName", item.title});
        text += Step({"REG", key, "UninstallString", recipe.uninstall_command});
    }
    if (!recipe.user_key.empty()) {
        text += Step({"REG", "HKCU\\" + std::string(recipe.user_key), "Path", target});
    }
    return text + LeftBehind(recipe, payload, item);
}

std::string UninstallSteps(const StandIn& recipe, std::span<const PayloadFile> payload,
                           const ScriptItem& item) {
    std::string text = Comment(item, "removes");
    if (!recipe.uninstall_switch.empty()) {
        text += "; The same program is the game's setup; it removes the game only when asked to.\n";
        text += Step({"ONLY", recipe.uninstall_switch});
    }
    text += "; While this file is in the Windows directory, the reader pressed Cancel: nothing is removed.\n";
    text += Step({"CANCEL", InWindows(kCancelUninstallFile)});
    const std::string target(recipe.target);
    if (recipe.uninstaller_place == UninstallerPlace::Installed) {
        text += Step({"ASIDE"});
        text += Step({"DEL", Join(target, StepsFileOf(recipe.uninstaller))});
    }
    for (const PayloadFile& file : payload) {
        text += Step({"DEL", Join(target, file.name)});
    }
    if (!recipe.profile.file.empty()) {
        text += Step({"DEL", InWindows(recipe.profile.file)});
    }
    text += Step({"PRUNE", target});
    if (!recipe.uninstall_command.empty()) {
        text += Step({"UNREG", std::string(kUninstallKey) + std::string(item.reg_uninstall)});
    }
    return text;
}

std::string UnpackedSetupSteps(std::string_view setup_name, std::string_view game, std::string_view title) {
    const ScriptItem item{setup_name, title, {}, {}};
    const std::string settings = std::string(game.substr(0, game.rfind('.'))) + ".INI";
    return Comment(item, "sets up") + Step({"INI", Join("%T", settings), "Setup", "Detail", "High"});
}

} // namespace sample_cd
