#include "installer/trar.h"

#include "base/ascii.h"
#include "platform/drive_map.h"

#include <algorithm>
#include <memory>
#include <optional>

namespace tavox {

namespace {

// The comment buffer holds one byte more than announced, so that a full comment still ends with a zero.
constexpr unsigned kCommentBufferSize = 65535;
constexpr unsigned kFileEncrypted = 0x04;
constexpr unsigned kCommentRead = 1;

// The stored name up to its terminating zero, never past the record's field.
std::string_view StoredName(const unrar::RARHeaderData& header) {
    const std::string_view field(header.FileName, sizeof header.FileName);
    return field.substr(0, field.find('\0'));
}

// Closes the archive when the walk ends, however it ends; Close says when that happens earlier.
class ArchiveCloser {
public:
    ArchiveCloser(const UnrarLibrary& library, unrar::ArchiveHandle handle)
        : library_(library), handle_(handle) {}
    ~ArchiveCloser() { Close(); }
    ArchiveCloser(const ArchiveCloser&) = delete;
    ArchiveCloser& operator=(const ArchiveCloser&) = delete;

    unrar::ArchiveHandle Handle() const { return handle_; }
    void Close() {
        if (handle_) {
            library_.RARCloseArchive(handle_);
            handle_ = nullptr;
        }
    }

private:
    const UnrarLibrary& library_;
    unrar::ArchiveHandle handle_;
};

} // namespace

struct TRAR::Opened {
    unrar::ArchiveHandle handle = nullptr;
    unsigned result = 0;
    unsigned comment_size = 0;
    unsigned comment_state = 0;
};

// Where files go: the library's default (no path), a host directory, or nowhere when TargetDir lies outside
// every drive, where no file can be created.
struct TRAR::Destination {
    std::optional<std::string> host_dir;
    bool unreachable = false;
};

TRAR* TRAR::ActiveArchive = nullptr;

void SortedStringList::Add(std::string_view line) {
    const auto place = std::lower_bound(lines_.begin(), lines_.end(), line, LessIgnoringAsciiCase);
    if (place == lines_.end() || LessIgnoringAsciiCase(line, *place)) {
        lines_.insert(place, std::string(line));
    }
}

void SortedStringList::Assign(const std::vector<std::string>& lines) {
    lines_.clear();
    for (const std::string& line : lines) {
        Add(line);
    }
}

bool SortedStringList::Contains(std::string_view name) const {
    return std::binary_search(lines_.begin(), lines_.end(), name, LessIgnoringAsciiCase);
}

TRAR::TRAR(const DriveMap& drives, UnrarLibrary library) : drives_(drives), library_(library) {}

TRAR::~TRAR() {
    if (ActiveArchive == this) {
        ActiveArchive = nullptr;
    }
}

std::string_view TRAR::ErrorText(int code) {
    switch (code) {
    case unrar::ERAR_END_ARCHIVE:
        return "End of archive";
    case unrar::ERAR_NO_MEMORY:
        return "Not enough memory to initialize data structures";
    case unrar::ERAR_BAD_DATA:
        return "CRC error, data damaged";
    case unrar::ERAR_BAD_ARCHIVE:
        return "File is not valid RAR archive";
    case unrar::ERAR_UNKNOWN_FORMAT:
        return "Unknown comment format";
    case unrar::ERAR_EOPEN:
        return "File open error";
    case unrar::ERAR_ECREATE:
        return "File create error";
    case unrar::ERAR_ECLOSE:
        return "File close error";
    case unrar::ERAR_EREAD:
        return "Read error";
    case unrar::ERAR_EWRITE:
        return "Write error";
    case unrar::ERAR_SMALL_BUF:
        return "Buffer is too small for comment";
    default:
        return "Unknown error";
    }
}

TRAR::Opened TRAR::Open(unsigned mode, TComment& comment) {
    Opened opened;
    const std::optional<std::filesystem::path> host_path = drives_.ToHostPath(ArchiveName);
    if (!host_path) {
        // Outside every drive the archive does not exist, as a missing file answers.
        opened.result = unrar::ERAR_EOPEN;
        return opened;
    }
    const std::string host_name = host_path->string();
    unrar::RAROpenArchiveData data;
    data.ArcName = host_name.c_str();
    data.OpenMode = mode;
    data.CmtBuf = comment.Text.data();
    data.CmtBufSize = kCommentBufferSize;
    opened.handle = library_.RAROpenArchive(&data);
    opened.result = data.OpenResult;
    opened.comment_size = data.CmtSize;
    opened.comment_state = data.CmtState;
    if (opened.handle) {
        library_.RARSetOemCodePage(opened.handle, OemCodePage);
    }
    return opened;
}

TRAR::Destination TRAR::DestinationDir() const {
    Destination destination;
    if (!TargetDir.empty()) {
        const auto host_dir = drives_.ToHostPath(TargetDir);
        destination.unreachable = !host_dir;
        if (host_dir) {
            destination.host_dir = host_dir->string();
        }
    }
    return destination;
}

int TRAR::ProcessFile(unrar::ArchiveHandle handle, int operation, const Destination& destination) {
    if (destination.unreachable && operation == unrar::RAR_EXTRACT) {
        // Nothing can be created there: pass over the file and say so, as a missing drive would.
        const int skipped = library_.RARProcessFile(handle, unrar::RAR_SKIP, nullptr, nullptr);
        return skipped != 0 ? skipped : unrar::ERAR_ECREATE;
    }
    return library_.RARProcessFile(handle, operation,
                                   destination.host_dir ? destination.host_dir->c_str() : nullptr, nullptr);
}

void TRAR::Error(int code) {
    if (OnError) {
        OnError(*this, code);
    }
}

int TRAR::ChangeVolumeCallback(char* arc_name, int mode) {
    TRAR* const active = ActiveArchive;
    if (!active || !active->OnVolumeChange) {
        return -1;
    }
    return active->OnVolumeChange(*active, arc_name, mode);
}

int TRAR::ProcessDataCallback(unsigned char* addr, int size) {
    TRAR* const active = ActiveArchive;
    if (!active) {
        return -1;
    }
    // Wraps like the 32-bit counter it is, rather than overflowing, past 2 GB.
    active->DataPosition = static_cast<std::int32_t>(static_cast<std::uint32_t>(active->DataPosition) +
                                                     static_cast<std::uint32_t>(size));
    if (!active->OnProcessData) {
        return 1;
    }
    return active->OnProcessData(*active, addr, size, active->DataPosition);
}

void TRAR::List() {
    ActiveArchive = this;
    const auto comment = std::make_unique<TComment>();
    const Opened opened = Open(unrar::RAR_OM_LIST, *comment);
    comment->Size = static_cast<std::int32_t>(opened.comment_size);
    ArchiveCloser archive(library_, opened.handle);
    if (opened.result != 0) {
        Error(static_cast<int>(opened.result));
        archive.Close();
        return;
    }
    if (opened.comment_state == kCommentRead && OnComment) {
        OnComment(*this, *comment);
    }
    if (OnVolumeChange) {
        library_.RARSetChangeVolProc(archive.Handle(), &ChangeVolumeCallback);
    }
    unrar::RARHeaderData header;
    header.CmtBuf = comment->Text.data();
    header.CmtBufSize = kCommentBufferSize;
    int read = 0;
    while ((read = library_.RARReadHeader(archive.Handle(), &header)) == 0) {
        if (OnListFile) {
            OnListFile(*this, header);
        }
        if (Stop) {
            Stop = false;
            return;
        }
        if (header.CmtState == kCommentRead && OnComment) {
            // The record tells the size of the comment it now holds: the file's.
            comment->Size = static_cast<std::int32_t>(header.CmtSize);
            OnComment(*this, *comment);
        }
        const int skipped = library_.RARProcessFile(archive.Handle(), unrar::RAR_SKIP, nullptr, nullptr);
        if (skipped != 0) {
            Error(skipped);
            break;
        }
    }
    if (read == unrar::ERAR_BAD_DATA) {
        Error(read);
    }
}

bool TRAR::Extract() {
    bool result = true;
    if (ArchiveName.empty()) {
        Error(unrar::ERAR_BAD_ARCHIVE);
        return false;
    }
    ActiveArchive = this;
    const auto comment = std::make_unique<TComment>();
    const Opened opened = Open(unrar::RAR_OM_EXTRACT, *comment);
    comment->Size = static_cast<std::int32_t>(opened.comment_size);
    const Destination destination = DestinationDir();
    ArchiveCloser archive(library_, opened.handle);
    if (opened.result != 0) {
        archive.Close();
        Error(static_cast<int>(opened.result));
        return false;
    }
    if (opened.comment_state == kCommentRead && OnComment) {
        OnComment(*this, *comment);
    }
    if (OnVolumeChange) {
        library_.RARSetChangeVolProc(archive.Handle(), &ChangeVolumeCallback);
    }
    unrar::RARHeaderData header;
    header.CmtBuf = comment->Text.data();
    header.CmtBufSize = kCommentBufferSize;
    if (OnProcessData) {
        library_.RARSetProcessDataProc(archive.Handle(), &ProcessDataCallback);
    }
    std::string password;
    int read = 0;
    while ((read = library_.RARReadHeader(archive.Handle(), &header)) == 0) {
        const std::string name(StoredName(header));
        if (Stop) {
            Stop = false;
            return result;
        }
        if (FilesToExtract.Count() > 0 && !FilesToExtract.Contains(name)) {
            const int skipped = ProcessFile(archive.Handle(), unrar::RAR_SKIP, destination);
            if (skipped != 0) {
                Error(skipped);
                return false;
            }
            continue;
        }
        if (OnExtracting) {
            OnExtracting(*this, header);
        }
        DataPosition = 0;
        if ((header.Flags & kFileEncrypted) && OnReqPassword) {
            OnReqPassword(*this, header, password);
            if (!password.empty()) {
                library_.RARSetPassword(archive.Handle(), password.c_str());
            }
        }
        const int extracted = ProcessFile(archive.Handle(), unrar::RAR_EXTRACT, destination);
        if (OnExtract) {
            OnExtract(*this, header, extracted == 0);
        }
        if (extracted != 0) {
            result = false;
            Error(extracted);
            if (extracted != unrar::ERAR_ECREATE && extracted != unrar::ERAR_BAD_DATA) {
                return false;
            }
        }
    }
    // A walk that ends before the end of the archive has not extracted everything.
    if (read != unrar::ERAR_END_ARCHIVE) {
        Error(read);
        result = false;
    }
    return result;
}

} // namespace tavox
