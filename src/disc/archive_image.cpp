#include "disc/archive_image.h"

#include "base/ascii.h"
#include "base/unique_fd.h"
#include "disc/archive_reader.h"
#include "disc/ccd_descriptor.h"
#include "disc/cue_sheet.h"
#include "disc/disc_tree.h"
#include "disc/forward_reader.h"
#include "disc/mds_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <set>
#include <variant>

namespace tavox {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kCataloguePath = "tavox/tavox95.ini";
constexpr std::size_t kMaxMembers = 1 << 16;
constexpr std::uint64_t kMaxDescriptorBytes = 1 << 20;
constexpr std::size_t kCopyBlockBytes = 1 << 20;

constexpr std::array<std::string_view, 5> kImageExtensions = {".iso", ".bin", ".img", ".mdf", ".nrg"};
constexpr std::array<std::string_view, 3> kDescriptorExtensions = {".cue", ".mds", ".ccd"};
constexpr std::array<std::string_view, 13> kArchiveExtensions = {
    ".7z", ".zip", ".rar", ".arj", ".lha", ".lzh", ".cab", ".tar", ".gz", ".tgz", ".bz2", ".xz", ".zst"};

template <std::size_t N>
bool HasExtension(std::string_view name, const std::array<std::string_view, N>& list) {
    const std::string lower = LowerCaseAscii(fs::path(std::string(name)).extension().string());
    return std::find(list.begin(), list.end(), lower) != list.end();
}

std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted += text;
    quoted += '"';
    return quoted;
}

std::string InArchive(const fs::path& archive, std::string_view member) {
    return Quoted(member) + " in the archive " + Quoted(archive.string());
}

// The folder of a member's name, with its "/": "" at the archive's top.
std::string FolderOf(std::string_view name) {
    const std::size_t slash = name.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(name.substr(0, slash + 1));
}

// Walks the archive to the member of that name (for its data); nothing, with the reason, when it is gone.
std::unique_ptr<ArchiveReader> ReaderAt(const fs::path& archive, std::string_view name, std::uint64_t& size,
                                        std::string& error) {
    auto reader = OpenArchiveReader(archive, true, error);
    if (!reader) {
        return nullptr;
    }
    while (const auto member = reader->Next()) {
        if (member->name == name && !member->directory) {
            size = member->size_bytes;
            return reader;
        }
    }
    error = reader->Error().empty()
                ? "The archive " + Quoted(archive.string()) + " no longer holds " + Quoted(name) + "."
                : reader->Error();
    return nullptr;
}

// Copies the member's data, up to the size it claims, into `path` (made with its folders); `done` counts on
// for the progress. Nothing when it was copied.
std::optional<UnpackResult> CopyMember(ArchiveReader& reader, const ArchiveMember& member,
                                       const fs::path& path, std::uint64_t& done, std::uint64_t total,
                                       const UnpackProgress& progress) {
    if (const Status made = MakeParents(path); !made) {
        if (made.Error().kind == FailureKind::Exists) {
            return std::nullopt; // a name that clashes with a file: left out
        }
        return UnpackResult{
            UnpackStatus::Failed,
            (made.Error().kind == FailureKind::NoSpace ? "There is no room for " : "Cannot write ") +
                Quoted(path.string()) + "."};
    }
    const UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!file.Valid()) {
        return UnpackResult{UnpackStatus::Failed,
                            (errno == ENOSPC || errno == EDQUOT ? "There is no room for " : "Cannot write ") +
                                Quoted(path.string()) + "."};
    }
    std::vector<std::uint8_t> block(kCopyBlockBytes);
    std::uint64_t written = 0;
    while (true) {
        const auto got = reader.Read(block);
        if (!got) {
            return UnpackResult{UnpackStatus::Failed, reader.Error()};
        }
        if (*got == 0) {
            break;
        }
        if (written + *got > member.size_bytes) {
            return UnpackResult{UnpackStatus::Failed,
                                Quoted(member.name) + " holds more data than its archive says."};
        }
        if (!WriteAll(file.Get(), block.data(), *got, written)) {
            return UnpackResult{UnpackStatus::Failed, "There is no room for " + Quoted(path.string()) + "."};
        }
        written += *got;
        done += *got;
        if (!progress(done, total)) {
            return UnpackResult{UnpackStatus::Cancelled, {}};
        }
    }
    return std::nullopt;
}

