#include "launch/dosbox_config.h"

#include "base/ascii.h"
#include "disc/cue_sheet.h"
#include "disc/disc_image.h"

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

bool WritableInCommand(const std::string& host) {
    return host.find_first_of("\"\r\n") == std::string::npos;
}

bool IsCueSheet(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text(4096, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return LooksLikeCueSheet(text);
}

std::string ImageMountLine(char letter, const DosboxImage& image) {
    std::string line = "imgmount ";
    line += letter;
    switch (image.kind) {
    case DosboxImageKind::Iso:
        return line + " \"" + image.file.string() + "\" -t iso\n";
    case DosboxImageKind::CueSheet:
        return line + " \"" + image.file.string() + "\" -t cdrom\n";
    case DosboxImageKind::RawMode1:
    case DosboxImageKind::RawMode2Form1:
        return line + " " + std::string(kDosboxCueFile) + " -t cdrom\n";
    }
    return {};
}

} // namespace

std::optional<DosboxImage> DosboxImageOf(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) {
        return std::nullopt;
    }
    const Result<DiscImage> opened = OpenDiscImage(path);
    if (!opened) {
        return std::nullopt; // not an image DOSBox is given: the disc's folder is mounted instead
    }
    const DiscImage& disc = *opened;
    const fs::path file = fs::absolute(path, ec);
    // DOSBox looks for the file system on the first track, in sectors of 2048 or 2352 bytes.
    if (disc.layout.first_sector != 0 ||
        (disc.layout.sector_size != 2048 && disc.layout.sector_size != 2352)) {
        return std::nullopt;
    }
    if (disc.data_file != path && IsCueSheet(path)) {
        return DosboxImage{file, DosboxImageKind::CueSheet};
    }
    // Other descriptors are mounted through their data file where the data track starts it.
    const fs::path data_file = fs::absolute(disc.data_file, ec);
    if (disc.layout.start_byte != 0 || !WritableInCommand(data_file.string())) {
        return std::nullopt;
    }
    switch (disc.layout.format) {
    case SectorFormat::Plain:
        return DosboxImage{data_file, DosboxImageKind::Iso};
    case SectorFormat::RawMode1:
        return disc.layout.sector_size == 2352
                   ? std::optional(DosboxImage{data_file, DosboxImageKind::RawMode1})
                   : std::nullopt;
    case SectorFormat::RawMode2Form1:
        return disc.layout.sector_size == 2352
                   ? std::optional(DosboxImage{data_file, DosboxImageKind::RawMode2Form1})
                   : std::nullopt;
    }
    return std::nullopt;
}

std::string DosboxCueSheet(const DosboxImage& image) {
    const bool mode1 = image.kind == DosboxImageKind::RawMode1;
    if (!mode1 && image.kind != DosboxImageKind::RawMode2Form1) {
        return {};
    }
    return "FILE \"" + image.file.string() + "\" BINARY\r\n  TRACK 01 " + (mode1 ? "MODE1" : "MODE2") +
           "/2352\r\n    INDEX 01 00:00:00\r\n";
}

std::vector<DosboxMount> DosboxMounts(const DriveMap& drives, char disc_letter,
                                      const DosboxImage* disc_image) {
    std::vector<DosboxMount> mounts;
    for (const Drive& drive : drives.Drives()) {
        std::error_code ec;
        const fs::path dir = fs::canonical(drive.root, ec);
        if (ec || dir == dir.root_path()) {
            continue;
        }
        const bool cd = drive.type == DriveType::CdRom;
        std::optional<DosboxImage> image;
        if (cd && disc_image && drive.letter == disc_letter) {
            image = *disc_image;
        }
        mounts.push_back({drive.letter, dir, drive.type, cd ? DiscLabel(drive.root) : std::string(), image});
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
        if (mount.image && WritableInCommand(mount.image->file.string())) {
            text += ImageMountLine(mount.letter, *mount.image);
            continue;
        }
        const std::string host = mount.host_dir.string();
        if (!WritableInCommand(host)) {
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
