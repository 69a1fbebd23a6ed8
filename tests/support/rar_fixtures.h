#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The real archives of the shared fixtures (made by the RAR maker's own archivers), which a user's clone
// lacks: tests that read them skip there.
namespace tavox::test {

std::filesystem::path RarFixture(std::string_view name);
bool HaveRarFixtures();

// A file an archive unpacks to: its path under the target and the MD5 sum of its bytes.
struct KnownFile {
    std::string path;
    std::string md5;
};

// What rar15-sharpcompress.rar (RAR 1.5 compression) holds, with the sums the fixtures' README gives.
const std::vector<KnownFile>& Rar15SharpcompressFiles();

std::string Md5Hex(std::string_view bytes);

// Where a program is found on PATH.
std::optional<std::filesystem::path> FindProgram(std::string_view name);

} // namespace tavox::test
