#include "catalogue/text_helpers.h"

#include <cstddef>

namespace tavox {

namespace {

// The uninstall rule is written with the 1-based positions of the original program, where 0 means "not
// found"; these two keep its arithmetic readable.
std::size_t Pos(std::string_view needle, std::string_view text) {
    const std::size_t found = text.find(needle);
    return found == std::string_view::npos ? 0 : found + 1;
}

std::string_view Copy(std::string_view text, std::size_t start, std::size_t count) {
    if (start < 1) {
        start = 1;
    }
    if (start > text.size()) {
        return {};
    }
    return text.substr(start - 1, count);
}

} // namespace

std::string AddSlash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && result.back() != '\\') {
        result += '\\';
    }
    return result;
}

std::vector<std::string> SplitList(std::string_view text) {
    std::vector<std::string> fields;
    if (text.empty()) {
        return fields;
    }
    const char separator = text.find(',') != std::string_view::npos ? ',' : ';';
    std::size_t field_start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == separator) {
            fields.emplace_back(text.substr(field_start, i - field_start));
            field_start = i + 1;
        }
    }
    fields.emplace_back(text.substr(field_start));
    return fields;
}

std::string EscapeAmpersands(std::string_view text) {
    std::string result;
    result.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        result += text[i];
        const bool after_ampersand = i > 0 && text[i - 1] == '&';
        const bool before_ampersand = i + 1 < text.size() && text[i + 1] == '&';
        if (text[i] == '&' && !after_ampersand && !before_ampersand) {
            result += '&';
        }
    }
    return result;
}

std::string DirectoryPart(std::string_view path) {
    const std::size_t last = path.find_last_of("\\:");
    return last == std::string_view::npos ? std::string() : std::string(path.substr(0, last + 1));
}

std::string UninstallDir(std::string_view command) {
    if (command.empty()) {
        return {};
    }
    std::size_t start = 0;
    if (const std::size_t quoted = Pos(" -f\"", command); quoted > 0) {
        start = quoted + 4;
    } else {
        start = Pos(" -f", command) + 3;
    }
    if (start < 5) {
        start = Pos(" ", command) + 1;
    }
    std::size_t count = command.size();
    if (const std::size_t c_option = Pos(" -c\"", command); c_option > 0) {
        // The length of what follows -c", not the distance to it: a short -c" argument cuts into the -f
        // path. Kept as the original had it, since it decides which directory an entry yields.
        count = command.size() - c_option;
    }
    return DirectoryPart(Copy(command, start, count));
}

std::string ProgramPart(std::string_view value) {
    return std::string(value.substr(0, value.find(':')));
}

} // namespace tavox
