#include "launch/program_kind.h"

#include "base/code_page.h"
#include "base/little_endian.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace tavox {

namespace {

constexpr std::string_view kElfMagic = "\x7F"
                                       "ELF";
// The DOS header: its fixed part, and the full size that holds the offset of a Windows header.
constexpr std::size_t kDosHeaderBytes = 0x1C;
constexpr std::size_t kNewHeaderOffsetAt = 0x3C;
constexpr std::size_t kExtendedDosHeaderBytes = 0x40;
// The NE header's fixed part; the PE signature, file header and the optional header's magic.
constexpr std::size_t kNeHeaderBytes = 0x40;
constexpr std::size_t kPeHeaderBytes = 4 + 20 + 2;
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kPe32Magic = 0x010B;
constexpr std::uint16_t kPe32PlusMagic = 0x020B;

// The basic section of a .PIF and where its fields lie.
constexpr std::size_t kPifBasicBytes = 0x171;
constexpr std::size_t kPifProgramAt = 0x24;
constexpr std::size_t kPifProgramBytes = 63;
constexpr std::size_t kPifDirectoryAt = 0x65;
constexpr std::size_t kPifDirectoryBytes = 64;
constexpr std::size_t kPifArgumentsAt = 0xA5;
constexpr std::size_t kPifArgumentsBytes = 64;

ProgramKind ClassifyPortableExecutable(std::string_view header) {
    const std::uint16_t machine = ReadLe16(header, 4);
    const std::uint16_t magic = ReadLe16(header, 24);
    if (machine == kMachineI386 && magic == kPe32Magic) {
        return ProgramKind::Windows32;
    }
    if (machine == kMachineAmd64 && magic == kPe32PlusMagic) {
        return ProgramKind::Windows64;
    }
    return ProgramKind::Unknown;
}

// An MZ program is a DOS program unless its extended header points at a Windows header. A header that does
// not fit in the file is damaged: DOS itself would refuse to load it.
ProgramKind ClassifyMz(const ReadAtFunction& read) {
    const std::string header = read(0, kExtendedDosHeaderBytes);
    if (header.size() < kDosHeaderBytes) {
        return ProgramKind::Unknown;
    }
    const std::uint32_t header_bytes = ReadLe16(header, 8) * 16U;
    if (header_bytes < kDosHeaderBytes || read(header_bytes - 1, 1).empty()) {
        return ProgramKind::Unknown;
    }
    if (header.size() < kExtendedDosHeaderBytes) {
        return ProgramKind::Dos;
    }
    const std::uint32_t new_header_at = ReadLe32(header, kNewHeaderOffsetAt);
    if (new_header_at < kExtendedDosHeaderBytes) {
        return ProgramKind::Dos;
    }
    const std::string signature = read(new_header_at, 4);
    if (signature.starts_with("NE")) {
        return read(new_header_at, kNeHeaderBytes).size() == kNeHeaderBytes ? ProgramKind::Windows16
                                                                            : ProgramKind::Unknown;
    }
    if (signature == std::string_view("PE\0\0", 4)) {
        const std::string pe = read(new_header_at, kPeHeaderBytes);
        return pe.size() == kPeHeaderBytes ? ClassifyPortableExecutable(pe) : ProgramKind::Unknown;
    }
    // LE and LX are the DOS extenders' formats, loaded by the DOS program in front of them; anything else
    // at that offset is a DOS program's own data.
    return ProgramKind::Dos;
}

bool HasExtension(std::string_view file_name, std::string_view extension) {
    return file_name.size() >= extension.size() &&
           EqualsIgnoringCase(file_name.substr(file_name.size() - extension.size()), extension);
}

// A fixed-size text field: up to its first NUL, without the blanks around it.
std::string PifField(std::string_view bytes, std::size_t at, std::size_t size) {
    if (at >= bytes.size()) {
        return {};
    }
    std::string_view field = bytes.substr(at, size);
    field = field.substr(0, field.find('\0'));
    const std::size_t first = field.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    return std::string(field.substr(first, field.find_last_not_of(' ') - first + 1));
}

} // namespace

ProgramKind ClassifyProgram(const ReadAtFunction& read, bool executable, std::string_view file_name) {
    const std::string magic = read(0, 4);
    if (magic == kElfMagic || (magic.starts_with("#!") && executable)) {
        return ProgramKind::Host;
    }
    if (magic.starts_with("MZ") || magic.starts_with("ZM")) {
        return ClassifyMz(read);
    }
    if (HasExtension(file_name, ".COM")) {
        return ProgramKind::Dos;
    }
    if (HasExtension(file_name, ".BAT")) {
        return ProgramKind::Batch;
    }
    if (HasExtension(file_name, ".PIF")) {
        return ProgramKind::Pif;
    }
    return ProgramKind::Unknown;
}

ProgramKind ClassifyProgram(std::string_view image, bool executable, std::string_view file_name) {
    return ClassifyProgram(
        [image](std::uint64_t offset, std::size_t count) {
            return offset >= image.size() ? std::string() : std::string(image.substr(offset, count));
        },
        executable, file_name);
}

ProgramKind ClassifyProgramFile(const std::filesystem::path& host_path, std::string_view windows_name) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(host_path, ec)) {
        return ProgramKind::Unknown;
    }
    const int fd = ::open(host_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return ProgramKind::Unknown;
    }
    const auto read_at = [fd](std::uint64_t offset, std::size_t count) {
        std::string bytes(count, '\0');
        std::size_t got = 0;
        while (got < count) {
            const ssize_t n = ::pread(fd, bytes.data() + got, count - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    };
    const ProgramKind kind = ClassifyProgram(read_at, ::access(host_path.c_str(), X_OK) == 0, windows_name);
    ::close(fd);
    return kind;
}

std::optional<PifTarget> ReadPif(std::string_view bytes) {
    if (bytes.size() < kPifBasicBytes) {
        return std::nullopt;
    }
    PifTarget target{PifField(bytes, kPifProgramAt, kPifProgramBytes),
                     PifField(bytes, kPifArgumentsAt, kPifArgumentsBytes),
                     PifField(bytes, kPifDirectoryAt, kPifDirectoryBytes)};
    if (target.program.empty()) {
        return std::nullopt;
    }
    return target;
}

} // namespace tavox
