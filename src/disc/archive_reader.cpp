#include "disc/archive_reader.h"

#include "base/positional_file.h"
#include "base/unique_fd.h"
#include "disc/disc_stream.h"
#include "unrar/unrar.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

namespace tavox {

namespace {

constexpr std::size_t kOpenBlockBytes = 1 << 16;

std::string Damaged(const std::filesystem::path& path, const std::string& why) {
    return "The archive \"" + path.string() + "\" cannot be read: " + why;
}

class LibarchiveReader : public ArchiveReader {
public:
    LibarchiveReader(const std::filesystem::path& path, ArchiveKind kind) : path_(path), kind_(kind) {
        if (!Open()) {
            error_ = Damaged(path_, Why());
        }
    }

    std::optional<ArchiveMember> Next() override {
        if (!error_.empty()) {
            return std::nullopt;
        }
        passed_over_ = passed_over_ || (members_ > 0 && !read_);
        read_ = false;
        const Utf8Locale utf8;
        struct archive_entry* entry = nullptr;
        const int status = archive_read_next_header(archive_.get(), &entry);
        if (status == ARCHIVE_EOF) {
            return std::nullopt;
        }
        if (status < ARCHIVE_WARN) {
            error_ = Damaged(path_, Why());
            return std::nullopt;
        }
        ++members_;
        const char* name = archive_entry_pathname_utf8(entry);
        const la_int64_t size = archive_entry_size_is_set(entry) != 0 ? archive_entry_size(entry) : 0;
        return ArchiveMember{name != nullptr ? name : "",
                             static_cast<std::uint64_t>(std::max<la_int64_t>(size, 0)),
                             archive_entry_filetype(entry) == AE_IFDIR};
    }

    std::optional<std::size_t> Read(std::span<std::uint8_t> out) override {
        la_ssize_t got = archive_read_data(archive_.get(), out.data(), out.size());
        if (got < 0 && !read_ && passed_over_ && kind_ == ArchiveKind::SevenZip && WalkAgainStartingEach()) {
            got = archive_read_data(archive_.get(), out.data(), out.size());
        }
        read_ = true;
        if (got < 0) {
            error_ = Damaged(path_, Why());
            return std::nullopt;
        }
        return static_cast<std::size_t>(got);
    }

private:
    bool Open() {
        const Utf8Locale utf8;
        archive_.reset(archive_read_new());
        if (kind_ == ArchiveKind::SevenZip) {
            archive_read_support_format_7zip(archive_.get());
        } else {
            archive_read_support_format_zip(archive_.get());
        }
        return archive_read_open_filename(archive_.get(), path_.c_str(), kOpenBlockBytes) == ARCHIVE_OK;
    }

    // libarchive (3.6) cannot read a 7-Zip member after members of its solid block that were passed over
    // unread: it says the archive is truncated. The walk is made again to the same member, reading the
    // first byte of each member before it, which lets the skips that follow decode their way through.
    bool WalkAgainStartingEach() {
        if (!Open()) {
            return false;
        }
        const Utf8Locale utf8;
        struct archive_entry* entry = nullptr;
        for (std::size_t member = 0; member < members_; ++member) {
            if (archive_read_next_header(archive_.get(), &entry) < ARCHIVE_WARN) {
                return false;
            }
            std::uint8_t first = 0;
            if (member + 1 < members_ && archive_read_data(archive_.get(), &first, 1) < 0) {
                return false;
            }
        }
        passed_over_ = false;
        return true;
    }

    std::string Why() const {
        const char* why = archive_error_string(archive_.get());
        return why != nullptr ? std::string(why) + "." : std::string("it is truncated or damaged.");
    }

    std::filesystem::path path_;
    ArchiveKind kind_;
    ArchivePtr archive_;
    std::size_t members_ = 0;  // given by Next() so far
    bool read_ = false;        // the current member's data was asked for
    bool passed_over_ = false; // a member before the current one was not read
};

// The RAR layer hands a member's data to a callback inside RARProcessFile; a thread of its own runs it and
// sends the blocks through a socket pair, so that the reader pulls them as it needs them and the decoder
// waits while it does not.
thread_local int tl_data_socket = -1;

int SendBlock(unsigned char* block, int size) {
    std::size_t sent = 0;
    while (sent < static_cast<std::size_t>(size)) {
        const ssize_t n =
            ::send(tl_data_socket, block + sent, static_cast<std::size_t>(size) - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return -1; // the reader went away: the decoder stops
        }
        sent += static_cast<std::size_t>(n);
    }
    return 0;
}

class RarReader : public ArchiveReader {
public:
    RarReader(const std::filesystem::path& path, bool data) : path_(path) {
        unrar::RAROpenArchiveData open;
        const std::string name = path.string();
        open.ArcName = name.c_str();
        open.OpenMode = data ? unrar::RAR_OM_EXTRACT : unrar::RAR_OM_LIST;
        handle_ = unrar::RAROpenArchive(&open);
        if (handle_ == nullptr) {
            error_ = Damaged(path_, "it is no RAR archive this menu reads.");
            return;
        }
        unrar::RARSetProcessDataProc(handle_, SendBlock);
    }

