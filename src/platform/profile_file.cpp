#include "platform/profile_file.h"

#include "base/ascii.h"
#include "base/atomic_file.h"
#include "base/log.h"
#include "base/unique_fd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <string>
#include <system_error>
#include <unordered_set>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavox {
namespace fs = std::filesystem;

namespace {

// Windows hands values back in a 1024-byte buffer.
constexpr std::size_t kMaxValueBytes = 1023;
// File times only advance with the file system's clock tick (2 s on FAT). Content read this soon after its
// last change could be overtaken by another change with the very same stamp, so it is not trusted.
constexpr std::int64_t kRacyWindowNs = 2'000'000'000;
constexpr std::string_view kCrLf = "\r\n";

// Editors such as Notepad put a UTF-8 byte order mark in front of a file; Windows reads the first line
// without it, so "[Main]" stays a header. The bytes are kept for the write. Anywhere else the bytes are
// part of the name.
std::string_view WithoutBom(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    return text.substr(0, kBom.size()) == kBom ? text.substr(kBom.size()) : text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimEnd(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) {
        s.remove_prefix(1);
    }
    return TrimEnd(s);
}

std::optional<std::string_view> SectionNameOf(std::string_view text) {
    const std::string_view rest = Trim(text);
    if (rest.empty() || rest.front() != '[') {
        return std::nullopt;
    }
    // Whatever follows the closing bracket is ignored; without one the line is no header at all.
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return Trim(rest.substr(1, close - 1));
}

std::optional<std::string_view> KeyNameOf(std::string_view text) {
    const std::string_view trimmed = Trim(text);
    if (!trimmed.empty() && trimmed.front() == ';') {
        return std::nullopt;
    }
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view name = Trim(text.substr(0, equals));
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

// The value as the line holds it, quotes included.
std::string_view StoredValueOf(std::string_view key_line) {
    return Trim(key_line.substr(key_line.find('=') + 1));
}

std::string_view ValueOf(std::string_view key_line) {
    std::string_view value = StoredValueOf(key_line);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return value;
}

// A decimal number with an optional sign and blanks around it, and nothing else; out-of-range values are
// clamped to the int range.
std::optional<int> ParseDecimal(std::string_view s) {
    s = Trim(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty()) {
        return std::nullopt;
    }
    // Accumulate the magnitude saturated just past the int range, then clamp.
    constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t magnitude = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = std::min(kLimit, magnitude * 10 + (c - '0'));
    }
    return static_cast<int>(negative ? -magnitude : std::min(magnitude, kLimit - 1));
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

enum class ReadResult { Ok, Missing, Failed };

ReadResult ReadWholeFile(const fs::path& path, std::string& content, struct stat& st) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Failed;
    }
    if (::fstat(fd.Get(), &st) != 0 || S_ISDIR(st.st_mode)) {
        return ReadResult::Failed;
    }
    return ReadAll(fd.Get(), content, static_cast<std::size_t>(st.st_size)) ? ReadResult::Ok
                                                                            : ReadResult::Failed;
}

// The file a write must replace: through symbolic links, so that a link stays a link.
std::optional<fs::path> ResolveLinks(fs::path path) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (fs::symlink_status(path, ec).type() != fs::file_type::symlink) {
            return path;
        }
        const fs::path target = fs::read_symlink(path, ec);
        if (ec) {
            return std::nullopt;
        }
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::nullopt;
}

// A read-only file cannot be written on Windows; replacing it would get round that (and root may write any
// file), so its write bits decide.
bool IsReadOnly(const fs::path& target) {
    struct stat old {};
    return ::stat(target.c_str(), &old) == 0 &&
           ((old.st_mode & 0222) == 0 || ::access(target.c_str(), W_OK) != 0);
}

} // namespace

ProfileFile::ProfileFile(fs::path host_path) : path_(std::move(host_path)) {}

ProfileFile::Line ProfileFile::MakeLine(std::string text, LineEnd end, bool first_line) {
    Line line{std::move(text), end, LineKind::Other, {}};
    const std::string_view name_text = first_line ? WithoutBom(line.text) : std::string_view(line.text);
    if (const auto section = SectionNameOf(name_text)) {
        line.kind = LineKind::Section;
        line.folded_name = LowerCaseAscii(*section);
    } else if (const auto key = KeyNameOf(name_text)) {
        line.kind = LineKind::Key;
        line.folded_name = LowerCaseAscii(*key);
    }
    return line;
}

std::vector<ProfileFile::Line> ProfileFile::SplitLines(std::string_view content) {
    std::vector<Line> lines;
    while (!content.empty()) {
        const std::size_t newline = content.find('\n');
        std::string_view text = content.substr(0, newline);
        LineEnd end = newline == std::string_view::npos ? LineEnd::None : LineEnd::Lf;
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
            end = end == LineEnd::Lf ? LineEnd::CrLf : LineEnd::Cr;
        }
        lines.push_back(MakeLine(std::string(text), end, lines.empty()));
        content.remove_prefix(newline == std::string_view::npos ? content.size() : newline + 1);
    }
    return lines;
}

