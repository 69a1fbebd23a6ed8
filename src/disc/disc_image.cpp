#include "disc/disc_image.h"

#include "base/ascii.h"
#include "base/little_endian.h"
#include "disc/ccd_descriptor.h"
#include "disc/cue_sheet.h"
#include "disc/disc_unpack.h"
#include "disc/foreign_image.h"
#include "disc/mds_descriptor.h"
#include "disc/nrg_footer.h"

#include <algorithm>
#include <cerrno>
#include <vector>

namespace tavox {

namespace {

// Cue sheets, clone and media descriptors are small; anything larger is an image.
constexpr std::uint64_t kMaxDescriptorBytes = 1 << 20;

// Built by appending: g++ 12 warns of a false overlap in "\"" + text when optimising.
std::string Quoted(const std::filesystem::path& path) {
    std::string quoted(1, '"');
    quoted += path.string();
    quoted += '"';
    return quoted;
}

std::string ReadSmallFile(const PositionalFile& file) {
    std::string text;
    return file.ReadUpTo(0, kMaxDescriptorBytes, text) ? text : std::string();
}

// True when the track, read as starting at `first_sector` on the disc, holds the root directory where the
// volume descriptor puts it: the directory's first record (".") names the directory's own sector.
bool RootDirectoryFound(const ReadAt& read, TrackLayout layout, std::uint32_t first_sector,
                        std::uint32_t root_sector) {
    layout.first_sector = first_sector;
    UserDataReader reader(read, layout);
    std::vector<std::uint8_t> record(34);
    return root_sector >= first_sector &&
           reader.Read(std::uint64_t{root_sector} * kUserSectorBytes, record) == record.size() &&
           record[0] >= 34 && ReadLe32(record, 2) == root_sector && (record[25] & 0x02) != 0 &&
           record[32] == 1 && record[33] == 0;
}

// An image file that cannot be opened; one that opened but is no regular file leaves errno at 0.
Failure CannotRead(const std::filesystem::path& path) {
    return Failure::FromErrno("The disc image " + Quoted(path) + " cannot be read.",
                              errno != 0 ? errno : EISDIR);
}

} // namespace

Result<DiscImage> ReadDataTrack(const std::filesystem::path& shown, const std::filesystem::path& data_file,
                                const ReadAt& read, std::uint64_t file_bytes, TrackLayout layout,
                                std::optional<std::uint32_t> said_first_sector) {
    std::vector<std::uint8_t> descriptors(kMaxVolumeDescriptors * kUserSectorBytes);
    {
        UserDataReader reader(read, layout);
        descriptors.resize(reader.Read(16 * kUserSectorBytes, descriptors) / kUserSectorBytes *
                           kUserSectorBytes);
    }
    auto volume = ParseVolumeDescriptors(descriptors);
    if (!volume) {
        return Failure(FailureKind::Damaged, "The disc image " + Quoted(shown) +
                                                 " is damaged: its volume descriptors are missing.");
    }
    // A data track after audio counts its sectors from the disc's start: the descriptor may say where the
    // track starts, a raw sector's header does; the root directory confirms it.
    for (const auto first_sector : {said_first_sector, RawHeaderFirstSector(read, layout)}) {
        if (first_sector && *first_sector != 0 &&
            RootDirectoryFound(read, layout, *first_sector, volume->root_sector)) {
            layout.first_sector = *first_sector;
            volume->volume_bytes += std::uint64_t{*first_sector} * kUserSectorBytes; // as the reader tells it
            break;
        }
    }
    const std::uint64_t stored = file_bytes > layout.start_byte ? file_bytes - layout.start_byte : 0;
    const std::uint64_t track_bytes =
        (std::uint64_t{layout.first_sector} + stored / layout.sector_size) * kUserSectorBytes;
    return DiscImage{data_file, layout, std::move(*volume), track_bytes, {}};
}

namespace {

// Opens the first of a descriptor's tracks that holds a file system.
Result<DiscImage> OpenTracks(const std::filesystem::path& path, std::string_view kind,
                             const TrackPlaces& places) {
    const std::string described = "The " + std::string(kind) + " " + Quoted(path);
    if (!places.problem.empty()) {
        return Failure(FailureKind::Damaged, described + " cannot be used: " + places.problem);
    }
    if (places.tracks.empty()) {
        return Failure(FailureKind::Damaged, described + " names no data track.");
    }
    for (const TrackPlace& track : places.tracks) {
        std::filesystem::path data_file = path;
        if (!track.file.empty()) {
            Result<std::filesystem::path> named = FindNamedFile(path, track.file);
            if (!named) {
                return Failure(named.Error().kind, described + " " + named.Error().text);
            }
            data_file = std::move(*named);
        }
        errno = 0;
        const PositionalFile file(data_file.string());
        if (!file.IsOpen()) {
            return CannotRead(data_file);
        }
        if (const auto layout = SniffTrack(FileReader(file), track.start_byte, track.sector_size)) {
            return ReadDataTrack(path, data_file, FileReader(file), file.Size(), *layout, track.first_sector);
        }
    }
    return Failure(FailureKind::Unsupported, described + " names no track with an ISO 9660 file system.");
}

} // namespace

ReadAt FileReader(const PositionalFile& file) {
    return [&file](std::uint64_t offset, std::span<std::uint8_t> out) -> std::size_t {
        const std::uint64_t available = offset < file.Size() ? file.Size() - offset : 0;
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(available, out.size()));
        return file.ReadAt(offset, out.data(), count) ? count : 0;
    };
}