    ~RarReader() override {
        FinishMember();
        if (handle_ != nullptr) {
            unrar::RARCloseArchive(handle_);
        }
    }
    RarReader(const RarReader&) = delete;
    RarReader& operator=(const RarReader&) = delete;

    std::optional<ArchiveMember> Next() override {
        if (!error_.empty()) {
            return std::nullopt;
        }
        FinishMember();
        unrar::RARHeaderData header;
        const int status = unrar::RARReadHeader(handle_, &header);
        if (status == unrar::ERAR_END_ARCHIVE) {
            return std::nullopt;
        }
        if (status != unrar::ERAR_SUCCESS) {
            error_ = Damaged(path_, "its headers are damaged.");
            return std::nullopt;
        }
        unprocessed_ = true;
        std::string name(header.FileName);
        std::replace(name.begin(), name.end(), '\\', '/');
        return ArchiveMember{std::move(name), header.UnpSize,
                             (header.Flags & unrar::RHDF_DIRECTORY) == unrar::RHDF_DIRECTORY};
    }

    std::optional<std::size_t> Read(std::span<std::uint8_t> out) override {
        if (unprocessed_ && !Start()) {
            return std::nullopt;
        }
        if (!socket_.Valid()) {
            return 0;
        }
        ssize_t got = 0;
        do {
            got = ::recv(socket_.Get(), out.data(), out.size(), 0);
        } while (got < 0 && errno == EINTR);
        if (got > 0) {
            return static_cast<std::size_t>(got);
        }
        FinishMember();
        if (got < 0 || result_ != unrar::ERAR_SUCCESS) {
            error_ =
                Damaged(path_, result_ == unrar::ERAR_UNKNOWN_FORMAT ? "its packing is not one read here."
                                                                     : "its data is damaged.");
            return std::nullopt;
        }
        return 0;
    }

private:
    bool Start() {
        unprocessed_ = false;
        std::array<int, 2> pair{};
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair.data()) != 0) {
            error_ = Damaged(path_, std::strerror(errno));
            return false;
        }
        socket_.Reset(pair[0]);
        producer_ = std::thread([this, sender = pair[1]] {
            const UniqueFd own(sender);
            tl_data_socket = sender;
            result_ = unrar::RARProcessFile(handle_, unrar::RAR_TEST, nullptr, nullptr);
        });
        return true;
    }

    // Ends the member: a decoder still sending is told to stop, an unread member is skipped.
    void FinishMember() {
        if (producer_.joinable()) {
            ::shutdown(socket_.Get(), SHUT_RDWR);
            producer_.join();
            socket_.Reset();
        } else if (unprocessed_) {
            unrar::RARProcessFile(handle_, unrar::RAR_SKIP, nullptr, nullptr);
        }
        unprocessed_ = false;
    }

    std::filesystem::path path_;
    unrar::ArchiveHandle handle_ = nullptr;
    bool unprocessed_ = false;
    UniqueFd socket_;
    std::thread producer_;
    int result_ = unrar::ERAR_SUCCESS;
};

} // namespace

std::optional<ArchiveKind> ArchiveKindOf(const std::filesystem::path& path) {
    const PositionalFile file(path.string());
    std::string head;
    if (!file.IsOpen() || !file.ReadUpTo(0, 8, head)) {
        return std::nullopt;
    }
    if (head.starts_with(std::string_view("7z\xBC\xAF\x27\x1C", 6))) {
        return ArchiveKind::SevenZip;
    }
    if (head.starts_with("PK\x03\x04") || head.starts_with("PK\x05\x06")) {
        return ArchiveKind::Zip;
    }
    if (head.starts_with("Rar!\x1A\x07")) {
        return ArchiveKind::Rar;
    }
    return std::nullopt;
}

std::unique_ptr<ArchiveReader> OpenArchiveReader(const std::filesystem::path& path, bool data,
                                                 std::string& error) {
    const auto kind = ArchiveKindOf(path);
    if (!kind) {
        error = "\"" + path.string() + "\" is no 7-Zip, ZIP or RAR archive.";
        return nullptr;
    }
    std::unique_ptr<ArchiveReader> reader;
    if (*kind == ArchiveKind::Rar) {
        reader = std::make_unique<RarReader>(path, data);
    } else {
        reader = std::make_unique<LibarchiveReader>(path, *kind);
    }
    if (!reader->Error().empty()) {
        error = reader->Error();
        return nullptr;
    }
    return reader;
}

} // namespace tavox
