#pragma once

// The ISO 9660 file system of a disc image as libarchive reads it, straight from the image's data track.
// Shared by the unpack and by the reads of single files.

#include "disc/disc_image.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct archive;

namespace tavox {

// libarchive turns Joliet names into the current locale's character set, and has none for them in the C
// locale; this thread reads the disc under a UTF-8 locale instead, leaving the program's own alone.
class Utf8Locale {
public:
    Utf8Locale();
    ~Utf8Locale();
    Utf8Locale(const Utf8Locale&) = delete;
    Utf8Locale& operator=(const Utf8Locale&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The track's user data as libarchive reads it: in chunks, with skips and seeks.
struct TrackSource {
    UserDataReader reader;
    std::uint64_t end = 0;
    std::uint64_t position = 0;
    std::vector<std::uint8_t> chunk;
};

struct ArchiveCloser {
    void operator()(struct archive* archive) const;
};
using ArchivePtr = std::unique_ptr<struct archive, ArchiveCloser>;

// An open reader of the image's file system: the file, its track and libarchive over them.
class DiscStream {
public:
    explicit DiscStream(const DiscImage& image);
    DiscStream(const DiscStream&) = delete;
    DiscStream& operator=(const DiscStream&) = delete;

    // What keeps the file system from being read, for the user; nothing once it is open.
    const std::optional<std::string>& Error() const { return error_; }
    struct archive* Archive() const {
        return archive_.get();
    }
    const TrackSource& Source() const { return source_; }
    // "The disc image "…" cannot be read: " + why.
    std::string Failed(const std::string& why) const;
    // libarchive's reason for the last failure, or a general one.
    std::string ArchiveError() const;

private:
    const DiscImage& image_;
    PositionalFile file_;
    Utf8Locale utf8_;
    TrackSource source_;
    ArchivePtr archive_;
    std::optional<std::string> error_;
};

} // namespace tavox
