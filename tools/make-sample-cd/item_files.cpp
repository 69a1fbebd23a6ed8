#include "item_files.h"

#include "base/ascii.h"
#include "rar-writer/rar_writer.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace sample_cd {

namespace {

std::string ItemPath(const ItemView& item, std::string_view file) {
    return std::string(item.page_dir) + "\\" + std::string(item.install_dir) + "\\" + std::string(file);
}

std::string Readme(const ItemView& item) {
    std::string text =
        std::string(item.name) + "\n" + std::string(item.firm) + "\n\n" + std::string(item.describe1) + "\n";
    if (!item.describe0.empty()) {
        text += "\n" + std::string(item.describe0) + "\n";
    }
    return text;
}

void AddOnce(std::vector<PayloadFile>& payload, std::string_view name, bool program) {
    const bool present = std::any_of(payload.begin(), payload.end(),
                                     [name](const PayloadFile& file) { return file.name == name; });
    if (!name.empty() && !present) {
        payload.push_back({std::string(name), program});
    }
}

} // namespace

ItemView ViewOf(const SampleDemo& demo) {
    return {.page_dir = "DEMOS",
            .name = demo.name,
            .firm = demo.firm,
            .describe0 = demo.describe0,
            .describe1 = demo.describe1,
            .install_dir = demo.install_dir,
            .install_name = demo.install_name,
            .setup_name = demo.setup_name,
            .gamename = demo.gamename,
            .readmename = demo.readmename,
            .reg_uninstall = demo.reg_uninstall,
            .install_type = demo.install_type,
            .files_in_archive = demo.files_in_archive,
            .stand_in = &demo.stand_in};
}

ItemView ViewOf(const SampleReader& reader) {
    return {.page_dir = "Readers",
            .name = reader.name,
            .firm = reader.firm,
            .describe1 = reader.describe1,
            .install_dir = reader.install_dir,
            .install_name = reader.install_name,
            .setup_name = reader.setup_name,
            .gamename = reader.gamename,
            .readmename = reader.readmename,
            .reg_uninstall = reader.reg_uninstall,
            .install_type = reader.install_type,
            .stand_in = &reader.stand_in};
}

std::vector<std::string> ProgramsOf(std::string_view gamename) {
    std::vector<std::string> programs;
    std::size_t start = 0;
    while (start < gamename.size()) {
        const std::size_t end = std::min(gamename.find(';', start), gamename.size());
        const std::string_view version = gamename.substr(start, end - start);
        if (const std::string_view file = version.substr(0, version.find(':')); !file.empty()) {
            programs.emplace_back(file);
        }
        start = end + 1;
    }
    return programs;
}

std::string DataFileContent(std::string_view name) {
    return "Data file " + std::string(name) + " of the sample TAVOX CD.\r\n";
}

std::vector<PayloadFile> PayloadOf(const ItemView& item) {
    std::vector<PayloadFile> payload;
    const StandIn& recipe = *item.stand_in;
    if (recipe.target.empty()) {
        return payload;
    }
    for (const std::string& program : ProgramsOf(item.gamename)) {
        AddOnce(payload, program, true);
    }
    AddOnce(payload, item.setup_name, true);
    if (recipe.uninstaller_place == UninstallerPlace::Installed) {
        AddOnce(payload, recipe.uninstaller, true);
    }
    AddOnce(payload, item.readmename, false);
    for (const std::string_view file : recipe.data_files) {
        AddOnce(payload, file, false);
    }
    return payload;
}

std::optional<std::string> CheckItem(const ItemView& item) {
    const StandIn& recipe = *item.stand_in;
    const std::string name(item.name);
    if (recipe.installer.empty()) {
        return std::nullopt;
    }
    if (recipe.installer != item.install_name) {
        return name + ": the stand-in installer is not the item's InstallName";
    }
    if (!recipe.target.empty() && PathBelowC(recipe.target).empty()) {
        return name + ": the game must go to drive C:";
    }
    if (!recipe.saves_dir.empty() && PathBelowC(recipe.saves_dir).empty()) {
        return name + ": the saved games must go to drive C:";
    }
    for (const std::string_view file : recipe.loose_files) {
        if (PathBelowC(file).empty()) {
            return name + ": a file left behind must be on drive C: (" + std::string(file) + ")";
        }
    }
    if (!recipe.uninstall_command.empty()) {
        const std::string program = std::string(recipe.target) + "\\" + std::string(recipe.uninstaller);
        if (recipe.uninstaller_place != UninstallerPlace::Installed ||
            !recipe.uninstall_command.starts_with(program)) {
            return name + ": the registered uninstall command does not start the installed uninstaller";
        }
        if (item.reg_uninstall.empty()) {
            return name + ": an uninstall command needs a RegUninstall key";
        }
    }
    if (recipe.uninstaller_place != UninstallerPlace::None && recipe.target.empty()) {
        return name + ": an uninstaller needs a game directory to remove";
    }
    return std::nullopt;
}

std::optional<DosPrograms> ReadDosPrograms(const std::filesystem::path& dir) {
    DosPrograms programs;
    for (const auto& [name, bytes] :
         {std::pair{"INSTALL.EXE", &programs.installer}, std::pair{"ZUBR.EXE", &programs.game},
          std::pair{"WRITEINI.EXE", &programs.write_ini}}) {
        std::ifstream file(dir / name, std::ios::binary);
        *bytes = std::string(std::istreambuf_iterator<char>(file), {});
        if (!file || bytes->size() < 2 || !bytes->starts_with("MZ")) {
            return std::nullopt;
        }
    }
    return programs;
}

