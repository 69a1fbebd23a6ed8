#include "platform/windows_path.h"

#include "base/ascii.h"

namespace tavox {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool IsForbidden(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

} // namespace

std::string WindowsPath::ToString() const {
    std::string result{drive, ':', '\\'};
    for (std::size_t i = 0; i < components.size(); ++i) {
        if (i > 0) {
            result += '\\';
        }
        result += components[i];
    }
    return result;
}

std::optional<WindowsPath> ParseWindowsPath(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') {
        return std::nullopt;
    }
    const char letter = path[0];
    WindowsPath result;
    if (!IsAsciiLetter(letter)) {
        return std::nullopt;
    }
    result.drive = ToUpperAscii(letter);
    std::string_view rest = path.substr(2);
    while (!rest.empty()) {
        const std::size_t end = [&] {
            std::size_t i = 0;
            while (i < rest.size() && !IsSeparator(rest[i])) {
                ++i;
            }
            return i;
        }();
        std::string_view name = rest.substr(0, end);
        rest.remove_prefix(end < rest.size() ? end + 1 : end);
        if (name.empty() || name == ".") {
            continue;
        }
        if (name == "..") {
            if (result.components.empty()) {
                return std::nullopt;
            }
            result.components.pop_back();
            continue;
        }
        // Windows ignores trailing dots and blanks of a name: "GAME." and "GAME" are one file.
        while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
            name.remove_suffix(1);
        }
        if (name.empty()) {
            continue;
        }
        for (const char c : name) {
            if (IsForbidden(c)) {
                return std::nullopt;
            }
        }
        result.components.emplace_back(name);
    }
    return result;
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*" || pattern == "*") {
        return true;
    }
    // Iterative match with one backtrack point for the last "*".
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || ToLowerAscii(pattern[p]) == ToLowerAscii(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    // What is left may only match nothing: stars, or a dot before stars ("GAME.*" matches "GAME").
    std::string_view tail = pattern.substr(p);
    if (!tail.empty() && tail.front() == '.') {
        tail.remove_prefix(1);
    }
    return tail.find_first_not_of('*') == std::string_view::npos;
}

} // namespace tavox