// A directory of scratch copies, removed with everything in it (or, after a crash, by the cache's cleanup).
class ScratchDir {
public:
    explicit ScratchDir(const fs::path& parent) {
        std::error_code ec;
        fs::create_directories(parent, ec);
        std::string pattern = (parent / ScratchDirPattern()).string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~ScratchDir() {
        if (!path_.empty()) {
            RemoveTree(path_);
        }
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// The member's data, up to the size it claims; nothing when it cannot be read.
std::optional<std::string> ReadContent(ArchiveReader& reader, std::uint64_t size) {
    std::string content(static_cast<std::size_t>(size), '\0');
    std::size_t done = 0;
    while (done < content.size()) {
        const auto got = reader.Read(
            std::span(reinterpret_cast<std::uint8_t*>(content.data()) + done, content.size() - done));
        if (!got) {
            return std::nullopt;
        }
        if (*got == 0) {
            break;
        }
        done += *got;
    }
    content.resize(done);
    return content;
}

// What every disc of an archive is read from.
struct Members {
    std::vector<ArchiveMember> list;
    std::map<std::string, std::string> descriptors; // name -> content
};

std::optional<std::string> ReadMembers(const fs::path& archive, Members& members) {
    std::string error;
    auto reader = OpenArchiveReader(archive, true, error);
    if (!reader) {
        return error;
    }
    while (auto member = reader->Next()) {
        if (members.list.size() == kMaxMembers) {
            return "The archive " + Quoted(archive.string()) + " holds too many files for a disc.";
        }
        if (!member->directory && HasExtension(member->name, kDescriptorExtensions) &&
            member->size_bytes <= kMaxDescriptorBytes) {
            auto content = ReadContent(*reader, member->size_bytes);
            if (!content) {
                return reader->Error();
            }
            members.descriptors[member->name] = std::move(*content);
        }
        members.list.push_back(std::move(*member));
    }
    if (!reader->Error().empty()) {
        return reader->Error();
    }
    return std::nullopt;
}

const ArchiveMember* MemberNamed(const Members& members, std::string_view name) {
    const std::string folded = LowerCaseAscii(name);
    for (const ArchiveMember& member : members.list) {
        if (!member.directory && LowerCaseAscii(member.name) == folded) {
            return &member;
        }
    }
    return nullptr;
}

// A descriptor as an entry, each track's file the member it names; an error for the user otherwise.
std::variant<ArchiveDiscEntry, std::string> DescriptorEntry(const fs::path& archive, const Members& members,
                                                            const std::string& name,
                                                            const std::string& content) {
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
    ArchiveDiscEntry entry{ArchiveDiscKind::Descriptor, name, 0, {}, {}};
    TrackPlaces places;
    if (LooksLikeCueSheet(content)) {
        places = CueSheetTracks(content);
        entry.descriptor_kind = "cue sheet";
    } else if (LooksLikeCcd(content)) {
        places = CcdTracks(content);
        entry.descriptor_kind = "clone descriptor";
    } else if (LooksLikeMds(bytes)) {
        places = MdsTracks(bytes);
        entry.descriptor_kind = "media descriptor";
    } else {
        return "The file " + InArchive(archive, name) + " is no descriptor of a disc image.";
    }
    const std::string described = "The " + entry.descriptor_kind + " " + InArchive(archive, name);
    if (!places.problem.empty()) {
        return described + " cannot be used: " + places.problem;
    }
    if (places.tracks.empty()) {
        return described + " names no data track.";
    }
    for (TrackPlace track : places.tracks) {
        std::string file = name;
        if (!track.file.empty()) {
            const auto relative = NamedRelativePath(fs::path(name), track.file);
            if (!relative) {
                return described + " " + OutsideFolder(track.file);
            }
            const ArchiveMember* member = MemberNamed(members, FolderOf(name) + relative->generic_string());
            if (member == nullptr) {
                return described + " " + MissingFile(track.file);
            }
            file = member->name;
        }
        const ArchiveMember* data = MemberNamed(members, file);
        entry.size_bytes = std::max(entry.size_bytes, data != nullptr ? data->size_bytes : 0);
        track.file = std::move(file);
        entry.tracks.push_back(std::move(track));
    }
    return entry;
}

// What is wrong with a member that is to be unpacked, for the user; nothing when its size is one a disc
// can have.
std::optional<std::string> SizeProblem(const fs::path& archive, std::string_view name, std::uint64_t size,
                                       std::uint64_t archive_bytes) {
    if (size == 0) {
        return "The disc image " + InArchive(archive, name) + " is empty.";
    }
    if (size > kMaxCdImageBytes) {
        return "The file " + InArchive(archive, name) + " is larger than any CD (" +
               std::to_string(size >> 20) + " MB).";
    }
    if (size > kRatioFloorBytes && size / kMaxPackingRatio > archive_bytes) {
        return "The file " + InArchive(archive, name) + " claims to unpack to " + std::to_string(size >> 20) +
               " MB from an archive of " + std::to_string(archive_bytes >> 10) +
               " KB: no disc image packs that well.";
    }
    return std::nullopt;
}

} // namespace

std::string NoDiscNamed(const fs::path& archive, std::string_view name) {
    return "The archive " + Quoted(archive.string()) + " holds no disc " + Quoted(name) + ".";
}

ArchiveDiscs FindArchiveDiscs(const fs::path& archive) {
    Members members;
    if (auto error = ReadMembers(archive, members)) {
        return {{}, std::move(*error)};
    }
    std::error_code ec;
    const std::uint64_t archive_bytes = fs::file_size(archive, ec);
    // Disc folders first: everything below one belongs to it.
    std::set<std::string> folders;
    for (const ArchiveMember& member : members.list) {
        const std::string lower = LowerCaseAscii(member.name);
        if (!member.directory && lower.ends_with(kCataloguePath) &&
            (lower.size() == kCataloguePath.size() ||
             lower[lower.size() - kCataloguePath.size() - 1] == '/')) {
            folders.insert(member.name.substr(0, member.name.size() - kCataloguePath.size()));
        }
    }
    const auto in_folder = [&folders](std::string_view name) {
        return std::any_of(folders.begin(), folders.end(),
                           [name](const std::string& folder) { return name.starts_with(folder); });
    };
    ArchiveDiscs found;
    for (const std::string& folder : folders) {
        ArchiveDiscEntry entry{ArchiveDiscKind::Folder, folder, 0, {}, {}};
        for (const ArchiveMember& member : members.list) {
            if (member.name.starts_with(folder)) {
                entry.size_bytes += member.size_bytes;
            }
        }
        if (entry.size_bytes > kMaxCdImageBytes) {
            return {{},
                    "The disc folder " + InArchive(archive, folder) + " holds more than any CD (" +
                        std::to_string(entry.size_bytes >> 20) + " MB)."};
        }
        found.discs.push_back(std::move(entry));
    }
    // Descriptors, then the images they do not name.
    std::set<std::string> described;
    for (const auto& [name, content] : members.descriptors) {
        if (in_folder(name)) {
            continue;
        }
        auto entry = DescriptorEntry(archive, members, name, content);
        if (auto* error = std::get_if<std::string>(&entry)) {
            return {{}, std::move(*error)};
        }
        for (const TrackPlace& track : std::get<ArchiveDiscEntry>(entry).tracks) {
            described.insert(track.file);
        }
        found.discs.push_back(std::move(std::get<ArchiveDiscEntry>(entry)));
    }
    std::optional<std::string> inner_archive;
    for (const ArchiveMember& member : members.list) {
        if (member.directory || in_folder(member.name) || described.count(member.name) != 0) {
            continue;
        }
        if (HasExtension(member.name, kImageExtensions)) {
            found.discs.push_back({ArchiveDiscKind::Image, member.name, member.size_bytes, {}, {}});
        } else if (HasExtension(member.name, kArchiveExtensions) && !inner_archive) {
            inner_archive = member.name;
        }
    }
    for (const ArchiveDiscEntry& disc : found.discs) {
        if (disc.kind == ArchiveDiscKind::Folder) {
            continue;
        }
        std::set<std::string> files;
        for (const TrackPlace& track : disc.tracks) {
            files.insert(track.file);
        }
        if (disc.kind == ArchiveDiscKind::Image) {
            files.insert(disc.name);
        }
        for (const std::string& file : files) {
            const ArchiveMember* member = MemberNamed(members, file);
            if (auto problem = SizeProblem(archive, file, member->size_bytes, archive_bytes)) {
                return {{}, std::move(*problem)};
            }
        }
    }
    if (found.discs.empty()) {
        if (inner_archive) {
            return {{},
                    "The archive " + Quoted(archive.string()) + " holds the archive " +
                        Quoted(*inner_archive) +
                        ", which is not opened: archives inside archives are not followed. Unpack the "
                        "outer one first."};
        }
        return {{},
                "The archive " + Quoted(archive.string()) +
                    " holds no disc image and no disc folder (TAVOX\\TAVOX95.INI)."};
    }
    return found;
}

namespace {

// An image read from its member as it streams by, or from scratch copies of its files.
class ImageDisc : public ArchiveDisc {
public:
    const VolumeInfo& Volume() const override { return image.volume; }
    DiscCacheFill Fill(const DiscCache& cache, const UnpackProgress& progress,
                       const DiscCheck& check) override {
        return cache.Fill(image, progress, check);
    }
    std::optional<std::string> ReadFiles(const WantDiscFile& want, const TakeDiscFile& take) override {
        return ReadDiscFiles(image, want, take);
    }

    // The member being read and its reader, which image.source reads through.
    std::unique_ptr<ArchiveReader> reader;
    std::unique_ptr<ForwardReader> forward;
    std::unique_ptr<ScratchDir> scratch;
    DiscImage image;
};

// A disc's folder tree among the archive's members.
class FolderDisc : public ArchiveDisc {
public:
    FolderDisc(fs::path archive, ArchiveDiscEntry entry, VolumeInfo volume)
        : archive_(std::move(archive)), entry_(std::move(entry)), volume_(std::move(volume)) {}

    const VolumeInfo& Volume() const override { return volume_; }

    DiscCacheFill Fill(const DiscCache& cache, const UnpackProgress& progress,
                       const DiscCheck& check) override {
        const DiscSource source{volume_, entry_.size_bytes, (archive_ / entry_.name).string(),
                                [this](const fs::path& target, const UnpackProgress& unpack_progress) {
                                    return Unpack(target, unpack_progress);
                                }};
        return cache.Fill(source, progress, check);
    }

    std::optional<std::string> ReadFiles(const WantDiscFile& want, const TakeDiscFile& take) override {
        std::string error;
        auto reader = OpenArchiveReader(archive_, true, error);
        if (!reader) {
            return error;
        }
        while (const auto member = reader->Next()) {
            const auto relative = RelativeName(*member);
            if (!relative || !want(*relative, member->size_bytes)) {
                continue;
            }
            auto content = ReadContent(*reader, member->size_bytes);
            if (!content) {
                return reader->Error();
            }
            if (!take(*relative, std::move(*content))) {
                return std::nullopt;
            }
        }
        return reader->Error().empty() ? std::nullopt : std::optional(reader->Error());
    }

private:
    // The member's name inside the disc, for a plain file of it.
    std::optional<std::string> RelativeName(const ArchiveMember& member) const {
        if (member.directory || !member.name.starts_with(entry_.name)) {
            return std::nullopt;
        }
        const auto relative = SafeRelativePath(std::string_view(member.name).substr(entry_.name.size()));
        return relative ? std::optional(relative->generic_string()) : std::nullopt;
    }

    UnpackResult Unpack(const fs::path& target, const UnpackProgress& progress) const {
        std::string error;
        auto reader = OpenArchiveReader(archive_, true, error);
        if (!reader) {
            return {UnpackStatus::Failed, error};
        }
        std::uint64_t done = 0;
        while (const auto member = reader->Next()) {
            const auto relative = RelativeName(*member);
            if (!relative) {
                continue;
            }
            if (auto failed =
                    CopyMember(*reader, *member, target / *relative, done, entry_.size_bytes, progress)) {
                return *failed;
            }
        }
        if (!reader->Error().empty()) {
            return {UnpackStatus::Failed, reader->Error()};
        }
        return {UnpackStatus::Done, {}};
    }

    fs::path archive_;
    ArchiveDiscEntry entry_;
    VolumeInfo volume_;
};

ArchiveDiscOpen Failed(std::string error) {
    return {nullptr, UnpackStatus::Failed, std::move(error)};
}

// A folder disc has no volume descriptors: it is named by its folder (or the archive) and told apart by
// the names and sizes of its files, whatever the archive's order.
ArchiveDiscOpen OpenFolder(const fs::path& archive, const ArchiveDiscEntry& entry) {
    std::string error;
    auto reader = OpenArchiveReader(archive, false, error);
    if (!reader) {
        return Failed(error);
    }
    std::vector<std::string> lines;
    while (const auto member = reader->Next()) {
        if (!member->directory && member->name.starts_with(entry.name)) {
            lines.push_back(member->name.substr(entry.name.size()) + '\0' +
                            std::to_string(member->size_bytes));
        }
    }
    if (!reader->Error().empty()) {
        return Failed(reader->Error());
    }
    std::sort(lines.begin(), lines.end());
    std::string listing;
    for (const std::string& line : lines) {
        listing += line + '\n';
    }
    const auto inside = SafeRelativePath(entry.name);
    const std::string folder = inside ? inside->filename().string() : archive.stem().string();
    VolumeInfo volume;
    volume.label = UpperCaseAscii(folder.substr(0, 32));
    const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(listing.data()), listing.size());
    volume.serial = CdSerialNumber(bytes);
    volume.volume_bytes = entry.size_bytes;
    volume.identity = DiscIdentity(volume.label, bytes);
    return {std::make_unique<FolderDisc>(archive, entry, std::move(volume)), UnpackStatus::Done, {}};
}

// Opens the image from its members as they stream by; nothing where its shape needs more than the
// members' first bytes before its file system (its track information at its end, or a track that starts
// before one already passed).
std::optional<ArchiveDiscOpen> OpenStreamed(const fs::path& archive, const ArchiveDiscEntry& entry) {
    const std::vector<TrackPlace> tracks = entry.kind == ArchiveDiscKind::Image
                                               ? std::vector<TrackPlace>{{entry.name, 0, 0, std::nullopt}}
                                               : entry.tracks;
    auto disc = std::make_unique<ImageDisc>();
    std::string open_file;
    std::uint64_t size = 0;
    for (const TrackPlace& track : tracks) {
        if (!disc->forward || open_file != track.file) {
            std::string error;
            disc->forward.reset();
            disc->reader = ReaderAt(archive, track.file, size, error);
            if (!disc->reader) {
                return Failed(error);
            }
            disc->forward = std::make_unique<ForwardReader>(
                [reader = disc->reader.get()](std::span<std::uint8_t> out) { return reader->Read(out); },
                size);
            open_file = track.file;
        }
        if (!disc->forward->KeepFrom(track.start_byte)) {
            return std::nullopt;
        }
        const ReadAt read = disc->forward->AsReadAt();
        const auto layout = SniffTrack(read, track.start_byte, track.sector_size);
        if (disc->forward->Failed()) {
            return Failed(disc->reader->Error());
        }
        if (!layout) {
            continue;
        }
        Result<DiscImage> opened = ReadDataTrack(archive / track.file, archive / track.file, read, size,
                                                 *layout, track.first_sector);
        if (disc->forward->WentBack()) {
            return std::nullopt;
        }
        if (!opened) {
            return Failed(opened.Error().text);
        }
        disc->image = std::move(*opened);
        disc->image.source = read;
        return ArchiveDiscOpen{std::move(disc), UnpackStatus::Done, {}};
    }
    if (entry.kind == ArchiveDiscKind::Descriptor) {
        return Failed("The " + entry.descriptor_kind + " " + InArchive(archive, entry.name) +
                      " names no track with an ISO 9660 file system.");
    }
    return std::nullopt;
}

// Copies the image's files into a scratch folder, keeping their places beside the descriptor, and opens it
// there.
ArchiveDiscOpen OpenCopied(const fs::path& archive, const ArchiveDiscEntry& entry,
                           const fs::path& scratch_dir, const UnpackProgress& progress) {
    auto disc = std::make_unique<ImageDisc>();
    disc->scratch = std::make_unique<ScratchDir>(scratch_dir);
    const fs::path& scratch = disc->scratch->Path();
    if (scratch.empty()) {
        return Failed("No scratch copy of " + InArchive(archive, entry.name) + " can be made in " +
                      Quoted(scratch_dir.string()) + ".");
    }
    const std::string folder = FolderOf(entry.name);
    const auto place = [&folder](const std::string& name) {
        return name.starts_with(folder) ? name.substr(folder.size()) : fs::path(name).filename().string();
    };
    std::set<std::string> files = {entry.name};
    for (const TrackPlace& track : entry.tracks) {
        files.insert(track.file);
    }
    std::string error;
    auto reader = OpenArchiveReader(archive, true, error);
    if (!reader) {
        return Failed(error);
    }
    std::uint64_t done = 0;
    while (const auto member = reader->Next()) {
        if (member->directory || files.count(member->name) == 0) {
            continue;
        }
        if (auto failed = CopyMember(*reader, *member, scratch / place(member->name), done, entry.size_bytes,
                                     progress)) {
            return {nullptr, failed->status, failed->error};
        }
    }
    if (!reader->Error().empty()) {
        return Failed(reader->Error());
    }
    Result<DiscImage> opened = OpenDiscImage(scratch / place(entry.name));
    if (!opened) {
        // Named as the user knows it: inside the archive.
        std::string message = opened.Error().text;
        const std::string copy = scratch.string() + "/";
        for (std::size_t at = message.find(copy); at != std::string::npos; at = message.find(copy)) {
            message.replace(at, copy.size(), (archive / folder).string());
        }
        return Failed(message);
    }
    disc->image = std::move(*opened);
    return {std::move(disc), UnpackStatus::Done, {}};
}

} // namespace

ArchiveDiscOpen OpenArchiveDisc(const fs::path& archive, const ArchiveDiscEntry& entry,
                                const fs::path& scratch_dir, const UnpackProgress& progress) {
    if (entry.kind == ArchiveDiscKind::Folder) {
        return OpenFolder(archive, entry);
    }
    if (auto streamed = OpenStreamed(archive, entry)) {
        return std::move(*streamed);
    }
    return OpenCopied(archive, entry, scratch_dir, progress);
}

namespace {

// The disc's name in its path; nothing where it cannot be part of one.
std::optional<std::string> PathName(const ArchiveDiscEntry& disc) {
    std::string_view name = disc.name;
    if (name.ends_with('/')) {
        name.remove_suffix(1);
    }
    const auto relative = SafeRelativePath(name);
    if (!relative || relative->generic_string() != name) {
        return std::nullopt;
    }
    return std::string(name);
}

} // namespace

std::optional<ArchiveDiscPath> SplitArchiveDiscPath(const fs::path& path) {
    std::error_code ec;
    if (!path.has_relative_path() || fs::exists(fs::symlink_status(path, ec))) {
        return std::nullopt;
    }
    for (fs::path archive = path.parent_path(); archive.has_relative_path();
         archive = archive.parent_path()) {
        const fs::file_status status = fs::status(archive, ec);
        if (fs::is_regular_file(status)) {
            if (!ArchiveKindOf(archive)) {
                return std::nullopt;
            }
            return ArchiveDiscPath{archive, path.lexically_relative(archive).generic_string()};
        }
        if (fs::exists(status)) {
            return std::nullopt; // a folder: the path names a file that is not there
        }
    }
    return std::nullopt;
}

std::vector<fs::path> ArchiveDiscPaths(const fs::path& archive) {
    const ArchiveDiscs found = FindArchiveDiscs(archive);
    std::vector<fs::path> paths;
    for (const ArchiveDiscEntry& disc : found.discs) {
        const auto name = PathName(disc);
        if (!name || name->empty() || found.discs.size() == 1) {
            return {archive};
        }
        paths.push_back(archive.string() + "/" + *name);
    }
    return paths.empty() ? std::vector<fs::path>{archive} : paths;
}

const ArchiveDiscEntry* ArchiveDiscNamed(const ArchiveDiscs& found, std::string_view name) {
    for (const ArchiveDiscEntry& disc : found.discs) {
        if (PathName(disc) == name) {
            return &disc;
        }
    }
    return nullptr;
}

std::optional<std::string> ReadArchiveDiscFiles(const fs::path& archive, std::string_view name,
                                                const fs::path& scratch_dir, const WantDiscFile& want,
                                                const TakeDiscFile& take) {
    const ArchiveDiscs found = FindArchiveDiscs(archive);
    if (found.discs.empty()) {
        return found.error;
    }
    const ArchiveDiscEntry* disc = name.empty() ? &found.discs.front() : ArchiveDiscNamed(found, name);
    if (disc == nullptr) {
        return NoDiscNamed(archive, name);
    }
    const ArchiveDiscOpen opened =
        OpenArchiveDisc(archive, *disc, scratch_dir, [](std::uint64_t, std::uint64_t) { return true; });
    if (!opened.disc) {
        return opened.error;
    }
    return opened.disc->ReadFiles(want, take);
}

} // namespace tavox
