// The RAR library layer on arbitrary bytes: listed, tested or extracted into a fresh directory, every call
// answers one of the library's codes, the walk ends after at most one header for every byte of the input,
// nothing appears or changes outside the destination, and no link is ever made.

#include "fuzz_support.h"
#include "unrar/unrar.h"

#include <algorithm>
#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

namespace {

namespace fs = std::filesystem;
using tavox::fuzz::Require;
namespace unrar = tavox::unrar;

constexpr std::string_view kKept = "kept";

bool IsResultCode(int code) {
    return code == unrar::ERAR_SUCCESS || (code >= unrar::ERAR_END_ARCHIVE && code <= unrar::ERAR_UNKNOWN);
}

// Every path below `root` but `skip`, with its kind and content.
std::map<std::string, std::string> Snapshot(const fs::path& root, const fs::path& skip) {
    std::map<std::string, std::string> snapshot;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const auto status = it->symlink_status();
        snapshot[it->path().string()] = fs::is_symlink(status)
                                            ? "link " + fs::read_symlink(it->path()).string()
                                        : fs::is_directory(status) ? std::string("dir")
                                                                   : tavox::fuzz::ReadBytes(it->path());
    }
    return snapshot;
}

// Mode from the first byte: list, test or extract; with or without a password and a data receiver.
struct Mode {
    unsigned open_mode = unrar::RAR_OM_LIST;
    int operation = unrar::RAR_SKIP;
    bool password = false;
    bool receiver = false;
};

Mode ModeOf(std::uint8_t byte) {
    Mode mode;
    mode.operation = byte % 3; // RAR_SKIP, RAR_TEST, RAR_EXTRACT
    mode.open_mode = (byte & 0x04) != 0 ? unrar::RAR_OM_EXTRACT : unrar::RAR_OM_LIST;
    mode.password = (byte & 0x08) != 0;
    mode.receiver = (byte & 0x10) != 0;
    return mode;
}

int CountBytes(unsigned char*, int size) {
    Require(size >= 0, "a data block has a size");
    return 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) {
        return 0;
    }
    tavox::fuzz::InputReader input(data, size);
    const Mode mode = ModeOf(input.Byte());
    const std::string_view bytes = input.Rest();

    // scratch/work/{game.rar, keep.txt, one/target}: the destination two levels down, so that climbing
    // names have somewhere to land.
    const fs::path work = tavox::fuzz::ScratchDir() / "work";
    fs::remove_all(work);
    const fs::path target = work / "one" / "target";
    fs::create_directories(target);
    tavox::fuzz::WriteBytes(work / "game.rar", bytes);
    tavox::fuzz::WriteBytes(work / "keep.txt", kKept);
    const auto before = Snapshot(work, target);

    const std::string name = (work / "game.rar").string();
    const std::string dest = target.string();
    char comment[256] = {};
    unrar::RAROpenArchiveData open;
    open.ArcName = name.c_str();
    open.OpenMode = mode.open_mode;
    open.CmtBuf = comment;
    open.CmtBufSize = sizeof comment;
    const unrar::ArchiveHandle handle = unrar::RAROpenArchive(&open);
    Require(IsResultCode(static_cast<int>(open.OpenResult)), "the open result is a library code");
    Require(open.CmtSize <= open.CmtBufSize, "a comment fits its buffer");
    if (handle != nullptr) {
        if (mode.password) {
            unrar::RARSetPassword(handle, "secret");
        }
        if (mode.receiver) {
            unrar::RARSetProcessDataProc(handle, CountBytes);
        }
        unrar::RARHeaderData header;
        std::size_t headers = 0;
        for (;;) {
            const int read = unrar::RARReadHeader(handle, &header);
            Require(IsResultCode(read), "RARReadHeader answers a library code");
            if (read != unrar::ERAR_SUCCESS) {
                break;
            }
            Require(++headers <= bytes.size(), "the walk ends: no more headers than bytes");
            Require(std::find(std::begin(header.FileName), std::end(header.FileName), '\0') !=
                        std::end(header.FileName),
                    "a file name is terminated");
            Require(IsResultCode(unrar::RARProcessFile(handle, mode.operation, dest.c_str(), nullptr)),
                    "RARProcessFile answers a library code");
        }
        Require(unrar::RARCloseArchive(handle) == unrar::ERAR_SUCCESS, "an open archive closes");
    }

    Require(Snapshot(work, target) == before, "nothing outside the destination changes");
    for (auto it = fs::recursive_directory_iterator(target); it != fs::recursive_directory_iterator(); ++it) {
        Require(!it->is_symlink(), "no link is made");
        Require(mode.operation == unrar::RAR_EXTRACT && mode.open_mode == unrar::RAR_OM_EXTRACT,
                "only an extraction writes");
    }
    return 0;
}
