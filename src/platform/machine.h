#pragma once

#include "base/result.h"
#include "platform/drive_map.h"
#include "platform/file_system.h"
#include "platform/registry.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavox {

// The machine the menu runs on: a directory in the shape of a Wine prefix (drive_c/, dosdevices/,
// system.reg, user.reg). Its drives, registry, folders and environment stand in for the Windows ones, so an
// existing Wine prefix works as it is and installers started under Wine see what the menu sees.
class Machine {
public:
    // Reads the machine at `root` (see CreateMachineLayout for making one).
    explicit Machine(std::filesystem::path root);
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    const DriveMap& Drives() const { return drives_; }
    const FileSystem& Files() const { return files_; }
    FileSystem& Files() { return files_; }
    const Registry& Reg() const { return registry_; }
    Registry& Reg() { return registry_; }

    // The Windows directory without a trailing backslash ("C:\WINDOWS"), as GetWindowsDirectory gives it.
    std::string WindowsDir() const;
    // "system32" inside the Windows directory where it exists (a Wine prefix), else "SYSTEM" (Windows 95).
    std::string SystemDir() const;
    // The host paths of the files named `name` (in any letter case) in the folders beside the Windows folder
    // whose names differ from its own only in letter case. Wine's first start on a machine makes its own
    // "windows" beside the "WINDOWS" it had, and points SystemRoot there: such a folder is the old one.
    std::vector<std::filesystem::path> FilesOfFormerWindowsFolders(std::string_view name) const;
    // A value of the current user's Shell Folders ("Programs", "Desktop"); empty when missing.
    std::string ShellFolder(std::string_view name) const;
    // An environment variable of the machine (the user's, then the system's), with %NAME% references
    // expanded; nothing when it is not set. The host's own environment does not count.
    std::optional<std::string> EnvironmentVariable(std::string_view name) const;

    // Maps a host directory to a drive letter: the dosdevices link and Wine's drive type are written, so
    // programs started under Wine see the same drive.
    Status MapDrive(char letter, const std::filesystem::path& host_dir, DriveType type);
    // The image file the CD at `letter` was read from (nothing for a disc folder), for programs that mount
    // the image themselves (DOSBox); forgotten when that letter is mapped again.
    void SetDiscImage(char letter, std::optional<std::filesystem::path> image) {
        disc_letter_ = letter;
        disc_image_ = std::move(image);
    }
    char DiscImageLetter() const { return disc_letter_; }
    const std::filesystem::path* DiscImage() const { return disc_image_ ? &*disc_image_ : nullptr; }
    // The first letter from `first` to Z that no drive uses; nothing when all are taken.
    std::optional<char> FirstFreeLetter(char first = 'D') const;

    // The code page of Windows names and registry texts: the one of the Windows the CD was made for.
    void SetNameCodePage(CodePage code_page) { drives_.SetNameCodePage(code_page); }

    // Reads the drives again from dosdevices/ and the registry.
    void ReloadDrives();

private:
    std::optional<std::string> ExpandVariable(std::string_view name, int depth) const;

    std::filesystem::path root_;
    Registry registry_;
    DriveMap drives_;
    FileSystem files_{drives_};
    char disc_letter_ = 0;
    std::optional<std::filesystem::path> disc_image_;
};

// Makes the layout of a new machine at `root` where it is missing: drive C: with the Windows folder named as
// Wine names it, "windows" (so that Wine's first start there makes no second one), with SYSTEM, TEMP, the
// Start-menu programs and desktop folders, and registry files with the Shell Folders, the environment and the
// drive types. A folder that exists in another letter case is used as it is (a copied disk's "WINDOWS"). An
// existing machine or Wine prefix is left as it is. Fails, naming what, when something could not be created.
Status CreateMachineLayout(const std::filesystem::path& root);

// $XDG_DATA_HOME/tavox95/machine, or ~/.local/share/tavox95/machine.
std::filesystem::path DefaultMachineDir();

} // namespace tavox