void WriteShownProgram(CdFiles& files, const WindowsPrograms* windows, std::string_view cd_path,
                       std::string_view what) {
    if (windows != nullptr) {
        files.Bytes(cd_path, windows->game);
    } else {
        files.Program(cd_path, ProgramStandIn(cd_path.substr(cd_path.rfind('\\') + 1), what));
    }
}

void WriteItemFiles(const ItemView& item, std::string_view reg_tool, const DosPrograms& dos,
                    const WindowsPrograms* windows, CdFiles& files) {
    if (!item.readmename.empty()) {
        files.Text(ItemPath(item, item.readmename), Readme(item));
    }
    const std::string game = "the game \"" + std::string(item.name) + "\"";
    // Items that run from the CD carry their programs in their directory.
    if (item.install_type == 0 || item.install_type == 10) {
        for (const std::string& program : ProgramsOf(item.gamename)) {
            WriteShownProgram(files, windows, ItemPath(item, program), game);
        }
        if (!item.setup_name.empty()) {
            WriteShownProgram(files, windows, ItemPath(item, item.setup_name), "the setup of " + game);
        }
    }
    if (IsArchiveName(item.install_name)) {
        files.Bytes(ItemPath(item, item.install_name), ItemArchive(item, windows));
    }
    const StandIn& recipe = *item.stand_in;
    if (recipe.installer.empty()) {
        return; // it runs from the CD, or it unpacks from its archive
    }
    const std::vector<PayloadFile> payload = PayloadOf(item);
    const auto script_item = [&](std::string_view file_name) {
        return ScriptItem{file_name, item.name, item.reg_uninstall, reg_tool};
    };
    // A setup or uninstaller: the real program with its steps beside it, or its stand-in script.
    const auto write_setup = [&](const std::string& cd_path, std::string_view file_name, bool uninstalls) {
        if (windows != nullptr) {
            const ScriptItem steps_item = script_item(file_name);
            files.Bytes(cd_path, windows->setup);
            files.Text(cd_path.substr(0, cd_path.rfind('\\') + 1) + StepsFileOf(file_name),
                       uninstalls ? UninstallSteps(recipe, payload, steps_item)
                                  : SetupSteps(recipe, payload, steps_item));
        } else {
            files.Program(cd_path, uninstalls ? UninstallerScript(recipe, payload, script_item(file_name))
                                              : InstallerScript(recipe, payload, script_item(file_name)));
        }
    };
    if (recipe.dos) {
        files.Bytes(ItemPath(item, recipe.installer), dos.installer);
    } else {
        write_setup(ItemPath(item, recipe.installer), recipe.installer, false);
    }
    const std::string data_dir = ItemPath(item, "DATA\\");
    for (const PayloadFile& file : payload) {
        if (recipe.dos && file.program) {
            files.Bytes(data_dir + file.name, dos.game);
        } else if (file.name == recipe.uninstaller) {
            write_setup(data_dir + file.name, file.name, true);
        } else if (file.name == item.readmename) {
            files.Text(data_dir + file.name, Readme(item));
        } else if (file.program) {
            WriteShownProgram(files, windows, data_dir + file.name,
                              "a program of \"" + std::string(item.name) + "\"");
        } else {
            files.Bytes(data_dir + file.name, DataFileContent(file.name));
        }
    }
    if (!recipe.system_file.empty()) {
        files.Bytes(data_dir + std::string(recipe.system_file), DataFileContent(recipe.system_file));
    }
    if (recipe.uninstaller_place == UninstallerPlace::OnCd) {
        write_setup(ItemPath(item, recipe.uninstaller), recipe.uninstaller, true);
    }
}

bool IsArchiveName(std::string_view name) {
    return tavox::EndsWithIgnoringAsciiCase(name, ".RAR");
}

std::string ArchivedProgram(const WindowsPrograms* windows, std::string_view file_name,
                            std::string_view what) {
    return windows != nullptr ? windows->game : "MZ\n" + ProgramStandIn(file_name, what);
}

std::string ItemArchive(const ItemView& item, const WindowsPrograms* windows) {
    namespace rw = tavox::rar_writer;
    rw::Archive archive;
    const std::string what = "the game \"" + std::string(item.name) + "\"";
    const std::vector<std::string> programs = ProgramsOf(item.gamename);
    for (const std::string& program : programs) {
        archive.entries.push_back(rw::File(program, ArchivedProgram(windows, program, what)));
    }
    if (!item.setup_name.empty()) {
        const std::string setup(item.setup_name);
        if (windows == nullptr) {
            archive.entries.push_back(
                rw::File(setup, ArchivedProgram(nullptr, setup, "the setup of " + what)));
        } else {
            const std::string steps =
                UnpackedSetupSteps(setup, programs.empty() ? setup : programs.front(), item.name);
            archive.entries.push_back(rw::File(setup, windows->setup));
            archive.entries.push_back(rw::File(StepsFileOf(setup), CdText(steps).value_or("")));
        }
    }
    if (!item.readmename.empty()) {
        archive.entries.push_back(rw::File(std::string(item.readmename), CdText(Readme(item)).value_or("")));
    }
    // The levels fill the archive up to the count the catalogue gives; without one, three of them.
    const int wanted = item.files_in_archive.empty() ? static_cast<int>(archive.entries.size()) + 4
                                                     : std::stoi(std::string(item.files_in_archive));
    archive.entries.push_back(rw::Directory("DATA"));
    for (int level = 1; static_cast<int>(archive.entries.size()) < wanted; ++level) {
        const std::string name =
            "LEVEL" + std::string(level < 10 ? "0" : "") + std::to_string(level) + ".DAT";
        archive.entries.push_back(rw::File("DATA\\" + name, DataFileContent(name)));
    }
    return rw::Write(archive);
}

} // namespace sample_cd