std::optional<std::filesystem::path> NamedRelativePath(const std::filesystem::path& descriptor,
                                                       std::string_view name) {
    std::string wanted(name);
    std::replace(wanted.begin(), wanted.end(), '\\', '/');
    if (wanted.starts_with("*.")) {
        wanted = descriptor.stem().string() + wanted.substr(1);
    }
    const bool drive = wanted.size() >= 2 && IsAsciiLetter(wanted[0]) && wanted[1] == ':';
    if (drive || wanted.starts_with('/')) {
        return std::nullopt;
    }
    return SafeRelativePath(wanted);
}

Result<std::filesystem::path> FindNamedFile(const std::filesystem::path& descriptor, std::string_view name) {
    const auto relative = NamedRelativePath(descriptor, name);
    if (!relative) {
        return Failure(FailureKind::Denied, OutsideFolder(name));
    }
    const std::filesystem::path folder = descriptor.parent_path() / relative->parent_path();
    std::error_code ec;
    if (std::filesystem::is_regular_file(folder / relative->filename(), ec)) {
        return folder / relative->filename();
    }
    // A descriptor written on Windows may name its file in another case than the file system has it.
    const std::string folded = LowerCaseAscii(relative->filename().string());
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        if (LowerCaseAscii(entry.path().filename().string()) == folded && entry.is_regular_file(ec)) {
            return entry.path();
        }
    }
    return Failure(FailureKind::NotFound, MissingFile(name));
}

std::string OutsideFolder(std::string_view name) {
    return "names the file \"" + std::string(name) + "\", which lies outside its folder.";
}

std::string MissingFile(std::string_view name) {
    return "names the file \"" + std::string(name) + "\", which is missing.";
}

Result<DiscImage> OpenDiscImage(const std::filesystem::path& path) {
    errno = 0;
    const PositionalFile file(path.string());
    if (!file.IsOpen()) {
        return CannotRead(path);
    }
    if (file.Size() == 0) {
        return Failure(FailureKind::Damaged, "The disc image " + Quoted(path) + " is empty.");
    }
    const ReadAt read = FileReader(file);
    if (const auto layout = SniffTrack(read, 0)) {
        return ReadDataTrack(path, path, read, file.Size(), *layout, std::nullopt);
    }
    if (file.Size() <= kMaxDescriptorBytes) {
        const std::string text = ReadSmallFile(file);
        const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        if (LooksLikeCueSheet(text)) {
            return OpenTracks(path, "cue sheet", CueSheetTracks(text));
        }
        if (LooksLikeCcd(text)) {
            return OpenTracks(path, "clone descriptor", CcdTracks(text));
        }
        if (LooksLikeMds(bytes)) {
            return OpenTracks(path, "media descriptor", MdsTracks(bytes));
        }
    }
    if (const TrackPlaces nrg = NrgTracks(read, file.Size()); !nrg.tracks.empty() || !nrg.problem.empty()) {
        return OpenTracks(path, "disc image", nrg);
    }
    if (const auto remedy = ForeignImageRemedy(read, file.Size())) {
        return Failure(FailureKind::Unsupported,
                       "The disc image " + Quoted(path) + " cannot be opened: " + *remedy);
    }
    return Failure(FailureKind::Unsupported,
                   Quoted(path) + " is not a disc image (no ISO 9660 file system was found).");
}

} // namespace tavox