template <typename StatBuffer> ProfileFile::Stamp ProfileFile::StampOf(const StatBuffer& st) {
    constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    Stamp stamp;
    stamp.mtime_ns = std::int64_t{st.st_mtim.tv_sec} * kNsPerSecond + st.st_mtim.tv_nsec;
    stamp.ctime_ns = std::int64_t{st.st_ctim.tv_sec} * kNsPerSecond + st.st_ctim.tv_nsec;
    stamp.size_bytes = static_cast<std::uintmax_t>(st.st_size);
    stamp.inode = st.st_ino;
    stamp.device = st.st_dev;
    stamp.exists = true;
    return stamp;
}

bool ProfileFile::Refresh() const {
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) {
        const bool missing = errno == ENOENT || errno == ENOTDIR;
        lines_.clear();
        content_.clear();
        loaded_stamp_ = missing ? std::optional<Stamp>(Stamp{}) : std::nullopt;
        return missing;
    }
    if (loaded_stamp_ && *loaded_stamp_ == StampOf(st) &&
        loaded_at_ns_ - loaded_stamp_->mtime_ns >= kRacyWindowNs) {
        return true;
    }
    const std::int64_t read_at_ns = NowNs();
    std::string content;
    switch (ReadWholeFile(path_, content, st)) {
    case ReadResult::Ok:
        // A stamp too recent to trust makes every call read the file; parse it only when it really changed.
        if (!loaded_stamp_ || content != content_) {
            lines_ = SplitLines(content);
            content_ = std::move(content);
        }
        loaded_stamp_ = StampOf(st);
        loaded_at_ns_ = read_at_ns;
        return true;
    case ReadResult::Missing:
        lines_.clear();
        content_.clear();
        loaded_stamp_ = Stamp{};
        return true;
    case ReadResult::Failed:
        break;
    }
    lines_.clear();
    content_.clear();
    loaded_stamp_.reset();
    return false;
}

std::size_t ProfileFile::FindSection(std::string_view section) const {
    const std::string folded = LowerCaseAscii(Trim(section));
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind == LineKind::Section && lines_[i].folded_name == folded) {
            return i;
        }
    }
    return lines_.size();
}

std::size_t ProfileFile::SectionEnd(std::size_t header) const {
    std::size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Section) {
        ++i;
    }
    return i;
}

std::size_t ProfileFile::FindKey(std::size_t header, std::string_view key) const {
    const std::string folded = LowerCaseAscii(Trim(key));
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == LineKind::Key && lines_[i].folded_name == folded) {
            return i;
        }
    }
    return lines_.size();
}

std::optional<std::string_view> ProfileFile::FindValue(std::string_view section, std::string_view key) const {
    Refresh();
    const std::size_t header = FindSection(section);
    if (header == lines_.size()) {
        return std::nullopt;
    }
    const std::size_t line = FindKey(header, key);
    if (line == lines_.size()) {
        return std::nullopt;
    }
    return ValueOf(lines_[line].text);
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view default_value) const {
    const std::string_view value = FindValue(section, key).value_or(TrimEnd(default_value));
    return std::string(value.substr(0, kMaxValueBytes));
}

int ProfileFile::ReadInteger(std::string_view section, std::string_view key, int default_value) const {
    const auto value = FindValue(section, key);
    return value ? ParseDecimal(*value).value_or(default_value) : default_value;
}

