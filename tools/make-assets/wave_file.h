#pragma once

// RIFF WAVE images as the menu plays them: PCM, mono, 22050 Hz, 16 bits, a plain 44-byte header.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace make_assets {

inline constexpr int kSampleRate = 22050;
inline constexpr std::size_t kWaveHeaderBytes = 44;

// How many samples make a file of exactly `file_bytes` bytes.
constexpr std::size_t SamplesForFileSize(std::size_t file_bytes) {
    return (file_bytes - kWaveHeaderBytes) / 2;
}

// Samples in -1..1 become 16-bit little-endian PCM behind the header; values beyond are clamped.
std::string WaveFile(std::span<const double> samples);

} // namespace make_assets
