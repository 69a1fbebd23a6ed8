#include "disc/disc_cache.h"

#include "base/log.h"
#include "disc/disc_tree.h"
#include "disc/drive_label.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

namespace tavox {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPartialMark = ".partial-";
constexpr std::string_view kScratchMark = ".archive-";
constexpr std::size_t kScratchSuffixBytes = 6; // mkdtemp's letters

bool IsHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

// "LABEL-0123456789abcdef", as VolumeInfo names a disc.
bool IsDiscName(std::string_view name) {
    const std::size_t dash = name.rfind('-');
    return dash != std::string_view::npos && dash > 0 && name.size() - dash - 1 == 16 &&
           IsHex(name.substr(dash + 1)) && !name.starts_with('.');
}

// A process id written in decimal, nothing else.
std::optional<pid_t> ProcessId(std::string_view digits) {
    const std::string pid(digits);
    char* end = nullptr;
    const long value = std::strtol(pid.c_str(), &end, 10);
    return !pid.empty() && std::isdigit(static_cast<unsigned char>(pid.front())) != 0 && *end == '\0' &&
                   value > 0
               ? std::optional(static_cast<pid_t>(value))
               : std::nullopt;
}

// ".LABEL-0123456789abcdef.partial-PID": the process that is unpacking, or was.
std::optional<pid_t> PartialOwner(std::string_view name) {
    const std::size_t mark = name.rfind(kPartialMark);
    if (!name.starts_with('.') || mark == std::string_view::npos || !IsDiscName(name.substr(1, mark - 1))) {
        return std::nullopt;
    }
    return ProcessId(name.substr(mark + kPartialMark.size()));
}

// ".archive-PID-XXXXXX": a scratch folder of that process.
std::optional<pid_t> ScratchOwner(std::string_view name) {
    const std::size_t dash = name.rfind('-');
    if (!name.starts_with(kScratchMark) || dash == std::string_view::npos || dash < kScratchMark.size() ||
        name.size() - dash - 1 != kScratchSuffixBytes) {
        return std::nullopt;
    }
    return ProcessId(name.substr(kScratchMark.size(), dash - kScratchMark.size()));
}

bool ProcessRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

void MarkUsed(const fs::path& dir) {
    std::error_code ec;
    fs::last_write_time(dir, fs::file_time_type::clock::now(), ec);
}

std::uint64_t FreeBytes(const fs::path& dir) {
    struct statvfs info {};
    return ::statvfs(dir.c_str(), &info) == 0 ? std::uint64_t{info.f_bavail} * info.f_frsize : 0;
}

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB";
}

} // namespace

std::string ScratchDirPattern() {
    return std::string(kScratchMark) + std::to_string(::getpid()) + "-" +
           std::string(kScratchSuffixBytes, 'X');
}

std::optional<fs::path> DiscCache::Find(const VolumeInfo& volume) const {
    const fs::path dir = root_ / volume.identity;
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(dir, ec))) {
        return std::nullopt;
    }
    MarkUsed(dir);
    return dir;
}

void DiscCache::Evict(std::string_view keep, std::size_t max_discs, std::uint64_t room_bytes) const {
    struct Disc {
        fs::path dir;
        fs::file_time_type used;
    };
    std::vector<Disc> discs;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_, ec)) {
        std::error_code entry_ec;
        if (!entry.is_directory(entry_ec) || entry.is_symlink(entry_ec)) {
            continue; // only the directories the cache made
        }
        const std::string name = entry.path().filename().string();
        if (auto owner = PartialOwner(name); owner || (owner = ScratchOwner(name))) {
            if (!ProcessRuns(*owner)) {
                RemoveTree(entry.path());
            }
        } else if (IsDiscName(name) && name != keep) {
            discs.push_back({entry.path(), entry.last_write_time(entry_ec)});
        }
    }
    std::sort(discs.begin(), discs.end(), [](const Disc& a, const Disc& b) { return a.used > b.used; });
    std::uint64_t total = room_bytes + (keep.empty() ? 0 : TreeBytes(root_ / keep));
    std::size_t kept = 0;
    for (const Disc& disc : discs) {
        const std::uint64_t bytes = TreeBytes(disc.dir);
        if (kept < max_discs && total + bytes <= limits_.max_bytes) {
            ++kept;
            total += bytes;
        } else {
            Log(LogLevel::Info, "disc cache", "evicting " + disc.dir.string());
            RemoveTree(disc.dir);
        }
    }
}

