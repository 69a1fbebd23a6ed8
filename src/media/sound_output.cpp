#include "media/sound_output.h"

#include "base/little_endian.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

#include <alsa/asoundlib.h>

namespace tavox {

namespace {

constexpr std::uint16_t kFormatPcm = 0x0001;
constexpr int kMinRateHz = 1000;
constexpr int kMaxRateHz = 192000;
// Enough buffering that a busy machine does not stutter, little enough that the sound starts at once.
constexpr unsigned int kLatencyUs = 200000;
// Underruns are recovered from; a device that keeps failing is given up.
constexpr int kMaxRecoveries = 16;

bool HasId(std::span<const std::byte> bytes, std::size_t at, std::string_view id) {
    return std::equal(
        id.begin(), id.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
        [](char expected, std::byte actual) { return std::to_integer<char>(actual) == expected; });
}

std::optional<WaveFormat> ParseFormatChunk(std::span<const std::byte> chunk) {
    if (chunk.size() < 16) {
        return std::nullopt;
    }
    const std::uint16_t tag = ReadLe16(chunk, 0);
    WaveFormat format;
    format.channels = ReadLe16(chunk, 2);
    const std::uint32_t rate = ReadLe32(chunk, 4);
    const std::uint16_t block_align = ReadLe16(chunk, 12);
    format.bits_per_sample = ReadLe16(chunk, 14);
    if (tag != kFormatPcm || (format.channels != 1 && format.channels != 2) ||
        (format.bits_per_sample != 8 && format.bits_per_sample != 16) || rate < kMinRateHz ||
        rate > kMaxRateHz || block_align != format.BytesPerFrame()) {
        return std::nullopt;
    }
    format.sample_rate_hz = static_cast<int>(rate);
    return format;
}

void IgnoreAlsaError(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                     const char* /*fmt*/, ...) {}

struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
using UniquePcm = std::unique_ptr<snd_pcm_t, PcmCloser>;

} // namespace

std::optional<WaveSound> ParseWave(std::span<const std::byte> wave) {
    if (wave.size() < 12 || !HasId(wave, 0, "RIFF") || !HasId(wave, 8, "WAVE")) {
        return std::nullopt;
    }
    const std::uint64_t end = std::min<std::uint64_t>(wave.size(), std::uint64_t{ReadLe32(wave, 4)} + 8);
    std::optional<WaveFormat> format;
    std::optional<std::span<const std::byte>> data;
    std::uint64_t at = 12;
    while (at + 8 <= end && !(format && data)) {
        const std::uint64_t size = ReadLe32(wave, at + 4);
        const std::uint64_t body = at + 8;
        if (HasId(wave, at, "fmt ") && !format) {
            if (body + size > end) {
                return std::nullopt;
            }
            format = ParseFormatChunk(wave.subspan(body, size));
            if (!format) {
                return std::nullopt;
            }
        } else if (HasId(wave, at, "data") && !data) {
            data = wave.subspan(body, std::min(size, end - body));
        }
        at = body + size + (size & 1); // chunks are padded to an even size
    }
    if (!format || !data) {
        return std::nullopt;
    }
    const std::size_t frame_bytes = static_cast<std::size_t>(format->BytesPerFrame());
    return WaveSound{*format, data->first(data->size() / frame_bytes * frame_bytes)};
}

AlsaSoundOutput::AlsaSoundOutput(std::string device) : device_(std::move(device)) {
    // Without a sound card ALSA would print its complaints on every attempt.
    static const bool silenced = (snd_lib_error_set_handler(IgnoreAlsaError), true);
    static_cast<void>(silenced);
}

void AlsaSoundOutput::PlayWav(std::span<const std::byte> wave) {
    const std::optional<WaveSound> sound = ParseWave(wave);
    if (!sound || sound->samples.empty()) {
        return;
    }
    snd_pcm_t* raw_pcm = nullptr;
    // Opened without blocking so that a device held by another program fails at once instead of waiting for
    // it.
    if (snd_pcm_open(&raw_pcm, device_.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        return;
    }
    const UniquePcm pcm(raw_pcm);
    const WaveFormat& format = sound->format;
    const snd_pcm_format_t sample_format =
        format.bits_per_sample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_nonblock(pcm.get(), 0) < 0 ||
        snd_pcm_set_params(pcm.get(), sample_format, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned int>(format.channels),
                           static_cast<unsigned int>(format.sample_rate_hz), 1, kLatencyUs) < 0) {
        return;
    }
    const std::size_t frame_bytes = static_cast<std::size_t>(format.BytesPerFrame());
    std::span<const std::byte> left = sound->samples;
    int recoveries = 0;
    while (!left.empty()) {
        const snd_pcm_sframes_t written = snd_pcm_writei(pcm.get(), left.data(), left.size() / frame_bytes);
        if (written < 0) {
            if (++recoveries > kMaxRecoveries ||
                snd_pcm_recover(pcm.get(), static_cast<int>(written), 1) < 0) {
                return;
            }
            continue;
        }
        if (written == 0 && ++recoveries > kMaxRecoveries) {
            return;
        }
        left = left.subspan(static_cast<std::size_t>(written) * frame_bytes);
    }
    snd_pcm_drain(pcm.get());
}

} // namespace tavox
