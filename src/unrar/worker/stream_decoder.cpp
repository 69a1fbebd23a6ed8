#include "unrar/worker/stream_decoder.h"

#include "unrar/worker/unar_decoder.h"

#include <archive.h>
#include <archive_entry.h>
#include <unarr.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace tavox::unrar::worker {

namespace {

using protocol::EndStatus;

constexpr std::size_t kBlock = protocol::kDataBlockBytes;

// RAR 1.5-4 through libunarr. In a solid archive each file's data continues the previous one's, so the
// files before the one asked for are unpacked in order (and thrown away) rather than by the decoder's own
// restart from the beginning, which would give no sign of progress.
class UnarrDecoder final : public StreamDecoder {
public:
    UnarrDecoder(std::vector<std::uint8_t> bytes, bool solid) : bytes_(std::move(bytes)), solid_(solid) {}
    ~UnarrDecoder() override { Close(); }

    bool Open() {
        Close();
        stream_ = ar_open_memory(bytes_.data(), bytes_.size());
        archive_ = stream_ ? ar_open_rar_archive(stream_) : nullptr;
        current_ = -1;
        left_ = 0;
        return archive_ != nullptr;
    }

    EndStatus Decode(const protocol::Request& request, const Output& out) override {
        if (archive_ == nullptr && !Open()) {
            return EndStatus::Failed;
        }
        const auto key = static_cast<off64_t>(request.key);
        bool found = false;
        if (solid_ && current_ <= key) {
            if (current_ < 0 && ar_parse_entry(archive_)) {
                Enter();
            }
            while (current_ >= 0 && current_ < key && Drain(out) && ar_parse_entry(archive_)) {
                Enter();
            }
            found = current_ == key;
        }
        if (!found) {
            if (!ar_parse_entry_at(archive_, key) || ar_entry_get_offset(archive_) != key) {
                Open();
                return EndStatus::NotFound;
            }
            Enter();
        }
        if (left_ != request.unp_size) {
            Open();
            return EndStatus::Failed;
        }
        std::array<std::uint8_t, kBlock> buffer{};
        while (left_ > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left_, buffer.size()));
            const bool decoded = ar_entry_uncompress(archive_, buffer.data(), n);
            if (!decoded && !(request.unchecked && n == left_)) {
                // A failed solid file leaves the decoder's state behind it unusable: start afresh.
                Open();
                return EndStatus::Failed;
            }
            left_ -= n;
            if (!out.data(std::span(buffer.data(), n))) {
                return EndStatus::Failed;
            }
            if (!decoded) {
                Open();
            }
        }
        return EndStatus::Ok;
    }

private:
    void Enter() {
        current_ = ar_entry_get_offset(archive_);
        left_ = ar_entry_get_size(archive_);
    }

    bool Drain(const Output& out) {
        std::array<std::uint8_t, kBlock> scratch{};
        while (left_ > 0) {
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left_, scratch.size()));
            if (!ar_entry_uncompress(archive_, scratch.data(), n)) {
                return false;
            }
            left_ -= n;
            out.progress();
        }
        return true;
    }

    void Close() {
        if (archive_ != nullptr) {
            ar_close_archive(archive_);
            archive_ = nullptr;
        }
        if (stream_ != nullptr) {
            ar_close(stream_);
            stream_ = nullptr;
        }
    }

    std::vector<std::uint8_t> bytes_;
    bool solid_ = false;
    ar_stream* stream_ = nullptr;
    ar_archive* archive_ = nullptr;
    off64_t current_ = -1;   // the entry the decoder stands at
    std::uint64_t left_ = 0; // its bytes not yet unpacked
};

// RAR 5 through libarchive, which walks the entries in order; entries are found by their number.
class LibarchiveDecoder final : public StreamDecoder {
public:
    LibarchiveDecoder(std::vector<std::uint8_t> bytes, bool solid)
        : bytes_(std::move(bytes)), solid_(solid) {}
    ~LibarchiveDecoder() override { Close(); }

    bool Open() {
        Close();
        archive_ = archive_read_new();
        if (archive_ == nullptr || archive_read_support_format_rar5(archive_) != ARCHIVE_OK ||
            archive_read_open_memory(archive_, bytes_.data(), bytes_.size()) != ARCHIVE_OK) {
            Close();
            return false;
        }
        index_ = -1;
        data_left_ = false;
        return true;
    }

    EndStatus Decode(const protocol::Request& request, const Output& out) override {
        const auto key = static_cast<std::int64_t>(request.key);
        if ((archive_ == nullptr || index_ >= key) && !Open()) {
            return EndStatus::Failed;
        }
        archive_entry* entry = nullptr;
        while (index_ < key) {
            if (data_left_ && solid_ && !Drain(out)) {
                Open();
                return EndStatus::Failed;
            }
            const int r = archive_read_next_header(archive_, &entry);
            if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
                Open();
                return EndStatus::NotFound;
            }
            ++index_;
            // Only files carry data to unpack; libarchive makes up endless data for some links.
            data_left_ = archive_entry_filetype(entry) == AE_IFREG;
            data_size_ = static_cast<std::uint64_t>(archive_entry_size(entry));
        }
        const char* name = archive_entry_pathname_utf8(entry);
        if (!request.name.empty() && (name == nullptr || std::string_view(name) != request.name)) {
            Open();
            return EndStatus::NotFound;
        }
        data_left_ = false;
        std::array<std::uint8_t, kBlock> buffer{};
        std::uint64_t total = 0;
        for (;;) {
            const la_ssize_t n = archive_read_data(archive_, buffer.data(), buffer.size());
            if (n == 0) {
                return EndStatus::Ok;
            }
            total += n > 0 ? static_cast<std::uint64_t>(n) : 0;
            // Past the entry's size the decoder is running away (it can, on links, endlessly).
            if (n < 0 || total > request.unp_size) {
                Open();
                return EndStatus::Failed;
            }
            if (!out.data(std::span(buffer.data(), static_cast<std::size_t>(n)))) {
                return EndStatus::Failed;
            }
        }
    }

private:
    bool Drain(const Output& out) {
        std::array<std::uint8_t, kBlock> scratch{};
        std::uint64_t total = 0;
        la_ssize_t n = 0;
        while ((n = archive_read_data(archive_, scratch.data(), scratch.size())) > 0 && total <= data_size_) {
            total += static_cast<std::uint64_t>(n);
            out.progress();
        }
        data_left_ = false;
        return n == 0 && total <= data_size_;
    }

    void Close() {
        if (archive_ != nullptr) {
            archive_read_free(archive_);
            archive_ = nullptr;
        }
    }

    std::vector<std::uint8_t> bytes_;
    bool solid_ = false;
    archive* archive_ = nullptr;
    std::int64_t index_ = -1; // the entry whose header was read last
    bool data_left_ = false;  // its data not yet read
    std::uint64_t data_size_ = 0;
};

} // namespace

std::unique_ptr<StreamDecoder> MakeDecoder(const protocol::Stream& stream, std::vector<std::uint8_t> bytes) {
    if (stream.decoder == protocol::Decoder::Rar15) {
        return MakeUnarDecoder(std::move(bytes));
    }
    if (stream.decoder == protocol::Decoder::Rar4) {
        auto decoder = std::make_unique<UnarrDecoder>(std::move(bytes), stream.solid);
        return decoder->Open() ? std::move(decoder) : nullptr;
    }
    auto decoder = std::make_unique<LibarchiveDecoder>(std::move(bytes), stream.solid);
    return decoder->Open() ? std::move(decoder) : nullptr;
}

} // namespace tavox::unrar::worker
