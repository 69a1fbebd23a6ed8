#include "installer/install_steps.h"

#include "base/log.h"
#include "catalogue/records.h"
#include "catalogue/text_helpers.h"
#include "platform/file_system.h"

#include <charconv>

namespace tavox {

std::string InstallBatch(std::string_view cd_drive, const TDemos& item) {
    const std::string drive(cd_drive);
    std::string batch;
    for (const std::string& line : {std::string("@ECHO OFF"), std::string("REM Created by TAVOX CD Menu"),
                                    drive, "CD " + item.InstallDir, "CALL " + item.InstallName,
                                    drive + "\\TAVOX\\WRITEINI.EXE " + item.ListName}) {
        batch += line;
        batch += "\r\n";
    }
    return batch;
}

namespace {

std::string_view FileNamePart(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\:");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

std::int64_t SizeOf(const FileSystem& files, std::string_view path) {
    const std::optional<std::uint64_t> size = files.FileSize(path);
    return size ? static_cast<std::int64_t>(*size) : -1;
}

bool Search(const FileSystem& files, const std::string& directory, std::string_view name,
            std::int64_t size_bytes, std::string& found) {
    const std::string dir = AddSlash(directory);
    if (SizeOf(files, dir + std::string(name)) == size_bytes) {
        found = dir;
        return true;
    }
    for (const FindEntry& entry : files.FindFiles(dir + "*.*")) {
        if (entry.IsDirectory() && !entry.is_link &&
            Search(files, dir + entry.name, name, size_bytes, found)) {
            return true;
        }
    }
    return false;
}

} // namespace

void CopyFileTo(FileSystem& files, std::string_view source, std::string_view destination) {
    std::string target(destination);
    if (files.DirectoryExists(target)) {
        target = AddSlash(target) + std::string(FileNamePart(source));
    }
    // The program that needs the copy says what is missing; the log says why.
    LogFailure(LogLevel::Error, "install", files.CopyContent(source, target));
}

bool HasAttr(const FileSystem& files, std::string_view path, std::uint32_t attributes) {
    const std::optional<std::uint32_t> present = files.GetAttributes(path);
    return present && (*present & attributes) == attributes;
}

std::string SearchTree(const FileSystem& files, std::string_view root, std::string_view name,
                       std::int64_t size_bytes) {
    std::string found;
    if (size_bytes >= 0) {
        Search(files, std::string(root), name, size_bytes, found);
    }
    return found;
}

std::optional<SearchFile> ParseSearchFile(std::string_view value) {
    const std::vector<std::string> parts = SplitList(value);
    if (parts.size() < 3) {
        return std::nullopt;
    }
    SearchFile search{parts[0], -1, parts[2]};
    std::int64_t size = 0;
    const std::string& text = parts[1];
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), size);
    if (error == std::errc{} && end == text.data() + text.size() && size >= 0) {
        search.size_bytes = size;
    }
    return search;
}

} // namespace tavox
