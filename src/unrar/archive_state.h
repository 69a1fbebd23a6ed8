#pragma once

#include "unrar/decoder_process.h"
#include "unrar/rar_volume.h"
#include "unrar/unrar.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tavox::unrar {

// An entry of one of the archive's volumes.
struct EntryRef {
    std::size_t volume = 0;
    std::size_t index = 0;
};

// A comment ready for the caller: its state as the interface reports it (1 read) and its text.
struct CommentText {
    unsigned state = 0;
    std::string text;
};

// Copies a comment into a caller's buffer (of at least one byte), zero-terminated; the size counts the
// terminator. A comment longer than the buffer is cut, with state ERAR_SMALL_BUF.
void FillComment(const CommentText& comment, char* buffer, unsigned buffer_size, unsigned& size,
                 unsigned& state);

// The stream and request that decode one entry.
struct DecoderInput {
    protocol::Stream stream;
    protocol::Request request;
};

// An open archive: the volumes read so far (later ones are opened as the walk or a file reaches them), the
// walk's position and the caller's settings.
struct Archive {
    Archive(std::string worker_path, std::chrono::milliseconds no_progress_limit)
        : decoder(std::move(worker_path), no_progress_limit) {}

    const RarEntry& At(EntryRef ref) const { return volumes[ref.volume].entries[ref.index]; }
    std::string Utf8Name(const RarEntry& entry) const;
    void FillHeader(EntryRef ref, RARHeaderData& header);
    // Whether this layer knows the entry's packing (RAR 1.5 compression needs unar installed besides).
    bool CanDecode(const RarEntry& entry) const;
    DecoderInput DecoderInputFor(const std::vector<EntryRef>& parts) const;
    CommentText ReadComment(const StoredComment& comment);

    unsigned open_mode = RAR_OM_LIST;
    int code_page = 437;
    std::string password; // kept for the interface: no decoder here decrypts
    ChangeVolProc change_volume = nullptr;
    ProcessDataProc process_data = nullptr;
    std::vector<RarVolume> volumes;
    EntryRef position;               // the next header to read
    std::optional<EntryRef> current; // the header read last, until it is processed
    bool damage_reported = false;
    DecoderProcess decoder;
};

} // namespace tavox::unrar
