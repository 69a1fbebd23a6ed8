#include "support/rar_fixtures.h"

#include <openssl/evp.h>

#include <cstdio>
#include <cstdlib>

#include <unistd.h>

namespace tavox::test {

std::filesystem::path RarFixture(std::string_view name) {
    return std::filesystem::path(TAVOX_SHARED_DIR) / "fixtures" / "rar" / name;
}

bool HaveRarFixtures() {
    return std::filesystem::exists(RarFixture("README.md"));
}

const std::vector<KnownFile>& Rar15SharpcompressFiles() {
    static const std::vector<KnownFile> files = {
        {"EXE/TEST.EXE", "6003d00bed2d2236f17cd31d38d5b7cc"},
        {"JPG/TEST.JPG", "c2ee89b33bd8655686a5fabaca63af2e"},
        {"TECT.TXT", "2cf471dbd4190c20bea53aa8a6622eb6"},
    };
    return files;
}

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_md5(), nullptr) != 1) {
        return "no MD5"; // matches no sum, so the test that asked fails
    }
    std::string hex;
    for (unsigned int i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

std::optional<std::filesystem::path> FindProgram(std::string_view name) {
    const char* path = std::getenv("PATH");
    std::string_view dirs = path != nullptr ? path : "";
    while (!dirs.empty()) {
        const std::size_t end = std::min(dirs.find(':'), dirs.size());
        const std::filesystem::path candidate = std::filesystem::path(dirs.substr(0, end)) / name;
        if (end > 0 && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        dirs.remove_prefix(std::min(end + 1, dirs.size()));
    }
    return std::nullopt;
}

} // namespace tavox::test
