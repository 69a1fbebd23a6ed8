#include "unrar/volume_name.h"

#include "base/ascii.h"
#include "base/code_page.h"

#include <filesystem>

namespace tavox::unrar {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Adds one to the decimal number that ends at `end` (exclusive), carrying leftwards; a number of nines
// grows a digit.
void IncrementNumber(std::string& text, std::size_t end) {
    std::size_t i = end;
    while (i > 0 && IsDigit(text[i - 1])) {
        --i;
        if (text[i] != '9') {
            ++text[i];
            return;
        }
        text[i] = '0';
    }
    text.insert(i, "1");
}

} // namespace

std::string NextVolumeName(const std::string& path, bool new_numbering) {
    std::string name = path;
    const std::size_t slash = name.rfind('/');
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot < base) {
        return name + ".r00";
    }
    if (new_numbering) {
        // The number is the last group of digits before the extension.
        std::size_t end = dot;
        while (end > base && !IsDigit(name[end - 1])) {
            --end;
        }
        if (end > base) {
            IncrementNumber(name, end);
            return name;
        }
    }
    const std::string extension = name.substr(dot + 1);
    const bool upper = !extension.empty() && IsAsciiUpper(extension[0]);
    if (extension.size() != 3 || !IsDigit(extension[1]) || !IsDigit(extension[2])) {
        return name.substr(0, dot + 1) + (upper ? "R00" : "r00");
    }
    if (extension[1] == '9' && extension[2] == '9') {
        name[dot + 1] = static_cast<char>(name[dot + 1] + 1);
        name.replace(dot + 2, 2, "00");
        return name;
    }
    IncrementNumber(name, name.size());
    return name;
}

std::optional<std::string> FindVolume(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec)) {
        return path;
    }
    const std::filesystem::path wanted(path);
    const std::filesystem::path dir = wanted.has_parent_path() ? wanted.parent_path() : ".";
    const std::string name = wanted.filename().string();
    for (auto it = std::filesystem::directory_iterator(dir, ec);
         !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (EqualsIgnoringCase(it->path().filename().string(), name) && it->is_regular_file(ec)) {
            return (dir / it->path().filename()).string();
        }
    }
    return std::nullopt;
}

} // namespace tavox::unrar
