#include "launch/command_line.h"

#include "base/ascii.h"
#include "platform/file_system.h"

namespace tavox {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

std::string_view TrimLeadingBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

bool HasDrive(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' && IsAsciiLetter(path[0]);
}

// Only the last component counts: "C:\GAMES.95\RUN" has no extension.
bool HasExtension(std::string_view path) {
    for (auto it = path.rbegin(); it != path.rend() && !IsSeparator(*it); ++it) {
        if (*it == '.') {
            return true;
        }
    }
    return false;
}

std::string JoinWindowsPath(std::string_view dir, std::string_view name) {
    std::string path(dir);
    if (!IsSeparator(path.back())) {
        path += '\\';
    }
    path += name;
    return path;
}

std::optional<std::string> LocateProgram(const FileSystem& files, std::string_view name,
                                         std::span<const std::string> search_dirs) {
    if (name.empty()) {
        return std::nullopt;
    }
    const std::string file = HasExtension(name) ? std::string(name) : std::string(name) + ".exe";
    if (HasDrive(file)) {
        return files.FileExists(file) ? std::optional(file) : std::nullopt;
    }
    if (IsSeparator(file.front())) {
        if (file.size() > 1 && IsSeparator(file[1])) {
            return std::nullopt; // a network path: no network here
        }
        if (search_dirs.empty() || !HasDrive(search_dirs.front())) {
            return std::nullopt;
        }
        const std::string on_drive = search_dirs.front().substr(0, 2) + file;
        return files.FileExists(on_drive) ? std::optional(on_drive) : std::nullopt;
    }
    for (const std::string& dir : search_dirs) {
        if (dir.empty()) {
            continue;
        }
        std::string candidate = JoinWindowsPath(dir, file);
        if (files.FileExists(candidate)) {
            return candidate;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> SplitArguments(std::string_view command_line) {
    std::vector<std::string> arguments;
    std::size_t at = 0;
    const std::size_t size = command_line.size();
    while (true) {
        while (at < size && IsBlank(command_line[at])) {
            ++at;
        }
        if (at == size) {
            break;
        }
        std::string argument;
        bool quoted = false;
        while (at < size && (quoted || !IsBlank(command_line[at]))) {
            const char c = command_line[at];
            if (c == '\\') {
                std::size_t count = 0;
                while (at + count < size && command_line[at + count] == '\\') {
                    ++count;
                }
                if (at + count < size && command_line[at + count] == '"') {
                    argument.append(count / 2, '\\');
                    if (count % 2 == 1) {
                        argument += '"';
                        ++at; // the escaped quote
                    }
                    at += count;
                } else {
                    argument.append(count, '\\');
                    at += count;
                }
            } else if (c == '"') {
                if (quoted && at + 1 < size && command_line[at + 1] == '"') {
                    argument += '"';
                    at += 2;
                } else {
                    quoted = !quoted;
                    ++at;
                }
            } else {
                argument += c;
                ++at;
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::vector<std::string> SplitHostCommand(std::string_view command) {
    std::vector<std::string> words;
    std::size_t at = 0;
    const std::size_t size = command.size();
    const auto is_space = [](char c) { return IsBlank(c) || c == '\n'; };
    while (true) {
        while (at < size && is_space(command[at])) {
            ++at;
        }
        if (at == size) {
            break;
        }
        std::string word;
        while (at < size && !is_space(command[at])) {
            const char c = command[at++];
            if (c == '\'') {
                while (at < size && command[at] != '\'') {
                    word += command[at++];
                }
                at += at < size ? 1 : 0; // the closing quote, when there is one
            } else if (c == '"') {
                while (at < size && command[at] != '"') {
                    const char inner = command[at++];
                    if (inner == '\\' && at < size &&
                        (command[at] == '"' || command[at] == '\\' || command[at] == '$' ||
                         command[at] == '`')) {
                        word += command[at++];
                    } else {
                        word += inner;
                    }
                }
                at += at < size ? 1 : 0;
            } else if (c == '\\') {
                if (at < size) {
                    word += command[at++];
                }
            } else {
                word += c;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

CommandParts SplitProgramWord(std::string_view command_line) {
    const std::string_view text = TrimLeadingBlanks(command_line);
    CommandParts parts;
    std::string_view rest;
    if (!text.empty() && text.front() == '"') {
        const std::size_t close = text.find('"', 1);
        parts.program = std::string(text.substr(1, close == std::string_view::npos ? close : close - 1));
        rest = close == std::string_view::npos ? std::string_view() : text.substr(close + 1);
    } else {
        std::size_t end = 0;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        parts.program = std::string(text.substr(0, end));
        rest = text.substr(end);
    }
    parts.arguments = std::string(TrimLeadingBlanks(rest));
    return parts;
}

std::optional<CommandParts> ResolveCommand(const FileSystem& files, std::string_view command_line,
                                           std::span<const std::string> search_dirs) {
    const std::string_view text = TrimLeadingBlanks(command_line);
    if (text.empty()) {
        return std::nullopt;
    }
    if (text.front() == '"') {
        CommandParts parts = SplitProgramWord(text);
        auto found = LocateProgram(files, parts.program, search_dirs);
        if (!found) {
            return std::nullopt;
        }
        parts.program = std::move(*found);
        return parts;
    }
    // Each word end is a candidate end of the program's name, shortest first.
    for (std::size_t end = 1; end <= text.size(); ++end) {
        const bool word_ends = !IsBlank(text[end - 1]) && (end == text.size() || IsBlank(text[end]));
        if (!word_ends) {
            continue;
        }
        if (auto found = LocateProgram(files, text.substr(0, end), search_dirs)) {
            return CommandParts{std::move(*found), std::string(TrimLeadingBlanks(text.substr(end)))};
        }
    }
    return std::nullopt;
}

} // namespace tavox
