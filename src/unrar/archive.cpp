#include "unrar/unrar.h"

#include "base/crc32.h"
#include "base/positional_file.h"
#include "unrar/archive_state.h"
#include "unrar/dos_code_page.h"
#include "unrar/safe_output.h"
#include "unrar/volume_name.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace tavox::unrar {

namespace {

// How long a decoder may go without a sign of progress before it is given up. Decoders report every 64 KB
// they unpack, so even a slow machine stays far below this.
constexpr std::chrono::milliseconds kNoProgressLimit{5000};

// Asking for a missing volume again and again is the callback's way of waiting for a disk; this many
// answers without the volume appearing end the wait.
constexpr int kMaxVolumeRequests = 100;

// Room for a volume name that the change-volume callback may rewrite.
constexpr std::size_t kVolumeNameBytes = 4096;

// Appends the next volume of the set, asking the change-volume callback where it is not found.
int OpenNextVolume(Archive& archive) {
    const RarVolume& last = archive.volumes.back();
    std::array<char, kVolumeNameBytes> name{};
    const std::string next = NextVolumeName(last.path, last.new_numbering);
    std::memcpy(name.data(), next.data(), std::min(next.size(), name.size() - 1));
    for (int request = 0; request < kMaxVolumeRequests; ++request) {
        name.back() = '\0';
        if (const std::optional<std::string> found = FindVolume(name.data())) {
            // A volume that cannot be read is asked for again, as one that is not there.
            if (Result<RarVolume> read = ReadVolume(*found); read && read->format == last.format) {
                if (archive.change_volume && archive.change_volume(name.data(), RAR_VOL_NOTIFY) == -1) {
                    return ERAR_EOPEN;
                }
                archive.volumes.push_back(std::move(*read));
                return ERAR_SUCCESS;
            }
        }
        if (!archive.change_volume || archive.change_volume(name.data(), RAR_VOL_ASK) == -1) {
            return ERAR_EOPEN;
        }
    }
    return ERAR_EOPEN;
}

// The parts of the entry at (volume, index): itself and, when it goes on in later volumes, their first
// entries, opening those volumes.
int CollectParts(Archive& archive, EntryRef first, std::vector<EntryRef>& parts) {
    parts = {first};
    while (archive.At(parts.back()).split_after) {
        const std::size_t volume = parts.back().volume + 1;
        if (volume == archive.volumes.size()) {
            if (const int opened = OpenNextVolume(archive); opened != ERAR_SUCCESS) {
                return opened;
            }
        }
        const RarVolume& next = archive.volumes[volume];
        if (next.entries.empty() || !next.entries.front().split_before) {
            return ERAR_BAD_DATA;
        }
        parts.push_back({volume, 0});
    }
    return ERAR_SUCCESS;
}

// What becomes of the unpacked bytes: counted and checked, written to the file, handed to the caller's
// callback.
class Sink {
public:
    Sink(ProcessDataProc callback, OutputFile* file) : callback_(callback), file_(file) {}

    bool Take(std::span<const std::uint8_t> block) {
        size_ += block.size();
        crc_ = Crc32(block, crc_);
        if (file_ != nullptr && (error_ = file_->Write(block)) != ERAR_SUCCESS) {
            return false;
        }
        if (callback_ != nullptr) {
            // The callback may change the block it is given; it gets its own copy.
            scratch_.assign(block.begin(), block.end());
            if (callback_(scratch_.data(), static_cast<int>(scratch_.size())) == -1) {
                error_ = ERAR_UNKNOWN;
                return false;
            }
        }
        return true;
    }

