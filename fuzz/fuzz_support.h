#pragma once

// What the fuzz targets share: a way to fail loudly on a broken invariant, a scratch directory for targets
// that need real files, and a reader that cuts one fuzz input into the pieces a target needs.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tavox::fuzz {

// Ends the process with the invariant's description when it does not hold, so that libFuzzer keeps the input
// as a finding and a replay of the corpus fails.
void Require(bool holds, std::string_view invariant);

// An empty directory of this process, under TMPDIR, removed with its content when the process ends.
const std::filesystem::path& ScratchDir();

// Writes bytes to a file, replacing it; ends the process when that fails (the input is not at fault).
void WriteBytes(const std::filesystem::path& path, std::string_view bytes);
std::string ReadBytes(const std::filesystem::path& path);

// Takes the input apart from the front: single bytes, then texts with a one-byte length, then the rest.
// Reading past the end gives zeros and empty texts, so every input is a valid one.
class InputReader {
public:
    InputReader(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    std::uint8_t Byte();
    std::string_view Text(std::size_t max_bytes = 255);
    std::string_view Rest() const { return rest_; }

private:
    std::string_view rest_;
};

} // namespace tavox::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
