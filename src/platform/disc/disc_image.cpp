#include "platform/disc/disc_image.h"

#include "platform/disc/cue_sheet.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tavox {

namespace {

constexpr std::uint64_t kMaxCueBytes = 1 << 20;

std::string Quoted(const std::filesystem::path& path) {
    return "\"" + path.string() + "\"";
}

// A cue sheet written on Windows may name its file in another case than the file system has it.
std::optional<std::filesystem::path> FindBeside(const std::filesystem::path& cue, const std::string& name) {
    const std::filesystem::path folder = cue.parent_path();
    const std::filesystem::path exact = folder / name;
    std::error_code ec;
    if (std::filesystem::is_regular_file(exact, ec)) {
        return exact;
    }
    const auto lower = [](std::string text) {
        for (char& c : text) {
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
        return text;
    };
    const std::string wanted = lower(std::filesystem::path(name).filename().string());
    for (const auto& entry : std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        if (lower(entry.path().filename().string()) == wanted && entry.is_regular_file(ec)) {
            return entry.path();
        }
    }
    return std::nullopt;
}

std::string ReadSmallFile(const ImageFile& file) {
    std::string text(static_cast<std::size_t>(std::min(file.Size(), kMaxCueBytes)), '\0');
    const std::size_t got =
        file.Reader()(0, std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size()));
    text.resize(got);
    return text;
}

DiscImageResult ReadTrack(const std::filesystem::path& shown, const std::filesystem::path& data_file,
                          std::uint64_t start_byte, std::uint32_t hint_sector_size) {
    const auto file = ImageFile::Open(data_file);
    if (!file) {
        return {std::nullopt, "The disc image " + Quoted(data_file) + " cannot be read."};
    }
    const ReadAt read = file->Reader();
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
    const std::uint64_t stored = file->Size() > start_byte ? file->Size() - start_byte : 0;
    DiscImage image{data_file, *layout, std::move(*volume), stored / layout->sector_size * kUserSectorBytes};
    return {std::move(image), {}};
}

} // namespace

std::optional<ImageFile> ImageFile::Open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    return ImageFile(fd);
}

ImageFile::~ImageFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::uint64_t ImageFile::Size() const {
    struct stat info {};
    return ::fstat(fd_, &info) == 0 ? static_cast<std::uint64_t>(info.st_size) : 0;
}

ReadAt ImageFile::Reader() const {
    return [fd = fd_](std::uint64_t offset, std::span<std::uint8_t> out) {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t got =
                ::pread(fd, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            done += static_cast<std::size_t>(got);
        }
        return done;
    };
}

DiscImageResult OpenDiscImage(const std::filesystem::path& path) {
    const auto file = ImageFile::Open(path);
    if (!file) {
        return {std::nullopt, "The disc image " + Quoted(path) + " cannot be read."};
    }
    if (SniffTrack(file->Reader(), 0)) {
        return ReadTrack(path, path, 0, 0);
    }
    if (file->Size() <= kMaxCueBytes) {
        const std::string text = ReadSmallFile(*file);
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
