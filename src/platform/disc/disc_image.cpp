#include "platform/disc/disc_image.h"

#include "platform/ascii.h"
#include "platform/disc/cue_sheet.h"

#include <algorithm>
#include <vector>

namespace tavox {

namespace {

constexpr std::uint64_t kMaxCueBytes = 1 << 20;

// Built by appending: g++ 12 warns of a false overlap in "\"" + text when optimising.
std::string Quoted(const std::filesystem::path& path) {
    std::string quoted(1, '"');
    quoted += path.string();
    quoted += '"';
    return quoted;
}

// A cue sheet written on Windows may name its file in another case than the file system has it.
std::optional<std::filesystem::path> FindBeside(const std::filesystem::path& cue, const std::string& name) {
    const std::filesystem::path folder = cue.parent_path();
    const std::filesystem::path exact = folder / name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(exact, ec)) {
        return exact;
    }
    const std::string wanted = LowerCaseAscii(std::filesystem::path(name).filename().string());
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        if (LowerCaseAscii(entry.path().filename().string()) == wanted && entry.is_regular_file(ec)) {
            return entry.path();
        }
    }
    return std::nullopt;
}

std::string ReadSmallFile(const unrar::VolumeFile& file) {
    std::string text;
    return file.ReadUpTo(0, kMaxCueBytes, text) ? text : std::string();
}

DiscImageResult ReadTrack(const std::filesystem::path& shown, const std::filesystem::path& data_file,
                          std::uint64_t start_byte, std::uint32_t hint_sector_size) {
    const unrar::VolumeFile file(data_file.string());
    if (!file.IsOpen()) {
        return {std::nullopt, "The disc image " + Quoted(data_file) + " cannot be read."};
    }
    const ReadAt read = FileReader(file);
    const auto layout = SniffTrack(read, start_byte, hint_sector_size);
    if (!layout) {
        return {std::nullopt, Quoted(shown) + " is not a disc image (no ISO 9660 file system was found)."};
    }
    UserDataReader reader(read, *layout);
    std::vector<std::uint8_t> descriptors(kMaxVolumeDescriptors * kUserSectorBytes);
    descriptors.resize(reader.Read(16 * kUserSectorBytes, descriptors) / kUserSectorBytes * kUserSectorBytes);
    auto volume = ParseVolumeDescriptors(descriptors);
    if (!volume) {
        return {std::nullopt,
                "The disc image " + Quoted(shown) + " is damaged: its volume descriptors are missing."};
    }
    const std::uint64_t stored = file.Size() > start_byte ? file.Size() - start_byte : 0;
    DiscImage image{data_file, *layout, std::move(*volume), stored / layout->sector_size * kUserSectorBytes};
    return {std::move(image), {}};
}

} // namespace

ReadAt FileReader(const unrar::VolumeFile& file) {
    return [&file](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
        const std::uint64_t available = offset < file.Size() ? file.Size() - offset : 0;
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(available, out.size()));
        return file.ReadAt(offset, out.data(), count) ? count : 0;
    };
}

DiscImageResult OpenDiscImage(const std::filesystem::path& path) {
    const unrar::VolumeFile file(path.string());
    if (!file.IsOpen()) {
        return {std::nullopt, "The disc image " + Quoted(path) + " cannot be read."};
    }
    if (SniffTrack(FileReader(file), 0)) {
        return ReadTrack(path, path, 0, 0);
    }
    if (file.Size() <= kMaxCueBytes) {
        const std::string text = ReadSmallFile(file);
        if (LooksLikeCueSheet(text)) {
            const auto track = FirstDataTrack(text);
            if (!track) {
                return {std::nullopt, "The cue sheet " + Quoted(path) + " names no data track."};
            }
            const auto data_file = FindBeside(path, track->file);
            if (!data_file) {
                return {std::nullopt, "The cue sheet " + Quoted(path) + " names the file \"" + track->file +
                                          "\", which is missing."};
            }
            return ReadTrack(*data_file, *data_file, track->start_byte, track->sector_size);
        }
    }
    return {std::nullopt, Quoted(path) + " is not a disc image (no ISO 9660 file system was found)."};
}

} // namespace tavox