    std::uint64_t Size() const { return size_; }
    std::uint32_t Crc() const { return crc_; }
    int Error() const { return error_; }

private:
    ProcessDataProc callback_ = nullptr;
    OutputFile* file_ = nullptr;
    std::uint64_t size_ = 0;
    std::uint32_t crc_ = 0;
    int error_ = ERAR_SUCCESS;
    std::vector<std::uint8_t> scratch_;
};

// Stored data needs no decoder: the packed bytes of every part are the file.
int CopyStored(const Archive& archive, const std::vector<EntryRef>& parts, Sink& sink) {
    std::vector<std::uint8_t> buffer(protocol::kDataBlockBytes);
    for (const EntryRef& part : parts) {
        const DataRange& range = archive.At(part).data;
        const PositionalFile file(range.path);
        for (std::uint64_t done = 0; done < range.size;) {
            const auto n =
                static_cast<std::size_t>(std::min<std::uint64_t>(range.size - done, buffer.size()));
            if (!file.ReadAt(range.offset + done, buffer.data(), n)) {
                return ERAR_EREAD;
            }
            if (!sink.Take(std::span(buffer.data(), n))) {
                return sink.Error();
            }
            done += n;
        }
    }
    return ERAR_SUCCESS;
}

int Decode(Archive& archive, const std::vector<EntryRef>& parts, Sink& sink) {
    const DecoderInput input = archive.DecoderInputFor(parts);
    const DecodeResult result =
        archive.decoder.Decode(input.stream, input.request,
                               [&sink](std::span<const std::uint8_t> block) { return sink.Take(block); });
    switch (result) {
    case DecodeResult::Ok:
        return ERAR_SUCCESS;
    case DecodeResult::Stopped:
        return sink.Error();
    case DecodeResult::NoWorker:
        return ERAR_UNKNOWN;
    case DecodeResult::NoDecoder:
        return ERAR_UNKNOWN_FORMAT;
    default:
        return ERAR_BAD_DATA;
    }
}

// File permissions on the host: a Unix archive's own (without set-id bits and group or world write), or
// the DOS read-only attribute as a missing write bit.
unsigned HostMode(const RarEntry& entry) {
    constexpr unsigned kHostUnix = 3;
    if (entry.host_os == kHostUnix) {
        return (entry.attributes & 0755) | 0400;
    }
    return (entry.attributes & 0x01) ? 0444 : 0644;
}

int ProcessData(Archive& archive, const std::vector<EntryRef>& parts, int operation,
                const std::string& dest_path, const char* dest_name) {
    const RarEntry& entry = archive.At(parts.front());
    const RarEntry& last = archive.At(parts.back());
    const std::string name = archive.Utf8Name(entry);
    if (entry.kind == EntryKind::Link) {
        return ERAR_SUCCESS;
    }
    std::optional<std::vector<std::string>> relative = RelativeParts(name);
    if (operation == RAR_EXTRACT && dest_name == nullptr && !relative) {
        return ERAR_ECREATE;
    }
    if (entry.kind == EntryKind::Directory) {
        return operation == RAR_EXTRACT && dest_name == nullptr ? CreateDirectories(dest_path, *relative)
                                                                : ERAR_SUCCESS;
    }
    if (entry.encrypted) {
        return ERAR_BAD_DATA;
    }
    if (!archive.CanDecode(entry)) {
        return ERAR_UNKNOWN_FORMAT;
    }
    OutputFile file;
    if (operation == RAR_EXTRACT) {
        const int created = dest_name != nullptr ? OutputFile::CreateAt(dest_name, file)
                                                 : OutputFile::Create(dest_path, *relative, file);
        if (created != ERAR_SUCCESS) {
            return created;
        }
    }
    Sink sink(archive.process_data, operation == RAR_EXTRACT ? &file : nullptr);
    const int unpacked =
        entry.method == 0x30 ? CopyStored(archive, parts, sink) : Decode(archive, parts, sink);
    if (unpacked != ERAR_SUCCESS) {
        return unpacked;
    }
    if (sink.Size() != entry.unp_size || (last.crc && sink.Crc() != *last.crc)) {
        return ERAR_BAD_DATA;
    }
    return operation == RAR_EXTRACT ? file.Commit(HostMode(entry), entry.unix_time) : ERAR_SUCCESS;
}

} // namespace

