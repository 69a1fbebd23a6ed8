#include "media/sound_output.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using tavox::AlsaSoundOutput;
using tavox::ParseWave;
using tavox::WaveSound;
using tavox::test::TempDir;

using Bytes = std::vector<std::byte>;

void Append(Bytes& out, std::string_view text) {
    for (const char c : text) {
        out.push_back(static_cast<std::byte>(c));
    }
}

void Append16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::byte>(value & 0xFF));
    out.push_back(static_cast<std::byte>((value >> 8) & 0xFF));
}

void Append32(Bytes& out, std::uint32_t value) {
    Append16(out, value & 0xFFFF);
    Append16(out, value >> 16);
}

struct Chunk {
    std::string id;
    Bytes body;
    std::optional<std::uint32_t> claimed_size = std::nullopt; // what the header says, when it lies
};

struct Fmt {
    std::uint32_t tag = 1;
    std::uint32_t channels = 1;
    std::uint32_t rate_hz = 22050;
    std::uint32_t bits = 16;
    std::optional<std::uint32_t> block_align = std::nullopt; // computed when not given
};

Bytes FmtBody(const Fmt& fmt) {
    Bytes body;
    const std::uint32_t align = fmt.block_align.value_or(fmt.channels * fmt.bits / 8);
    Append16(body, fmt.tag);
    Append16(body, fmt.channels);
    Append32(body, fmt.rate_hz);
    Append32(body, fmt.rate_hz * align);
    Append16(body, align);
    Append16(body, fmt.bits);
    return body;
}

Bytes Samples(std::size_t count_bytes) {
    Bytes samples(count_bytes);
    for (std::size_t i = 0; i < count_bytes; ++i) {
        samples[i] = static_cast<std::byte>((i * 37 + 11) & 0xFF);
    }
    return samples;
}

Bytes Riff(const std::vector<Chunk>& chunks, std::string_view form = "WAVE",
           std::optional<std::uint32_t> claimed_size = std::nullopt) {
    Bytes content;
    Append(content, form);
    for (const Chunk& chunk : chunks) {
        Append(content, chunk.id);
        Append32(content, chunk.claimed_size.value_or(static_cast<std::uint32_t>(chunk.body.size())));
        content.insert(content.end(), chunk.body.begin(), chunk.body.end());
        if (chunk.body.size() % 2 != 0 && !chunk.claimed_size) {
            content.push_back(std::byte{0});
        }
    }
    Bytes riff;
    Append(riff, "RIFF");
    Append32(riff, claimed_size.value_or(static_cast<std::uint32_t>(content.size())));
    riff.insert(riff.end(), content.begin(), content.end());
    return riff;
}

Bytes SimpleWave(const Fmt& fmt, const Bytes& samples) {
    return Riff({{"fmt ", FmtBody(fmt), {}}, {"data", samples, {}}});
}

// The samples must be a view into the image itself, so that playing needs no copy.
void ExpectSamplesInside(const WaveSound& sound, const Bytes& wave, const Bytes& expected) {
    ASSERT_EQ(sound.samples.size(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), sound.samples.begin()));
    EXPECT_GE(sound.samples.data(), wave.data());
    EXPECT_LE(sound.samples.data() + sound.samples.size(), wave.data() + wave.size());
}

// ---------------------------------------------------------------------------------------------------------

TEST(WaveParse, ReadsPcmFormatsAndTheirSamples) {
    struct Case {
        Fmt fmt;
        int frame_bytes;
    };
    for (const Case& c : {Case{{.channels = 1, .rate_hz = 22050, .bits = 16}, 2},
                          Case{{.channels = 2, .rate_hz = 44100, .bits = 16}, 4},
                          Case{{.channels = 1, .rate_hz = 8000, .bits = 8}, 1},
                          Case{{.channels = 2, .rate_hz = 11025, .bits = 8}, 2}}) {
        SCOPED_TRACE(std::to_string(c.fmt.channels) + " channels, " + std::to_string(c.fmt.bits) + " bits");
        const Bytes samples = Samples(400);
        const Bytes wave = SimpleWave(c.fmt, samples);
        const auto sound = ParseWave(wave);
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->format.channels, static_cast<int>(c.fmt.channels));
        EXPECT_EQ(sound->format.sample_rate_hz, static_cast<int>(c.fmt.rate_hz));
        EXPECT_EQ(sound->format.bits_per_sample, static_cast<int>(c.fmt.bits));
        EXPECT_EQ(sound->FrameCount(), 400U / static_cast<unsigned>(c.frame_bytes));
        ExpectSamplesInside(*sound, wave, samples);
    }
}

