#include "disc/disc_stream.h"

#include <archive.h>
#include <locale.h>

#include <algorithm>

namespace tavox {

namespace {

constexpr std::size_t kReadChunk = 1 << 20;

la_ssize_t ReadCallback(struct archive*, void* data, const void** buffer) {
    auto& source = *static_cast<TrackSource*>(data);
    const std::uint64_t left = source.end > source.position ? source.end - source.position : 0;
    const std::size_t wanted = static_cast<std::size_t>(std::min<std::uint64_t>(left, source.chunk.size()));
    const std::size_t got = source.reader.Read(source.position, std::span(source.chunk.data(), wanted));
    source.position += got;
    *buffer = source.chunk.data();
    return static_cast<la_ssize_t>(got);
}

la_int64_t SkipCallback(struct archive*, void* data, la_int64_t request) {
    auto& source = *static_cast<TrackSource*>(data);
    const std::uint64_t left = source.end > source.position ? source.end - source.position : 0;
    const auto skipped =
        std::min<std::uint64_t>(left, static_cast<std::uint64_t>(std::max<la_int64_t>(request, 0)));
    source.position += skipped;
    return static_cast<la_int64_t>(skipped);
}

la_int64_t SeekCallback(struct archive*, void* data, la_int64_t offset, int whence) {
    auto& source = *static_cast<TrackSource*>(data);
    const la_int64_t base = whence == SEEK_SET   ? 0
                            : whence == SEEK_CUR ? static_cast<la_int64_t>(source.position)
                                                 : static_cast<la_int64_t>(source.end);
    if (base + offset < 0) {
        return ARCHIVE_FATAL;
    }
    source.position = std::min<std::uint64_t>(static_cast<std::uint64_t>(base + offset), source.end);
    return static_cast<la_int64_t>(source.position);
}

} // namespace

struct Utf8Locale::State {
    locale_t locale = nullptr;
    locale_t previous = nullptr;
};

Utf8Locale::Utf8Locale() : state_(std::make_unique<State>()) {
    state_->locale = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
    if (state_->locale != nullptr) {
        state_->previous = ::uselocale(state_->locale);
    }
}

Utf8Locale::~Utf8Locale() {
    if (state_->locale != nullptr) {
        ::uselocale(state_->previous);
        ::freelocale(state_->locale);
    }
}

void ArchiveCloser::operator()(struct archive* archive) const {
    archive_read_free(archive);
}

DiscStream::DiscStream(const DiscImage& image)
    : image_(image), file_(image.source ? std::string() : image.data_file.string()),
      source_{UserDataReader(image.source ? image.source : FileReader(file_), image.layout),
              image.track_bytes, 0, std::vector<std::uint8_t>(kReadChunk)} {
    if (!image.source && !file_.IsOpen()) {
        error_ = Failed("the file cannot be opened.");
        return;
    }
    archive_.reset(archive_read_new());
    archive_read_support_format_iso9660(archive_.get());
    archive_read_set_callback_data(archive_.get(), &source_);
    archive_read_set_read_callback(archive_.get(), ReadCallback);
    archive_read_set_skip_callback(archive_.get(), SkipCallback);
    archive_read_set_seek_callback(archive_.get(), SeekCallback);
    if (archive_read_open1(archive_.get()) != ARCHIVE_OK) {
        error_ = Failed("it holds no ISO 9660 file system.");
    }
}

std::string DiscStream::Failed(const std::string& why) const {
    return "The disc image \"" + image_.data_file.string() + "\" cannot be read: " + why;
}

std::string DiscStream::ArchiveError() const {
    const char* why = archive_error_string(archive_.get());
    return why ? std::string(why) + "." : std::string("the image is truncated or damaged.");
}

} // namespace tavox
