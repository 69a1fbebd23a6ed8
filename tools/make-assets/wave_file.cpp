#include "wave_file.h"

#include <algorithm>
#include <cmath>

namespace make_assets {
namespace {

void PutU32(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFFu));
    }
}

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFFu));
    out.push_back(static_cast<char>((value >> 8) & 0xFFu));
}

} // namespace

std::string WaveFile(std::span<const double> samples) {
    const auto data_bytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::string out;
    out.reserve(kWaveHeaderBytes + data_bytes);
    out += "RIFF";
    PutU32(out, 36 + data_bytes);
    out += "WAVEfmt ";
    PutU32(out, 16);
    PutU16(out, 1); // PCM
    PutU16(out, 1); // mono
    PutU32(out, kSampleRate);
    PutU32(out, kSampleRate * 2); // bytes per second
    PutU16(out, 2);               // bytes per sample frame
    PutU16(out, 16);
    out += "data";
    PutU32(out, data_bytes);
    for (const double sample : samples) {
        const double scaled = std::round(std::clamp(sample, -1.0, 1.0) * 32767.0);
        PutU16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(scaled)));
    }
    return out;
}

} // namespace make_assets
