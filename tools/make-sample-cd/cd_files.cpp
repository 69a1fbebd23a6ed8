#include "cd_files.h"

#include "base/code_page.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace sample_cd {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

} // namespace

std::optional<std::string> CdText(std::string_view utf8) {
    std::string with_cr_lf;
    for (const char c : utf8) {
        if (c == '\n') {
            with_cr_lf += '\r';
        }
        with_cr_lf += c;
    }
    std::string encoded = tavox::FromUtf8(with_cr_lf, tavox::CodePage::Windows1250);
    // The encoder marks what it cannot encode with '?'; more of them than the text had means a lost letter.
    if (std::count(encoded.begin(), encoded.end(), '?') != std::count(utf8.begin(), utf8.end(), '?')) {
        return std::nullopt;
    }
    return encoded;
}

void CdFiles::Bytes(std::string_view cd_path, std::string_view bytes) {
    Write(HostPath(cd_path), bytes);
}

void CdFiles::Text(std::string_view cd_path, std::string_view utf8) {
    if (const auto text = CdText(utf8)) {
        Bytes(cd_path, *text);
    } else {
        Fail(std::string(cd_path) + ": the text does not fit code page 1250");
    }
}

void CdFiles::Program(std::string_view cd_path, std::string_view script) {
    const std::filesystem::path path = HostPath(cd_path);
    if (!Write(path, script)) {
        return;
    }
    std::error_code ec;
    std::filesystem::permissions(path,
                                 std::filesystem::perms::owner_exec | std::filesystem::perms::group_exec |
                                     std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ec);
    if (ec) {
        Fail(path.string() + ": " + ec.message());
    }
}

std::filesystem::path CdFiles::HostPath(std::string_view cd_path) const {
    std::filesystem::path path = root_;
    std::size_t start = 0;
    while (start <= cd_path.size()) {
        const std::size_t end = std::min(cd_path.find('\\', start), cd_path.size());
        if (end > start) {
            path /= cd_path.substr(start, end - start);
        }
        start = end + 1;
    }
    return path;
}

bool CdFiles::Write(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) {
        Fail(path.parent_path().string() + ": " + ec.message());
        return false;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fflush(file.get()) != 0) {
        Fail(path.string() + ": cannot write the file");
        return false;
    }
    return true;
}

void CdFiles::Fail(std::string message) {
    if (!error_) {
        error_ = std::move(message);
    }
}

} // namespace sample_cd
