// The Uninstall value on arbitrary text, parsed for a machine with drives C: and D: only and then carried
// out: every path an instruction names lies on one of those drives or names no place at all, registry
// instructions name a key below the root, and nothing beside the drives is touched.

#include "fuzz_support.h"
#include "installer/deletion.h"
#include "installer/uninstall_script.h"
#include "platform/drive_map.h"
#include "platform/file_system.h"
#include "platform/registry.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace {

namespace fs = std::filesystem;
using tavox::fuzz::Require;
using tavox::fuzz::WriteBytes;

constexpr std::string_view kKept = "kept";

struct World {
    World() {
        const fs::path& root = tavox::fuzz::ScratchDir();
        drive_c = root / "drives" / "c";
        drive_d = root / "drives" / "d";
        outside = root / "outside";
        fs::create_directories(outside);
        WriteBytes(outside / "keep.txt", kKept);
        drives.Map('C', drive_c, tavox::DriveType::Fixed);
        drives.Map('D', drive_d, tavox::DriveType::CdRom);
    }

    // The files an item leaves behind, written again for every input.
    void Populate() const {
        for (const char* file :
             {"GAMES/X/GAME.EXE", "GAMES/X/DATA/LEVEL.DAT", "WINDOWS/GAME.INI", "WINDOWS/SYSTEM/GAME.DLL",
              "WINDOWS/Desktop/Game.lnk", "WINDOWS/Start Menu/Programs/Game/Game.lnk"}) {
            fs::create_directories((drive_c / file).parent_path());
            WriteBytes(drive_c / file, "x");
        }
        fs::create_directories(drive_d / "DEMOS");
        WriteBytes(drive_d / "DEMOS" / "SETUP.EXE", "MZ");
    }

    fs::path drive_c;
    fs::path drive_d;
    fs::path outside;
    tavox::DriveMap drives;
};

bool IsInside(const fs::path& path, const fs::path& root) {
    const fs::path normal = path.lexically_normal();
    const auto [end, _] = std::mismatch(root.begin(), root.end(), normal.begin(), normal.end());
    return end == root.end();
}

bool IsPathAction(tavox::UninstallAction action) {
    using tavox::UninstallAction;
    return action == UninstallAction::RemoveTree || action == UninstallAction::DeleteEmptyBranch ||
           action == UninstallAction::DeleteFile || action == UninstallAction::DeleteFileQuietly;
}

void CheckInstructions(const World& world, const std::vector<tavox::UninstallInstruction>& instructions) {
    for (const tavox::UninstallInstruction& instruction : instructions) {
        if (IsPathAction(instruction.action)) {
            Require(!instruction.path.empty() && instruction.key.empty(), "a path action names a path only");
            if (const auto host = world.drives.ToHostPath(instruction.path)) {
                Require(IsInside(*host, world.drive_c) || IsInside(*host, world.drive_d),
                        "a path lies on a mapped drive");
            }
            continue;
        }
        Require(instruction.path.empty(), "a registry action names no path");
        Require(instruction.key.size() > 1 && instruction.key.front() == '\\',
                "a registry key starts with a backslash and is not the root");
        Require((instruction.action == tavox::UninstallAction::DeleteValue) == !instruction.value.empty(),
                "a value name exactly for a value deletion");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4096) {
        return 0;
    }
    static World world;
    tavox::fuzz::InputReader input(data, size);
    // The item's directory as the settings file recorded it: usually a plain one, sometimes anything.
    const std::uint8_t choice = input.Byte();
    tavox::UninstallFolders folders;
    folders.InstalledDir = choice % 4 == 0 ? std::string(input.Text(64)) : "C:\\GAMES\\X";
    folders.SystemDir = "C:\\WINDOWS\\SYSTEM\\";
    folders.WindowsDir = "C:\\WINDOWS\\";
    folders.StartMenuDir = "C:\\WINDOWS\\Start Menu\\Programs\\";
    folders.DesktopDir = "C:\\WINDOWS\\Desktop\\";
    const std::string_view script = input.Rest();

    const auto instructions = tavox::ParseUninstallScript(script, folders);
    CheckInstructions(world, instructions);
    if (choice % 2 != 0) {
        return 0; // carrying them out costs file work: every other input is enough
    }

    world.Populate();
    const fs::path& root = tavox::fuzz::ScratchDir();
    tavox::FileSystem files(world.drives);
    tavox::Registry registry(root / "system.reg", root / "user.reg");
    const tavox::TreeDeletion deletion{files, "C:\\WINDOWS", {}};
    const tavox::UninstallServices services{
        files, registry, [&deletion](const std::string& dir) { tavox::RemoveTree(deletion, dir); }, {}};
    tavox::RunUninstallScript(instructions, services);
    Require(tavox::fuzz::ReadBytes(world.outside / "keep.txt") == kKept, "nothing beside the drives changes");
    Require(fs::is_directory(world.drive_c) && fs::is_directory(world.drive_d), "the drive roots stay");
    return 0;
}
