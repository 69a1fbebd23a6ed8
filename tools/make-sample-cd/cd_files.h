#pragma once

// Writing the files of the sample CD: Windows-style paths below the CD's root, texts in code page 1250 with
// CRLF lines, and stand-in programs with the execute bit.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sample_cd {

// UTF-8 text as the CD carries it: code page 1250, CRLF line ends. Nothing when a character has no place in
// the code page, so that no text silently turns into question marks.
std::optional<std::string> CdText(std::string_view utf8);

class CdFiles {
public:
    explicit CdFiles(std::filesystem::path root) : root_(std::move(root)) {}

    // Paths are below the CD's root, with "\" between names ("DEMOS\LUNAR\LUNAR.TXT").
    void Bytes(std::string_view cd_path, std::string_view bytes);
    // UTF-8 text, written as CdText makes it.
    void Text(std::string_view cd_path, std::string_view utf8);
    // A stand-in program: the script as given, executable.
    void Program(std::string_view cd_path, std::string_view script);

    // The first thing that went wrong; later writes still happen, so one run reports one failure.
    const std::optional<std::string>& Error() const { return error_; }

private:
    std::filesystem::path HostPath(std::string_view cd_path) const;
    bool Write(const std::filesystem::path& path, std::string_view bytes);
    void Fail(std::string message);

    std::filesystem::path root_;
    std::optional<std::string> error_;
};

} // namespace sample_cd
