#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavox {

struct WaveFormat {
    int channels = 0; // 1 or 2
    int sample_rate_hz = 0;
    int bits_per_sample = 0; // 8 (unsigned) or 16 (signed, little-endian)

    int BytesPerFrame() const { return channels * bits_per_sample / 8; }
};

struct WaveSound {
    WaveFormat format;
    std::span<const std::byte> samples; // whole frames only, pointing into the parsed image

    std::size_t FrameCount() const {
        return samples.size() / static_cast<std::size_t>(format.BytesPerFrame());
    }
};

// Reads a RIFF WAVE image held in memory: the "fmt " and "data" chunks in either order among any others,
// plain PCM, 8 or 16 bits, mono or stereo, any rate from 1000 to 192000 Hz.
// Anything else is malformed (nullopt), as is an image whose "fmt " chunk is cut short. A "data" chunk that
// claims more than the image holds keeps the whole frames that are there, as a cut-off download plays.
std::optional<WaveSound> ParseWave(std::span<const std::byte> wave);

// Where the menu's sounds go. Playing is synchronous: the call returns when the sound has finished.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;

    // Plays a complete RIFF WAVE image. A malformed image, or no way to play it, plays nothing, silently.
    virtual void PlayWav(std::span<const std::byte> wave) = 0;
};

// Plays through an ALSA device. With no sound card (or a device held elsewhere) it returns at once, and
// ALSA's own error printing is switched off for the whole process so that a missing card stays quiet.
class AlsaSoundOutput final : public SoundOutput {
public:
    explicit AlsaSoundOutput(std::string device = "default");

    void PlayWav(std::span<const std::byte> wave) override;

private:
    std::string device_;
};

// Keeps a copy of every image it is asked to play, in order, and plays nothing.
class RecordingSoundOutput final : public SoundOutput {
public:
    void PlayWav(std::span<const std::byte> wave) override { played_.emplace_back(wave.begin(), wave.end()); }

    const std::vector<std::vector<std::byte>>& Played() const { return played_; }
    void Clear() { played_.clear(); }

private:
    std::vector<std::vector<std::byte>> played_;
};

} // namespace tavox