DiscCacheFill DiscCache::Fill(const DiscImage& image, const UnpackProgress& progress,
                              const DiscCheck& check) const {
    // A data track after audio is read from the disc's first sector; the sectors before it hold no files.
    const std::uint64_t whole = std::min(image.volume.volume_bytes, image.track_bytes);
    const std::uint64_t bytes =
        whole - std::min(whole, std::uint64_t{image.layout.first_sector} * kUserSectorBytes);
    const DiscSource source{image.volume, bytes, image.data_file.string(),
                            [&image](const fs::path& target, const UnpackProgress& unpack_progress) {
                                return UnpackDisc(image, target, unpack_progress);
                            }};
    return Fill(source, progress, check);
}

DiscCacheFill DiscCache::Fill(const DiscSource& source, const UnpackProgress& progress,
                              const DiscCheck& check) const {
    std::error_code ec;
    fs::create_directories(root_, ec);
    if (ec) {
        Log(LogLevel::Error, "disc cache", "cannot make " + root_.string() + ": " + ec.message());
        return {UnpackStatus::Failed, {}, "The disc cache \"" + root_.string() + "\" cannot be made."};
    }
    const std::string& identity = source.volume.identity;
    const std::uint64_t bytes = source.bytes;
    Evict(identity, limits_.max_discs > 0 ? limits_.max_discs - 1 : 0, bytes);
    if (const std::uint64_t free = FreeBytes(root_); free < bytes) {
        return {UnpackStatus::Failed,
                {},
                "The disc in \"" + source.shown + "\" (" + Megabytes(bytes) + ") does not fit into \"" +
                    root_.string() + "\" (" + Megabytes(free) + " free)."};
    }
    const fs::path partial =
        root_ / ("." + identity + std::string(kPartialMark) + std::to_string(::getpid()));
    RemoveTree(partial);
    if (!fs::create_directory(partial, ec)) {
        Log(LogLevel::Error, "disc cache", "cannot make " + partial.string() + ": " + ec.message());
        return {UnpackStatus::Failed, {}, "The disc cache \"" + root_.string() + "\" cannot be written."};
    }
    UnpackResult unpacked = source.unpack(partial, progress);
    if (unpacked.status == UnpackStatus::Done) {
        if (auto problem = check(partial)) {
            unpacked = {UnpackStatus::Failed, std::move(*problem)};
        } else if (!progress(bytes, bytes)) {
            unpacked = {UnpackStatus::Cancelled, {}}; // cancelled while the disc was being checked
        } else if (!WriteDriveLabel(partial, source.volume.label, source.volume.serial)) {
            Log(LogLevel::Error, "disc cache", "cannot write the drive label in " + partial.string());
            unpacked = {UnpackStatus::Failed, "The disc cache \"" + root_.string() + "\" cannot be written."};
        }
    }
    if (unpacked.status != UnpackStatus::Done) {
        Log(LogLevel::Warning, "disc cache",
            source.shown + " not unpacked: " +
                (unpacked.status == UnpackStatus::Cancelled ? "cancelled" : unpacked.error));
        RemoveTree(partial);
        return {unpacked.status, {}, std::move(unpacked.error)};
    }
    MakeReadOnly(partial);
    // The rename marks the disc complete. Another start of the same disc may have finished first; its copy
    // is as good as this one.
    const fs::path complete = root_ / identity;
    fs::rename(partial, complete, ec);
    if (ec) {
        Log(LogLevel::Info, "disc cache", "cannot rename " + partial.string() + ": " + ec.message());
        RemoveTree(partial);
        if (!fs::is_directory(fs::symlink_status(complete, ec))) {
            return {UnpackStatus::Failed, {}, "The disc cache \"" + root_.string() + "\" cannot be written."};
        }
    }
    MarkUsed(complete);
    return {UnpackStatus::Done, complete, {}};
}

fs::path DefaultCacheDir() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
        return fs::path(cache) / "tavox95";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home != nullptr ? home : "/tmp") / ".cache" / "tavox95";
}

} // namespace tavox
