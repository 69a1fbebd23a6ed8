#include "platform/dosbox_config.h"

#include "platform/ascii.h"

#include <fstream>

namespace tavox {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kDosLabelChars = 11;

std::string_view MountType(DriveType type) {
    switch (type) {
    case DriveType::CdRom:
        return " -t cdrom";
    case DriveType::Removable:
        return " -t floppy";
    default:
        return "";
    }
}

std::string_view FirstLine(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

} // namespace

std::vector<DosboxMount> DosboxMounts(const DriveMap& drives) {
    std::vector<DosboxMount> mounts;
    for (const Drive& drive : drives.Drives()) {
        std::error_code ec;
        const fs::path dir = fs::canonical(drive.root, ec);
        if (ec || dir == dir.root_path()) {
            continue;
        }
        mounts.push_back({drive.letter, dir, drive.type,
                          drive.type == DriveType::CdRom ? DiscLabel(drive.root) : std::string()});
    }
    return mounts;
}

std::string DiscLabel(const fs::path& drive_dir) {
    std::ifstream file(drive_dir / ".windows-label", std::ios::binary);
    std::string line;
    std::getline(file, line);
    std::string label;
    for (const char c : FirstLine(line)) {
        if (label.size() == kDosLabelChars) {
            break;
        }
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
            label += c;
        } else if (c >= 'a' && c <= 'z') {
            label += ToUpperAscii(c);
        } else if (c == ' ') {
            label += '_';
        }
    }
    return label;
}

std::string DosboxConfiguration(const DosboxStart& start) {
    std::string text = "# Written by the TAVOX CD menu for one program; removed when DOSBox ends.\n"
                       "[autoexec]\n"
                       "@echo off\n";
    for (const DosboxMount& mount : start.mounts) {
        const std::string host = mount.host_dir.string();
        if (host.find_first_of("\"\r\n") != std::string::npos) {
            continue;
        }
        text += "mount ";
        text += mount.letter;
        text += " \"" + host + "\"";
        text += MountType(mount.type);
        if (!mount.label.empty()) {
            text += " -label " + mount.label;
        }
        text += "\n";
    }
    const std::string_view directory = FirstLine(start.directory);
    if (directory.size() >= 2 && directory[1] == ':') {
        text += std::string(directory.substr(0, 2)) + "\n";
        text += "cd " + std::string(directory.size() > 2 ? directory.substr(2) : "\\") + "\n";
    }
    text += start.batch ? "call " : "";
    text += std::string(FirstLine(start.program));
    if (const std::string_view arguments = FirstLine(start.arguments); !arguments.empty()) {
        text += " " + std::string(arguments);
    }
    text += "\nexit\n";
    return text;
}

} // namespace tavox