TEST(WaveParse, FindsTheChunksInAnyOrderAmongOthers) {
    const Bytes samples = Samples(100);
    const Bytes fmt = FmtBody({});
    struct Case {
        const char* name;
        Bytes wave;
    };
    const std::vector<Case> cases = {
        {"data first", Riff({{"data", samples, {}}, {"fmt ", fmt, {}}})},
        // An odd-sized chunk is followed by a pad byte that is not part of the next chunk.
        {"odd chunk before",
         Riff(
             {{"LIST", Samples(5), {}}, {"fmt ", fmt, {}}, {"fact", Samples(4), {}}, {"data", samples, {}}})},
        {"longer fmt",
         [&] {
             Bytes longer = fmt;
             Append16(longer, 0); // cbSize, as some writers add to plain PCM
             return Riff({{"fmt ", longer, {}}, {"data", samples, {}}});
         }()},
        {"second data ignored", Riff({{"fmt ", fmt, {}}, {"data", samples, {}}, {"data", Samples(8), {}}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto sound = ParseWave(c.wave);
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->format.sample_rate_hz, 22050);
        ExpectSamplesInside(*sound, c.wave, samples);
    }
}

TEST(WaveParse, RefusesMalformedAndUnplayableImages) {
    const Bytes samples = Samples(64);
    const auto with_fmt = [&](const Fmt& fmt) { return SimpleWave(fmt, samples); };
    Bytes cut_fmt = Riff({{"fmt ", FmtBody({}), {}}});
    cut_fmt.resize(cut_fmt.size() - 6);
    struct Case {
        const char* name;
        Bytes wave;
    };
    const std::vector<Case> cases = {
        {"empty", {}},
        {"RIFF header only",
         [] {
             Bytes b;
             Append(b, "RIFF");
             return b;
         }()},
        {"not RIFF",
         [&] {
             Bytes b = with_fmt({});
             b[3] = std::byte{'X'};
             return b;
         }()},
        {"not WAVE", Riff({{"fmt ", FmtBody({}), {}}, {"data", samples, {}}}, "AVI ")},
        {"no fmt", Riff({{"data", samples, {}}})},
        {"no data", Riff({{"fmt ", FmtBody({}), {}}})},
        {"fmt too short", Riff({{"fmt ", Samples(14), {}}, {"data", samples, {}}})},
        {"fmt cut off by the end", cut_fmt},
        {"fmt claims more than there is", Riff({{"fmt ", FmtBody({}), 0xFFFFFFF0}})},
        {"ADPCM", with_fmt({.tag = 2, .bits = 4})},
        {"extensible header", with_fmt({.tag = 0xFFFE})},
        {"24 bits", with_fmt({.bits = 24})},
        {"no channels", with_fmt({.channels = 0})},
        {"three channels", with_fmt({.channels = 3})},
        {"rate 0", with_fmt({.rate_hz = 0})},
        {"rate too high", with_fmt({.rate_hz = 1'000'000})},
        {"block align wrong", with_fmt({.block_align = 4})},
        // The RIFF size ends the image before its data chunk; what follows is not part of it.
        {"data beyond the RIFF size",
         Riff({{"fmt ", FmtBody({}), {}}, {"data", samples, {}}}, "WAVE", 4 + 8 + 16)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(ParseWave(c.wave));
    }
}

TEST(WaveParse, ACutDataChunkKeepsItsWholeFrames) {
    const Bytes samples = Samples(1003);
    for (const std::uint32_t claimed : {4000U, 0xFFFFFFFFU}) {
        SCOPED_TRACE(claimed);
        const Bytes wave =
            Riff({{"fmt ", FmtBody({.channels = 2, .bits = 16}), {}}, {"data", samples, claimed}});
        const auto sound = ParseWave(wave);
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->FrameCount(), 250U);
        ExpectSamplesInside(*sound, wave, Bytes(samples.begin(), samples.begin() + 1000));
    }
}

// Sends this process's standard error to a file while it lives.
class StderrCapture {
public:
    explicit StderrCapture(const std::filesystem::path& file) : saved_(::dup(STDERR_FILENO)), file_(file) {
        const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
    }
    ~StderrCapture() { Restore(); }
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    std::string Text() {
        Restore();
        return tavox::test::ReadFile(file_);
    }

private:
    void Restore() {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }
    int saved_ = -1;
    std::filesystem::path file_;
};

// Two seconds of sound: a player that waited for it, or for a device, would be noticed.
Bytes TwoSeconds() {
    return SimpleWave({}, Samples(2 * 22050 * 2));
}

TEST(AlsaOutput, WithoutTheDeviceReturnsAtOnceAndSaysNothing) {
    TempDir temp;
    StderrCapture capture(temp / "stderr.txt");
    const auto start = std::chrono::steady_clock::now();
    AlsaSoundOutput output("tavox_no_such_device");
    output.PlayWav(TwoSeconds());
    output.PlayWav(TwoSeconds());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(capture.Text(), "");
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}

TEST(AlsaOutput, TheDefaultDeviceReturnsWhenItIsMissing) {
    // On a machine with a sound card this plays a tenth of a second of silence.
    TempDir temp;
    StderrCapture capture(temp / "stderr.txt");
    const auto start = std::chrono::steady_clock::now();
    AlsaSoundOutput().PlayWav(SimpleWave({}, Bytes(2205 * 2)));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(capture.Text(), "");
    EXPECT_LT(elapsed, std::chrono::seconds(5));
}

// ALSA's "file" device writes the stream it is given into a file, so the test can hear what was played.
std::string FileDevice(const std::filesystem::path& file) {
    return "file:FILE=" + file.string() + ",FORMAT=raw";
}

TEST(AlsaOutput, PlaysTheSamplesAsTheImageHoldsThem) {
    for (const tavox::WaveFormat& format :
         {tavox::WaveFormat{1, 22050, 16}, tavox::WaveFormat{2, 11025, 8}}) {
        SCOPED_TRACE(std::to_string(format.channels) + " channels, " +
                     std::to_string(format.bits_per_sample) + " bits");
        TempDir temp;
        const Bytes samples = Samples(4000);
        AlsaSoundOutput output(FileDevice(temp / "played.raw"));
        output.PlayWav(SimpleWave({.channels = static_cast<std::uint32_t>(format.channels),
                                   .rate_hz = static_cast<std::uint32_t>(format.sample_rate_hz),
                                   .bits = static_cast<std::uint32_t>(format.bits_per_sample)},
                                  samples));
        const std::string played = tavox::test::ReadFile(temp / "played.raw");
        ASSERT_EQ(played.size(), samples.size());
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), played.begin(),
                               [](std::byte a, char b) { return a == static_cast<std::byte>(b); }));
    }
}

TEST(AlsaOutput, AMalformedImageNeverOpensTheDevice) {
    TempDir temp;
    AlsaSoundOutput output(FileDevice(temp / "played.raw"));
    Bytes wave = SimpleWave({}, Samples(400));
    wave[8] = std::byte{'X'}; // "XAVE"
    output.PlayWav(wave);
    output.PlayWav(SimpleWave({}, {})); // nothing to play
    EXPECT_FALSE(std::filesystem::exists(temp / "played.raw"));
}

} // namespace