ArchiveHandle RAROpenArchive(RAROpenArchiveData* data) {
    if (data == nullptr) {
        return nullptr;
    }
    data->CmtSize = 0;
    data->CmtState = 0;
    if (data->ArcName == nullptr) {
        data->OpenResult = ERAR_EOPEN;
        return nullptr;
    }
    Result<RarVolume> volume = ReadVolume(data->ArcName);
    if (!volume) {
        data->OpenResult = volume.Error().kind == FailureKind::Damaged ? ERAR_BAD_ARCHIVE : ERAR_EOPEN;
        return nullptr;
    }
    auto archive = std::make_unique<Archive>(DecoderProcess::DefaultWorkerPath(), kNoProgressLimit);
    archive->open_mode = data->OpenMode;
    archive->volumes.push_back(std::move(*volume));
    if (const auto& comment = archive->volumes.front().comment;
        comment && data->CmtBuf && data->CmtBufSize > 0) {
        FillComment(archive->ReadComment(*comment), data->CmtBuf, data->CmtBufSize, data->CmtSize,
                    data->CmtState);
    }
    data->OpenResult = ERAR_SUCCESS;
    return archive.release();
}

int RARCloseArchive(ArchiveHandle handle) {
    if (handle == nullptr) {
        return ERAR_ECLOSE;
    }
    delete handle;
    return ERAR_SUCCESS;
}

int RARReadHeader(ArchiveHandle handle, RARHeaderData* header) {
    if (handle == nullptr || header == nullptr) {
        return ERAR_UNKNOWN;
    }
    Archive& archive = *handle;
    archive.current.reset();
    for (;;) {
        const RarVolume& volume = archive.volumes[archive.position.volume];
        // Parts of a file that began in an earlier volume were handled with it.
        while (archive.position.index < volume.entries.size() &&
               volume.entries[archive.position.index].split_before) {
            ++archive.position.index;
        }
        if (archive.position.index < volume.entries.size()) {
            archive.current = archive.position;
            ++archive.position.index;
            archive.FillHeader(*archive.current, *header);
            return ERAR_SUCCESS;
        }
        if (volume.damaged || volume.headers_encrypted) {
            // Once; the walk ends after it.
            const bool first = !archive.damage_reported;
            archive.damage_reported = true;
            return first ? ERAR_BAD_DATA : ERAR_END_ARCHIVE;
        }
        if (!volume.more_volumes) {
            return ERAR_END_ARCHIVE;
        }
        if (archive.position.volume + 1 == archive.volumes.size()) {
            if (const int opened = OpenNextVolume(archive); opened != ERAR_SUCCESS) {
                return opened;
            }
        }
        archive.position = {archive.position.volume + 1, 0};
    }
}

int RARProcessFile(ArchiveHandle handle, int operation, const char* dest_path, const char* dest_name) {
    if (handle == nullptr) {
        return ERAR_UNKNOWN;
    }
    Archive& archive = *handle;
    if (!archive.current) {
        return ERAR_UNKNOWN;
    }
    const EntryRef first = *std::exchange(archive.current, std::nullopt);
    // Listing only walks the headers.
    if (operation == RAR_SKIP || archive.open_mode == RAR_OM_LIST) {
        return ERAR_SUCCESS;
    }
    if (operation != RAR_TEST && operation != RAR_EXTRACT) {
        return ERAR_UNKNOWN;
    }
    std::vector<EntryRef> parts;
    if (const int collected = CollectParts(archive, first, parts); collected != ERAR_SUCCESS) {
        return collected;
    }
    if (parts.size() > 1) {
        archive.position = {parts.back().volume, parts.back().index + 1};
    }
    return ProcessData(archive, parts, operation, dest_path != nullptr ? dest_path : "", dest_name);
}

void RARSetChangeVolProc(ArchiveHandle handle, ChangeVolProc proc) {
    if (handle != nullptr) {
        handle->change_volume = proc;
    }
}

void RARSetProcessDataProc(ArchiveHandle handle, ProcessDataProc proc) {
    if (handle != nullptr) {
        handle->process_data = proc;
    }
}

void RARSetPassword(ArchiveHandle handle, const char* password) {
    if (handle != nullptr) {
        handle->password = password != nullptr ? password : "";
    }
}

void RARSetOemCodePage(ArchiveHandle handle, int code_page) {
    if (handle != nullptr && IsDosCodePage(code_page)) {
        handle->code_page = code_page;
    }
}

} // namespace tavox::unrar