bool ProfileFile::ReadBool(std::string_view section, std::string_view key, bool default_value) const {
    return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

Status ProfileFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    const std::string_view section_name = Trim(section);
    const std::string_view key_name = Trim(key);
    Line header_line = MakeLine("[" + std::string(section_name) + "]", LineEnd::CrLf);
    Line key_line = MakeLine(std::string(key_name) + "=" + std::string(value), LineEnd::CrLf);
    // Refuse what would not read back as the same section and key, rather than corrupt the file.
    if (HasLineBreak(section_name) || HasLineBreak(key_name) || HasLineBreak(value) ||
        header_line.kind != LineKind::Section || header_line.folded_name != LowerCaseAscii(section_name) ||
        key_line.kind != LineKind::Key || key_line.folded_name != LowerCaseAscii(key_name)) {
        std::string why = "refused to write [" + std::string(section_name) + "] " + std::string(key_name) +
                          " to " + path_.string() + ": it would not read back";
        Log(LogLevel::Error, "profile", why);
        return Failure(FailureKind::Unsupported, std::move(why));
    }
    if (!Refresh()) {
        return Unreadable();
    }
    std::vector<Line> lines = lines_;
    // A line without a line end must get one before anything can follow it.
    const auto terminate = [&lines](std::size_t i) {
        if (lines[i].end == LineEnd::None || lines[i].end == LineEnd::Cr) {
            lines[i].end = LineEnd::CrLf;
        }
    };
    const std::size_t header = FindSection(section_name);
    if (header == lines.size()) {
        if (!lines.empty()) {
            terminate(lines.size() - 1);
        }
        lines.push_back(std::move(header_line));
        lines.push_back(std::move(key_line));
    } else if (const std::size_t existing = FindKey(header, key_name); existing != lines.size()) {
        // The same value again changes nothing: the file, its time and the disk are left alone.
        if (StoredValueOf(lines[existing].text) == Trim(value)) {
            return {};
        }
        lines[existing] = std::move(key_line);
    } else {
        // After the section's last non-blank line, so that blank lines keep separating it from the next.
        std::size_t last = header;
        for (std::size_t i = header + 1; i < SectionEnd(header); ++i) {
            if (!Trim(lines[i].text).empty()) {
                last = i;
            }
        }
        terminate(last);
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(last + 1), std::move(key_line));
    }
    return Store(std::move(lines));
}

Status ProfileFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    return WriteString(section, key, std::to_string(value));
}

Status ProfileFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    return WriteString(section, key, value ? "1" : "0");
}

Status ProfileFile::DeleteKey(std::string_view section, std::string_view key) {
    if (!Refresh()) {
        return Unreadable();
    }
    const std::size_t header = FindSection(section);
    const std::size_t line = header == lines_.size() ? header : FindKey(header, key);
    if (line == lines_.size()) {
        return {}; // nothing to delete, and a missing file stays missing
    }
    std::vector<Line> lines = lines_;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(line));
    return Store(std::move(lines));
}

Status ProfileFile::EraseSection(std::string_view section) {
    if (!Refresh()) {
        return Unreadable();
    }
    const std::size_t header = FindSection(section);
    if (header == lines_.size()) {
        return {};
    }
    std::vector<Line> lines = lines_;
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header),
                lines.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header)));
    return Store(std::move(lines));
}

std::vector<std::string> ProfileFile::ReadSections() const {
    Refresh();
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const Line& line = lines_[i];
        if (line.kind == LineKind::Section && seen.insert(line.folded_name).second) {
            names.emplace_back(*SectionNameOf(i == 0 ? WithoutBom(line.text) : std::string_view(line.text)));
        }
    }
    return names;
}

std::vector<std::string> ProfileFile::ReadSection(std::string_view section) const {
    Refresh();
    std::vector<std::string> names;
    const std::size_t header = FindSection(section);
    if (header == lines_.size()) {
        return names;
    }
    std::unordered_set<std::string> seen;
    const std::size_t end = SectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        if (lines_[i].kind == LineKind::Key && seen.insert(lines_[i].folded_name).second) {
            names.emplace_back(*KeyNameOf(lines_[i].text));
        }
    }
    return names;
}

bool ProfileFile::SectionExists(std::string_view section) const {
    Refresh();
    return FindSection(section) != lines_.size();
}

bool ProfileFile::ValueExists(std::string_view section, std::string_view key) const {
    return FindValue(section, key).has_value();
}

Status ProfileFile::Store(std::vector<Line> lines) {
    std::string content;
    for (const Line& line : lines) {
        content += line.text;
        switch (line.end) {
        case LineEnd::None:
            break;
        case LineEnd::Lf:
            content += '\n';
            break;
        case LineEnd::CrLf:
            content += kCrLf;
            break;
        case LineEnd::Cr:
            content += '\r';
            break;
        }
    }
    const auto target = ResolveLinks(path_);
    const std::int64_t written_at_ns = NowNs();
    Result<struct stat> written = !target ? Failure::FromErrno("cannot write " + path_.string(), ELOOP)
                                  : IsReadOnly(*target)
                                      ? Failure::FromErrno("cannot write " + path_.string(), EACCES)
                                      : ReplaceFileAtomically(*target, content, 0666);
    if (!written) {
        const Failure& failure = written.Error();
        Log(LogLevel::Error, "profile",
            "cannot write " + path_.string() + ": " +
                (target && IsReadOnly(*target) ? "the file is read-only"
                                               : std::generic_category().message(failure.error_number)));
        return failure;
    }
    lines_ = std::move(lines);
    content_ = std::move(content);
    loaded_stamp_ = StampOf(*written);
    loaded_at_ns_ = written_at_ns;
    return {};
}

Status ProfileFile::Unreadable() const {
    std::string why = "cannot write to " + path_.string() + ": it cannot be read";
    Log(LogLevel::Error, "profile", why);
    return Failure(FailureKind::Io, std::move(why));
}

} // namespace tavox
