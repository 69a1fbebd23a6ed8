#include "disc/drive_label.h"

#include "disc/disc_tree.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace tavox {

namespace {

Status WriteText(const std::filesystem::path& path, std::string_view text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return Failure::FromErrno("cannot write " + path.string());
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int write_error = errno;
    if (std::fclose(file) != 0 || !written) {
        return Failure::FromErrno("cannot write " + path.string(), written ? errno : write_error);
    }
    return {};
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t space = line.find(' ');
        if (space != 0) {
            fields.push_back(line.substr(0, space));
        }
        line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    }
    return fields;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// FNV-1a of the disc's path: the same mount point gets the same directory, so it keeps its drive letter.
std::string PathKey(const std::filesystem::path& path) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : path.string()) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    std::array<char, 17> text{};
    std::snprintf(text.data(), text.size(), "%016llx", static_cast<unsigned long long>(hash));
    return text.data();
}

} // namespace

Status WriteDriveLabel(const std::filesystem::path& dir, std::string_view label,
                       std::optional<std::uint32_t> serial) {
    if (Status written = WriteText(dir / kWindowsLabelFile, label); !written || !serial) {
        return written;
    }
    std::array<char, 9> hex{};
    std::snprintf(hex.data(), hex.size(), "%08X", static_cast<unsigned>(*serial));
    return WriteText(dir / kWindowsSerialFile, hex.data());
}

std::string DecodeEscapes(std::string_view text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' && HexValue(text[i + 2]) >= 0 &&
            HexValue(text[i + 3]) >= 0) {
            decoded += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
            i += 3;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3' &&
                   text[i + 2] >= '0' && text[i + 2] <= '7' && text[i + 3] >= '0' && text[i + 3] <= '7') {
            decoded +=
                static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0'));
            i += 3;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}

std::optional<MountEntry> MountAt(std::string_view mountinfo, const std::filesystem::path& path) {
    std::optional<MountEntry> found;
    while (!mountinfo.empty()) {
        const std::size_t end = mountinfo.find('\n');
        const auto fields = Fields(mountinfo.substr(0, end));
        mountinfo = end == std::string_view::npos ? std::string_view() : mountinfo.substr(end + 1);
        // id parent major:minor root mount-point options [optional...] - type source super-options
        std::size_t dash = 6;
        while (dash < fields.size() && fields[dash] != "-") {
            ++dash;
        }
        if (dash + 2 >= fields.size() || std::filesystem::path(DecodeEscapes(fields[4])) != path) {
            continue;
        }
        // The last mount over a point is the one seen there.
        found = MountEntry{path, DecodeEscapes(fields[dash + 2])};
    }
    return found;
}

std::optional<std::string> MountedDiscLabel(const std::filesystem::path& dir,
                                            const std::filesystem::path& by_label_dir) {
    std::error_code ec;
    const auto real = std::filesystem::canonical(dir, ec);
    if (ec) {
        return std::nullopt;
    }
    std::ifstream stream("/proc/self/mountinfo");
    std::stringstream text;
    text << stream.rdbuf();
    const auto mount = MountAt(text.str(), real);
    if (!mount || !mount->source.starts_with('/')) {
        return std::nullopt;
    }
    const auto device = std::filesystem::canonical(mount->source, ec);
    if (ec) {
        return std::nullopt;
    }
    for (const auto& link : std::filesystem::directory_iterator(by_label_dir, ec)) {
        std::error_code link_ec;
        if (std::filesystem::canonical(link.path(), link_ec) == device && !link_ec) {
            return DecodeEscapes(link.path().filename().string());
        }
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> MakeLabelledLinkDir(const std::filesystem::path& links_root,
                                                         const std::filesystem::path& disc_dir,
                                                         std::string_view label) {
    std::error_code ec;
    const auto disc = std::filesystem::canonical(disc_dir, ec);
    std::filesystem::create_directories(links_root, ec);
    if (ec) {
        return std::nullopt;
    }
    const std::filesystem::path dir = links_root / ("mount-" + PathKey(disc));
    const std::filesystem::path fresh =
        links_root / (".mount-" + PathKey(disc) + "-" + std::to_string(::getpid()));
    RemoveTree(fresh);
    if (!std::filesystem::create_directory(fresh, ec)) {
        return std::nullopt;
    }
    for (const auto& entry : std::filesystem::directory_iterator(disc, ec)) {
        const std::string name = entry.path().filename().string();
        if (name == kWindowsLabelFile || name == kWindowsSerialFile) {
            continue; // ours stand there, and writing them must not go through a link into the disc
        }
        std::error_code link_ec;
        std::filesystem::create_symlink(entry.path(), fresh / entry.path().filename(), link_ec);
    }
    if (ec || !WriteDriveLabel(fresh, label, std::nullopt)) {
        RemoveTree(fresh);
        return std::nullopt;
    }
    RemoveTree(dir);
    std::filesystem::rename(fresh, dir, ec);
    if (ec) {
        RemoveTree(fresh);
        return std::nullopt;
    }
    return dir;
}

} // namespace tavox
